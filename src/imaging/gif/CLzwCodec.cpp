#include "imaging/gif/CLzwCodec.h"

#include <algorithm>

namespace imaging {
namespace {

constexpr int kMaxWidth = 12;
constexpr std::size_t kInitialBytes = 256;
constexpr std::size_t kGrowth = 4096;

}  // namespace

CLzwCodec::BitStream::BitStream() : bytes_(kInitialBytes, 0) {}

void CLzwCodec::BitStream::Put(int value, int width) {
  // A code of up to 12 bits, shifted by up to 7, touches three bytes.
  const std::size_t first = bitPosition_ / 8;
  if (first + 4 >= bytes_.size()) bytes_.resize(bytes_.size() + kGrowth + first + 4, 0);
  const std::uint32_t bits = static_cast<std::uint32_t>(value) & ((1u << width) - 1);
  const std::uint32_t shifted = bits << (bitPosition_ % 8);
  bytes_[first] |= static_cast<std::uint8_t>(shifted);
  bytes_[first + 1] |= static_cast<std::uint8_t>(shifted >> 8);
  bytes_[first + 2] |= static_cast<std::uint8_t>(shifted >> 16);
  bitPosition_ += static_cast<std::size_t>(width);
}

std::vector<std::uint8_t> CLzwCodec::BitStream::Take() {
  std::vector<std::uint8_t> out = std::move(bytes_);
  out.resize(GetSize(), 0);
  bytes_.assign(kInitialBytes, 0);
  bitPosition_ = 0;
  return out;
}

LzwDictionary::LzwDictionary(int codeSize)
    : codeSize_(codeSize), entries_(kMaxCodes), bucketHeads_(kBuckets, -1) {
  Reset();
}

void LzwDictionary::Reset() {
  const int characters = 1 << codeSize_;
  nextCode_ = characters + 2;
  for (int i = 0; i < kMaxCodes; ++i) {
    Entry& e = entries_[static_cast<std::size_t>(i)];
    const bool single = i < characters;
    e.character = static_cast<std::int16_t>(single ? i : 0);
    e.firstCharacter = e.character;
    e.prefix = -1;
    e.nextInBucket = -1;
  }
  std::fill(bucketHeads_.begin(), bucketHeads_.end(), std::int16_t{-1});
}

int LzwDictionary::Find(int character, int prefix) const {
  if (prefix < 0) return character;
  for (int code = bucketHeads_[static_cast<std::size_t>(BucketOf(character, prefix))]; code >= 0;) {
    const Entry& e = entries_[static_cast<std::size_t>(code)];
    if (e.character == character && e.prefix == prefix) return code;
    code = e.nextInBucket;
  }
  return -1;
}

void LzwDictionary::Add(int code, int character, int prefix) {
  Entry& e = entries_[static_cast<std::size_t>(code)];
  e.character = static_cast<std::int16_t>(character);
  e.firstCharacter = entries_[static_cast<std::size_t>(prefix)].firstCharacter;
  e.prefix = static_cast<std::int16_t>(prefix);
  std::int16_t& head = bucketHeads_[static_cast<std::size_t>(BucketOf(character, prefix))];
  e.nextInBucket = head;
  head = static_cast<std::int16_t>(code);
  nextCode_ = code + 1;
}

std::vector<std::uint8_t> LzwEncode(const std::uint8_t* indexes, std::size_t count, int codeSize) {
  if (codeSize < 2 || codeSize > 8) return {};
  const int clearCode = 1 << codeSize;
  const int endCode = clearCode + 1;
  const int mask = clearCode - 1;

  LzwDictionary dictionary(codeSize);
  CLzwCodec::BitStream stream;
  int width = codeSize + 1;
  int limit = 1 << width;
  stream.Put(clearCode, width);
  int prefix = -1;
  for (std::size_t i = 0; i < count; ++i) {
    const int c = indexes[i] & mask;
    const int found = dictionary.Find(c, prefix);
    if (found >= 0) {
      prefix = found;
      continue;
    }
    const int added = dictionary.NextCode();
    dictionary.Add(added, c, prefix);
    stream.Put(prefix, width);
    prefix = c;
    // The width changes after the code that reaches the limit is entered;
    // the code just written still used the old width.
    if (added == limit) {
      if (width == kMaxWidth) {
        dictionary.Reset();
        stream.Put(clearCode, kMaxWidth);
        width = codeSize + 1;
      } else {
        ++width;
      }
      limit = 1 << width;
    }
  }
  if (prefix >= 0) stream.Put(prefix, width);
  stream.Put(endCode, width);
  return stream.Take();
}

}  // namespace imaging
