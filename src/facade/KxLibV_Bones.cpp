// KxLibV: figures, bones and joints under page points, the bone drags of the
// pose tools, and the scene's feature lines projected for the page.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/scene/MDocObj.h"
#include "facade/FacadeResult.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "view/QTrackBone.h"
#include "view/QView.h"

namespace facade {

namespace {

// The rotation tool's answers for the codes of a handle pick.
int RotationHitOfCode(int code) {
  switch (code) {
    case 0:
      return kBoneHitBone;
    case 4:
      return kBoneHitMidpoint;
    case 21:
      return kBoneHitRingFirst;
    case 22:
      return kBoneHitRingSecond;
    default:
      return kBoneHitOther;
  }
}

// The page's outline kind of an engine line code, or -1 for a line the
// page does not show.
int OutlineKindOfCode(int code) {
  if (code >= 17 && code <= 21) return code - 17;
  if (code == 13) return 5;
  if (code == 2) return 6;
  if (code >= 34 && code <= 41) return code - 27;
  if (code == 43) return 15;
  return -1;
}

}  // namespace

std::uint32_t KxLibV::ToViewPoint(int x, int y) const {
  return view::PackScreenPoint(static_cast<int>(x / pixelScaleX_), static_cast<int>(y / pixelScaleY_));
}

// Picks from the page see only figures, with the tolerance of the page's
// supersampling.
void KxLibV::SetPageHitScale(double scale) const {
  engine::EngContext().pageHitScale = scale;
  engine::EngContext().pageHitActive = 1;
}

void KxLibV::ClearPageHitScale() const {
  engine::EngContext().pageHitScale = 1.0;
  engine::EngContext().pageHitActive = 0;
}

// ---- picking ------------------------------------------------------------------------

int KxLibV::PickFigure(int x, int y) {
  engine::MDocObj* scene = Scene();
  if (scene == nullptr || !MakeViewReadyForPoints()) return -1;
  engine::PointRecord hit;
  engine::MObject* object = view_->PickObject(scene, ToViewPoint(x, y), hit);
  view_->MakeCurrent(false);
  if (TakeEngineFailure() || object == nullptr) return -1;
  const int index = scene->GetTopObjectIndex(object);
  return owner_.IsFigureIndex(index) ? index : -1;
}

bool KxLibV::PickFace(int x, int y, int& meshIndex, int& faceId) {
  meshIndex = faceId = -1;
  engine::MDocObj* scene = Scene();
  if (scene == nullptr || !MakeViewReadyForPoints()) return false;
  // The view's material-face pick: inside a figure's group it looks past
  // the skeleton to the skin meshes.
  std::uint32_t colour = 0;
  const bool hit = view_->PickFace(scene, ToViewPoint(x, y), meshIndex, faceId, colour);
  view_->MakeCurrent(false);
  if (TakeEngineFailure() || !hit) {
    meshIndex = faceId = -1;
    return false;
  }
  return meshIndex >= 0 && faceId >= 0;
}

// What the inverse-kinematics tools grab: a bone or a joint of a figure.
int KxLibV::InverseKinematicsHit(engine::MDocObj& scene, std::uint32_t point, engine::MObject*& object) {
  engine::PointRecord hit;
  view::PickedElements e;
  int code = 2;
  object = view_->PickElement(&scene, point, code, nullptr, hit, nullptr, &e);
  if (object == nullptr || !object->IsBoneObject() || EngineFailed()) return kBoneHitNone;
  return e.vertex != nullptr ? kBoneHitJoint : e.line != nullptr ? kBoneHitLine : kBoneHitNone;
}

// What the rotation tool grabs: anything of a figure whose skin follows its
// bones but the root joint of a piece of its skeleton.
bool KxLibV::RotationHit(engine::MDocObj& scene, std::uint32_t point, engine::MObject*& object) {
  engine::PointRecord hit;
  int code = 0;
  bool rootJoint = false;
  object = view_->PickElement(&scene, point, code, nullptr, hit, &rootJoint);
  if (object == nullptr || !object->IsBoneObject() || EngineFailed()) return false;
  return static_cast<engine::MBoneObj*>(object)->IsSkinBound() && !rootJoint;
}

int KxLibV::HitTestBone(int x, int y, bool inverseKinematics, double pickScale) {
  engine::MDocObj* scene = Scene();
  if (scene == nullptr || !MakeViewReadyForPoints()) return kBoneHitNone;
  const std::uint32_t point = ToViewPoint(x, y);
  SetPageHitScale(pickScale);
  int answer = kBoneHitNone;
  engine::MObject* object = nullptr;
  if (inverseKinematics) {
    answer = InverseKinematicsHit(*scene, point, object);
  } else if (RotationHit(*scene, point, object)) {
    engine::PointRecord hit;
    int code = 3;
    view_->PickElement(scene, point, code, nullptr, hit, nullptr);
    answer = RotationHitOfCode(code);
  }
  ClearPageHitScale();
  view_->MakeCurrent(false);
  if (TakeEngineFailure()) return kBoneHitNone;
  return answer;
}

// ---- bone drags ------------------------------------------------------------------------

int KxLibV::BeginBoneDrag(int x, int y, bool inverseKinematics, double pickScale) {
  DropTracker();
  engine::MDocObj* scene = Scene();
  if (scene == nullptr || !MakeViewReadyForPoints()) return -1;
  savedAxisMarker_ = view_->GetAxisViewMarker();
  view_->SetAxisViewMarker(view::kAxisViewMarkerFacing);
  const std::uint32_t point = ToViewPoint(x, y);
  SetPageHitScale(pickScale);

  engine::MObject* object = nullptr;
  std::unique_ptr<view::QTrack> track;
  if (inverseKinematics) {
    const int hit = InverseKinematicsHit(*scene, point, object);
    if (hit == kBoneHitLine) track = std::make_unique<view::QTrackBoneInvLine>();
    if (hit == kBoneHitJoint) track = std::make_unique<view::QTrackBoneInvVert>();
  } else if (RotationHit(*scene, point, object)) {
    track = std::make_unique<view::QTrackRotateBone>();
    view_->SetOverlayMode(3);
  }
  int answer = -1;
  if (track) {
    track->Begin(point, 0, view_.get(), scene);
    const int index = scene->GetTopObjectIndex(object);
    if (!EngineFailed() && owner_.IsFigureIndex(index)) {
      tracker_ = std::move(track);
      dragFigure_ = index;
      lastDragPoint_ = point;
      answer = index;
    }
  }
  ClearPageHitScale();
  view_->MakeCurrent(false);
  if (TakeEngineFailure()) {
    DropTracker();
    return -1;
  }
  return answer;
}

int KxLibV::DragBone(int x, int y) {
  if (!tracker_ || !MakeViewCurrent()) return kFacadeOk;
  dragMoved_ = true;
  lastDragPoint_ = ToViewPoint(x, y);
  tracker_->Move(lastDragPoint_, 0);
  view_->MakeCurrent(false);
  TakeEngineFailure();
  // The pose changed: the page shows it at once.
  SetImageValid(false, true);
  return kFacadeOk;
}

int KxLibV::EndBoneDrag(int x, int y) { return EndDragAt(ToViewPoint(x, y)); }

int KxLibV::EndDragAt(std::uint32_t point) {
  if (!tracker_) return kFacadeOk;
  if (MakeViewCurrent()) {
    tracker_->End(point, 0);
    view_->MakeCurrent(false);
  }
  tracker_.reset();
  TakeEngineFailure();
  if (dragFigure_ >= 0 && dragMoved_) {
    if (const int recorded = owner_.RecordPoseKeys(); recorded < 0) return recorded;
  }
  view_->SetOverlayMode(0);
  view_->SetAxisViewMarker(savedAxisMarker_);
  // The pose moved: the scene's projection for picks is out of date.
  if (engine::MDocObj* scene = Scene()) scene->SetLinkedRecord(nullptr);
  SetImageValid(false, true);
  return kFacadeOk;
}

int KxLibV::FinishTracker() { return EndDragAt(lastDragPoint_); }

// ---- outline lines ----------------------------------------------------------------------

int KxLibV::GetOutlineLines(std::vector<platform::POINT>& points, std::vector<int>& kinds) {
  engine::MDocObj* scene = Scene();
  if (scene == nullptr || !MakeViewReadyForPoints()) return kFacadeOk;
  engine::LineSegArray segments;
  engine::MatrixRecord identity;
  engine::MUtilIdentity(identity);
  view_->SetCollectingOutlines(true);  // figures give their bone lines only while it is set
  scene->CollectOverlaySegments(segments, identity, view_.get());
  view_->SetCollectingOutlines(false);
  engine::MatrixRecord projection;
  view_->GetProjectionMatrix(projection);
  view_->MakeCurrent(false);
  if (TakeEngineFailure()) return kFacadeOk;
  for (int i = 0; i < segments.count; ++i) {
    const engine::LineSegRecord& s = segments[i];
    const int kind = OutlineKindOfCode(s.kind);
    if (kind < 0) continue;
    engine::PointRecord a, b;
    engine::MUtilProjectPoint(projection, s.from, a);
    engine::MUtilProjectPoint(projection, s.to, b);
    if (a.z <= 0.0 || b.z <= 0.0) continue;
    kinds.push_back(kind);
    points.push_back({static_cast<int>(a.x * pixelScaleX_), static_cast<int>(a.y * pixelScaleY_)});
    points.push_back({static_cast<int>(b.x * pixelScaleX_), static_cast<int>(b.y * pixelScaleY_)});
  }
  return kFacadeOk;
}

}  // namespace facade
