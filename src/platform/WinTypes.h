#pragma once
// Small value types in the shape the drawing and page code expect of the
// desktop platform: rectangles, points, sizes and packed 0x00BBGGRR colours.
#include <cstdint>

namespace platform {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR

struct POINT {
  int x = 0;
  int y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const SIZE&, const SIZE&) = default;
};

struct RECT {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  friend bool operator==(const RECT&, const RECT&) = default;
};

constexpr COLORREF MakeRgb(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c) { return static_cast<int>(c & 0xFF); }
constexpr int GetGValue(COLORREF c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF c) { return static_cast<int>((c >> 16) & 0xFF); }

}  // namespace platform
