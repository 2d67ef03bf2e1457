#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "PageTestSupport.h"
#include "page/ResultCodes.h"
#include "page/SComs.h"
#include "page/SFigPoly.h"
#include "page/STrackInput.h"
#include "page/ShapeGeometry.h"
#include "platform/Hooks.h"

namespace {

using page::SPoint;
using platform::POINT;

constexpr unsigned kShift = page::kTrackShift;

// A 400 × 300 page whose top-left lies at window (10, 20) at 100 %: window
// points differ from page points, so a missed conversion shows.
class TrackInputTest : public ::testing::Test {
 protected:
  static constexpr int kOriginX = 10, kOriginY = 20;

  TrackInputTest() {
    doc.SetPageSize(400, 300);
    view.transform.originX = kOriginX;
    view.transform.originY = kOriginY;
  }

  SPoint Page(POINT window) const { return view.ScreenToPage(window); }

  // Press, one move per point, release at the last point.
  int Drag(page::STrack& track, std::vector<POINT> path, unsigned flags = 0) {
    track.Init(&doc, &view, {0, 0, 600, 400});
    EXPECT_GE(track.OnButtonDown(flags, path.front().x, path.front().y), 0);
    for (const POINT p : path) track.OnMouseMove(flags, p.x, p.y);
    return track.OnButtonUp(flags, path.back().x, path.back().y);
  }

  // Clicks of the click-by-click inputs, then Enter.
  void Clicks(page::STrack& track, std::vector<POINT> clicks, unsigned flags = 0) {
    track.Init(&doc, &view, {0, 0, 600, 400});
    for (const POINT p : clicks) {
      track.OnMouseMove(flags, p.x, p.y);
      track.OnButtonDown(flags, p.x, p.y);
      EXPECT_EQ(track.OnButtonUp(flags, p.x, p.y), 0) << "the gesture goes on";
    }
    track.Finish();
  }

  page::SObj& Last() { return *doc.GetObject(doc.GetObjectCount() - 1); }

  // Where the rubber band of a Shift move ends, pressed at (100, 100).
  POINT ShiftBandEnd(page::STrack&& track, POINT mouse) {
    track.Init(&doc, &view, {0, 0, 600, 400});
    track.OnButtonDown(kShift, 100, 100);
    track.OnMouseMove(kShift, mouse.x, mouse.y);
    return {track.GetLines().back().x2, track.GetLines().back().y2};
  }

  page::SDoc doc{5};
  page::SView view;
};

// ---- what each tool makes ---------------------------------------------------------

struct Tool {
  const char* name;
  std::function<std::unique_ptr<page::STrack>()> make;
  int typeId;
  page::SForcedProps forced;  // -1: the page's value (given, 0)
  bool text;
  bool continuing;
};

template <typename T>
std::function<std::unique_ptr<page::STrack>()> Make() {
  return [] { return std::make_unique<T>(); };
}

const Tool kTools[] = {
    {"rectangle", Make<page::STrackInputRect>(), page::kFigRect, {-1, -1, -1}, false, false},
    {"oval", Make<page::STrackInputOval>(), page::kFigOval, {-1, -1, -1}, false, false},
    {"text", Make<page::STrackInputText>(), page::kFigText, {-1, -1, -1}, true, false},
    {"panel frame", Make<page::STrackInputTrim>(), page::kFigRect, {-1, -1, -1}, false, false},
    {"line", Make<page::STrackInputLine>(), page::kFigLine, {1, -1, -1}, false, false},
    {"arrow line", Make<page::STrackInputALine>(), page::kFigLine, {1, -1, -1}, false, false},
    {"free-hand line", Make<page::STrackInputFree>(), page::kFigPoly, {7, 0, 1}, false, false},
    {"free-hand area", Make<page::STrackInputFreegon>(), page::kFigPoly, {7, -1, 0}, false, false},
    {"polyline", Make<page::STrackInputPoly>(), page::kFigPoly, {5, 0, 1}, false, true},
    {"polygon", Make<page::STrackInputPolygon>(), page::kFigPoly, {4, -1, 0}, false, true},
};

TEST_F(TrackInputTest, EachToolMakesItsShapeWithItsForcedValuesAsOneUndoStep) {
  // The page's current values differ from what the tools force.
  page::Prop2DVal defaults;
  defaults.pathFlags = 0x10;
  defaults.lineColorMode = page::Prop2DVal::kColorOwn;
  defaults.fillColorMode = page::Prop2DVal::kColorOwn;
  doc.ApplyPropValToRoot(defaults);
  const std::string empty = pagetest::PageBytes(doc);

  for (const Tool& tool : kTools) {
    SCOPED_TRACE(tool.name);
    auto track = tool.make();
    EXPECT_EQ(track->IsTextInput(), tool.text);
    EXPECT_EQ(track->IsContinuing(), tool.continuing);
    if (tool.continuing)
      Clicks(*track, {{60, 70}, {160, 90}, {120, 170}});
    else
      EXPECT_EQ(Drag(*track, {{60, 70}, {100, 120}, {160, 170}}), 1);
    EXPECT_TRUE(track->GetLines().empty());

    ASSERT_EQ(doc.GetObjectCount(), 1);
    page::SObj& made = Last();
    ASSERT_TRUE(made.fig);
    EXPECT_EQ(made.fig->GetTypeId(), tool.typeId);
    EXPECT_TRUE(made.IsSelected());
    const page::Prop2DVal& V = made.props2D;
    EXPECT_EQ(V.pathFlags, tool.forced.pathFlags < 0 ? 0x10 : tool.forced.pathFlags);
    EXPECT_EQ(V.lineColorMode, tool.forced.lineColorMode < 0 ? page::Prop2DVal::kColorOwn : tool.forced.lineColorMode);
    EXPECT_EQ(V.fillColorMode, tool.forced.fillColorMode < 0 ? page::Prop2DVal::kColorOwn : tool.forced.fillColorMode);
    EXPECT_EQ((made.flags & page::kObjFrame) != 0, std::string(tool.name) == "panel frame");
    EXPECT_EQ(V.arrow == page::Prop2DVal::kArrowEnd, std::string(tool.name) == "arrow line");

    EXPECT_FALSE(doc.Commands().HasOpenGroup());
    ASSERT_EQ(doc.Commands().UndoGroup(), 0);
    EXPECT_FALSE(doc.Commands().CanUndo()) << "one gesture, one undo step";
    EXPECT_EQ(pagetest::PageBytes(doc), empty);
    ASSERT_EQ(doc.Commands().RedoGroup(), 0);
    EXPECT_EQ(doc.GetObjectCount(), 1);
    doc.Commands().UndoGroup();
  }
}

TEST_F(TrackInputTest, RectangleFamilySpansThePressAndReleaseInPagePixels) {
  for (const Tool& tool : kTools) {
    if (tool.typeId != page::kFigRect && tool.typeId != page::kFigOval && tool.typeId != page::kFigText) continue;
    SCOPED_TRACE(tool.name);
    auto track = tool.make();
    ASSERT_EQ(Drag(*track, {{160, 170}, {60, 70}}), 1);
    const page::PropSCVal& P = Last().placement;
    EXPECT_DOUBLE_EQ(P.x, 100.0);  // window 110 less the origin
    EXPECT_DOUBLE_EQ(P.y, 100.0);
    EXPECT_DOUBLE_EQ(page::InnerSize(P).x, 100.0);
    EXPECT_DOUBLE_EQ(page::InnerSize(P).y, 100.0);
    EXPECT_DOUBLE_EQ(P.angle, 0.0);
    doc.Commands().UndoGroup();
  }
}

TEST_F(TrackInputTest, DegenerateInputMakesNothing) {
  struct Case {
    const char* what;
    std::function<std::unique_ptr<page::STrack>()> make;
    std::vector<POINT> path;  // press, moves, release at the last
  };
  const Case cases[] = {
      {"rectangle click", Make<page::STrackInputRect>(), {{50, 50}}},
      {"rectangle of no height", Make<page::STrackInputRect>(), {{50, 50}, {120, 50}}},
      {"oval of no width", Make<page::STrackInputOval>(), {{50, 50}, {50, 120}}},
      {"text frame of no height", Make<page::STrackInputText>(), {{50, 80}, {90, 80}}},
      {"panel frame click", Make<page::STrackInputTrim>(), {{70, 70}}},
      {"line of equal ends", Make<page::STrackInputLine>(), {{50, 50}, {90, 90}, {50, 50}}},
      {"arrow line of equal ends", Make<page::STrackInputALine>(), {{50, 50}}},
      {"free-hand of one point", Make<page::STrackInputFree>(), {{50, 50}, {51, 52}, {52, 51}}},
      {"free-hand area of one point", Make<page::STrackInputFreegon>(), {{50, 50}}},
  };
  for (const Case& c : cases) {
    auto track = c.make();
    EXPECT_EQ(Drag(*track, c.path), 1) << c.what;
    EXPECT_EQ(doc.GetObjectCount(), 0) << c.what;
    EXPECT_EQ(doc.Commands().GetCount(), 0) << c.what << ": no command, no empty undo step";
  }
  for (const Tool& tool : kTools) {
    if (!tool.continuing) continue;
    auto track = tool.make();
    Clicks(*track, {{50, 50}});
    EXPECT_EQ(doc.GetObjectCount(), 0) << tool.name << ": one click and Enter";
    EXPECT_EQ(doc.Commands().GetCount(), 0) << tool.name;
  }
}

TEST_F(TrackInputTest, RubberBandKeepsOnlyTheLastBandAndHasTheToolsKind) {
  struct Case {
    page::STrackInputRect* track;
    int kind;
  };
  page::STrackInputRect rect;
  page::STrackInputOval oval;
  page::STrackInputLine line;
  for (const Case& c : {Case{&rect, page::STLine::kDottedRect}, Case{&oval, page::STLine::kDottedEllipse},
                        Case{&line, page::STLine::kDottedLine}}) {
    c.track->Init(&doc, &view, {0, 0, 600, 400});
    ASSERT_EQ(c.track->OnButtonDown(0, 40, 50), 0);
    EXPECT_EQ(c.track->OnMouseMove(0, 80, 90), 1);
    EXPECT_EQ(c.track->OnMouseMove(0, 90, 95), 1);
    EXPECT_EQ(c.track->OnMouseMove(0, 100, 120), 1);
    const auto lines = c.track->GetLines();
    ASSERT_EQ(lines.size(), 2u) << "the band to erase and the new one";
    EXPECT_EQ(lines[0].kind, c.kind);
    EXPECT_EQ(lines[0].x2, 90);
    EXPECT_EQ(lines[1].x1, 40);
    EXPECT_EQ(lines[1].y1, 50);
    EXPECT_EQ(lines[1].x2, 100);
    EXPECT_EQ(lines[1].y2, 120);
  }
}

// ---- Shift and the grid ---------------------------------------------------------

TEST_F(TrackInputTest, ShiftMakesSquaresAndCirclesOfTheDistanceOverRootTwo) {
  struct Case {
    POINT mouse;
    POINT expected;  // from the anchor (100, 100)
  };
  // trunc(|(80, 40)| / sqrt 2) = 63; trunc(|(-60, 30)| / sqrt 2) = 47; a zero
  // component counts as negative.
  const Case cases[] = {{{180, 140}, {163, 163}}, {{40, 130}, {53, 147}}, {{100, 160}, {58, 142}}, {{100, 100}, {100, 100}}};
  for (const Case& c : cases) {
    const POINT end = ShiftBandEnd(page::STrackInputOval(), c.mouse);
    EXPECT_EQ(end.x, c.expected.x) << c.mouse.x << "," << c.mouse.y;
    EXPECT_EQ(end.y, c.expected.y) << c.mouse.x << "," << c.mouse.y;
  }
  page::STrackInputOval oval;
  ASSERT_EQ(Drag(oval, {{100, 100}, {180, 140}}, kShift), 1);
  const page::PropSCVal& P = Last().placement;
  EXPECT_DOUBLE_EQ(page::InnerSize(P).x, 63.0) << "a circle";
  EXPECT_DOUBLE_EQ(page::InnerSize(P).y, 63.0);
}

TEST_F(TrackInputTest, ShiftTurnsLinesToStepsOfFifteenDegreesKeepingTheLength) {
  struct Case {
    POINT mouse;
    POINT expected;  // from the anchor (100, 100)
  };
  const Case cases[] = {
      {{200, 110}, {200, 100}},  // 5.7 degrees: 0
      {{150, 180}, {147, 181}},  // 58 degrees: 60, length 94.3
      {{0, 99}, {0, 100}},       // -179.4 degrees: 180
      {{100, 100}, {100, 100}},  // no length: unchanged
      {{90, 30}, {81, 31}},      // -98.1 degrees: -105, length 70.7
  };
  for (const Case& c : cases) {
    const POINT end = ShiftBandEnd(page::STrackInputLine(), c.mouse);
    EXPECT_EQ(end.x, c.expected.x) << c.mouse.x << "," << c.mouse.y;
    EXPECT_EQ(end.y, c.expected.y) << c.mouse.x << "," << c.mouse.y;
  }
  page::STrackInputLine line;
  ASSERT_EQ(Drag(line, {{100, 100}, {150, 180}}, kShift), 1);
  // The line's box lies along the line (to (147, 181)), 5 pixels thick.
  const page::PropSCVal& P = Last().placement;
  EXPECT_NEAR(P.angle, std::atan2(81.0, 47.0), 1e-9);
  EXPECT_NEAR(page::InnerSize(P).x, std::hypot(47.0, 81.0), 1e-9);
  EXPECT_NEAR(page::InnerSize(P).y, 5.0, 1e-9);
  EXPECT_NEAR(P.x, 100 + 47 / 2.0 - kOriginX, 1e-9);
  EXPECT_NEAR(P.y, 100 + 81 / 2.0 - kOriginY, 1e-9);
}

TEST_F(TrackInputTest, DrawnPointsSnapToTheGridButFreeHandPointsDoNot) {
  doc.grid.snapToGrid = true;  // 20 / 4: steps of 5 page pixels
  page::STrackInputRect rect;
  ASSERT_EQ(Drag(rect, {{23, 36}, {61, 89}}), 1);
  const page::PropSCVal& P = Last().placement;
  // Page (13, 16) to (51, 69) snap to (15, 15) and (50, 70).
  EXPECT_DOUBLE_EQ(P.x, 32.5);
  EXPECT_DOUBLE_EQ(P.y, 42.5);
  EXPECT_DOUBLE_EQ(page::InnerSize(P).x, 35.0);
  EXPECT_DOUBLE_EQ(page::InnerSize(P).y, 55.0);

  page::STrackInputFree free;
  free.Init(&doc, &view, {0, 0, 600, 400});
  free.OnButtonDown(0, 23, 36);
  free.OnMouseMove(0, 31, 36);
  const std::vector<SPoint> expected = {{13, 16}, {21, 16}};
  EXPECT_EQ(std::vector<SPoint>(free.GetPoints().begin(), free.GetPoints().end()), expected);
}

// ---- collected points ---------------------------------------------------------------

TEST_F(TrackInputTest, FreeHandSkipsPointsCloserThanThreeAndAHalf) {
  page::STrackInputFree free;
  free.Init(&doc, &view, {0, 0, 600, 400});
  ASSERT_EQ(free.OnButtonDown(0, 100, 100), 0);
  struct Step {
    POINT mouse;
    int result;
  };
  // |dx| + |dy| from the last point taken: 2, 3, 4 (taken), 2, 7 (taken).
  const Step steps[] = {{{101, 101}, 0}, {{102, 101}, 0}, {{103, 101}, 1}, {{104, 102}, 0}, {{110, 102}, 1}};
  for (const Step& s : steps) {
    EXPECT_EQ(free.OnMouseMove(0, s.mouse.x, s.mouse.y), s.result) << s.mouse.x;
    // Each segment is drawn once: the list holds only the new one.
    EXPECT_EQ(free.GetLineCount(), s.result) << s.mouse.x;
  }
  const auto last = free.GetLines().back();
  EXPECT_EQ((std::vector<int>{last.x1, last.y1, last.x2, last.y2}), (std::vector<int>{103, 101, 110, 102}));
  const std::vector<SPoint> expected = {Page({100, 100}), Page({103, 101}), Page({110, 102})};
  EXPECT_EQ(std::vector<SPoint>(free.GetPoints().begin(), free.GetPoints().end()), expected);

  // The release point is not one of the shape's.
  ASSERT_EQ(free.OnButtonUp(0, 300, 300), 1);
  const page::PropSCVal& P = Last().placement;
  EXPECT_DOUBLE_EQ(page::InnerSize(P).x, 10.0);
  EXPECT_DOUBLE_EQ(page::InnerSize(P).y, 2.0);
}

TEST_F(TrackInputTest, FreeHandGeometryOfNoPointsIsNothingToMake) {
  pagetest::FatalThrows fatal;
  page::STrackInputFree free;
  free.Init(&doc, &view, {0, 0, 600, 400});
  free.OnButtonDown(0, 100, 100);
  SPoint corner1, corner2;
  double angle = 0;
  EXPECT_FALSE(free.GetInputGeometry({100, 100}, corner1, corner2, angle));
}

TEST_F(TrackInputTest, ClicksAndEnterMakeAShapeThroughTheClickedPoints) {
  const std::vector<POINT> clicks = {{60, 70}, {160, 90}, {120, 170}};
  for (const Tool& tool : kTools) {
    if (!tool.continuing) continue;
    SCOPED_TRACE(tool.name);
    auto track = tool.make();
    track->Init(&doc, &view, {0, 0, 600, 400});
    EXPECT_EQ(track->OnButtonDown(0, clicks[0].x, clicks[0].y), 0);
    EXPECT_EQ(track->OnButtonUp(0, clicks[0].x, clicks[0].y), 0);
    EXPECT_EQ(track->OnMouseMove(0, 150, 80), 1);
    EXPECT_EQ(track->GetLines().back().x1, clicks[0].x) << "the band starts at the last point";
    for (std::size_t i = 1; i < clicks.size(); ++i) {
      EXPECT_EQ(track->OnButtonDown(0, clicks[i].x, clicks[i].y), 1);
      ASSERT_EQ(track->GetLineCount(), 1);
      EXPECT_EQ(track->GetLines()[0].x2, clicks[i].x);
      EXPECT_EQ(track->OnButtonUp(0, clicks[i].x, clicks[i].y), 0);
    }
    EXPECT_EQ(doc.GetObjectCount(), 0) << "nothing before Enter";
    track->Finish();
    ASSERT_EQ(doc.GetObjectCount(), 1);
    const page::SObj& made = Last();
    const auto& shape = dynamic_cast<const page::SFigPoly&>(*made.fig);
    const page::PropSCVal& P = made.placement;
    const std::vector<SPoint> placed = shape.GetControlPoints({P.x, P.y}, page::InnerSize(P), P.angle);
    ASSERT_EQ(placed.size(), clicks.size());
    for (std::size_t i = 0; i < clicks.size(); ++i) {
      EXPECT_NEAR(placed[i].x, Page(clicks[i]).x, 1e-9) << i;
      EXPECT_NEAR(placed[i].y, Page(clicks[i]).y, 1e-9) << i;
    }
    doc.Commands().UndoGroup();
  }
}

TEST_F(TrackInputTest, ShiftClicksOfAPolylineGoInStepsOfFifteenDegrees) {
  page::STrackInputPoly poly;
  Clicks(poly, {{100, 100}, {200, 110}, {210, 200}}, kShift);
  ASSERT_EQ(doc.GetObjectCount(), 1);
  const auto& shape = dynamic_cast<const page::SFigPoly&>(*Last().fig);
  const page::PropSCVal& P = Last().placement;
  const std::vector<SPoint> placed = shape.GetControlPoints({P.x, P.y}, page::InnerSize(P), P.angle);
  // (200, 110) becomes (200, 100); from there (210, 200) at 84.3 degrees
  // becomes 90 degrees, length 100.5: (200, 200).
  const std::vector<SPoint> expected = {Page({100, 100}), Page({200, 100}), Page({200, 200})};
  ASSERT_EQ(placed.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(placed[i].x, expected[i].x, 1e-9) << i;
    EXPECT_NEAR(placed[i].y, expected[i].y, 1e-9) << i;
  }
}

// A polyline whose last adjustment fails after the shape was made.
class PolyWithFailingAdjustment : public page::STrackInputPoly {
 public:
  int MakeAfterInputCommand(int id) override {
    const int rc = STrackInputPoly::MakeAfterInputCommand(id);
    return rc < 0 ? rc : page::kResultNoMemory;
  }
};

TEST_F(TrackInputTest, AFailedEnterIsReportedAndLeavesNoHalfMadeShape) {
  pagetest::AddRect(doc, -1, 300, 200).SetSelected(true);
  const std::string before = pagetest::PageBytes(doc);
  std::vector<std::string> messages;
  const auto previous = platform::SetMessageHook([&](const std::string& text, const std::string&, unsigned) {
    messages.push_back(text);
    return platform::kIdOk;
  });
  PolyWithFailingAdjustment poly;
  Clicks(poly, {{60, 70}, {160, 90}});
  platform::SetMessageHook(previous);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], page::ErrorMessageOfCode(page::kResultNoMemory));
  EXPECT_EQ(pagetest::PageBytes(doc), before);
  EXPECT_EQ(doc.Commands().GetCount(), 0);
}

// ---- panel frames -----------------------------------------------------------------

TEST_F(TrackInputTest, AShapeDrawnInsideAPanelFrameGoesIntoIt) {
  const int frame = pagetest::AddFrame(doc, -1, 200, 150, 200, 200).id;
  const std::function<std::unique_ptr<page::STrack>()> tools[] = {
      Make<page::STrackInputRect>(), Make<page::STrackInputLine>(), Make<page::STrackInputFree>(),
      Make<page::STrackInputTrim>()};
  for (const auto& make : tools) {
    auto track = make();
    // Pressed inside the frame (page (170, 130)), released beyond it.
    ASSERT_EQ(Drag(*track, {{180, 150}, {200, 170}, {500, 380}}), 1);
    const auto& input = dynamic_cast<const page::STrackInputRect&>(*track);
    EXPECT_EQ(input.GetFrameId(), frame);
    EXPECT_EQ(Last().parentId, frame);
    EXPECT_EQ(pagetest::StructureProblems(doc), "");
    doc.Commands().UndoGroup();
  }
  // Pressed beside it.
  page::STrackInputRect rect;
  ASSERT_EQ(Drag(rect, {{20, 30}, {200, 170}}), 1);
  EXPECT_EQ(rect.GetFrameId(), -1);
  EXPECT_EQ(Last().parentId, -1);
}

TEST_F(TrackInputTest, CutOutFrameNeedsASelectionAndTakesTheSelectedShapes) {
  doc.grid.snapToGrid = true;
  const int frame = pagetest::AddFrame(doc, -1, 200, 150, 200, 200).id;
  const int shape = pagetest::AddRect(doc, -1, 60, 60, 40, 40).id;
  const std::string before = pagetest::PageBytes(doc);

  page::STrackInputTrimout cut;
  cut.Init(&doc, &view, {0, 0, 600, 400});
  EXPECT_EQ(cut.OnButtonDown(0, 180, 150), page::kResultCutNeedsSelection);
  EXPECT_EQ(pagetest::PageBytes(doc), before);

  doc.SetSelectedById(shape, true);
  page::STrackInputTrimout out;
  out.Init(&doc, &view, {0, 0, 600, 400});
  ASSERT_EQ(out.OnButtonDown(0, 183, 152), 0);
  EXPECT_EQ(out.GetFrameId(), -1) << "never into the panel frame under the press";
  ASSERT_EQ(out.OnButtonUp(0, 40, 40), 1);

  // A group holding the new frame (line and fill off), which holds the shape.
  const page::SObj& shapeObject = *doc.FindObjectById(shape);
  const page::SObj* cutFrame = doc.FindObjectById(shapeObject.parentId);
  ASSERT_NE(cutFrame, nullptr);
  EXPECT_NE(cutFrame->id, frame);
  EXPECT_TRUE(cutFrame->flags & page::kObjFrame);
  EXPECT_TRUE(cutFrame->props2D.LineOff());
  EXPECT_TRUE(cutFrame->props2D.FillOff());
  const page::SObj* group = doc.FindObjectById(cutFrame->parentId);
  ASSERT_NE(group, nullptr);
  EXPECT_TRUE(group->flags & page::kObjGroup);
  EXPECT_EQ(group->parentId, -1);
  EXPECT_EQ(doc.FindObjectById(frame)->parentId, -1);
  // The press was not snapped: page (173, 132) to (30, 20) snapped.
  EXPECT_DOUBLE_EQ(page::InnerSize(cutFrame->placement).x, 143.0);
  EXPECT_DOUBLE_EQ(page::InnerSize(cutFrame->placement).y, 112.0);
  EXPECT_EQ(pagetest::StructureProblems(doc), "");

  ASSERT_EQ(doc.Commands().UndoGroup(), 0);
  EXPECT_FALSE(doc.Commands().CanUndo());
  doc.SetSelectedById(shape, false);
  EXPECT_EQ(pagetest::PageBytes(doc), before);
}

}  // namespace
