#include "page/SFigLine.h"

#include "imaging/DashedLine.h"
#include "page/PropVal.h"
#include "page/ShapeGeometry.h"

namespace page {

std::pair<SPoint, SPoint> SFigLine::GetControlPoints(SPoint centre, double length, double angle) {
  SPoint start(centre.x - length / 2.0, centre.y);
  SPoint end(centre.x + length / 2.0, centre.y);
  start.RotateAbout(angle, centre);
  end.RotateAbout(angle, centre);
  return {start, end};
}

std::span<SCtlp> SFigLine::GetHandles(const PropSCVal& P, const Prop2DVal& /*V*/, bool /*editing*/) {
  const auto [start, end] = GetControlPoints({P.x, P.y}, P.width - P.margin, P.angle);
  for (int i = 0; i < kHandleCount; ++i) lineHandles_[i] = SCtlp{i >= kRotationHandle, false, 0.0, 0.0, 0};
  lineHandles_[kStartHandle].x = start.x;
  lineHandles_[kStartHandle].y = start.y;
  lineHandles_[kEndHandle].x = end.x;
  lineHandles_[kEndHandle].y = end.y;
  return lineHandles_;
}

SPoint SFigLine::GetSpecialHandleAnchor(int handle) const {
  if (handle == kStartHandle) return {lineHandles_[kEndHandle].x, lineHandles_[kEndHandle].y};
  if (handle == kEndHandle) return {lineHandles_[kStartHandle].x, lineHandles_[kStartHandle].y};
  return {};
}

void SFigLine::MoveSpecialHandle(int handle, SPoint point, PropSCVal& P) {
  if (handle != kStartHandle && handle != kEndHandle) return;
  auto [start, end] = GetControlPoints({P.x, P.y}, P.width - P.margin, P.angle);
  (handle == kStartHandle ? start : end) = point;
  P.x = (start.x + end.x) / 2.0;
  P.y = (start.y + end.y) / 2.0;
  P.width = start.Distance(end) + P.margin;
  P.angle = SPoint(1.0, 0.0).AngleTo(end - start);
}

double SFigLine::GetDrawMargin(const Prop2DVal& V) const {
  const int arrowFactor = V.arrow != Prop2DVal::kArrowNone ? 3 : 1;
  return SFig::GetDrawMargin(V) + static_cast<double>(V.StrokeWidth()) * arrowFactor;
}

SOutline SFigLine::BuildOutline(SPoint centre, SPoint size, double angle, double /*strokeWidth*/,
                                int /*shapeFlags*/) const {
  const auto [start, end] = GetControlPoints(centre, size.x, angle);
  SOutline outline;
  outline.count = 2;
  outline.points = {TruncatePoint(start), TruncatePoint(end)};
  return outline;
}

void SFigLine::FillAndStroke(platform::Dc& dc, const SOutline& outline, int /*width*/, int scaledWidth,
                             platform::COLORREF lineColor, platform::COLORREF /*fillColor*/, const Prop2DVal& V,
                             bool /*vectorOnly*/) const {
  if (V.LineOff() || outline.points.size() < 2) return;
  imaging::PnUtilStrokeSegmentArrows(dc, outline.points[0], outline.points[1], scaledWidth, lineColor, V.lineStyle,
                                     (V.pathFlags & Prop2DVal::kPathCurve) != 0, V.arrow);
}

}  // namespace page
