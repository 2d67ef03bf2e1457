#pragma once
// Private helpers of the pixel operations.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/PixelOps.h"
#include "platform/Parallel.h"

namespace imaging::detail {

inline bool Is32(const Image& image) { return !image.IsNull() && image.Bpp() == 32; }
inline bool IsColour(const Image& image) { return !image.IsNull() && (image.Bpp() == 24 || image.Bpp() == 32); }

// The area an operation on one image works on: the whole image, or its
// top-left part of the size pair (cut to the image) when both members are
// non-zero.
inline platform::SIZE RegionOf(const Image& image, OptionalSize size) {
  platform::SIZE region{image.Width(), image.Height()};
  if (size && size->cx != 0 && size->cy != 0) {
    region.cx = std::clamp(size->cx, 0, region.cx);
    region.cy = std::clamp(size->cy, 0, region.cy);
  }
  return region;
}

// The same for two images: the top-left part of the smaller one.
inline platform::SIZE CommonRegion(const Image& a, const Image& b, OptionalSize size) {
  platform::SIZE region = RegionOf(a, size);
  region.cx = std::min(region.cx, b.Width());
  region.cy = std::min(region.cy, b.Height());
  return region;
}

// The rectangle cut to the image (empty when nothing is left).
inline platform::RECT ClipToImage(const Image& image, const platform::RECT& r) {
  platform::RECT c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, image.Width()),
                   std::min(r.bottom, image.Height())};
  if (c.IsEmpty()) c = platform::RECT{};
  return c;
}

inline std::uint8_t* PixelAt(Image& image, int x, int y) {
  return image.Row(y) + static_cast<std::ptrdiff_t>(x) * (image.Bpp() / 8);
}
inline const std::uint8_t* PixelAt(const Image& image, int x, int y) {
  return image.Row(y) + static_cast<std::ptrdiff_t>(x) * (image.Bpp() / 8);
}

// Calls fn(firstRow, endRow) over the rows of an image `width` pixels wide
// in parallel, in parts of at least a quarter of a million pixels (fewer
// are not worth a thread). Each part must write only its own rows.
template <class Fn>
void ForRowBands(int height, int width, Fn fn) {
  constexpr int kPixelsPerPart = 1 << 18;
  platform::ParallelFor(height, std::max(1, kPixelsPerPart / std::max(width, 1)), fn);
}

// Exact truncating division of a window total (at most 255 × n) by the
// window's pixel count n, as a multiplication and a shift: with x < 2^N,
// L = ceil(log2 n), s = N + L + 1 and m = ceil(2^s / n), x·m >> s is x / n.
// Counts too large for that fall back to a division.
class WindowDivider {
 public:
  explicit WindowDivider(std::uint64_t n) : n_(n == 0 ? 1 : n) {
    const std::uint64_t largest = 255 * n_;
    int bits = 0, log = 0;
    while (bits < 64 && (largest >> bits) != 0) ++bits;
    while ((std::uint64_t{1} << log) < n_) ++log;
    shift_ = bits + log + 1;
    if (bits > 32 || shift_ > 63) return;
    const std::uint64_t m = ((std::uint64_t{1} << shift_) + n_ - 1) / n_;
    if (m >> 32) return;
    multiplier_ = m;
  }
  // False when the count is too large for the multiplication: use Divide.
  bool Fast() const { return multiplier_ != 0; }
  std::uint64_t Multiply(std::uint64_t x) const { return (x * multiplier_) >> shift_; }
  std::uint64_t Divide(std::uint64_t x) const { return x / n_; }
  std::uint64_t operator()(std::uint64_t x) const { return Fast() ? Multiply(x) : Divide(x); }
  // The multiplication's factor (below 2^32) and shift, when Fast.
  std::uint32_t Multiplier() const { return static_cast<std::uint32_t>(multiplier_); }
  int Shift() const { return shift_; }

 private:
  std::uint64_t n_;
  std::uint64_t multiplier_ = 0;
  int shift_ = 0;
};

}  // namespace imaging::detail
