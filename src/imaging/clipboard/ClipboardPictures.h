#pragma once
// Pictures between the page and other programs through the system
// clipboard: the bytes of a PNG file (the "PNG" format) and a bitmap drawn
// on a background colour. The enhanced metafile of the desktop this program
// comes from does not exist here: asking only for it makes nothing, and
// pasting never finds one.
#include <cstdint>
#include <string>

#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace imaging {

// CopyImageToClipboard format flags (any combination).
enum ClipboardFormatFlags : unsigned {
  kClipboardBitmap = 1,
  kClipboardMetafile = 2,  // not available on this platform
  kClipboardPng = 4,
};

// Nothing could be made of the formats asked for.
constexpr int kClipboardNothingMade = -21;

// True when the clipboard holds a PNG or a bitmap.
bool CanPasteImage();

// Puts a 32-bit image on the clipboard in the formats asked for, emptying
// the clipboard first. The image is converted in place: it ends
// premultiplied when a bitmap was asked for, straight when a PNG was (a
// bitmap needs premultiplied colour to blend over the background, a PNG
// file holds straight alpha). Answers 0, -21 when nothing could be made
// (the clipboard is then untouched), or the last failure of a format that
// could not be made (the others are still placed): -1 out of memory or a
// drawing failure, -9 no temporary file, -12 the PNG could not be saved.
int CopyImageToClipboard(platform::Image& image, bool premultiplied, unsigned formats,
                         platform::COLORREF background);

// Takes the clipboard's picture into a new 32-bit image with alpha: the PNG
// first, else the bitmap (opaque). Answers 0, also when the clipboard holds
// no picture (the image is then null), or -1 when a picture was there but
// could not be read (a PNG that cannot be read is not passed over for the
// bitmap).
int PasteImageFromClipboard(platform::Image& image);

// The makers: a 24-bit bitmap of the premultiplied image over the
// background, and the bytes of a PNG file of the (straight) image. Each
// answers false and sets `code` when it fails.
bool MakeClipboardBitmap(const platform::Image& premultiplied, platform::COLORREF background, platform::Image& out,
                         int& code);
bool MakeClipboardPng(const platform::Image& image, std::string& out, int& code);

}  // namespace imaging
