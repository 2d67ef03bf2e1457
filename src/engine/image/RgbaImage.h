#pragma once
// The engine's own picture buffer: width × height pixels of four bytes R, G,
// B, A, rows tightly packed, row 0 the bottom row (as OpenGL takes them)
// unless a function says otherwise. The block comes from EngAlloc and
// belongs to whoever holds the record; OsUtilFreeImage gives it back.
#include <cstddef>
#include <cstdint>

namespace engine {

struct RgbaImageRecord {
  int width = 0;
  int height = 0;
  std::uint8_t* pixels = nullptr;

  // width × height × 4, in 64 bits (0 for a non-positive side).
  std::size_t ByteSize() const {
    return width > 0 && height > 0 ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4 : 0;
  }
  std::uint8_t* Pixel(int x, int y) { return pixels + (static_cast<std::size_t>(y) * width + x) * 4; }
  const std::uint8_t* Pixel(int x, int y) const { return pixels + (static_cast<std::size_t>(y) * width + x) * 4; }
};

}  // namespace engine
