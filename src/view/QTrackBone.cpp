// The bone rotation tracker: picks a bone of a skin-bound figure, then turns
// it and every bone below it about an axis while the mouse moves.
#include "view/QTrackBone.h"

#include <cmath>

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
  do {
    if (line == nullptr) return nullptr;
    if (line->end0 == v) return line;
    line = line->GetNextAround(v);
  } while (line != first);
  return first;
}

}  // namespace

bool QTrackRotateBone::Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) {
  QTrack::Begin(point, keys, view, scene);
  direction_ = {1, 0, 0};
  mode_ = 0;
  moved_ = false;
  PointRecord hit;
  PickedElements e;
  engine::MObject* object = view->PickNearest(scene, point, hit, &e);
  if (Failed() || object == nullptr || !object->IsBoneObject()) return false;
  auto* figure = static_cast<engine::MBoneObj*>(object);
  if (!figure->IsSkinBound()) return false;
  scene->ClearOtherSelections(nullptr);
  vertex_ = e.vertex;
  line_ = e.line != nullptr ? e.line : (e.vertex != nullptr ? LineStartingAt(e.vertex) : nullptr);
  if (line_ == nullptr) return false;
  figure_ = figure;

  // How to turn: a rotation ring of the selected bone gives its own axis
  // and drag direction; a pick near the bone's middle turns it about its
  // own length; elsewhere it turns about the viewing axis.
  MatrixRecord world, inverse;
  scene->GetObjectWorldMatrix(figure_, &world, &inverse);
  if (figure_->handleHitKind > 0 && figure_->handleHitKind <= 3) {
    mode_ = figure_->handleHitKind;
    direction_ = figure_->handleHitDirection;
  } else {
    PointRecord mid{(line_->end0->position.x + line_->end1->position.x) / 2,
                    (line_->end0->position.y + line_->end1->position.y) / 2,
                    (line_->end0->position.z + line_->end1->position.z) / 2};
    engine::MUtilTransformPoint(world, mid, mid);
    PointRecord s;
    view->ProjectPoint(mid, s);
    int x = 0, y = 0;
    UnpackScreenPoint(point, x, y);
    mode_ = (std::fabs(x - s.x) < 4 && std::fabs(y - s.y) < 4) ? 1 : 4;
  }

  PointRecord scratch;
  figure_->SelectChainFrom(false, line_, &scratch, true);
  pivot_ = line_->end0;
  pivotPosition_ = pivot_->position;
  figure_->CollectBonesBelow(false, line_, bones_, true);
  if (Failed()) return false;
  figure_->SaveVertexPositions(savedPositions_);
  if (Failed()) return false;
  if (mode_ >= 1 && mode_ <= 3) {
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
  // The whole gesture is one undo step: the step is opened and every joint
  // saved before anything moves.
  scene->EndEdit(0);
  figure_->SaveEditState();
  for (engine::MVertex* joint : figure_->GetVertexList()) {
    joint->SaveUndo();
    if (Failed()) return false;
  }
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

namespace view {

bool QTrackBoneInvLine::Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) {
  QTrack::Begin(point, keys, view, scene);
  applied_ = {0, 0, 0};
  moved_ = false;
  PointRecord hit;
  PickedElements e;
  picked_ = view->PickNearest(scene, point, hit, &e);
  if (Failed() || picked_ == nullptr) return false;
  line_ = e.line;
  if (line_ == nullptr || !picked_->IsBoneObject()) return false;
  figure_ = static_cast<engine::MBoneObj*>(picked_);
  // The figure's undo step opens before anything changes.
  scene->EndEdit(0);
  figure_->SaveEditState();

  end_ = line_->end0;
  joint_ = figure_->GetParentJoint(end_);
  engine::MVertex* root =
      joint_ != nullptr && joint_->CountLines() == 2 ? figure_->GetParentJoint(joint_) : nullptr;
  MatrixRecord world, inverse;
  scene->GetObjectWorldMatrix(figure_, &world, &inverse);
  PointRecord pe, pj, pr;
  engine::MUtilTransformPoint(world, end_->position, pe);
  if (joint_ != nullptr) engine::MUtilTransformPoint(world, joint_->position, pj);
  if (root != nullptr) engine::MUtilTransformPoint(world, root->position, pr);
  chain_ = engine::MakeTwoBoneChain(pe, joint_ != nullptr ? &pj : nullptr, root != nullptr ? &pr : nullptr);
  startPoint_ = pe;
  pixelScale_ = view->WorldPerPixelAt(point, pe);
  if (Failed()) return false;
  view->ClearOverlayLines();
  return false;
}

bool QTrackBoneInvLine::Move(std::uint32_t point, int keys) {
  if (point == currentScreen_ || figure_ == nullptr) return false;
  moved_ = true;
  figure_->ClearSelection();
  // The dragged joint carries every bone below it.
  engine::MLine* first = end_->firstLine;
  engine::MLine* l = first;
  PointRecord scratch;
  do {
    if (l == nullptr) break;
    if (l->end0 == end_) figure_->SelectChainFrom(false, l, &scratch, false);
    l = l->GetNextAround(end_);
  } while (l != first);
  end_->flags |= engine::kVertexSelected;

  PointRecord d{0, 0, 0}, moved;
  DragWithAxisLock(point, keys, d);
  if (Failed()) return true;
  ApplyDeltaFromStart(d, moved, false);
  PointRecord target{chain_.end.x + d.x, chain_.end.y + d.y, chain_.end.z + d.z};
  MatrixRecord world, inverse;
  scene_->GetObjectWorldMatrix(figure_, &world, &inverse);
  PointRecord currentJoint = chain_.end;
  if (joint_ != nullptr) engine::MUtilTransformPoint(world, joint_->position, currentJoint);
  PointRecord newJoint;
  if (engine::SolveTwoBoneDrag(chain_, currentJoint, target, newJoint)) {
    PointRecord local;
    engine::MUtilTransformPoint(inverse, newJoint, local);
    joint_->SaveUndo();
    if (Failed()) return false;
    joint_->SetPosition(local);
  }
  d = {target.x - chain_.end.x, target.y - chain_.end.y, target.z - chain_.end.z};
  const PointRecord step{d.x - applied_.x, d.y - applied_.y, d.z - applied_.z};
  scene_->MoveSelectedVertices(step, false);
  if (Failed()) return false;
  applied_ = d;
  figure_->UpdateAddPoseAt(line_, nullptr);
  figure_->EnableAddPose(nullptr);
  figure_->ApplyAddPose(scene_, true);
  figure_->DisableAddPose();
  // A guide from the target straight down to the floor.
  if (view_->AddOverlayLine(target, {target.x, 0.0, target.z}, 4) != 0) return false;
  currentScreen_ = point;
  keys_ = keys;
  return true;
}

bool QTrackBoneInvLine::End(std::uint32_t, int) {
  if (view_ != nullptr) view_->ClearOverlayLines();
  if (figure_ != nullptr && moved_) {
    figure_->ClearSelection();
    figure_->MarkChanged();
    if (figure_->IsSkinBound()) {
      if (!figure_->UpdateBoneMatrices(1) || Failed()) return false;
      figure_->DeformBoundObjects(scene_);
      if (Failed()) return false;
    }
    figure_->ClearSelection();
    line_->flags |= engine::kLineSelected;
    figure_->UpdateSelectionCache();
    scene_->SetModeBytes(0, 0, 0);
    view_->SetOverlayMode(0);
    view_->ClearOverlayLines();
    return true;
  }
  if (picked_ != nullptr && line_ != nullptr) {
    // A click selects the clicked bone.
    auto* mesh = dynamic_cast<engine::MMeshObj*>(picked_);
    engine::PtrArray one;
    if (!one.Add(line_)) {
      engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
      return false;
    }
    if (mesh != nullptr) {
      mesh->ClearSelection();
      mesh->SelectLists(nullptr, &one, nullptr);
    }
  }
  return true;
}

}  // namespace view
