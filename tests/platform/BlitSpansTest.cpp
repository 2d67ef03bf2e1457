// The span paths of the blits (whole runs skipped or copied, four pixels at
// a time, rows in parallel) against the per-pixel formulas, on sources made
// of runs: transparent, opaque, mixed, and bytes that are not valid
// premultiplied colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/Blit.h"
#include "platform/Image.h"
#include "platform/Parallel.h"
#include "support/WorkerThreads.h"

// A name of its own: test files are compiled together in batches.
namespace blit_spans_test {

using namespace platform;

std::uint8_t Channel(const Bgra& p, int c) { return c == 0 ? p.b : c == 1 ? p.g : c == 2 ? p.r : p.a; }

// Runs of 1 to 9 pixels of one kind each.
Image RunsImage(int w, int h, unsigned seed) {
  Image image(w, h, 32, true);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y) {
    int kind = 0, left = 0;
    for (int x = 0; x < w; ++x) {
      if (left-- == 0) kind = static_cast<int>(random() % 4), left = static_cast<int>(random() % 9);
      const auto byte = [&] { return static_cast<std::uint8_t>(random()); };
      Bgra p{byte(), byte(), byte(), byte()};
      if (kind == 0) p = Bgra{};                                    // transparent
      if (kind == 1) p.a = 255;                                     // opaque
      if (kind == 2) p.b %= p.a + 1, p.g %= p.a + 1, p.r %= p.a + 1;  // valid premultiplied
      image.SetBgra(x, y, p);                                       // kind 3: any bytes
    }
  }
  return image;
}

using ThreadsScope = testsupport::ScopedWorkerThreads;

TEST(BlitSpans, SourceOverMatchesTheFormulaOnRunsAndOddBytes) {
  const Image src = RunsImage(203, 9, 1), under = RunsImage(203, 9, 2);
  for (int constant : {255, 200}) {
    for (int bpp : {32, 24}) {
      SCOPED_TRACE(testing::Message() << "k " << constant << ", " << bpp << " bits");
      Image dst(203, 9, bpp, bpp == 32);
      for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 203; ++x) dst.SetBgra(x, y, under.GetBgra(x, y));
      const Image before(dst);
      // Placed 3 pixels left and 1 down: the destination cuts the block.
      ASSERT_TRUE(AlphaBlendBits(dst, RECT{-3, 1, 200, 10}, src, RECT{0, 0, 203, 9},
                                 BlendFunction{static_cast<std::uint8_t>(constant), true}));
      for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 203; ++x) {
          const Bgra d = before.GetBgra(x, y), got = dst.GetBgra(x, y);
          if (y < 1 || x >= 200) {  // outside the destination block
            ASSERT_EQ(got, d) << x;
            continue;
          }
          const Bgra s = src.GetBgra(x + 3, y - 1);
          const int sa = s.a * constant / 255;
          for (int c = 0; c < bpp / 8; ++c) {
            const int sc = Channel(s, c) * constant / 255;
            ASSERT_EQ(Channel(got, c), std::min(255, sc + Channel(d, c) * (255 - sa) / 255)) << x << "," << y;
          }
        }
    }
  }
}

TEST(BlitSpans, ResultsDoNotDependOnTheThreadCount) {
  const Image src = RunsImage(700, 400, 3), under = RunsImage(900, 500, 4);
  const RECT rects[][2] = {{{10, 20, 710, 420}, {0, 0, 700, 400}},   // the same size
                           {{-50, 5, 1000, 480}, {3, 2, 690, 390}},  // enlarged
                           {{7, 9, 300, 200}, {0, 0, 700, 400}}};    // reduced
  for (const auto& r : rects) {
    Image blended[2], stretched[2], nearest[2];
    for (int i = 0; i < 2; ++i) {
      ThreadsScope threads(i == 0 ? 1 : 4);
      blended[i] = stretched[i] = nearest[i] = under;
      ASSERT_TRUE(AlphaBlendBits(blended[i], r[0], src, r[1], BlendFunction{255, true}));
      ASSERT_TRUE(StretchBits(stretched[i], r[0], src, r[1], StretchMode::kHalftone));
      ASSERT_TRUE(StretchBits(nearest[i], r[0], src, r[1], StretchMode::kColorOnColor));
    }
    for (const auto* pair : {blended, stretched, nearest})
      EXPECT_TRUE(std::equal(pair[0].Bits(), pair[0].Bits() + pair[0].SizeBytes(), pair[1].Bits()));
  }
}

}  // namespace blit_spans_test
