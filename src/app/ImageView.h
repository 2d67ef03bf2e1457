#pragma once
// Private to src/app: showing the platform's 32-bit images through Qt.
#include <QImage>

#include "platform/Image.h"

namespace app {

// A read-only QImage over the top-left width × height part of a 32-bit
// image holding premultiplied colour (B, G, R, A bytes are Qt's
// premultiplied ARGB32 on this byte order). Valid while the image lives
// unchanged in size.
inline QImage ViewPremultiplied(const platform::Image& image, int width, int height) {
  return QImage(image.Bits(), width, height, image.Pitch(), QImage::Format_ARGB32_Premultiplied);
}

}  // namespace app
