// QView: the camera, its projection, points to the screen and the camera
// record.
#include <algorithm>
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "platform/GlContext.h"
#include "view/QImpGL.h"
#include "view/QView.h"

namespace view {
namespace {

using engine::MatrixRecord;
using engine::PointRecord;

// 1 / 0.86: the default lens gives a factor close to 1.
constexpr double kLensFactor = 1.1627906976744187;

MatrixRecord Identity() {
  MatrixRecord m;
  engine::MUtilIdentity(m);
  return m;
}

bool Failed() { return engine::EngContext().failState == engine::kEngFailFailed; }

// The nearest multiple of a quarter turn, as the view counts it.
int QuarterTurns(double angle) { return static_cast<int>(angle / kHalfPi + (angle > 0 ? 0.5 : -0.5)); }
double QuarterTurnDeviation(double angle) { return std::fabs(angle - QuarterTurns(angle) * kHalfPi); }

}  // namespace

int DefaultFieldOfView() { return static_cast<int>(2.0 * std::atan(0.86) * 180.0 / kPi); }

engine::MatrixRecord QView::GetInverseViewMatrix() {
  if (!inverseValid_) {
    engine::MUtilInvert(GetViewMatrix(), inverseViewMatrix_);
    inverseValid_ = true;
  }
  return inverseViewMatrix_;
}

void QView::SetTarget(const PointRecord& target) {
  target_ = target;
  InvalidateMatrices();
}

void QView::SetAngles(double yaw, double pitch, double roll) {
  yaw_ = yaw;
  pitch_ = pitch;
  roll_ = roll;
  InvalidateMatrices();
}

void QView::GetAngles(double& yaw, double& pitch, double& roll) const {
  yaw = yaw_;
  pitch = pitch_;
  roll = roll_;
}

void QView::ChangeZoom(double zoom) {
  // A zoom factor of 0 (a damaged view record) has no scale to undo.
  if (zoomFactor_ != 0.0) distance_ = zoom * distance_ / zoomFactor_;
  zoomFactor_ = zoom;
  InvalidateMatrices();
}

double QView::ZoomFactorOfKind(int kind) const {
  switch (kind) {
    case kProjectionWide:
      return 1.4;
    case kProjectionFieldOfView:
      return GetFieldOfViewFactor();
    case kProjectionNarrow:
      return 0.6;
    default:
      return 1.0;
  }
}

double QView::GetFieldOfViewFactor() const { return std::tan(fieldOfView_ * 0.5 * kPi / 180.0) * kLensFactor; }

void QView::SetProjectionKind(int kind, bool applyNow) {
  if (kind == projectionKind_) return;
  const double oldFactor = ZoomFactorOfKind(projectionKind_);
  const bool known = kind >= kProjectionWide && kind <= kProjectionParallel;
  const double newFactor = known ? ZoomFactorOfKind(kind) : oldFactor;
  SetDistance(distance_ * oldFactor / newFactor);
  projectionKind_ = kind;
  if (applyNow && !ApplyProjectionNow()) return;
  InvalidateMatrices();
}

bool QView::ApplyProjectionNow() {
  if (!platform::GlContext::AnyCurrent()) return true;
  int x = 0, y = 0, w = 0, h = 0;
  renderer_->GetViewport(&x, &y, &w, &h);
  SetupProjection(platform::RECT{x, y, x + w, y + h}, true, 0, 0, false);
  return !Failed();
}

bool QView::RestoreProjectionKind(bool applyNow) {
  if (savedProjectionKind_ == 0) return false;
  SetProjectionKind(savedProjectionKind_, applyNow);
  savedProjectionKind_ = 0;
  return true;
}

void QView::SetFieldOfView(int value, bool applyNow) {
  // A file keeps the value in one byte; anything else would be refused
  // when the view is saved.
  value = std::clamp(value, 1, 255);
  if (value == fieldOfView_) return;
  const double oldFactor = GetFieldOfViewFactor();
  fieldOfView_ = value;
  const double newFactor = GetFieldOfViewFactor();
  if (projectionKind_ != kProjectionFieldOfView) return;
  SetDistance(distance_ * oldFactor / newFactor);
  if (applyNow && !ApplyProjectionNow()) return;
  InvalidateMatrices();
}

void QView::SetCameraSpare(double value) {
  cameraSpare_ = value;
  InvalidateMatrices();
}

void QView::SetViewPreset(int preset) {
  SetTarget(PointRecord{0.0, 0.0, 0.0});
  int kind = kProjectionParallel;
  switch (preset) {
    case 0:
      SetAngles(0.7, -0.4, 0.0);
      kind = kProjectionFieldOfView;
      break;
    case 1:
      SetAngles(0.0, -kHalfPi, 0.0);
      break;
    case 2:
      SetAngles(0.0, 0.0, 0.0);
      break;
    case 3:
      SetAngles(kHalfPi, 0.0, 0.0);
      break;
    default:
      break;
  }
  SetProjectionKind(kind, false);
  distance_ = 7.0;
  zoomFactor_ = 0.5;
  SetCameraSpare(1.0);
  ClearSavedProjectionKind();
  ClearSavedAxisState();
  InvalidateMatrices();
}

void QView::GetCameraState(CameraState& out) const {
  GetAngles(out.yaw, out.pitch, out.roll);
  out.projectionKind = projectionKind_;
  out.fieldOfView = fieldOfView_;
  out.target = target_;
  out.distance = distance_;
  out.zoomFactor = zoomFactor_;
}

void QView::SetCameraState(const CameraState& state) {
  SetAngles(state.yaw, state.pitch, state.roll);
  SetProjectionKind(state.projectionKind, false);
  SetFieldOfView(state.fieldOfView, false);
  SetTarget(state.target);
  SetDistance(state.distance);
  SetZoomFactor(state.zoomFactor);
}

void QView::GetCamera(engine::CameraKeyValues& out) {
  GetAngles(out.yaw, out.pitch, out.roll);
  out.projection = projectionKind_;
  out.fieldOfView = fieldOfView_;
  out.target = target_;
  out.distance = distance_;
  out.zoom = zoomFactor_;
}

void QView::SetCamera(const engine::CameraKeyValues& values) {
  if (HasContext()) MakeCurrent(true);
  SetAngles(values.yaw, values.pitch, values.roll);
  SetProjectionKind(values.projection, HasContext());
  SetFieldOfView(values.fieldOfView, HasContext());
  SetTarget(values.target);
  SetDistance(values.distance);
  SetZoomFactor(values.zoom);
  // The distance came after the last invalidation.
  InvalidateMatrices();
}

void QView::InvalidateMatrices() {
  viewValid_ = inverseValid_ = worldToScreenValid_ = cameraToScreenValid_ = framePrepared_ = false;
}

const MatrixRecord& QView::GetViewMatrix() {
  if (viewValid_) return viewMatrix_;
  MatrixRecord m = Identity();
  if (faceOrderFlipped_) engine::MUtilScale(m, -1.0, 1.0, 1.0, m);
  double z = distance_;
  if (projectionKind_ == kProjectionParallel) {
    const double s = std::min(1.0 / distance_, 1.2);
    engine::MUtilScale(m, s, s, s, m);
    z = distance_ + 5.0 * depthUnit_;
  }
  engine::MUtilTranslate(m, PointRecord{0.0, 0.0, z}, m);
  engine::MUtilRotateZ(m, roll_, m);
  engine::MUtilRotateX(m, pitch_, m);
  engine::MUtilRotateY(m, faceOrderFlipped_ ? -yaw_ : yaw_, m);
  const double targetX = faceOrderFlipped_ ? target_.x : -target_.x;
  engine::MUtilTranslate(m, PointRecord{targetX, -target_.y, -target_.z}, m);
  viewMatrix_ = m;
  viewValid_ = true;
  return viewMatrix_;
}

void QView::ComputeParallelExtent(const platform::RECT& rect, double& halfWidth, double& halfHeight) const {
  const double w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (h < w) {
    halfWidth = 0.45 * w / h;
    halfHeight = 0.45;
  } else {
    halfWidth = 0.45;
    halfHeight = w > 0 ? 0.45 * h / w : 0.45;
  }
}

void QView::SetParallelExtent(double halfWidth, double halfHeight, bool fixed) {
  parallelHalfWidth_ = halfWidth;
  parallelHalfHeight_ = halfHeight;
  parallelFixed_ = fixed;
}

void QView::SetupProjection(const platform::RECT& rect, bool setProjection, int tileColumn, int tileRow,
                            bool tiled) {
  // A depth unit that is not a positive number (a damaged view record of
  // an empty scene) would leave no depth range at all.
  const double f = depthUnit_ > 0.0 ? depthUnit_ : 100.0;
  double zFar = 10.0 * f;
  double zNear = 0.001 * f * 200.0 / nearDivisor_;
  renderer_->LookAt(0, 0, 0, 0, 0, 1, 0, 1, 0);
  const double w = viewRect_.right - viewRect_.left, h = viewRect_.bottom - viewRect_.top;
  const int tw = tileRect_.right - tileRect_.left, th = tileRect_.bottom - tileRect_.top;
  if (setProjection) {
    double hw = 0.0, hh = 0.0;
    const bool parallel = projectionKind_ == kProjectionParallel;
    if (parallel) {
      if (parallelFixed_) {
        hw = parallelHalfWidth_;
        hh = parallelHalfHeight_;
      } else {
        ComputeParallelExtent(rect, hw, hh);
      }
      if (scaleDepthByDistance_) {
        const float hundredth = 0.01f;
        float s;
        if (distance_ > 169.0)
          s = static_cast<float>(169.0 / distance_ * hundredth);
        else if (distance_ < 20.0)
          s = static_cast<float>(55.0 / distance_ * hundredth);
        else
          s = static_cast<float>(60.0 / distance_ * 0.01);
        zNear *= s;
        zFar *= s;
      }
    } else {
      const double k = ZoomFactorOfKind(projectionKind_);
      const double m = scaleDepthByDistance_ && distance_ > 169.0 ? 10.0 : 1.0;
      zNear *= m;
      zFar *= m;
      const double b = k * zNear * 0.5;
      if (h < w) {
        hw = b * w / h;
        hh = b;
      } else {
        hw = b;
        hh = w > 0 ? b * h / w : b;
      }
    }
    double left = -hw, right = hw, bottom = -hh, top = hh;
    if (tiled && w > 0 && h > 0) {
      const double across = 2.0 * hw * tw / w, up = 2.0 * hh * th / h;
      left = tileColumn * across - hw;
      right = left + across;
      bottom = tileRow * up - hh;
      top = bottom + up;
    } else {
      frameHalfWidth_ = hw;
      frameNear_ = parallel ? 0.0 : zNear;
    }
    if (parallel)
      renderer_->Ortho(left, right, bottom, top, zNear, zFar);
    else
      renderer_->Frustum(left, right, bottom, top, zNear, zFar);
  }
  renderer_->SetMatrixMode(engine::kMatrixModelView);
  if (tiled)
    renderer_->SetViewport(0, 0, tw, th);
  else
    renderer_->SetViewport(0, 0, static_cast<int>(w), static_cast<int>(h));
}

void QView::SetViewportRect(const platform::RECT& rect) {
  viewRect_ = rect;
  if (samplingFactor_ != 0) {
    viewRect_.right *= samplingFactor_;
    viewRect_.bottom *= samplingFactor_;
  }
  renderer_->SetViewport(0, 0, viewRect_.right - viewRect_.left, viewRect_.bottom - viewRect_.top);
  SetBackgroundColor(background_[0], background_[1], background_[2]);
}

int QView::SetViewport(const platform::RECT& rect, bool setRect) {
  if (setRect) SetViewportRect(rect);
  SetupProjection(rect, setRect, 0, 0, false);
  InvalidateMatrices();
  return 0;
}

platform::RECT QView::GetViewportRect() const {
  return platform::RECT{0, 0, viewRect_.right - viewRect_.left, viewRect_.bottom - viewRect_.top};
}

void QView::BuildProjectionMatrix(MatrixRecord& out) {
  MatrixRecord modelview = Identity(), projection = Identity();
  renderer_->SetMatrixMode(engine::kMatrixModelView);
  renderer_->GetMatrices(&modelview.m[0][0]);
  renderer_->SetMatrixMode(engine::kMatrixProjection);
  renderer_->GetMatrices(&projection.m[0][0]);
  const double w = viewRect_.right - viewRect_.left, h = viewRect_.bottom - viewRect_.top;
  MatrixRecord viewport = Identity();
  viewport.m[0][0] = w / 2;
  viewport.m[1][1] = -h / 2;
  viewport.m[3][0] = w / 2;
  viewport.m[3][1] = h / 2;
  MatrixRecord eyeToClip;
  engine::MUtilMultiply(projection, modelview, eyeToClip);
  engine::MUtilMultiply(viewport, eyeToClip, out);
  out.flag = projectionKind_ == kProjectionParallel ? 1 : 0;
}

void QView::GetProjectionMatrix(MatrixRecord& out) {
  if (worldToScreenValid_) {
    out = worldToScreen_;
    return;
  }
  renderer_->MultMatrix(&GetViewMatrix().m[0][0]);
  BuildProjectionMatrix(out);
  worldToScreen_ = out;
  worldToScreenValid_ = true;
}

void QView::GetCameraToScreenMatrix(MatrixRecord& out) const {
  out = cameraToScreenValid_ ? cameraToScreen_ : Identity();
}

void QView::ProjectPoint(const PointRecord& p, PointRecord& out) {
  MatrixRecord m;
  GetProjectionMatrix(m);
  engine::MUtilProjectPoint(m, p, out);
}

std::uint32_t QView::ProjectPointShort(const PointRecord& p) {
  PointRecord s;
  ProjectPoint(p, s);
  const auto x = static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<int>(s.x)));
  const auto y = static_cast<std::uint16_t>(static_cast<std::int16_t>(static_cast<int>(s.y)));
  return (static_cast<std::uint32_t>(x) << 16) | y;
}

void QView::GetEyeAndTarget(PointRecord& eye, PointRecord& target) {
  const MatrixRecord inverse = GetInverseViewMatrix();
  engine::MUtilTransformPoint(inverse, PointRecord{0.0, 0.0, 0.0}, eye);
  engine::MUtilTransformPoint(inverse, PointRecord{0.0, 0.0, distance_}, target);
}

void QView::GetEyePosition(PointRecord& eye) {
  engine::MUtilTransformPoint(GetInverseViewMatrix(), PointRecord{0.0, 0.0, 0.0}, eye);
}

void QView::GetViewDirection(PointRecord& out) const {
  // The camera's turns undone in reverse: roll first, then pitch, then yaw
  // (each step added acts before the ones added earlier).
  MatrixRecord m = Identity();
  engine::MUtilRotateY(m, -yaw_, m);
  engine::MUtilRotateX(m, -pitch_, m);
  engine::MUtilRotateZ(m, -roll_, m);
  engine::MUtilTransformVector(m, PointRecord{0.0, 0.0, 1.0}, out);
}

void QView::GetViewAxis(PointRecord& out) {
  if (axisViewMarker_ == kAxisViewMarker) {
    switch (axisCode_) {
      case 1:
        out = {1.0, 0.0, 0.0};
        return;
      case 2:
        out = {0.0, -1.0, 0.0};
        return;
      case 3:
        out = {0.0, 0.0, 1.0};
        return;
      default:
        break;
    }
  }
  PointRecord eye, target;
  GetEyeAndTarget(eye, target);
  out = {target.x - eye.x, target.y - eye.y, target.z - eye.z};
  engine::OsUtilNormalize(out);
}

void QView::GetCameraMatrix(MatrixRecord& io) {
  MatrixRecord m = Identity();
  engine::MUtilTranslate(m, target_, m);
  engine::MUtilRotateY(m, -yaw_, m);
  engine::MUtilRotateX(m, -pitch_, m);
  engine::MUtilRotateZ(m, -roll_, m);
  engine::MUtilTranslate(m, PointRecord{0.0, 0.0, -distance_}, m);
  double ay = 0, ax = 0, az = 0;
  PointRecord scale, translation;
  engine::MUtilDecomposeMatrix(io, ay, ax, az, scale, translation);
  engine::MUtilScale(m, scale.x, scale.y, scale.z, m);
  io = m;
}

void QView::CopyCameraTo(QView& other) {
  other.SetDrawMode(drawMode_);
  other.distance_ = distance_;
  other.zoomFactor_ = zoomFactor_;
  other.cameraSpare_ = cameraSpare_;
  other.projectionKind_ = projectionKind_;
  other.savedProjectionKind_ = savedProjectionKind_;
  other.yaw_ = yaw_;
  other.pitch_ = pitch_;
  other.roll_ = roll_;
  other.target_ = target_;
  other.depthUnit_ = depthUnit_;
  for (int i = 0; i < 2; ++i) {
    other.lights_.firstAngles[i] = lights_.firstAngles[i];
    other.lights_.secondAngles[i] = lights_.secondAngles[i];
    other.lights_.intensities[i] = lights_.intensities[i];
  }
  other.lights_.ambient = lights_.ambient;
  other.InvalidateMatrices();
}

int QView::ReadCameraRecord(engine::QFile& file, double unit) {
  std::int32_t lead = 0;
  file.ReadInt(lead);
  if (lead != 0) return -1;
  double storedUnit = 0, distance = 0, zoom = 0, yaw = 0, pitch = 0, roll = 0;
  std::int32_t kind = 0, fieldOfView = 0;
  PointRecord target;
  file.ReadDouble(storedUnit);
  file.ReadInt(kind);
  file.ReadInt(fieldOfView);
  file.ReadPoint(target);
  file.ReadDouble(distance);
  file.ReadDouble(zoom);
  file.ReadDouble(yaw);
  file.ReadDouble(pitch);
  file.ReadDouble(roll);
  SetProjectionKind(kind, true);
  SetFieldOfView(fieldOfView, true);
  const double ratio = unit != 0.0 ? storedUnit / unit : 1.0;
  SetTarget(PointRecord{target.x * ratio, target.y * ratio, target.z * ratio});
  distance_ = distance;
  zoomFactor_ = zoom;
  SetAngles(yaw, pitch, roll);
  return 0;
}

void QView::WriteCameraRecord(engine::QFile& file, double unit) const {
  file.WriteInt(0);
  file.WriteDouble(unit);
  file.WriteInt(projectionKind_);
  file.WriteInt(fieldOfView_);
  file.WritePoint(target_);
  file.WriteDouble(distance_);
  file.WriteDouble(zoomFactor_);
  file.WriteDouble(yaw_);
  file.WriteDouble(pitch_);
  file.WriteDouble(roll_);
}

// ---- axis views ---------------------------------------------------------------

void QView::SaveAxisState() {
  savedAxisCode_ = axisCode_;
  savedAxisViewMarker_ = axisViewMarker_;
}

void QView::ClearSavedAxisState() { savedAxisCode_ = savedAxisViewMarker_ = 0; }

bool QView::RestoreAxisState() {
  if (savedAxisCode_ == 0) return false;
  axisCode_ = savedAxisCode_;
  axisViewMarker_ = savedAxisViewMarker_;
  ClearSavedAxisState();
  return true;
}

void QView::DetectAxisFromAngles() {
  axisViewMarker_ = kAxisViewMarker;
  const int pitchTurns = QuarterTurns(pitch_), yawTurns = QuarterTurns(yaw_);
  if (pitchTurns == 1 || pitchTurns == -1)
    axisCode_ = 2;
  else if (yawTurns == 1 || yawTurns == -1)
    axisCode_ = 1;
  else
    axisCode_ = 3;
}

int QView::GetAxisViewCode() const {
  constexpr double kTolerance = 0.000314159265358979;
  if (projectionKind_ != kProjectionParallel || QuarterTurnDeviation(yaw_) >= kTolerance ||
      QuarterTurnDeviation(pitch_) >= kTolerance)
    return -1;
  const int pitchTurns = QuarterTurns(pitch_), yawTurns = QuarterTurns(yaw_);
  if (pitchTurns == 1 || pitchTurns == -1) return 2;
  if (yawTurns != 1 && yawTurns != -1) return 3;
  return 1;
}

bool QView::UpdateAxisViewFlag() {
  axisViewFlag_ = GetAxisViewCode() != -1;
  return axisViewFlag_;
}

}  // namespace view
