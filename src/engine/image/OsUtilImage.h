#pragma once
// Moving pictures between the engine's RGBA buffers, platform images and
// OpenGL's size rules, and the pixel operations of shadow and overlay
// images.
//
// Platform images (platform::Image) run top row first; RGBA buffers run
// bottom row first unless a function says otherwise.
#include <cstdint>
#include <string>

#include "engine/core/RgbaImageRecord.h"
#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace engine {

// ---- RGBA buffers: OsUtilRgba.cpp -------------------------------------------

// Frees the pixels and sets them null (the sizes stay).
void OsUtilFreeImage(RgbaImageRecord& image);

// The limit the preferences may put on texture sides.
struct TextureSizeLimit {
  bool on = false;
  int maxWidth = 0;
  int maxHeight = 0;
};
// The engine preferences' limit (off when there are no preferences).
TextureSizeLimit EngTextureSizeLimit();

// Rescales the picture to the sides GlPowerOfTwoSize gives (further limited
// by `limit` when it is on); nothing when those are the current sides. Out
// of memory records reason 1 and leaves the image without pixels.
void OsUtilFitTextureSizeWithin(RgbaImageRecord& image, const TextureSizeLimit& limit);
// The same with the preferences' limit.
void OsUtilFitTextureSize(RgbaImageRecord& image);

// Copies the rectangle (all four edges inclusive) of the source into the
// destination, whose old pixels are freed first; fits the result when `fit`
// is set. A rectangle not inside the source is a fatal error. Out of memory
// records reason 1 and leaves the destination without pixels.
void OsUtilCropImage(const RgbaImageRecord& source, RgbaImageRecord& destination, const platform::RECT& rect,
                     bool fit);

// Moves the picture in place by (width × fx, height × fy) pixels (truncated
// towards zero); the strips it uncovers keep their old contents.
void OsUtilShiftImage(RgbaImageRecord& image, double fx, double fy);

// Bytes from one RGB row to the next as the JPEG path lays them out: three
// per pixel, plus padding to 4 bytes only when that padding is 3 bytes.
int OsUtilRgbRowStride(int width);
// Turns the pixels in place into R, G, B rows of that stride (padding 0).
void OsUtilRgbaToRgbRows(RgbaImageRecord& image);

// When both have the same size: the overlay over the target by the
// overlay's alpha; the target's alpha adds the overlay's (at most 255).
void OsUtilBlendImageOver(RgbaImageRecord& target, const RgbaImageRecord& overlay);

// A new RGBA buffer from a platform image; 1- and 8-bit images through
// their palettes. Alpha is the image's on 32-bit images with the alpha flag,
// else 255. Bottom row first unless `keepOrder`. Answers 4 for 32-bit
// sources, 3 for the others, -1 for a null image or when memory runs out
// (reason 1 recorded).
int OsUtilImageToRgba(const platform::Image& image, RgbaImageRecord& out, bool keepOrder);

// ---- image files: OsUtilFiles.cpp ---------------------------------------------

// Loads a picture file of any format the platform reads (by its content)
// into a new RGBA buffer, bottom row first. 1, or 0 when it cannot be loaded
// or memory runs out.
int OsUtilLoadImageFile(const std::string& path, int& width, int& height, std::uint8_t*& pixels);

// Writes a baseline JPEG of width × height pixels from R, G, B rows laid out
// as OsUtilRgbaToRgbRows leaves them (the first row is the picture's top),
// with the quality (95 and up also optimise the Huffman tables) and the
// density in dots per inch. A file that cannot be written is an error
// answered to the caller (false, with a reason in `error`), never the end
// of the program; an existing file is replaced only by a complete one.
bool EngWriteJpegFile(const std::string& path, int width, int height, const std::uint8_t* rgbRows, int quality,
                      int dotsPerInch, std::string* error = nullptr);

// ---- pixel operations: OsUtilPixels.cpp -------------------------------------
// On 24- or 32-bit images; `size` (optional) restricts them to the top-left
// width × height pixels.

// 32-bit images: alpha 0 where the colour is the key, 255 elsewhere; the
// image gets the alpha flag.
void OsUtilKeyColorToAlpha(platform::Image& image, platform::COLORREF key, const platform::SIZE* size);
// Every pixel to the colour (and the alpha, on 32-bit images); on 1-bit
// images every byte of every row to the colour's low byte (no size allowed).
void OsUtilFillImage(platform::Image& image, platform::COLORREF colour, int alpha, const platform::SIZE* size);
// Box blur of radius r between two 32-bit images of the same size: each
// pixel the mean (truncated) of the (2r + 1)² window around it, over the
// part of the window inside the picture, all four channels. 0, or -1 when a
// picture is not 32-bit, the sizes differ or memory runs out.
int OsUtilBoxBlur(const platform::Image& source, platform::Image& destination, int radius,
                  const platform::SIZE* size);
// When both have the same depth (24 or 32 bits) and the source is exactly
// 2, 3 or 4 times the destination in both directions: each destination
// pixel the mean (truncated) of its block, all channels. Otherwise nothing.
void OsUtilDownsampleImage(const platform::Image& source, platform::Image& destination);
// Block smoothing of the colour channels of a 24- or 32-bit picture in
// place: blocks of 3 × 3 pixels (2 × 2 with mode 2) take their mean
// (truncated); blocks cut by the right or bottom edge average the pixels
// they have. Row y starts at rows + y × pitch (a negative pitch walks
// upwards); `bytesPerPixel` 3 or 4.
void OsUtilSmoothPixels(std::uint8_t* rows, int width, int height, int pitch, int bytesPerPixel, int mode);

}  // namespace engine
