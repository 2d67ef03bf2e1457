#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SFig3D.h"
#include "page/SObj.h"

namespace {

using page::SCtlp;
using page::SObj;
using page::SPoint;
constexpr double kPi = std::numbers::pi;

// A shape that records editing switches and offers a pose-only handle 9
// and a segment handle pair 10-11 (kind 5 draws a segment to the next).
class ProbeFig : public page::SFig {
 public:
  std::vector<bool> editSwitches;
  std::span<SCtlp> GetHandles(const page::PropSCVal& P, const page::Prop2DVal& V, bool editing) override {
    page::SFig::GetHandles(P, V, editing);
    handles.assign(handles_.begin(), handles_.end());
    handles.push_back(SCtlp{true, true, P.x + 1, P.y + 1, 0});
    handles.push_back(SCtlp{true, false, P.x - 30, P.y + 30, 5});
    handles.push_back(SCtlp{false, false, P.x - 10, P.y + 30, 5});
    return handles;
  }
  void SetEditPointsMode(bool on) override { editSwitches.push_back(on); }
  std::vector<SCtlp> handles;
};

std::unique_ptr<SObj> MakeObject(std::unique_ptr<page::SFig> fig, double x, double y, double w, double h,
                                 double angle = 0) {
  auto object = std::make_unique<SObj>();
  object->SetFig(std::move(fig), true);
  object->placement.x = x, object->placement.y = y;
  object->placement.width = w, object->placement.height = h;
  object->placement.angle = angle;
  return object;
}

void ExpectAt(const SCtlp& h, SPoint at, const std::string& what) {
  EXPECT_NEAR(h.x, at.x, 1e-9) << what;
  EXPECT_NEAR(h.y, at.y, 1e-9) << what;
}

// ---- handles -----------------------------------------------------------------

TEST(SObjHandles, StandardHandlesSitOnTheTurnedBox) {
  struct Case {
    double angle, zoom;
    SPoint expected[9];  // 0-3 corners, 4-7 edge middles, 8 rotation
  };
  // A 40 × 20 box centred on (100, 50).
  const std::vector<Case> cases = {
      {0, 1, {{80, 40}, {120, 40}, {80, 60}, {120, 60}, {80, 50}, {100, 40}, {120, 50}, {100, 60}, {110, 75}}},
      // Turned a quarter (clockwise on the screen); the rotation handle's
      // distance shrinks with the zoom.
      {kPi / 2, 2, {{110, 30}, {110, 70}, {90, 30}, {90, 70}, {100, 30}, {110, 50}, {100, 70}, {90, 50}, {82.5, 60}}},
      {kPi, 1, {{120, 60}, {80, 60}, {120, 40}, {80, 40}, {120, 50}, {100, 60}, {80, 50}, {100, 40}, {90, 25}}},
  };
  for (const Case& c : cases) {
    auto object = MakeObject(std::make_unique<page::SFigRect>(), 100, 50, 40, 20, c.angle);
    const std::span<SCtlp> handles = object->GetHandles(c.zoom);
    ASSERT_EQ(handles.size(), 9u);
    for (int i = 0; i < 9; ++i) {
      ExpectAt(handles[i], c.expected[i], "angle " + std::to_string(c.angle) + " handle " + std::to_string(i));
      EXPECT_TRUE(handles[i].visible);
    }
  }
}

TEST(SObjHandles, AFlatBoxStillGetsAFiniteRotationHandle) {
  auto object = MakeObject(std::make_unique<page::SFigRect>(), 0, 0, 40, 0);
  const SCtlp rotation = object->GetHandles(1)[page::kRotationHandle];
  EXPECT_TRUE(std::isfinite(rotation.x) && std::isfinite(rotation.y));
  EXPECT_NEAR(rotation.x, 10, 1e-9);
}

TEST(SObjHandles, AnchorsAreTheOppositeHandlesAndTheCentre) {
  auto object = MakeObject(std::make_unique<page::SFigRect>(), 100, 50, 40, 20, kPi / 2);
  struct Case {
    int handle;
    SPoint anchor;
    int axis;
  };
  const std::vector<Case> cases = {
      {0, {90, 70}, 0}, {1, {90, 30}, 0}, {3, {110, 30}, 0}, {4, {100, 70}, 1},
      {6, {100, 30}, 1}, {5, {90, 50}, 2}, {7, {110, 50}, 2}, {8, {100, 50}, 0},
  };
  for (const Case& c : cases) {
    const page::SHandleAnchor anchor = object->GetHandleAnchor(c.handle, 1);
    EXPECT_NEAR(anchor.point.x, c.anchor.x, 1e-9) << c.handle;
    EXPECT_NEAR(anchor.point.y, c.anchor.y, 1e-9) << c.handle;
    EXPECT_EQ(anchor.axis, c.axis) << c.handle;
  }
}

TEST(SObjHandles, LineEndsAreSpecialHandlesAnchoredAtTheOtherEnd) {
  auto line = MakeObject(std::make_unique<page::SFigLine>(), 50, 50, 60 + 6, 10, kPi / 2);
  line->placement.margin = 6;
  const std::span<SCtlp> handles = line->GetHandles(1);
  ASSERT_EQ(handles.size(), 11u);
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(handles[i].visible) << i;
  EXPECT_TRUE(handles[8].visible && handles[9].visible && handles[10].visible);
  ExpectAt(handles[9], {50, 20}, "start");
  ExpectAt(handles[10], {50, 80}, "end");
  EXPECT_NEAR(line->GetHandleAnchor(9, 1).point.y, 80, 1e-9);
  EXPECT_NEAR(line->GetHandleAnchor(10, 1).point.y, 20, 1e-9);
}

TEST(SObjHandles, AnchorOfAnObjectWithoutStandardHandlesIsABrokenInvariant) {
  class FewHandles : public page::SFig {
    std::span<SCtlp> GetHandles(const page::PropSCVal&, const page::Prop2DVal&, bool) override {
      return std::span<SCtlp>(handles_).first(2);
    }
  };
  pagetest::FatalThrows fatalThrows;
  auto object = MakeObject(std::make_unique<FewHandles>(), 0, 0, 10, 10);
  EXPECT_THROW(object->GetHandleAnchor(0, 1), pagetest::FatalThrows::Fatal);
}

// ---- hit tests -----------------------------------------------------------------

TEST(SObjHit, SelectedObjectsAreHitOnHandlesAndJustOutsideTheirBox) {
  auto object = MakeObject(std::make_unique<page::SFigRect>(), 100, 50, 40, 20);
  object->SetSelected(true);
  struct Case {
    SPoint point;
    double zoom;
    bool hit;
    int handle;
  };
  const std::vector<Case> cases = {
      {{82, 41}, 1, true, 0},     // near the top-left corner
      {{110, 76}, 1, true, 8},    // the rotation handle
      {{90, 38}, 1, true, -1},    // 2 px above the top edge: the outline
      {{90, 36.5}, 1, false, -1}, // 3.5 px above
      {{90, 38.6}, 2, true, -1},  // 1.4 screen px at zoom 2
      {{90, 38}, 2, false, -1},   // 4 screen px at zoom 2
      {{95, 50}, 1, true, -1},    // inside
  };
  for (const Case& c : cases) {
    const page::SObjHit hit = object->HitTest(c.point, c.zoom, nullptr, 0);
    EXPECT_EQ(hit.hit, c.hit) << c.point.x << "," << c.point.y << " zoom " << c.zoom;
    EXPECT_EQ(hit.handle, c.handle) << c.point.x << "," << c.point.y << " zoom " << c.zoom;
  }
  object->SetSelected(false);
  EXPECT_FALSE(object->HitTest({90, 38}, 1, nullptr, 0).hit) << "only selected objects have the outline band";
}

TEST(SObjHit, PoseHandlesCountOnlyForPoseToolsAndSegmentsHitAlongTheirLength) {
  auto object = MakeObject(std::make_unique<ProbeFig>(), 100, 50, 40, 20);
  object->SetSelected(true);
  EXPECT_EQ(object->HitTest({101, 51}, 1, nullptr, 0).handle, -1);
  EXPECT_EQ(object->HitTest({101, 51}, 1, nullptr, 13).handle, 9);
  EXPECT_EQ(object->HitTest({101, 51}, 1, nullptr, 14).handle, 9);
  // Handle 10 is a segment to the hidden handle 11.
  EXPECT_EQ(object->HitTest({80, 83}, 1, nullptr, 0).handle, 10);
  EXPECT_FALSE(object->HitTest({80, 86}, 1, nullptr, 0).hit);
}

TEST(SObjHit, GroupsAndUnhittableObjectsAreNeverHit) {
  auto object = MakeObject(std::make_unique<page::SFigRect>(), 0, 0, 10, 10);
  for (const std::uint32_t flag : {page::kObjGroup, page::kObjNoHit}) {
    object->flags = flag | page::kObjSelected;
    EXPECT_FALSE(object->HitTest({0, 0}, 1, nullptr, 0).hit) << flag;
    EXPECT_FALSE(object->IsInsideRect({-100, -100}, {100, 100})) << flag;
  }
}

TEST(SObjHit, PanelFrameMembersAreHitOnlyWhereTheMaskIsSet) {
  page::STrim clip;
  clip.isFrame = true;
  ASSERT_TRUE(clip.mask.Create(20, 10, 8));
  for (int y = 0; y < 10; ++y)
    for (int x = 10; x < 20; ++x) clip.mask.SetIndex(x, y, 255);  // right half only
  clip.maskOriginX = 90, clip.maskOriginY = 45;                    // page (90..110, 45..55) at zoom 1
  auto member = MakeObject(std::make_unique<page::SFigRect>(), 100, 50, 40, 20);
  EXPECT_TRUE(member->HitTest({105, 50}, 1, &clip, 0).hit);
  EXPECT_FALSE(member->HitTest({95, 50}, 1, &clip, 0).hit);
  EXPECT_FALSE(member->HitTest({115, 50}, 1, &clip, 0).hit) << "outside the mask image";
  EXPECT_TRUE(member->HitTest({95, 50}, 1, nullptr, 0).hit);
}

TEST(SObj, InsideRectNeedsAllFourTurnedCorners) {
  auto object = MakeObject(std::make_unique<page::SFigRect>(), 0, 0, 20, 20, kPi / 4);
  EXPECT_FALSE(object->IsInsideRect({-10, -10}, {10, 10}));
  EXPECT_TRUE(object->IsInsideRect({-14.15, -14.15}, {14.15, 14.15}));
}

// ---- state -----------------------------------------------------------------------

TEST(SObj, DeselectingEndsPointEditing) {
  auto probe = std::make_unique<ProbeFig>();
  ProbeFig* fig = probe.get();
  auto object = MakeObject(std::move(probe), 0, 0, 10, 10);
  object->flags = page::kObjSelected | page::kObjEditing;
  object->SetSelected(false);
  EXPECT_EQ(object->flags, 0u);
  EXPECT_EQ(fig->editSwitches, std::vector<bool>{false});
  object->SetSelected(false);
  EXPECT_EQ(fig->editSwitches.size(), 1u);
}

TEST(SObj, IsKindTreatsTheVectorShapesAsTwoD) {
  struct Case {
    std::unique_ptr<page::SFig> fig;
    bool is2D;
  };
  std::vector<Case> cases;
  cases.push_back({std::make_unique<page::SFigRect>(), true});
  cases.push_back({std::make_unique<page::SFigOval>(), true});
  cases.push_back({std::make_unique<page::SFigLine>(), true});
  cases.push_back({std::make_unique<page::SFigPoly>(), true});
  cases.push_back({std::make_unique<page::SFig2D>(), true});
  cases.push_back({std::make_unique<page::SFig>(), false});
  for (Case& c : cases) {
    const int type = c.fig->GetTypeId();
    auto object = MakeObject(std::move(c.fig), 0, 0, 1, 1);
    EXPECT_EQ(object->IsKind(page::kFig2D), c.is2D) << type;
    EXPECT_TRUE(object->IsKind(type));
  }
}

TEST(SObj, FlagsAndFrameStateFollowEachOther) {
  SObj object;
  object.SetFlagsAll(page::kObjFrame | page::kObjContainer);
  EXPECT_TRUE(object.IsFrame());
  object.frame.isFrame = false;
  EXPECT_EQ(object.GetFlagsSynced(), page::kObjContainer);
}

TEST(SObjHandles, AKeptFigureScalesOnlyInProportionAndHasNoPoints) {
  auto kept = std::make_unique<page::SFig3D>();
  kept->KeepAsStored(std::string(4, '\0'), "scene");
  auto object = MakeObject(std::move(kept), 50, 50, 40, 20);
  object->props2D.pathFlags = page::Prop2DVal::kPathEditable;
  const std::span<SCtlp> handles = object->GetHandles(1);
  ASSERT_EQ(handles.size(), 9u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(handles[i].visible, i < 4 || i == 8) << "handle " << i;
  EXPECT_FALSE(object->CanStretch());
  EXPECT_FALSE(object->CanEditPoints());
  EXPECT_FALSE(object->CanConvertToPicture());
}

// ---- margins ---------------------------------------------------------------------

TEST(SObjMargin, WiderLinesGrowTheBoxAndKeepTheDrawnShape) {
  struct Case {
    const char* name;
    std::unique_ptr<page::SFig> fig;
    int arrow;
    double growth;
  };
  std::vector<Case> cases;
  cases.push_back({"rectangle", std::make_unique<page::SFigRect>(), 1, 4});
  cases.push_back({"oval", std::make_unique<page::SFigOval>(), 1, 4});
  cases.push_back({"line", std::make_unique<page::SFigLine>(), 1, 4});
  cases.push_back({"arrow line", std::make_unique<page::SFigLine>(), 2, 12});
  cases.push_back({"polygon", std::make_unique<page::SFigPoly>(), 1, 12});
  for (Case& c : cases) {
    auto object = MakeObject(std::move(c.fig), 0, 0, 100, 50);
    page::Prop2DVal v;
    v.lineWidth = 1;
    v.arrow = c.arrow;
    object->ApplyProp2D(v, false);
    const double width = object->placement.width;
    const double height = object->placement.height;
    const double drawnWidth = width - object->placement.margin;
    v.lineWidth = 5;
    object->ApplyProp2D(v, false);
    EXPECT_EQ(object->placement.width - width, c.growth) << c.name;
    EXPECT_EQ(object->placement.height - height, c.growth) << c.name;
    EXPECT_EQ(object->placement.width - object->placement.margin, drawnWidth) << c.name;
  }
}

TEST(SObjMargin, ShadowAndBlurMakeRoomButOutlineMarkersDoNot) {
  page::SFigRect rect;
  page::Prop2DVal v;  // automatic width: 3
  EXPECT_EQ(rect.GetDrawMargin(v), 3);
  v.wholeBlur = 2;
  v.effectBlur = 4;
  EXPECT_EQ(rect.GetDrawMargin(v), 3 + 12) << "effect off: blur and shadow width count";
  v.effectColorMode = 0;
  v.effectX = -7;
  v.effectY = 5;
  EXPECT_EQ(rect.GetDrawMargin(v), 3 + 12 + 14);
  v.effectBlur = -1;  // an outline
  EXPECT_EQ(rect.GetDrawMargin(v), 3 + 4 + 14);
}

}  // namespace
