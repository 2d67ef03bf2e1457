#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "imaging/gif/CLzwCodec.h"

namespace {

using imaging::LzwEncode;
using Bytes = std::vector<std::uint8_t>;

// Reads codes least significant bit first.
class CodeReader {
 public:
  explicit CodeReader(const Bytes& bytes) : bytes_(bytes) {}
  bool Read(int width, int& code) {
    if (position_ + static_cast<std::size_t>(width) > bytes_.size() * 8) return false;
    code = 0;
    for (int i = 0; i < width; ++i, ++position_)
      if (bytes_[position_ / 8] >> (position_ % 8) & 1) code |= 1 << i;
    return true;
  }
  std::size_t Position() const { return position_; }

 private:
  const Bytes& bytes_;
  std::size_t position_ = 0;
};

// A plain GIF LZW decoder, written from the format's description: the table
// grows one entry per code after the first, and the width grows when the
// next free code reaches 2^width (at most 12 bits).
struct Decoded {
  bool ok = false;
  Bytes data;
  int clears = 0;
};

Decoded ReferenceDecode(const Bytes& stream, int codeSize) {
  Decoded out;
  const int clear = 1 << codeSize, end = clear + 1;
  std::vector<Bytes> table;
  auto reset = [&] {
    table.assign(static_cast<std::size_t>(clear + 2), Bytes{});
    for (int i = 0; i < clear; ++i) table[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i)};
  };
  reset();
  int width = codeSize + 1;
  int previous = -1;
  CodeReader reader(stream);
  for (int code = 0;;) {
    if (!reader.Read(width, code)) return out;
    if (code == clear) {
      ++out.clears;
      reset();
      width = codeSize + 1;
      previous = -1;
      continue;
    }
    if (code == end) break;
    Bytes entry;
    if (previous < 0) {
      if (code >= clear) return out;
      entry = table[static_cast<std::size_t>(code)];
    } else {
      const Bytes& prev = table[static_cast<std::size_t>(previous)];
      if (code < static_cast<int>(table.size()) && code != clear && code != end)
        entry = table[static_cast<std::size_t>(code)];
      else if (code == static_cast<int>(table.size()))
        entry = prev, entry.push_back(prev[0]);
      else
        return out;
      Bytes added = prev;
      added.push_back(entry[0]);
      table.push_back(added);
      if (static_cast<int>(table.size()) == 1 << width && width < 12) ++width;
    }
    out.data.insert(out.data.end(), entry.begin(), entry.end());
    previous = code;
  }
  // The encoder's stream is bit position / 8 + 1 bytes long.
  out.ok = stream.size() == reader.Position() / 8 + 1;
  return out;
}

Bytes RandomBytes(std::size_t n, int codeSize, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(random() % (1u << codeSize));
  return out;
}

TEST(LzwEncode, FourEqualBytesGiveTheTextbookCodes) {
  const Bytes input = {0, 0, 0, 0};
  const Bytes stream = LzwEncode(input.data(), input.size(), 8);
  // Five 9-bit codes are 45 bits: 6 bytes.
  ASSERT_EQ(stream.size(), 6u);
  CodeReader reader(stream);
  std::vector<int> codes(5);
  for (int& c : codes) ASSERT_TRUE(reader.Read(9, c));
  EXPECT_EQ(codes, (std::vector<int>{256, 0, 258, 0, 257}));
}

TEST(LzwEncode, StreamEndingOnAByteBoundaryCarriesOneMoreZeroByte) {
  // Clear, six single bytes and end: eight 9-bit codes, 72 bits exactly.
  const Bytes input = {0, 1, 2, 3, 4, 5};
  const Bytes stream = LzwEncode(input.data(), input.size(), 8);
  ASSERT_EQ(stream.size(), 10u);
  EXPECT_EQ(stream.back(), 0);
  const Decoded decoded = ReferenceDecode(stream, 8);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.data, input);
}

TEST(LzwEncode, InputBytesAreMaskedToTheCodeSize) {
  const Bytes input = {0xFF, 0x05, 0x80, 0x02};
  const Decoded decoded = ReferenceDecode(LzwEncode(input.data(), input.size(), 2), 2);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.data, (Bytes{3, 1, 0, 2}));
}

struct RoundTripCase {
  const char* name;
  int codeSize;
  std::size_t length;
  bool constant;
  int minClears;  // clear codes the reference decoder must see (the first one included)
};

class LzwRoundTrip : public testing::TestWithParam<RoundTripCase> {};

// The independent decoder gets back every byte, across the width changes
// and the 12-bit resets.
TEST_P(LzwRoundTrip, ReferenceDecoderGetsTheInputBack) {
  const RoundTripCase& c = GetParam();
  const Bytes input = c.constant ? Bytes(c.length, static_cast<std::uint8_t>((1 << c.codeSize) - 1))
                                 : RandomBytes(c.length, c.codeSize, 7u + static_cast<unsigned>(c.codeSize));
  const Bytes stream = LzwEncode(input.data(), input.size(), c.codeSize);
  const Decoded decoded = ReferenceDecode(stream, c.codeSize);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.data, input);
  EXPECT_GE(decoded.clears, c.minClears);
}

INSTANTIATE_TEST_SUITE_P(
    Data, LzwRoundTrip,
    testing::Values(RoundTripCase{"Single", 8, 1, false, 1}, RoundTripCase{"Random8", 8, 200000, false, 10},
                    RoundTripCase{"Random2", 2, 100000, false, 2}, RoundTripCase{"Random5", 5, 50000, false, 2},
                    RoundTripCase{"ConstantRun8", 8, 300000, true, 1},
                    RoundTripCase{"ConstantRun2", 2, 9000000, true, 2}),
    [](const testing::TestParamInfo<RoundTripCase>& param) { return std::string(param.param.name); });

TEST(LzwEncode, WidthGrowsOnlyAfterTheCodeAtTheLimitIsEntered) {
  // Distinct bytes: every byte but the last enters one code, from 258 on.
  // 0..254 enter 258..511 and everything stays at 9 bits:
  // 9 + 254 x 9 + 9 + 9 = 2313 bits. Adding 255 enters 512 while byte 254
  // is written at 9 bits; the last byte and the end code take 10:
  // 9 + 255 x 9 + 10 + 10 = 2324 bits.
  struct Case {
    int count;
    std::size_t bytes;
  };
  for (const Case& c : {Case{255, 2313 / 8 + 1}, Case{256, 2324 / 8 + 1}}) {
    Bytes input;
    for (int i = 0; i < c.count; ++i) input.push_back(static_cast<std::uint8_t>(i));
    const Bytes stream = LzwEncode(input.data(), input.size(), 8);
    EXPECT_EQ(stream.size(), c.bytes) << c.count;
    const Decoded decoded = ReferenceDecode(stream, 8);
    ASSERT_TRUE(decoded.ok) << c.count;
    EXPECT_EQ(decoded.data, input);
  }
}

TEST(LzwEncode, CodeSizeOutsideTwoToEightGivesNothing) {
  const Bytes input = {1, 2, 3};
  EXPECT_TRUE(LzwEncode(input.data(), input.size(), 1).empty());
  EXPECT_TRUE(LzwEncode(input.data(), input.size(), 9).empty());
}

TEST(LzwDictionary, FindsWhatWasAddedForEveryPrefixAndCharacter) {
  // Mixed characters and prefixes reach every hash bucket, including the
  // mixes whose plain remainder would be negative.
  imaging::LzwDictionary dictionary(8);
  int code = dictionary.NextCode();
  std::vector<std::pair<int, int>> added;
  for (int prefix = 0; prefix < 300 && code < 4096; prefix += 7)
    for (int character = 0; character < 256 && code < 4096; character += 13) {
      dictionary.Add(code++, character, prefix);
      added.emplace_back(character, prefix);
    }
  for (std::size_t i = 0; i < added.size(); ++i)
    EXPECT_EQ(dictionary.Find(added[i].first, added[i].second), 258 + static_cast<int>(i));
  EXPECT_EQ(dictionary.Find(1, 299), -1);
  EXPECT_EQ(dictionary.Find(42, -1), 42);
  dictionary.Reset();
  EXPECT_EQ(dictionary.Find(added[0].first, added[0].second), -1);
  EXPECT_EQ(dictionary.NextCode(), 258);
}

}  // namespace
