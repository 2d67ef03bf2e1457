#pragma once
// Private to src/platform: the meeting point of the platform's plain types
// and Qt. Nothing outside src/platform includes this header.
#include <QImage>
#include <QString>
#include <string_view>

#include "platform/Image.h"

namespace platform::detail {

// The QImage format with the same bytes as the image: RGB32 or ARGB32
// (straight alpha) for 32 bits, BGR888 for 24, Indexed8 for 8, Mono for 1;
// Format_Invalid for a null image.
QImage::Format QtFormatOf(const Image& image);

// A QImage that views the image's own memory (no copy), palette included.
// Stays valid while the image is neither recreated nor destroyed.
QImage WrapImage(Image& image);

// Copies into a QImage that owns its memory. The unused fourth byte of a
// 32-bit image without alpha comes out as 0xFF, as Qt expects.
QImage ToQImage(const Image& image);

// Copies a QImage of any format into an image: 1-bit and 8-bit indexed
// images keep their depth and palette, 24-bit RGB stays 24-bit, anything
// with an alpha channel becomes 32-bit with alpha, the rest 32-bit. False
// (and `out` null) for a null QImage or when memory runs out.
bool FromQImage(const QImage& source, Image& out);

// Makes sure a QGuiApplication exists, as Qt's font and text code need one.
// The program makes its own before any drawing; a headless user of the
// platform layer (tests, tools) gets one made here that uses the offscreen
// platform unless QT_QPA_PLATFORM says otherwise, and lives until the
// process ends. Call from the main thread.
void EnsureGuiApplication();

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace platform::detail
