#pragma once
// The system clipboard's pictures: the bytes of a PNG file (the desktop's
// registered "PNG" format, "image/png" here) and a bitmap. This platform has
// no enhanced metafile; callers treat that format as not available.
//
// Call from the user-interface thread (the main thread of a headless
// process, which gets an offscreen application on first use).
#include <optional>
#include <string>

#include "platform/Image.h"

namespace platform {

struct ClipboardFormats {
  bool png = false;
  bool bitmap = false;
};

// Which picture formats the clipboard holds now.
ClipboardFormats ClipboardPictureFormats();

// Empties the clipboard and places the PNG bytes and the bitmap, each when
// given (non-null). False when there was nothing to place.
bool SetClipboardPictures(const std::string* pngBytes, const Image* bitmap);

// Empties the clipboard.
void ClearClipboard();

// The PNG bytes on the clipboard; nothing when it holds none.
std::optional<std::string> GetClipboardPng();

// The clipboard's bitmap as an image (24- or 32-bit); false (and `out`
// null) when it holds none.
bool GetClipboardBitmap(Image& out);

}  // namespace platform
