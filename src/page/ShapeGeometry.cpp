#include "page/ShapeGeometry.h"

#include "imaging/Geometry2D.h"

namespace page {

SPoint RotatedExtent(SPoint size, double angle) {
  // The half extent is linear in the sizes, so full sizes give full sizes.
  SPoint extent;
  imaging::PnUtilRotatedHalfExtent(size.x, size.y, angle, extent.x, extent.y);
  return extent;
}

SPoint ToShapeFrame(const PropSCVal& P, SPoint point) {
  SPoint d = point - SPoint(P.x, P.y);
  d.Rotate(-P.angle);
  return d;
}

}  // namespace page
