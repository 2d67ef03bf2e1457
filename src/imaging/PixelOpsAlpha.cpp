// Alpha conversions, fills, copies, masks and key colours.
#include <string>

#include "imaging/PixelOpsInternal.h"
#include "platform/Hooks.h"
#include "platform/PixelMath.h"

namespace imaging {
namespace {

using detail::Is32;
using detail::IsColour;
using platform::COLORREF;
using std::uint8_t;

// The page's fatal-exit text for a broken rule of these operations.
[[noreturn]] void FatalPixelRule(int line) {
  platform::FatalExit(std::string("予期せぬ問題のためプログラムを強制終了します。　") + " PnUtilImage " +
                      std::to_string(line));
}

// Calls span(row, width) for each row of a 32-bit image, rows in parallel.
template <class Span>
void ForEachRow32(Image& image, Span span) {
  const int width = image.Width();
  detail::ForRowBands(image.Height(), width, [&](int first, int end) {
    for (int y = first; y < end; ++y) span(image.Row(y), width);
  });
}

// c·a/255 for the colour bytes of n pixels; alpha stays. It leaves alpha
// 255 unchanged and clears alpha 0, so it needs no branch.
void PremultiplySpan(uint8_t* p, int n) {
  int x = 0;
#if defined(PENNET_PIXEL_SSE2)
  const __m128i zero = _mm_setzero_si128(), alphaMask = platform::sse2::AlphaMask();
  for (; x + 4 <= n; x += 4, p += 16) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i lo = _mm_unpacklo_epi8(pixels, zero), hi = _mm_unpackhi_epi8(pixels, zero);
    lo = platform::sse2::Div255(_mm_mullo_epi16(lo, platform::sse2::BroadcastAlpha(lo)));
    hi = platform::sse2::Div255(_mm_mullo_epi16(hi, platform::sse2::BroadcastAlpha(hi)));
    const __m128i colour = _mm_andnot_si128(alphaMask, _mm_packus_epi16(lo, hi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_or_si128(colour, _mm_and_si128(alphaMask, pixels)));
  }
#endif
  for (; x < n; ++x, p += 4) {
    const unsigned a = p[3];
    for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(platform::Div255(p[c] * a));
  }
}

// The 32-bit value of a pixel's four bytes in memory order.
inline std::uint32_t PixelWord(const uint8_t pixel[4]) {
  std::uint32_t word;
  std::memcpy(&word, pixel, 4);
  return word;
}

// Sets n 32-bit pixels from p on to the word.
inline void FillWords(uint8_t* p, int n, std::uint32_t word) {
  for (int x = 0; x < n; ++x, p += 4) std::memcpy(p, &word, 4);
}

}  // namespace

void PnUtilPremultiplyAlpha(Image& image) {
  if (!Is32(image)) return;
  ForEachRow32(image, PremultiplySpan);
}

void PnUtilUnpremultiplyAlpha(Image& image) {
  if (!Is32(image)) return;
  ForEachRow32(image, [](uint8_t* p, int n) {
    for (int x = 0; x < n; ++x, p += 4) {
      const unsigned a = p[3];
      if (a == 0 || a == 255) continue;
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(std::min(255u, p[c] * 255u / a));
    }
  });
}

void PnUtilSetAlpha(Image& image, uint8_t alpha) {
  if (!Is32(image)) return;
  const uint8_t keep[4] = {255, 255, 255, 0}, set[4] = {0, 0, 0, alpha};
  const std::uint32_t keepMask = PixelWord(keep), alphaWord = PixelWord(set);
  ForEachRow32(image, [=](uint8_t* p, int n) {
    for (int x = 0; x < n; ++x, p += 4) {
      std::uint32_t word;
      std::memcpy(&word, p, 4);
      word = (word & keepMask) | alphaWord;
      std::memcpy(p, &word, 4);
    }
  });
}

void PnUtilSetBitmapAlpha(Image& bitmap, uint8_t alpha) { PnUtilSetAlpha(bitmap, alpha); }

void PnUtilScaleOpacity(Image& image, int opacity) {
  if (!Is32(image)) return;
  const unsigned k = static_cast<unsigned>(std::clamp(opacity, 0, 255));
  if (k == 255) return;
  ForEachRow32(image, [k](uint8_t* p, int n) {
    for (int i = 0; i < n * 4; ++i) p[i] = static_cast<uint8_t>(platform::Div255(p[i] * k));
  });
}

void PnUtilFillImage(Image& image, COLORREF color, uint8_t alpha, OptionalSize size) {
  if (image.IsNull()) return;
  if (image.Bpp() == 1) {
    if (size) FatalPixelRule(368);
    const auto byte = static_cast<uint8_t>(color & 0xFF);
    for (int y = 0; y < image.Height(); ++y) std::memset(image.Row(y), byte, static_cast<std::size_t>(image.Pitch()));
    return;
  }
  if (!IsColour(image)) return;
  const platform::SIZE region = detail::RegionOf(image, size);
  const uint8_t pixel[4] = {static_cast<uint8_t>(platform::GetBValue(color)),
                            static_cast<uint8_t>(platform::GetGValue(color)),
                            static_cast<uint8_t>(platform::GetRValue(color)), alpha};
  const int bytes = image.Bpp() / 8;
  if (region.cx <= 0 || region.cy <= 0) return;
  // One row made, then copied to the others.
  uint8_t* first = image.Row(0);
  if (bytes == 4) {
    FillWords(first, region.cx, PixelWord(pixel));
  } else {
    for (int x = 0; x < region.cx; ++x) std::memcpy(first + x * bytes, pixel, static_cast<std::size_t>(bytes));
  }
  const std::size_t rowBytes = static_cast<std::size_t>(region.cx) * static_cast<std::size_t>(bytes);
  for (int y = 1; y < region.cy; ++y) std::memcpy(image.Row(y), first, rowBytes);
}

void PnUtilWashOutRect(Image& image, const platform::RECT& rect) {
  if (!IsColour(image)) return;
  const platform::RECT r = detail::ClipToImage(image, rect);
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      uint8_t* p = detail::PixelAt(image, x, y);
      for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] / 8 + 223);
    }
}

void PnUtilFillRect32(Image& image, const platform::RECT& rect, COLORREF color) {
  if (!Is32(image)) return;
  const platform::RECT r = detail::ClipToImage(image, rect);
  const uint8_t pixel[4] = {static_cast<uint8_t>(platform::GetBValue(color)),
                            static_cast<uint8_t>(platform::GetGValue(color)),
                            static_cast<uint8_t>(platform::GetRValue(color)), 255};
  const std::uint32_t word = PixelWord(pixel);
  for (int y = r.top; y < r.bottom; ++y) FillWords(detail::PixelAt(image, r.left, y), r.right - r.left, word);
}

void PnUtilCopyImageBits(const Image& src, Image& dst) {
  auto usable = [](const Image& image) {
    return !image.IsNull() && (image.Bpp() == 8 || image.Bpp() == 24 || image.Bpp() == 32);
  };
  if (!usable(src) || !usable(dst) || (src.Bpp() == 24 && dst.Bpp() == 8) || &src == &dst) return;
  const int width = std::min(src.Width(), dst.Width()), height = std::min(src.Height(), dst.Height());
  const int sb = src.Bpp() / 8, db = dst.Bpp() / 8;
  for (int y = 0; y < height; ++y) {
    const uint8_t* s = src.Row(y);
    uint8_t* d = dst.Row(y);
    for (int x = 0; x < width; ++x, s += sb, d += db) {
      if (db == 1) {
        d[0] = sb == 4 ? s[3] : s[0];
      } else if (sb == 1) {
        d[0] = d[1] = d[2] = s[0];
      } else {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        if (sb == 4 && db == 4) d[3] = s[3];
      }
    }
  }
}

void PnUtilApplyMask(Image& image, platform::POINT origin, platform::SIZE size, const Image& mask,
                     platform::POINT maskOrigin, platform::SIZE maskSize) {
  if (image.IsNull() || (image.Bpp() != 32 && image.Bpp() != 8) || mask.IsNull() || mask.Bpp() != 8) return;
  if (size.cx > image.Width() || size.cy > image.Height() || maskSize.cx > mask.Width() ||
      maskSize.cy > mask.Height())
    FatalPixelRule(1241);
  const int bytes = image.Bpp() / 8;
  const long long offsetX = static_cast<long long>(origin.x) - maskOrigin.x;
  const long long offsetY = static_cast<long long>(origin.y) - maskOrigin.y;
  for (int y = 0; y < size.cy; ++y) {
    uint8_t* p = image.Row(y);
    const long long my = y + offsetY;
    const bool rowInside = my >= 0 && my < maskSize.cy;
    for (int x = 0; x < size.cx; ++x, p += bytes) {
      const long long mx = x + offsetX;
      const unsigned m = rowInside && mx >= 0 && mx < maskSize.cx ? mask.Row(static_cast<int>(my))[mx] : 0;
      if (m == 0) {
        std::memset(p, 0, static_cast<std::size_t>(bytes));
        continue;
      }
      for (int c = 0; c < bytes; ++c) p[c] = static_cast<uint8_t>(p[c] * m / 255);
    }
  }
}

void PnUtilKeyColorToAlpha(Image& image, std::uint32_t key, OptionalSize size) {
  if (!Is32(image)) return;
  const platform::SIZE region = detail::RegionOf(image, size);
  const uint8_t k0 = key & 0xFF, k1 = (key >> 8) & 0xFF, k2 = (key >> 16) & 0xFF;
  for (int y = 0; y < region.cy; ++y) {
    uint8_t* p = image.Row(y);
    for (int x = 0; x < region.cx; ++x, p += 4) p[3] = p[0] == k0 && p[1] == k1 && p[2] == k2 ? 0 : 255;
  }
}

void PnUtilKeyColorToPremultiplied(Image& image, std::uint32_t key) {
  if (!Is32(image)) return;
  const uint8_t opaque[4] = {0, 0, 0, 255};
  const uint8_t keyBytes[4] = {static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8),
                               static_cast<uint8_t>(key >> 16), 255};
  const std::uint32_t alphaWord = PixelWord(opaque), keyWord = PixelWord(keyBytes);
  ForEachRow32(image, [=](uint8_t* p, int n) {
    int x = 0;
#if defined(PENNET_PIXEL_SSE2)
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(alphaWord));
    const __m128i keys = _mm_set1_epi32(static_cast<int>(keyWord));
    for (; x + 4 <= n; x += 4, p += 16) {
      const __m128i opaquePixels = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), alpha);
      const __m128i isKey = _mm_cmpeq_epi32(opaquePixels, keys);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_andnot_si128(isKey, opaquePixels));
    }
#endif
    for (; x < n; ++x, p += 4) {
      std::uint32_t word;
      std::memcpy(&word, p, 4);
      word |= alphaWord;
      if (word == keyWord) word = 0;
      std::memcpy(p, &word, 4);
    }
  });
}

void PnUtilGetPixel(const Image& image, platform::POINT point, std::uint32_t& color, int& alphaOrByte) {
  if (image.IsNull()) return;
  const int x = std::max(0, std::min(point.x, image.Width() - 1));
  const int y = std::max(0, std::min(point.y, image.Height() - 1));
  const uint8_t* p = detail::PixelAt(image, x, y);
  switch (image.Bpp()) {
    case 32:
      color = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
      alphaOrByte = p[3];
      break;
    case 24: color = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16); break;
    case 8: alphaOrByte = p[0]; break;
    default: break;
  }
}

}  // namespace imaging
