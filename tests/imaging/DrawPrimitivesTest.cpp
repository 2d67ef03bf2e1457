#include <gtest/gtest.h>

#include <cstring>

#include "imaging/DrawPrimitives.h"
#include "ImageTestSupport.h"
#include "platform/Dc.h"

// A name of its own: test files are compiled together in batches.
namespace draw_primitives_test {

using namespace imaging;
using platform::COLORREF;
using platform::Dc;
using platform::Image;
using platform::MakeRgb;
using platform::POINT;
using platform::RECT;
using testsupport::GetPx;
using testsupport::Px;
using testsupport::RandomImage;
using testsupport::SamePixels;

constexpr COLORREF kWhite = MakeRgb(255, 255, 255);
constexpr COLORREF kFrame = MakeRgb(200, 0, 0);
constexpr COLORREF kFill = MakeRgb(0, 0, 200);

COLORREF At(const Image& image, int x, int y) { return image.GetBgra(x, y).ToColorRef(); }

TEST(DrawRect, ModesFillFrameBothOrNothing) {
  struct Case {
    int mode;
    COLORREF edge, inside;
  } const cases[] = {{0, kFrame, kFill}, {1, kFill, kFill}, {2, kFrame, kWhite}, {3, kWhite, kWhite}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Image image(20, 20, 32);
    image.Fill(platform::Bgra::FromColorRef(kWhite));
    Dc dc(image);
    PnUtilDrawRect(dc, RECT{4, 5, 12, 15}, kFrame, kFill, c.mode);
    for (auto [x, y] : {std::pair{4, 5}, {11, 5}, {4, 14}, {11, 14}, {7, 5}, {4, 9}}) EXPECT_EQ(At(image, x, y), c.edge);
    EXPECT_EQ(At(image, 5, 6), c.inside);
    EXPECT_EQ(At(image, 8, 10), c.inside);
    EXPECT_EQ(At(image, 12, 10), kWhite);  // right and bottom excluded
    EXPECT_EQ(At(image, 8, 15), kWhite);
  }
}

TEST(DrawEllipse, OutlinesInThePenColourAndFillsInTheBrush) {
  Image image(30, 20, 32);
  image.Fill(platform::Bgra::FromColorRef(kWhite));
  Dc dc(image);
  const platform::Pen pen{MakeRgb(1, 1, 1), 4, platform::PenStyle::kSolid};
  dc.SelectPen(pen);
  PnUtilDrawEllipse(dc, RECT{2, 2, 27, 17}, kFrame, kFill);
  EXPECT_EQ(At(image, 14, 9), kFill);
  EXPECT_EQ(At(image, 14, 2), kFrame);  // one-pixel outline
  EXPECT_EQ(At(image, 14, 3), kFill);
  EXPECT_EQ(At(image, 2, 2), kWhite);
  EXPECT_EQ(dc.SelectPen(platform::Pen{}).width, 4);  // the caller's pen is back
}

TEST(FillPolygon, FillsWithoutAnOutline) {
  Image image(30, 30, 32);
  image.Fill(platform::Bgra::FromColorRef(kWhite));
  Dc dc(image);
  dc.SelectBrush(platform::Brush{MakeRgb(9, 9, 9), platform::BrushStyle::kSolid});
  const POINT triangle[] = {{5, 5}, {25, 5}, {5, 25}};
  PnUtilFillPolygon(dc, triangle, 3, kFill);
  EXPECT_EQ(At(image, 8, 8), kFill);
  EXPECT_EQ(At(image, 20, 20), kWhite);
  int framed = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) framed += At(image, x, y) != kFill && At(image, x, y) != kWhite;
  EXPECT_EQ(framed, 0);
  EXPECT_EQ(dc.SelectBrush(platform::Brush{}).color, MakeRgb(9, 9, 9));
  PnUtilFillPolygon(dc, triangle, 1, kFrame);  // too few points
  EXPECT_EQ(At(image, 8, 8), kFill);
}

// A rubber band drawn twice gives back the picture; drawn once it inverts
// (not-XOR with black) pixels on its outline only.
template <class Draw>
void ExpectReversible(const RECT& box, Draw draw) {
  const Image original = RandomImage(60, 40, 32, 40);
  Image image(original);
  Dc dc(image);
  draw(dc);
  int changed = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 60; ++x) {
      const Px before = GetPx(original, x, y), after = GetPx(image, x, y);
      if (before == after) continue;
      ++changed;
      EXPECT_TRUE(x >= box.left && x <= box.right && y >= box.top && y <= box.bottom) << x << "," << y;
      EXPECT_EQ(after, (Px{255 - before[0], 255 - before[1], 255 - before[2], before[3]})) << x << "," << y;
    }
  EXPECT_GT(changed, 10);
  draw(dc);
  EXPECT_TRUE(SamePixels(image, original));
  // The context is back in copy mode with the caller's pen.
  dc.FillRect(RECT{0, 0, 1, 1}, MakeRgb(1, 2, 3));
  dc.MoveTo(0, 39);
  dc.LineTo(5, 39);
  EXPECT_EQ(image.GetBgra(2, 39), (platform::Bgra{0, 0, 0, 255}));
}

TEST(XorRubberBands, DrawingTwiceRestoresThePixels) {
  const platform::COLORREF black = MakeRgb(0, 0, 0);
  {
    SCOPED_TRACE("rectangle");
    ExpectReversible(RECT{5, 6, 50, 30}, [&](Dc& dc) { PnUtilDrawXorRect(dc, RECT{5, 6, 50, 30}, black); });
  }
  {
    SCOPED_TRACE("ellipse");
    ExpectReversible(RECT{5, 6, 50, 30}, [&](Dc& dc) { PnUtilDrawXorEllipse(dc, RECT{5, 6, 50, 30}, black); });
  }
  {
    SCOPED_TRACE("dotted line");
    ExpectReversible(RECT{3, 3, 55, 35},
                     [&](Dc& dc) { PnUtilDrawXorLine(dc, POINT{3, 3}, POINT{55, 35}, 5, black, true); });
  }
  {
    SCOPED_TRACE("wide line");
    ExpectReversible(RECT{0, 14, 58, 26},
                     [&](Dc& dc) { PnUtilDrawXorLine(dc, POINT{4, 20}, POINT{54, 20}, 5, black, false); });
  }
}

TEST(XorRubberBands, RectangleOutlineIsDottedAndStartsAtTheCorner) {
  Image image(40, 20, 32);
  image.Fill(platform::Bgra::FromColorRef(kWhite));
  Dc dc(image);
  PnUtilDrawXorRect(dc, RECT{2, 2, 30, 12}, MakeRgb(0, 0, 0));
  std::string top;
  for (int x = 2; x < 14; ++x) top += At(image, x, 2) == MakeRgb(0, 0, 0) ? '#' : '.';
  EXPECT_EQ(top, "###...###...");
  EXPECT_EQ(At(image, 10, 7), kWhite);
}

}  // namespace draw_primitives_test
