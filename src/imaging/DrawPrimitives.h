#pragma once
// Filled and framed shapes in a given colour, and rubber-band outlines drawn
// reversibly while the mouse moves. Each function selects its own pen and
// brush (and raster operation) and puts back what was selected before, so
// the context is left as it was found.
#include "platform/Dc.h"
#include "platform/WinTypes.h"

namespace imaging {

// An ellipse outlined with a one-pixel solid pen and filled with a solid
// brush.
void PnUtilDrawEllipse(platform::Dc& dc, const platform::RECT& rect, platform::COLORREF penColor,
                       platform::COLORREF brushColor);

// Mode 0: fill, then a one-pixel frame; 1: fill only; 2: frame only; other
// modes draw nothing.
void PnUtilDrawRect(platform::Dc& dc, const platform::RECT& rect, platform::COLORREF frameColor,
                    platform::COLORREF fillColor, int mode);

// The polygon filled with the colour, without an outline. Fewer than 2
// points draw nothing.
void PnUtilFillPolygon(platform::Dc& dc, const platform::POINT* points, int count, platform::COLORREF color);

// Rubber bands: drawn with "not XOR", so drawing the same one again gives
// back the pixels that were there. Dotted one-pixel outlines of the
// rectangle and of the ellipse that fits it, and one line, dotted (one
// pixel) or solid of the width.
void PnUtilDrawXorRect(platform::Dc& dc, const platform::RECT& rect, platform::COLORREF color);
void PnUtilDrawXorEllipse(platform::Dc& dc, const platform::RECT& rect, platform::COLORREF color);
void PnUtilDrawXorLine(platform::Dc& dc, platform::POINT start, platform::POINT end, int width,
                       platform::COLORREF color, bool dotted);

}  // namespace imaging
