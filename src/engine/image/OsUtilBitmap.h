#pragma once
// Bitmaps for thumbnails and page output: pictures drawn stretched into a
// bitmap of a given size, Windows bitmaps turned into RGBA buffers, block
// smoothing, and stretched copies between surfaces.
#include "engine/core/RgbaImageRecord.h"
#include "engine/image/CDib.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace engine {

// A bitmap compatible with the screen (32 bits, no alpha) and the size it
// was made for.
struct EngBitmap {
  platform::Image image;
  platform::SIZE dimension;
};

// Makes `bitmap` a width × height bitmap showing the RGBA picture stretched
// (each pixel takes the source pixel under its centre). 0 when the picture
// or its pixels are missing, the size is not positive or memory runs out;
// 1 without drawing when no bitmap is given.
int OsUtilImageToBitmap(const RgbaImageRecord* image, int width, int height, EngBitmap* bitmap);
// Turns a loaded bitmap of 1, 4 or 8 bits (run-length encoded ones too) or
// of 24 bits into a new RGBA buffer (`out` must hold no pixels) and that
// into `bitmap` as OsUtilImageToBitmap does. 16- and 32-bit bitmaps show
// "File Open Error" and fail. 1, or 0 on failure.
int OsUtilDibToImage(const CDib& dib, RgbaImageRecord& out, int width, int height, EngBitmap* bitmap);
// Block smoothing (see OsUtilSmoothPixels) of a 24-bit bitmap in place;
// 16- and 32-bit bitmaps show "Smooth Bitmap error", other depths "File
// Open Error". 1 when smoothed.
int OsUtilSmoothDib(CDib& dib, int mode);
// The same on a bitmap's pixels, blocks counted from its bottom row as a
// device-independent copy would have them. 1 when smoothed.
int OsUtilSmoothBitmap(EngBitmap& bitmap, int mode);
// (0, 0, cx, cy) of the bitmap's recorded size.
platform::RECT OsUtilGetBitmapRect(const EngBitmap& bitmap);
// Copies the source rectangle of a surface into the destination rectangle
// of the bitmap, stretched by area averaging. False when the rectangles do
// not fit the surfaces.
bool OsUtilStretchDcToBitmap(const platform::Image& source, EngBitmap& bitmap, const platform::RECT& sourceRect,
                             const platform::RECT& destinationRect);

}  // namespace engine
