#pragma once
// Comparing a rendered image with a golden one kept in the source tree.
#include <cstdlib>

#include "platform/Image.h"

namespace testsupport {

// The number of pixels that match the golden image neither at their place
// nor at a neighbour (edges may move by a pixel between rasterisers) within
// `levels` in every channel.
inline int PixelsOffGolden(const platform::Image& actual, const platform::Image& golden, int levels = 3) {
  int off = 0;
  for (int y = 0; y < actual.Height(); ++y)
    for (int x = 0; x < actual.Width(); ++x) {
      const platform::Bgra a = actual.GetBgra(x, y);
      bool matched = false;
      for (int dy = -1; dy <= 1 && !matched; ++dy)
        for (int dx = -1; dx <= 1 && !matched; ++dx) {
          if (!golden.Contains(x + dx, y + dy)) continue;
          const platform::Bgra g = golden.GetBgra(x + dx, y + dy);
          matched = std::abs(a.b - g.b) <= levels && std::abs(a.g - g.g) <= levels &&
                    std::abs(a.r - g.r) <= levels && std::abs(a.a - g.a) <= levels;
        }
      off += matched ? 0 : 1;
    }
  return off;
}

}  // namespace testsupport
