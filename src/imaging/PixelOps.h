#pragma once
// Pixel operations on images, working directly on their bytes: alpha
// handling, fills, copies, integer down-sampling, rotation, masks, grey and
// lighten filters, a compositor that keeps the lighter pixel and scaling to
// fit. The blur, soft-edge, outline and shadow effects are in SoftEdges.h.
//
// Conventions:
// - Pixel bytes in memory order: 24-bit B, G, R; 32-bit B, G, R, A. 8-bit
//   images are single-channel masks or coverage maps (0 clear, 255 full).
// - Page pictures hold premultiplied colour (each colour byte at most the
//   alpha); the operations say where they assume it. Image files and
//   Image's alpha flag speak of straight alpha: PnUtilPremultiplyAlpha and
//   PnUtilUnpremultiplyAlpha convert between the two.
// - Colours come as COLORREF (0x00BBGGRR). PnUtilKeyColorToAlpha and
//   PnUtilGetPixel instead use a memory-order colour (0x00RRGGBB: the first
//   pixel byte in the low byte).
// - An optional size pair limits an operation that works on two images to
//   the top-left part of their common area (when both members are
//   non-zero); one that works on one image to its top-left part. Sizes and
//   rectangles are always cut to the images: nothing is read or written
//   outside an image.
// - Integer arithmetic; divisions truncate (so b·a/255 on bytes is an
//   integer product divided by 255).
// - An image of the wrong depth makes an operation do nothing; those that
//   answer a result code then answer kResultBadImage.
#include <cstdint>
#include <optional>

#include "platform/Image.h"
#include "platform/WinTypes.h"

namespace imaging {

using platform::Image;
using OptionalSize = std::optional<platform::SIZE>;

// ---- alpha and fills: PixelOpsAlpha.cpp --------------------------------
// Straight to premultiplied: colour bytes become c·a/255 (0 where a is 0).
void PnUtilPremultiplyAlpha(Image& image);
// Premultiplied to straight: c becomes min(255, c·255/a) where a is
// neither 0 nor 255.
void PnUtilUnpremultiplyAlpha(Image& image);
// Sets the alpha byte of every pixel of a 32-bit image.
void PnUtilSetAlpha(Image& image, std::uint8_t alpha);
// The same for a bitmap handed over by the windows (32-bit only).
void PnUtilSetBitmapAlpha(Image& bitmap, std::uint8_t alpha);
// Scales all four bytes of a premultiplied picture by opacity/255 (0..255;
// the image stays premultiplied). Nothing at 255.
void PnUtilScaleOpacity(Image& image, int opacity);
// Fills the image (or its top-left size part) with the colour; 32-bit
// images get the alpha byte too. A 1-bit image has every byte of every row
// set to the colour's low byte; a size pair with a 1-bit image ends the
// program (the caller broke the rule). 8-bit images are left alone.
void PnUtilFillImage(Image& image, platform::COLORREF color, std::uint8_t alpha, OptionalSize size = {});
// Pales a rectangle of a 24- or 32-bit image: each colour byte c becomes
// c/8 + 223; alpha stays.
void PnUtilWashOutRect(Image& image, const platform::RECT& rect);
// Fills a rectangle of a 32-bit image with the colour, opaque.
void PnUtilFillRect32(Image& image, const platform::RECT& rect, platform::COLORREF color);
// Copies the common area between images of 8, 24 or 32 bits (a 24-bit
// source into an 8-bit destination is refused): into 8 bits goes the alpha
// of a 32-bit source or the byte of an 8-bit one; into 24 or 32 bits go the
// three colour bytes (an 8-bit source's byte as grey), plus alpha when
// both are 32-bit.
void PnUtilCopyImageBits(const Image& src, Image& dst);

// ---- masks and keys: PixelOpsAlpha.cpp ---------------------------------
// Multiplies the top-left size part of an 8- or 32-bit image by an 8-bit
// mask: image pixel (x, y) meets mask pixel (x + origin.x − maskOrigin.x,
// y + origin.y − maskOrigin.y); inside the mask size every byte b becomes
// b·m/255, outside (or where m is 0) the pixel becomes 0. A size larger
// than the image, or a mask size larger than the mask, ends the program.
void PnUtilApplyMask(Image& image, platform::POINT origin, platform::SIZE size, const Image& mask,
                     platform::POINT maskOrigin, platform::SIZE maskSize);
// Alpha 0 where the three colour bytes equal the memory-order key, 255
// elsewhere; colours stay.
void PnUtilKeyColorToAlpha(Image& image, std::uint32_t key, OptionalSize size = {});
// PnUtilKeyColorToAlpha then PnUtilPremultiplyAlpha in one pass: pixels of
// the key become 0, all others opaque with their colour.
void PnUtilKeyColorToPremultiplied(Image& image, std::uint32_t key);
// Reads one pixel, the point clamped into the image: 32-bit images give the
// memory-order colour and the alpha, 24-bit ones the colour only, 8-bit
// ones the byte (in `alphaOrByte`).
void PnUtilGetPixel(const Image& image, platform::POINT point, std::uint32_t& color, int& alphaOrByte);

// ---- resampling: PixelOpsResample.cpp ----------------------------------
// Box down-sampling of a 24- or 32-bit image into one of the same depth by
// a factor of 2, 3 or 4: each destination byte is the mean (truncated) of
// its f × f source block. Sizes come from the pairs when the first is
// given, else from the images; the factor is srcW/dstW, which must equal
// srcH/dstH. kResultBadValue for another factor or sizes beyond the images.
int PnUtilShrinkImage(const Image& src, Image& dst, OptionalSize srcSize = {}, OptionalSize dstSize = {});
// Turns a 24- or 32-bit image by `angle` (radians) about the centres into
// one of the same depth, taking the nearest source pixel; destination
// pixels outside the source become 0. Sizes as for the shrink.
int PnUtilRotateImage(const Image& src, Image& dst, double angle, OptionalSize srcSize = {},
                      OptionalSize dstSize = {});
// Scales a 24- or 32-bit (premultiplied) picture into a 32-bit destination
// keeping its aspect, at the top-left or centred: drawn at `factor` (1..3)
// times the size and then reduced. kResultNoMemory when the work image
// cannot be made.
int PnUtilScaleImageToFit(const Image& src, Image& dst, int factor, bool centre);

// ---- filters and compositing: PixelOpsFilter.cpp -----------------------
// Grey copy of a 32-bit image: B = G = R = (B + 4G + 2R)/7, alpha kept;
// pixels with alpha 0 become 0.
void PnUtilToGrey(const Image& src, Image& dst, OptionalSize size = {});
// Brightened copy of a premultiplied 32-bit image: each colour byte c
// becomes max(0, c + k)·255/(k + 255), at most the alpha, alpha kept;
// pixels with alpha 0 become 0. Amounts of −255 or less do nothing.
void PnUtilLighten(const Image& src, Image& dst, int amount, OptionalSize size = {});
// Mirrors a 32-bit image left to right in place.
void PnUtilMirrorHorizontal(Image& image);
// Puts a premultiplied 32-bit picture onto another at an offset, keeping
// per pixel the lighter colour and the larger alpha. The region is cut to
// both images.
void PnUtilCompositeLighter(const Image& src, platform::SIZE region, platform::POINT offset, Image& dst);

}  // namespace imaging
