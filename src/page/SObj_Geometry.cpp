// Geometry of an object: its turned box, handles, anchors and hit tests.
#include <algorithm>
#include <cmath>

#include "imaging/Geometry2D.h"
#include "page/PnFatal.h"
#include "page/SObj.h"
#include "page/ShapeGeometry.h"

namespace page {
namespace {

constexpr double kHandleReach = 4.0;   // screen pixels around a handle
constexpr double kOutlineReach = 3.0;  // screen pixels around a selected box
constexpr double kRotationOffset = 15.0;

SPoint Middle(SPoint a, SPoint b) { return (a + b) * 0.5; }

// Whether a handle takes part in hits now: shown, and pose handles only
// while a pose tool is on.
bool HandleShown(const SCtlp& h, int tool) { return h.visible && (!h.poseOnly || tool == 13 || tool == 14); }

}  // namespace

std::array<SPoint, 4> SObj::GetQuad() const {
  const double w = placement.width / 2.0;
  const double h = placement.height / 2.0;
  std::array<SPoint, 4> quad = {SPoint(-w, -h), SPoint(w, -h), SPoint(-w, h), SPoint(w, h)};
  for (SPoint& corner : quad) {
    corner.Rotate(placement.angle);
    corner = corner + SPoint(placement.x, placement.y);
  }
  return quad;
}

std::span<SCtlp> SObj::GetHandles(double zoom) {
  if (!fig) return {};
  std::span<SCtlp> handles = fig->GetHandles(placement, props2D, (flags & kObjEditing) != 0);
  if (handles.size() <= 3) return handles;
  const auto [tl, tr, bl, br] = GetQuad();
  const SPoint places[8] = {tl, tr, bl, br, Middle(tl, bl), Middle(tl, tr), Middle(tr, br), Middle(bl, br)};
  for (int i = 0; i < 8 && i < static_cast<int>(handles.size()); ++i) {
    handles[i].x = places[i].x;
    handles[i].y = places[i].y;
  }
  if (handles.size() > kRotationHandle) {
    // Beyond the bottom edge, a quarter of the way in from its right end.
    SPoint down = bl - tl;
    const double length = down.Length();
    down = down * (1.0 / (length < 1e-6 ? 0.1 : length));
    const SPoint rotation = bl + (br - bl) * 0.75 + down * (kRotationOffset / zoom);
    handles[kRotationHandle].x = rotation.x;
    handles[kRotationHandle].y = rotation.y;
  }
  return handles;
}

SHandleAnchor SObj::GetHandleAnchor(int handle, double zoom) {
  const std::span<SCtlp> handles = GetHandles(zoom);
  PN_FATAL_IF(handles.size() < kStandardHandleCount, "SObj", 596);
  const auto at = [&](int i) { return SPoint(handles[i].x, handles[i].y); };
  switch (handle) {
    case 0: return {at(3), 0};
    case 1: return {at(2), 0};
    case 2: return {at(1), 0};
    case 3: return {at(0), 0};
    case 4: return {at(6), 1};
    case 6: return {at(4), 1};
    case 5: return {at(7), 2};
    case 7: return {at(5), 2};
    case kRotationHandle: return {Middle(at(0), at(3)), 0};
    default: return {fig->GetSpecialHandleAnchor(handle), 0};
  }
}

SObjHit SObj::HitTest(SPoint point, double zoom, const STrim* clip, int tool) {
  if ((flags & (kObjGroup | kObjNoHit)) || !fig) return {};
  if (IsSelected()) {
    const std::span<SCtlp> handles = GetHandles(zoom);
    const int count = static_cast<int>(handles.size());
    for (int i = 0; i < count; ++i) {
      const SCtlp& h = handles[i];
      if (!HandleShown(h, tool)) continue;
      const SPoint at(h.x, h.y);
      const bool pointKind = h.kind == 0 || h.kind == 3 || h.kind == 4;
      // Other kinds are segments to the next handle; the last has none.
      if (pointKind ? at.Distance(point) <= kHandleReach / zoom
                    : i + 1 < count &&
                          imaging::PnUtilIsNearSegment(at, SPoint(handles[i + 1].x, handles[i + 1].y), point, kHandleReach / zoom))
        return {true, i};
    }
    const auto [tl, tr, bl, br] = GetQuad();
    const struct {
      SPoint a, b;
      int firstCorner;
    } edges[4] = {{tl, tr, 0}, {tr, br, 1}, {bl, tl, 2}, {br, bl, 3}};
    for (const auto& edge : edges) {
      if (edge.firstCorner < count && handles[edge.firstCorner].visible &&
          imaging::PnUtilIsNearSegment(edge.a, edge.b, point, kOutlineReach / zoom))
        return {true, -1};
    }
  }
  const SPoint d = ToShapeFrame(placement, point);
  if (!(std::fabs(d.x) < placement.width / 2.0 && std::fabs(d.y) < placement.height / 2.0)) return {};
  if (!MaskAllows(point, zoom, clip)) return {};
  return {fig->HitTest(placement, props2D, point, kOutlineReach / zoom), -1};
}

bool SObj::IsInsideRect(SPoint min, SPoint max) const {
  if (flags & (kObjGroup | kObjNoHit)) return false;
  for (const SPoint& c : GetQuad())
    if (c.x < min.x || c.y < min.y || c.x > max.x || c.y > max.y) return false;
  return true;
}

bool SObj::MaskAllows(SPoint point, double zoom, const STrim* clip) {
  return clip == nullptr || clip->MaskAllowsPoint(point, zoom);
}

SPoint SObj::GetDrawMargins(const PageTransform& transform) const {
  if (!fig) return {};
  const double f = props2D.SupersamplingFactor();
  const double z = transform.scale;
  const SPoint sampled(f * z * placement.width, f * z * placement.height);
  const SPoint plain(z * placement.width, z * placement.height);
  const auto largest = [](SPoint a, SPoint b) { return SPoint(std::max(a.x, b.x), std::max(a.y, b.y)); };
  SPoint need;
  switch (fig->GetDrawKind()) {
    case kDrawKindPicture:
      need = largest(largest(sampled, fig->GetDrawExtent(sampled, placement.angle)),
                     fig->GetDrawExtent(plain, placement.angle));
      break;
    case kDrawKindVector:
      need = largest(fig->GetDrawExtent(sampled, placement.angle), fig->GetDrawExtent(plain, placement.angle));
      break;
    case kDrawKindNone:
      return {};
    default:
      need = fig->GetDrawExtent(plain, placement.angle);
      break;
  }
  return {std::max(need.x, 0.0), std::max(need.y, 0.0)};
}

}  // namespace page
