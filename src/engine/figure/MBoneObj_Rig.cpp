// Rig set-up: the bone and skin arrays, binding the bound vertices to
// bones, the rest state, returning to rest and deforming the bound meshes
// after the joints moved.
#include <cmath>

#include "engine/figure/FigureInternal.h"
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

namespace {


void KeepMirror(const MVertex* v, PointRecord& p) {
  if ((v->flags & kVertexOnMirror) != 0) p.x = 0;
}

}  // namespace

void MBoneObj::AllocateRig(int kind) {
  rigKind = kind;
  int boneCount = 0, boundCount = 0;
  CountRigElements(boneCount, boundCount);
  RestPointArray* rest = NewFigureArray<RestPointArray>(boundCount / 2 + 2);
  RestPointArray* undoRest = NewFigureArray<RestPointArray>(boundCount / 2 + 2);
  SkinRecordArray* skins = NewFigureArray<SkinRecordArray>(boundCount / 2 + 2);
  BoneRecordArray* boneArray = NewFigureArray<BoneRecordArray>(boneCount / 2 + 2);
  bool ok = rest != nullptr && undoRest != nullptr && skins != nullptr && boneArray != nullptr;
  if (ok) {
    BoneRecord bone;
    bone.line = nullptr;
    bone.restStart = bone.restEnd = {0, 0, 0};
    MUtilIdentity(bone.deformMatrix);
    MUtilIdentity(bone.posedMatrix);
    MUtilIdentity(bone.undoPosedMatrix);
    bone.radius = 1.0;
    bone.twist = 0;
    bone.startBlend = 0;
    bone.endBlend = 0;
    bone.excluded = 0;
    bone.changed = 0;
    for (void*& work : bone.bindWork) work = nullptr;
    BackupBoneRecord(bone);
    for (int i = 0; ok && i < boneCount; ++i) ok = boneArray->Add(bone);
    SkinRecord skin{};
    ClearSkinRecord(skin);
    BackupSkinRecord(skin);
    for (int i = 0; ok && i < boundCount; ++i)
      ok = rest->Add({0, 0, 0}) && undoRest->Add({0, 0, 0}) && skins->Add(skin);
  }
  if (!ok) {
    // The old rig stays whole rather than half replaced.
    DeleteFigureArray(rest);
    DeleteFigureArray(undoRest);
    DeleteFigureArray(skins);
    DeleteFigureArray(boneArray);
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  DeleteFigureArray(restPositions);
  DeleteFigureArray(undoRestPositions);
  DeleteFigureArray(skinRecords);
  DeleteFigureArray(bones);
  restPositions = rest;
  undoRestPositions = undoRest;
  skinRecords = skins;
  bones = boneArray;
  if (kind == 0 || kind == 1)
    for (MVertex* joint : vertices) joint->flags |= kVertexFullCrease;
  OrientFromRoots();
}

void MBoneObj::OrientFromRoots() {
  // Breadth-first walks over the joints; `id` holds the walk's stamp, and
  // workValue the depth below the root.
  PtrArray queue;
  auto walk = [&](MVertex* root, int stamp, bool orient) -> int {
    queue.RemoveAll();
    root->id = stamp;
    root->workValue = 0;
    if (!queue.Add(root)) return -1;
    int depth = 0;
    for (int head = 0; head < queue.count; ++head) {
      MVertex* v = static_cast<MVertex*>(queue[head]);
      depth = std::max(depth, v->workValue);
      const bool ok = ForEachLineAround(v, [&](MLine* line) {
        MVertex* other = line->OtherEnd(v);
        if (other->id == stamp) return true;
        other->id = stamp;
        other->workValue = v->workValue + 1;
        if (orient && line->end0 != v) line->Reverse();
        return queue.Add(other);
      });
      if (!ok) return -1;
    }
    return depth;
  };
  const int pieceStamp = TakeVisitStamp();
  for (MVertex* v : vertices) v->id = 0;
  for (MVertex* start : vertices) {
    if (start->id == pieceStamp || start->id > 0) continue;
    // Mark the piece and look for its root.
    if (walk(start, pieceStamp, false) < 0) break;
    MVertex* root = nullptr;
    for (int i = 0; i < queue.count && root == nullptr; ++i) {
      MVertex* v = static_cast<MVertex*>(queue[i]);
      if ((v->flags & kVertexRootJoint) != 0) root = v;
    }
    PtrArray piece;
    for (int i = 0; i < queue.count; ++i)
      if (!piece.Add(queue[i])) break;
    if (root == nullptr) {
      int best = -1;
      for (int i = 0; i < piece.count; ++i) {
        MVertex* v = static_cast<MVertex*>(piece[i]);
        const int depth = walk(v, TakeVisitStamp(), false);
        if (depth >= 0 && (best < 0 || depth < best)) {
          best = depth;
          root = v;
        }
      }
    }
    if (root == nullptr) break;
    walk(root, TakeVisitStamp(), true);
    for (int i = 0; i < piece.count; ++i) {
      MVertex* v = static_cast<MVertex*>(piece[i]);
      v->id = pieceStamp;
      if (v == root)
        v->flags |= kVertexRootJoint;
      else
        v->flags &= ~kVertexRootJoint;
    }
  }
  for (MVertex* v : vertices) v->workValue = 0;
}

void MBoneObj::BuildRig(MDocObj* scene) {
  if (rigKind != 0)
    BindByVertex(scene, 0);
  else
    BindByObject(scene);
}

namespace {

// The direct child of `top` that holds the object.
MObject* ChildBelow(MGroupObj* top, MObject* object) {
  while (object->GetParent() != nullptr && object->GetParent() != top) object = object->GetParent();
  return object;
}

}  // namespace

void MBoneObj::BindByObject(MDocObj*) {
  MGroupObj* parent = GetParent();
  if (parent == nullptr || restPositions == nullptr || skinRecords == nullptr) return;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  // The meshes of one direct child of the parent follow each other in the
  // collection; each such run is bound rigidly to the bone nearest its
  // centre.
  int k = 0;
  int m = 0;
  while (m < meshes.count) {
    if (meshes[m].mesh->IsBoneObject()) {
      ++m;
      continue;
    }
    MObject* child = ChildBelow(parent, meshes[m].mesh);
    const int first = k;
    PointRecord sum{0, 0, 0};
    int end = m;
    for (; end < meshes.count && ChildBelow(parent, meshes[end].mesh) == child; ++end) {
      if (meshes[end].mesh->IsBoneObject()) continue;
      for (MVertex* v : meshes[end].mesh->GetVertexList()) {
        (void)v;
        ENG_FATAL_IF(k >= restPositions->count);
        const PointRecord& p = (*restPositions)[k++];
        sum = {sum.x + p.x, sum.y + p.y, sum.z + p.z};
      }
    }
    m = end;
    if (k == first) continue;
    const double n = k - first;
    SkinRecord record = (*skinRecords)[first];
    ComputeSkinWeights({sum.x / n, sum.y / n, sum.z / n}, record, 0);
    if (record.count > 1) {
      record.count = 1;
      record.weights[0] = 1.0;
    }
    for (int i = first; i < k; ++i) {
      ENG_FATAL_IF(i >= skinRecords->count);
      SkinRecord& target = (*skinRecords)[i];
      const SkinRecord undo = target;
      target = record;
      // The lock and the undo copy stay the vertex's own.
      target.locked = undo.locked;
      target.undoCount = undo.undoCount;
      for (int j = 0; j < 4; ++j) {
        target.undoBones[j] = undo.undoBones[j];
        target.undoWeights[j] = undo.undoWeights[j];
        target.undoParams[j] = undo.undoParams[j];
      }
      target.undoLocked = undo.undoLocked;
    }
  }
}

void MBoneObj::BindByVertex(MDocObj*, int mode) {
  if (bones == nullptr || restPositions == nullptr) return;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  int k = 0;
  for (int m = 0; m < meshes.count; ++m) {
    MMeshObj* mesh = meshes[m].mesh;
    mesh->SaveEditState();
    if (Failed()) return;
    if (mesh->IsBoneObject()) continue;
    for (MVertex* v : mesh->GetVertexList()) {
      ENG_FATAL_IF(k >= restPositions->count || k >= skinRecords->count);
      SkinRecord& r = (*skinRecords)[k];
      const PointRecord rest = (*restPositions)[k];
      ++k;
      if ((mode == 0 || mode == 2) && r.locked != 0) continue;
      if (mode != 0 && (v->flags & kVertexSelected) == 0) continue;
      if (mode == 1 || mode == 3) SetSkinLocked(r, true);
      ComputeSkinWeights(rest, r, mode);
    }
  }
  ENG_FATAL_IF(k != restPositions->count);
}

void MBoneObj::CaptureRestState(MDocObj*, bool withRadii) {
  if (bones == nullptr || restPositions == nullptr) return;
  ClearExtraBlock();
  int i = 0;
  for (MLine* line : lines) {
    ENG_FATAL_IF(i >= bones->count);
    BoneRecord& b = (*bones)[i++];
    b.line = line;
    b.restStart = line->end0->position;
    b.restEnd = line->end1->position;
    MUtilIdentity(b.deformMatrix);
    MUtilIdentity(b.posedMatrix);
    // The undo copies stay as the step's checkpoint took them, so that a
    // capture undone gives back the pose it replaced.
    b.twist = 0;
    if (withRadii) b.radius = 0.3 * MUtilDistance(b.restStart, b.restEnd);
  }
  ENG_FATAL_IF(i != bones->count);
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  int k = 0;
  for (int m = 0; m < meshes.count; ++m) {
    if (meshes[m].mesh->IsBoneObject()) continue;
    for (MVertex* v : meshes[m].mesh->GetVertexList()) {
      ENG_FATAL_IF(k >= restPositions->count);
      ToRestSpace(meshes[m], v->position, (*restPositions)[k++]);
    }
  }
  ENG_FATAL_IF(k != restPositions->count);
}

void MBoneObj::ResetAllBones(MDocObj*) {
  if (bones == nullptr || restPositions == nullptr) return;
  SaveEditState();
  if (Failed()) return;
  int i = 0;
  for (MLine* line : lines) {
    ENG_FATAL_IF(i >= bones->count);
    BoneRecord& b = (*bones)[i++];
    b.line = line;
    line->end0->SaveUndo();
    line->end1->SaveUndo();
    if (Failed()) return;
    PointRecord start = b.restStart, end = b.restEnd;
    KeepMirror(line->end0, start);
    KeepMirror(line->end1, end);
    line->end0->SetPosition(start);
    line->end1->SetPosition(end);
    // The undo copies stay as the step's checkpoint took them: a reset
    // later in a step must not make undo give back matrices of the middle
    // of the step with joints of its start.
    MUtilIdentity(b.deformMatrix);
    MUtilIdentity(b.posedMatrix);
  }
  ENG_FATAL_IF(i != bones->count);
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  int k = 0;
  for (int m = 0; m < meshes.count; ++m) {
    MMeshObj* mesh = meshes[m].mesh;
    if (mesh->IsBoneObject()) continue;
    mesh->SaveEditState();
    if (Failed()) return;
    for (MVertex* v : mesh->GetVertexList()) {
      ENG_FATAL_IF(k >= restPositions->count);
      PointRecord p;
      FromRestSpace(meshes[m], (*restPositions)[k++], p);
      v->SaveUndo();
      if (Failed()) return;
      KeepMirror(v, p);
      v->SetPosition(p);
    }
    mesh->MarkChanged();
  }
  ENG_FATAL_IF(k != restPositions->count);
  MarkChanged();
}

void MBoneObj::DeformBoundObjects(MDocObj*) {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr) return;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  int k = 0;
  for (int m = 0; m < meshes.count; ++m) {
    MMeshObj* mesh = meshes[m].mesh;
    mesh->SaveEditState();
    if (Failed()) return;
    if (mesh->IsBoneObject()) continue;
    for (MVertex* v : mesh->GetVertexList()) {
      ENG_FATAL_IF(k >= restPositions->count || k >= skinRecords->count);
      const SkinRecord& r = (*skinRecords)[k];
      PointRecord p = (*restPositions)[k++];
      bool moves = false;
      for (int j = 0; j < r.count && j < 4; ++j)
        if (r.bones[j] >= 0 && r.bones[j] < bones->count && (*bones)[r.bones[j]].changed != 0) moves = true;
      if (!moves) continue;
      DeformPoint(r, p);
      PointRecord q;
      FromRestSpace(meshes[m], p, q);
      v->SaveUndo();
      if (Failed()) return;
      KeepMirror(v, q);
      v->SetPosition(q);
    }
    mesh->MarkChanged();
  }
  ENG_FATAL_IF(k != restPositions->count);
}

void MBoneObj::UpdatePosedMatrix(int, const PointRecord& restStart, const PointRecord& restEnd,
                                 const PointRecord& start, const PointRecord& end, double, MatrixRecord& matrix) {
  PointRecord a{restEnd.x - restStart.x, restEnd.y - restStart.y, restEnd.z - restStart.z};
  PointRecord c{end.x - start.x, end.y - start.y, end.z - start.z};
  OsUtilNormalize(a);
  OsUtilNormalize(c);
  PointRecord r;
  MUtilTransformVector(matrix, a, r);
  PointRecord n;
  OsUtilCrossProduct(r, c, n);
  double angle;
  if (n.x * n.x + n.y * n.y + n.z * n.z <= 1e-8) {
    // Parallel: nothing to turn. Opposite: half a turn about an axis
    // across the bone, so that a bone turned right round is followed.
    const double dot = r.x * c.x + r.y * c.y + r.z * c.z;
    if (dot >= 0) return;
    OsUtilCrossProduct(r, std::fabs(r.x) < 0.9 ? PointRecord{1, 0, 0} : PointRecord{0, 1, 0}, n);
    angle = M_PI;
  } else {
    angle = std::acos(MUtilCosAngle(r, {0, 0, 0}, c));
    if (MUtilIsNaN(angle)) return;
  }
  OsUtilNormalize(n);
  MatrixRecord identity, rotation, out;
  MUtilIdentity(identity);
  MUtilRotateAxis(identity, angle, n, rotation);
  MUtilMultiply(rotation, matrix, out);  // the old matrix, then the turn
  out.flag = matrix.flag;
  matrix = out;
}

bool MBoneObj::SpreadChangedFlags() {
  if (bones == nullptr) return true;
  PtrArray changed;
  for (int i = 0; i < bones->count; ++i) {
    if ((*bones)[i].changed == 0) continue;
    if (!changed.Add(&(*bones)[i])) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  for (int i = 0; i < changed.count; ++i) {
    const BoneRecord* b = static_cast<const BoneRecord*>(changed[i]);
    for (MVertex* joint : {b->line->end0, b->line->end1}) {
      ForEachLineAround(joint, [&](MLine* line) {
        if (BoneRecord* other = FindBoneByLine(line)) other->changed = 1;
      });
    }
  }
  return true;
}

void MBoneObj::ResetSelectedBones(MDocObj* scene) {
  PtrArray selected;
  GatherSelected(0, nullptr, &selected, nullptr);
  if (Failed()) return;
  if (selected.count == 0) {
    ResetAllBones(scene);
  } else {
    SaveEditState();
    for (int i = 0; i < selected.count && !Failed(); ++i) ResetBoneAndBelow(static_cast<MLine*>(selected[i]));
  }
  if (Failed()) return;
  UpdateBoneMatrices(1);
  if (!Failed()) ReapplyLengthRatios();
  if (!Failed()) DeformBoundObjects(scene);
}

void MBoneObj::ResetPose(MDocObj* scene) {
  ResetAllBones(scene);
  if (Failed()) return;
  UpdateBoneMatrices(1);
  if (!Failed()) DeformBoundObjects(scene);
}

}  // namespace engine
