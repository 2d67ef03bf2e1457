#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/Blit.h"
#include "platform/Dc.h"
#include "platform/Image.h"

namespace {

using namespace platform;

Image Random32(int w, int h, unsigned seed, bool premultiplied) {
  Image image(w, h, 32, true);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Bgra p{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
             static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())};
      if (premultiplied) {
        p.b = static_cast<std::uint8_t>(p.b % (p.a + 1));
        p.g = static_cast<std::uint8_t>(p.g % (p.a + 1));
        p.r = static_cast<std::uint8_t>(p.r % (p.a + 1));
      }
      image.SetBgra(x, y, p);
    }
  return image;
}

std::uint8_t Channel(const Bgra& p, int c) { return c == 0 ? p.b : c == 1 ? p.g : c == 2 ? p.r : p.a; }

// Area-weighted mean of the source under destination pixel (x, y), from
// the overlap of real-valued pixel squares.
double AreaMean(const Image& src, const RECT& s, const RECT& d, int x, int y, int c) {
  const double sx = static_cast<double>(s.Width()) / d.Width(), sy = static_cast<double>(s.Height()) / d.Height();
  const double x0 = s.left + (x - d.left) * sx, x1 = x0 + sx, y0 = s.top + (y - d.top) * sy, y1 = y0 + sy;
  double sum = 0;
  for (int j = static_cast<int>(std::floor(y0)); j < y1; ++j)
    for (int i = static_cast<int>(std::floor(x0)); i < x1; ++i) {
      const double wx = std::min<double>(i + 1, x1) - std::max<double>(i, x0);
      const double wy = std::min<double>(j + 1, y1) - std::max<double>(j, y0);
      if (wx > 0 && wy > 0) sum += wx * wy * Channel(src.GetBgra(i, j), c);
    }
  return sum / (sx * sy);
}

TEST(StretchBits, HalftoneIsTheAreaWeightedMean) {
  const Image src = Random32(13, 9, 1, false);
  struct Case {
    RECT s, d;
  } const cases[] = {
      {{0, 0, 13, 9}, {0, 0, 5, 4}},    // shrink by uneven factors
      {{2, 1, 11, 8}, {3, 2, 9, 9}},    // part of the source, shrink across, stretch down
      {{0, 0, 4, 3}, {1, 1, 11, 10}},   // enlarge
      {{0, 0, 12, 9}, {0, 0, 4, 3}},    // an integer factor
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.d.Width() << " x " << c.d.Height());
    Image dst(12, 11, 32, true);
    ASSERT_TRUE(StretchBits(dst, c.d, src, c.s, StretchMode::kHalftone));
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 12; ++x) {
        const bool inside = x >= c.d.left && x < c.d.right && y >= c.d.top && y < c.d.bottom;
        for (int ch = 0; ch < 4; ++ch) {
          const double expected = inside ? AreaMean(src, c.s, c.d, x, y, ch) : 0;
          ASSERT_NEAR(Channel(dst.GetBgra(x, y), ch), expected, 0.5 + 1e-9) << x << "," << y << " channel " << ch;
        }
      }
  }
}

TEST(StretchBits, NearestTakesThePixelUnderTheCentreAndCutsToTheImage) {
  const Image src = Random32(4, 4, 2, false);
  Image dst(6, 6, 32, true);
  // 4 × 4 onto 8 × 8 at (−2, −2): only the part inside the destination is written.
  ASSERT_TRUE(StretchBits(dst, RECT{-2, -2, 6, 6}, src, RECT{0, 0, 4, 4}, StretchMode::kColorOnColor));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.GetBgra(x, y), src.GetBgra((x + 2) / 2, (y + 2) / 2)) << x << "," << y;

  Image rgb(4, 4, 24);
  rgb.Fill(Bgra{1, 2, 3, 0});
  ASSERT_TRUE(StretchBits(dst, RECT{0, 0, 4, 4}, rgb, RECT{0, 0, 4, 4}, StretchMode::kHalftone));
  EXPECT_EQ(dst.GetBgra(3, 3), (Bgra{1, 2, 3, 255}));  // a 24-bit source is opaque

  Image gray(4, 4, 8);
  EXPECT_FALSE(StretchBits(dst, RECT{0, 0, 4, 4}, gray, RECT{0, 0, 4, 4}, StretchMode::kHalftone));
  EXPECT_FALSE(StretchBits(dst, RECT{0, 0, 4, 4}, src, RECT{1, 1, 5, 5}, StretchMode::kHalftone));  // source cut off
  EXPECT_FALSE(StretchBits(dst, RECT{0, 0, 4, 4}, src, RECT{2, 2, 2, 4}, StretchMode::kHalftone));  // empty
}

TEST(AlphaBlendBits, PremultipliedSourceOverAndConstantAlpha) {
  const Image src = Random32(7, 5, 3, true);
  const Image under = Random32(7, 5, 4, true);
  for (int constant : {255, 128, 0}) {
    SCOPED_TRACE(constant);
    Image perPixel(under), flat(under);
    ASSERT_TRUE(AlphaBlendBits(perPixel, RECT{0, 0, 7, 5}, src, RECT{0, 0, 7, 5},
                               BlendFunction{static_cast<std::uint8_t>(constant), true}));
    ASSERT_TRUE(AlphaBlendBits(flat, RECT{0, 0, 7, 5}, src, RECT{0, 0, 7, 5},
                               BlendFunction{static_cast<std::uint8_t>(constant), false}));
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) {
        const Bgra s = src.GetBgra(x, y), d = under.GetBgra(x, y);
        const int sa = s.a * constant / 255;
        for (int c = 0; c < 4; ++c) {
          const int sc = Channel(s, c) * constant / 255;
          EXPECT_EQ(Channel(perPixel.GetBgra(x, y), c), std::min(255, sc + Channel(d, c) * (255 - sa) / 255));
          EXPECT_EQ(Channel(flat.GetBgra(x, y), c), sc + Channel(d, c) * (255 - constant) / 255);
        }
      }
  }
  // Opaque source pixels replace, transparent ones leave the destination.
  Image pair(2, 1, 32, true), dst(2, 1, 32, true);
  pair.SetBgra(0, 0, Bgra{10, 20, 30, 255});
  dst.Fill(Bgra{100, 100, 100, 200});
  ASSERT_TRUE(AlphaBlendBits(dst, RECT{0, 0, 2, 1}, pair, RECT{0, 0, 2, 1}, BlendFunction{255, true}));
  EXPECT_EQ(dst.GetBgra(0, 0), (Bgra{10, 20, 30, 255}));
  EXPECT_EQ(dst.GetBgra(1, 0), (Bgra{100, 100, 100, 200}));

  Image rgb(2, 1, 24);
  EXPECT_FALSE(AlphaBlendBits(dst, RECT{0, 0, 2, 1}, rgb, RECT{0, 0, 2, 1}, BlendFunction{255, true}));
}

TEST(AlphaBlendBits, StretchesPremultipliedColourByAreaAveraging) {
  // Half opaque red, half clear: the mean is red at half alpha, which
  // premultiplied averaging keeps as colour 100 at alpha 100.
  Image src(2, 1, 32, true);
  src.SetBgra(0, 0, Bgra{0, 0, 200, 200});
  Image dst(1, 1, 32, true);
  ASSERT_TRUE(AlphaBlendBits(dst, RECT{0, 0, 1, 1}, src, RECT{0, 0, 2, 1}, BlendFunction{255, true}));
  EXPECT_EQ(dst.GetBgra(0, 0), (Bgra{0, 0, 100, 100}));
}

TEST(DcBlits, GoThroughTheContextsImageAndStretchMode) {
  Image canvas(8, 8, 32);
  Dc dc(canvas);
  Image src(2, 2, 32);
  src.SetBgra(0, 0, Bgra{0, 0, 0, 255});
  src.SetBgra(1, 0, Bgra{200, 200, 200, 255});
  src.SetBgra(0, 1, Bgra{200, 200, 200, 255});
  src.SetBgra(1, 1, Bgra{200, 200, 200, 255});
  EXPECT_EQ(dc.SetStretchBltMode(StretchMode::kHalftone), StretchMode::kColorOnColor);
  ASSERT_TRUE(dc.StretchBlt(RECT{0, 0, 1, 1}, src, RECT{0, 0, 2, 2}));
  EXPECT_EQ(canvas.GetBgra(0, 0).b, 150);
  dc.SetStretchBltMode(StretchMode::kColorOnColor);
  ASSERT_TRUE(dc.StretchBlt(RECT{0, 0, 4, 4}, src, RECT{0, 0, 2, 2}));
  EXPECT_EQ(canvas.GetBgra(1, 1).b, 0);
  EXPECT_EQ(canvas.GetBgra(2, 1).b, 200);
  ASSERT_TRUE(dc.AlphaBlend(RECT{4, 4, 6, 6}, src, RECT{0, 0, 2, 2}, BlendFunction{255, true}));
  EXPECT_EQ(canvas.GetBgra(5, 5).b, 200);
}

}  // namespace
