// KxLibV: construction, the output size and its limits, rendering and the
// picture, and the view's context.
#include "facade/KxLibV.h"

#include <algorithm>
#include <cstdint>

#include "engine/scene/AnimKeys.h"
#include "engine/scene/MDocObj.h"
#include "facade/FacadeResult.h"
#include "facade/KxLibR.h"
#include "facade/KxLibVImp.h"
#include "view/QTrack.h"
#include "view/QView.h"

namespace facade {

namespace {

// A size no page asks for; it keeps the products below in range.
constexpr std::int64_t kLargestOutputSide = std::int64_t{1} << 20;

int HeldSide(std::int64_t side) { return static_cast<int>(std::clamp<std::int64_t>(side, 1, kLargestOutputSide)); }

}  // namespace

KxLibV::KxLibV(KxLibR& owner, int rendererMode)
    : renderer_(std::make_unique<KxLibVImpGL>()),
      owner_(owner),
      view_(std::make_unique<view::QView>(platform::RECT{0, 0, 40, 40}, rendererMode)) {}

KxLibV::~KxLibV() {
  tracker_.reset();
  renderer_->FreeBitmaps(view_.get());
  renderer_.reset();
  view_.reset();
}

engine::MDocObj* KxLibV::Scene() const { return owner_.GetScene(); }

engine::AnimView* KxLibV::AnimationView() { return dynamic_cast<engine::AnimView*>(view_.get()); }

// ---- output size -------------------------------------------------------------

void KxLibV::LimitRenderSize(int& width, int& height, int& factor) const {
  std::int64_t w = width, h = height;
  int f = factor;
  if (f < 2) {
    f = 0;
  } else {
    // One step down at a time keeps the render a whole multiple of the
    // output, so the reduction fills every pixel; the renderer reduces by
    // at most 4.
    while ((w > kMaxRenderSide || h > kMaxRenderSide || f > kMaxSupersampling) && f > 1) {
      w = w * (f - 1) / f;
      h = h * (f - 1) / f;
      --f;
    }
    if (f <= 1) f = 0;
  }
  if (w > kMaxRenderSide || h > kMaxRenderSide) {
    const double c = static_cast<double>(std::max(w, h)) / kMaxRenderSide;
    w = static_cast<std::int64_t>(w / c) - 1;
    h = static_cast<std::int64_t>(h / c) - 1;
  }
  width = static_cast<int>(std::max<std::int64_t>(w, 1));
  height = static_cast<int>(std::max<std::int64_t>(h, 1));
  factor = f;
}

int KxLibV::SetOutputSize(int width, int height, int factor, double lineScale) {
  requestedFactor_ = std::max(factor, 0);
  const int f = std::max(requestedFactor_, 1);
  lineScale_ = lineScale;
  requestedWidth_ = HeldSide(static_cast<std::int64_t>(HeldSide(width)) * f);
  requestedHeight_ = HeldSide(static_cast<std::int64_t>(HeldSide(height)) * f);
  int w = requestedWidth_, h = requestedHeight_, effective = requestedFactor_;
  LimitRenderSize(w, h, effective);
  if (effective != factor_) {
    renderer_->FreeBitmaps(view_.get());
    factor_ = effective;
  }
  const double viewLineScale = std::max(effective, 1) * lineScale;
  if (view_->GetLineScale() != viewLineScale) {
    view_->SetLineScale(viewLineScale);
    SetImageValid(false, false);
  }
  if (w != renderWidth_ || h != renderHeight_) SetImageValid(false, false);
  renderWidth_ = w;
  renderHeight_ = h;
  return kFacadeOk;
}

void KxLibV::GetOutputSize(int& width, int& height, int& factor, double& lineScale) const {
  const int f = std::max(requestedFactor_, 1);
  width = requestedWidth_ / f;
  height = requestedHeight_ / f;
  factor = requestedFactor_;
  lineScale = lineScale_;
}

void KxLibV::SetSupersampling(int factor) {
  int width = 0, height = 0, oldFactor = 0;
  double lineScale = 1.0;
  GetOutputSize(width, height, oldFactor, lineScale);
  SetOutputSize(width, height, factor, lineScale);
  SetImageValid(false, false);
}

void KxLibV::GetRenderRect(platform::RECT& rect, int& factor) const {
  rect = platform::RECT{0, 0, renderWidth_, renderHeight_};
  factor = factor_;
}

// ---- rendering and the picture ---------------------------------------------------

int KxLibV::Render(bool keepPremultiplied) {
  if (Scene() == nullptr) return kFacadeFailed;
  const int result =
      renderer_->RenderFigureImage(owner_, view_.get(), platform::RECT{0, 0, renderWidth_, renderHeight_}, factor_,
                                   keepPremultiplied);
  // Page points are pixels of the requested size; the render may be
  // smaller on either axis.
  pixelScaleX_ = static_cast<double>(requestedWidth_) / std::max(renderWidth_, 1);
  pixelScaleY_ = static_cast<double>(requestedHeight_) / std::max(renderHeight_, 1);
  // A failed render leaves no picture worth showing: the next request
  // renders again.
  imageValid_ = result == kFacadeOk;
  return result;
}

const platform::Image* KxLibV::GetImage(bool keepPremultiplied) {
  if (!imageValid_ && Render(keepPremultiplied) != kFacadeOk) return nullptr;
  return renderer_->GetImage();
}

int KxLibV::PrepareBitmaps() {
  return renderer_->MakeBitmaps(platform::RECT{0, 0, renderWidth_, renderHeight_}, view_.get());
}

bool KxLibV::MakeViewCurrent() {
  if (PrepareBitmaps() != kFacadeOk || !view_->HasContext()) return false;
  view_->MakeCurrent(true);
  return true;
}

bool KxLibV::MakeViewReadyForPoints() {
  if (!MakeViewCurrent()) return false;
  // The projection of the camera as it is now, over the whole render.
  view_->SetViewport(platform::RECT{0, 0, renderWidth_, renderHeight_}, true);
  return true;
}

void KxLibV::SetImageValid(bool valid, bool dropCache) {
  imageValid_ = valid;
  if (dropCache) InvalidateView();
}

void KxLibV::InvalidateView() { view_->InvalidateCache(); }

void KxLibV::LockImage() {
  savedImageValid_ = imageValid_;
  imageValid_ = true;
}

void KxLibV::UnlockImage() { imageValid_ = savedImageValid_; }

void KxLibV::BeginSilhouetteRender() {
  savedDrawMode_ = view_->GetDrawMode();
  view_->SetDrawMode(3);
  view_->SetSmoothShown(false);
}

void KxLibV::EndSilhouetteRender() {
  view_->SetDrawMode(savedDrawMode_);
  view_->SetSmoothShown(true);
}

void KxLibV::UsePageDrawMode() {
  if (view_->toneFlag == 0 || view_->GetDrawMode() != 6) {
    view_->toneFlag = 1;
    view_->SetDrawMode(6);
    SetImageValid(false, false);
  }
  view_->SetOptionFlag(0);
}

void KxLibV::RenderAndFrameScene() {
  view_->toneFlag = 1;
  view_->SetDrawMode(6);
  if (Render(false) < 0) return;
  if (MakeViewCurrent()) {
    view_->FitToBounds(Scene());
    view_->MakeCurrent(false);
  }
  view_->SetOptionFlag(0);
  // The picture rendered before the camera moved no longer shows it.
  SetImageValid(false, true);
}

void KxLibV::FrameBox(const engine::BoundsRecord& box) {
  if (!MakeViewReadyForPoints()) return;
  view_->FitToBox(box);
  view_->MakeCurrent(false);
  SetImageValid(false, true);
}

platform::COLORREF KxLibV::GetBackgroundColor() const {
  int r = 0, g = 0, b = 0;
  view_->GetBackgroundColor(r, g, b);
  return platform::MakeRgb(r, g, b);
}

void KxLibV::SetBackgroundColor(platform::COLORREF colour) {
  // The clear colour belongs to the context current at the time: this
  // view's, never another figure's.
  const bool current = view_->HasContext();
  if (current) view_->MakeCurrent(true);
  view_->SetBackgroundColor(platform::GetRValue(colour), platform::GetGValue(colour), platform::GetBValue(colour));
  if (current) view_->MakeCurrent(false);
}

void KxLibV::DropTracker() {
  tracker_.reset();
  dragFigure_ = -1;
  dragMoved_ = false;
}

}  // namespace facade
