#pragma once
// Exact 8-bit colour arithmetic shared by the blits and the pixel
// operations: truncating division by 255 as a multiplication and a shift,
// and the same four pixels at a time with SSE2 where the compiler offers it
// (always on x86-64). Every vector path answers exactly what its scalar
// path answers.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#define PENNET_PIXEL_SSE2 1
#endif

namespace platform {

// x / 255, truncated, for every x below 65536.
constexpr unsigned Div255(unsigned x) { return (x * 0x8081u) >> 23; }

#if defined(PENNET_PIXEL_SSE2)
namespace sse2 {

// x / 255 in each 16-bit lane.
inline __m128i Div255(__m128i x) { return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<short>(0x8081))), 7); }

// Each pixel's fourth word copied into its four words (two pixels of four
// 16-bit lanes).
inline __m128i BroadcastAlpha(__m128i pixels16) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(pixels16, 0xFF), 0xFF);
}

// The fourth byte of each 32-bit pixel.
inline __m128i AlphaMask() { return _mm_set1_epi32(static_cast<int>(0xFF000000u)); }

}  // namespace sse2
#endif

}  // namespace platform
