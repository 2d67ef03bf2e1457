#include "imaging/Geometry2D.h"
#include "page/SFigPoly.h"

#include <algorithm>
#include <cmath>

#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "page/ShapeGeometry.h"

namespace page {
namespace {

// Sizes below 1e-6 would divide by zero or collapse the points.
SPoint UsableSize(SPoint size) {
  return {size.x < 1e-6 ? 1.0 : size.x, size.y < 1e-6 ? 1.0 : size.y};
}

// The alternate (even-odd) rule on whole pixels: the point is inside when a
// ray to its right crosses the polygon's edges an odd number of times. Left
// and top edges count as inside, right and bottom ones as outside.
bool InsideAlternate(const std::vector<platform::POINT>& polygon, platform::POINT p) {
  bool inside = false;
  const std::size_t n = polygon.size();
  for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
    const platform::POINT& a = polygon[i];
    const platform::POINT& b = polygon[j];
    if ((a.y > p.y) == (b.y > p.y)) continue;
    // In doubles: differences of far-apart pixels need not fit an int.
    const double crossX = a.x + (static_cast<double>(p.y) - a.y) * (static_cast<double>(b.x) - a.x) /
                                    (static_cast<double>(b.y) - a.y);
    if (p.x < crossX) inside = !inside;
  }
  return inside;
}

}  // namespace

std::unique_ptr<SFig> SFigPoly::Clone() const {
  auto copy = std::make_unique<SFigPoly>();
  copy->points_ = points_;
  return copy;
}

void SFigPoly::Write(PnFile& file, int /*objectId*/) const {
  file.WriteInt(-1);
  file.WriteEmptyBlock();
  file.WriteInt(static_cast<std::int32_t>(points_.size()));
  for (const SPoint& p : points_) file.WriteDoublePair(p.x, p.y);
  file.WriteEmptyBlock();
}

void SFigPoly::Read(PnFile& file, int /*objectId*/) {
  file.ReadInt();  // the marker
  file.SkipBlock();
  const std::int32_t count = file.ReadInt();
  if (count < 0) throw PnFileError(kResultDamaged, "negative point count in " + file.GetPath());
  file.RequireBytes(static_cast<std::int64_t>(count) * 16, "the polygon's points");
  points_.assign(static_cast<std::size_t>(count), SPoint());
  for (SPoint& p : points_) {
    p.x = file.ReadFiniteDouble();
    p.y = file.ReadFiniteDouble();
  }
  file.SkipBlock();
}

std::vector<SPoint> SFigPoly::GetControlPoints(SPoint centre, SPoint size, double angle) const {
  const SPoint s = UsableSize(size);
  std::vector<SPoint> placed;
  placed.reserve(points_.size());
  for (const SPoint& p : points_) {
    SPoint q(p.x * s.x, p.y * s.y);
    q.Rotate(angle);
    placed.push_back(q + centre);
  }
  return placed;
}

std::span<SCtlp> SFigPoly::GetHandles(const PropSCVal& P, const Prop2DVal& V, bool editing) {
  if (!editing) return SFig::GetHandles(P, V, editing);
  pointHandles_.assign(kStandardHandleCount, SCtlp{});
  for (const SPoint& p : GetControlPoints({P.x, P.y}, InnerSize(P), P.angle))
    pointHandles_.push_back(SCtlp{true, false, p.x, p.y, 0});
  return pointHandles_;
}

void SFigPoly::MoveSpecialHandle(int handle, SPoint point, PropSCVal& P) {
  const int index = handle - kStandardHandleCount;
  // A handle that is no point of this shape is a caller's slip: ignore it.
  if (index < 0 || index >= static_cast<int>(points_.size())) return;
  const SPoint size = UsableSize(InnerSize(P));
  const SPoint centre(P.x, P.y);
  SPoint local = point;
  local.RotateAbout(-P.angle, centre);
  local = local - centre;
  points_[static_cast<std::size_t>(index)] = SPoint(local.x / size.x, local.y / size.y);

  SPoint min, max;
  BoundsOfPoints(min, max, points_);
  SPoint shift((min.x + max.x) / 2.0 * size.x, (min.y + max.y) / 2.0 * size.y);
  shift.Rotate(P.angle);
  P.x += shift.x;
  P.y += shift.y;
  P.width = P.margin + (max.x - min.x) * size.x;
  P.height = P.margin + (max.y - min.y) * size.y;
  SetNormalizedPoints(std::vector<SPoint>(points_));
}

double SFigPoly::GetDrawMargin(const Prop2DVal& V) const {
  return SFig::GetDrawMargin(V) + kJoinFactor * V.StrokeWidth();
}

SOutline SFigPoly::BuildOutline(SPoint centre, SPoint size, double angle, double strokeWidth,
                                int /*shapeFlags*/) const {
  SOutline outline;
  if (points_.size() < 2) return outline;
  const std::vector<SPoint> placed = GetControlPoints(centre, size, angle);
  outline.count = static_cast<int>(placed.size());
  for (const SPoint& p : placed) outline.points.push_back(TruncatePoint(p));
  AppendJoinPoints(outline, placed[0], placed[1], strokeWidth / 2.0);
  return outline;
}

bool SFigPoly::HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const {
  const SPoint d = ToShapeFrame(P, point);
  const std::vector<SPoint> placed = GetControlPoints({0.0, 0.0}, InnerSize(P), 0.0);
  const std::size_t n = placed.size();
  if (V.FillOff()) {
    if (n < 2) return false;
    const double reach = std::max(tolerance, static_cast<double>(V.StrokeWidth() / 2));
    const bool open = (V.pathFlags & Prop2DVal::kPathOpen) != 0;
    const std::size_t segments = open ? n - 1 : n;
    for (std::size_t i = 0; i < segments; ++i)
      if (imaging::PnUtilIsNearSegment(placed[i], placed[(i + 1) % n], d, reach)) return true;
    return false;
  }
  if (n < 3) return false;
  std::vector<platform::POINT> polygon;
  polygon.reserve(n);
  for (const SPoint& p : placed) polygon.push_back(TruncatePoint(p));
  return InsideAlternate(polygon, TruncatePoint(d));
}

int SFigPoly::SetNormalizedPoints(std::span<const SPoint> points) {
  points_.assign(points.begin(), points.end());
  if (points_.empty()) return 0;
  SPoint min, max;
  BoundsOfPoints(min, max, points_);
  const SPoint middle((min.x + max.x) / 2.0, (min.y + max.y) / 2.0);
  const SPoint extent = UsableSize(max - min);
  for (SPoint& p : points_) p = SPoint((p.x - middle.x) / extent.x, (p.y - middle.y) / extent.y);
  return 0;
}

}  // namespace page
