#pragma once
// A bitmap in memory in the layout the drawing and imaging code expects of
// the desktop platform's device-independent bitmaps: rows stored top row
// first, each row padded to a multiple of 4 bytes (the pitch), pixels of
// 32 bits (B,G,R,A bytes), 24 bits (B,G,R), 8 bits or 1 bit (indices into
// a palette; 1-bit rows start at the most significant bit).
//
// On a 32-bit image the fourth byte is alpha only when HasAlpha() is set;
// without the flag it is unused padding. Whether colour is premultiplied
// by that alpha is the owner's convention: image files (and ImageCodec)
// hold straight alpha, page pictures and the imaging effects premultiplied
// colour (see docs/ARCHITECTURE.md).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/WinTypes.h"

namespace platform {

// One pixel's bytes in memory order.
struct Bgra {
  std::uint8_t b = 0;
  std::uint8_t g = 0;
  std::uint8_t r = 0;
  std::uint8_t a = 0;

  static constexpr Bgra FromColorRef(COLORREF c, std::uint8_t alpha = 255) {
    return Bgra{static_cast<std::uint8_t>(GetBValue(c)), static_cast<std::uint8_t>(GetGValue(c)),
                static_cast<std::uint8_t>(GetRValue(c)), alpha};
  }
  constexpr COLORREF ToColorRef() const { return MakeRgb(r, g, b); }
  friend bool operator==(const Bgra&, const Bgra&) = default;
};

class Image {
 public:
  Image() = default;
  // A zero-filled image; a null image when the arguments are not valid
  // (see Create).
  Image(int width, int height, int bpp, bool hasAlpha = false);
  Image(const Image& other) = default;
  Image& operator=(const Image& other) = default;
  // A moved-from image is null.
  Image(Image&& other) noexcept;
  Image& operator=(Image&& other) noexcept;
  ~Image() = default;

  // Replaces the content with a zero-filled image. Width and height must be
  // positive, bpp one of 1, 8, 24, 32, and the bytes must fit in memory;
  // otherwise the image becomes null and false is returned. 1- and 8-bit
  // images get a grey ramp palette (black to white).
  bool Create(int width, int height, int bpp, bool hasAlpha = false);
  // Create, but keeping the memory the image holds when it is large enough
  // and at most twice what is needed: work pictures made again on every
  // redraw are cleared instead of being mapped afresh.
  bool CreateReusing(int width, int height, int bpp, bool hasAlpha = false);
  void Destroy();

  bool IsNull() const { return bits_.empty(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Bpp() const { return bpp_; }
  // Bytes from one row to the next.
  int Pitch() const { return pitch_; }
  std::size_t SizeBytes() const { return bits_.size(); }
  bool HasAlpha() const { return hasAlpha_; }
  // The flag only has a meaning for 32-bit images; others ignore it.
  void SetHasAlpha(bool hasAlpha) { hasAlpha_ = hasAlpha && bpp_ == 32; }

  // The top row's first byte; nullptr for a null image.
  std::uint8_t* Bits() { return bits_.empty() ? nullptr : bits_.data(); }
  const std::uint8_t* Bits() const { return bits_.empty() ? nullptr : bits_.data(); }
  // Row y (0 = top); y must be inside the image.
  std::uint8_t* Row(int y) { return bits_.data() + static_cast<std::size_t>(y) * pitch_; }
  const std::uint8_t* Row(int y) const { return bits_.data() + static_cast<std::size_t>(y) * pitch_; }

  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // The palette of 1- and 8-bit images (2 and 256 entries); empty otherwise.
  const std::vector<Bgra>& Palette() const { return palette_; }
  // Entries past the image's palette size are ignored; missing ones stay.
  void SetPalette(const std::vector<Bgra>& palette);

  // Pixel access; (x, y) must be inside the image. For 1- and 8-bit images
  // GetBgra answers the palette colour. SetBgra works on 24- and 32-bit
  // images (24 bits drop the alpha byte); SetIndex and GetIndex on 1- and
  // 8-bit images.
  Bgra GetBgra(int x, int y) const;
  void SetBgra(int x, int y, Bgra pixel);
  int GetIndex(int x, int y) const;
  void SetIndex(int x, int y, int index);

  // Sets every pixel of a 24- or 32-bit image.
  void Fill(Bgra pixel);

  // The row size of a bitmap: width × bpp bits rounded up to 4 bytes.
  static std::int64_t PitchFor(int width, int bpp);

 private:
  int width_ = 0;
  int height_ = 0;
  int bpp_ = 0;
  int pitch_ = 0;
  bool hasAlpha_ = false;
  std::vector<std::uint8_t> bits_;
  std::vector<Bgra> palette_;
};

}  // namespace platform
