// Raster operations, geometric pens, paths, frames and arcs of Dc.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/Dc.h"
#include "platform/Image.h"

// A name of its own: test files are compiled together in batches.
namespace dc_path_test {

using namespace platform;

constexpr COLORREF kWhite = MakeRgb(255, 255, 255);
constexpr COLORREF kInk = MakeRgb(30, 60, 90);

COLORREF At(const Image& image, int x, int y) { return image.GetBgra(x, y).ToColorRef(); }

class Paper : public testing::Test {
 protected:
  Paper() : image_(100, 80, 32), dc_(image_) { image_.Fill(Bgra::FromColorRef(kWhite)); }
  bool Inked(int x, int y) const { return At(image_, x, y) == kInk; }
  Image image_;
  Dc dc_;
};

Pen Geometric(int width, PenCap cap, PenJoin join) {
  Pen pen{kInk, width, PenStyle::kSolid};
  pen.geometric = true;
  pen.cap = cap;
  pen.join = join;
  return pen;
}

TEST(DcRasterOps, XorAndNotXorCombineColourBytesAndKeepAlpha) {
  struct Case {
    RasterOp op;
    Bgra expected;
  } const cases[] = {
      {RasterOp::kXorPen, Bgra{0x12 ^ 0x0F, 0x34 ^ 0xF0, 0x56 ^ 0x33, 77}},
      {RasterOp::kNotXorPen, Bgra{static_cast<std::uint8_t>(~(0x12 ^ 0x0F)), static_cast<std::uint8_t>(~(0x34 ^ 0xF0)),
                                  static_cast<std::uint8_t>(~(0x56 ^ 0x33)), 77}},
      {RasterOp::kCopyPen, Bgra{0x0F, 0xF0, 0x33, 255}},
  };
  for (const Case& c : cases) {
    Image image(10, 10, 32, true);
    image.Fill(Bgra{0x12, 0x34, 0x56, 77});
    Dc dc(image);
    EXPECT_EQ(dc.SetROP2(c.op), RasterOp::kCopyPen);
    dc.SelectPen(Pen{MakeRgb(0x33, 0xF0, 0x0F), 1, PenStyle::kSolid});
    dc.MoveTo(1, 5);
    dc.LineTo(8, 5);
    EXPECT_EQ(image.GetBgra(4, 5), c.expected);
    EXPECT_EQ(image.GetBgra(4, 4), (Bgra{0x12, 0x34, 0x56, 77}));
  }
}

TEST(DcRasterOps, ShapesUseThePenAndBrushColours) {
  Image image(30, 30, 24);
  image.Fill(Bgra{0, 0, 0, 0});
  Dc dc(image);
  dc.SetROP2(RasterOp::kXorPen);
  dc.SelectPen(Pen{MakeRgb(255, 0, 0), 1, PenStyle::kSolid});
  dc.SelectBrush(Brush{MakeRgb(0, 0, 255), BrushStyle::kSolid});
  const POINT box[] = {{5, 5}, {25, 5}, {25, 25}, {5, 25}};
  dc.Polygon(box);
  EXPECT_EQ(At(image, 15, 15), MakeRgb(0, 0, 255));  // inside: brush
  EXPECT_EQ(At(image, 15, 5), MakeRgb(255, 0, 0));   // edge: pen (each pixel once)
  EXPECT_EQ(At(image, 2, 2), MakeRgb(0, 0, 0));
  dc.Polygon(box);
  EXPECT_EQ(At(image, 15, 15), MakeRgb(0, 0, 0));
  EXPECT_EQ(At(image, 15, 5), MakeRgb(0, 0, 0));
}

TEST_F(Paper, GeometricCapsEndWhereTheyShould) {
  struct Case {
    PenCap cap;
    int lastInkedX;
  } const cases[] = {{PenCap::kFlat, 59}, {PenCap::kSquare, 62}, {PenCap::kRound, 62}};
  int y = 10;
  for (const Case& c : cases) {
    dc_.SelectPen(Geometric(6, c.cap, PenJoin::kRound));
    dc_.MoveTo(20, y);
    dc_.LineTo(60, y);
    EXPECT_TRUE(Inked(c.lastInkedX, y)) << static_cast<int>(c.cap);
    EXPECT_FALSE(Inked(c.lastInkedX + 1, y)) << static_cast<int>(c.cap);
    y += 20;
  }
  // Square and round caps differ at the corner of the end.
  EXPECT_TRUE(Inked(62, 32));
  EXPECT_FALSE(Inked(62, 52));
}

TEST_F(Paper, PathsAreStrokedWithJoinsAndMitresTurnIntoBevelsPastTheLimit) {
  // A right angle stroked as one path: the outer corner is filled by the
  // mitre. Two separate flat-capped lines would leave it empty.
  dc_.SelectPen(Geometric(8, PenCap::kFlat, PenJoin::kMiter));
  dc_.BeginPath();
  dc_.MoveTo(10, 20);
  dc_.LineTo(40, 20);
  dc_.LineTo(40, 60);
  dc_.EndPath();
  EXPECT_FALSE(Inked(25, 20));  // nothing drawn until the path is stroked
  dc_.StrokePath();
  EXPECT_TRUE(Inked(25, 20));
  EXPECT_TRUE(Inked(43, 17));  // outer corner
  EXPECT_TRUE(Inked(40, 50));

  // A V whose sides meet at 8 degrees: its mitre would be 14.3 widths long,
  // past the limit of 10, so it is bevelled; at 30 degrees (3.9 widths) it
  // stays and reaches far above the apex.
  dc_.SelectPen(Geometric(10, PenCap::kFlat, PenJoin::kMiter));
  auto tipReach = [&](double degrees) {
    image_.Fill(Bgra::FromColorRef(kWhite));
    const double half = degrees * 3.14159265358979 / 360;
    const int dx = static_cast<int>(std::lround(40 * std::sin(half))), dy = static_cast<int>(std::lround(40 * std::cos(half)));
    dc_.BeginPath();
    dc_.MoveTo(50 - dx, 40 + dy);
    dc_.LineTo(50, 40);
    dc_.LineTo(50 + dx, 40 + dy);
    dc_.EndPath();
    dc_.StrokePath();
    int reach = 0;
    while (40 - reach - 1 >= 0 && Inked(50, 40 - reach - 1)) ++reach;
    return reach;
  };
  EXPECT_LE(tipReach(8), 1);
  EXPECT_GE(tipReach(30), 15);  // the mitre's tip is 19.3 pixels above the apex

  // The same through XOR: the tip, far outside the points' box, is there
  // too, and a second stroke takes everything away again.
  image_.Fill(Bgra::FromColorRef(kWhite));
  dc_.SetROP2(RasterOp::kXorPen);
  dc_.SelectPen(Geometric(10, PenCap::kFlat, PenJoin::kMiter));
  auto strokeV = [&] {
    dc_.BeginPath();
    dc_.MoveTo(40, 79);
    dc_.LineTo(50, 40);
    dc_.LineTo(60, 79);
    dc_.EndPath();
    dc_.StrokePath();
  };
  strokeV();
  const COLORREF inverted = MakeRgb(255 ^ 30, 255 ^ 60, 255 ^ 90);
  EXPECT_EQ(At(image_, 50, 25), inverted);  // 15 pixels above the apex
  strokeV();
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 100; ++x) ASSERT_EQ(At(image_, x, y), kWhite) << x << "," << y;
}

TEST_F(Paper, AbortedPathsDrawNothing) {
  dc_.SelectPen(Geometric(4, PenCap::kFlat, PenJoin::kMiter));
  dc_.BeginPath();
  dc_.MoveTo(10, 10);
  dc_.LineTo(50, 10);
  dc_.AbortPath();
  dc_.StrokePath();
  EXPECT_FALSE(Inked(30, 10));
  dc_.MoveTo(10, 30);  // plain drawing again
  dc_.LineTo(50, 30);
  EXPECT_TRUE(Inked(30, 30));
}

TEST_F(Paper, FrameRectAndArcs) {
  dc_.FrameRect(RECT{10, 10, 20, 16}, kInk);
  EXPECT_TRUE(Inked(10, 10));
  EXPECT_TRUE(Inked(19, 15));
  EXPECT_FALSE(Inked(15, 13));
  EXPECT_FALSE(Inked(20, 13));

  // A quarter arc counter-clockwise from the right to the top of the circle.
  dc_.SelectPen(Pen{kInk, 1, PenStyle::kSolid});
  const RECT circle{40, 20, 81, 61};  // centre (60, 40), radius 20
  dc_.Arc(circle, POINT{90, 40}, POINT{60, 0});
  EXPECT_TRUE(Inked(60 + 14, 40 - 14) || Inked(60 + 14, 40 - 15) || Inked(60 + 15, 40 - 14));
  EXPECT_FALSE(Inked(60 - 14, 40 + 14) || Inked(60 - 14, 40 + 15));
  // Same start and end: the whole ellipse.
  dc_.Arc(circle, POINT{40, 20}, POINT{40, 20});
  EXPECT_TRUE(Inked(60, 60) || Inked(60, 59));
  EXPECT_TRUE(Inked(40, 40) || Inked(41, 40));
  EXPECT_FALSE(Inked(60, 40));  // no fill
}

}  // namespace dc_path_test
