#include "page/ShapeGeometry.h"

#include <cmath>

namespace page {

SPoint RotatedExtent(SPoint size, double angle) {
  const double c = std::fabs(std::cos(angle));
  const double s = std::fabs(std::sin(angle));
  return {size.x * c + size.y * s, size.x * s + size.y * c};
}

bool IsNearSegment(SPoint a, SPoint b, SPoint p, double distance) {
  const SPoint ab = b - a;
  const double length2 = ab.Dot(ab);
  if (length2 < 1e-12) return p.Distance(a) <= distance;
  const double t = (p - a).Dot(ab) / length2;
  if (t <= 0.0) return p.Distance(a) <= distance;
  if (t >= 1.0) return p.Distance(b) <= distance;
  return p.Distance(a + ab * t) <= distance;
}

SPoint ToShapeFrame(const PropSCVal& P, SPoint point) {
  SPoint d = point - SPoint(P.x, P.y);
  d.Rotate(-P.angle);
  return d;
}

}  // namespace page
