// Grey and lighten filters, mirroring and the lighter-pixel compositor.
#include "imaging/PixelOpsInternal.h"

namespace imaging {
namespace {

using detail::Is32;
using std::uint8_t;

// Calls fn(s, d) for each pixel pair of the common region of two 32-bit
// images (which may be the same image).
template <class Fn>
void ForEachPair32(const Image& src, Image& dst, OptionalSize size, Fn fn) {
  const platform::SIZE region = detail::CommonRegion(src, dst, size);
  for (int y = 0; y < region.cy; ++y) {
    const uint8_t* s = src.Row(y);
    uint8_t* d = dst.Row(y);
    for (int x = 0; x < region.cx; ++x, s += 4, d += 4) fn(s, d);
  }
}

// The weighted sum the compositor compares, per unit of alpha.
unsigned Luminance(const uint8_t* p) { return (p[0] + 4u * p[1] + 2u * p[2]) * 255u / p[3]; }

}  // namespace

void PnUtilToGrey(const Image& src, Image& dst, OptionalSize size) {
  if (!Is32(src) || !Is32(dst)) return;
  ForEachPair32(src, dst, size, [](const uint8_t* s, uint8_t* d) {
    if (s[3] == 0) {
      std::memset(d, 0, 4);
      return;
    }
    const auto grey = static_cast<uint8_t>((s[0] + 4u * s[1] + 2u * s[2]) / 7);
    const uint8_t alpha = s[3];
    d[0] = d[1] = d[2] = grey;
    d[3] = alpha;
  });
}

void PnUtilLighten(const Image& src, Image& dst, int amount, OptionalSize size) {
  if (!Is32(src) || !Is32(dst) || amount <= -255) return;
  const int divisor = amount + 255;
  ForEachPair32(src, dst, size, [amount, divisor](const uint8_t* s, uint8_t* d) {
    const int alpha = s[3];
    if (alpha == 0) {
      std::memset(d, 0, 4);
      return;
    }
    // Premultiplied colour may not pass its alpha.
    for (int c = 0; c < 3; ++c) {
      const long long lighter = static_cast<long long>(std::max(0, s[c] + amount)) * 255 / divisor;
      d[c] = static_cast<uint8_t>(std::min<long long>(lighter, alpha));
    }
    d[3] = static_cast<uint8_t>(alpha);
  });
}

void PnUtilMirrorHorizontal(Image& image) {
  if (!Is32(image)) return;
  const int width = image.Width();
  for (int y = 0; y < image.Height(); ++y) {
    auto* row = image.Row(y);
    for (int x = 0; x < width / 2; ++x) {
      uint8_t* a = row + static_cast<std::ptrdiff_t>(x) * 4;
      uint8_t* b = row + static_cast<std::ptrdiff_t>(width - 1 - x) * 4;
      for (int c = 0; c < 4; ++c) std::swap(a[c], b[c]);
    }
  }
}

void PnUtilCompositeLighter(const Image& src, platform::SIZE region, platform::POINT offset, Image& dst) {
  if (!Is32(src) || !Is32(dst)) return;
  // Cut the region to the source and to where it lands in the destination.
  const long long x0 = std::max(0LL, -static_cast<long long>(offset.x));
  const long long y0 = std::max(0LL, -static_cast<long long>(offset.y));
  const long long x1 = std::min<long long>({region.cx, src.Width(), static_cast<long long>(dst.Width()) - offset.x});
  const long long y1 =
      std::min<long long>({region.cy, src.Height(), static_cast<long long>(dst.Height()) - offset.y});
  for (long long y = y0; y < y1; ++y) {
    for (long long x = x0; x < x1; ++x) {
      const uint8_t* s = detail::PixelAt(src, static_cast<int>(x), static_cast<int>(y));
      uint8_t* d = detail::PixelAt(dst, static_cast<int>(x + offset.x), static_cast<int>(y + offset.y));
      const unsigned as = s[3], ad = d[3];
      if (as == 0) continue;
      if (ad == 0) {
        std::memcpy(d, s, 4);
        continue;
      }
      if (Luminance(d) <= Luminance(s)) {
        if (ad < as) {
          std::memcpy(d, s, 4);
        } else {
          for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(std::min(255u, s[c] * ad / as));
        }
      } else if (ad < as) {
        for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(std::min(255u, d[c] * as / ad));
        d[3] = static_cast<uint8_t>(as);
      }
    }
  }
}

}  // namespace imaging
