// Drawing an object: the shape's picture, its effects, panel-frame masks,
// and the selection marks.
#include <algorithm>
#include <cmath>

#include "imaging/DrawPrimitives.h"
#include "imaging/PixelOps.h"
#include "imaging/SoftEdges.h"
#include "page/PnFatal.h"
#include "page/ResultCodes.h"
#include "page/SObj.h"
#include "page/ShapeGeometry.h"
#include "platform/Blit.h"

namespace page {
namespace {

// Work pictures beyond this many pixels a side are refused before their
// size overflows (they would not fit in memory anyway).
constexpr double kLargestSide = 1 << 20;
constexpr double kFarthestCentre = 1 << 29;

// A transparent 32-bit work picture of the size, in the memory the buffer
// already holds where it fits.
bool MakeWork(platform::Image& image, int width, int height) { return image.CreateReusing(width, height, 32, true); }

int Side(double pixels) { return static_cast<int>(std::ceil(pixels)); }

// The chain of effects works from one buffer into the other.
class EffectChain {
 public:
  EffectChain(SDrawBuffers& buffers, int current) : buffers_(buffers), current_(current) {}
  platform::Image& Current() { return buffers_.image[current_]; }
  int Index() const { return current_; }
  // The other buffer, transparent and of the current size, for an effect to
  // write into; Swap makes it current.
  platform::Image* Other() {
    platform::Image& other = buffers_.image[1 - current_];
    return MakeWork(other, Current().Width(), Current().Height()) ? &other : nullptr;
  }
  void Swap() { current_ = 1 - current_; }

 private:
  SDrawBuffers& buffers_;
  int current_;
};

// How far the effects reach from a pixel of the shape, in pixels at the
// zoom, with room to spare: the blurs, the shadow's offset and the outline
// with its smoothing.
int EffectReach(const Prop2DVal& V, double zoom) {
  // Damaged pages may hold any int: sizes are taken in 64 bits.
  const auto scaled = [zoom](int v) {
    return std::abs(static_cast<long long>(TruncateToInt(std::abs(static_cast<double>(v)) * zoom)));
  };
  const long long reach = scaled(std::max(V.wholeBlur, 0)) + scaled(V.effectX) + scaled(V.effectY) +
                          scaled(V.effectBlur) + std::abs(static_cast<long long>(V.effectBlur));
  return static_cast<int>(std::min<long long>(2 * reach + 16, 1 << 24));
}

// The part of a whole picture of `part`'s size placed at `at` in the target
// that lies in the target or within `reach` of it, in picture pixels.
platform::RECT VisiblePart(const platform::RECT& part, platform::POINT at, const platform::Image& target, int reach) {
  const long long left = std::max<long long>(part.left, -static_cast<long long>(reach) - at.x);
  const long long top = std::max<long long>(part.top, -static_cast<long long>(reach) - at.y);
  const long long right = std::min<long long>(part.right, static_cast<long long>(target.Width()) + reach - at.x);
  const long long bottom = std::min<long long>(part.bottom, static_cast<long long>(target.Height()) + reach - at.y);
  if (left >= right || top >= bottom) return {};
  return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
}

int ApplyEffects(EffectChain& chain, const Prop2DVal& V, double zoom, bool vectorOnly) {
  const auto scaled = [zoom](int v) { return TruncateToInt(v * zoom); };
  if (V.wholeBlur > 0) {
    if (const int rc = imaging::PnUtilBoxBlur(chain.Current(), chain.Current(), scaled(V.wholeBlur)); rc < 0) return rc;
  }
  const auto step = [&chain](auto&& effect) {
    platform::Image* other = chain.Other();
    if (other == nullptr) return false;
    effect(chain.Current(), *other);
    chain.Swap();
    return true;
  };
  bool ok = true;
  if (V.edgeBlur > 0)
    ok = ok && step([&](const platform::Image& s, platform::Image& d) {
           imaging::PnUtilFeatherEdges(s, d, scaled(V.edgeBlur));
         });
  if (V.grayscale) ok = ok && step([](const platform::Image& s, platform::Image& d) { imaging::PnUtilToGrey(s, d); });
  if (V.brightness > 0)
    ok = ok && step([&](const platform::Image& s, platform::Image& d) { imaging::PnUtilLighten(s, d, V.brightness); });
  if (!vectorOnly && V.EffectOn()) {
    // Negative widths name the outline kinds and keep their value.
    const int blur = V.effectBlur >= 0 ? scaled(V.effectBlur) : V.effectBlur;
    ok = ok && step([&](const platform::Image& s, platform::Image& d) {
           imaging::PnUtilMakeOutlineOrShadow(s, d, scaled(V.effectX), scaled(V.effectY), V.effectColor, blur);
         });
  }
  if (!ok) return kResultNoMemory;
  const int opacity = std::clamp(V.opacity, 0, 100);
  if (opacity != 100) imaging::PnUtilScaleOpacity(chain.Current(), opacity * 255 / 100);
  return kResultOk;
}

}  // namespace

int SObj::Draw(platform::Image* target, const PageTransform& transform, const STrim* clip, bool vectorOnly,
               SDrawBuffers& buffers, SObjDrawn* drawn) {
  if (!fig) return kResultNoMemory;
  if (flags & kObjHidden) return kResultOk;
  if (vectorOnly && !fig->IsVectorShape()) return kResultOk;

  const double zoom = transform.scale;
  const int factor = props2D.SupersamplingFactor();
  const double scale = factor * zoom;
  if (!(scale * placement.width >= 1.0 && scale * placement.height >= 1.0)) return kResultOk;
  // A centre this far out lies off every picture (only a damaged page puts
  // one there), and its pixel position would not fit an int.
  if (!(std::fabs(placement.x * zoom) < kFarthestCentre && std::fabs(placement.y * zoom) < kFarthestCentre))
    return kResultOk;

  // A clipping frame keeps its filled outline as its mask, even when its
  // own fill is off; a frame that keeps no mask draws as it is.
  Prop2DVal V = props2D;
  const bool keepsMask = frame.isFrame && !(flags & kObjFrameNoClip) && !vectorOnly;
  const bool fillForced = keepsMask && V.FillOff();
  if (fillForced) V.fillColorMode = Prop2DVal::kColorGiven;
  if (V.LineOff() && V.FillOff()) return kResultOk;

  const SPoint box(zoom * placement.width, zoom * placement.height);
  const SPoint extent = fig->GetDrawExtent(box, placement.angle);
  if (!(extent.x * factor < kLargestSide && extent.y * factor < kLargestSide)) return kResultNoMemory;
  SDrawSize size{scale * placement.width, scale * placement.height, placement.angle, placement.margin,
                 scale,                   zoom,                      transform.mode};

  // Pictures that are not turned draw parts of the box; vector shapes
  // parts of their extent.
  const bool rasterParts = fig->DrawsRasterParts() && std::fabs(placement.angle) <= 1e-6;
  const bool drawsParts = fig->DrawsParts() || rasterParts;
  // The whole picture's size and its top-left in the target.
  const int wholeWidth = rasterParts ? Side(box.x) : Side(extent.x);
  const int wholeHeight = rasterParts ? Side(box.y) : Side(extent.y);
  const int wholeLeft = static_cast<int>(std::floor(transform.originX)) +
                        static_cast<int>(std::floor(placement.x * zoom)) - wholeWidth / 2;
  const int wholeTop = static_cast<int>(std::floor(transform.originY)) +
                       static_cast<int>(std::floor(placement.y * zoom)) - wholeHeight / 2;

  // The shape's picture: a raster (turned afterwards), a vector drawing, or
  // a rendering at the zoom without supersampling.
  int current = 0;
  int reduceBy = factor;
  platform::Image* work = &buffers.image[0];
  bool done = false;
  if (drawsParts) {
    // On screen only the part in the window (and what effects draw into it
    // from around it) is drawn.
    platform::RECT part{0, 0, wholeWidth, wholeHeight};
    if (target != nullptr && transform.mode <= 3 && !keepsMask && V.edgeBlur <= 0)
      part = VisiblePart(part, {wholeLeft, wholeTop}, *target, EffectReach(V, zoom));
    if (part.IsEmpty()) return kResultOk;
    if (!MakeWork(*work, part.Width() * factor, part.Height() * factor)) return kResultNoMemory;
    size.cutX = part.left * factor, size.cutY = part.top * factor;
    size.isPart = part.Width() != wholeWidth || part.Height() != wholeHeight;
    done = rasterParts ? fig->DrawRaster(*work, size, V, vectorOnly) : fig->DrawVector(*work, size, V, vectorOnly);
    if (!done) return kResultNoMemory;  // such shapes always draw
  } else {
    if (!MakeWork(*work, Side(box.x) * factor, Side(box.y) * factor)) return kResultNoMemory;
    done = fig->DrawRaster(*work, size, V, vectorOnly);
    if (done && std::fabs(placement.angle) > 1e-6) {
      if (!MakeWork(buffers.image[1], Side(extent.x) * factor, Side(extent.y) * factor)) return kResultNoMemory;
      imaging::PnUtilRotateImage(*work, buffers.image[1], placement.angle);
      current = 1;
    }
  }
  if (!done) {
    if (!MakeWork(*work, Side(extent.x) * factor, Side(extent.y) * factor)) return kResultNoMemory;
    done = fig->DrawVector(*work, size, V, vectorOnly);
  }
  if (!done) {
    if (!MakeWork(*work, Side(extent.x), Side(extent.y))) return kResultNoMemory;
    SDrawSize plain = size;
    plain.width = box.x, plain.height = box.y, plain.scale = zoom;
    int result = 0;
    done = fig->RenderImage(*work, plain, V, vectorOnly, result);
    if (result < 0) return result;
    reduceBy = 1;
  }
  if (!done) {
    PN_FATAL_IF(drawn != nullptr, "SObj", 281);
    if (target == nullptr) return kResultNoMemory;
    platform::Dc dc(*target);
    return fig->DrawToTarget(dc) ? kResultOk : kResultNoMemory;
  }
  if (reduceBy > 1) {
    const platform::Image& big = buffers.image[current];
    platform::Image& small = buffers.image[1 - current];
    if (!MakeWork(small, big.Width() / reduceBy, big.Height() / reduceBy)) return kResultNoMemory;
    if (const int rc = imaging::PnUtilShrinkImage(big, small); rc < 0) return rc;
    current = 1 - current;
  }

  EffectChain chain(buffers, current);
  if (const int rc = ApplyEffects(chain, V, zoom, vectorOnly); rc < 0) return rc;
  platform::Image& picture = chain.Current();
  const int w = picture.Width();
  const int h = picture.Height();
  // The picture's top-left in the page's render pixels: centred on the
  // object's centre (a part lies where it lies in the whole picture).
  const platform::POINT offset{w / 2, h / 2};
  const platform::POINT cut{size.cutX / factor, size.cutY / factor};
  const platform::POINT wholeOffset =
      drawsParts ? platform::POINT{wholeWidth / 2 - cut.x, wholeHeight / 2 - cut.y} : offset;
  const platform::POINT topLeft{static_cast<int>(std::floor(placement.x * zoom)) - wholeOffset.x,
                                static_cast<int>(std::floor(placement.y * zoom)) - wholeOffset.y};
  if (clip != nullptr && !clip->mask.IsNull()) {
    imaging::PnUtilApplyMask(picture, topLeft, {w, h}, clip->mask,
                             {static_cast<int>(clip->maskOriginX), static_cast<int>(clip->maskOriginY)},
                             {clip->mask.Width(), clip->mask.Height()});
  }
  if (keepsMask) {
    if (frame.MakeMask(picture, offset, placement, zoom, clip) < 0) return kResultNoMemory;
    if (fillForced) return kResultOk;  // the outline pass draws its line
  }

  const int left = static_cast<int>(std::floor(transform.originX)) + topLeft.x;
  const int top = static_cast<int>(std::floor(transform.originY)) + topLeft.y;
  const platform::RECT place{left, top, left + w, top + h};
  if (drawn != nullptr) {
    drawn->index = chain.Index();
    drawn->rect = place;
    return kResultOk;
  }
  if (target != nullptr) platform::AlphaBlendBits(*target, place, picture, {0, 0, w, h}, {255, true});
  return kResultOk;
}

// ---- selection marks ---------------------------------------------------------

namespace {

constexpr platform::COLORREF kMarkRed = 0xFE0000;
constexpr platform::COLORREF kMarkGreen = 0x00FE00;

platform::RECT MarkRect(platform::POINT p, int reach) { return {p.x - reach, p.y - reach, p.x + reach + 1, p.y + reach + 1}; }

void Line(platform::Dc& dc, platform::POINT a, platform::POINT b, int width, platform::COLORREF colour) {
  platform::Pen pen;
  pen.color = colour;
  pen.width = width;
  const platform::Pen old = dc.SelectPen(pen);
  dc.MoveTo(a.x, a.y);
  dc.LineTo(b.x, b.y);
  dc.SelectPen(old);
}

}  // namespace

void SObj::DrawSpecialHandle(platform::Dc& dc, int kind, platform::POINT point, platform::POINT next) {
  static constexpr platform::COLORREF kSegmentColours[] = {0x2828E9, 0x5A5AFF, 0x64,   0x28E928, 0x5AFF5A,
                                                           0x6400,   0x9696,   0x28C8C8, 0x5050};
  switch (kind) {
    case 1: Line(dc, point, next, 3, kMarkRed); return;
    case 2: Line(dc, point, next, 1, kMarkRed); return;
    case 3: imaging::PnUtilDrawEllipse(dc, MarkRect(point, 3), kMarkRed, kMarkRed); return;
    case 4: imaging::PnUtilDrawEllipse(dc, MarkRect(point, 4), 0xFFFF00, kMarkRed); return;
    default:
      if (kind >= 5 && kind <= 13) {
        Line(dc, point, next, 1, kSegmentColours[kind - 5]);
        return;
      }
      imaging::PnUtilDrawRect(dc, MarkRect(point, 3), kMarkGreen, kMarkGreen, 0);
  }
}

void SObj::DrawHandles(platform::Dc& dc, const PageTransform& transform, int style, int tool) {
  const platform::COLORREF colour = style == 0 || style == 1 ? kMarkGreen : 0xFEFE00;
  const auto toWindow = [&transform](SPoint p) {
    // Points of a damaged page may lie anywhere: keep them where a mark
    // around them still fits an int.
    const auto pixel = [](double v) {
      constexpr int kFar = static_cast<int>(kFarthestCentre);
      return std::clamp(TruncateToInt(v), -kFar, kFar);
    };
    return platform::POINT{pixel(transform.originX + p.x * transform.scale),
                           pixel(transform.originY + p.y * transform.scale)};
  };
  const auto [tl, tr, bl, br] = GetQuad();
  const platform::POINT corners[4] = {toWindow(tl), toWindow(tr), toWindow(br), toWindow(bl)};
  for (int i = 0; i < 4; ++i) Line(dc, corners[i], corners[(i + 1) % 4], 1, colour);

  const std::span<SCtlp> handles = GetHandles(transform.scale);
  const int count = static_cast<int>(handles.size());
  for (int i = 0; i < count; ++i) {
    const SCtlp& h = handles[i];
    if (!h.visible || (h.poseOnly && tool != 13 && tool != 14)) continue;
    const platform::POINT at = toWindow({h.x, h.y});
    if (i >= kStandardHandleCount) {
      const platform::POINT next = i + 1 < count ? toWindow({handles[i + 1].x, handles[i + 1].y}) : at;
      DrawSpecialHandle(dc, h.kind, at, next);
    } else if (i == kRotationHandle || style == 3) {
      imaging::PnUtilDrawEllipse(dc, MarkRect(at, 4), colour, 0xFFFFFF);
    } else {
      imaging::PnUtilDrawRect(dc, MarkRect(at, 3), colour, 0xFFFFFF, 0);
    }
  }
}

}  // namespace page
