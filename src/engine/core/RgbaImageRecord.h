#pragma once
// A picture in the form OpenGL takes it: width × height pixels of 4 bytes
// R, G, B, A, rows tightly packed, row 0 the bottom row. The pixel block is
// owned by whoever holds the record and comes from EngAlloc.
namespace engine {

struct RgbaImageRecord {
  int width = 0;
  int height = 0;
  unsigned char* pixels = nullptr;
};

}  // namespace engine
