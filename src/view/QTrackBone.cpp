// The bone rotation tracker: picks a bone of a skin-bound figure, then turns
// it and every bone below it about an axis while the mouse moves.
#include "view/QTrackBone.h"

#include <cmath>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"
#include "engine/scene/MDocObj.h"
#include "view/QView.h"

namespace view {

using engine::MatrixRecord;
using engine::PointRecord;

namespace {

constexpr double kTwoPi = 2.0 * 3.14159265358979;

bool Failed() { return engine::EngContext().failState != engine::kEngFailNone; }

PointRecord Unit(const PointRecord& v) {
  const double len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return len > 0 ? PointRecord{v.x / len, v.y / len, v.z / len} : PointRecord{0, 0, 1};
}

// The first line around the vertex that starts at it, else its first line.
engine::MLine* LineStartingAt(engine::MVertex* v) {
  engine::MLine* first = v->firstLine;
  engine::MLine* line = first;
  for (int guard = 0; line != nullptr && guard < engine::MVertex::kRingLimit; ++guard) {
    if (line->end0 == v) return line;
    line = line->GetNextAround(v);
    if (line == first) break;
  }
  return first;
}

}  // namespace

bool QTrackRotateBone::Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) {
  QTrack::Begin(point, keys, view, scene);
  direction_ = {1, 0, 0};
  mode_ = 0;
  moved_ = false;
  PointRecord hit, local;
  PickedElements e;
  engine::MObject* object = view->PickWithHit(scene, point, hit, local, e, nullptr);
  if (Failed()) return false;
  // While animations hold the scene, a pose drag is refused when it would
  // reach beyond figures.
  if (object != nullptr && scene->IsAnimationActive(2) && scene->SelectionHasNonFigure(object)) object = nullptr;
  if (object == nullptr || !object->IsBoneObject()) return false;
  auto* figure = static_cast<engine::MBoneObj*>(object);
  if (!figure->IsSkinBound()) return false;
  scene->ClearOtherSelections(nullptr);
  vertex_ = e.vertex;
  line_ = e.line != nullptr ? e.line : (e.vertex != nullptr ? LineStartingAt(e.vertex) : nullptr);
  if (line_ == nullptr) return false;
  figure_ = figure;

  // How to turn: a rotation ring of the selected bone gives its own axis
  // and drag direction; a press near the bone's middle turns it about its
  // own length; elsewhere it turns about the viewing axis.
  int code = 3;
  view->PickElement(scene, point, code, nullptr, hit, nullptr);
  if (Failed()) return false;
  if (code > 20) {
    mode_ = code - 20;
    direction_ = figure_->handleHitDirection;
  } else {
    mode_ = code == 4 ? 1 : 4;
  }

  const engine::CrPrefs* prefs = engine::EngContext().prefs;
  const bool siblings = prefs == nullptr || prefs->trackFlag != 0;
  PointRecord scratch;
  figure_->SelectChainFrom(vertex_ != nullptr, line_, &scratch, siblings);
  pivot_ = line_->end0;
  pivotPosition_ = pivot_->position;
  figure_->CollectBonesBelow(vertex_ != nullptr, line_, bones_, siblings);
  if (Failed()) return false;
  figure_->SaveVertexPositions(savedPositions_);
  if (Failed()) return false;
  if (mode_ >= 1 && mode_ <= 3) {
    MatrixRecord world, inverse;
    scene->GetObjectWorldMatrix(figure_, &world, &inverse);
    PointRecord axis;
    figure_->GetBoneAxis(axis, line_, mode_);
    engine::MUtilTransformVector(world, axis, axis);
    boneAxis_ = Unit(axis);
  }
  for (int i = 0; i < bones_.count; ++i) {
    engine::BoneRecord* bone = figure_->FindBoneByLine(static_cast<engine::MLine*>(bones_[i]));
    savedPosed_.push_back(bone->posedMatrix);
    savedTwist_.push_back(bone->twist);
  }
  // The whole gesture is one undo step: the step is opened and the figure
  // saved before anything moves.
  scene->EndEdit(0);
  figure_->SaveAllForUndo();
  if (Failed()) return false;
  view->ClearOverlayLines();
  return false;
}

bool QTrackRotateBone::Move(std::uint32_t point, int keys) {
  if (figure_ == nullptr || point == currentScreen_) return false;
  moved_ = true;
  int x = 0, y = 0, sx = 0, sy = 0;
  UnpackScreenPoint(point, x, y);
  UnpackScreenPoint(startScreen_, sx, sy);
  const platform::RECT vp = view_->GetViewportRect();
  const double w = vp.right - vp.left > 0 ? vp.right - vp.left : 1;
  // Back at the start point the angle is 0: the pose at Begin returns.
  const double angle = ((x - sx) * direction_.x + (y - sy) * direction_.y) * kTwoPi / w;
  SetupAxis(angle);
  currentScreen_ = point;
  keys_ = keys;
  return !Failed();
}

void QTrackRotateBone::SetupAxis(double angle) {
  PointRecord axis;
  if (mode_ >= 1 && mode_ <= 3) {
    axis = boneAxis_;
  } else if (view_->GetAxisViewMarker() == kAxisViewMarker) {
    const int code = view_->GetAxisCode();
    axis = {code == 1 ? 1.0 : 0.0, code == 2 ? 1.0 : 0.0, code == 3 ? 1.0 : 0.0};
  } else {
    PointRecord eye, target;
    view_->GetEyeAndTarget(eye, target);
    axis = Unit({target.x - eye.x, target.y - eye.y, target.z - eye.z});
  }
  figure_->RestoreVertexPositions(savedPositions_);
  for (int i = 0; i < bones_.count; ++i) {
    engine::BoneRecord* bone = figure_->FindBoneByLine(static_cast<engine::MLine*>(bones_[i]));
    bone->posedMatrix = savedPosed_[i];
    bone->twist = mode_ == 1 ? savedTwist_[i] - angle : savedTwist_[i];
  }
  MatrixRecord world, inverse;
  scene_->GetObjectWorldMatrix(figure_, &world, &inverse);
  engine::MUtilTransformVector(inverse, axis, axis);
  axis = Unit(axis);
  if (std::fabs(angle) < 1e-8) {
    // No turn: the figure as it was at Begin, its matrices and pose
    // additions with it.
    figure_->UpdateBoneMatrices(1);
    figure_->EnableAddPose(nullptr);
    figure_->ApplyAddPose(scene_, true);
    figure_->DisableAddPose();
    return;
  }
  MatrixRecord identity, rotation;
  engine::MUtilIdentity(identity);
  engine::MUtilRotateAxis(identity, -angle, axis, rotation);
  figure_->RotateBonesAbout(pivotPosition_, rotation, bones_);
  figure_->UpdateBoneMatrices(1);
  figure_->RotateAddPoseTargets(pivot_, rotation, bones_);
  figure_->UpdateBoneMatrices(1);
  figure_->EnableAddPose(nullptr);
  figure_->ApplyAddPose(scene_, true);
  figure_->DisableAddPose();
  figure_->ClearSelection();
  line_->flags |= engine::kLineSelected;
  figure_->UpdateSelectionCache();
}

bool QTrackRotateBone::End(std::uint32_t, int) {
  if (figure_ == nullptr) return false;
  view_->ClearOverlayLines();
  if (moved_) {
    figure_->UpdateBoneMatrices(1);
    figure_->DeformBoundObjects(scene_);
    return !Failed();
  }
  // A click selects the clicked joint or bone.
  figure_->ClearSelection();
  engine::PtrArray one;
  if (!one.Add(vertex_ != nullptr ? static_cast<void*>(vertex_) : static_cast<void*>(line_))) {
    engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
    return false;
  }
  if (vertex_ != nullptr)
    figure_->SelectLists(nullptr, nullptr, &one);
  else
    figure_->SelectLists(nullptr, &one, nullptr);
  return true;
}

}  // namespace view
