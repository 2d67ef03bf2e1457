// The two inverse-kinematics trackers: dragging a bone's start joint with
// the two bones above it re-solved, and moving one joint between its parent
// and child.
//
//     R (root) ---L1--- J (joint) ---L2--- E (end)
#include <cmath>
#include <cstdint>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"
#include "engine/scene/MDocObj.h"
#include "view/QTrackBone.h"
#include "view/QView.h"

namespace view {

using engine::MatrixRecord;
using engine::PointRecord;

namespace {

constexpr double kEpsilon = 1e-8;

bool Failed() { return engine::EngContext().failState != engine::kEngFailNone; }

PointRecord Sub(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
PointRecord Add(const PointRecord& a, const PointRecord& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
PointRecord Scale(const PointRecord& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Length(const PointRecord& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
PointRecord Cross(const PointRecord& a, const PointRecord& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

PointRecord ToScene(const MatrixRecord& world, const engine::MVertex* v) {
  PointRecord out;
  engine::MUtilTransformPoint(world, v->position, out);
  return out;
}

// A one-entry list for a click's selection; false (out of memory recorded)
// when it cannot be made.
bool OneEntry(engine::PtrArray& list, void* item) {
  if (list.Add(item)) return true;
  engine::EngRecordFailure(engine::kEngReasonOutOfMemory);
  return false;
}

}  // namespace

void StoreIkSavedState(QTrack& track) {
  static const std::int16_t kShorts[6] = {1, 1, 1, 11, 1, 1};
  static const double kDoubles[6] = {0, 0, 0, 0, 0, 0};
  track.SetSavedState(kShorts, kDoubles);
}

// ---- the bone-line tracker ----------------------------------------------------------

bool QTrackBoneInvLine::Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) {
  SetupChain(&point, keys, view, scene, nullptr, nullptr);
  return false;
}

bool QTrackBoneInvLine::SetupChain(const std::uint32_t* point, int keys, QView* view, engine::MDocObj* scene,
                                   engine::MLine* line, engine::MBoneObj* figure) {
  QTrack::Begin(point != nullptr && view != nullptr ? *point : 0, keys, view, scene);
  applied_ = {0, 0, 0};
  moved_ = false;
  figure_ = nullptr;
  if (view != nullptr) {
    PointRecord hit;
    PickedElements e;
    picked_ = view->PickNearest(scene, startScreen_, hit, &e);
    if (Failed() || picked_ == nullptr) return false;
    line_ = e.line;
    if (line_ == nullptr || !picked_->IsBoneObject()) return false;
    figure_ = static_cast<engine::MBoneObj*>(picked_);
    // The figure's undo step opens before anything changes.
    scene->EndEdit(0);
    figure_->SaveEditState();
  } else {
    figure_ = figure;
    picked_ = figure;
    line_ = line;
    if (figure_ == nullptr || line_ == nullptr) {
      figure_ = nullptr;
      return false;
    }
  }
  end_ = line_->end0;
  joint_ = figure_->GetParentJoint(end_);
  root_ = joint_ != nullptr && joint_->CountLines() == 2 ? figure_->GetParentJoint(joint_) : nullptr;
  scene->GetObjectWorldMatrix(figure_, &world_, &inverse_);
  ReadChain();
  if (view != nullptr) {
    pixelScale_ = view->WorldPerPixel(startScreen_, startPoint_);
    if (Failed()) return false;
    view->ClearOverlayLines();
    StoreIkSavedState(*this);
  }
  return false;
}

void QTrackBoneInvLine::ReadChain() {
  const PointRecord pe = ToScene(world_, end_);
  const PointRecord pj = joint_ != nullptr ? ToScene(world_, joint_) : pe;
  const PointRecord pr = root_ != nullptr ? ToScene(world_, root_) : pj;
  chain_ = engine::MakeTwoBoneChain(pe, joint_ != nullptr ? &pj : nullptr, root_ != nullptr ? &pr : nullptr);
  startPoint_ = pe;
}

void QTrackBoneInvLine::ResetDrag() {
  if (figure_ == nullptr) return;
  applied_ = {0, 0, 0};
  startScreen_ = currentScreen_;
  ReadChain();
}

bool QTrackBoneInvLine::Move(std::uint32_t point, int keys) { return SolveDrag(&point, keys, nullptr); }

bool QTrackBoneInvLine::SolveDrag(const std::uint32_t* point, int keys, const PointRecord* targetDelta) {
  if (figure_ == nullptr || (point != nullptr && (view_ == nullptr || *point == currentScreen_))) return false;
  moved_ = true;
  figure_->ClearSelection();
  // The dragged joint carries every bone below it.
  engine::MLine* first = end_->firstLine;
  engine::MLine* l = first;
  PointRecord scratch;
  for (int guard = 0; l != nullptr && guard < engine::MVertex::kRingLimit; ++guard) {
    if (l->end0 == end_) figure_->SelectChainFrom(false, l, &scratch, false);
    l = l->GetNextAround(end_);
    if (l == first) break;
  }
  end_->flags |= engine::kVertexSelected;

  PointRecord d{0, 0, 0};
  if (point != nullptr) {
    DragWithAxisLock(*point, keys, d);
    if (Failed()) return true;
    PointRecord moved;
    ApplyDeltaFromStart(d, moved, false);
  } else if (targetDelta != nullptr) {
    d = *targetDelta;
  }
  PointRecord target = Add(chain_.end, d);
  PointRecord currentJoint = joint_ != nullptr ? ToScene(world_, joint_) : chain_.end;
  PointRecord newJoint;
  if (engine::SolveTwoBoneDrag(chain_, currentJoint, target, newJoint)) {
    PointRecord local;
    engine::MUtilTransformPoint(inverse_, newJoint, local);
    joint_->SaveUndo();
    if (Failed()) return false;
    joint_->SetOwnPosition(local);
  }
  d = Sub(target, chain_.end);
  scene_->MoveSelectedVertices(Sub(d, applied_), false);
  if (Failed()) return false;
  applied_ = d;
  if (point == nullptr) return true;
  figure_->UpdateAddPoseAt(line_, nullptr);
  figure_->EnableAddPose(nullptr);
  figure_->ApplyAddPose(scene_, true);
  figure_->DisableAddPose();
  if (view_ == nullptr) return true;
  // A guide from the target straight down to the floor.
  if (view_->AddOverlayLine(target, {target.x, 0.0, target.z}, kOverlayFloorGuide) != 0) return false;
  StoreIkSavedState(*this);
  currentScreen_ = *point;
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
    if (view_ != nullptr) view_->ResetOverlayMode(0);
    return true;
  }
  // A click selects the clicked bone.
  auto* mesh = dynamic_cast<engine::MMeshObj*>(picked_);
  if (mesh != nullptr && line_ != nullptr) {
    engine::PtrArray one;
    if (!OneEntry(one, line_)) return false;
    mesh->ReplaceSelection(nullptr, &one, nullptr);
  }
  return true;
}

// ---- the joint tracker --------------------------------------------------------------

bool QTrackBoneInvVert::Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) {
  QTrack::Begin(point, keys, view, scene);
  applied_ = {0, 0, 0};
  moved_ = false;
  refused_ = false;
  PointRecord hit;
  PickedElements e;
  picked_ = view->PickNearest(scene, point, hit, &e, QView::kPickVertex);
  if (Failed()) return false;
  joint_ = e.vertex;
  // Only a joint between a parent and at most one child can move alone.
  refused_ = picked_ == nullptr || joint_ == nullptr || joint_->CountLines() > 2 || !picked_->IsBoneObject();
  if (!refused_) {
    figure_ = static_cast<engine::MBoneObj*>(picked_);
    parent_ = figure_->GetParentJoint(joint_);
    refused_ = parent_ == nullptr;
  }
  if (refused_) return false;
  scene->EndEdit(0);
  figure_->SaveEditState();
  child_ = figure_->GetChildJoint(joint_);
  scene->GetObjectWorldMatrix(figure_, &world_, &inverse_);
  ReadPositions();
  pixelScale_ = view->WorldPerPixel(point, startPoint_);
  if (Failed()) return false;
  view->ClearOverlayLines();
  StoreIkSavedState(*this);
  return false;
}

void QTrackBoneInvVert::ReadPositions() {
  pj_ = ToScene(world_, joint_);
  pr_ = ToScene(world_, parent_);
  pe_ = child_ != nullptr ? ToScene(world_, child_) : PointRecord{0, 0, 0};
  upper_ = Length(Sub(pr_, pj_));
  lower_ = Length(Sub(pe_, pj_));
  startPoint_ = pj_;
}

void QTrackBoneInvVert::ResetDrag() {
  if (refused_ || figure_ == nullptr) return;
  applied_ = {0, 0, 0};
  startScreen_ = currentScreen_;
  pj_ = ToScene(world_, joint_);
  startPoint_ = pj_;
}

bool QTrackBoneInvVert::Move(std::uint32_t point, int keys) {
  if (refused_ || figure_ == nullptr || point == currentScreen_) return false;
  if (!moved_) {
    moved_ = true;
    figure_->ClearSelection();
  }
  PointRecord d{0, 0, 0}, moved;
  DragWithAxisLock(point, keys, d);
  if (Failed()) return true;
  ApplyDeltaFromStart(d, moved, false);
  PointRecord t = Add(pj_, d);
  if (child_ == nullptr) {
    // Without a child the joint swings on the sphere around its parent.
    const PointRecord u = Sub(t, pr_);
    const double len = Length(u);
    t = len > kEpsilon ? Add(pr_, Scale(u, upper_ / len)) : pj_;
  } else {
    // Both bones keep their lengths: the joint stays on the circle about
    // the parent-child axis through its place at set-up, and goes to the
    // point of that circle towards the mouse.
    const PointRecord axis = Sub(pe_, pr_);
    const double q = Length(axis);
    PointRecord n{1, 0, 0}, foot = pr_;
    if (q >= kEpsilon) {
      n = Scale(axis, 1 / q);
      const double x = (q * q + lower_ * lower_ - upper_ * upper_) / (2 * q);
      foot = Sub(pe_, Scale(n, x));
    }
    const double radius = Length(Sub(pj_, foot));
    PointRecord f = Cross(Cross(n, Sub(t, foot)), n);
    double len = Length(f);
    if (len < kEpsilon) {
      // The mouse lies on the axis: the joint keeps its side.
      f = Sub(pj_, foot);
      len = Length(f);
    }
    t = len > kEpsilon ? Add(foot, Scale(f, radius / len)) : pj_;
  }
  PointRecord local;
  engine::MUtilTransformPoint(inverse_, t, local);
  joint_->SaveUndo();
  if (Failed()) return false;
  joint_->SetOwnPosition(local);
  const PointRecord placed = ToScene(world_, joint_);
  if (view_->AddOverlayLine(placed, {placed.x, 0.0, placed.z}, kOverlayFloorGuide) != 0) return false;
  StoreIkSavedState(*this);
  currentScreen_ = point;
  keys_ = keys;
  return true;
}

bool QTrackBoneInvVert::End(std::uint32_t, int) {
  if (view_ != nullptr) view_->ClearOverlayLines();
  if (!refused_ && figure_ != nullptr && moved_) {
    figure_->MarkChanged();
    if (figure_->IsSkinBound()) {
      if (!figure_->UpdateBoneMatrices(1) || Failed()) return false;
      figure_->DeformBoundObjects(scene_);
      if (Failed()) return false;
    }
    figure_->ClearSelection();
    scene_->SetModeBytes(0, 0, 0);
    view_->ResetOverlayMode(0);
    return true;
  }
  // A click (also on a joint that cannot move alone) selects the joint.
  auto* mesh = dynamic_cast<engine::MMeshObj*>(picked_);
  if (mesh != nullptr && joint_ != nullptr) {
    engine::PtrArray one;
    if (!OneEntry(one, joint_)) return false;
    mesh->ReplaceSelection(nullptr, nullptr, &one);
  }
  return true;
}

}  // namespace view
