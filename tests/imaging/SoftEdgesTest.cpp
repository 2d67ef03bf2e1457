#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "imaging/ImagingResult.h"
#include "imaging/PixelOpsInternal.h"
#include "imaging/SoftEdges.h"
#include "ImageTestSupport.h"

namespace {

using namespace imaging;
using platform::COLORREF;
using platform::Image;
using platform::MakeRgb;
using platform::SIZE;
using testsupport::GetPx;
using testsupport::Px;
using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::SetPx;

// The mean of the window pixels inside the w × h region, per byte.
Image BlurReference(const Image& src, int r, int w, int h) {
  Image out(src);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      long long sum[4] = {}, n = 0;
      for (int j = y - r; j <= y + r; ++j)
        for (int i = x - r; i <= x + r; ++i) {
          if (i < 0 || j < 0 || i >= w || j >= h) continue;
          const Px p = GetPx(src, i, j);
          for (int c = 0; c < 4; ++c) sum[c] += p[c];
          ++n;
        }
      SetPx(out, x, y, Px{int(sum[0] / n), int(sum[1] / n), int(sum[2] / n), int(sum[3] / n)});
    }
  return out;
}

// Premultiplied source over destination, per byte, truncating.
Px Over(Px s, Px d) {
  Px out;
  for (int c = 0; c < 4; ++c) out[c] = std::min(255, s[c] + d[c] * (255 - s[3]) / 255);
  return out;
}

TEST(BoxBlur, AveragesTheWindowInsideTheRegion) {
  const Image src = RandomImage(23, 17, 32, 30, true);
  for (int r : {0, 1, 2, 5, 40}) {
    SCOPED_TRACE(r);
    Image dst(23, 17, 32, true);
    EXPECT_EQ(PnUtilBoxBlur(src, dst, r), kResultOk);
    const Image expected = BlurReference(src, r, 23, 17);
    EXPECT_TRUE(SamePixels(dst, expected));
    Image inPlace(src);
    EXPECT_EQ(PnUtilBoxBlur(inPlace, inPlace, r), kResultOk);
    EXPECT_TRUE(SamePixels(inPlace, expected));
  }
  // A size pair blurs only its part, with the edges of that part.
  Image part(src);
  EXPECT_EQ(PnUtilBoxBlur(src, part, 2, SIZE{5, 4}), kResultOk);
  const Image partExpected = BlurReference(src, 2, 5, 4);
  EXPECT_TRUE(SamePixels(part, partExpected));

  Image rgb(9, 7, 24);
  Image dst(9, 7, 32);
  EXPECT_EQ(PnUtilBoxBlur(rgb, dst, 1), kResultBadImage);
  EXPECT_EQ(PnUtilBoxBlur(src, rgb, 1), kResultBadImage);
}

TEST(BoxBlur, KeepsAFlatColourFlatWhateverTheRadius) {
  Image narrow(3, 12, 32, true);
  narrow.Fill(platform::Bgra{40, 80, 120, 200});
  Image dst(3, 12, 32, true);
  EXPECT_EQ(PnUtilBoxBlur(narrow, dst, 5), kResultOk);
  EXPECT_TRUE(SamePixels(dst, narrow));
  EXPECT_EQ(PnUtilBoxBlur(narrow, dst, 1 << 30), kResultOk);  // a radius far beyond the image
  EXPECT_TRUE(SamePixels(dst, narrow));
}

TEST(BoxBlur, WindowDivisionIsExactAtEveryQuotientBoundary) {
  std::vector<std::uint64_t> counts;
  for (std::uint64_t n = 1; n <= 700; ++n) counts.push_back(n);
  for (std::uint64_t n : {4225ull, 456040ull, (1ull << 20) + 7, 3000001ull, 1ull << 24, 70000000ull}) counts.push_back(n);
  for (std::uint64_t n : counts) {
    const detail::WindowDivider divide(n);
    for (std::uint64_t k = 0; k <= 255; ++k)
      for (std::uint64_t x : {k * n, k * n + n - 1, k * n + n / 2}) {
        if (x > 255 * n) continue;
        ASSERT_EQ(divide(x), x / n) << x << " / " << n;
      }
  }
}

// The feathered pixel for a weight w: alpha trunc(a·w), colour keeping
// its ratio to alpha.
Px Feathered(Px p, double weight) {
  if (p[3] == 0) return Px{0, 0, 0, 0};
  const int alpha = static_cast<int>(p[3] * weight);
  return Px{p[0] * alpha / p[3], p[1] * alpha / p[3], p[2] * alpha / p[3], alpha};
}

double FeatherWeight(int x, int y, int w, int h, int r) {
  auto depth = [r](int p, int n) { return std::max({0, r - p, p - (n - r - 1)}); };
  const int o = depth(x, w), t = depth(y, h);
  const double distance = o > 0 && t > 0 ? std::hypot(o, t) : std::max(o, t);
  return distance > r + 1 ? 0.0 : 1.0 - distance / (r + 1);
}

TEST(FeatherEdges, FadesTheBorderAndCopiesTheInterior) {
  Image flat(8, 6, 32, true);
  flat.Fill(platform::Bgra{200, 200, 200, 255});
  Image dst(8, 6, 32, true);
  PnUtilFeatherEdges(flat, dst, 2);
  EXPECT_EQ(GetPx(dst, 0, 0)[3], static_cast<int>(255 * (1 - std::sqrt(8.0) / 3)));  // corner: T[2][2]
  EXPECT_EQ(GetPx(dst, 7, 3), (Px{66, 66, 66, 85}));                                 // last column: 1/3
  EXPECT_EQ(GetPx(dst, 6, 3), (Px{133, 133, 133, 170}));                             // next: 2/3
  EXPECT_EQ(GetPx(dst, 3, 2), (Px{200, 200, 200, 255}));                             // interior

  // A semi-transparent edge keeps its colour's ratio to alpha (it does not darken).
  Image soft(8, 6, 32, true);
  soft.Fill(platform::Bgra{100, 100, 100, 128});
  PnUtilFeatherEdges(soft, dst, 2);
  EXPECT_EQ(GetPx(dst, 6, 3), (Px{66, 66, 66, 85}));

  for (int r : {0, 1, 3, 50}) {
    SCOPED_TRACE(r);
    const Image src = RandomImage(9, 7, 32, 31, true);
    Image out(9, 7, 32, true);
    PnUtilFeatherEdges(src, out, r);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) {
        const bool border = x < r || y < r || x >= 9 - r || y >= 7 - r;
        const Px expected = border ? Feathered(GetPx(src, x, y), FeatherWeight(x, y, 9, 7, r)) : GetPx(src, x, y);
        ASSERT_EQ(GetPx(out, x, y), expected) << x << "," << y;
      }
  }
}

TEST(Outline, OfOnePixelFillsItsFootprintInTheColour) {
  Image src(9, 9, 32, true);
  SetPx(src, 4, 4, Px{10, 20, 30, 255});
  Image dst = RandomImage(9, 9, 32, 32);
  PnUtilMakeOutlineOrShadow(src, dst, 1, 1, MakeRgb(200, 100, 50), -1);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) {
      Px expected{0, 0, 0, 0};
      if (std::abs(x - 4) <= 1 && std::abs(y - 4) <= 1) expected = Px{50, 100, 200, 255};
      if (x == 4 && y == 4) expected = Px{10, 20, 30, 255};  // the object over its outline
      ASSERT_EQ(GetPx(dst, x, y), expected) << x << "," << y;
    }
}

TEST(Outline, SmoothsTheInsideCornerOfAStep) {
  // An L of three pixels with no footprint: the empty pixel in its corner
  // is graded and so are the two empty pixels beside the L's ends.
  //   . . . . .
  //   . . . . .
  //   . . # # .      (2,2) (3,2)
  //   . . # c .      c = (3,3)
  //   . . . . .
  Image src(6, 6, 32, true);
  for (auto [x, y] : {std::pair{2, 2}, {3, 2}, {2, 3}}) SetPx(src, x, y, Px{0, 0, 0, 255});
  Image dst(6, 6, 32, true);
  PnUtilMakeOutlineOrShadow(src, dst, 0, 0, MakeRgb(255, 255, 255), -1);
  EXPECT_EQ(GetPx(dst, 3, 3), (Px{127, 127, 127, 127}));
  EXPECT_EQ(GetPx(dst, 2, 4), (Px{126, 126, 126, 126}));
  EXPECT_EQ(GetPx(dst, 4, 2), (Px{126, 126, 126, 126}));
  EXPECT_EQ(GetPx(dst, 2, 2), (Px{0, 0, 0, 255}));
  int graded = 0;
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) graded += GetPx(dst, x, y)[3] != 0;
  EXPECT_EQ(graded, 6);
}

TEST(Outline, ModeMinusTwoCountsOnlyOpaquePixelsAsInside) {
  Image src(7, 7, 32, true);
  SetPx(src, 3, 3, Px{0, 0, 0, 128});
  Image dst(7, 7, 32, true);
  PnUtilMakeOutlineOrShadow(src, dst, 1, 1, MakeRgb(255, 0, 0), -2);
  EXPECT_EQ(GetPx(dst, 2, 3), (Px{0, 0, 0, 0}));  // no halo around a half-transparent pixel
  PnUtilMakeOutlineOrShadow(src, dst, 1, 1, MakeRgb(255, 0, 0), -1);
  EXPECT_EQ(GetPx(dst, 2, 3), (Px{0, 0, 255, 255}));
}

// The footprint of the outline before smoothing, pixel by pixel: the
// pixels inside the shape and every pixel within the box of radii
// (rx, ry) around an inside pixel that has an outside 4-neighbour.
std::vector<bool> StampedReference(const Image& src, int rx, int ry, int mode) {
  const int w = src.Width(), h = src.Height();
  auto inside = [&](int x, int y) {
    const int a = GetPx(src, x, y)[3];
    return mode == -1 ? a != 0 : a == 255;
  };
  std::vector<bool> stamped(static_cast<std::size_t>(w * h), false);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!inside(x, y)) continue;
      stamped[static_cast<std::size_t>(y * w + x)] = true;
      const bool edge = (x > 0 && !inside(x - 1, y)) || (x + 1 < w && !inside(x + 1, y)) ||
                        (y > 0 && !inside(x, y - 1)) || (y + 1 < h && !inside(x, y + 1));
      if (!edge) continue;
      for (int j = std::max(0, y - ry); j <= std::min(h - 1, y + ry); ++j)
        for (int i = std::max(0, x - rx); i <= std::min(w - 1, x + rx); ++i) stamped[static_cast<std::size_t>(j * w + i)] = true;
    }
  return stamped;
}

// Random blobs of opaque pixels with some half-transparent ones among them.
Image Blobs(int w, int h, unsigned seed) {
  Image image(w, h, 32, true);
  std::mt19937 random(seed);
  for (int blob = 0; blob < 5; ++blob) {
    const int x0 = static_cast<int>(random() % w), y0 = static_cast<int>(random() % h);
    const int x1 = std::min(w, x0 + 1 + static_cast<int>(random() % 6)), y1 = std::min(h, y0 + 1 + static_cast<int>(random() % 5));
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) SetPx(image, x, y, random() % 5 == 0 ? Px{20, 30, 40, 128} : Px{60, 70, 80, 255});
  }
  return image;
}

TEST(Outline, FullCoverageIsExactlyTheFootprintAndGradedPixelsTouchIt) {
  constexpr int kW = 26, kH = 19;
  const COLORREF colour = MakeRgb(200, 120, 40);  // B 40, G 120, R 200
  struct Case {
    int rx, ry, mode;
  } const cases[] = {{0, 0, -1}, {1, 0, -1}, {2, 1, -1}, {0, 3, -1}, {3, 3, -1}, {1, 2, -2}, {4, 0, -2}};
  for (unsigned seed = 1; seed <= 4; ++seed)
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " radii " << c.rx << "," << c.ry << " mode " << c.mode);
      const Image src = Blobs(kW, kH, seed);
      Image dst = RandomImage(kW, kH, 32, seed + 100);
      PnUtilMakeOutlineOrShadow(src, dst, c.rx, c.ry, colour, c.mode);
      const std::vector<bool> stamped = StampedReference(src, c.rx, c.ry, c.mode);
      auto isStamped = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < kW && y < kH && stamped[static_cast<std::size_t>(y * kW + x)];
      };
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          const Px s = GetPx(src, x, y), d = GetPx(dst, x, y);
          if (s[3] == 255) {
            ASSERT_EQ(d, s) << x << "," << y;  // the object over its outline
            continue;
          }
          if (s[3] != 0) continue;  // a half-transparent pixel blends with what is behind it
          const int a = d[3];
          ASSERT_EQ(d, (Px{40 * a / 255, 120 * a / 255, 200 * a / 255, a})) << x << "," << y;
          if (isStamped(x, y)) {
            ASSERT_EQ(a, 255) << x << "," << y;
            continue;
          }
          ASSERT_LT(a, 255) << x << "," << y;
          // Smoothing only grades pixels along the footprint's edges.
          if (a > 0) {
            ASSERT_TRUE(isStamped(x - 1, y) || isStamped(x + 1, y) || isStamped(x, y - 1) || isStamped(x, y + 1))
                << x << "," << y;
          }
        }
    }
}

TEST(SmoothEdgeRun, SaturatesCoverageBelowFull) {
  // Three rows of eight pixels; the run starts at (0, 1) and walks right
  // between covered rows up to x = 3. Pixel (1, 1) already holds 200 from
  // an earlier run and gets 63 more.
  std::vector<std::uint8_t> bytes(3 * 8 * 4, 0);
  auto cover = [&](int x, int y) -> std::uint8_t& { return bytes[static_cast<std::size_t>((y * 8 + x) * 4)]; };
  for (int x = 0; x < 4; ++x) cover(x, 0) = cover(x, 2) = 255;
  cover(1, 1) = 200;
  PnUtilSmoothEdgeRun(&cover(0, 1), 4, 8 * 4, 0, 8, 1, 3, +1);
  EXPECT_EQ(cover(0, 1), 127);
  EXPECT_EQ(cover(1, 1), 254);  // not 263 wrapped to 7
  EXPECT_EQ(cover(2, 1), 63);
  EXPECT_EQ(cover(3, 1), 0);
}

TEST(Shadow, IsTheShapeInTheColourBlurredBehindTheObject) {
  const Image src = RandomImage(8, 6, 32, 33, true);
  const auto shadowOf = [&](int dx, int dy) {
    Image shadow(8, 6, 32, true);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) {
        const int sx = x - dx, sy = y - dy;
        const int a = sx >= 0 && sy >= 0 && sx < 8 && sy < 6 ? GetPx(src, sx, sy)[3] : 0;
        SetPx(shadow, x, y, Px{90 * a / 255, 60 * a / 255, 30 * a / 255, a});
      }
    return shadow;
  };
  struct Case {
    int dx, dy, blur;
  } const cases[] = {{0, 0, 0}, {2, 1, 0}, {-1, 2, 1}, {3, 3, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy << " blur " << c.blur);
    const Image behind = BlurReference(shadowOf(c.dx, c.dy), c.blur, 8, 6);
    Image dst = RandomImage(8, 6, 32, 34);
    PnUtilMakeOutlineOrShadow(src, dst, c.dx, c.dy, MakeRgb(30, 60, 90), c.blur);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(GetPx(dst, x, y), Over(GetPx(src, x, y), GetPx(behind, x, y))) << x << "," << y;
  }
}

}  // namespace
