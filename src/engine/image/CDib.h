#pragma once
// A device-independent bitmap in packed form: the information header, the
// colour table and the pixel bits in one block, as ".bmp" files hold them
// after their 14-byte file header. Numbers in the block are little-endian.
// Rows run bottom row first (a negative height marks an uncompressed bitmap
// stored top row first) and are padded to 4 bytes.
//
// Nothing from the file is trusted: the header size, colour count, bits
// offset and pixel data are checked against the file before the bitmap is
// used, and run-length expansion never writes outside its destination. A
// file that fails a check leaves the CDib empty with a reason.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/core/RgbaImageRecord.h"

namespace engine {

// The fields of the information header.
struct DibHeader {
  std::uint32_t size = 0;  // of the header itself
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
};

class CDib {
 public:
  static constexpr std::uint32_t kCompressionNone = 0;
  static constexpr std::uint32_t kCompressionRle8 = 1;
  static constexpr std::uint32_t kCompressionRle4 = 2;
  static constexpr std::uint32_t kCompressionBitFields = 3;

  CDib() = default;
  // Loads a ".bmp" file. A file whose first bytes are not "BM" is reported
  // in a message box; every failure leaves the CDib empty (IsLoaded false)
  // with a reason in ErrorText.
  explicit CDib(const std::string& path);
  // Wraps a packed bitmap that stays the caller's (never freed here). The
  // header is completed in place. Empty when the block does not hold a
  // valid bitmap.
  CDib(std::uint8_t* packed, std::size_t packedSize);
  ~CDib();
  CDib(const CDib&) = delete;
  CDib& operator=(const CDib&) = delete;

  bool IsLoaded() const { return header_ != nullptr; }
  const std::string& ErrorText() const { return error_; }

  const DibHeader& Header() const { return info_; }
  int Width() const { return info_.width; }
  int Height() const { return info_.height; }
  int BitCount() const { return info_.bitCount; }
  // clrUsed, or 2^bits for 8 bits or fewer, else 0.
  int ColorCount() const { return colorCount_; }
  // Entries of 4 bytes B, G, R, unused; ColorCount() of them.
  const std::uint8_t* ColorTable() const { return colorTable_; }
  const std::uint8_t* GetBits() const { return bits_; }
  std::uint8_t* MutableBits() { return bits_; }
  std::uint32_t BitsSize() const { return bitsSize_; }
  bool IsCompressed() const { return info_.compression != kCompressionNone; }
  std::uint32_t ImageSize() const;
  // The packed block (header first) and its size.
  const std::uint8_t* Packed() const { return header_; }
  std::size_t PackedSize() const { return packedSize_; }

  // Run-length expansion into one byte per pixel, rows of RleStride() bytes
  // (the width padded to 4), bottom row first. Positions that the stream
  // skips hold 0. Answers the row padding (stride - width); 0 when the
  // bitmap is not run-length encoded. Writes only inside `destination`.
  int ExpandRle(std::span<std::uint8_t> destination) const;
  std::int64_t RleStride() const { return (static_cast<std::int64_t>(info_.width) + 3) & ~std::int64_t{3}; }
  std::int64_t RleExpandedSize() const { return RleStride() * (info_.height < 0 ? -info_.height : info_.height); }

 private:
  // Reads the file into an owned block and attaches it (the constructor's
  // work).
  void LoadBmpFile(const std::string& path);
  // Checks the packed block and sets the pointers; `bitsOffset` is where
  // the file says the bits start (0: right after the colour table).
  bool Attach(std::uint8_t* packed, std::size_t packedSize, std::uint64_t bitsOffset);
  void Clear();

  std::uint8_t* owned_ = nullptr;  // from EngAlloc when read from a file
  std::uint8_t* header_ = nullptr;
  const std::uint8_t* colorTable_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  std::uint32_t bitsSize_ = 0;
  std::size_t packedSize_ = 0;
  int colorCount_ = 0;
  DibHeader info_;
  std::string error_;
};

// Converts a bitmap of 1, 4 or 8 bits with a colour table (run-length
// encoded ones expanded first) or of 24 bits into a new RGBA buffer, alpha
// 255, row 0 the bottom row. False for other depths, when the CDib is empty
// or memory runs out (`out` then holds no pixels; it must hold none before).
bool DibToRgba(const CDib& dib, RgbaImageRecord& out);

// The bytes of a colour table for a header's bit count: 8, 64 or 1024 for 1,
// 4 or 8 bits, else 0.
int OsUtilDibPaletteSize(const DibHeader& header);

}  // namespace engine
