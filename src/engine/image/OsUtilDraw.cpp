#include "engine/image/OsUtilDraw.h"

#include <algorithm>
#include <cstring>

#include "engine/core/EngRuntime.h"
#include "engine/render/GlLayer.h"

namespace engine {
namespace {

int Truncate(double v) { return static_cast<int>(v); }

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The text before the last separator, or the whole path without one.
std::string FolderPart(const std::string& path) {
  const auto it = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  return it == path.rend() ? path : std::string(path.begin(), it.base() - 1);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

// ---- drawing ------------------------------------------------------------------

void OsUtilDrawLine(platform::Dc& dc, const PointRecord& a, const PointRecord& b) {
  dc.MoveTo(Truncate(a.x), Truncate(a.y));
  dc.LineTo(Truncate(b.x), Truncate(b.y));
}

void OsUtilFrameRect(platform::Dc& dc, const PointRecord& a, const PointRecord& b, platform::COLORREF colour) {
  const int left = std::min(Truncate(a.x), Truncate(b.x)), right = std::max(Truncate(a.x), Truncate(b.x));
  const int top = std::min(Truncate(a.y), Truncate(b.y)), bottom = std::max(Truncate(a.y), Truncate(b.y));
  if (right <= left || bottom <= top) return;
  dc.FillRect({left, top, right, top + 1}, colour);
  dc.FillRect({left, bottom - 1, right, bottom}, colour);
  dc.FillRect({left, top, left + 1, bottom}, colour);
  dc.FillRect({right - 1, top, right, bottom}, colour);
}

void OsUtilDrawPointMarker(platform::Dc& dc, const PointRecord& point, platform::COLORREF colour, int kind) {
  const int x = Truncate(point.x), y = Truncate(point.y);
  const platform::Pen oldPen = dc.SelectPen({colour, 1, platform::PenStyle::kNull});
  const platform::Brush oldBrush = dc.SelectBrush({colour, platform::BrushStyle::kSolid});
  dc.Ellipse({x - 5, y - 5, x + 6, y + 6});
  dc.SelectBrush({platform::MakeRgb(255, 255, 255), platform::BrushStyle::kSolid});
  dc.Ellipse({x - 3, y - 3, x + 4, y + 4});
  if (kind == 1) {
    dc.SelectPen({colour, 1, platform::PenStyle::kSolid});
    dc.MoveTo(x - 4, y);
    dc.LineTo(x + 4, y);
  } else if (kind == 2 || kind == 3) {
    dc.SelectPen({colour, 2, platform::PenStyle::kSolid});
    dc.MoveTo(x - 3, y - 3);
    dc.LineTo(x + 3, y + 3);
    dc.MoveTo(x - 3, y + 3);
    dc.LineTo(x + 3, y - 3);
  }
  dc.SelectPen(oldPen);
  dc.SelectBrush(oldBrush);
}

platform::COLORREF OsUtilOverlayColor(int kind, bool noXor) {
  if (!noXor) GlSetXorDrawing(true);
  return kind == 2 || kind == 3 ? platform::MakeRgb(255, 255, 255) : platform::MakeRgb(0, 0, 0);
}

// ---- polygon regions --------------------------------------------------------------

void OsUtilCreatePolygonRegion(EngRegion& region, const PointArray& points) {
  region.corners.clear();
  for (int i = 0; i < points.count; ++i)
    region.corners.push_back({Truncate(points[i].x), Truncate(points[i].y)});
}

bool OsUtilRegionContains(const EngRegion& region, const PointRecord& point) {
  const std::vector<platform::POINT>& c = region.corners;
  if (c.size() < 3) return false;
  // Winding number of the outline around the point; edges count on the
  // rows from their lower y up to, not including, their upper y.
  const double px = Truncate(point.x), py = Truncate(point.y);
  int winding = 0;
  for (std::size_t i = 0; i < c.size(); ++i) {
    const platform::POINT& a = c[i];
    const platform::POINT& b = c[(i + 1) % c.size()];
    const double cross = (b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y);
    if (a.y <= py && b.y > py && cross > 0) ++winding;
    if (b.y <= py && a.y > py && cross < 0) --winding;
  }
  return winding != 0;
}

// ---- paths and names ---------------------------------------------------------------

void OsUtilStripFolder(std::string& path) {
  const auto it = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  if (it != path.rend()) {
    path.erase(path.begin(), it.base());
  } else if (path.size() >= 2 && path[1] == ':') {
    path.erase(0, 2);
  }
}

bool OsUtilIsSameFolder(const std::string& a, const std::string& b) {
  const std::string fa = FolderPart(a), fb = FolderPart(b);
  return fa.size() == fb.size() &&
         std::equal(fa.begin(), fa.end(), fb.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

void OsUtilCopyName256(const std::string& text, char (&field)[256]) {
  ENG_FATAL_IF(text.size() >= 256);
  std::memset(field, 0, sizeof field);
  std::memcpy(field, text.data(), text.size());
}

}  // namespace engine
