#include "page/SFig.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "page/PnFatal.h"
#include "page/PnFile.h"
#include "page/PropVal.h"
#include "page/SFig2D.h"
#include "page/SFig3D.h"
#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigPic.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SFigText.h"
#include "page/ShapeGeometry.h"

namespace page {

void SFig::Write(PnFile& file, int /*objectId*/) const { file.WriteEmptyBlock(); }

void SFig::Read(PnFile& file, int /*objectId*/) { file.SkipBlock(); }

std::span<SCtlp> SFig::GetHandles(const PropSCVal& /*P*/, const Prop2DVal& /*V*/, bool /*editing*/) {
  for (SCtlp& h : handles_) h = SCtlp{true, false, h.x, h.y, 0};
  return handles_;
}

bool SFig::HitTest(const PropSCVal& P, const Prop2DVal& /*V*/, SPoint point, double /*tolerance*/) const {
  const SPoint d = ToShapeFrame(P, point);
  const SPoint inner = InnerSize(P);
  return std::fabs(d.x) <= inner.x / 2.0 && std::fabs(d.y) <= inner.y / 2.0;
}

SPoint SFig::GetDrawExtent(SPoint size, double angle) const { return RotatedExtent(size, angle); }

bool SFig::CanEditPoints(const Prop2DVal& V) const { return (V.pathFlags & Prop2DVal::kPathEditable) != 0; }

std::unique_ptr<SFIGSpProp> SFig::SaveSpProp() const { return std::make_unique<SFIGSpProp>(Clone()); }

std::unique_ptr<SFig> SFig::RestoreSpProp(const SFIGSpProp& saved) const {
  const SFig* kept = saved.GetSaved();
  PN_FATAL_IF(kept == nullptr, "SFig", 139);
  return kept->Clone();
}

double SFig::GetDrawMargin(const Prop2DVal& V) const {
  // Negative effect widths mark the outline kinds, not a width: they add
  // no room (and must not take room away from the stroke).
  // In doubles: a damaged page may hold values whose sum, or whose
  // magnitude (of the lowest int), an int cannot hold.
  const auto value = [](int v) { return static_cast<double>(v); };
  double margin = 2.0 * (std::max(value(V.wholeBlur), 0.0) + std::max(value(V.effectBlur), 0.0));
  if (V.EffectOn()) margin += 2.0 * std::max(std::fabs(value(V.effectX)), std::fabs(value(V.effectY)));
  return margin;
}

void SFig::Apply2DProps(Prop2DVal& V, PropSCVal& P) {
  const double margin = GetDrawMargin(V);
  const double growth = margin - P.margin;
  P.width += growth;
  P.height += growth;
  P.margin = margin;
}

void SFig::ResetRotation(PropSCVal& P) {
  P.margin = 0.0;
  if (std::fabs(P.angle) <= 1e-6) return;
  const SPoint extent = RotatedExtent({P.width, P.height}, P.angle);
  P.width = extent.x;
  P.height = extent.y;
  P.angle = 0.0;
}

std::unique_ptr<SFig> CreateFigByType(int typeId, bool& unknown) {
  unknown = false;
  switch (typeId) {
    case kFigBase: return std::make_unique<SFig>();
    case kFig2D: return std::make_unique<SFig2D>();
    case kFigRect: return std::make_unique<SFigRect>();
    case kFigOval: return std::make_unique<SFigOval>();
    case kFigLine: return std::make_unique<SFigLine>();
    case kFigPoly: return std::make_unique<SFigPoly>();
    case kFigPicture: return std::make_unique<SFigPic>();
    case kFigText: return std::make_unique<SFigText>();
    case kFig3D: return std::make_unique<SFig3D>();
    default:
      unknown = true;
      return std::make_unique<SFigRect>();
  }
}

}  // namespace page
