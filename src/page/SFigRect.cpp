#include "page/SFigRect.h"

#include <algorithm>
#include <cmath>

#include "page/PropVal.h"
#include "page/ShapeGeometry.h"

namespace page {

double BorderHitWidth(const Prop2DVal& V, double tolerance) {
  return std::max(static_cast<double>(V.StrokeWidth()), 2.0 * tolerance);
}

SOutline SFigRect::BuildOutline(SPoint centre, SPoint size, double angle, double strokeWidth,
                                int /*shapeFlags*/) const {
  const double left = centre.x - size.x / 2.0;
  const double top = centre.y - size.y / 2.0;
  const double right = centre.x + size.x / 2.0 - 1.0;
  const double bottom = centre.y + size.y / 2.0 - 1.0;
  SPoint corners[4] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
  SOutline outline;
  outline.count = 4;
  for (SPoint& corner : corners) {
    corner.RotateAbout(angle, centre);
    outline.points.push_back(TruncatePoint(corner));
  }
  AppendJoinPoints(outline, corners[0], corners[1], strokeWidth / 2.0);
  return outline;
}

bool SFigRect::HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const {
  const SPoint d = ToShapeFrame(P, point);
  const double halfW = InnerSize(P).x / 2.0;
  const double halfH = InnerSize(P).y / 2.0;
  const double ax = std::fabs(d.x);
  const double ay = std::fabs(d.y);
  if (ax > halfW || ay > halfH) return false;
  if (!V.FillOff()) return true;
  const double t = BorderHitWidth(V, tolerance);
  return ax < halfW + t && ay < halfH + t && (std::fabs(ax - halfW) < t || std::fabs(ay - halfH) < t);
}

}  // namespace page
