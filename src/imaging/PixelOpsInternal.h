#pragma once
// Private helpers of the pixel operations.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/PixelOps.h"

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

}  // namespace imaging::detail
