#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "EditTestSupport.h"

namespace {

using page::SPoint;
constexpr double kPi = std::numbers::pi;

TEST(ScaleByHandle, TheFactorNeverFallsBelowOneTwentieth) {
  struct Case {
    SPoint anchor, handle, drag;
    int mode;
    double factor;
    const char* what;
  };
  // One 100 × 80 box centred at (100, 100), so its top-left corner is at
  // (50, 60) and its bottom-right handle at (150, 140).
  const std::vector<Case> cases = {
      {{50, 60}, {150, 140}, {250, 220}, 0, 2.0, "a corner dragged twice as far"},
      {{50, 60}, {150, 140}, {100, 100}, 0, 0.5, "half way in"},
      {{50, 60}, {150, 140}, {50, 60}, 0, 0.05, "a corner dragged onto its anchor"},
      {{50, 60}, {150, 140}, {-200, -140}, 0, 2.5, "past the anchor: the distance counts"},
      {{50, 100}, {150, 100}, {0, 100}, 1, 0.05, "a side handle dragged across its anchor"},
      {{50, 100}, {150, 100}, {200, 37}, 1, 1.5, "a side handle: only the drag along it counts"},
      {{50, 60}, {50.5, 60.5}, {50.2, 60.2}, 0, 1.0, "a handle at the anchor cannot shrink"},
      {{50, 60}, {50.5, 60.5}, {51.0, 61.0}, 0, 2.0, "but it can grow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    page::SDoc doc;
    page::SObj& box = pagetest::AddRect(doc, -1, 100, 100, 100, 80);
    box.SetSelected(true);
    doc.ScaleByHandle(box.id, c.anchor, c.handle, c.drag, c.mode);
    if (c.mode == 0) {
      EXPECT_NEAR(box.placement.width, 100 * c.factor, 1e-9);
      EXPECT_NEAR(box.placement.height, 80 * c.factor, 1e-9);
      EXPECT_NEAR(box.placement.x, c.anchor.x + (100 - c.anchor.x) * c.factor, 1e-9);
      EXPECT_NEAR(box.placement.y, c.anchor.y + (100 - c.anchor.y) * c.factor, 1e-9);
    } else {
      EXPECT_NEAR(box.placement.width, 100 * c.factor, 1e-9);
      EXPECT_NEAR(box.placement.height, 80, 1e-9);
      EXPECT_NEAR(box.placement.x, 50 + 50 * c.factor, 1e-9);
    }
  }
}

TEST(ScaleByHandle, SideHandlesStretchOnlyBoxesLinedUpWithTheGrabbedOne) {
  page::SDoc doc;
  page::SObj& grabbed = pagetest::AddRect(doc, -1, 100, 100, 100, 80);
  page::SObj& lined = pagetest::AddRect(doc, -1, 100, 300, 60, 60);
  page::SObj& turned = pagetest::AddRect(doc, -1, 300, 100, 60, 60);
  turned.placement.angle = 0.3;
  for (page::SObj* o : {&grabbed, &lined, &turned}) o->SetSelected(true);
  // The right edge handle, anchor on the left edge: twice as wide.
  doc.ScaleByHandle(grabbed.id, {50, 100}, {150, 100}, {250, 100}, 1);
  EXPECT_DOUBLE_EQ(grabbed.placement.width, 200);
  EXPECT_DOUBLE_EQ(lined.placement.width, 120);
  EXPECT_DOUBLE_EQ(lined.placement.height, 60);
  EXPECT_DOUBLE_EQ(turned.placement.width, 60);  // moved only
  EXPECT_DOUBLE_EQ(turned.placement.x, 50 + 250 * 2);
  // Mode 2 (a top or bottom handle) stretches heights.
  doc.ScaleByHandle(grabbed.id, {0, 60}, {0, 140}, {0, 100}, 2);
  EXPECT_DOUBLE_EQ(grabbed.placement.height, 40);
  EXPECT_DOUBLE_EQ(grabbed.placement.width, 200);
}

TEST(RotateByHandle, SnappingPutsTheGrabbedObjectOnFifteenDegreeSteps) {
  const double starts[] = {0.0, 0.1, 1.0, 5.9};
  const SPoint currents[] = {{200, 100}, {150, 180}, {20, 90}, {90, 5}, {101, 99}};
  const double step = kPi / 12;
  for (const double start : starts) {
    for (const SPoint& current : currents) {
      page::SDoc doc;
      page::SObj& grabbed = pagetest::AddRect(doc, -1, 100, 100);
      page::SObj& other = pagetest::AddRect(doc, -1, 200, 100);
      grabbed.placement.angle = start;
      other.placement.angle = 0.2;
      grabbed.SetSelected(true);
      other.SetSelected(true);
      doc.RotateByHandle(grabbed.id, {100, 100}, {150, 100}, current, true);
      const double angle = grabbed.placement.angle;
      EXPECT_GE(angle, 0.0);
      EXPECT_LT(angle, 2 * kPi);
      const double steps = angle / step;
      EXPECT_NEAR(steps, std::round(steps), 1e-9) << start << " to " << current.x << "," << current.y;
      // The other object turned by the same amount, about the same centre.
      const double delta = std::remainder(angle - start, 2 * kPi);
      EXPECT_NEAR(std::remainder(other.placement.angle - 0.2 - delta, 2 * kPi), 0.0, 1e-9);
      EXPECT_NEAR(std::hypot(other.placement.x - 100, other.placement.y - 100), 100, 1e-9);
    }
  }
}

TEST(RotateByHandle, AnglesStayWithinOneTurnWithoutSnapping) {
  page::SDoc doc;
  page::SObj& box = pagetest::AddRect(doc, -1, 100, 100);
  box.SetSelected(true);
  box.placement.angle = 0.1;
  // A quarter turn clockwise on the screen (y grows downward).
  doc.RotateByHandle(box.id, {100, 100}, {200, 100}, {100, 0}, false);
  EXPECT_NEAR(box.placement.angle, 0.1 - kPi / 2 + 2 * kPi, 1e-12);
  doc.RotateByHandle(box.id, {100, 100}, {200, 100}, {100, 200}, false);
  EXPECT_NEAR(box.placement.angle, 0.1, 1e-12);
}

TEST(MoveObjects, AllMovesHiddenAndUnselectedObjectsToo) {
  auto doc = pagetest::MakeNestedPage();
  doc->FindObjectById(1008)->flags |= page::kObjHidden;
  pagetest::SelectExactly(*doc, {1000});
  doc->MoveObjects(5, -2, false);
  EXPECT_EQ(doc->FindObjectById(1000)->placement.x, 55);
  EXPECT_EQ(doc->FindObjectById(1008)->placement.x, 400);
  doc->MoveObjects(5, -2, true);
  EXPECT_EQ(doc->FindObjectById(1000)->placement.x, 60);
  EXPECT_EQ(doc->FindObjectById(1008)->placement.x, 405);
  EXPECT_EQ(doc->FindObjectById(1008)->placement.y, 58);
}

}  // namespace
