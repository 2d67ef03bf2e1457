#pragma once
// A picture in the form OpenGL takes it: width × height pixels of 4 bytes
// R, G, B, A, rows tightly packed, row 0 the bottom row (unless a function
// says otherwise). The pixel block is owned by whoever holds the record and
// comes from EngAlloc; OsUtilFreeImage gives it back.
#include <cstddef>

namespace engine {

struct RgbaImageRecord {
  int width = 0;
  int height = 0;
  unsigned char* pixels = nullptr;

  // width × height × 4 (0 for a side that is not positive).
  std::size_t ByteSize() const {
    return width > 0 && height > 0 ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4 : 0;
  }
  unsigned char* Pixel(int x, int y) { return pixels + (static_cast<std::size_t>(y) * width + x) * 4; }
  const unsigned char* Pixel(int x, int y) const { return pixels + (static_cast<std::size_t>(y) * width + x) * 4; }
};

}  // namespace engine
