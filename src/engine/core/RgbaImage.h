#pragma once
// An RGBA picture inside the engine: width × height pixels of four bytes
// R, G, B, A, rows tightly packed, bottom row first (as OpenGL expects). The
// owner frees `pixels` with EngFree.
namespace engine {

struct RgbaImageRecord {
  int width = 0;
  int height = 0;
  unsigned char* pixels = nullptr;
};

}  // namespace engine
