#pragma once
// The oval: a 64-sided polygon inscribed in the placement; no data of its
// own.
#include "page/SFig2D.h"

namespace page {

class SFigOval : public SFig2D {
 public:
  static constexpr int kOutlinePoints = 64;

  int GetTypeId() const override { return kFigOval; }
  std::unique_ptr<SFig> Clone() const override { return std::make_unique<SFigOval>(); }
  SOutline BuildOutline(SPoint centre, SPoint size, double angle, double strokeWidth,
                        int shapeFlags) const override;
  // Filled: inside the ellipse. Unfilled: the ring between the ellipse and
  // one smaller by the border band; an oval too thin for a hole is hit
  // anywhere inside.
  bool HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const override;
};

}  // namespace page
