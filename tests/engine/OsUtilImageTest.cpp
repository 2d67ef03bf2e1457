#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "EngineScopes.h"
#include "ObjectTestSupport.h"
#include "engine/core/EngAlloc.h"
#include "engine/image/OsUtilImage.h"
#include "engine/render/GlLayer.h"

namespace {

using namespace engine;
using platform::Bgra;
using platform::Image;
using platform::SIZE;

Image RandomImage(int width, int height, int bpp, unsigned seed) {
  Image image(width, height, bpp, bpp == 32);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width * bpp / 8; ++x) image.Row(y)[x] = static_cast<std::uint8_t>(random());
  return image;
}

// An RGBA buffer whose pixel (x, y) holds (x, y, x + y, 200); freed with
// the object.
struct OwnedRgba {
  OwnedRgba(int width, int height) {
    image.width = width;
    image.height = height;
    image.pixels = EngAllocArray<std::uint8_t>(image.ByteSize());
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        std::uint8_t* p = image.Pixel(x, y);
        p[0] = static_cast<std::uint8_t>(x);
        p[1] = static_cast<std::uint8_t>(y);
        p[2] = static_cast<std::uint8_t>(x + y);
        p[3] = 200;
      }
  }
  ~OwnedRgba() { OsUtilFreeImage(image); }
  OwnedRgba(const OwnedRgba&) = delete;
  OwnedRgba& operator=(const OwnedRgba&) = delete;
  std::vector<std::uint8_t> Bytes() const { return {image.pixels, image.pixels + image.ByteSize()}; }
  RgbaImageRecord image;
};

TEST(OsUtilBoxBlur, EqualsTheBruteForceMeanOverTheWindowInsideThePicture) {
  const Image source = RandomImage(13, 9, 32, 7);
  struct Case {
    int radius;
    SIZE area;
  };
  const Case cases[] = {{0, {13, 9}}, {1, {13, 9}}, {2, {13, 9}}, {4, {13, 9}}, {30, {13, 9}}, {2, {7, 5}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "radius " << c.radius << " area " << c.area.cx << "x" << c.area.cy);
    Image blurred(13, 9, 32, false);
    blurred.Fill(Bgra{1, 2, 3, 4});
    const SIZE* size = c.area.cx == 13 ? nullptr : &c.area;
    ASSERT_EQ(OsUtilBoxBlur(source, blurred, c.radius, size), 0);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 13; ++x) {
        if (x >= c.area.cx || y >= c.area.cy) {
          EXPECT_EQ(blurred.GetBgra(x, y), (Bgra{1, 2, 3, 4})) << "outside the area";
          continue;
        }
        int sums[4] = {0, 0, 0, 0}, count = 0;
        for (int j = std::max(0, y - c.radius); j <= std::min(c.area.cy - 1, y + c.radius); ++j)
          for (int i = std::max(0, x - c.radius); i <= std::min(c.area.cx - 1, x + c.radius); ++i, ++count)
            for (int k = 0; k < 4; ++k) sums[k] += source.Row(j)[i * 4 + k];
        for (int k = 0; k < 4; ++k) ASSERT_EQ(blurred.Row(y)[x * 4 + k], sums[k] / count) << x << "," << y;
      }
  }
}

TEST(OsUtilBoxBlur, RefusesOtherDepthsAndSizes) {
  const Image source = RandomImage(8, 8, 32, 1);
  Image wrongDepth(8, 8, 24), wrongSize(9, 8, 32);
  EXPECT_EQ(OsUtilBoxBlur(source, wrongDepth, 2, nullptr), -1);
  EXPECT_EQ(OsUtilBoxBlur(source, wrongSize, 2, nullptr), -1);
  enginetest::CleanFailureScope clean;
  Image target(8, 8, 32);
  EngAllocFailureScope failNext(1);
  EXPECT_EQ(OsUtilBoxBlur(source, target, 2, nullptr), -1);
  EXPECT_EQ(EngContext().failReason, kEngReasonOutOfMemory);
}

TEST(OsUtilDownsampleImage, AveragesBlocksOfTwoThreeOrFour) {
  for (int bpp : {24, 32})
    for (int f : {2, 3, 4}) {
      SCOPED_TRACE(::testing::Message() << bpp << " bits, factor " << f);
      const Image source = RandomImage(5 * f, 3 * f, bpp, static_cast<unsigned>(f));
      Image target(5, 3, bpp);
      OsUtilDownsampleImage(source, target);
      const int channels = bpp / 8;
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
          for (int c = 0; c < channels; ++c) {
            int sum = 0;
            for (int j = 0; j < f; ++j)
              for (int i = 0; i < f; ++i) sum += source.Row(y * f + j)[(x * f + i) * channels + c];
            ASSERT_EQ(target.Row(y)[x * channels + c], sum / (f * f));
          }
    }
}

TEST(OsUtilDownsampleImage, LeavesTheTargetAloneWhenTheSizesOrDepthsDoNotFit) {
  struct Case {
    int sw, sh, sbpp, tw, th, tbpp;
  };
  const Case cases[] = {{10, 10, 32, 4, 4, 32}, {10, 10, 32, 5, 5, 24}, {25, 25, 24, 5, 5, 24},
                        {10, 8, 32, 5, 2, 32},  {5, 5, 32, 5, 5, 32},   {16, 16, 8, 8, 8, 8}};
  for (const Case& c : cases) {
    const Image source = RandomImage(c.sw, c.sh, c.sbpp, 3);
    Image target(c.tw, c.th, c.tbpp);
    const Image before = target;
    OsUtilDownsampleImage(source, target);
    EXPECT_TRUE(std::equal(target.Bits(), target.Bits() + target.SizeBytes(), before.Bits()))
        << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th;
  }
}

TEST(OsUtilRgbaToRgbRows, KeepsPaddingOnlyWhenItIsThreeBytes) {
  const std::pair<int, int> strides[] = {{1, 3}, {2, 6}, {3, 12}, {4, 12}, {5, 15}, {6, 18}, {7, 24}, {8, 24}};
  for (auto [width, stride] : strides) {
    SCOPED_TRACE(width);
    EXPECT_EQ(OsUtilRgbRowStride(width), stride);
    OwnedRgba rgba(width, 3);
    OsUtilRgbaToRgbRows(rgba.image);
    for (int y = 0; y < 3; ++y) {
      const std::uint8_t* row = rgba.image.pixels + y * stride;
      for (int x = 0; x < width; ++x) {
        EXPECT_EQ(row[x * 3], x);
        EXPECT_EQ(row[x * 3 + 1], y);
        EXPECT_EQ(row[x * 3 + 2], x + y);
      }
      for (int i = width * 3; i < stride; ++i) EXPECT_EQ(row[i], 0) << "padding";
    }
  }
}

TEST(OsUtilFitTextureSize, RoundsSidesUpToPowersOfTwoWithinTheLimit) {
  struct Case {
    int width, height;
    TextureSizeLimit limit;
    int fitWidth, fitHeight;
  };
  const Case cases[] = {
      {100, 40, {}, 128, 64},
      {64, 256, {}, 64, 256},
      {600, 600, {true, 512, 512}, 512, 512},
      {1000, 600, {true, 512, 512}, 512, 512},
      {100, 30, {true, 512, 512}, 128, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
    OwnedRgba rgba(c.width, c.height);
    const std::uint8_t* before = rgba.image.pixels;
    OsUtilFitTextureSizeWithin(rgba.image, c.limit);
    EXPECT_EQ(rgba.image.width, c.fitWidth);
    EXPECT_EQ(rgba.image.height, c.fitHeight);
    ASSERT_NE(rgba.image.pixels, nullptr);
    if (c.fitWidth == c.width && c.fitHeight == c.height) {
      EXPECT_EQ(rgba.image.pixels, before) << "untouched";
    }
  }
}

class OsUtilFitWithPrefs : public objecttest::EngineObjectTest {};

TEST_F(OsUtilFitWithPrefs, ThePreferencesLimitTheSidesWhenTheirSwitchIsOn) {
  prefs_.textureLimitOn = 1;
  prefs_.textureMaxWidth = 256;
  prefs_.textureMaxHeight = 128;
  OwnedRgba limited(300, 300);
  OsUtilFitTextureSize(limited.image);
  EXPECT_EQ(limited.image.width, 256);
  EXPECT_EQ(limited.image.height, 128);
  prefs_.textureLimitOn = 0;
  prefs_.textureMaxWidth = prefs_.textureMaxHeight = 64;
  OwnedRgba unlimited(300, 300);
  OsUtilFitTextureSize(unlimited.image);
  EXPECT_EQ(unlimited.image.width, 512);
  EXPECT_EQ(unlimited.image.height, 512);
}

TEST(OsUtilFitTextureSize, OutOfMemoryLeavesNoPixelsAndRecordsIt) {
  enginetest::CleanFailureScope clean;
  OwnedRgba rgba(100, 40);
  {
    EngAllocFailureScope failNext(1);
    OsUtilFitTextureSize(rgba.image);
  }
  EXPECT_EQ(rgba.image.pixels, nullptr);
  EXPECT_EQ(EngContext().failState, kEngFailFailed);
  EXPECT_EQ(EngContext().failReason, kEngReasonOutOfMemory);
}

TEST(OsUtilCropImage, CopiesTheInclusiveRectangleAndRefusesOneOutside) {
  OwnedRgba source(10, 8);
  RgbaImageRecord crop;
  OsUtilCropImage(source.image, crop, platform::RECT{2, 3, 5, 4}, false);
  ASSERT_EQ(crop.width, 4);
  ASSERT_EQ(crop.height, 2);
  EXPECT_EQ(crop.Pixel(0, 0)[0], 2);
  EXPECT_EQ(crop.Pixel(0, 0)[1], 3);
  EXPECT_EQ(crop.Pixel(3, 1)[0], 5);
  EXPECT_EQ(crop.Pixel(3, 1)[1], 4);
  OsUtilCropImage(source.image, crop, platform::RECT{0, 0, 9, 7}, true);
  EXPECT_EQ(crop.width, 64);
  EXPECT_EQ(crop.height, 64);
  OsUtilFreeImage(crop);

  enginetest::ThrowingFatalScope fatal;
  enginetest::CleanFailureScope clean;
  const platform::RECT outside[] = {{-1, 0, 3, 3}, {0, 0, 10, 3}, {0, 0, 3, 8}, {4, 0, 3, 3}};
  for (const platform::RECT& rect : outside) {
    EXPECT_THROW(OsUtilCropImage(source.image, crop, rect, false), enginetest::FatalExit);
    EngContext().ClearFailure();
  }
}

TEST(OsUtilShiftImage, MovesEveryPixelWhoseTargetIsInsideAndKeepsTheRest) {
  const std::pair<double, double> shifts[] = {{0.5, 0.0}, {-0.5, 0.0}, {0.0, 0.4}, {0.0, -0.4}, {0.3, -0.6},
                                              {-0.26, 0.7}, {1.0, 0.0}, {0.0, 0.0}};
  for (auto [fx, fy] : shifts) {
    SCOPED_TRACE(::testing::Message() << fx << ", " << fy);
    OwnedRgba rgba(8, 5);
    const std::vector<std::uint8_t> before = rgba.Bytes();
    OsUtilShiftImage(rgba.image, fx, fy);
    const int dx = static_cast<int>(8 * fx), dy = static_cast<int>(5 * fy);
    std::vector<std::uint8_t> expected = before;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 8; ++x) {
        const int tx = x + dx, ty = y + dy;
        if (tx >= 0 && tx < 8 && ty >= 0 && ty < 5)
          std::memcpy(&expected[(ty * 8 + tx) * 4], &before[(y * 8 + x) * 4], 4);
      }
    EXPECT_EQ(rgba.Bytes(), expected);
  }
}

TEST(OsUtilBlendImageOver, MixesByTheOverlaysAlphaAndAddsAlpha) {
  OwnedRgba target(2, 1), overlay(2, 1);
  const std::uint8_t t[8] = {100, 200, 0, 100, 10, 20, 30, 200};
  const std::uint8_t o[8] = {255, 0, 50, 51, 90, 80, 70, 255};
  std::memcpy(target.image.pixels, t, 8);
  std::memcpy(overlay.image.pixels, o, 8);
  OsUtilBlendImageOver(target.image, overlay.image);
  EXPECT_EQ(target.Bytes(), (std::vector<std::uint8_t>{131, 160, 10, 151, 90, 80, 70, 255}));
  OwnedRgba other(3, 1);
  OsUtilBlendImageOver(target.image, other.image);  // another size: nothing
  EXPECT_EQ(target.Bytes()[0], 131);
}

TEST(OsUtilImageToRgba, ConvertsBgrRowsAndTurnsThemBottomUpUnlessKept) {
  Image rgb(2, 2, 24), argb(2, 2, 32, true), opaque(2, 2, 32, false), indexed(2, 2, 8);
  rgb.SetBgra(0, 0, Bgra{1, 2, 3, 0});
  rgb.SetBgra(1, 1, Bgra{4, 5, 6, 0});
  argb.SetBgra(0, 0, Bgra{1, 2, 3, 77});
  opaque.SetBgra(0, 0, Bgra{1, 2, 3, 77});
  indexed.SetIndex(0, 0, 255);
  struct Case {
    const Image* image;
    bool keepOrder;
    int answer;
    std::uint8_t topLeft[4];  // expected RGBA of the image's top-left pixel
  };
  const Case cases[] = {{&rgb, false, 3, {3, 2, 1, 255}},   {&rgb, true, 3, {3, 2, 1, 255}},
                        {&argb, false, 4, {3, 2, 1, 77}},   {&opaque, false, 4, {3, 2, 1, 255}},
                        {&indexed, false, 3, {255, 255, 255, 255}}};
  for (const Case& c : cases) {
    RgbaImageRecord out;
    ASSERT_EQ(OsUtilImageToRgba(*c.image, out, c.keepOrder), c.answer);
    const std::uint8_t* p = out.Pixel(0, c.keepOrder ? 0 : 1);
    EXPECT_EQ((std::vector<std::uint8_t>(p, p + 4)), (std::vector<std::uint8_t>(c.topLeft, c.topLeft + 4)));
    OsUtilFreeImage(out);
  }
  RgbaImageRecord none;
  EXPECT_EQ(OsUtilImageToRgba(Image(), none, false), -1);
}

TEST(OsUtilKeyColorToAlpha, ClearsTheKeyColourOnlyInsideTheSize) {
  Image image(4, 2, 32);
  image.Fill(Bgra{0x30, 0x20, 0x10, 9});
  image.SetBgra(1, 0, Bgra{0x30, 0x21, 0x10, 9});
  const SIZE size{3, 2};
  OsUtilKeyColorToAlpha(image, platform::MakeRgb(0x10, 0x20, 0x30), &size);
  EXPECT_TRUE(image.HasAlpha());
  EXPECT_EQ(image.GetBgra(0, 0).a, 0);
  EXPECT_EQ(image.GetBgra(1, 0).a, 255);
  EXPECT_EQ(image.GetBgra(2, 1).a, 0);
  EXPECT_EQ(image.GetBgra(3, 1).a, 9) << "outside the size";
}

TEST(OsUtilFillImage, FillsColourImagesAndEveryByteOfOneBitRows) {
  Image colour(3, 2, 32), mono(10, 2, 1);
  const SIZE size{2, 1};
  OsUtilFillImage(colour, platform::MakeRgb(1, 2, 3), 44, &size);
  EXPECT_EQ(colour.GetBgra(1, 0), (Bgra{3, 2, 1, 44}));
  EXPECT_EQ(colour.GetBgra(2, 0), (Bgra{0, 0, 0, 0}));
  EXPECT_EQ(colour.GetBgra(0, 1), (Bgra{0, 0, 0, 0}));
  OsUtilFillImage(mono, 0xFF, 0, nullptr);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < mono.Pitch(); ++i) EXPECT_EQ(mono.Row(y)[i], 0xFF);
  enginetest::ThrowingFatalScope fatal;
  enginetest::CleanFailureScope clean;
  EXPECT_THROW(OsUtilFillImage(mono, 0, 0, &size), enginetest::FatalExit);
}

TEST(OsUtilSmoothPixels, AveragesBlocksIncludingThoseCutByTheEdges) {
  for (int mode : {2, 3}) {
    const int block = mode;
    const Image source = RandomImage(8, 7, 32, 11);
    Image smoothed = source;
    OsUtilSmoothPixels(smoothed.Bits(), 8, 7, smoothed.Pitch(), 4, mode);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 8; ++x)
        for (int c = 0; c < 4; ++c) {
          if (c == 3) {
            EXPECT_EQ(smoothed.Row(y)[x * 4 + 3], source.Row(y)[x * 4 + 3]) << "alpha untouched";
            continue;
          }
          const int top = y / block * block, left = x / block * block;
          int sum = 0, count = 0;
          for (int j = top; j < std::min(7, top + block); ++j)
            for (int i = left; i < std::min(8, left + block); ++i, ++count) sum += source.Row(j)[i * 4 + c];
          ASSERT_EQ(smoothed.Row(y)[x * 4 + c], sum / count) << "mode " << mode << " at " << x << "," << y;
        }
  }
}

}  // namespace
