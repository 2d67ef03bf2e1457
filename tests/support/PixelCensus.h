#pragma once
// Pixels of a rendered picture counted by colour class: the white
// background, dark outlines (every channel below 80) and everything else.
#include "platform/Image.h"

namespace testsupport {

struct PixelCensus {
  int background = 0;
  int dark = 0;
  int other = 0;
};

inline PixelCensus CountPixels(const platform::Image& image) {
  PixelCensus c;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const platform::Bgra p = image.GetBgra(x, y);
      if (p.r == 255 && p.g == 255 && p.b == 255) ++c.background;
      else if (p.r < 80 && p.g < 80 && p.b < 80) ++c.dark;
      else ++c.other;
    }
  return c;
}

}  // namespace testsupport
