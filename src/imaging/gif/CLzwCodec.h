#pragma once
// The variable-width LZW compression of GIF image data. Only encoding
// exists: it turns palette indexes into the code stream that the GIF writers
// cut into sub-blocks.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace imaging {

class CLzwCodec {
 public:
  // Codes packed least significant bit first, as GIF requires.
  class BitStream {
   public:
    BitStream();
    // Appends the low `width` bits of value (width at most 12).
    void Put(int value, int width);
    // Bytes needed to hold every bit put so far, plus one when the stream
    // ends on a byte boundary (bit position / 8 + 1), which is the length
    // the GIF writers store.
    std::size_t GetSize() const { return bitPosition_ / 8 + 1; }
    const std::uint8_t* GetData() const { return bytes_.data(); }
    // Hands over the stream cut to GetSize() bytes.
    std::vector<std::uint8_t> Take();

   private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bitPosition_ = 0;
  };
};

// The string table of the encoder: code -> (last character, prefix code).
// Codes below 2^n stand for the single characters; 2^n and 2^n + 1 are the
// clear and end codes.
class LzwDictionary {
 public:
  static constexpr int kMaxCodes = 8192;

  explicit LzwDictionary(int codeSize);

  // Empties the table back to the single characters.
  void Reset();
  // The code of the string `prefix` + character, or -1 when it is not in the
  // table; a prefix of -1 stands for the empty string (the character itself).
  int Find(int character, int prefix) const;
  // Enters the string `prefix` + character as `code` (the next free code).
  void Add(int code, int character, int prefix);
  int NextCode() const { return nextCode_; }

 private:
  struct Entry {
    std::int16_t character = 0;
    std::int16_t firstCharacter = 0;
    std::int16_t prefix = -1;
    std::int16_t nextInBucket = -1;
  };
  static constexpr int kBuckets = 256;
  // Never negative, whatever the sign of the mixed value.
  static int BucketOf(int character, int prefix) {
    return static_cast<int>(static_cast<unsigned>(-character - 125 * prefix) & (kBuckets - 1));
  }

  int codeSize_;
  int nextCode_ = 0;
  std::vector<Entry> entries_;
  std::vector<std::int16_t> bucketHeads_;
};

// Encodes `count` index bytes with minimum code size `codeSize` (2 to 8,
// as GIF allows). Each byte is masked to its low `codeSize` bits.
// Answers the code stream (clear code first, end code last); an empty
// vector for a code size out of range.
std::vector<std::uint8_t> LzwEncode(const std::uint8_t* indexes, std::size_t count, int codeSize);

}  // namespace imaging
