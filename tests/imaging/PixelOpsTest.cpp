#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "imaging/ImagingResult.h"
#include "imaging/PixelOps.h"
#include "ImageTestSupport.h"
#include "platform/Dc.h"
#include "platform/Hooks.h"

namespace {

using namespace imaging;
using platform::Image;
using platform::MakeRgb;
using platform::POINT;
using platform::RECT;
using platform::SIZE;
using testsupport::GetPx;
using testsupport::Px;
using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::SetPx;

// Installs a fatal hook that throws, so a broken rule can be seen.
class ThrowingFatal {
 public:
  ThrowingFatal()
      : old_(platform::SetFatalHook([](const std::string& text) { throw std::runtime_error(text); })) {}
  ~ThrowingFatal() { platform::SetFatalHook(old_); }

 private:
  platform::FatalHook old_;
};

// Applies `expected(px)` to every pixel of a copy of `image`.
template <class Fn>
Image MapPixels(const Image& image, Fn expected) {
  Image out(image);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) SetPx(out, x, y, expected(GetPx(image, x, y)));
  return out;
}

TEST(AlphaConversions, MatchThePerPixelFormulas) {
  Image pixel(1, 1, 32, true);
  SetPx(pixel, 0, 0, Px{200, 200, 200, 128});
  PnUtilPremultiplyAlpha(pixel);
  EXPECT_EQ(GetPx(pixel, 0, 0), (Px{100, 100, 100, 128}));
  PnUtilUnpremultiplyAlpha(pixel);
  EXPECT_EQ(GetPx(pixel, 0, 0), (Px{199, 199, 199, 128}));

  const Image straight = RandomImage(9, 7, 32, 1);
  Image premultiplied(straight);
  PnUtilPremultiplyAlpha(premultiplied);
  EXPECT_TRUE(SamePixels(premultiplied, MapPixels(straight, [](Px p) {
    for (int c = 0; c < 3; ++c) p[c] = static_cast<int>(std::floor(p[c] * (p[3] / 255.0) + 1e-9));
    return p;
  })));
  Image back(premultiplied);
  PnUtilUnpremultiplyAlpha(back);
  EXPECT_TRUE(SamePixels(back, MapPixels(premultiplied, [](Px p) {
    if (p[3] != 0 && p[3] != 255)
      for (int c = 0; c < 3; ++c) p[c] = std::min(255, static_cast<int>(std::floor(p[c] * 255.0 / p[3] + 1e-9)));
    return p;
  })));

  Image opacity = RandomImage(9, 7, 32, 2, true);
  const Image before(opacity);
  PnUtilScaleOpacity(opacity, 255);
  EXPECT_TRUE(SamePixels(opacity, before));
  PnUtilScaleOpacity(opacity, 77);
  EXPECT_TRUE(SamePixels(opacity, MapPixels(before, [](Px p) {
    for (int& b : p) b = b * 77 / 255;
    return p;
  })));

  // Other depths are left alone.
  Image rgb = RandomImage(5, 5, 24, 3);
  const Image rgbBefore(rgb);
  PnUtilPremultiplyAlpha(rgb);
  PnUtilSetAlpha(rgb, 7);
  EXPECT_TRUE(SamePixels(rgb, rgbBefore));
}

TEST(Fills, StayInsideTheImageAndKeepTheirDepthRules) {
  Image image(6, 5, 32, true);
  PnUtilFillImage(image, MakeRgb(10, 20, 30), 40, SIZE{4, 99});  // height cut to the image
  EXPECT_EQ(GetPx(image, 3, 4), (Px{30, 20, 10, 40}));
  EXPECT_EQ(GetPx(image, 4, 0), (Px{0, 0, 0, 0}));
  PnUtilFillImage(image, MakeRgb(1, 2, 3), 9, SIZE{0, 3});  // a zero member means the whole image
  EXPECT_EQ(GetPx(image, 5, 4), (Px{3, 2, 1, 9}));

  Image rgb(3, 3, 24);
  PnUtilFillImage(rgb, MakeRgb(50, 60, 70), 0);
  EXPECT_EQ(GetPx(rgb, 2, 2), (Px{70, 60, 50, 0}));

  Image mono(20, 3, 1);
  PnUtilFillImage(mono, 0xA5, 0);
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < mono.Pitch(); ++i) EXPECT_EQ(mono.Row(y)[i], 0xA5);
  ThrowingFatal fatal;
  EXPECT_THROW(PnUtilFillImage(mono, 0, 0, SIZE{2, 2}), std::runtime_error);

  Image rect(6, 5, 32, true);
  PnUtilFillRect32(rect, RECT{-3, 3, 99, 4}, MakeRgb(9, 8, 7));
  for (int x = 0; x < 6; ++x) EXPECT_EQ(GetPx(rect, x, 3), (Px{7, 8, 9, 255}));
  EXPECT_EQ(GetPx(rect, 0, 2), (Px{0, 0, 0, 0}));

  Image washed = RandomImage(6, 5, 32, 4);
  const Image original(washed);
  PnUtilWashOutRect(washed, RECT{4, -2, 10, 2});  // cut to the image
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      Px expected = GetPx(original, x, y);
      if (x >= 4 && y < 2)
        for (int c = 0; c < 3; ++c) expected[c] = expected[c] / 8 + 223;
      EXPECT_EQ(GetPx(washed, x, y), expected) << x << "," << y;
    }
}

TEST(CopyImageBits, CopiesTheCommonAreaByDepth) {
  struct Case {
    int srcBpp, dstBpp;
    bool copies;
  } const cases[] = {{32, 32, true}, {32, 24, true}, {24, 32, true}, {24, 24, true}, {32, 8, true},
                     {8, 8, true},   {8, 32, true},  {24, 8, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.srcBpp << " -> " << c.dstBpp);
    const Image src = RandomImage(5, 7, c.srcBpp, 5);
    Image dst = RandomImage(6, 4, c.dstBpp, 6);
    const Image before(dst);
    PnUtilCopyImageBits(src, dst);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) {
        Px expected = GetPx(before, x, y);
        const Px s = GetPx(src, std::min(x, 4), y);
        if (c.copies && x < 5) {
          if (c.dstBpp == 8)
            expected[0] = c.srcBpp == 32 ? s[3] : s[0];
          else if (c.srcBpp == 8)
            expected = Px{s[0], s[0], s[0], expected[3]};
          else
            expected = Px{s[0], s[1], s[2], c.srcBpp == 32 && c.dstBpp == 32 ? s[3] : expected[3]};
        }
        ASSERT_EQ(GetPx(dst, x, y), expected) << x << "," << y;
      }
  }
}

// The mean of each f × f block, per byte, truncated.
Image BoxMeans(const Image& src, int f, int w, int h) {
  Image out(w, h, src.Bpp(), src.HasAlpha());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Px sum{};
      for (int j = 0; j < f; ++j)
        for (int i = 0; i < f; ++i) {
          const Px p = GetPx(src, f * x + i, f * y + j);
          for (int c = 0; c < 4; ++c) sum[c] += p[c];
        }
      for (int& s : sum) s /= f * f;
      SetPx(out, x, y, sum);
    }
  return out;
}

TEST(ShrinkImage, AveragesBlocksForFactorsTwoToFour) {
  for (int bpp : {24, 32})
    for (int f : {2, 3, 4}) {
      SCOPED_TRACE(testing::Message() << bpp << " bpp by " << f);
      const Image src = RandomImage(5 * f + f - 1, 3 * f, bpp, static_cast<unsigned>(f));  // odd pixels left over
      Image dst(5, 3, bpp, bpp == 32);
      EXPECT_EQ(PnUtilShrinkImage(src, dst), kResultOk);
      EXPECT_TRUE(SamePixels(dst, BoxMeans(src, f, 5, 3)));
    }
  // Size pairs pick the top-left parts.
  const Image src = RandomImage(20, 20, 32, 9);
  Image dst(8, 8, 32, true);
  EXPECT_EQ(PnUtilShrinkImage(src, dst, SIZE{12, 9}, SIZE{4, 3}), kResultOk);
  const Image means = BoxMeans(src, 3, 4, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPx(dst, x, y), GetPx(means, x, y));
  EXPECT_EQ(GetPx(dst, 5, 5), (Px{0, 0, 0, 0}));
}

TEST(ShrinkImage, RefusesWhatItCannotDoAndTouchesNothing) {
  struct Case {
    const char* what;
    int srcW, srcH, srcBpp, dstW, dstH, dstBpp;
    std::optional<SIZE> srcSize, dstSize;
    int result;
  } const cases[] = {
      {"2.5 across but 3 down", 100, 120, 32, 40, 40, 32, {}, {}, kResultBadValue},
      {"factor 5", 50, 50, 32, 10, 10, 32, {}, {}, kResultBadValue},
      {"factor 1", 10, 10, 32, 10, 10, 32, {}, {}, kResultBadValue},
      {"source pair past the image", 20, 20, 32, 10, 10, 32, SIZE{40, 40}, SIZE{10, 10}, kResultBadValue},
      {"destination pair past the image", 40, 40, 32, 10, 10, 32, SIZE{40, 40}, SIZE{20, 20}, kResultBadValue},
      {"zero destination", 40, 40, 32, 10, 10, 32, SIZE{40, 40}, SIZE{0, 10}, kResultBadValue},
      {"depths differ", 20, 20, 32, 10, 10, 24, {}, {}, kResultBadImage},
      {"8-bit", 20, 20, 8, 10, 10, 8, {}, {}, kResultBadImage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Image src = RandomImage(c.srcW, c.srcH, c.srcBpp, 10);
    Image dst = RandomImage(c.dstW, c.dstH, c.dstBpp, 11);
    const Image before(dst);
    EXPECT_EQ(PnUtilShrinkImage(src, dst, c.srcSize, c.dstSize), c.result);
    EXPECT_TRUE(SamePixels(dst, before));
  }
}

// Nearest-pixel rotation computed directly for each pixel.
Image RotatedReference(const Image& src, double angle, int w, int h) {
  Image out(w, h, src.Bpp(), src.HasAlpha());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = x - w / 2.0, dy = y - h / 2.0;
      const double u = std::trunc(src.Width() / 2.0 + dx * std::cos(angle) + dy * std::sin(angle));
      const double v = std::trunc(src.Height() / 2.0 + dy * std::cos(angle) - dx * std::sin(angle));
      if (u >= 0 && v >= 0 && u < src.Width() && v < src.Height())
        SetPx(out, x, y, GetPx(src, static_cast<int>(u), static_cast<int>(v)));
    }
  return out;
}

TEST(RotateImage, TakesTheNearestSourcePixelAndClearsTheRest) {
  const Image square = RandomImage(6, 6, 32, 12);
  Image copy(6, 6, 32, true);
  EXPECT_EQ(PnUtilRotateImage(square, copy, 0), kResultOk);
  EXPECT_TRUE(SamePixels(copy, square));

  // Odd and even sizes keep every source coordinate off a pixel boundary.
  for (int bpp : {24, 32}) {
    SCOPED_TRACE(bpp);
    const Image src = RandomImage(5, 4, bpp, 13);
    Image turned = RandomImage(5, 6, bpp, 14);
    EXPECT_EQ(PnUtilRotateImage(src, turned, 3.14159265358979 / 2), kResultOk);
    EXPECT_TRUE(SamePixels(turned, RotatedReference(src, 3.14159265358979 / 2, 5, 6)));
    EXPECT_EQ(GetPx(turned, 0, 5), (Px{0, 0, 0, 0}));  // a corner the source does not reach

    Image tilted(9, 7, bpp, bpp == 32);
    EXPECT_EQ(PnUtilRotateImage(src, tilted, 0.3), kResultOk);
    EXPECT_TRUE(SamePixels(tilted, RotatedReference(src, 0.3, 9, 7)));
  }
  Image wrongDepth(5, 5, 24);
  EXPECT_EQ(PnUtilRotateImage(square, wrongDepth, 1.0), kResultBadImage);
  Image small(5, 5, 32);
  EXPECT_EQ(PnUtilRotateImage(square, small, 1.0, SIZE{6, 6}, SIZE{9, 9}), kResultBadValue);
}

TEST(ApplyMask, MultipliesByTheMaskAndClearsOutsideIt) {
  for (int bpp : {32, 8}) {
    SCOPED_TRACE(bpp);
    Image image = RandomImage(7, 6, bpp, 15);
    const Image before(image);
    const Image mask = RandomImage(5, 5, 8, 16);
    // Image at page (10, 20), mask at page (12, 19): image (x, y) meets mask (x − 2, y + 1).
    PnUtilApplyMask(image, POINT{10, 20}, SIZE{6, 5}, mask, POINT{12, 19}, SIZE{4, 5});
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 7; ++x) {
        Px expected = GetPx(before, x, y);
        if (x < 6 && y < 5) {
          const int mx = x - 2, my = y + 1;
          const int m = mx >= 0 && mx < 4 && my >= 0 && my < 5 ? mask.Row(my)[mx] : 0;
          for (int& b : expected) b = b * m / 255;
          if (bpp == 8) expected = Px{expected[0], 0, 0, 0};
        }
        ASSERT_EQ(GetPx(image, x, y), expected) << x << "," << y;
      }
  }
  Image image(4, 4, 32);
  const Image mask(4, 4, 8);
  ThrowingFatal fatal;
  EXPECT_THROW(PnUtilApplyMask(image, POINT{}, SIZE{5, 4}, mask, POINT{}, SIZE{4, 4}), std::runtime_error);
  EXPECT_THROW(PnUtilApplyMask(image, POINT{}, SIZE{4, 4}, mask, POINT{}, SIZE{4, 5}), std::runtime_error);
}

TEST(KeyColorToAlpha, MakesTheUntouchedBackgroundTransparent) {
  Image image(20, 10, 32, true);
  PnUtilFillImage(image, MakeRgb(1, 1, 1), 255);
  {
    platform::Dc dc(image);
    dc.FillRect(RECT{2, 2, 8, 8}, MakeRgb(0, 0, 0));   // black drawn on the 0x010101 key
    dc.FillRect(RECT{10, 2, 14, 8}, MakeRgb(1, 1, 2));  // one byte away from the key
  }
  PnUtilKeyColorToAlpha(image, 0x010101);
  EXPECT_EQ(GetPx(image, 0, 0)[3], 0);
  EXPECT_EQ(GetPx(image, 19, 9)[3], 0);
  EXPECT_EQ(GetPx(image, 3, 3), (Px{0, 0, 0, 255}));
  EXPECT_EQ(GetPx(image, 11, 3), (Px{2, 1, 1, 255}));
  EXPECT_EQ(GetPx(image, 0, 0), (Px{1, 1, 1, 0}));  // colours stay

  // Memory order: the first pixel byte is the key's low byte.
  Image ordered(3, 1, 32, true);
  SetPx(ordered, 0, 0, Px{0x11, 0x22, 0x33, 9});
  SetPx(ordered, 1, 0, Px{0x33, 0x22, 0x11, 9});
  SetPx(ordered, 2, 0, Px{0x11, 0x22, 0x33, 9});
  PnUtilKeyColorToAlpha(ordered, 0x332211, SIZE{2, 1});
  EXPECT_EQ(GetPx(ordered, 0, 0)[3], 0);
  EXPECT_EQ(GetPx(ordered, 1, 0)[3], 255);
  EXPECT_EQ(GetPx(ordered, 2, 0)[3], 9);  // outside the size pair
}

TEST(GetPixel, ClampsThePointAndAnswersByDepth) {
  Image image(3, 2, 32, true);
  SetPx(image, 0, 0, Px{1, 2, 3, 4});
  SetPx(image, 2, 1, Px{5, 6, 7, 8});
  struct Case {
    POINT point;
    std::uint32_t color;
    int alpha;
  } const cases[] = {{{0, 0}, 0x030201, 4}, {{-5, -5}, 0x030201, 4}, {{2, 1}, 0x070605, 8}, {{99, 99}, 0x070605, 8}};
  for (const Case& c : cases) {
    std::uint32_t color = 0;
    int alpha = -1;
    PnUtilGetPixel(image, c.point, color, alpha);
    EXPECT_EQ(color, c.color);
    EXPECT_EQ(alpha, c.alpha);
  }
  Image rgb(2, 2, 24);
  SetPx(rgb, 1, 1, Px{9, 8, 7, 0});
  std::uint32_t color = 0;
  int untouched = -1;
  PnUtilGetPixel(rgb, POINT{5, 5}, color, untouched);
  EXPECT_EQ(color, 0x070809u);
  EXPECT_EQ(untouched, -1);
  Image mask(2, 2, 8);
  mask.Row(0)[1] = 200;
  int byte = -1;
  PnUtilGetPixel(mask, POINT{1, -1}, color, byte);
  EXPECT_EQ(byte, 200);
}

TEST(GreyAndLighten, FollowTheirFormulasAndKeepPremultipliedColour) {
  const Image src = RandomImage(8, 6, 32, 17, true);
  Image grey(8, 6, 32, true);
  PnUtilToGrey(src, grey);
  EXPECT_TRUE(SamePixels(grey, MapPixels(src, [](Px p) {
    if (p[3] == 0) return Px{0, 0, 0, 0};
    const int g = (p[0] + 4 * p[1] + 2 * p[2]) / 7;
    return Px{g, g, g, p[3]};
  })));

  for (int amount : {-100, 0, 60, 300}) {
    SCOPED_TRACE(amount);
    Image lighter(8, 6, 32, true);
    PnUtilLighten(src, lighter, amount);
    EXPECT_TRUE(SamePixels(lighter, MapPixels(src, [amount](Px p) {
      if (p[3] == 0) return Px{0, 0, 0, 0};
      for (int c = 0; c < 3; ++c)
        p[c] = std::min(p[3], static_cast<int>(std::floor(std::max(0, p[c] + amount) * 255.0 / (amount + 255))));
      return p;
    })));
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) {
        const Px p = GetPx(lighter, x, y);
        ASSERT_LE(std::max({p[0], p[1], p[2]}), p[3]) << "colour above alpha at " << x << "," << y;
      }
  }
  // In place, and an amount that would divide by zero does nothing.
  Image inPlace(src);
  PnUtilToGrey(inPlace, inPlace);
  EXPECT_TRUE(SamePixels(inPlace, grey));
  Image kept(src);
  PnUtilLighten(kept, kept, -255);
  EXPECT_TRUE(SamePixels(kept, src));
}

TEST(MirrorHorizontal, ExchangesColumns) {
  for (int width : {1, 4, 5}) {
    const Image src = RandomImage(width, 3, 32, 18);
    Image mirrored(src);
    PnUtilMirrorHorizontal(mirrored);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < width; ++x) EXPECT_EQ(GetPx(mirrored, x, y), GetPx(src, width - 1 - x, y));
  }
}

// The lighter-pixel rule for one pair of premultiplied pixels.
Px Lighter(Px s, Px d) {
  if (s[3] == 0) return d;
  if (d[3] == 0) return s;
  const int ls = (s[0] + 4 * s[1] + 2 * s[2]) * 255 / s[3], ld = (d[0] + 4 * d[1] + 2 * d[2]) * 255 / d[3];
  if (ld <= ls) {
    if (d[3] < s[3]) return s;
    return Px{s[0] * d[3] / s[3], s[1] * d[3] / s[3], s[2] * d[3] / s[3], d[3]};
  }
  if (d[3] < s[3]) return Px{d[0] * s[3] / d[3], d[1] * s[3] / d[3], d[2] * s[3] / d[3], s[3]};
  return d;
}

TEST(CompositeLighter, KeepsTheLighterPixel) {
  Image white(1, 1, 32, true), black(1, 1, 32, true);
  SetPx(white, 0, 0, Px{128, 128, 128, 128});
  SetPx(black, 0, 0, Px{0, 0, 0, 255});
  PnUtilCompositeLighter(white, SIZE{1, 1}, POINT{0, 0}, black);
  EXPECT_EQ(GetPx(black, 0, 0), (Px{255, 255, 255, 255}));  // opaque and white

  const Image src = RandomImage(6, 5, 32, 19, true);
  const Image dstBefore = RandomImage(7, 6, 32, 20, true);
  Image dst(dstBefore);
  // The region reaches past the destination's right and bottom edges: it is cut.
  PnUtilCompositeLighter(src, SIZE{6, 5}, POINT{3, 2}, dst);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 7; ++x) {
      const int sx = x - 3, sy = y - 2;
      const bool covered = sx >= 0 && sy >= 0 && sx < 6 && sy < 5;
      const Px expected = covered ? Lighter(GetPx(src, sx, sy), GetPx(dstBefore, x, y)) : GetPx(dstBefore, x, y);
      ASSERT_EQ(GetPx(dst, x, y), expected) << x << "," << y;
    }
  // A negative offset cuts the region's top-left part.
  Image shifted(dstBefore);
  PnUtilCompositeLighter(src, SIZE{6, 5}, POINT{-4, -3}, shifted);
  EXPECT_EQ(GetPx(shifted, 1, 1), Lighter(GetPx(src, 5, 4), GetPx(dstBefore, 1, 1)));
  EXPECT_EQ(GetPx(shifted, 2, 2), GetPx(dstBefore, 2, 2));
}

TEST(ScaleImageToFit, ReducesTheOversampledPicture) {
  // A 6 × 6 source into 2 × 2 at factor 3: the work image is the source
  // itself, so each pixel is the mean of a 3 × 3 block, made opaque.
  const Image src = RandomImage(6, 6, 24, 21);
  Image dst = RandomImage(2, 2, 32, 22);
  EXPECT_EQ(PnUtilScaleImageToFit(src, dst, 3, false), kResultOk);
  const Image means = BoxMeans(src, 3, 2, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      Px expected = GetPx(means, x, y);
      expected[3] = 255;
      EXPECT_EQ(GetPx(dst, x, y), expected);
    }
}

TEST(ScaleImageToFit, KeepsTheAspectAndCentresForEveryFactor) {
  Image red(8, 4, 24);
  red.Fill(platform::Bgra{0, 0, 200, 0});
  Image half(8, 4, 32, true);
  half.Fill(platform::Bgra{0, 50, 0, 100});  // premultiplied green at alpha 100
  for (int factor : {0, 1, 2, 3, 7}) {  // 0 and 7 are clamped to 1 and 3
    SCOPED_TRACE(factor);
    Image dst = RandomImage(4, 4, 32, 23);
    EXPECT_EQ(PnUtilScaleImageToFit(red, dst, factor, true), kResultOk);
    // Fitted 4 × 2, centred: rows 1 and 2. A 24-bit source leaves opaque black margins.
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(GetPx(dst, x, 0), (Px{0, 0, 0, 255}));
      EXPECT_EQ(GetPx(dst, x, 1), (Px{0, 0, 200, 255}));
      EXPECT_EQ(GetPx(dst, x, 2), (Px{0, 0, 200, 255}));
      EXPECT_EQ(GetPx(dst, x, 3), (Px{0, 0, 0, 255}));
    }
    EXPECT_EQ(PnUtilScaleImageToFit(half, dst, factor, false), kResultOk);
    // At the top; a 32-bit source leaves transparent margins.
    EXPECT_EQ(GetPx(dst, 2, 0), (Px{0, 50, 0, 100}));
    EXPECT_EQ(GetPx(dst, 2, 1), (Px{0, 50, 0, 100}));
    EXPECT_EQ(GetPx(dst, 2, 2), (Px{0, 0, 0, 0}));
  }
  Image rgbDst(4, 4, 24);
  EXPECT_EQ(PnUtilScaleImageToFit(red, rgbDst, 3, true), kResultBadImage);
}

}  // namespace
