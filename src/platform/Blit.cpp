#include "platform/Blit.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/Parallel.h"
#include "platform/PixelMath.h"

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

// Calls row(y, pixels) for every visible destination row of dstRect, with
// the visible part of that row of the source block resampled to the
// destination block's size, as 4-byte pixels. Rows are independent, so
// bands of them run in parallel; each band has its buffers.
template <class Row>
void ResampleRows(const Image& src, const RECT& srcRect, const RECT& dstRect, const RECT& visible, StretchMode mode,
                  Row row) {
  const int sw = srcRect.Width(), sh = srcRect.Height();
  const int dw = dstRect.Width(), dh = dstRect.Height();
  const int n = visible.right - visible.left;
  const bool plainCopy = sw == dw && sh == dh;
  // Halftone columns: the taps of each visible column and the source
  // columns they reach, shared by every band.
  std::vector<Taps> columns;
  int firstColumn = 0, endColumn = 0;
  if (!plainCopy && mode == StretchMode::kHalftone) {
    for (int x = visible.left; x < visible.right; ++x) columns.push_back(AreaTaps(x - dstRect.left, sw, dw));
    firstColumn = columns.front().first;
    endColumn = std::min(sw, columns.back().first + static_cast<int>(columns.back().weights.size()));
  }
  constexpr int kPixelsPerBand = 1 << 16;
  ParallelFor(visible.bottom - visible.top, std::max(1, kPixelsPerBand / std::max(n, 1)), [&](int begin, int end) {
    std::vector<uint8_t> buffer(static_cast<std::size_t>(n) * 4);
    uint8_t* out = buffer.data();
    if (plainCopy) {
      const int sx = srcRect.left + visible.left - dstRect.left;
      for (int y = visible.top + begin; y < visible.top + end; ++y) {
        const int sy = srcRect.top + y - dstRect.top;
        if (src.Bpp() == 32) {
          row(y, src.Row(sy) + static_cast<std::ptrdiff_t>(sx) * 4);
          continue;
        }
        for (int x = 0; x < n; ++x) ReadPixel(src, sx + x, sy, out + x * 4);
        row(y, out);
      }
      return;
    }
    if (mode == StretchMode::kColorOnColor) {
      std::vector<int> sourceX(static_cast<std::size_t>(n));
      for (int x = 0; x < n; ++x) sourceX[static_cast<std::size_t>(x)] = srcRect.left + NearestTap(visible.left + x - dstRect.left, sw, dw);
      for (int y = visible.top + begin; y < visible.top + end; ++y) {
        const int sy = srcRect.top + NearestTap(y - dstRect.top, sh, dh);
        for (int x = 0; x < n; ++x) ReadPixel(src, sourceX[static_cast<std::size_t>(x)], sy, out + x * 4);
        row(y, out);
      }
      return;
    }
    const uint64_t denominator = static_cast<uint64_t>(sw) * static_cast<uint64_t>(sh);
    std::vector<uint64_t> rowSums(static_cast<std::size_t>(sw) * 4);
    uint8_t pixel[4];
    for (int y = visible.top + begin; y < visible.top + end; ++y) {
      // Vertical pass: this destination row's weighted sums of the source
      // columns the visible columns reach.
      std::fill(rowSums.begin(), rowSums.end(), 0);
      const Taps rows = AreaTaps(y - dstRect.top, sh, dh);
      for (std::size_t k = 0; k < rows.weights.size(); ++k) {
        const int sy = srcRect.top + rows.first + static_cast<int>(k);
        for (int sx = firstColumn; sx < endColumn; ++sx) {
          ReadPixel(src, srcRect.left + sx, sy, pixel);
          for (int c = 0; c < 4; ++c) rowSums[static_cast<std::size_t>(sx) * 4 + c] += rows.weights[k] * pixel[c];
        }
      }
      // Horizontal pass, rounded to nearest.
      for (int x = 0; x < n; ++x) {
        const Taps& taps = columns[static_cast<std::size_t>(x)];
        uint64_t sum[4] = {0, 0, 0, 0};
        for (std::size_t k = 0; k < taps.weights.size(); ++k)
          for (int c = 0; c < 4; ++c)
            sum[c] += taps.weights[k] * rowSums[static_cast<std::size_t>(taps.first + static_cast<int>(k)) * 4 + c];
        for (int c = 0; c < 4; ++c) out[x * 4 + c] = static_cast<uint8_t>((sum[c] + denominator / 2) / denominator);
      }
      row(y, out);
    }
  });
}

// "Source over" of n premultiplied source pixels (4 bytes each, scaled by
// k / 255 first) onto n destination pixels of `dstBytes` bytes:
// d = min(255, s + d × (255 − αs) / 255). A source pixel of four zero bytes
// leaves its destination as it is, an opaque one replaces it, exactly as
// the formula says.
void BlendSourceOver(uint8_t* d, int dstBytes, const uint8_t* s, int n, unsigned k) {
  int x = 0;
#if defined(PENNET_PIXEL_SSE2)
  if (dstBytes == 4 && k == 255) {
    const __m128i zero = _mm_setzero_si128(), alphaMask = sse2::AlphaMask(), full = _mm_set1_epi16(255);
    for (; x + 4 <= n; x += 4, s += 16, d += 16) {
      const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(source, zero)) == 0xFFFF) continue;
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(source, alphaMask), alphaMask)) == 0xFFFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), source);
        continue;
      }
      const __m128i dest = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
      const __m128i slo = _mm_unpacklo_epi8(source, zero), shi = _mm_unpackhi_epi8(source, zero);
      const __m128i keepLo = _mm_sub_epi16(full, sse2::BroadcastAlpha(slo));
      const __m128i keepHi = _mm_sub_epi16(full, sse2::BroadcastAlpha(shi));
      const __m128i lo = _mm_add_epi16(slo, sse2::Div255(_mm_mullo_epi16(_mm_unpacklo_epi8(dest, zero), keepLo)));
      const __m128i hi = _mm_add_epi16(shi, sse2::Div255(_mm_mullo_epi16(_mm_unpackhi_epi8(dest, zero), keepHi)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(lo, hi));
    }
  }
#endif
  for (; x < n; ++x, s += 4, d += dstBytes) {
    unsigned scaled[4];
    for (int c = 0; c < 4; ++c) scaled[c] = k == 255 ? s[c] : Div255(s[c] * k);
    if ((scaled[0] | scaled[1] | scaled[2] | scaled[3]) == 0) continue;
    const unsigned keep = 255 - scaled[3];
    for (int c = 0; c < dstBytes; ++c) d[c] = static_cast<uint8_t>(std::min(255u, scaled[c] + Div255(d[c] * keep)));
  }
}

// Every byte becomes s × k / 255 + d × (255 − k) / 255.
void BlendConstant(uint8_t* d, int dstBytes, const uint8_t* s, int n, unsigned k) {
  for (int x = 0; x < n; ++x, s += 4, d += dstBytes)
    for (int c = 0; c < dstBytes; ++c) d[c] = static_cast<uint8_t>(Div255(s[c] * k) + Div255(d[c] * (255 - k)));
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
  const int dstBytes = dst.Bpp() / 8, n = visible.right - visible.left;
  ResampleRows(src, srcRect, dstRect, visible, mode, [&](int y, const uint8_t* p) {
    uint8_t* d = dst.Row(y) + static_cast<std::ptrdiff_t>(visible.left) * dstBytes;
    if (dstBytes == 4) {
      std::memcpy(d, p, static_cast<std::size_t>(n) * 4);
      return;
    }
    for (int x = 0; x < n; ++x) std::memcpy(d + x * 3, p + x * 4, 3);
  });
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
  const int dstBytes = dst.Bpp() / 8, n = visible.right - visible.left;
  ResampleRows(src, srcRect, dstRect, visible, StretchMode::kHalftone, [&](int y, const uint8_t* s) {
    uint8_t* d = dst.Row(y) + static_cast<std::ptrdiff_t>(visible.left) * dstBytes;
    if (blend.sourceAlpha)
      BlendSourceOver(d, dstBytes, s, n, k);
    else
      BlendConstant(d, dstBytes, s, n, k);
  });
  return true;
}

}  // namespace platform
