#pragma once
// The straight line (with or without arrowheads): a segment along the
// placement's width through its centre, turned by its angle. Its two ends are
// special handles 9 (start) and 10 (end); no data of its own.
#include <array>
#include <utility>

#include "page/SFig2D.h"

namespace page {

class SFigLine : public SFig2D {
 public:
  static constexpr int kHandleCount = 11;
  static constexpr int kStartHandle = 9;
  static constexpr int kEndHandle = 10;

  int GetTypeId() const override { return kFigLine; }
  std::unique_ptr<SFig> Clone() const override { return std::make_unique<SFigLine>(); }
  // Handles 0-7 hidden, 8 (rotation), 9 at the start and 10 at the end.
  std::span<SCtlp> GetHandles(const PropSCVal& P, const Prop2DVal& V, bool editing) override;
  // The other end of the line.
  SPoint GetSpecialHandleAnchor(int handle) const override;
  // Moves one end: the centre becomes the middle of the ends, the width
  // their distance plus the margin, the angle that from (1, 0) to the line.
  void MoveSpecialHandle(int handle, SPoint point, PropSCVal& P) override;
  // The base margin plus the stroke width, three times it with arrowheads.
  double GetDrawMargin(const Prop2DVal& V) const override;
  SOutline BuildOutline(SPoint centre, SPoint size, double angle, double strokeWidth,
                        int shapeFlags) const override;
  // Never fills; strokes the segment with its arrowheads unless the line is
  // off.
  void FillAndStroke(platform::Dc& dc, const SOutline& outline, int width, int scaledWidth,
                     platform::COLORREF lineColor, platform::COLORREF fillColor, const Prop2DVal& V,
                     bool vectorOnly) const override;

  // The ends (centre ∓ length/2 along x) turned about the centre.
  static std::pair<SPoint, SPoint> GetControlPoints(SPoint centre, double length, double angle);

 private:
  std::array<SCtlp, kHandleCount> lineHandles_{};
};

}  // namespace page
