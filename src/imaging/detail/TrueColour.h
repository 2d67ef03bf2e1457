#pragma once
// Private to imaging: any image as 32 bits with alpha, the form the GIF,
// clipboard and thumbnail code works on.
#include "platform/Image.h"

namespace imaging::detail {

// Copies `source` (1, 8, 24 or 32 bits) into a new 32-bit image with the
// alpha flag. A 32-bit source with alpha keeps its alpha bytes; every other
// source gets alpha 255. False (and `out` null) for a null source or when
// memory runs out.
inline bool CopyToTrueColour(const platform::Image& source, platform::Image& out) {
  out.Destroy();
  if (source.IsNull() || !out.Create(source.Width(), source.Height(), 32, true)) return false;
  const bool keepAlpha = source.Bpp() == 32 && source.HasAlpha();
  for (int y = 0; y < source.Height(); ++y) {
    for (int x = 0; x < source.Width(); ++x) {
      platform::Bgra pixel = source.GetBgra(x, y);
      if (!keepAlpha) pixel.a = 255;
      out.SetBgra(x, y, pixel);
    }
  }
  return true;
}

}  // namespace imaging::detail
