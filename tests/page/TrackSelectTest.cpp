// The select tool's click and drag, the rubber bands of selection and of the
// output frame, and the hand, driven by synthetic mouse events.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "PageTestSupport.h"
#include "TrackTestSupport.h"
#include "page/SComPlace.h"
#include "page/SComs.h"
#include "page/SFigRect.h"
#include "page/STrackSelect.h"
#include "page/StringTable.h"

// A name of its own: test files are compiled together in batches.
namespace track_select_test {

using page::kTrackCtrl;
using page::kTrackShift;
using page::SObj;
using platform::POINT;
using pagetest::AddRect;
using pagetest::PageBytes;
using pagetest::SelectedIds;

POINT Offset(POINT p, int dx, int dy) { return {p.x + dx, p.y + dy}; }

// ---- the grid -------------------------------------------------------------------

class GridSnapTest : public pagetest::TrackTest {};

TEST_F(GridSnapTest, PointsGoToTheNearestSnapStepOnBothSidesOfZero) {
  struct Case {
    bool snap;
    int spacing, divisions;
    page::SPoint in, out;
  };
  const std::vector<Case> cases = {
      {true, 20, 4, {7, 8}, {5, 10}},       {true, 20, 4, {2.4, 2.5}, {0, 5}},
      {true, 20, 4, {-7, -8}, {-5, -10}},   {true, 20, 4, {-2, -2.6}, {0, -5}},
      {true, 30, 4, {13.9, 14}, {14, 14}},  {true, 20, 0, {9, -11}, {0, -20}},
      {false, 20, 4, {7.3, -8.1}, {7.3, -8.1}},
  };
  page::STrack tracker;
  ASSERT_EQ(tracker.Init(&doc, &view, {0, 0, 400, 400}), 0);
  for (const Case& k : cases) {
    SnapGrid(k.snap, k.spacing, k.divisions);
    page::SPoint p = k.in;
    EXPECT_EQ(tracker.SnapToGrid(p), k.snap);
    EXPECT_EQ(p, k.out) << k.in.x << ", " << k.in.y << " spacing " << k.spacing << "/" << k.divisions;
  }
  // A window point goes through the page and back.
  SnapGrid(true);
  POINT w = Win(13, 18);
  EXPECT_TRUE(tracker.SnapPoint(w));
  EXPECT_EQ(w, Win(15, 20));
}

// ---- clicking and dragging ------------------------------------------------------

class ClickDragTest : public pagetest::TrackTest {
 protected:
  ClickDragTest()
      : a(AddRect(doc, -1, 60, 60, 40, 30)), b(AddRect(doc, -1, 160, 60, 40, 30)), c(AddRect(doc, -1, 60, 160, 40, 30)) {}

  pagetest::GestureResults Drag(SObj& object, unsigned flags, std::vector<POINT> steps) {
    const POINT press = Win(object.placement.x, object.placement.y);
    std::vector<POINT> path = {press};
    for (const POINT& s : steps) path.push_back(Offset(press, s.x, s.y));
    page::STrackClickDrag tracker;
    return Run(tracker, flags, path);
  }

  SObj& a;
  SObj& b;
  SObj& c;
};

TEST_F(ClickDragTest, LessThanFivePixelsOfTravelIsAClickThatSelectsWithoutMoving) {
  struct Case {
    unsigned flags;
    POINT travel;
    std::vector<int> selected;  // with b selected before the click on a
    const char* what;
  };
  const std::vector<Case> cases = {
      {0, {0, 0}, {a.id}, "a plain click selects only the object"},
      {0, {4, 0}, {a.id}, "four pixels across is still a click"},
      {0, {2, -2}, {a.id}, "two and two is still a click"},
      {kTrackShift, {0, 3}, {a.id, b.id}, "Shift adds"},
      {kTrackCtrl, {-1, 3}, {a.id, b.id}, "Ctrl adds"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    pagetest::SelectExactly(doc, {b.id});
    const page::PropSCVal before = a.placement;
    const pagetest::GestureResults r = Drag(a, k.flags, {k.travel, k.travel});
    EXPECT_EQ(r.moves, (std::vector<int>{0, 0})) << "travel under 5 pixels redraws nothing";
    EXPECT_EQ(r.up, 1);
    EXPECT_EQ(SelectedIds(doc), k.selected);
    EXPECT_EQ(a.placement.x, before.x);
    EXPECT_EQ(a.placement.y, before.y);
    EXPECT_EQ(r.cursors.front(), platform::kCursorSizeAll);
  }
  EXPECT_TRUE(doc.Commands().HasOpenGroup()) << "a click selection joins the next undo step";
}

TEST_F(ClickDragTest, ADragMovesTheWholeSelectionAsOneUndoStep) {
  pagetest::SelectExactly(doc, {a.id, b.id});
  const std::string before = PageBytes(doc);
  const pagetest::GestureResults r = Drag(a, 0, {{3, 1}, {10, 4}, {25, 12}, {31, 17}});
  EXPECT_EQ(r.moves, (std::vector<int>{0, 1, 1, 1}));
  EXPECT_EQ(r.up, 0);
  EXPECT_DOUBLE_EQ(a.placement.x, 91);
  EXPECT_DOUBLE_EQ(a.placement.y, 77);
  EXPECT_DOUBLE_EQ(b.placement.x, 191) << "the other selected object moves along";
  EXPECT_DOUBLE_EQ(c.placement.x, 60);
  EXPECT_NE(dynamic_cast<page::SComMoveObj*>(doc.LastGroupCommand()), nullptr);
  EXPECT_FALSE(doc.Commands().HasOpenGroup());

  const std::string after = PageBytes(doc);
  ASSERT_GE(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(PageBytes(doc), before) << "one undo puts everything back exactly";
  ASSERT_GE(doc.Commands().RedoGroup(), 0);
  EXPECT_EQ(PageBytes(doc), after);
}

TEST_F(ClickDragTest, DraggingAnUnselectedObjectMovesOnlyIt) {
  pagetest::SelectExactly(doc, {b.id});
  Drag(a, 0, {{10, 0}});
  EXPECT_EQ(SelectedIds(doc), std::vector<int>{a.id});
  EXPECT_DOUBLE_EQ(a.placement.x, 70);
  EXPECT_DOUBLE_EQ(b.placement.x, 160);
}

TEST_F(ClickDragTest, ACtrlDragMovesCopiesAndLeavesTheOriginalsInPlace) {
  pagetest::SelectExactly(doc, {a.id, b.id});
  const std::string before = PageBytes(doc);
  Drag(a, kTrackCtrl, {{20, 30}});
  ASSERT_EQ(doc.GetObjectCount(), 5);
  EXPECT_DOUBLE_EQ(a.placement.x, 60);
  EXPECT_DOUBLE_EQ(b.placement.x, 160);
  EXPECT_FALSE(a.IsSelected());
  const SObj& copyA = *doc.GetObject(3);
  const SObj& copyB = *doc.GetObject(4);
  EXPECT_TRUE(copyA.IsSelected() && copyB.IsSelected());
  EXPECT_DOUBLE_EQ(copyA.placement.x, 80);
  EXPECT_DOUBLE_EQ(copyA.placement.y, 90);
  EXPECT_DOUBLE_EQ(copyB.placement.x, 180);
  ASSERT_GE(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(PageBytes(doc), before) << "the copies go with the same undo step";
}

// A shape that cannot be copied, so duplicating it fails.
class UncopyableRect : public page::SFigRect {
 public:
  std::unique_ptr<page::SFig> Clone() const override { return nullptr; }
};

TEST_F(ClickDragTest, AFailedCtrlDragLeavesNothingOnceTheViewRollsBack) {
  page::PropSCVal P;
  P.x = 200, P.y = 200, P.width = 40, P.height = 30;
  SObj& odd = pagetest::AddShape(doc, std::make_unique<UncopyableRect>(), -1, P);
  pagetest::SelectExactly(doc, {a.id});
  const std::string before = PageBytes(doc);
  const POINT press = Win(200, 200);
  page::STrackClickDrag tracker;
  ASSERT_EQ(tracker.Init(&doc, &view, {0, 0, 400, 400}), 0);
  EXPECT_EQ(tracker.OnButtonDown(kTrackCtrl, press.x, press.y), 0);
  EXPECT_LT(tracker.OnMouseMove(kTrackCtrl, press.x + 20, press.y + 10), 0);
  EXPECT_DOUBLE_EQ(odd.placement.x, 200) << "nothing moves after the failure";
  doc.RollbackOpenGroup();
  EXPECT_EQ(PageBytes(doc), before);
}

TEST_F(ClickDragTest, AShiftDragMovesAlongTheLongerAxisOnly) {
  struct Case {
    POINT travel;
    double dx, dy;
  };
  const std::vector<Case> cases = {{{30, 10}, 30, 0}, {{5, -25}, 0, -25}, {{-12, 11}, -12, 0}};
  for (const Case& k : cases) {
    const double x = a.placement.x, y = a.placement.y;
    Drag(a, kTrackShift, {{k.travel.x / 2, k.travel.y / 2}, k.travel});
    EXPECT_DOUBLE_EQ(a.placement.x - x, k.dx) << k.travel.x << "," << k.travel.y;
    EXPECT_DOUBLE_EQ(a.placement.y - y, k.dy) << k.travel.x << "," << k.travel.y;
  }
}

TEST_F(ClickDragTest, TheHandleNearestThePressLandsOnTheGridWhenSnapping) {
  // Boxes whose handles lie off the 5-pixel grid, pressed a few pixels
  // inside from a handle. Near the bottom edge of the wide box, the
  // rotation handle below it is nearer than any corner, yet it lies off the
  // object and never counts.
  SObj& box = AddRect(doc, -1, 151.5, 152.25, 41, 33);
  SObj& wide = AddRect(doc, -1, 101.5, 230.25, 202, 40);
  struct Case {
    SObj* object;
    bool snap;
    int handle;
    POINT inward;
    POINT travel;
  };
  const std::vector<Case> cases = {
      {&box, true, 3, {-3, -3}, {13, 7}},
      {&box, true, 3, {-3, -3}, {-22, 31}},
      {&box, true, 0, {3, 3}, {9, -8}},
      {&box, false, 0, {3, 3}, {9, -8}},
      {&wide, true, 7, {40, -2}, {-6, -12}},
  };
  for (const Case& k : cases) {
    SnapGrid(k.snap);
    SObj& object = *k.object;
    const auto handles = object.GetHandles(1.0);
    const page::SPoint from(handles[k.handle].x, handles[k.handle].y);
    const POINT press = Offset(HandleWin(object, k.handle), k.inward.x, k.inward.y);
    page::STrackClickDrag tracker;
    Run(tracker, 0, {press, Offset(press, k.travel.x, k.travel.y)});
    const page::SPoint to(object.GetHandles(1.0)[k.handle].x, object.GetHandles(1.0)[k.handle].y);
    if (k.snap) {
      EXPECT_NEAR(std::remainder(to.x, 5.0), 0.0, 1e-9) << to.x;
      EXPECT_NEAR(std::remainder(to.y, 5.0), 0.0, 1e-9) << to.y;
      EXPECT_LE(std::fabs(to.x - from.x - k.travel.x), 2.5);
      EXPECT_LE(std::fabs(to.y - from.y - k.travel.y), 2.5);
    } else {
      EXPECT_DOUBLE_EQ(to.x - from.x, k.travel.x) << "without snapping the mouse is followed exactly";
      EXPECT_DOUBLE_EQ(to.y - from.y, k.travel.y);
    }
  }
}

TEST_F(ClickDragTest, AtTwiceTheZoomTheObjectMovesHalfTheWindowDistance) {
  view.zoom = 200;
  Drag(a, 0, {{20, -10}});
  EXPECT_DOUBLE_EQ(a.placement.x, 70);
  EXPECT_DOUBLE_EQ(a.placement.y, 55);
}

TEST_F(ClickDragTest, APressOnEmptyPaperStaysInert) {
  const std::string before = PageBytes(doc);
  page::STrackClickDrag tracker;
  const pagetest::GestureResults r = Run(tracker, kTrackCtrl, {Win(250, 250), Win(280, 280), Win(290, 290)});
  EXPECT_EQ(r.moves, (std::vector<int>{0, 0}));
  EXPECT_EQ(r.up, 0);
  EXPECT_EQ(PageBytes(doc), before);
  EXPECT_EQ(doc.Commands().GetCount(), 0);
}

// ---- rubber bands -----------------------------------------------------------------

TEST_F(ClickDragTest, TheBandKeepsThePreviousRectangleToEraseAndAddsTheNewOne) {
  page::STrackRectSelect tracker;
  ASSERT_EQ(tracker.Init(&doc, &view, {0, 0, 400, 400}), 0);
  tracker.OnButtonDown(0, 10, 12);
  std::vector<std::vector<int>> seen;
  for (const POINT p : {POINT{20, 30}, POINT{40, 50}, POINT{70, 60}}) {
    EXPECT_EQ(tracker.OnMouseMove(0, p.x, p.y), 1);
    std::vector<int> flat;
    for (const page::STLine& l : tracker.GetLines()) flat.insert(flat.end(), {l.kind, l.x1, l.y1, l.x2, l.y2});
    seen.push_back(flat);
  }
  EXPECT_EQ(seen[0], (std::vector<int>{1, 10, 12, 20, 30}));
  EXPECT_EQ(seen[1], (std::vector<int>{1, 10, 12, 20, 30, 1, 10, 12, 40, 50}));
  EXPECT_EQ(seen[2], (std::vector<int>{1, 10, 12, 40, 50, 1, 10, 12, 70, 60}));
  EXPECT_EQ(tracker.OnButtonUp(0, 70, 60), 1);
  EXPECT_EQ(tracker.GetLineCount(), 0) << "the release redraws the page";
}

TEST_F(ClickDragTest, TheBandSelectsWhatLiesInsideOrAddsWithShiftOrCtrl) {
  struct Case {
    unsigned flags;
    std::vector<int> selected;  // c selected before, a band around a and b
  };
  const std::vector<Case> cases = {{0, {a.id, b.id}}, {kTrackShift, {a.id, b.id, c.id}}, {kTrackCtrl, {a.id, b.id, c.id}}};
  for (const Case& k : cases) {
    pagetest::SelectExactly(doc, {c.id});
    page::STrackRectSelect tracker;
    const pagetest::GestureResults r = Run(tracker, k.flags, {Win(20, 20), Win(100, 60), Win(200, 100)});
    EXPECT_EQ(r.up, 1);
    EXPECT_EQ(SelectedIds(doc), k.selected) << k.flags;
    EXPECT_EQ(r.cursors.front(), platform::kCursorArrow);
  }
  EXPECT_TRUE(doc.Commands().HasOpenGroup()) << "a band selection joins the next undo step";
}

// ---- the output frame -------------------------------------------------------------

TEST_F(ClickDragTest, TheOutputFrameBecomesThePageAndOnlyATinyOneIsAskedAbout) {
  struct Case {
    int w, h;
    int answer;
    bool asked, cropped;
  };
  const std::vector<Case> cases = {
      {15, 30, platform::kIdCancel, false, true},
      {15, 18, platform::kIdCancel, true, false},
      {15, 18, platform::kIdOk, true, true},
      {200, 120, platform::kIdCancel, false, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.w) + " x " + std::to_string(k.h));
    page::SDoc page(20);
    page.SetPageSize(300, 300);
    SObj& box = AddRect(page, -1, 60, 60, 40, 30);
    const std::string before = PageBytes(page);
    pagetest::RecordedMessages messages(k.answer);
    page::STrackEDitRect tracker;
    // Dragged from the bottom-right to the top-left corner.
    const pagetest::GestureResults r =
        pagetest::RunGesture(tracker, page, view, 0, {Win(50 + k.w, 40 + k.h), Win(50, 40)});
    EXPECT_EQ(r.up, 1);
    EXPECT_EQ(r.cursors.front(), 2020);
    ASSERT_EQ(messages.shown.size(), k.asked ? 1u : 0u);
    if (k.asked) {
      EXPECT_EQ(messages.shown[0].text, page::PnLoadString(260));
      EXPECT_EQ(messages.shown[0].flags & platform::kMbButtonMask, platform::kMbOkCancel);
    }
    if (!k.cropped) {
      EXPECT_EQ(PageBytes(page), before);
      continue;
    }
    EXPECT_EQ(page.GetPageWidth(), k.w);
    EXPECT_EQ(page.GetPageHeight(), k.h);
    EXPECT_DOUBLE_EQ(box.placement.x, 10) << "objects keep their place on the cropped part";
    EXPECT_DOUBLE_EQ(box.placement.y, 20);
    ASSERT_GE(page.Commands().UndoGroup(), 0);
    EXPECT_EQ(PageBytes(page), before) << "one undo step";
  }
}

TEST(TrackStrings, TheTinyOutputFrameQuestionIsInTheTable) {
  EXPECT_NE(page::PnLoadString(260).find("20x20"), std::string::npos);
}

// ---- the hand ---------------------------------------------------------------------

class RecordingScroller : public page::STrackScroller {
 public:
  POINT position{100, 50};
  std::vector<POINT> calls;
  POINT GetScrollPosition() const override { return position; }
  void ScrollTo(POINT p) override {
    calls.push_back(p);
    position = p;
  }
};

TEST(TrackHand, EachMoveScrollsByTheLastPointLessTheNewOne) {
  page::SDoc doc;
  page::SView view;
  RecordingScroller scroller;
  page::STrackHand tracker(scroller);
  const pagetest::GestureResults r =
      pagetest::RunGesture(tracker, doc, view, 0, {{50, 50}, {45, 52}, {45, 52}, {60, 40}});
  EXPECT_EQ(r.moves, (std::vector<int>{1, 0, 1}));
  ASSERT_EQ(scroller.calls.size(), 2u);
  EXPECT_EQ(scroller.calls[0].x, 105);
  EXPECT_EQ(scroller.calls[0].y, 48);
  EXPECT_EQ(scroller.calls[1].x, 90);
  EXPECT_EQ(scroller.calls[1].y, 60);
  EXPECT_EQ(r.cursors.front(), 374);
}

}  // namespace track_select_test
