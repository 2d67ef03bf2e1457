#pragma once
// Copying pixel blocks between images, in the shape the drawing code expects
// of the desktop platform's block transfers: a stretching copy (nearest
// pixel, or area averaging in the "halftone" mode) and alpha blending of a
// premultiplied source.
//
// Both work on 24- and 32-bit images. The source rectangle must lie inside
// the source image and have a positive size; the destination rectangle may
// reach past the destination image and is cut to it (the mapping from
// destination to source pixels stays the one of the whole rectangles).
// They answer false, touching nothing, when the depths or rectangles do not
// fit those rules.
#include <cstdint>

#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace platform {

enum class StretchMode {
  kColorOnColor,  // each destination pixel takes the source pixel under its centre
  kHalftone,      // each destination pixel is the area-weighted mean of the source pixels it covers
};

// Copies (and stretches) the source block into the destination block. Into a
// 32-bit destination a 32-bit source copies all four bytes; a 24-bit source
// writes 255 to the fourth byte.
bool StretchBits(Image& dst, const RECT& dstRect, const Image& src, const RECT& srcRect, StretchMode mode);

struct BlendFunction {
  std::uint8_t constantAlpha = 255;
  // Use the source's own alpha bytes (the source must be 32-bit and hold
  // premultiplied colour); otherwise the constant alpha alone weighs it.
  bool sourceAlpha = false;
};

// Draws the source block over the destination block. With per-pixel alpha,
// the source (colour and alpha scaled by constantAlpha / 255) goes over the
// destination as premultiplied "source over": d = s + d × (255 − αs) / 255
// on all four bytes; without it every byte becomes
// s × k / 255 + d × (255 − k) / 255 for the constant k. Divisions truncate.
// A source block of another size is first resampled by area averaging
// (which is exact for premultiplied colour). A 24-bit destination has no
// alpha byte to write; a 24-bit source counts as opaque.
bool AlphaBlendBits(Image& dst, const RECT& dstRect, const Image& src, const RECT& srcRect, BlendFunction blend);

}  // namespace platform
