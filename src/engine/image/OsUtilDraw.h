#pragma once
// Small drawing helpers for overlays and markers on a window or page
// image, polygon regions for lasso tests, the engine's colour kinds, and
// path and name helpers.
#include <string>
#include <vector>

#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"
#include "platform/Dc.h"
#include "platform/WinTypes.h"

namespace engine {

// ---- drawing: OsUtilDraw.cpp ----------------------------------------------
// Coordinates are the points' x and y truncated to integers.

// A line with the selected pen (the end pixel left out).
void OsUtilDrawLine(platform::Dc& dc, const PointRecord& a, const PointRecord& b);
// A one-pixel frame inside the rectangle spanned by the two points (right
// and bottom edges excluded), in the colour.
void OsUtilFrameRect(platform::Dc& dc, const PointRecord& a, const PointRecord& b, platform::COLORREF colour);
// A dot 11 pixels across in the colour with a white dot 7 pixels across in
// it; kind 1 adds a horizontal bar from x - 4 to x + 4 (1-pixel pen), kinds
// 2 and 3 an X of half-size 3 (2-pixel pen), in the colour.
void OsUtilDrawPointMarker(platform::Dc& dc, const PointRecord& point, platform::COLORREF colour, int kind);
// Switches XOR drawing on (unless `noXor`) and answers the overlay colour:
// white for kinds 2 and 3, black for the others.
platform::COLORREF OsUtilOverlayColor(int kind, bool noXor);
// The colour of an engine colour kind 1..19 (kinds 1, 2, 6 and 7 from the
// preferences' colour table); black for other kinds.
platform::COLORREF OsUtilColorOfKind(int kind);

// ---- polygon regions: OsUtilDraw.cpp ----------------------------------------
// A polygon filled by the winding rule (a point is inside when the outline
// winds around it).
struct EngRegion {
  std::vector<platform::POINT> corners;
};
void OsUtilCreatePolygonRegion(EngRegion& region, const PointArray& points);
bool OsUtilRegionContains(const EngRegion& region, const PointRecord& point);

// ---- paths and names: OsUtilDraw.cpp ----------------------------------------
// Leaves only the file name: everything up to and including the last "/"
// (or "\" of a stored path) goes; a bare name loses only a drive prefix
// such as "C:".
void OsUtilStripFolder(std::string& path);
// Whether the folder parts (before the last separator; the whole path when
// it has none) are equal, ignoring ASCII case.
bool OsUtilIsSameFolder(const std::string& a, const std::string& b);
// Clears the 256-byte name field and copies the text into it; a text of 256
// bytes or more is a fatal error.
void OsUtilCopyName256(const std::string& text, char (&field)[256]);

}  // namespace engine
