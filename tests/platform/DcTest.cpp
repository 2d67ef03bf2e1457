#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "platform/Dc.h"
#include "platform/Image.h"

namespace {

using namespace platform;

constexpr COLORREF kWhite = MakeRgb(255, 255, 255);
constexpr COLORREF kRed = MakeRgb(255, 0, 0);
constexpr COLORREF kBlue = MakeRgb(0, 0, 255);
constexpr COLORREF kGreen = MakeRgb(0, 200, 0);

COLORREF At(const Image& image, int x, int y) { return image.GetBgra(x, y).ToColorRef(); }

// Counts pixels of `color` inside `area` (right and bottom excluded).
int Count(const Image& image, COLORREF color, const RECT& area) {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) n += At(image, x, y) == color;
  return n;
}

// Counts pixels that are not the background outside `box`.
int CountOutside(const Image& image, COLORREF background, const RECT& box) {
  int n = 0;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
      n += !inside && At(image, x, y) != background;
    }
  return n;
}

// A white 32-bit canvas and a context on it.
class DcCanvas : public testing::Test {
 protected:
  DcCanvas() : image_(80, 60, 32), dc_(image_) {
    image_.Fill(Bgra::FromColorRef(kWhite));
  }
  Image image_;
  Dc dc_;
};

TEST(Dc, FillsRectanglesOnEveryDrawableDepth) {
  struct Case {
    int bpp;
    bool alpha;
  } const cases[] = {{32, false}, {32, true}, {24, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bpp << " bpp, alpha " << c.alpha);
    Image image(20, 10, c.bpp, c.alpha);
    Dc dc(image);
    ASSERT_TRUE(dc.IsValid());
    dc.FillRect(RECT{2, 3, 7, 6}, MakeRgb(10, 20, 30));
    EXPECT_EQ(Count(image, MakeRgb(10, 20, 30), RECT{0, 0, 20, 10}), 5 * 3);
    EXPECT_EQ(Count(image, MakeRgb(10, 20, 30), RECT{2, 3, 7, 6}), 5 * 3);  // right and bottom excluded
    EXPECT_EQ(image.GetBgra(2, 3), (Bgra{30, 20, 10, 255}));
    EXPECT_EQ(image.GetBgra(7, 3).b, 0);
    if (c.alpha) {
      EXPECT_EQ(image.GetBgra(1, 1).a, 0);  // untouched pixels keep their alpha
    }
  }
}

TEST(Dc, RefusesImagesItCannotDrawOn) {
  for (int bpp : {1, 8}) {
    Image image(8, 8, bpp);
    Dc dc(image);
    EXPECT_FALSE(dc.IsValid());
    dc.FillRect(RECT{0, 0, 8, 8}, kWhite);
    EXPECT_EQ(image.GetIndex(3, 3), 0);
  }
  Image null;
  EXPECT_FALSE(Dc(null).IsValid());
}

TEST_F(DcCanvas, SolidLinesLeaveOutTheirEndPixel) {
  dc_.SelectPen(Pen{kRed, 1, PenStyle::kSolid});
  dc_.MoveTo(10, 5);
  dc_.LineTo(30, 5);   // horizontal
  dc_.LineTo(30, 25);  // vertical, from the previous end
  EXPECT_EQ(Count(image_, kRed, RECT{0, 5, 80, 6}), 21);  // 10..29, and 30 from the second line
  EXPECT_EQ(At(image_, 10, 5), kRed);
  EXPECT_EQ(Count(image_, kRed, RECT{30, 6, 31, 60}), 19);  // 6..24: 25 is the end
  EXPECT_EQ(At(image_, 30, 25), kWhite);
  EXPECT_EQ(Count(image_, kRed, RECT{0, 0, 80, 60}), 40);


  dc_.MoveTo(40, 30);
  dc_.LineTo(50, 40);  // diagonal
  for (int i = 0; i < 10; ++i) EXPECT_EQ(At(image_, 40 + i, 30 + i), kRed) << i;
  EXPECT_EQ(At(image_, 50, 40), kWhite);
  EXPECT_EQ(Count(image_, kRed, RECT{0, 0, 80, 60}), 50);
}

TEST_F(DcCanvas, DottedPensAlternateThreeOnThreeOff) {
  dc_.SelectPen(Pen{kBlue, 1, PenStyle::kDot});
  const POINT line[] = {{0, 10}, {36, 10}};
  dc_.Polyline(line);
  std::string row;
  for (int x = 0; x < 36; ++x) row += At(image_, x, 10) == kBlue ? '#' : '.';
  EXPECT_EQ(row, "###...###...###...###...###...###...");
}

TEST_F(DcCanvas, WidePensAreCentredOnTheLine) {
  dc_.SelectPen(Pen{kGreen, 5, PenStyle::kSolid});
  dc_.MoveTo(20, 30);
  dc_.LineTo(60, 30);
  for (int y = 28; y <= 32; ++y) EXPECT_EQ(At(image_, 40, y), kGreen) << y;
  EXPECT_EQ(At(image_, 40, 27), kWhite);
  EXPECT_EQ(At(image_, 40, 33), kWhite);
  EXPECT_EQ(At(image_, 61, 30), kGreen);  // round end reaches past the end point
  EXPECT_EQ(At(image_, 64, 30), kWhite);
}

TEST_F(DcCanvas, PolygonsFillByTheAlternateRule) {
  // A five-pointed star drawn in one stroke: its centre is crossed twice,
  // so the alternate rule leaves it empty while the points are filled.
  const POINT star[] = {{40, 5}, {52, 45}, {18, 20}, {62, 20}, {28, 45}};
  dc_.SelectPen(Pen{kRed, 1, PenStyle::kNull});
  dc_.SelectBrush(Brush{kBlue, BrushStyle::kSolid});
  dc_.Polygon(star);
  EXPECT_EQ(At(image_, 40, 28), kWhite);  // centre pentagon
  EXPECT_EQ(At(image_, 40, 12), kBlue);   // top point
  EXPECT_EQ(At(image_, 24, 21), kBlue);   // left point
  EXPECT_EQ(At(image_, 29, 42), kBlue);   // lower left point
  EXPECT_EQ(At(image_, 5, 5), kWhite);

  dc_.SelectPen(Pen{kRed, 1, PenStyle::kSolid});
  dc_.SelectBrush(Brush{kWhite, BrushStyle::kNull});
  const POINT box[] = {{5, 50}, {15, 50}, {15, 58}, {5, 58}};
  dc_.Polygon(box);
  EXPECT_EQ(At(image_, 5, 50), kRed);    // the outline closes through every vertex
  EXPECT_EQ(At(image_, 5, 54), kRed);    // closing edge back to the start
  EXPECT_EQ(At(image_, 10, 54), kWhite);  // null brush: inside untouched
}

TEST_F(DcCanvas, EllipsesFitTheirRectangle) {
  dc_.SelectPen(Pen{kRed, 1, PenStyle::kSolid});
  dc_.SelectBrush(Brush{kBlue, BrushStyle::kSolid});
  const RECT box{10, 10, 41, 31};  // 31 x 21 pixels
  dc_.Ellipse(box);
  EXPECT_EQ(At(image_, 25, 20), kBlue);  // centre
  EXPECT_EQ(At(image_, 25, 10), kRed);   // top middle on the outline
  EXPECT_EQ(At(image_, 25, 30), kRed);   // bottom middle: the last row inside
  EXPECT_EQ(At(image_, 10, 20), kRed);   // left middle
  EXPECT_EQ(At(image_, 40, 20), kRed);   // right middle: the last column inside
  EXPECT_EQ(At(image_, 11, 11), kWhite);  // corners stay clear
  EXPECT_EQ(At(image_, 39, 29), kWhite);
  EXPECT_EQ(CountOutside(image_, kWhite, box), 0);
}

TEST(DcText, PointSizesBecomePixelsAt96Dpi) {
  const std::array<std::array<int, 2>, 6> cases = {{{120, 16}, {90, 12}, {105, 14}, {100, 13}, {0, 0}, {-120, -16}}};
  for (auto [tenths, pixels] : cases) EXPECT_EQ(Dc::PointSize10ToPixels(tenths), pixels) << tenths;
}

TEST_F(DcCanvas, JapaneseTextDrawsInsideItsCell) {
  dc_.SelectFont(Font{"IPAGothic", 120});
  dc_.SetTextColor(kBlue);
  const std::string text = "日本語テキスト";
  const SIZE extent = dc_.GetTextExtent(text);
  // Seven full-width characters of a 16-pixel font.
  EXPECT_NEAR(extent.cx, 7 * 16, 4);
  EXPECT_NEAR(extent.cy, 16, 4);

  Image wide(200, 40, 32);
  wide.Fill(Bgra::FromColorRef(kWhite));
  Dc dc(wide);
  dc.SelectFont(Font{"IPAGothic", 120});
  dc.SetTextColor(kBlue);
  dc.TextOut(10, 8, text);
  const RECT cell{10, 8, 10 + extent.cx, 8 + extent.cy};
  const int inked = Count(wide, kBlue, cell);
  EXPECT_GT(inked, cell.Width() * cell.Height() / 10);
  EXPECT_EQ(CountOutside(wide, kWhite, RECT{cell.left - 1, cell.top - 1, cell.right + 1, cell.bottom + 1}), 0);
  // Aliased text: only the text colour and the background.
  EXPECT_EQ(inked + Count(wide, kWhite, cell), cell.Width() * cell.Height());
}

TEST_F(DcCanvas, DrawsRealGlyphsAndHonoursSizeAndWeight) {
  auto render = [](const std::string& text, const Font& font) {
    Image image(120, 60, 32);
    image.Fill(Bgra::FromColorRef(kWhite));
    Dc dc(image);
    dc.SelectFont(font);
    dc.TextOut(4, 4, text);
    return image;
  };
  auto inked = [](const Image& image) { return image.Width() * image.Height() - Count(image, kWhite, RECT{0, 0, 120, 60}); };
  const Font regular{"IPAGothic", 120};
  // Two characters that would look the same if the font had no glyphs
  // (empty boxes) come out differently.
  Image ni = render("日", regular), hon = render("本", regular);
  EXPECT_NE(std::memcmp(ni.Bits(), hon.Bits(), ni.SizeBytes()), 0);

  Font bold = regular;
  bold.bold = true;
  EXPECT_GT(inked(render("日本", bold)), inked(render("日本", regular)));

  Font big = regular;
  big.pointSize10 = 240;
  dc_.SelectFont(regular);
  const SIZE small = dc_.GetTextExtent("日本");
  dc_.SelectFont(big);
  const SIZE large = dc_.GetTextExtent("日本");
  EXPECT_NEAR(large.cx, 2 * small.cx, 2);
  EXPECT_EQ(dc_.GetTextMetrics().height, large.cy);
  EXPECT_GT(dc_.GetTextMetrics().ascent, dc_.GetTextMetrics().descent);
}

}  // namespace
