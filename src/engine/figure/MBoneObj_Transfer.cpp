// Changing a figure's body while its pose is kept: taking over another
// figure's bound meshes, and rebinding after the bound meshes were edited
// at rest.
#include <cmath>
#include <cstdint>

#include "engine/figure/FigureInternal.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMorph.h"
#include "engine/scene/MDocObj.h"

namespace engine {

using namespace figure_detail;

namespace {

// The top-level object of the scene that holds the object (the child of
// the outermost group).
MObject* TopLevelObject(MObject* object) {
  while (object->GetParent() != nullptr && object->GetParent()->GetParent() != nullptr)
    object = object->GetParent();
  return object;
}

double MeanAbsoluteScale(MObject* object) {
  MatrixRecord m;
  object->GetMatrix(m);
  double y, x, z;
  PointRecord scale, translation;
  MUtilDecomposeMatrix(m, y, x, z, scale, translation);
  return (std::fabs(scale.x) + std::fabs(scale.y) + std::fabs(scale.z)) / 3.0;
}

}  // namespace

void MBoneObj::ScaleTargetParts(MDocObj* scene, double factor, bool apply, PtrArray* boneList,
                                PtrArray* targetList) {
  if (bones == nullptr || restPositions == nullptr) return;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  // Without a scene there are no targets.
  PtrArray targets;
  if (scene != nullptr && !scene->CollectMorphTargets(targets)) return;
  NumberBodyVertices(scene);
  for (int t = 0; t < targets.count; ++t) {
    MMorphTgt* target = static_cast<MMorphTgt*>(targets[t]);
    // The target's meshes carry the morph it belongs to (its group name).
    char name[MMorphTgt::kNameSize];
    target->GetGroupName(name);
    PointRecord sum{0, 0, 0};
    int contributed = 0;
    int b = -1;
    for (int m = 0; m < meshes.count; ++m) {
      MMeshObj* mesh = meshes[m].mesh;
      if (mesh->IsBoneObject() || mesh->FindMorph(name) == nullptr) continue;
      for (MVertex* v : mesh->GetVertexList()) {
        if ((v->flags & kVertexMarked) == 0) continue;
        const SkinRecord* r = GetSkinRecordOfVertex(v);
        if (r == nullptr || r->count < 1) continue;
        PointRecord p;
        ToRestSpace(meshes[m], v->position, p);
        sum = {sum.x + p.x, sum.y + p.y, sum.z + p.z};
        ++contributed;
        b = r->bones[0];
      }
    }
    if (contributed == 0) continue;
    if ((boneList != nullptr && !boneList->Add(reinterpret_cast<void*>(static_cast<std::intptr_t>(b)))) ||
        (targetList != nullptr && !targetList->Add(target))) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    if (!apply) continue;
    const PointRecord c{sum.x / contributed, sum.y / contributed, sum.z / contributed};
    for (int m = 0; m < meshes.count; ++m) {
      MMeshObj* mesh = meshes[m].mesh;
      if (mesh->IsBoneObject() || mesh->FindMorph(name) == nullptr) continue;
      PointRecord local;
      FromRestSpace(meshes[m], c, local);
      for (MVertex* v : mesh->GetVertexList()) {
        PointRecord p{local.x + factor * (v->position.x - local.x), local.y + factor * (v->position.y - local.y),
                      local.z + factor * (v->position.z - local.z)};
        if ((v->flags & kVertexOnMirror) != 0) p.x = 0;
        v->SetPosition(p);
      }
    }
  }
}

double MBoneObj::CopySkeletonShapeTo(MDocObj* scene, MBoneObj* other) {
  PtrArray list;
  other->ScaleTargetParts(scene, 0.0, false, &list, nullptr);
  const int a = list.count > 0 ? static_cast<int>(reinterpret_cast<std::intptr_t>(list[0])) : -1;
  double answer = -1.0;
  if (a >= 0) {
    ENG_FATAL_IF(other->bones == nullptr || a >= other->bones->count || a >= bones->count);
    const MLine* lo = (*other->bones)[a].line;
    const MLine* lt = (*bones)[a].line;
    const double dO = MUtilDistance(lo->end0->position, lo->end1->position);
    const double dT = std::max(MUtilDistance(lt->end0->position, lt->end1->position), 1e-8);
    const double sT = MeanAbsoluteScale(TopLevelObject(this));
    const double sO = MeanAbsoluteScale(TopLevelObject(other));
    answer = (dO / dT) * (sO / sT);
  }
  for (int i = 0; i < bones->count; ++i) {
    ENG_FATAL_IF(other->bones == nullptr || i >= other->bones->count);
    MLine* lo = (*other->bones)[i].line;
    const MLine* lt = (*bones)[i].line;
    PointRecord p0 = lt->end0->position, p1 = lt->end1->position;
    if ((lo->end0->flags & kVertexOnMirror) != 0) p0.x = 0;
    if ((lo->end1->flags & kVertexOnMirror) != 0) p1.x = 0;
    lo->end0->SetPosition(p0);
    lo->end1->SetPosition(p1);
  }
  return answer;
}

void MBoneObj::AdoptBodyFrom(MDocObj* scene, MBoneObj* other) {
  PoseHeader header;
  GetPoseHeader(header);
  if (!other->MatchesPoseHeader(header) || skinBound == 0 || other->skinBound == 0 || bones == nullptr ||
      other->bones == nullptr || restPositions == nullptr || other->restPositions == nullptr ||
      other->GetParent() == nullptr || GetParent() == nullptr) {
    EngRecordFailure(kEngReasonPoseTransferRefused);
    return;
  }
  MGroupObj* ownGroup = GetParent();
  MGroupObj* otherGroup = other->GetParent();
  MPose pose;
  // Each step runs only while nothing has failed; the edit states are set
  // whatever happened.
  auto steps = [&] {
    GetPose(pose);
    if (Failed()) return;
    ResetPose(scene);
    if (Failed()) return;
    other->ResetPose(scene);
    if (Failed()) return;
    const double x = CopySkeletonShapeTo(scene, other);
    other->UpdateBoneMatrices(1);
    if (Failed()) return;
    other->DeformBoundObjects(scene);
    if (Failed()) return;
    other->CaptureRestState(scene, false);
    if (Failed()) return;
    if (x > 0) {
      other->ScaleTargetParts(scene, x, true, nullptr, nullptr);
      if (Failed()) return;
      other->CaptureRestState(scene, false);
      if (Failed()) return;
    }
    // Room for the other body's records first, so that running out of
    // memory cannot leave meshes moved without their records.
    const int extra = other->skinRecords->count;
    SkinRecordArray* skins = NewFigureArray<SkinRecordArray>(skinRecords->count + extra + 1);
    RestPointArray* rest = NewFigureArray<RestPointArray>(restPositions->count + extra + 1);
    RestPointArray* undoRest = NewFigureArray<RestPointArray>(restPositions->count + extra + 1);
    bool ok = skins != nullptr && rest != nullptr && undoRest != nullptr;
    for (int i = 0; ok && i < skinRecords->count; ++i) ok = skins->Add((*skinRecords)[i]);
    for (int i = 0; ok && i < other->skinRecords->count; ++i) ok = skins->Add((*other->skinRecords)[i]);
    for (const RestPointArray* source : {restPositions, other->restPositions})
      for (int i = 0; ok && i < source->count; ++i) ok = rest->Add((*source)[i]) && undoRest->Add((*source)[i]);
    PtrArray children;
    otherGroup->GetChildren(children);
    ok = ok && !Failed();
    // The own group must be able to take every child before any moves.
    const int childCount = ownGroup->children.count;
    for (int i = 0; ok && i < children.count; ++i) ok = ownGroup->children.Add(nullptr);
    ownGroup->children.count = childCount;
    if (!ok) {
      DeleteFigureArray(skins);
      DeleteFigureArray(rest);
      DeleteFigureArray(undoRest);
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    for (int i = 0; i < children.count; ++i) {
      MObject* child = static_cast<MObject*>(children[i]);
      if (child->IsBoneObject()) continue;
      otherGroup->RemoveChild(child);
      ownGroup->AddChild(child);
    }
    DeleteFigureArray(skinRecords);
    DeleteFigureArray(restPositions);
    DeleteFigureArray(undoRestPositions);
    skinRecords = skins;
    restPositions = rest;
    undoRestPositions = undoRest;
    // The other figure's records went with its meshes.
    other->skinRecords->RemoveAll();
    other->restPositions->RemoveAll();
    other->undoRestPositions->RemoveAll();
    BoundMeshArray meshes;
    if (!CollectBoundMeshes(meshes)) return;
    for (int m = 0; m < meshes.count; ++m)
      if (!meshes[m].mesh->IsBoneObject()) meshes[m].mesh->Checkpoint(false);
    SetPose(scene, pose);
  };
  steps();
  ownGroup->SetEditState(kEditCreated);
  otherGroup->SetEditState(kEditCreated);
  if (!Failed()) {
    if (MGroupObj* holder = otherGroup->GetParent()) holder->RemoveChild(otherGroup);
    delete otherGroup;
  }
}

void MBoneObj::CreateOwnPose(MDocObj* scene) {
  if (bones == nullptr || restPositions == nullptr) return;
  MPose* pose = new (std::nothrow) MPose();
  if (pose == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  delete savedPose;
  savedPose = pose;
  GetPose(*savedPose);
  if (Failed()) return;
  ResetPose(scene);
  if (Failed()) return;
  NumberBodyVertices(scene);
}

void MBoneObj::RebindAfterEdit(MDocObj* scene) {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr) return;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  int boneCount = 0, boundCount = 0;
  CountRigElements(boneCount, boundCount);
  RestPointArray* rest = NewFigureArray<RestPointArray>(boundCount / 2 + 2);
  RestPointArray* undoRest = NewFigureArray<RestPointArray>(boundCount / 2 + 2);
  SkinRecordArray* skins = NewFigureArray<SkinRecordArray>(boundCount / 2 + 2);
  auto discard = [&] {
    DeleteFigureArray(rest);
    DeleteFigureArray(undoRest);
    DeleteFigureArray(skins);
  };
  if (rest == nullptr || undoRest == nullptr || skins == nullptr) {
    discard();
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  for (int m = 0; m < meshes.count; ++m) {
    if (meshes[m].mesh->IsBoneObject()) continue;
    for (MVertex* v : meshes[m].mesh->GetVertexList()) {
      PointRecord p;
      ToRestSpace(meshes[m], v->position, p);
      SkinRecord record{};
      if (const SkinRecord* old = GetSkinRecordOfVertex(v)) {
        record = *old;
      } else {
        BlendBorderSkin(v, record, p);
        if (Failed()) {
          discard();
          return;
        }
      }
      if (!rest->Add(p) || !undoRest->Add(p) || !skins->Add(record)) {
        discard();
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
  }
  // The arrays replaced stay with the figure's step, so that undoing the
  // edit gives back arrays that match the meshes as they were.
  SaveEditState();
  if (Failed()) {
    discard();
    return;
  }
  DropStepArrays();
  stepRestPositions = restPositions;
  stepUndoRestPositions = undoRestPositions;
  stepSkinRecords = skinRecords;
  restPositions = rest;
  undoRestPositions = undoRest;
  skinRecords = skins;
  if (savedPose != nullptr) {
    SetPose(scene, *savedPose);
    delete savedPose;
    savedPose = nullptr;
  }
}

}  // namespace engine
