#pragma once
// Effects applied to a page object's premultiplied 32-bit picture before it
// is composited: box blur, feathered edges, and an outline or drop shadow
// in a colour drawn behind the object. Conventions as in PixelOps.h; all
// work over the common region of the two images (cut to the size pair).
#include <cstddef>
#include <cstdint>

#include "imaging/PixelOps.h"

namespace imaging {

// Box blur of radius r (0 copies): each output pixel is the mean of the
// (2r + 1)² window around it, counting only window pixels inside the
// region, per byte. Source and destination may be the same image. Linear
// in the pixel count whatever the radius. kResultOk; kResultBadImage
// unless both are 32-bit; kResultNoMemory when a work buffer cannot be had.
int PnUtilBoxBlur(const Image& src, Image& dst, int radius, OptionalSize size = {});

// Fades the alpha within a border of width r, round at the corners; the
// interior is copied. Colour keeps its ratio to alpha.
void PnUtilFeatherEdges(const Image& src, Image& dst, int border, OptionalSize size = {});

// With modeOrBlur ≥ 0, a drop shadow: the source's shape moved by
// (pairX, pairY), in the colour at the source's alpha, blurred by
// modeOrBlur. With modeOrBlur < 0, an outline: the pixels within the radii
// (pairX, pairY) of the source's shape (alpha above 0 for −1, alpha 255
// for other negative values), with smoothed stair steps, in the colour.
// Then the source is drawn over it (per-pixel alpha when it has the alpha
// flag).
void PnUtilMakeOutlineOrShadow(const Image& src, Image& dst, int pairX, int pairY, platform::COLORREF color,
                               int modeOrBlur, OptionalSize size = {});

// One run of the outline's edge smoothing: from the coverage byte of pixel
// P walks along one axis (`stepAlong` bytes per pixel, `direction` ±1)
// while the lines beside it across the axis (`stepAcross` bytes away) stay
// covered, and grades the coverage along the run. Positions and limits
// along and across keep the walk inside the region.
void PnUtilSmoothEdgeRun(std::uint8_t* coverage, std::ptrdiff_t stepAlong, std::ptrdiff_t stepAcross,
                         int posAlong, int limitAlong, int posAcross, int limitAcross, int direction);

}  // namespace imaging
