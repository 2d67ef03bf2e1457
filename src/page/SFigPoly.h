#pragma once
// Polylines, polygons, free-hand lines and areas: a list of points in
// normalised coordinates (their bounding box is centred on (0, 0) with width
// and height 1), scaled to the placement when drawn. Whether the shape is
// open comes from the 2D values' path flags, not from the shape.
#include <vector>

#include "page/SFig2D.h"

namespace page {

class SFigPoly : public SFig2D {
 public:
  // Room for the joins of sharp corners: the margin grows by three strokes.
  static constexpr double kJoinFactor = 3.0;

  int GetTypeId() const override { return kFigPoly; }
  std::unique_ptr<SFig> Clone() const override;
  // Marker, empty block, int32 point count, the points as double pairs,
  // empty block.
  void Write(PnFile& file, int objectId) const override;
  // A negative count, a count beyond the end of the stream or a coordinate
  // that is not finite throws PnFileError.
  void Read(PnFile& file, int objectId) override;
  // Not editing: the 9 standard handles. Editing: those hidden, then one
  // handle per point (index 9 + i).
  std::span<SCtlp> GetHandles(const PropSCVal& P, const Prop2DVal& V, bool editing) override;
  // Moves point handle - 9 and fits the box to the points again.
  void MoveSpecialHandle(int handle, SPoint point, PropSCVal& P) override;
  double GetDrawMargin(const Prop2DVal& V) const override;
  SOutline BuildOutline(SPoint centre, SPoint size, double angle, double strokeWidth,
                        int shapeFlags) const override;
  // Unfilled: near a segment (the closing one too unless the path is open).
  // Filled: inside the polygon by the alternate rule, in whole pixels.
  bool HitTest(const PropSCVal& P, const Prop2DVal& V, SPoint point, double tolerance) const override;
  // Takes points in any units and normalises them.
  int SetNormalizedPoints(std::span<const SPoint> points) override;

  const std::vector<SPoint>& Points() const { return points_; }
  // The points scaled to `size` (an extent below 1e-6 counts as 1), turned
  // by `angle` and moved to `centre`.
  std::vector<SPoint> GetControlPoints(SPoint centre, SPoint size, double angle) const;

 private:
  std::vector<SPoint> points_;
  std::vector<SCtlp> pointHandles_;
};

}  // namespace page
