// MDocObj: the mesh boolean of two selected objects, and the bare marking
// of a changed element selection.
#include <cmath>
#include <memory>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MShader.h"
#include "engine/modeling/MBoolean.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

namespace {

// One side of the boolean: its meshes taken out of the scene (owned here
// until they are attached or handed to the boolean), their scene matrices,
// and the mesh the others are attached to.
struct PairOperand {
  PtrArray meshes;
  std::unique_ptr<MatrixRecord[]> worlds;
  MMeshObj* base = nullptr;
  bool symmetric = false;

  MMeshObj* MeshAt(int i) const { return static_cast<MMeshObj*>(meshes[i]); }
  void DeleteMeshes() {
    for (int i = 0; i < meshes.count; ++i) delete MeshAt(i);
    meshes.RemoveAll();
    base = nullptr;
  }
};

}  // namespace

void MDocObj::BooleanOfPair(int mode) {
  if (SelectionMixesMirrorLayers()) {
    EngRecordFailure(kEngReasonMixedMirrorLayers);
    return;
  }
  PtrArray selected;
  GetSelectedObjects(selected);
  if (SceneFailed()) return;
  if (selected.count != 2) {
    EngRecordFailure(kEngReasonNotAPair);
    return;
  }
  PairOperand ops[2];
  CollectMeshesOfPair(ops[0].meshes, ops[1].meshes);
  if (SceneFailed()) return;
  if (ops[0].meshes.count == 0 || ops[1].meshes.count == 0) {
    EngRecordFailure(kEngReasonNotAPair);
    return;
  }
  PtrArray originals;
  for (PairOperand& op : ops) {
    op.worlds.reset(new (std::nothrow) MatrixRecord[op.meshes.count]);
    if (op.worlds == nullptr || !AddOrFail(originals, GetTopLevelObject(op.MeshAt(0)))) {
      if (op.worlds == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    for (int i = 0; i < op.meshes.count; ++i) GetObjectWorldMatrix(op.MeshAt(i), &op.worlds[i], nullptr);
  }
  SelectAll(false);

  // The copies keep the two objects as they were: they stand in for them
  // when the step is undone, and in place of them when the boolean fails.
  PtrArray copies;
  if (!AddUndoCopies(originals, copies)) return;
  for (PairOperand& op : ops) {
    for (int i = 0; i < op.meshes.count; ++i) {
      MGroupObj* parent = op.MeshAt(i)->GetParent();
      ENG_FATAL_IF(parent == nullptr);
      parent->RemoveChild(op.MeshAt(i));
    }
  }
  for (int k = 0; k < 2; ++k) {
    auto* top = static_cast<MObject*>(originals[k]);
    if (top->GetParent() == nullptr) continue;  // a mesh of its own, taken out above
    RemoveChild(top);
    delete top;
  }

  auto seamMaterial = std::unique_ptr<MShader>(new (std::nothrow) MShader());
  if (seamMaterial == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
  // Each side becomes one mesh in scene axes; a mirror half is made whole,
  // its added half in the seam material so that it can be taken off again.
  for (PairOperand& op : ops) {
    for (int i = 0; i < op.meshes.count && !SceneFailed(); ++i) {
      MMeshObj* mesh = op.MeshAt(i);
      mesh->UpdateMirrorMode();
      if (!mesh->IsSymmetric()) continue;
      mesh->MirrorToFull(seamMaterial.get());
      op.symmetric = true;
      op.base = mesh;
    }
    if (op.base == nullptr) op.base = op.MeshAt(0);
    int baseIndex = 0;
    for (int i = 0; i < op.meshes.count; ++i)
      if (op.MeshAt(i) == op.base) baseIndex = i;
    MatrixRecord baseInverse;
    MUtilInvert(op.worlds[baseIndex], baseInverse);
    if (!SceneFailed()) op.base->SetMatrix(op.worlds[baseIndex]);
    for (int i = 0; i < op.meshes.count && !SceneFailed(); ++i) {
      MMeshObj* mesh = op.MeshAt(i);
      if (mesh == op.base) continue;
      MatrixRecord relative;
      MUtilMultiply(baseInverse, op.worlds[i], relative);
      op.base->AttachMesh(mesh, relative, nullptr, nullptr);
    }
    // Only the base is left to hand on.
    for (int i = 0; i < op.meshes.count; ++i)
      if (op.MeshAt(i) != op.base) delete op.MeshAt(i);
    op.meshes.RemoveAll();
    if (!AddOrFail(op.meshes, op.base)) delete op.base;
  }

  MMeshObj* result = nullptr;
  if (!SceneFailed()) {
    auto boolean = std::unique_ptr<MBoolean>(new (std::nothrow) MBoolean());
    if (boolean == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
    } else {
      MMeshObj* a = ops[1].base;
      MMeshObj* b = ops[0].base;
      int i = 1, j = 0;
      // A mirror half selected first stays the first operand, so that its
      // own half is what comes back.
      if (ops[0].symmetric && mode != MBoolean::kTrim) {
        std::swap(a, b);
        std::swap(i, j);
        if (mode == MBoolean::kAMinusB) mode = MBoolean::kBMinusA;
      }
      MatrixRecord matrixA, matrixB;
      a->GetMatrix(matrixA);
      b->GetMatrix(matrixB);
      // The boolean takes both meshes over, whatever it answers.
      ops[0].meshes.RemoveAll();
      ops[1].meshes.RemoveAll();
      result = boolean->Combine(a, b, matrixA, matrixB, mode);
      if (result != nullptr && SceneFailed()) {
        delete result;
        result = nullptr;
      }
    }
  }
  if (result != nullptr) {
    result->RemoveFacesOfShader(seamMaterial.get());
    if (!SceneFailed()) result->UpdateMirrorMode();
    if (!SceneFailed()) result->CleanUpShaders(true);
    if (!SceneFailed() && !AddChild(result)) EngRecordFailure(kEngReasonOutOfMemory);
    if (SceneFailed()) {
      if (result->GetParent() != nullptr) RemoveChild(result);
      delete result;
      result = nullptr;
    }
  }
  ops[0].DeleteMeshes();
  ops[1].DeleteMeshes();
  // On failure the copies stay as ordinary objects: the scene shows the two
  // objects as they were.
  if (result == nullptr) return;

  // The current layer: the layer new and duplicated objects go on.
  result->SetLayer(currentLayer);
  result->Checkpoint(false);
  result->SetEditState(kEditCreated);
  for (int i = 0; i < copies.count; ++i) RemoveObject(static_cast<MObject*>(copies[i]));
  RetargetSavedAnimation(originals, copies);
  result->MarkChanged();
}

void MDocObj::CopySelectedPartsBy(int kind, double distance) {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  PointRecord offset;
  GetDefaultPasteOffset(offset);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveSelectionForUndo();
    PtrArray faces, lines;
    if (!SceneFailed()) mesh->GatherSelected(0, &faces, &lines, nullptr);
    if (SceneFailed()) break;
    // The distance and the offset are the scene's; the part is moved in
    // the mesh's own axes.
    MatrixRecord inverse;
    GetObjectWorldMatrix(mesh, nullptr, &inverse);
    PointRecord along, localOffset;
    MUtilTransformVector(inverse, PointRecord{0, 0, distance}, along);
    MUtilTransformVector(inverse, offset, localOffset);
    const double d = std::sqrt(along.x * along.x + along.y * along.y + along.z * along.z);
    if (kind == 1 || kind == 2) {
      // The copy pulled out and joined back to where it came from by walls:
      // an extrusion of the selected faces, or else of the selected lines.
      if (faces.count > 0)
        mesh->ExtrudeFaces(faces, kind, distance < 0 ? -d : d);
      else
        mesh->ExtrudeSelectedLines(kind, distance < 0 ? -d : d);
      if (!SceneFailed()) mesh->MergeRootGroups();
      mesh->MarkChanged();
      continue;
    }
    MMeshObj* part = mesh->CopyMarkedToNewMesh(&faces, &lines);
    if (part == nullptr) break;
    if (kind == 3)
      part->MoveVertices(kind, distance < 0 ? -d : d, PointRecord{0, 0, 0});
    else
      part->MoveVertices(kind, 0, distance < -0.5 ? PointRecord{0, 0, 0} : localOffset);
    if (!SceneFailed()) mesh->ClearSelection();
    if (SceneFailed()) {
      delete part;
      break;
    }
    if (kind != 3) {
      // The copy's elements arrive selected and become the mesh's selection.
      MatrixRecord identity;
      MUtilIdentity(identity);
      mesh->AttachMesh(part, identity, nullptr, nullptr);
      delete part;
      if (!SceneFailed()) mesh->MergeRootGroups();
      mesh->MarkChanged();
      continue;
    }
    part->MergeRootGroups();
    MatrixRecord local;
    mesh->GetMatrix(local);
    part->SetMatrix(local);
    MGroupObj* parent = mesh->GetParent();
    if (!SceneFailed() && parent != nullptr && parent->AddChild(part)) {
      part->SetLayer(mesh->GetLayer());
      part->Checkpoint(false);
      part->SetEditState(kEditCreated);
      part->MarkChanged();
    } else {
      if (!SceneFailed()) EngRecordFailure(kEngReasonOutOfMemory);
      delete part;
    }
  }
}

void MDocObj::MarkSelectionChanged() {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  MarkChanged();
}

}  // namespace engine
