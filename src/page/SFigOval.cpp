#include "page/SFigOval.h"

#include <cmath>
#include <numbers>

#include "page/PropVal.h"
#include "page/SFigRect.h"
#include "page/ShapeGeometry.h"

namespace page {
namespace {

// x²/a² + y²/b² for semi-axes a and b (both above 0).
double EllipseValue(SPoint d, double a, double b) { return d.x * d.x / (a * a) + d.y * d.y / (b * b); }

}  // namespace

SOutline SFigOval::BuildOutline(SPoint centre, SPoint size, double angle, double /*strokeWidth*/,
                                int /*shapeFlags*/) const {
  SOutline outline;
  outline.count = kOutlinePoints;
  const double rx = size.x / 2.0 - 1.0;
  const double ry = size.y / 2.0 - 1.0;
  for (int i = 0; i < kOutlinePoints; ++i) {
    const double t = 2.0 * std::numbers::pi * i / kOutlinePoints;
    SPoint p(centre.x + std::cos(t) * rx, centre.y + std::sin(t) * ry);
    p.RotateAbout(angle, centre);
    outline.points.push_back(TruncatePoint(p));
  }
  // The join points of an oval are simply its first two points again.
  outline.points.push_back(outline.points[0]);
  outline.points.push_back(outline.points[1]);
  return outline;
}

bool SFigOval::HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const {
  const SPoint d = ToShapeFrame(P, point);
  const double a = InnerSize(P).x / 2.0;
  const double b = InnerSize(P).y / 2.0;
  if (a <= 0.0 || b <= 0.0) return false;
  if (!V.FillOff()) return EllipseValue(d, a, b) < 1.0;
  if (EllipseValue(d, a, b) > 1.0) return false;
  const double t = BorderHitWidth(V, tolerance);
  // A ring as wide as the oval leaves no hole (and no inner ellipse to
  // divide by).
  if (a <= t || b <= t) return true;
  return EllipseValue(d, a - t, b - t) >= 1.0;
}

}  // namespace page
