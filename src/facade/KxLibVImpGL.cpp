// The off-screen figure renderer: the passes on green, or on white and on
// black, their copies out of the view's surface, and the alpha made from
// them.
#include <algorithm>
#include <cstring>

#include "engine/core/QImp.h"
#include "engine/image/OsUtilImage.h"
#include "engine/render/GlLayer.h"
#include "engine/scene/MDocObj.h"
#include "facade/FacadeResult.h"
#include "facade/KxLibR.h"
#include "facade/KxLibVImp.h"
#include "platform/GlContext.h"
#include "view/QView.h"

namespace facade {

using platform::Bgra;
using platform::Image;
using platform::RECT;

int KxLibVImp::RenderFigureImage(KxLibR&, view::QView*, const RECT&, int, bool) { return kFacadeOk; }

int KxLibVImp::MakeBitmaps(const RECT&, view::QView*) { return kFacadeOk; }

void KxLibVImp::FreeBitmaps(view::QView*) {}

namespace {

// The part `rect` of the frame's picture into `target` (same size as rect).
void CopyFrame(const Image& frame, const RECT& rect, Image& target) {
  const int width = std::min(rect.Width(), frame.Width() - rect.left);
  const int height = std::min(rect.Height(), frame.Height() - rect.top);
  if (width <= 0 || height <= 0) return;
  const int bytes = frame.Bpp() / 8;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* from = frame.Row(rect.top + y) + static_cast<std::size_t>(rect.left) * bytes;
    std::uint8_t* to = target.Row(y);
    if (bytes == 4) {
      std::memcpy(to, from, static_cast<std::size_t>(width) * 4);
      continue;
    }
    for (int x = 0; x < width; ++x) {
      to[4 * x] = from[bytes * x];
      to[4 * x + 1] = from[bytes * x + 1];
      to[4 * x + 2] = from[bytes * x + 2];
    }
  }
}

}  // namespace

int KxLibVImpGL::RenderFigureImage(KxLibR& figure, view::QView* view, const RECT& rect, int factor,
                                   bool keepPremultiplied) {
  if (view == nullptr) return kFacadeFailed;
  if (MakeImages(rect, factor) != kFacadeOk) return kFacadeFailed;
  if (const int made = MakeBitmaps(rect, view); made != kFacadeOk) return made;
  view->MakeCurrent(true);
  // The passes change the view's background; what the figure keeps (and
  // saves) is its own.
  int r = 0, g = 0, b = 0;
  view->GetBackgroundColor(r, g, b);
  struct Pass {
    int r, g, b;
    Image* target;
  };
  const bool twoPasses = figure.HasTransparentMaterial();
  const Pass green{0, 255, 0, &whiteBitmap_}, white{255, 255, 255, &whiteBitmap_}, black{0, 0, 0, &blackBitmap_};
  const Pass* passes[2] = {twoPasses ? &white : &green, &black};
  int result = kFacadeOk;
  for (int i = 0; i < (twoPasses ? 2 : 1); ++i) {
    view->SetBackgroundColor(passes[i]->r, passes[i]->g, passes[i]->b);
    DrawFrame(figure, *view);
    const Image* frame = view->GetFramePicture();
    if (TakeEngineFailure() || frame == nullptr) {
      result = kFacadeFailed;
      break;
    }
    CopyFrame(*frame, rect, *passes[i]->target);
  }
  view->SetBackgroundColor(r, g, b);
  view->MakeCurrent(false);
  if (result != kFacadeOk) return result;
  if (twoPasses)
    AlphaFromTwoBackgrounds(factor != 0, keepPremultiplied);
  else
    KeyGreenToAlpha(factor != 0);
  return kFacadeOk;
}

void KxLibVImpGL::DrawFrame(KxLibR& figure, view::QView& view) {
  engine::GlSetRenderState(engine::kDrawLinesOnTop);
  engine::GlSetXorDrawing(false);
  engine::GlLineWidth(1.0f);
  engine::GlClear();
  const Image& surface = view.GetContext()->Pixels();
  view.SetViewport(RECT{0, 0, surface.Width(), surface.Height()}, false);
  engine::GlClear();
  view.RenderFrame(figure.GetScene());
  if (!EngineFailed()) view.FinishRendering();
}

int KxLibVImpGL::MakeImages(const RECT& rect, int factor) {
  const int w = rect.Width(), h = rect.Height();
  const bool imageFits = !image_.IsNull() && image_.Width() == w && image_.Height() == h;
  const bool reducedFits = factor == 0 ? reducedImage_.IsNull()
                                       : !reducedImage_.IsNull() && reducedImage_.Width() == w / factor &&
                                             reducedImage_.Height() == h / factor;
  if (imageFits && reducedFits) return kFacadeOk;
  FreeImages();
  if (!image_.Create(w, h, 32, true)) return kFacadeFailed;
  if (factor != 0 && !reducedImage_.Create(w / factor, h / factor, 32, true)) {
    FreeImages();
    return kFacadeFailed;
  }
  return kFacadeOk;
}

void KxLibVImpGL::FreeImages() {
  image_.Destroy();
  reducedImage_.Destroy();
}

int KxLibVImpGL::MakeBitmaps(const RECT& rect, view::QView* view) {
  if (view == nullptr) return kFacadeFailed;
  const int w = rect.Width(), h = rect.Height();
  if (!whiteBitmap_.IsNull() && whiteBitmap_.Width() == w && whiteBitmap_.Height() == h && view->HasContext())
    return kFacadeOk;
  FreeBitmaps(view);
  view->CreateRenderTarget(rect, false);
  if (TakeEngineFailure() || !view->HasContext()) {
    view->DestroyRenderTarget();
    return kFacadeFailed;
  }
  if (!whiteBitmap_.Create(w, h, 32) || !blackBitmap_.Create(w, h, 32)) {
    FreeBitmaps(view);
    return kFacadeFailed;
  }
  return kFacadeOk;
}

void KxLibVImpGL::FreeBitmaps(view::QView* view) {
  whiteBitmap_.Destroy();
  blackBitmap_.Destroy();
  if (view != nullptr) view->DestroyRenderTarget();
}

const Image* KxLibVImpGL::GetImage() const {
  if (!reducedImage_.IsNull()) return &reducedImage_;
  return KxLibVImp::GetImage();
}

void KeyGreenPixelsToAlpha(const Image& pass, Image& out) {
  for (int y = 0; y < out.Height(); ++y) {
    const std::uint8_t* from = pass.Row(y);
    std::uint8_t* to = out.Row(y);
    for (int x = 0; x < out.Width(); ++x, from += 4, to += 4) {
      const bool key = from[0] == 0 && from[1] == 255 && from[2] == 0;
      to[0] = key ? 0 : from[0];
      to[1] = key ? 0 : from[1];
      to[2] = key ? 0 : from[2];
      to[3] = key ? 0 : 255;
    }
  }
}

void TwoBackgroundPixelsToAlpha(const Image& onWhite, const Image& onBlack, Image& out, bool keepPremultiplied) {
  for (int y = 0; y < out.Height(); ++y) {
    const std::uint8_t* w = onWhite.Row(y);
    const std::uint8_t* k = onBlack.Row(y);
    std::uint8_t* to = out.Row(y);
    for (int x = 0; x < out.Width(); ++x, w += 4, k += 4, to += 4) {
      // What shows through on white and not on black is the background.
      const int alpha = std::min(255, (k[0] + k[1] + k[2] - w[0] - w[1] - w[2] + 765) / 3);
      if (alpha <= 0) {
        std::memset(to, 0, 4);
        continue;
      }
      for (int c = 0; c < 3; ++c)
        to[c] = keepPremultiplied ? k[c] : static_cast<std::uint8_t>(std::min(255, k[c] * 255 / alpha));
      to[3] = static_cast<std::uint8_t>(alpha);
    }
  }
}

void KxLibVImpGL::KeyGreenToAlpha(bool downSample) {
  KeyGreenPixelsToAlpha(whiteBitmap_, image_);
  if (downSample) DownSample();
}

void KxLibVImpGL::AlphaFromTwoBackgrounds(bool downSample, bool keepPremultiplied) {
  TwoBackgroundPixelsToAlpha(whiteBitmap_, blackBitmap_, image_, keepPremultiplied);
  if (downSample) DownSample();
}

void KxLibVImpGL::DownSample() {
  if (!reducedImage_.IsNull()) engine::OsUtilDownsampleImage(image_, reducedImage_);
}

}  // namespace facade
