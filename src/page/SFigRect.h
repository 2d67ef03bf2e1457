#pragma once
// The rectangle: four corners from the placement; no data of its own.
#include "page/SFig2D.h"

namespace page {

class SFigRect : public SFig2D {
 public:
  int GetTypeId() const override { return kFigRect; }
  std::unique_ptr<SFig> Clone() const override { return std::make_unique<SFigRect>(); }
  // The corners clockwise on the screen from the top-left; the right and
  // bottom ones one pixel in, so the outline covers exactly w × h pixels.
  SOutline BuildOutline(SPoint centre, SPoint size, double angle, double strokeWidth,
                        int shapeFlags) const override;
  // Filled: the box. Unfilled: the box, within the stroke (or twice the
  // tolerance, when larger) of its border.
  bool HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const override;
};

// The width of the band along a shape's border that hits an unfilled shape:
// the stroke width or twice the tolerance, whichever is larger.
double BorderHitWidth(const Prop2DVal& V, double tolerance);

}  // namespace page
