// KxLibV: the property bars' draw style, camera and light values mapped
// onto the figure's view. Every change marks the picture stale.
#include <algorithm>

#include "facade/KxLibV.h"
#include "view/QView.h"
#include "view/ViewTypes.h"

namespace facade {

namespace {

// The page counts line kinds from 0 with a kind of its own at 2; the view
// has no such kind, so its kinds above 1 show one higher.
int ViewLineKind(int pageKind) { return pageKind > 2 ? pageKind - 1 : pageKind; }
int PageLineKind(int viewKind) { return viewKind > 1 ? viewKind + 1 : viewKind; }

// The lens value each projection kind shows on the property bar.
constexpr int kLensOfWide = 113;
constexpr int kLensOfNarrow = 48;

int Degrees(double radians) { return static_cast<int>(radians * 180.0 / view::kPi); }
double Radians(int degrees) { return degrees * view::kPi / 180.0; }

}  // namespace

// ---- draw style -------------------------------------------------------------------

void KxLibV::GetDrawStyle(int& lineWidth, int& lineKind, platform::COLORREF& lineColour,
                          platform::COLORREF& faceColour, int& lineMode, int& faceMode, int& factor) const {
  const view::QView& v = *view_;
  lineWidth = v.IsLineWidthOverride() ? v.GetLineWidth() : 0;
  lineKind = PageLineKind(v.lineKind != 0 ? v.lineKind : keptLineKind_);
  lineColour = v.GetLineColor();
  faceColour = v.GetFaceColor();
  lineMode = v.lineKind == 0 ? 1 : v.IsLineColorOverride() ? 0 : 2;
  faceMode = v.shadingKind == 0 ? 1 : v.IsFaceColorOverride() ? 0 : 2;
  factor = std::max(requestedFactor_, 1);
}

void KxLibV::SetLineWidth(int width) {
  view_->SetLineWidthOverride(width != 0);
  if (width != 0) view_->SetLineWidth(width);
  SetImageValid(false, false);
}

void KxLibV::SetLineColor(platform::COLORREF colour, int mode, int pageLineKind) {
  const int kind = ViewLineKind(pageLineKind);
  switch (mode) {
    case 0:
      view_->lineKind = kind;
      view_->SetLineColorOverride(true);
      view_->SetLineColor(colour);
      break;
    case 1:
      view_->lineKind = 0;
      keptLineKind_ = kind;
      break;
    case 2:
      view_->lineKind = kind;
      view_->SetLineColorOverride(false);
      break;
    default:
      break;
  }
  SetImageValid(false, false);
}

void KxLibV::SetFaceColor(platform::COLORREF colour, int mode) {
  switch (mode) {
    case 0:
      view_->shadingKind = keptShadingKind_;
      view_->SetFaceColorOverride(true);
      view_->SetFaceColor(colour);
      break;
    case 1:
      // Hiding faces twice must not forget how they were shaded.
      if (view_->shadingKind != 0) keptShadingKind_ = view_->shadingKind;
      view_->shadingKind = 0;
      break;
    case 2:
      view_->shadingKind = keptShadingKind_;
      view_->SetFaceColorOverride(false);
      break;
    default:
      break;
  }
  SetImageValid(false, false);
}

int KxLibV::GetShadingKind() const { return view_->shadingKind != 0 ? view_->shadingKind : keptShadingKind_; }

void KxLibV::SetShadingKind(int kind) {
  if (view_->shadingKind != 0) view_->shadingKind = kind;
  keptShadingKind_ = kind;
  SetImageValid(false, false);
}

// ---- camera ---------------------------------------------------------------------------

void KxLibV::GetCameraAngles(double& x, double& y, double& z) const { view_->GetAngles(x, y, z); }

void KxLibV::SetCameraAngles(double x, double y, double z) {
  view_->SetAngles(x, y, z);
  SetImageValid(false, false);
}

void KxLibV::GetCameraSettings(int& angleX, int& angleY, int& lens, int& zoom, double& x, double& y,
                               double& z) const {
  double yaw = 0, pitch = 0, roll = 0;
  view_->GetAngles(yaw, pitch, roll);
  angleX = Degrees(yaw);
  angleY = Degrees(-pitch);
  switch (view_->GetProjectionKind()) {
    case view::kProjectionWide:
      lens = kLensOfWide;
      break;
    case view::kProjectionNarrow:
      lens = kLensOfNarrow;
      break;
    case view::kProjectionParallel:
      lens = 0;
      break;
    default:
      lens = view_->GetFieldOfView();
      break;
  }
  zoom = GetZoomValue();
  const engine::PointRecord target = view_->GetTarget();
  x = target.x;
  y = target.y;
  z = target.z;
}

void KxLibV::SetCameraSettings(int angleX, int angleY, int lens, int zoom, double x, double y, double z) {
  double yaw = 0, pitch = 0, roll = 0;
  view_->GetAngles(yaw, pitch, roll);
  view_->SetAngles(Radians(angleX), -Radians(angleY), roll);
  if (lens < 1) {
    if (view_->GetProjectionKind() != view::kProjectionParallel) view_->SetProjectionKind(view::kProjectionParallel, false);
  } else {
    if (view_->GetProjectionKind() != view::kProjectionFieldOfView)
      view_->SetProjectionKind(view::kProjectionFieldOfView, false);
    if (view_->GetFieldOfView() != lens) view_->SetFieldOfView(lens, false);
  }
  SetZoomValue(zoom);
  view_->SetTarget({x, y, z});
  view_->InvalidateMatrices();
  SetImageValid(false, false);
}

int KxLibV::SetProjectionKind(int kind) {
  if (const int prepared = PrepareBitmaps(); prepared != 0) return prepared;
  if (view_->GetProjectionKind() == kind) return 0;
  if (view_->IsAxisView()) view_->RestoreProjectionKind(false);
  view_->SetProjectionKind(kind, false);
  SetImageValid(false, false);
  return 0;
}

int KxLibV::GetZoomValue() const { return view::ZoomValueOfFactor(view_->GetZoomFactor()); }

void KxLibV::SetZoomValue(int value) {
  view_->ChangeZoom(view::ZoomFactorOfValue(value));
  SetImageValid(false, false);
}

void KxLibV::Pan(int dx, int dy, double& x, double& y, double& z) {
  if (MakeViewReadyForPoints()) {
    // The offset is in page pixels, like every point the page hands over.
    const int cx = renderWidth_ / 2, cy = renderHeight_ / 2;
    const int mx = cx + static_cast<int>(dx / pixelScaleX_), my = cy + static_cast<int>(dy / pixelScaleY_);
    view_->Pan(view::PackScreenPoint(cx, cy), view::PackScreenPoint(mx, my), nullptr);
    view_->MakeCurrent(false);
  }
  const engine::PointRecord target = view_->GetTarget();
  x = target.x;
  y = target.y;
  z = target.z;
  SetImageValid(false, false);
}

// ---- lights ---------------------------------------------------------------------------

void KxLibV::GetLight(int& a, int& b, int& value1, int& value3) const {
  view::LightSettings lights;
  view_->GetLights(lights);
  a = Degrees(lights.firstAngles[0]);
  b = Degrees(lights.secondAngles[0]);
  value1 = static_cast<int>(lights.intensities[0]);
  value3 = static_cast<int>(lights.ambient);
}

void KxLibV::SetLight(int a, int b, int value1, int value3) {
  view::LightSettings lights;
  view_->GetLights(lights);
  lights.firstAngles[0] = Radians(a);
  lights.secondAngles[0] = Radians(b);
  lights.intensities[0] = value1;
  lights.ambient = value3;
  view_->SetLights(&lights, false);
  SetImageValid(false, false);
}

}  // namespace facade
