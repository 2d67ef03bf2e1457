// The drag tracker base: mouse points to 3D displacements under a
// constraint, limited by the mouse's own movement.
#include "view/QTrack.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "view/QView.h"

namespace view {

using engine::PointRecord;

namespace {

bool Failed() { return engine::EngContext().failState != engine::kEngFailNone; }

// The ray's crossing with the plane through `on` with normal `n`; `ahead`
// is false when the crossing lies behind the ray's start.
bool CrossPlane(const PointRecord& o, const PointRecord& d, const PointRecord& n, const PointRecord& on,
                PointRecord& out, bool& ahead) {
  const PointRecord dir{d.x - o.x, d.y - o.y, d.z - o.z};
  const double len = std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z);
  const double denom = dir.x * n.x + dir.y * n.y + dir.z * n.z;
  if (len == 0.0 || std::fabs(denom / len) < 0.001) return false;  // nearly parallel
  const double s = ((on.x - o.x) * n.x + (on.y - o.y) * n.y + (on.z - o.z) * n.z) / denom;
  ahead = s >= 0.0;
  out = {o.x + s * dir.x, o.y + s * dir.y, o.z + s * dir.z};
  return true;
}

// The point of the line through `on` along `axis` closest to the ray.
bool ClosestOnLine(const PointRecord& o, const PointRecord& d, const PointRecord& axis, const PointRecord& on,
                   PointRecord& out) {
  const PointRecord r{d.x - o.x, d.y - o.y, d.z - o.z};
  const PointRecord w{on.x - o.x, on.y - o.y, on.z - o.z};
  const double a = axis.x * axis.x + axis.y * axis.y + axis.z * axis.z;
  const double b = axis.x * r.x + axis.y * r.y + axis.z * r.z;
  const double c = r.x * r.x + r.y * r.y + r.z * r.z;
  const double dd = axis.x * w.x + axis.y * w.y + axis.z * w.z;
  const double e = r.x * w.x + r.y * w.y + r.z * w.z;
  const double denom = a * c - b * b;
  if (denom <= 1e-12 * a * c) return false;  // the ray runs along the axis
  const double s = (b * e - c * dd) / denom;
  out = {on.x + s * axis.x, on.y + s * axis.y, on.z + s * axis.z};
  return true;
}

}  // namespace

bool QTrack::ComputeDragDelta(int type, std::uint32_t point, PointRecord& delta) {
  const std::uint32_t s0 = view_->ProjectPointShort(startPoint_);
  if (Failed()) return false;
  int sx = 0, sy = 0, px = 0, py = 0, bx = 0, by = 0;
  UnpackScreenPoint(s0, sx, sy);
  UnpackScreenPoint(point, px, py);
  UnpackScreenPoint(startScreen_, bx, by);
  PointRecord o, d;
  view_->PointToRay(PackScreenPoint(sx + px - bx, sy + py - by), o, d);
  if (Failed()) return false;
  PointRecord hit;
  bool ok = false, ahead = true;
  switch (type) {
    case kDragPlaneX:
    case kDragPlaneY:
    case kDragPlaneZ: {
      const PointRecord n{type == 1 ? 1.0 : 0.0, type == 2 ? 1.0 : 0.0, type == 3 ? 1.0 : 0.0};
      ok = CrossPlane(o, d, n, startPoint_, hit, ahead) && ahead;
      break;
    }
    case kDragLineZ:
    case kDragLineX:
    case kDragLineY: {
      const PointRecord axis{type == 5 ? 1.0 : 0.0, type == 6 ? 1.0 : 0.0, type == 4 ? 1.0 : 0.0};
      ok = ClosestOnLine(o, d, axis, startPoint_, hit);
      break;
    }
    case kDragFacingViewer: {
      PointRecord n;
      view_->GetViewDirection(n);
      ok = CrossPlane(o, d, n, startPoint_, hit, ahead);
      break;
    }
    default:
      ENG_FATAL_IF(true);  // not a drag type
  }
  if (!ok) {
    // A soft failure: no point under this mouse position; nothing moves.
    engine::EngGlobalContext& context = engine::EngContext();
    if (context.failState == engine::kEngFailNone) {
      context.failState = engine::kEngFailDeclined;
      context.failReason = engine::kEngReasonDeclined;
    }
    engine::EngReleaseReserveIfOutOfMemory();
    return false;
  }
  delta = {hit.x - startPoint_.x, hit.y - startPoint_.y, hit.z - startPoint_.z};
  const double pixels = std::hypot(static_cast<double>(px - bx), static_cast<double>(py - by));
  const double limit = 6.0 * pixels * pixelScale_;
  const double length = std::sqrt(delta.x * delta.x + delta.y * delta.y + delta.z * delta.z);
  if (length > limit) {
    const double k = length > 0 ? limit / length : 0.0;
    delta = {delta.x * k, delta.y * k, delta.z * k};
  }
  return true;
}

void QTrack::DragWithAxisLock(std::uint32_t point, int, PointRecord& delta) {
  PointRecord computed{0, 0, 0};
  const int marker = view_->GetAxisViewMarker();
  if (marker == kAxisViewMarker)
    ComputeDragDelta(view_->GetAxisCode(), point, computed);
  else if (marker == kAxisViewMarkerFacing)
    ComputeDragDelta(kDragFacingViewer, point, computed);
  if (!Failed()) delta = computed;
}

bool QTrack::Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) {
  startScreen_ = currentScreen_ = point;
  keys_ = keys;
  view_ = view;
  scene_ = scene;
  return false;
}

bool QTrack::Move(std::uint32_t point, int keys) {
  currentScreen_ = point;
  keys_ = keys;
  return false;
}

bool QTrack::End(std::uint32_t, int) { return changed_; }

bool QTrack::ClampToMirrorPlane(PointRecord& point, bool clamp) {
  if (!clamp || point.x <= 0.0) return false;
  point.x = 0.0;
  return true;
}

bool QTrack::ApplyDeltaFromStart(PointRecord& delta, PointRecord& point, bool clamp) {
  point = {startPoint_.x + delta.x, startPoint_.y + delta.y, startPoint_.z + delta.z};
  const double before = point.x;
  const bool clamped = ClampToMirrorPlane(point, clamp);
  delta.x += point.x - before;
  return clamped;
}

std::uint32_t QTrack::LockScreenAxis(std::uint32_t point) const {
  int px = 0, py = 0, sx = 0, sy = 0;
  UnpackScreenPoint(point, px, py);
  UnpackScreenPoint(startScreen_, sx, sy);
  const int adx = std::abs(px - sx), ady = std::abs(py - sy);
  if (ady >= adx)
    px = sx < px ? sx + ady : sx - ady;
  else
    py = sy < py ? sy + adx : sy - adx;
  return PackScreenPoint(px, py);
}

bool QTrack::TakeSavedState(std::int16_t shorts[6], double doubles[6]) {
  std::copy(savedShorts_, savedShorts_ + 6, shorts);
  std::copy(savedDoubles_, savedDoubles_ + 6, doubles);
  const bool was = saved_;
  saved_ = false;
  return was;
}

void QTrack::SetSavedState(const std::int16_t shorts[6], const double doubles[6]) {
  std::copy(shorts, shorts + 6, savedShorts_);
  std::copy(doubles, doubles + 6, savedDoubles_);
  saved_ = true;
}

void QTrack::AddOverlayLine(const PointRecord& a, const PointRecord& b) {
  view_->AddOverlayLine(a, b, kOverlayScreenBand);
}

void QTrack::AddOverlayBox(const PointRecord& a, const PointRecord& b) {
  const PointRecord corners[4][2] = {
      {a, {b.x, a.y, a.z}}, {b, {b.x, a.y, a.z}}, {b, {a.x, b.y, b.z}}, {a, {a.x, b.y, b.z}}};
  for (const auto& c : corners)
    if (view_->AddOverlayLine(c[0], c[1], kOverlayScreenBand) != 0) return;
}

}  // namespace view
