#include "platform/Blit.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {
namespace {

using std::uint64_t;
using std::uint8_t;

bool IsColourImage(const Image& image) { return !image.IsNull() && (image.Bpp() == 24 || image.Bpp() == 32); }

bool SourceRectFits(const Image& src, const RECT& r) {
  return r.left >= 0 && r.top >= 0 && r.right <= src.Width() && r.bottom <= src.Height() && !r.IsEmpty();
}

// The destination pixels of `r` that lie inside the image.
RECT VisiblePart(const Image& dst, const RECT& r) {
  return RECT{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, dst.Width()),
              std::min(r.bottom, dst.Height())};
}

// One destination pixel's share of the source along one axis: source pixels
// [first, first + count) with integer weights. Along an axis where the source
// is `srcLen` long and the destination `dstLen`, destination pixel i covers
// [i × srcLen, (i + 1) × srcLen) and source pixel j covers
// [j × dstLen, (j + 1) × dstLen); the weights are the overlaps, which add up
// to srcLen.
struct Taps {
  int first = 0;
  std::vector<uint64_t> weights;
};

Taps AreaTaps(int i, int srcLen, int dstLen) {
  const uint64_t lo = static_cast<uint64_t>(i) * srcLen;
  const uint64_t hi = lo + static_cast<uint64_t>(srcLen);
  Taps taps;
  taps.first = static_cast<int>(lo / static_cast<uint64_t>(dstLen));
  for (uint64_t j = static_cast<uint64_t>(taps.first); j * dstLen < hi; ++j) {
    const uint64_t a = std::max(lo, j * dstLen);
    const uint64_t b = std::min(hi, (j + 1) * dstLen);
    taps.weights.push_back(b - a);
  }
  return taps;
}

// The source pixel under the centre of destination pixel i.
int NearestTap(int i, int srcLen, int dstLen) {
  return static_cast<int>((2 * static_cast<uint64_t>(i) + 1) * static_cast<uint64_t>(srcLen) /
                          (2 * static_cast<uint64_t>(dstLen)));
}

// Reads one source pixel as four bytes; 24-bit pixels get alpha 255.
inline void ReadPixel(const Image& src, int x, int y, uint8_t out[4]) {
  const int bytes = src.Bpp() / 8;
  const uint8_t* p = src.Row(y) + static_cast<std::ptrdiff_t>(x) * bytes;
  out[0] = p[0];
  out[1] = p[1];
  out[2] = p[2];
  out[3] = bytes == 4 ? p[3] : 255;
}

inline void WritePixel(Image& dst, int x, int y, const uint8_t in[4]) {
  const int bytes = dst.Bpp() / 8;
  uint8_t* p = dst.Row(y) + static_cast<std::ptrdiff_t>(x) * bytes;
  std::memcpy(p, in, static_cast<std::size_t>(bytes));
}

// Calls put(x, y, bgra) for every visible destination pixel of dstRect with
// the source block resampled to the destination block's size.
template <class Put>
void Resample(const Image& src, const RECT& srcRect, const RECT& dstRect, const RECT& visible, StretchMode mode,
              Put put) {
  const int sw = srcRect.Width(), sh = srcRect.Height();
  const int dw = dstRect.Width(), dh = dstRect.Height();
  uint8_t pixel[4];
  if (sw == dw && sh == dh) {  // a plain copy of the block
    for (int y = visible.top; y < visible.bottom; ++y)
      for (int x = visible.left; x < visible.right; ++x) {
        ReadPixel(src, srcRect.left + x - dstRect.left, srcRect.top + y - dstRect.top, pixel);
        put(x, y, pixel);
      }
    return;
  }
  if (mode == StretchMode::kColorOnColor) {
    for (int y = visible.top; y < visible.bottom; ++y) {
      const int sy = srcRect.top + NearestTap(y - dstRect.top, sh, dh);
      for (int x = visible.left; x < visible.right; ++x) {
        ReadPixel(src, srcRect.left + NearestTap(x - dstRect.left, sw, dw), sy, pixel);
        put(x, y, pixel);
      }
    }
    return;
  }
  std::vector<Taps> columns;
  for (int x = visible.left; x < visible.right; ++x) columns.push_back(AreaTaps(x - dstRect.left, sw, dw));
  const uint64_t denominator = static_cast<uint64_t>(sw) * static_cast<uint64_t>(sh);
  std::vector<uint64_t> rowSums(static_cast<std::size_t>(sw) * 4);
  for (int y = visible.top; y < visible.bottom; ++y) {
    // Vertical pass: this destination row's weighted sums of source columns.
    std::fill(rowSums.begin(), rowSums.end(), 0);
    const Taps rows = AreaTaps(y - dstRect.top, sh, dh);
    for (std::size_t k = 0; k < rows.weights.size(); ++k) {
      const int sy = srcRect.top + rows.first + static_cast<int>(k);
      for (int sx = 0; sx < sw; ++sx) {
        ReadPixel(src, srcRect.left + sx, sy, pixel);
        for (int c = 0; c < 4; ++c) rowSums[static_cast<std::size_t>(sx) * 4 + c] += rows.weights[k] * pixel[c];
      }
    }
    // Horizontal pass, rounded to nearest.
    for (int x = visible.left; x < visible.right; ++x) {
      const Taps& taps = columns[static_cast<std::size_t>(x - visible.left)];
      uint64_t sum[4] = {0, 0, 0, 0};
      for (std::size_t k = 0; k < taps.weights.size(); ++k)
        for (int c = 0; c < 4; ++c)
          sum[c] += taps.weights[k] * rowSums[static_cast<std::size_t>(taps.first + static_cast<int>(k)) * 4 + c];
      for (int c = 0; c < 4; ++c) pixel[c] = static_cast<uint8_t>((sum[c] + denominator / 2) / denominator);
      put(x, y, pixel);
    }
  }
}

}  // namespace

bool StretchBits(Image& dst, const RECT& dstRect, const Image& src, const RECT& srcRect, StretchMode mode) {
  if (!IsColourImage(dst) || !IsColourImage(src) || !SourceRectFits(src, srcRect) || dstRect.IsEmpty())
    return false;
  const RECT visible = VisiblePart(dst, dstRect);
  if (visible.IsEmpty()) return true;
  if (&dst == &src) {
    // Reading and writing one image would read pixels already written.
    const Image copy(src);
    return StretchBits(dst, dstRect, copy, srcRect, mode);
  }
  Resample(src, srcRect, dstRect, visible, mode, [&](int x, int y, const uint8_t* p) { WritePixel(dst, x, y, p); });
  return true;
}

bool AlphaBlendBits(Image& dst, const RECT& dstRect, const Image& src, const RECT& srcRect, BlendFunction blend) {
  if (!IsColourImage(dst) || !IsColourImage(src) || !SourceRectFits(src, srcRect) || dstRect.IsEmpty())
    return false;
  if (blend.sourceAlpha && src.Bpp() != 32) return false;
  const RECT visible = VisiblePart(dst, dstRect);
  if (visible.IsEmpty()) return true;
  if (&dst == &src) {
    const Image copy(src);
    return AlphaBlendBits(dst, dstRect, copy, srcRect, blend);
  }
  const unsigned k = blend.constantAlpha;
  const int dstBytes = dst.Bpp() / 8;
  auto put = [&](int x, int y, const uint8_t* s) {
    uint8_t* d = dst.Row(y) + static_cast<std::ptrdiff_t>(x) * dstBytes;
    if (blend.sourceAlpha) {
      unsigned scaled[4];
      for (int c = 0; c < 4; ++c) scaled[c] = k == 255 ? s[c] : s[c] * k / 255;
      const unsigned keep = 255 - scaled[3];
      for (int c = 0; c < dstBytes; ++c)
        d[c] = static_cast<uint8_t>(std::min(255u, scaled[c] + d[c] * keep / 255));
    } else {
      for (int c = 0; c < dstBytes; ++c) d[c] = static_cast<uint8_t>(s[c] * k / 255 + d[c] * (255 - k) / 255);
    }
  };
  Resample(src, srcRect, dstRect, visible, StretchMode::kHalftone, put);
  return true;
}

}  // namespace platform
