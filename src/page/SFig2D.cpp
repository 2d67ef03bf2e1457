#include "page/SFig2D.h"

#include <algorithm>

#include "imaging/DashedLine.h"
#include "imaging/DrawPrimitives.h"
#include "imaging/PixelOps.h"
#include "page/PnFile.h"
#include "page/PropVal.h"
#include "page/ShapeGeometry.h"

namespace page {

void SFig2D::Write(PnFile& file, int /*objectId*/) const {
  file.WriteInt(-1);
  file.WriteEmptyBlock();
}

void SFig2D::Read(PnFile& file, int /*objectId*/) {
  file.ReadInt();  // the marker; its value does not matter
  file.SkipBlock();
}

double SFig2D::GetDrawMargin(const Prop2DVal& V) const { return SFig::GetDrawMargin(V) + V.StrokeWidth(); }

SOutline SFig2D::BuildOutline(SPoint /*centre*/, SPoint /*size*/, double /*angle*/, double /*strokeWidth*/,
                              int /*shapeFlags*/) const {
  return {};
}

bool SFig2D::DrawVector(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly) {
  const SPoint extent = GetDrawExtent({size.width, size.height}, size.angle);
  DrawOnKeyColor(target, V, [&] { DrawShape(target, size, V, vectorOnly, extent * 0.5); });
  return true;
}

void DrawOnKeyColor(platform::Image& target, const Prop2DVal& V, const std::function<void()>& draw) {
  const platform::COLORREF key = ChooseKeyColor(V.lineColor, V.fillColor);
  imaging::PnUtilFillImage(target, key, 255);
  draw();
  // The keys are greys, so their memory order equals their COLORREF. The
  // key's pixels become transparent (and hold no colour in a premultiplied
  // picture), all others opaque.
  imaging::PnUtilKeyColorToPremultiplied(target, key);
}

bool SFig2D::DrawShape(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly,
                       SPoint centre) {
  const int width = V.StrokeWidth();
  // A stroke wider than any work picture (only a damaged page asks for
  // one) is drawn as wide as that, so the stroke's arithmetic stays in range.
  constexpr int kWidestStroke = 1 << 21;
  const int scaledWidth = std::clamp(TruncateToInt(width * size.scale), 1, kWidestStroke);
  const SPoint shapeSize(size.width - size.margin * size.scale, size.height - size.margin * size.scale);
  SOutline outline = BuildOutline(centre, shapeSize, size.angle, scaledWidth, V.pathFlags);
  // A part of the picture: the same whole pixels, moved to the work
  // picture's corner.
  for (platform::POINT& point : outline.points) point.x -= size.cutX, point.y -= size.cutY;
  platform::Dc dc(target);
  FillAndStroke(dc, outline, width, scaledWidth, V.lineColor, V.fillColor, V, vectorOnly);
  return true;
}

void SFig2D::FillAndStroke(platform::Dc& dc, const SOutline& outline, int /*width*/, int scaledWidth,
                           platform::COLORREF lineColor, platform::COLORREF fillColor, const Prop2DVal& V,
                           bool vectorOnly) const {
  if (outline.count < 2) return;
  if (!V.FillOff() && !vectorOnly) imaging::PnUtilFillPolygon(dc, outline.points.data(), outline.count, fillColor);
  if (V.LineOff()) return;
  // The stroke routine moves the ends for arrowheads: it works on a copy.
  std::vector<platform::POINT> points = outline.points;
  const bool open = (V.pathFlags & Prop2DVal::kPathOpen) != 0;
  const int count = open ? outline.count : std::min<int>(outline.count + 2, static_cast<int>(points.size()));
  imaging::PnUtilStrokePolylineArrows(dc, points.data(), count, scaledWidth, lineColor, V.lineStyle,
                                      (V.pathFlags & Prop2DVal::kPathCurve) != 0,
                                      open ? V.arrow : static_cast<int>(Prop2DVal::kArrowNone));
}

platform::COLORREF ChooseKeyColor(platform::COLORREF lineColor, platform::COLORREF fillColor) {
  for (const platform::COLORREF key : {0x000000u, 0x010101u, 0x020202u})
    if (key != lineColor && key != fillColor) return key;
  return 0x030303;  // unreachable: two colours cannot exclude three keys
}

void AppendJoinPoints(SOutline& outline, SPoint first, SPoint second, double joinLength) {
  outline.points.push_back(TruncatePoint(first));
  const SPoint edge = second - first;
  const double length = edge.Length();
  const SPoint join = length <= joinLength || length < 1e-12 ? second : first + edge * (joinLength / length);
  outline.points.push_back(TruncatePoint(join));
}

}  // namespace page
