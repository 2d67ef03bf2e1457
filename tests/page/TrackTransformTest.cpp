// Handle drags of the select tool: resizing, turning and special handles,
// driven by synthetic mouse events.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "PageTestSupport.h"
#include "TrackTestSupport.h"
#include "page/SComs.h"
#include "page/SFigLine.h"
#include "page/STrackSelect.h"

// A name of its own: test files are compiled together in batches.
namespace track_transform_test {

using page::kTrackShift;
using page::SObj;
using page::SPoint;
using platform::POINT;
using pagetest::PageBytes;

POINT Offset(POINT p, int dx, int dy) { return {p.x + dx, p.y + dy}; }

bool OnFiveGrid(double v) { return std::fabs(std::remainder(v, 5.0)) < 1e-9; }

class HandleDragTest : public pagetest::TrackTest {
 protected:
  HandleDragTest() : box(pagetest::AddRect(doc, -1, 60, 60, 40, 30)) { pagetest::SelectExactly(doc, {box.id}); }

  SPoint HandleAt(SObj& object, int handle) {
    const auto handles = object.GetHandles(view.zoom / 100.0);
    return {handles[handle].x, handles[handle].y};
  }

  SObj& box;
};

TEST_F(HandleDragTest, AResizeDrawsInTheResizingModeAndLeavesOneUndoStep) {
  const std::string before = PageBytes(doc);
  const SPoint corner = HandleAt(box, 3);
  const SPoint fixed = HandleAt(box, 0);
  const POINT press = HandleWin(box, 3);
  page::STrackMagnify tracker;
  const pagetest::GestureResults r = Run(tracker, 0, {press, Offset(press, 5, 5), Offset(press, 20, 10)});
  EXPECT_EQ(r.moves, (std::vector<int>{2, 2}));
  EXPECT_EQ(r.up, 1);
  EXPECT_EQ(r.cursors.front(), 287);
  // The bottom-right corner followed the mouse about the fixed top-left one.
  EXPECT_GT(box.placement.width, 40);
  EXPECT_NEAR(HandleAt(box, 0).Distance(fixed), 0.0, 1e-9);
  EXPECT_GT(HandleAt(box, 3).x, corner.x);
  EXPECT_FALSE(doc.Commands().HasOpenGroup());
  EXPECT_EQ(doc.Commands().GetCount(), 2) << "one scaling command and its group marker";

  const std::string after = PageBytes(doc);
  ASSERT_GE(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(PageBytes(doc), before);
  EXPECT_FALSE(doc.Commands().CanUndo());
  ASSERT_GE(doc.Commands().RedoGroup(), 0);
  EXPECT_EQ(PageBytes(doc), after);
}

TEST_F(HandleDragTest, ASideHandleShowsTheSideCursor) {
  for (const int handle : {4, 5, 6, 7}) {
    page::STrackMagnify tracker;
    const pagetest::GestureResults r = Run(tracker, 0, {HandleWin(box, handle)});
    EXPECT_EQ(r.cursors.front(), 291) << handle;
  }
}

TEST_F(HandleDragTest, AResizeWithSnappingPutsTheHandleOnTheGridAlongItsGuide) {
  struct Case {
    int handle;
    POINT travel;
    bool snap;
  };
  const std::vector<Case> cases = {
      {6, {13, 0}, true}, {6, {-7, 3}, true}, {6, {13, 0}, false}, {3, {17, 9}, true}, {0, {-11, -4}, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.handle) + (k.snap ? " snapping" : ""));
    page::SDoc page(20);
    page.SetPageSize(300, 300);
    page.grid.snapToGrid = k.snap;
    SObj& object = pagetest::AddRect(page, -1, 61.5, 62.25, 41, 33);
    object.SetSelected(true);
    const SPoint anchor = object.GetHandleAnchor(k.handle, 1.0).point;
    const SPoint from = HandleAt(object, k.handle);
    const POINT press = Win(from.x, from.y);
    const POINT release = Offset(press, k.travel.x, k.travel.y);
    page::STrackMagnify tracker;
    pagetest::RunGesture(tracker, page, view, 0, {press, release});
    const SPoint to = HandleAt(object, k.handle);
    // The handle stays on the line from the fixed point through it.
    const SPoint guide = from - anchor, moved = to - anchor;
    EXPECT_NEAR(guide.x * moved.y - guide.y * moved.x, 0.0, 1e-6);
    if (k.snap) {
      EXPECT_TRUE(OnFiveGrid(to.x) || OnFiveGrid(to.y)) << to.x << ", " << to.y;
      EXPECT_LT(to.Distance(view.ScreenToPage(release)), 6.0);
    } else {
      EXPECT_NEAR(to.x, view.ScreenToPage(release).x, 1e-9) << "the side follows the mouse";
    }
  }
}

TEST_F(HandleDragTest, ARotationDrawsInTheRotatingModeAndSetsTheHint) {
  const std::string before = PageBytes(doc);
  const POINT press = HandleWin(box, page::kRotationHandle);
  page::STrackRotate tracker;
  ASSERT_EQ(tracker.Init(&doc, &view, {0, 0, 400, 400}), 0);
  tracker.OnButtonDown(0, press.x, press.y);
  EXPECT_FALSE(tracker.ShowedRotation());
  EXPECT_EQ(tracker.GetCursorId(), 286);
  EXPECT_EQ(tracker.OnMouseMove(0, press.x + 15, press.y - 5), 3);
  EXPECT_TRUE(tracker.ShowedRotation());
  EXPECT_EQ(tracker.OnMouseMove(0, press.x + 30, press.y - 25), 3);
  EXPECT_EQ(tracker.OnButtonUp(0, press.x + 30, press.y - 20), 1);
  EXPECT_GT(box.placement.angle, 0.1);
  EXPECT_EQ(doc.Commands().GetCount(), 2) << "one turning command and its group marker";
  ASSERT_GE(doc.Commands().UndoGroup(), 0);
  EXPECT_EQ(PageBytes(doc), before);
}

TEST_F(HandleDragTest, AShiftRotationEndsOnFifteenDegreeSteps) {
  const POINT press = HandleWin(box, page::kRotationHandle);
  page::STrackRotate tracker;
  Run(tracker, kTrackShift, {press, Offset(press, 17, -9), Offset(press, 33, -21)});
  const double steps = box.placement.angle / (std::numbers::pi / 12);
  EXPECT_NEAR(steps, std::round(steps), 1e-9);
  EXPECT_NE(box.placement.angle, 0.0);
}

TEST_F(HandleDragTest, AClickOnTheRotationHandleTurnsNothing) {
  const std::string before = PageBytes(doc);
  // Off the handle's centre, still within its reach.
  const POINT press = Offset(HandleWin(box, page::kRotationHandle), 3, 1);
  page::STrackRotate tracker;
  const pagetest::GestureResults r = Run(tracker, 0, {press});
  EXPECT_EQ(r.up, 1);
  EXPECT_EQ(PageBytes(doc), before);
}

TEST_F(HandleDragTest, ASpecialHandleDragSnapsAndKeepsToItsAxisWithShift) {
  struct Case {
    unsigned flags;
    bool snap;
  };
  for (const Case& k : {Case{kTrackShift, false}, Case{kTrackShift, true}, Case{0, true}}) {
    SCOPED_TRACE(std::to_string(k.flags) + (k.snap ? " snapping" : ""));
    page::SDoc page(20);
    page.SetPageSize(300, 300);
    page.grid.snapToGrid = k.snap;
    page::PropSCVal P;
    P.x = 100, P.y = 60, P.width = 60, P.height = 10;
    SObj& line = pagetest::AddShape(page, std::make_unique<page::SFigLine>(), -1, P);
    line.SetSelected(true);
    const std::string before = PageBytes(page);
    const SPoint start = HandleAt(line, page::SFigLine::kStartHandle);
    const SPoint end = HandleAt(line, page::SFigLine::kEndHandle);
    const POINT press = Win(end.x, end.y);
    page::STrackSpCtrl tracker;
    const pagetest::GestureResults r =
        pagetest::RunGesture(tracker, page, view, k.flags, {press, Offset(press, 6, 2), Offset(press, 13, 4)});
    EXPECT_EQ(r.moves, (std::vector<int>{1, 1}));
    EXPECT_EQ(r.cursors.front(), 250);
    const SPoint newStart = HandleAt(line, page::SFigLine::kStartHandle);
    const SPoint newEnd = HandleAt(line, page::SFigLine::kEndHandle);
    EXPECT_NEAR(newStart.Distance(start), 0.0, 1e-9) << "the other end stays";
    const SPoint mouse = view.ScreenToPage(Offset(press, 13, (k.flags & kTrackShift) ? 0 : 4));
    if (k.snap) {
      EXPECT_TRUE(OnFiveGrid(newEnd.x) && OnFiveGrid(newEnd.y)) << newEnd.x << ", " << newEnd.y;
      EXPECT_LE(newEnd.Distance(mouse), 2.5 * std::sqrt(2.0) + 1e-9);
    } else {
      EXPECT_NEAR(newEnd.Distance(mouse), 0.0, 1e-9);
    }
    ASSERT_GE(page.Commands().UndoGroup(), 0);
    EXPECT_EQ(PageBytes(page), before);
  }
}

TEST_F(HandleDragTest, APressOffEveryHandleLeavesTheDragTrackersInert) {
  using Make = std::function<std::unique_ptr<page::STrack>()>;
  const std::vector<Make> makers = {[] { return std::make_unique<page::STrackMagnify>(); },
                                    [] { return std::make_unique<page::STrackRotate>(); },
                                    [] { return std::make_unique<page::STrackSpCtrl>(); }};
  const std::string before = PageBytes(doc);
  for (const POINT press : {Win(60, 60), Win(250, 250)}) {
    for (const Make& make : makers) {
      std::unique_ptr<page::STrack> tracker = make();
      const pagetest::GestureResults r = Run(*tracker, 0, {press, Offset(press, 20, 20), Offset(press, 40, 30)});
      EXPECT_EQ(r.moves, (std::vector<int>{0, 0}));
      EXPECT_EQ(r.up, 0);
      EXPECT_FALSE(tracker->ShowedRotation());
    }
  }
  EXPECT_EQ(PageBytes(doc), before);
  EXPECT_EQ(doc.Commands().GetCount(), 0);
}

}  // namespace track_transform_test
