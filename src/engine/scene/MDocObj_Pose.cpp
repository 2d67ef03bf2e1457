// Poses on the scene's figures: a pose applied to the selected figures (or
// one figure group) in the scene's length unit, optionally keeping the
// figure's lowest point where it was; a pose read from a stream; the
// clipboard pose copied from and pasted onto the selection.
#include <new>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/scene/MDocObj.h"

namespace engine {

namespace {

bool Failed() { return EngContext().failState != kEngFailNone; }

// The lowest point of the group's meshes in the scene.
double LowestPoint(MDocObj& scene, MObject* group) {
  BoundsRecord box;
  scene.GetWorldBounds(group, box);
  return box.minY;
}

}  // namespace

void MDocObj::GetSelectedFigures(bool boundOnly, PtrArray& out) {
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count; ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    MBoneObj* figure = FindBoneObj(object);
    if (figure == nullptr || (boundOnly && !figure->IsSkinBound())) continue;
    if (!out.Add(object)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

int MDocObj::ApplyPoseToFigures(MPose& pose, MObject* group, int keepFloor) {
  PtrArray targets;
  if (group != nullptr) {
    if (!targets.Add(group)) EngRecordFailure(kEngReasonOutOfMemory);
  } else {
    GetSelectedFigures(true, targets);
  }
  int posed = 0;
  for (int i = 0; i < targets.count && !Failed(); ++i) {
    auto* target = static_cast<MObject*>(targets[i]);
    MBoneObj* figure = FindBoneObj(target);
    if (figure == nullptr || !figure->MatchesPoseHeader(pose.GetHeader())) continue;
    const double before = keepFloor == 1 ? LowestPoint(*this, target) : 0;
    figure->SetPose(this, pose);
    if (Failed()) break;
    if (keepFloor == 1) {
      MatrixRecord m;
      target->GetMatrix(m);
      m.m[3][1] += before - LowestPoint(*this, target);
      target->SetMatrix(m);
    }
    ++posed;
  }
  SetModeBytes(0, 0, 0);
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
  const int result = ApplyPoseToFigures(pose, group, keepFloor);
  return Failed() ? 0 : result;
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
  GetSelectedFigures(true, figures);
  if (figures.count != 1) return;
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

}  // namespace engine
