#include "page/SFig2D.h"

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
