#include "engine/image/CDib.h"

#include <algorithm>
#include <cstring>

#include "engine/core/EngAlloc.h"
#include "platform/File.h"
#include "platform/Hooks.h"

namespace engine {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Larger files, and pictures of more pixels (a gigabyte as RGBA), are not
// pictures this program makes or reads; a run-length bitmap could otherwise
// ask for any size from a few bytes.
constexpr std::int64_t kLargestFile = std::int64_t{1} << 30;
constexpr std::int64_t kMostPixels = std::int64_t{1} << 28;

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

DibHeader ParseHeader(const std::uint8_t* p) {
  DibHeader h;
  h.size = Le32(p);
  h.width = static_cast<std::int32_t>(Le32(p + 4));
  h.height = static_cast<std::int32_t>(Le32(p + 8));
  h.planes = Le16(p + 12);
  h.bitCount = Le16(p + 14);
  h.compression = Le32(p + 16);
  h.sizeImage = Le32(p + 20);
  h.xPelsPerMeter = static_cast<std::int32_t>(Le32(p + 24));
  h.yPelsPerMeter = static_cast<std::int32_t>(Le32(p + 28));
  h.clrUsed = Le32(p + 32);
  h.clrImportant = Le32(p + 36);
  return h;
}

std::int64_t RowBytes(std::int64_t width, int bitCount) { return ((width * bitCount + 31) / 32) * 4; }

// Why a header cannot be used, or "" when it can.
std::string CheckHeader(const DibHeader& h) {
  if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return "its size is not valid";
  const std::int64_t rows = h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height;
  if (rows > kMostPixels / h.width) return "it has too many pixels";
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return "it has " + std::to_string(h.bitCount) + " bits per pixel";
  }
  const bool bottomUp = h.height > 0;
  switch (h.compression) {
    case CDib::kCompressionNone:
      break;
    case CDib::kCompressionRle8:
      if (h.bitCount != 8 || !bottomUp) return "its RLE8 compression does not fit its format";
      break;
    case CDib::kCompressionRle4:
      if (h.bitCount != 4 || !bottomUp) return "its RLE4 compression does not fit its format";
      break;
    case CDib::kCompressionBitFields:
      if (h.bitCount != 16 && h.bitCount != 32) return "its bit fields do not fit its format";
      break;
    default:
      return "its compression " + std::to_string(h.compression) + " is not known";
  }
  const std::uint32_t maxColours = h.bitCount <= 8 ? 1u << h.bitCount : 256u;
  if (h.clrUsed > maxColours) return "its colour table is too long";
  return {};
}

}  // namespace

CDib::CDib(const std::string& path) { LoadBmpFile(path); }

void CDib::LoadBmpFile(const std::string& path) {
  Clear();
  std::int64_t length = 0;
  unsigned char fileHeader[kFileHeaderSize];
  try {
    platform::File file(path, platform::File::Mode::kRead);
    length = file.GetLength();
    if (length < static_cast<std::int64_t>(kFileHeaderSize) ||
        file.Read(fileHeader, kFileHeaderSize) != kFileHeaderSize) {
      error_ = "The file is too short to be a bitmap.";
      return;
    }
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') {
      error_ = "The file is not a bitmap (BMP) file.";
      platform::ShowMessage(error_ + "\n" + path, "Pennet", platform::kMbOk | platform::kMbIconError);
      return;
    }
    if (length > kLargestFile) {
      error_ = "The bitmap file is too large.";
      return;
    }
    const std::size_t blockSize = static_cast<std::size_t>(length) - kFileHeaderSize;
    owned_ = EngAllocArray<std::uint8_t>(blockSize);
    if (owned_ == nullptr) {
      error_ = "There is not enough memory for the bitmap.";
      return;
    }
    if (file.Read(owned_, blockSize) != blockSize) {
      Clear();
      error_ = "The bitmap file could not be read to its end.";
      return;
    }
  } catch (const platform::FileError& e) {
    Clear();
    error_ = e.what();
    return;
  }
  const std::uint32_t offBits = Le32(fileHeader + 10);
  // The file's bits offset counts from the file's start; 0 means "right
  // after the colour table".
  const std::uint64_t bitsOffset = offBits >= kFileHeaderSize ? offBits - kFileHeaderSize : 0;
  if (!Attach(owned_, static_cast<std::size_t>(length) - kFileHeaderSize, bitsOffset)) {
    const std::string reason = error_;
    Clear();
    error_ = "The bitmap file cannot be read: " + reason + ".";
  }
}

CDib::CDib(std::uint8_t* packed, std::size_t packedSize) {
  if (packed == nullptr || !Attach(packed, packedSize, 0)) {
    const std::string reason = packed ? error_ : "there is no bitmap";
    Clear();
    error_ = "The bitmap cannot be used: " + reason + ".";
  }
}

CDib::~CDib() { Clear(); }

void CDib::Clear() {
  EngFree(owned_);
  owned_ = nullptr;
  header_ = nullptr;
  colorTable_ = nullptr;
  bits_ = nullptr;
  bitsSize_ = 0;
  packedSize_ = 0;
  colorCount_ = 0;
  info_ = DibHeader{};
}

bool CDib::Attach(std::uint8_t* packed, std::size_t packedSize, std::uint64_t bitsOffset) {
  if (packedSize < kInfoHeaderSize) {
    error_ = "its header is cut short";
    return false;
  }
  DibHeader h = ParseHeader(packed);
  if (h.size < kInfoHeaderSize || h.size > packedSize) {
    error_ = "its header size " + std::to_string(h.size) + " is not supported";
    return false;
  }
  error_ = CheckHeader(h);
  if (!error_.empty()) return false;

  const int colours = static_cast<int>(h.clrUsed != 0 ? h.clrUsed : h.bitCount <= 8 ? 1u << h.bitCount : 0u);
  // A short header with bit fields keeps its three masks before the table.
  const std::uint64_t masks = h.compression == kCompressionBitFields && h.size == kInfoHeaderSize ? 12 : 0;
  const std::uint64_t tableEnd = std::uint64_t{h.size} + masks + 4ull * static_cast<std::uint64_t>(colours);
  if (tableEnd > packedSize) {
    error_ = "its colour table runs past the end";
    return false;
  }
  if (bitsOffset > packedSize) {
    error_ = "its pixel bits start past the end";
    return false;
  }
  // An offset that points into the header or the table is not believed.
  if (bitsOffset < tableEnd) bitsOffset = tableEnd;
  const std::uint64_t bitsSize = packedSize - bitsOffset;
  if (bitsSize > UINT32_MAX) {
    error_ = "it is too large";
    return false;
  }
  if (h.compression == kCompressionNone || h.compression == kCompressionBitFields) {
    const std::int64_t rows = h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height;
    if (RowBytes(h.width, h.bitCount) * rows > static_cast<std::int64_t>(bitsSize)) {
      error_ = "its pixel bits are cut short";
      return false;
    }
  }

  // Complete the header, in the block too.
  const std::uint64_t area = static_cast<std::uint64_t>(h.width) *
                             static_cast<std::uint64_t>(h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height);
  if (h.sizeImage == 0 && area <= UINT32_MAX) {
    h.sizeImage = static_cast<std::uint32_t>(area);
    PutLe32(packed + 20, h.sizeImage);
  }
  if (h.clrUsed == 0) {
    h.clrUsed = static_cast<std::uint32_t>(colours);
    PutLe32(packed + 32, h.clrUsed);
  }
  info_ = h;
  header_ = packed;
  packedSize_ = packedSize;
  colorCount_ = colours;
  colorTable_ = packed + h.size + masks;
  bits_ = packed + bitsOffset;
  bitsSize_ = static_cast<std::uint32_t>(bitsSize);
  error_.clear();
  return true;
}

std::uint32_t CDib::ImageSize() const {
  if (info_.sizeImage != 0) return info_.sizeImage;
  return static_cast<std::uint32_t>(info_.width) * static_cast<std::uint32_t>(info_.height);
}

int CDib::ExpandRle(std::span<std::uint8_t> destination) const {
  const bool rle4 = info_.compression == kCompressionRle4;
  if (!IsLoaded() || (info_.compression != kCompressionRle8 && !rle4)) return 0;
  std::fill(destination.begin(), destination.end(), std::uint8_t{0});
  const std::int64_t width = info_.width, rows = info_.height, stride = RleStride();
  const int padding = static_cast<int>(stride - width);
  std::int64_t row = 0, column = 0;
  // Pixels outside the picture are dropped; the position still moves on.
  auto put = [&](std::uint8_t value) {
    if (column < width) {
      const std::uint64_t at = static_cast<std::uint64_t>(row * stride + column);
      if (at < destination.size()) destination[at] = value;
    }
    ++column;
  };
  const std::uint8_t* src = bits_;
  const std::size_t n = bitsSize_;
  std::size_t i = 0;
  while (i + 2 <= n && row < rows) {
    const std::uint8_t count = src[i], value = src[i + 1];
    i += 2;
    if (count != 0) {  // an encoded run
      for (int k = 0; k < count; ++k) put(rle4 ? (k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
      continue;
    }
    switch (value) {
      case 0:  // end of line: the next row starts at its first column
        ++row;
        column = 0;
        break;
      case 1:  // end of bitmap
        return padding;
      case 2:  // delta: right and up
        if (i + 2 > n) return padding;
        column += src[i];
        row += src[i + 1];
        i += 2;
        break;
      default: {  // an absolute run of `value` pixels, padded to a word
        const std::size_t bytes = rle4 ? (value + 1u) / 2u : value;
        if (i + bytes > n) return padding;
        for (int k = 0; k < value; ++k) {
          const std::uint8_t b = src[i + (rle4 ? k / 2 : k)];
          put(rle4 ? (k % 2 == 0 ? b >> 4 : b & 0x0F) : b);
        }
        i += (bytes + 1) & ~std::size_t{1};
        break;
      }
    }
  }
  return padding;
}

bool DibToRgba(const CDib& dib, RgbaImageRecord& out) {
  const int bits = dib.BitCount();
  if (!dib.IsLoaded() || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) return false;
  const int width = dib.Width();
  const bool topDown = dib.Height() < 0;
  const int height = topDown ? -dib.Height() : dib.Height();

  // Source rows: the bits themselves, or the expansion of compressed ones
  // (one byte per pixel).
  std::uint8_t* expanded = nullptr;
  const std::uint8_t* rows = dib.GetBits();
  std::int64_t pitch = RowBytes(width, bits);
  int sourceBits = bits;
  if (dib.IsCompressed()) {
    expanded = EngAllocArray<std::uint8_t>(static_cast<std::size_t>(dib.RleExpandedSize()));
    if (expanded == nullptr) return false;
    dib.ExpandRle(std::span<std::uint8_t>(expanded, static_cast<std::size_t>(dib.RleExpandedSize())));
    rows = expanded;
    pitch = dib.RleStride();
    sourceBits = 8;
  }
  out.width = width;
  out.height = height;
  out.pixels = EngAllocArray<std::uint8_t>(out.ByteSize());
  if (out.pixels == nullptr) {
    EngFree(expanded);
    out.width = out.height = 0;
    return false;
  }
  const std::uint8_t* table = dib.ColorTable();
  const int colours = dib.ColorCount();
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rows + static_cast<std::size_t>(pitch) * static_cast<std::size_t>(y);
    std::uint8_t* target = out.Pixel(0, topDown ? height - 1 - y : y);
    for (int x = 0; x < width; ++x, target += 4) {
      const std::uint8_t* bgr;
      if (sourceBits == 24) {
        bgr = row + x * 3;
      } else {
        int index;
        if (sourceBits == 8)
          index = row[x];
        else if (sourceBits == 4)
          index = (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
        else
          index = (row[x / 8] >> (7 - x % 8)) & 1;
        static constexpr std::uint8_t kBlack[3] = {0, 0, 0};
        bgr = index < colours ? table + index * 4 : kBlack;
      }
      target[0] = bgr[2];
      target[1] = bgr[1];
      target[2] = bgr[0];
      target[3] = 255;
    }
  }
  EngFree(expanded);
  return true;
}

int OsUtilDibPaletteSize(const DibHeader& header) {
  switch (header.bitCount) {
    case 1:
      return 8;
    case 4:
      return 64;
    case 8:
      return 1024;
    default:
      return 0;
  }
}

}  // namespace engine
