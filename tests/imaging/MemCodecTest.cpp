#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/memblock/CImageCompr.h"
#include "imaging/memblock/MemCodec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::Bgra;
using platform::Image;

Bytes RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(random());
  return out;
}

// Mostly repetitive data with some noise, so that levels differ.
Bytes TextLike(std::size_t n) {
  Bytes out(n);
  std::mt19937 random(11);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>("pennet page "[i % 12] + (random() % 16 == 0));
  return out;
}

Image Pattern(int width, int height, int bpp) {
  Image image(width, height, bpp, bpp == 32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (bpp == 8)
        image.SetIndex(x, y, (x * 7 + y) % 256);
      else
        image.SetBgra(x, y, Bgra{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y * 3),
                                 static_cast<std::uint8_t>(x ^ y), static_cast<std::uint8_t>(x + y)});
    }
  return image;
}

TEST(CImageCompr, RestoresIdenticalPixelsIntoAnImageOfTheSameFormat) {
  for (int bpp : {8, 24, 32}) {
    const Image source = Pattern(101, 37, bpp);
    imaging::CImageCompr kept;
    ASSERT_EQ(kept.Compress(source), 0) << bpp;
    EXPECT_LT(kept.CompressedSize(), source.SizeBytes());
    Image target(101, 37, bpp, bpp == 32);
    ASSERT_EQ(kept.Restore(target), 0) << bpp;
    EXPECT_EQ(0, std::memcmp(target.Bits(), source.Bits(), source.SizeBytes())) << bpp;
    // Restoring again gives the same.
    Image again(101, 37, bpp, bpp == 32);
    ASSERT_EQ(kept.Restore(again), 0);
    EXPECT_EQ(0, std::memcmp(again.Bits(), source.Bits(), source.SizeBytes()));
  }
}

TEST(CImageCompr, RefusesTargetsOfAnotherLayoutAndLeavesThemUntouched) {
  imaging::CImageCompr kept;
  ASSERT_EQ(kept.Compress(Pattern(64, 20, 32)), 0);
  struct Case {
    int width, height, bpp;
  };
  for (const Case& c : {Case{65, 20, 32}, Case{64, 21, 32}, Case{64, 20, 24}, Case{63, 20, 32}}) {
    Image target(c.width, c.height, c.bpp, c.bpp == 32);
    target.Fill(Bgra{1, 2, 3, 4});
    const Image before = target;
    EXPECT_EQ(kept.Restore(target), -1) << c.width << "x" << c.height << "x" << c.bpp;
    EXPECT_EQ(0, std::memcmp(target.Bits(), before.Bits(), before.SizeBytes()));
  }
  Image null;
  EXPECT_EQ(kept.Restore(null), -1);
}

TEST(CImageCompr, HoldsNothingBeforeAndAfterAFailedCompress) {
  imaging::CImageCompr kept;
  Image target(4, 4, 32, true);
  EXPECT_EQ(kept.Restore(target), -1);
  ASSERT_EQ(kept.Compress(Pattern(4, 4, 32)), 0);
  EXPECT_EQ(kept.Compress(Image()), -1);
  EXPECT_FALSE(kept.HasData());
  EXPECT_EQ(kept.Restore(target), -1);
}

TEST(MemCompress, LevelsOutsideZeroToTenMeanSixAndTenFails) {
  const Bytes input = TextLike(50000);
  Bytes level6, level11, levelMinus5, level10, level1;
  ASSERT_GT(imaging::MemCompress(input.data(), input.size(), level6, 6), 0);
  ASSERT_GT(imaging::MemCompress(input.data(), input.size(), level11, 11), 0);
  ASSERT_GT(imaging::MemCompress(input.data(), input.size(), levelMinus5, -5), 0);
  ASSERT_GT(imaging::MemCompress(input.data(), input.size(), level1, 1), 0);
  EXPECT_EQ(level11, level6);
  EXPECT_EQ(levelMinus5, level6);
  EXPECT_NE(level1, level6);
  EXPECT_EQ(imaging::MemCompress(input.data(), input.size(), level10, 10), -1);
  // zlib's own one-shot coder at level 6 makes the same stream.
  Bytes reference(compressBound(static_cast<uLong>(input.size())));
  uLongf length = static_cast<uLongf>(reference.size());
  ASSERT_EQ(compress2(reference.data(), &length, input.data(), static_cast<uLong>(input.size()), 6), Z_OK);
  reference.resize(length);
  EXPECT_EQ(level6, reference);
}

TEST(MemCompress, OutputsOfWholeChunksAreReturnedWhole) {
  // Random data hardly compresses: search the input length whose stream is
  // exactly one or two chunks long, and expand it back.
  for (std::int64_t wanted : {1024, 2048}) {
    bool found = false;
    for (std::size_t n = static_cast<std::size_t>(wanted) - 40; n < static_cast<std::size_t>(wanted) && !found; ++n) {
      const Bytes input = RandomBytes(n, 5);
      Bytes packed;
      if (imaging::MemCompress(input.data(), input.size(), packed, 1) != wanted) continue;
      found = true;
      ASSERT_EQ(packed.size(), static_cast<std::size_t>(wanted));
      Bytes back(n);
      EXPECT_EQ(imaging::MemDecompress(packed.data(), packed.size(), back.data(), back.size()),
                static_cast<std::int64_t>(n));
      EXPECT_EQ(back, input);
    }
    EXPECT_TRUE(found) << wanted;
  }
}

TEST(MemDecompress, FailsOnCutShortCorruptOrOversizedData) {
  const Bytes input = TextLike(20000);
  Bytes packed;
  ASSERT_GT(imaging::MemCompress(input.data(), input.size(), packed, 1), 0);
  Bytes out(input.size());
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, packed.size() / 2, packed.size() - 1})
    EXPECT_EQ(imaging::MemDecompress(packed.data(), cut, out.data(), out.size()), -1) << cut;
  Bytes corrupt = packed;
  corrupt[corrupt.size() / 2] ^= 0x5A;
  corrupt[corrupt.size() / 2 + 1] ^= 0xA5;
  EXPECT_EQ(imaging::MemDecompress(corrupt.data(), corrupt.size(), out.data(), out.size()), -1);

  // A destination one byte short is never written past its end.
  Bytes guarded(input.size() + 16, 0xEE);
  EXPECT_EQ(imaging::MemDecompress(packed.data(), packed.size(), guarded.data(), input.size() - 1), -1);
  for (std::size_t i = input.size() - 1; i < guarded.size(); ++i) ASSERT_EQ(guarded[i], 0xEE) << i;
  EXPECT_EQ(imaging::MemDecompress(packed.data(), packed.size(), guarded.data(), input.size()),
            static_cast<std::int64_t>(input.size()));
}

TEST(ChainedBuffer, CollectsAcrossBlocksAndStaysFailed) {
  imaging::ChainedBuffer buffer;
  buffer.ResetChained(4);
  const Bytes data = RandomBytes(11, 2);
  EXPECT_EQ(buffer.Append(data.data(), 3), 3);
  EXPECT_EQ(buffer.Append(data.data() + 3, 1), 4);  // fills the first block exactly
  EXPECT_EQ(buffer.Append(data.data() + 4, 7), 11);
  Bytes joined;
  EXPECT_EQ(buffer.Take(joined), 11);
  EXPECT_EQ(joined, data);

  std::uint8_t small[5];
  buffer.SetDirect(small, sizeof small);
  EXPECT_EQ(buffer.Append(data.data(), 5), 5);
  EXPECT_EQ(buffer.Append(data.data(), 1), -1);
  EXPECT_EQ(buffer.Append(data.data(), 0), -1);  // failed for good
  EXPECT_EQ(buffer.Take(joined), -1);
  buffer.Release();
  EXPECT_FALSE(buffer.Failed());
}

}  // namespace
