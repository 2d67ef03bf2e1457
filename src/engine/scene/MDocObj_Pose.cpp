// Poses on the scene's figures: a pose applied to the selected figures (or
// one figure group) in the scene's length unit, optionally keeping the
// figure's lowest point where it was; a pose read from a stream; the
// clipboard pose copied from and pasted onto the selection.
#include <new>
#include <string>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

// The lowest point of the group's meshes in the scene.
double LowestPoint(MDocObj& scene, MObject* group) {
  PtrArray meshes;
  scene.CollectMeshes(group, meshes);
  BoundsRecord box;
  scene.GetMeshListBounds(meshes, box);
  return box.minY;
}

}  // namespace

int MDocObj::ApplyPoseToFigures(MPose& pose, MObject* group, int keepFloor) {
  PtrArray targets;
  if (group != nullptr) {
    if (!targets.Add(group)) EngRecordFailure(kEngReasonOutOfMemory);
  } else {
    GetSelectedFigures(1, &targets);
  }
  int posed = 0;
  for (int i = 0; i < targets.count && !Failed(); ++i) {
    auto* target = static_cast<MObject*>(targets[i]);
    MBoneObj* figure = FindBoneObj(target);
    if (figure == nullptr || !figure->MatchesPoseHeader(pose.GetHeader())) continue;
    const double before = keepFloor == 1 ? LowestPoint(*this, target) : 0;
    figure->SetPose(this, pose);
    if (Failed()) break;
    if (keepFloor == 1) MoveSelection(PointRecord{0, before - LowestPoint(*this, target), 0}, target);
    ++posed;
  }
  SetModeBytes(0, 0, 0);
  MarkChanged();
  if (posed == 0) return kPoseFitNone;
  return posed < targets.count ? kPoseFitSome : 0;
}

int MDocObj::ApplyPoseToSelection(MPose& pose, MObject* group, int keepFloor) {
  MAddPose& additions = pose.GetAddPose();
  const int unit = additions.GetExtraIndex();
  if (unit != -1 && unit != unitCode) {
    pose.ScaleAddPose(GetUnitFactor(unitCode) / GetUnitFactor(unit));
    additions.SetExtraIndex(unitCode);
  }
  // A pose that carries its additions brings its own bone-length ratios.
  const bool withRatios = additions.IsEnabled();
  if (withRatios) ClearBoneLengthRatios();
  const int result = ApplyPoseToFigures(pose, group, keepFloor);
  if (Failed()) return 0;
  if (withRatios) StoreBoneLengthRatios();
  return result;
}

int MDocObj::ApplyPoseFromFile(QFile& file, MObject* group, int keepFloor) {
  MPose pose;
  BonePoseRead(file, pose);
  const int result = Failed() ? 0 : ApplyPoseToSelection(pose, group, keepFloor);
  if (Failed()) {
    EngContext().ClearFailure();
    throw kEngFileErrorOutOfMemory;
  }
  return result;
}

void MDocObj::CopyPose() {
  EngGlobalM().Clear();
  PtrArray figures;
  if (GetSelectedFigures(1, &figures) != 1) return;
  auto* pose = new (std::nothrow) MPose();
  if (pose == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  FindBoneObj(static_cast<MObject*>(figures[0]))->GetPose(*pose);
  pose->GetAddPose().SetExtraIndex(unitCode);
  SetClipboardPose(pose);
}

int MDocObj::PastePose() {
  MPose* pose = GetClipboardPose();
  if (pose == nullptr) return 0;
  const int result = ApplyPoseToSelection(*pose, nullptr, 0);
  return Failed() ? 0 : result;
}

// ---- keeping poses around an edit at rest ---------------------------------------------------------

void MDocObj::SaveFigurePoses(PtrArray& poses, const PtrArray& figures) {
  for (int i = 0; i < figures.count && !Failed(); ++i) {
    auto* figure = static_cast<MBoneObj*>(figures[i]);
    figure->SaveAndStoreLengthRatios();
    auto* pose = new (std::nothrow) MPose();
    if (pose == nullptr || !poses.Add(pose)) {
      delete pose;
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    figure->GetPose(*pose);
    pose->GetAddPose().SetEnabled(true);
    if (!Failed()) figure->ResetPose(this);
  }
}

void MDocObj::RestoreFigurePoses(const PtrArray& poses, const PtrArray& figures) {
  ENG_FATAL_IF(poses.count != figures.count);
  for (int i = 0; i < figures.count && !Failed(); ++i) {
    auto* figure = static_cast<MBoneObj*>(figures[i]);
    figure->CaptureRestState(this, false);
    if (Failed()) break;
    figure->ClearBoneLengthRatios();
    figure->SetPose(this, *static_cast<MPose*>(poses[i]));
    if (!Failed()) figure->RestoreLengthRatios();
  }
  if (figures.count > 0) EndEdit(0);
}

bool MDocObj::AreFiguresAtRest(const PtrArray& figures) {
  for (int i = 0; i < figures.count; ++i)
    if (!static_cast<MBoneObj*>(figures[i])->IsAtRestPose()) return false;
  return true;
}

void MDocObj::CaptureRestStatesOf(const PtrArray& figures) {
  for (int i = 0; i < figures.count && !Failed(); ++i) static_cast<MBoneObj*>(figures[i])->CaptureRestState(this, false);
}

// ---- one figure's body to another, and edits at rest ---------------------------------------------

void MDocObj::TransferPoseToSelection() {
  PtrArray selected;
  GetSelectedObjects(selected);
  if (Failed()) return;
  if (selected.count != 2) {
    EngRecordFailure(kEngReasonPoseTransferRefused);
    return;
  }
  // The earlier selected takes over the later one; on equal times the
  // first in child order gives.
  auto* first = static_cast<MObject*>(selected[0]);
  auto* second = static_cast<MObject*>(selected[1]);
  MObject* receiver = second->GetSelectTime() < first->GetSelectTime() ? second : first;
  MObject* giver = receiver == first ? second : first;
  if (first->GetSelectTime() == second->GetSelectTime()) {
    giver = first;
    receiver = second;
  }
  MBoneObj* receiverFigure = FindBoneObj(receiver);
  MBoneObj* giverFigure = FindBoneObj(giver);
  PoseHeader header;
  if (receiverFigure != nullptr) receiverFigure->GetPoseHeader(header);
  if (receiverFigure == nullptr || giverFigure == nullptr || !giverFigure->MatchesPoseHeader(header) ||
      !receiverFigure->IsSkinBound() || !giverFigure->IsSkinBound()) {
    EngRecordFailure(kEngReasonPoseTransferRefused);
    return;
  }
  // Both objects come back through copies on the removed list.
  PtrArray copies;
  if (!StandInUndoCopies(selected, copies)) return;
  MGroupObj* giverGroup = giverFigure->GetParent();
  receiverFigure->AdoptBodyFrom(this, giverFigure);
  // Refused before anything changed: the copies are not wanted.
  if (Failed() && EngContext().failReason == kEngReasonPoseTransferRefused) {
    DropUndoCopies(copies);
    return;
  }
  // What is left of the two objects is new in this step: an undo takes it
  // out and brings the copies back. The giver's group is gone when the
  // take-over succeeded (compared, never followed).
  auto inScene = [this](void* object) {
    for (int i = 0; i < children.count; ++i)
      if (children[i] == object) return true;
    return false;
  };
  if (!inScene(giverGroup)) ForgetAnimatedObject(giverGroup);
  for (MObject* object : {receiver, giver}) {
    if (inScene(object))
      object->SetEditState(kEditCreated);
    else
      ForgetAnimatedObject(object);
  }
}

void MDocObj::EditFiguresInRestPose(int command) {
  PtrArray meshes, edited, figures, tops;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !Failed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    MObject* top = GetTopLevelObject(mesh);
    MBoneObj* figure = mesh->IsBoneObject() ? nullptr : FindBoneObj(top);
    if (figure == nullptr) {
      mesh->ClearSelection();
      continue;
    }
    if (!AddOrFail(edited, mesh)) break;
    bool listed = false;
    for (int k = 0; k < figures.count; ++k) listed = listed || figures[k] == figure;
    if (!listed && AddOrFail(figures, figure)) AddOrFail(tops, top);
  }
  // The figures' objects come back through copies should the edit fail:
  // some of its steps (a merge) are not undone mesh by mesh.
  PtrArray copies;
  if (Failed() || !StandInUndoCopies(tops, copies)) return;
  for (int i = 0; i < tops.count; ++i) static_cast<MObject*>(tops[i])->SetEditState(kEditCreated);
  for (int i = 0; i < figures.count && !Failed(); ++i) static_cast<MBoneObj*>(figures[i])->CreateOwnPose(this);
  if (!Failed()) {
    switch (command) {
      case 0: DeleteSelectedParts(); break;
      case 1: SubdivideSelection(2); break;
      case 2: JoinNearestBorderVertices(); break;
      case 3:
        ENG_FATAL_IF(edited.count > 2);
        if (edited.count == 2) MergeObjects(edited);
        break;
      default: break;
    }
  }
  for (int i = 0; i < figures.count && !Failed(); ++i) static_cast<MBoneObj*>(figures[i])->RebindAfterEdit(this);
  if (!Failed()) {
    EndEdit(0);
    return;
  }
  // Committing a half-done edit would leave the figures at rest with their
  // poses gone: the copies take the objects' places again, and the failure
  // stays reported.
  HeldFailure held;
  for (int i = 0; i < figures.count; ++i) {
    auto* figure = static_cast<MBoneObj*>(figures[i]);
    delete figure->savedPose;
    figure->savedPose = nullptr;
  }
  UndoEdit(0);
  EndEdit(0);
}

}  // namespace engine
