// Pixel operations that split their rows across threads, or work four
// pixels at a time, answer what one thread and the per-pixel formulas do.
#include <gtest/gtest.h>

#include <algorithm>

#include "imaging/ImagingResult.h"
#include "imaging/PixelOps.h"
#include "imaging/SoftEdges.h"
#include "platform/Parallel.h"
#include "support/WorkerThreads.h"
#include "ImageTestSupport.h"

namespace {

using namespace imaging;
using platform::Image;
using testsupport::GetPx;
using testsupport::Px;
using testsupport::RandomImage;
using testsupport::SamePixels;
using testsupport::SetPx;

using ThreadsScope = testsupport::ScopedWorkerThreads;

// Runs op on a copy of the image with one thread and with five; both must
// give the same bytes.
template <class Op>
testing::AssertionResult SameWithOneAndFiveThreads(const Image& image, Op op) {
  Image one(image), five(image);
  {
    ThreadsScope threads(1);
    op(one);
  }
  {
    ThreadsScope threads(5);
    op(five);
  }
  return SamePixels(one, five);
}

// Large enough for several bands of rows: about 2.5 million pixels.
const Image& LargePage() {
  static const Image page = RandomImage(1201, 2111, 32, 7, true);
  return page;
}

TEST(PixelOpsThreads, BoxBlurGivesTheSameBandsInPlaceOrNot) {
  for (int r : {1, 6, 70}) {
    SCOPED_TRACE(r);
    EXPECT_TRUE(SameWithOneAndFiveThreads(LargePage(), [r](Image& image) {
      ASSERT_EQ(PnUtilBoxBlur(image, image, r), kResultOk);
    }));
    EXPECT_TRUE(SameWithOneAndFiveThreads(LargePage(), [r](Image& image) {
      const Image source(image);
      ASSERT_EQ(PnUtilBoxBlur(source, image, r), kResultOk);
    }));
  }
}

TEST(PixelOpsThreads, AlphaPassesGiveTheSameRows) {
  EXPECT_TRUE(SameWithOneAndFiveThreads(LargePage(), [](Image& image) { PnUtilPremultiplyAlpha(image); }));
  EXPECT_TRUE(SameWithOneAndFiveThreads(LargePage(), [](Image& image) { PnUtilUnpremultiplyAlpha(image); }));
  EXPECT_TRUE(SameWithOneAndFiveThreads(LargePage(), [](Image& image) { PnUtilScaleOpacity(image, 99); }));
  EXPECT_TRUE(SameWithOneAndFiveThreads(LargePage(), [](Image& image) { PnUtilSetAlpha(image, 9); }));
}

TEST(PixelOpsThreads, PremultiplyMatchesTheFormulaOnEveryPairOfColourAndAlpha) {
  // Every colour byte against every alpha, in rows of an odd width.
  Image image(255, 257, 32, true);
  for (int y = 0; y < 257; ++y)
    for (int x = 0; x < 255; ++x) SetPx(image, x, y, Px{y % 256, (y + x) % 256, x, y % 256});
  const Image before(image);
  PnUtilPremultiplyAlpha(image);
  for (int y = 0; y < 257; ++y)
    for (int x = 0; x < 255; ++x) {
      Px expected = GetPx(before, x, y);
      for (int c = 0; c < 3; ++c) expected[c] = expected[c] * expected[3] / 255;
      ASSERT_EQ(GetPx(image, x, y), expected) << x << "," << y;
    }
}

TEST(PixelOpsThreads, KeyToPremultipliedEqualsKeyThenPremultiply) {
  // Pixels of the key with any alpha byte, next to near misses.
  Image image = RandomImage(203, 31, 32, 11);
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 203; x += 1 + (x + y) % 3)
      SetPx(image, x, y, Px{1, 1, (x % 7 == 0) ? 2 : 1, (x * 37) % 256});
  for (std::uint32_t key : {0x010101u, 0x000000u}) {
    Image twoPasses(image), merged(image);
    PnUtilKeyColorToAlpha(twoPasses, key);
    PnUtilPremultiplyAlpha(twoPasses);
    PnUtilKeyColorToPremultiplied(merged, key);
    EXPECT_TRUE(SamePixels(merged, twoPasses));
  }
}

}  // namespace
