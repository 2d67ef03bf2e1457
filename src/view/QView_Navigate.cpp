// Moving the camera in answer to the user: fitting a box into the view,
// zooming towards a rectangle or point, panning by a drag, scaling the
// whole camera. Each move marks the camera changed for the view history.
#include <algorithm>
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/scene/MDocObj.h"
#include "platform/Hooks.h"
#include "view/QView.h"

namespace view {

using engine::BoundsRecord;
using engine::MatrixRecord;
using engine::PointRecord;

namespace {

double Length(const PointRecord& p) { return std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z); }
PointRecord Minus(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// What the scene's selection direction is of.
constexpr int kSelectionLine = 1;
constexpr int kSelectionFace = 2;

}  // namespace

void QView::FitToBounds(engine::MObject* object) {
  BoundsRecord box;
  object->GetWorldBounds(box);
  FitToBox(box);
}

void QView::FitToBox(const BoundsRecord& box) {
  if (box.empty) {
    SetViewPreset(0);
    return;
  }
  SetTarget({(box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2, (box.minZ + box.maxZ) / 2});
  BoundsRecord seen;
  engine::MUtilTransformBox(box, GetViewMatrix(), seen);
  const double bw = seen.maxX - seen.minX, bh = seen.maxY - seen.minY;
  const platform::RECT vp = GetViewportRect();
  const double w = std::max(1, static_cast<int>(vp.right - vp.left));
  const double h = std::max(1, static_cast<int>(vp.bottom - vp.top));
  double e = bh / w > bw / h ? bh : bw;
  if (projectionKind_ == kProjectionParallel)
    e /= std::min(distance_ != 0.0 ? 1.0 / distance_ : 1.2, 1.2);
  else
    e /= ZoomFactorOfKind(projectionKind_);
  SetDistance(e * 1.2);
  SetZoomFactor(0.5);
  InvalidateMatrices();
  historyChanged_ = true;
}

void QView::ZoomToRect(engine::MDocObj* scene, const PointRecord& a, const PointRecord* b, bool zoomOut) {
  const platform::RECT vp = GetViewportRect();
  const double w = std::max(1, static_cast<int>(vp.right - vp.left));
  const double h = std::max(1, static_cast<int>(vp.bottom - vp.top));
  double q = 0.5;
  PointRecord hit{};
  engine::MObject* picked = nullptr;
  // A rectangle with no extent (a click that barely moved) zooms as a point
  // would: it has no size to zoom to.
  const double rectQ = b != nullptr ? std::max(std::fabs(a.y - b->y) / h, std::fabs(a.x - b->x) / w) : 0.0;
  if (b != nullptr && rectQ > 0.0) {
    q = rectQ;
    const PointRecord shrink{(a.x - b->x) / 4, (a.y - b->y) / 4, 0.0};
    const PointRecord a2{a.x - shrink.x, a.y - shrink.y, 0.0}, b2{b->x + shrink.x, b->y + shrink.y, 0.0};
    picked = PickInRect(scene, a2, b2, hit);
  } else {
    const PointRecord& p = b != nullptr ? PointRecord{(a.x + b->x) / 2, (a.y + b->y) / 2, 0.0} : a;
    picked = PickObject(scene, PackScreenPoint(static_cast<int>(p.x), static_cast<int>(p.y)), hit);
  }
  if (engine::EngContext().failState != engine::kEngFailNone) return;
  if (picked != nullptr) {
    if (faceOrderFlipped_) hit.x = -hit.x;
    PointRecord eye;
    GetEyePosition(eye);
    const PointRecord d = Minus(target_, eye);
    double f = Dot(Minus(hit, eye), d) / Dot(d, d) * distance_;
    // Zooming in brings the picture closer (a shorter distance), so the
    // part under the mouse grows; zooming out does the opposite.
    f = zoomOut ? f / q : f * q;
    double g = 0.0;
    if (zoomOut) g = 0.5 * f * (projectionKind_ == kProjectionParallel ? 0.5 : ZoomFactorOfKind(projectionKind_));
    const double len = Length(d);
    const PointRecord u = len > 0 ? PointRecord{d.x / len, d.y / len, d.z / len} : PointRecord{0, 0, 1};
    SetDistance(f + 0.5 * g);
    SetTarget({hit.x + g * u.x, hit.y + g * u.y, hit.z + g * u.z});
  } else {
    SetDistance(zoomOut ? distance_ / q : distance_ * q);
  }
  SetZoomFactor(0.5);
  InvalidateMatrices();
  historyChanged_ = true;
}

void QView::Pan(std::uint32_t from, std::uint32_t to, PointRecord* outTarget) {
  PointRecord na, fa, nb, fb;
  PointToRay(from, na, fa);
  PointToRay(to, nb, fb);
  if (from == to) {
    if (outTarget != nullptr) *outTarget = target_;
    return;
  }
  PointRecord v = Minus(fa, fb);
  double m = 1.0;
  if (projectionKind_ != kProjectionParallel) {
    const double far = Length(Minus(nb, fb));
    const double len = Length(v);
    m = far > 0 ? distance_ * len / far : 0.0;
    if (len > 0) v = {v.x / len, v.y / len, v.z / len};
    m *= projectionKind_ == kProjectionFieldOfView ? std::max(1.0, GetFieldOfViewFactor())
                                                   : ZoomFactorOfKind(projectionKind_);
  }
  v = {v.x * m, v.y * m, v.z * m};
  if (faceOrderFlipped_) v.x = -v.x;
  const PointRecord moved{target_.x + v.x, target_.y + v.y, target_.z + v.z};
  if (outTarget != nullptr)
    *outTarget = moved;
  else
    SetTarget(moved);
  InvalidateMatrices();
  historyChanged_ = true;
}

void QView::ScaleCamera(double s) {
  if (s < 1e-8) return;
  SetTarget({target_.x * s, target_.y * s, target_.z * s});
  SetDistance(distance_ * s);
}

bool QView::AlignToPlane(int mode, engine::MDocObj* scene) {
  int kind = -1;
  PointRecord s{0, 0, 0};
  scene->GetSelectionDirection(kind, s);
  if (engine::EngContext().failState != engine::kEngFailNone || kind < 0) return false;
  PushHistory();
  // The camera's axis that is to line up with the selection: its viewing
  // axis for a face (mode 0) or a line (mode 1), else its sideways axis.
  const bool viewingAxis = (mode == 0 && kind == kSelectionFace) || (mode == 1 && kind == kSelectionLine);
  const PointRecord axis = viewingAxis ? PointRecord{0, 0, -1} : PointRecord{1, 0, 0};
  const MatrixRecord inverseView = GetInverseViewMatrix();
  PointRecord u;
  engine::MUtilTransformVector(inverseView, axis, u);
  const double ul = Length(u);
  if (ul > 0) u = {u.x / ul, u.y / ul, u.z / ul};
  if (Dot(s, u) < 0) s = {-s.x, -s.y, -s.z};
  // The shortest turn of that axis onto the selection's direction.
  const PointRecord r{u.y * s.z - u.z * s.y, u.z * s.x - u.x * s.z, u.x * s.y - u.y * s.x};
  const double l = Length(r);
  MatrixRecord turn;
  engine::MUtilIdentity(turn);
  if (l > 1e-8) engine::MUtilRotateAxis(turn, std::fabs(std::asin(std::min(l, 1.0))), {r.x / l, r.y / l, r.z / l}, turn);
  MatrixRecord turned, camera;
  engine::MUtilMultiply(turn, inverseView, turned);
  engine::MUtilInvert(turned, camera);
  double yaw = 0, pitch = 0, roll = 0;
  PointRecord scale, translation;
  engine::MUtilDecomposeMatrix(camera, yaw, pitch, roll, scale, translation);
  if (std::isnan(yaw) || std::isnan(pitch) || std::isnan(roll)) {
    platform::Beep();
    return true;
  }
  SetAngles(yaw, pitch, roll);
  historyChanged_ = true;
  return true;
}

int ZoomValueOfFactor(double zoom) {
  // Rounded, not truncated, so that a value set comes back unchanged.
  return static_cast<int>(std::lround(zoom > 0.5 ? 50.0 * (zoom + 0.5) : 100.0 * zoom));
}

double ZoomFactorOfValue(int value) {
  const double x = value / 100.0;
  return x > 0.5 ? 2.0 * x - 0.5 : x;
}

}  // namespace view
