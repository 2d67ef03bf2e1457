// Outlines and drop shadows behind a picture.
#include <new>
#include <vector>

#include "imaging/PixelOpsInternal.h"
#include "imaging/SoftEdges.h"
#include "platform/Blit.h"

namespace imaging {
namespace {

using detail::Is32;
using platform::SIZE;
using std::uint8_t;

constexpr uint8_t kFull = 255;
// Coverage grows in steps of 63 but stays below full, so a graded pixel is
// never taken for a painted one.
inline void AddCoverage(uint8_t& c) { c = static_cast<uint8_t>(std::min(254, c + 63)); }

// The source pixels inside the shape: alpha above 0 (mode −1) or 255.
std::vector<uint8_t> InsideMask(const Image& src, SIZE region, int mode) {
  std::vector<uint8_t> inside(static_cast<std::size_t>(region.cx) * region.cy);
  for (int y = 0; y < region.cy; ++y) {
    const uint8_t* s = src.Row(y);
    for (int x = 0; x < region.cx; ++x)
      inside[static_cast<std::size_t>(y) * region.cx + x] = mode == -1 ? s[x * 4 + 3] != 0 : s[x * 4 + 3] == 255;
  }
  return inside;
}

// Inside pixels with a 4-neighbour in the region that is not inside.
std::vector<uint8_t> EdgeMask(const std::vector<uint8_t>& inside, SIZE region) {
  const int w = region.cx, h = region.cy;
  std::vector<uint8_t> edge(inside.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      if (!inside[i]) continue;
      edge[i] = (x > 0 && !inside[i - 1]) || (x + 1 < w && !inside[i + 1]) ||
                (y > 0 && !inside[i - static_cast<std::size_t>(w)]) ||
                (y + 1 < h && !inside[i + static_cast<std::size_t>(w)]);
    }
  return edge;
}

// Marks every pixel within the box of radii (rx, ry) around a set pixel:
// a running count across rows, then down columns, so the cost does not
// grow with the radii.
std::vector<uint8_t> DilateByBox(const std::vector<uint8_t>& mask, SIZE region, int rx, int ry) {
  const int w = region.cx, h = region.cy;
  std::vector<uint8_t> across(mask.size()), result(mask.size());
  for (int y = 0; y < h; ++y) {
    const uint8_t* m = mask.data() + static_cast<std::size_t>(y) * w;
    uint8_t* out = across.data() + static_cast<std::size_t>(y) * w;
    int count = 0;
    for (int x = 0; x <= std::min(rx, w - 1); ++x) count += m[x];
    for (int x = 0; x < w; ++x) {
      if (x > 0 && x + rx < w) count += m[x + rx];
      if (x > 0 && x - rx - 1 >= 0) count -= m[x - rx - 1];
      out[x] = count > 0;
    }
  }
  std::vector<int> counts(static_cast<std::size_t>(w), 0);
  for (int y = 0; y <= std::min(ry, h - 1); ++y)
    for (int x = 0; x < w; ++x) counts[static_cast<std::size_t>(x)] += across[static_cast<std::size_t>(y) * w + x];
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int& count = counts[static_cast<std::size_t>(x)];
      if (y > 0 && y + ry < h) count += across[static_cast<std::size_t>(y + ry) * w + x];
      if (y > 0 && y - ry - 1 >= 0) count -= across[static_cast<std::size_t>(y - ry - 1) * w + x];
      result[static_cast<std::size_t>(y) * w + x] = count > 0;
    }
  }
  return result;
}

// The second byte of each uncovered pixel with at least two covered
// neighbours gets the directions whose neighbour is not covered: 8 right,
// 4 left, 2 down, 1 up; a pixel covered only left and right (3) or only
// above and below (12) is a one-pixel gap and gets none.
void MarkEdgeDirections(Image& dst, SIZE region) {
  auto cover = [&](int x, int y) -> int {
    return x < 0 || y < 0 || x >= region.cx || y >= region.cy ? 0 : detail::PixelAt(dst, x, y)[0];
  };
  for (int y = 0; y < region.cy; ++y)
    for (int x = 0; x < region.cx; ++x) {
      uint8_t* p = detail::PixelAt(dst, x, y);
      if (p[0] != 0) continue;
      const int left = cover(x - 1, y), right = cover(x + 1, y), up = cover(x, y - 1), down = cover(x, y + 1);
      int flags = 0;
      if (left + right + up + down >= 256) {
        flags = 15;
        if (left == kFull) flags &= ~4;
        if (right == kFull) flags &= ~8;
        if (up == kFull) flags &= ~1;
        if (down == kFull) flags &= ~2;
        if (flags == 12 || flags == 3) flags = 0;
      }
      p[1] = static_cast<uint8_t>(flags);
    }
}

void SmoothEdges(Image& dst, SIZE region) {
  const std::ptrdiff_t pitch = dst.Pitch();
  for (int y = 0; y < region.cy; ++y)
    for (int x = 0; x < region.cx; ++x) {
      uint8_t* p = detail::PixelAt(dst, x, y);
      const int flags = p[1];
      if (p[0] == kFull || flags == 0) continue;
      if (flags & 8) PnUtilSmoothEdgeRun(p, 4, pitch, x, region.cx, y, region.cy, +1);
      if (flags & 4) PnUtilSmoothEdgeRun(p, 4, pitch, x, region.cx, y, region.cy, -1);
      if (flags & 2) PnUtilSmoothEdgeRun(p, pitch, 4, y, region.cy, x, region.cx, +1);
      if (flags & 1) PnUtilSmoothEdgeRun(p, pitch, 4, y, region.cy, x, region.cx, -1);
    }
}

// Coverage c becomes the colour premultiplied by c, with alpha c.
void ColourCoverage(Image& dst, SIZE region, platform::COLORREF color) {
  const unsigned b = platform::GetBValue(color), g = platform::GetGValue(color), r = platform::GetRValue(color);
  for (int y = 0; y < region.cy; ++y) {
    uint8_t* p = dst.Row(y);
    for (int x = 0; x < region.cx; ++x, p += 4) {
      const unsigned c = p[0];
      if (c == 0) {
        std::memset(p, 0, 4);
        continue;
      }
      p[0] = static_cast<uint8_t>(b * c / 255);
      p[1] = static_cast<uint8_t>(g * c / 255);
      p[2] = static_cast<uint8_t>(r * c / 255);
      p[3] = static_cast<uint8_t>(c);
    }
  }
}

void MakeOutline(const Image& src, Image& dst, SIZE region, int rx, int ry, platform::COLORREF color, int mode) {
  // Beyond the region's size a box footprint covers the whole region anyway.
  rx = std::clamp(rx, 0, region.cx);
  ry = std::clamp(ry, 0, region.cy);
  const std::vector<uint8_t> inside = InsideMask(src, region, mode);
  const std::vector<uint8_t> stamped = DilateByBox(EdgeMask(inside, region), region, rx, ry);
  for (int y = 0; y < region.cy; ++y) {
    uint8_t* p = dst.Row(y);
    for (int x = 0; x < region.cx; ++x, p += 4) {
      const std::size_t i = static_cast<std::size_t>(y) * region.cx + x;
      std::memset(p, inside[i] || stamped[i] ? kFull : 0, 4);
    }
  }
  MarkEdgeDirections(dst, region);
  SmoothEdges(dst, region);
  ColourCoverage(dst, region, color);
}

void MakeShadow(const Image& src, Image& dst, SIZE region, int dx, int dy, platform::COLORREF color, int blur) {
  const unsigned b = platform::GetBValue(color), g = platform::GetGValue(color), r = platform::GetRValue(color);
  for (int y = 0; y < region.cy; ++y) {
    uint8_t* p = dst.Row(y);
    const long long sy = static_cast<long long>(y) - dy;
    for (int x = 0; x < region.cx; ++x, p += 4) {
      const long long sx = static_cast<long long>(x) - dx;
      const unsigned alpha = sx >= 0 && sy >= 0 && sx < region.cx && sy < region.cy
                                 ? detail::PixelAt(src, static_cast<int>(sx), static_cast<int>(sy))[3]
                                 : 0;
      p[0] = static_cast<uint8_t>(b * alpha / 255);
      p[1] = static_cast<uint8_t>(g * alpha / 255);
      p[2] = static_cast<uint8_t>(r * alpha / 255);
      p[3] = static_cast<uint8_t>(alpha);
    }
  }
  PnUtilBoxBlur(dst, dst, blur, region);
}

}  // namespace

void PnUtilMakeOutlineOrShadow(const Image& src, Image& dst, int pairX, int pairY, platform::COLORREF color,
                               int modeOrBlur, OptionalSize size) {
  if (!Is32(src) || !Is32(dst)) return;
  const SIZE region = detail::CommonRegion(src, dst, size);
  if (region.cx <= 0 || region.cy <= 0) return;
  // The halo is built in the destination, so a shared image is copied first.
  if (&src == &dst) {
    const Image copy(src);
    PnUtilMakeOutlineOrShadow(copy, dst, pairX, pairY, color, modeOrBlur, region);
    return;
  }
  try {
    if (modeOrBlur >= 0)
      MakeShadow(src, dst, region, pairX, pairY, color, modeOrBlur);
    else
      MakeOutline(src, dst, region, pairX, pairY, color, modeOrBlur);
  } catch (const std::bad_alloc&) {
    return;  // no room for the work masks: the picture goes without its halo
  }
  const platform::RECT area{0, 0, region.cx, region.cy};
  platform::AlphaBlendBits(dst, area, src, area, platform::BlendFunction{255, src.HasAlpha()});
}

void PnUtilSmoothEdgeRun(uint8_t* coverage, std::ptrdiff_t stepAlong, std::ptrdiff_t stepAcross, int posAlong,
                         int limitAlong, int posAcross, int limitAcross, int direction) {
  uint8_t* const p = coverage;
  const std::ptrdiff_t step = stepAlong * direction;
  const bool hasBefore = posAcross > 0, hasAfter = posAcross + 1 < limitAcross;
  auto inRange = [&](long long k) {
    const long long pos = posAlong + k * direction;
    return pos >= 0 && pos < limitAlong;
  };
  // Forward, while the lines beside the run stay covered.
  bool before = hasBefore, after = hasAfter;
  for (long long k = 1; inRange(k - 1); ++k) {
    uint8_t* q = p + (k - 1) * step;
    if (*q == kFull) {
      for (long long i = 0; i < k - 1; ++i) p[i * step] = 126;
      break;
    }
    if (before && q[-stepAcross] != kFull) before = false;
    if (after && q[stepAcross] != kFull) after = false;
    if (!before && !after) {
      const auto m = static_cast<long long>(static_cast<double>(k) / 1.618);
      for (long long i = 0; i < m; ++i) AddCoverage(p[i * step]);
      const auto m2 = static_cast<long long>(static_cast<double>(m) / 1.618);
      for (long long i = 0; i < m2; ++i) AddCoverage(p[i * step]);
      break;
    }
  }
  *p = 127;
  // Backward, along a covered run with an empty line on one side.
  if (!hasBefore || !hasAfter) return;
  const uint8_t beforeCover = p[-stepAcross], afterCover = p[stepAcross];
  std::ptrdiff_t side;
  if (beforeCover == 0 && afterCover == kFull)
    side = -stepAcross;
  else if (afterCover == 0 && beforeCover == kFull)
    side = stepAcross;
  else
    return;
  for (long long n = 0;; ++n) {
    if (!inRange(-n) || !inRange(-(n + 1))) return;
    if (p[-n * step + side] != 0) return;
    if (p[-(n + 1) * step] == kFull) continue;
    for (long long i = 1; i <= n; ++i) AddCoverage(p[-i * step + side]);
    const auto m = static_cast<long long>(static_cast<double>(n + 1) / 3.618);
    if (m < n - m)
      for (long long i = m + 1; i <= n - m; ++i) AddCoverage(p[-i * step + side]);
    return;
  }
}

}  // namespace imaging
