#pragma once
// Where drawing left ink on a plain background: the tests of text compare
// these boxes rather than pixels, since glyphs differ between font versions.
#include <algorithm>

#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace testsupport {

// The smallest rectangle holding every pixel whose colour is not the
// background's; empty when there is none.
inline platform::RECT InkBox(const platform::Image& image, platform::COLORREF background = 0xFFFFFF) {
  platform::RECT box{image.Width(), image.Height(), 0, 0};
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (image.GetBgra(x, y).ToColorRef() != background) {
        box.left = std::min(box.left, x), box.top = std::min(box.top, y);
        box.right = std::max(box.right, x + 1), box.bottom = std::max(box.bottom, y + 1);
      }
  return box;
}

}  // namespace testsupport
