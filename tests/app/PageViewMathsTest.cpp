// The page view's arithmetic: zoom steps, scroll sizes, the centre kept on
// a zoom, the launcher's image size, the cursor of each tool.
#include <gtest/gtest.h>

#include "app/PageViewMaths.h"
#include "platform/Hooks.h"

namespace {

using app::CursorSituation;

struct ZoomCase {
  int from;
  int in;
  int out;
};

TEST(PageViewMaths, ZoomStepsInAndOutStopAtTheEnds) {
  const ZoomCase cases[] = {
      {110, 150, 100}, {100, 150, 75}, {25, 50, 25}, {400, 400, 300}, {20, 20, 25},
      {500, 400, 500}, {399, 400, 300}, {26, 50, 25}, {75, 100, 50},
  };
  for (const ZoomCase& c : cases) {
    EXPECT_EQ(app::ZoomInStep(c.from), c.in) << "in from " << c.from;
    EXPECT_EQ(app::ZoomOutStep(c.from), c.out) << "out from " << c.from;
  }
  EXPECT_EQ(app::ZoomStepIndex(150), 4);
  EXPECT_EQ(app::ZoomStepIndex(110), -1);
}

TEST(PageViewMaths, ScrollTotalIsThePageAtTheZoomWithItsBorder) {
  EXPECT_EQ(app::ScrollTotalFor(100, 500, 400), (platform::SIZE{516, 416}));
  // Integer per cent: 333 × 150 / 100 = 499.
  EXPECT_EQ(app::ScrollTotalFor(150, 333, 200), (platform::SIZE{515, 316}));
  EXPECT_EQ(app::ScrollTotalFor(25, 3, 3), (platform::SIZE{16, 16}));
}

struct ScrollCase {
  platform::POINT position;
  platform::SIZE client, oldTotal, newTotal;
  platform::POINT expected;
};

TEST(PageViewMaths, ScrollingKeepsThePagePointAtTheCentre) {
  const ScrollCase cases[] = {
      // Zoom in from the top-left: the old centre (100, 50) grows with the page.
      {{0, 0}, {200, 100}, {516, 516}, {1016, 1016}, {96, 48}},
      // Scrolled half way, 100 % to 200 %.
      {{158, 208}, {200, 100}, {516, 516}, {1016, 1016}, {408, 458}},
      // Zoom out below the window: never a negative position.
      {{0, 0}, {200, 100}, {1016, 1016}, {266, 266}, {0, 0}},
      // No total before: the centre stays where it was.
      {{40, 30}, {200, 100}, {0, 0}, {516, 516}, {40, 30}},
  };
  for (const ScrollCase& c : cases) {
    const platform::POINT got = app::ScrollKeepingCentre(c.position, c.client, c.oldTotal, c.newTotal);
    EXPECT_EQ(got.x, c.expected.x) << c.position.x << "," << c.position.y;
    EXPECT_EQ(got.y, c.expected.y) << c.position.x << "," << c.position.y;
  }
  // A large page at 400 % does not overflow on the way.
  const platform::POINT far = app::ScrollKeepingCentre({30000, 30000}, {1000, 1000}, {40016, 40016}, {160016, 160016});
  EXPECT_EQ(far.x, 121463);
}

TEST(PageViewMaths, LauncherImageKeepsItsLongestSideWithin4000) {
  EXPECT_EQ(app::LauncherImageSize(5000, 2500, 4000), (platform::SIZE{4000, 2000}));
  EXPECT_EQ(app::LauncherImageSize(2500, 5000, 4000), (platform::SIZE{2000, 4000}));
  EXPECT_EQ(app::LauncherImageSize(8000, 6000, 4000), (platform::SIZE{4000, 3000}));
  EXPECT_EQ(app::LauncherImageSize(3000, 4000, 4000), (platform::SIZE{3000, 4000}));
  EXPECT_EQ(app::LauncherImageSize(9000, 1, 4000), (platform::SIZE{4000, 1}));
}

struct CursorCase {
  CursorSituation at;
  int cursor;
};

TEST(PageViewMaths, EachToolShowsItsCursor) {
  const CursorCase cases[] = {
      {{0, true, true, -1, 0}, app::kCursorHand},  // Space wins over everything
      {{4, true, false, -1, 0}, app::kCursorHand},
      {{0, false, true, -1, 0}, platform::kCursorSizeAll},
      {{0, false, true, 2, 0}, app::kCursorSizeCorner},
      {{0, false, true, 5, 0}, app::kCursorSizeSide},
      {{0, false, true, 8, 0}, app::kCursorRotate},
      {{0, false, true, 12, 0}, app::kCursorSpecial},
      {{0, false, false, -1, 0}, platform::kCursorArrow},
      {{1, false, false, -1, 0}, app::kCursorOutputFrame},
      {{12, false, false, -1, 0}, app::kCursorOutputFrame},
      {{2, false, false, -1, 0}, app::kCursorDraw},
      {{11, false, false, -1, 0}, app::kCursorDraw},
      {{9, false, false, -1, 0}, app::kCursorFreeHand},
      {{10, false, false, -1, 0}, app::kCursorFreeHand},
      {{13, false, false, -1, 0}, app::kCursorRotate},
      {{14, false, false, -1, 0}, app::kCursorSpecial},
      {{13, false, true, -1, 0}, app::kCursorRotate},
      {{14, false, true, -1, 0}, app::kCursorSpecial},
      {{13, false, true, -1, 1}, 2018},
      {{14, false, true, -1, 3}, 168},
      {{13, false, true, -1, 5}, 2019},
      {{14, false, true, -1, 7}, 2022},
      {{13, false, true, -1, 9}, platform::kCursorArrow},
      {{15, false, false, -1, 0}, app::kCursorEyedropper},
      {{16, false, false, -1, 0}, app::kCursorBucket},
      {{100, false, false, -1, 0}, platform::kCursorArrow},
  };
  for (const CursorCase& c : cases)
    EXPECT_EQ(app::ToolCursorId(c.at), c.cursor) << "tool " << c.at.tool << " handle " << c.at.handle;
}

}  // namespace
