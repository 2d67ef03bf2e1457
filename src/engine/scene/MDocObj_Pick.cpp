// MDocObj: picks limited to objects of visible, editable layers, and the
// whole-object transforms: freezing, merging an object's meshes, the
// keep-scale flag.
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;
namespace {

// The ray carried into the scene's own space.
void RayToScene(MDocObj& scene, const PointRecord& a, const PointRecord& b, PointRecord& outA, PointRecord& outB) {
  MatrixRecord inverse;
  scene.GetInverseMatrix(inverse);
  MUtilTransformPoint(inverse, a, outA);
  MUtilTransformPoint(inverse, b, outB);
}

// Runs `pick` on every child that may be picked; the nearest hit wins, the
// earlier child on a tie. `keep` is called with each new best hit.
template <class Pick, class Keep>
MObject* PickChildren(MDocObj& scene, double* t, Pick pick, Keep keep) {
  MObject* best = nullptr;
  double bestT = 0;
  for (int i = 0; i < scene.children.count; ++i) {
    MObject* child = scene.ChildAt(i);
    if (!scene.IsObjectEditable(child)) continue;
    if (scene.pickExcluded == 0 && child->excluded != 0) continue;
    double childT = 0;
    MObject* hit = pick(child, &childT);
    if (SceneFailed()) return nullptr;
    if (hit != nullptr && (best == nullptr || childT < bestT)) {
      best = hit;
      bestT = childT;
      keep();
    }
  }
  if (t != nullptr) *t = bestT;
  return best;
}

}  // namespace

MObject* MDocObj::PickElement(const PointRecord& rectMin, const PointRecord& rectMax, const PointRecord& rayStart,
                              const PointRecord& rayEnd, double* t, bool wholeObject) {
  PointRecord a, b;
  RayToScene(*this, rayStart, rayEnd, a, b);
  return PickChildren(
      *this, t, [&](MObject* child, double* ct) { return child->PickElement(rectMin, rectMax, a, b, ct, wholeObject); },
      [] {});
}

MObject* MDocObj::PickBoxHandle(const PointRecord& screenPoint, const PointRecord& rayStart,
                                const PointRecord& rayEnd, double* t, BoxHandle* handle) {
  PointRecord a, b;
  RayToScene(*this, rayStart, rayEnd, a, b);
  BoxHandle candidate{};
  return PickChildren(
      *this, t, [&](MObject* child, double* ct) { return child->PickBoxHandle(screenPoint, a, b, ct, &candidate); },
      [&] {
        if (handle != nullptr) *handle = candidate;
      });
}

MObject* MDocObj::PickNearest(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                              double* t, bool linesOnly) {
  PointRecord a, b;
  RayToScene(*this, rayStart, rayEnd, a, b);
  return PickChildren(
      *this, t, [&](MObject* child, double* ct) { return child->PickNearest(screenPoint, a, b, ct, linesOnly); },
      [] {});
}

MObject* MDocObj::PickFace(const PointRecord& screenPoint, const PointRecord& rayStart, const PointRecord& rayEnd,
                           double* t, MVertex** vertex, MLine** line, MFace** face) {
  PointRecord a, b;
  RayToScene(*this, rayStart, rayEnd, a, b);
  MVertex* v = nullptr;
  MLine* l = nullptr;
  MFace* f = nullptr;
  return PickChildren(
      *this, t,
      [&](MObject* child, double* ct) {
        // Only the kinds the caller asked for compete: a face pick must not
        // be won by a line or a vertex near the point.
        return child->PickFace(screenPoint, a, b, ct, vertex != nullptr ? &v : nullptr, line != nullptr ? &l : nullptr,
                               face != nullptr ? &f : nullptr);
      },
      [&] {
        if (vertex != nullptr) *vertex = v;
        if (line != nullptr) *line = l;
        if (face != nullptr) *face = f;
      });
}

void MDocObj::CollectInRegion(const QViewRegion* region, MObject* only, PtrArray* out) {
  for (int i = 0; i < children.count && !SceneFailed(); ++i) {
    MObject* child = ChildAt(i);
    if (!IsObjectEditable(child)) continue;
    if (pickExcluded == 0 && child->excluded != 0) continue;
    child->CollectInRegion(region, only, out);
  }
}

// ---- whole-object transforms --------------------------------------------------------------

void MDocObj::FreezeTransforms() {
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    object->SaveUndo();
    MatrixRecord world;
    GetObjectWorldMatrix(object, &world, nullptr);
    if (MMeshObj* mesh = AsMesh(object)) {
      // A direct child's matrix is its world matrix: it moves into the vertices.
      mesh->ApplyMatrixToVertices();
      if (SceneFailed()) return;
      mesh->MarkChanged();
    } else if (object->GetType() == kObjectGroup) {
      auto* group = static_cast<MGroupObj*>(object);
      for (int k = 0; k < group->children.count; ++k) {
        MObject* child = group->ChildAt(k);
        child->SaveUndo();
        MatrixRecord m;
        child->GetMatrix(m);
        MUtilMultiply(world, m, m);
        child->SetMatrix(m);
        child->MarkMoved();
      }
    }
    MatrixRecord identity;
    MUtilIdentity(identity);
    object->SetMatrix(identity);
    object->MarkMoved();
    BoundsRecord box;
    object->GetLocalBounds(box);
    if (box.empty != 0) continue;
    PointRecord centre = BoxCentre(box);
    if (object->IsSymmetric()) centre.x = 0;
    object->SetPivot(centre);
  }
}

MMeshObj* MDocObj::MergeObjectMeshes(MObject* object, int remove) {
  auto* merged = new (std::nothrow) MMeshObj();
  if (merged == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  if (SceneFailed()) {
    delete merged;
    return nullptr;
  }
  MGroupObj* owner = object->GetParent();
  if (owner != nullptr && !owner->AddChild(merged)) {
    delete merged;
    return nullptr;
  }
  MatrixRecord m;
  object->GetMatrix(m);
  merged->SetMatrix(m);

  PtrArray meshes;
  MatrixArray matrices, inverses;
  CollectMeshesWithMatrices(object, meshes, matrices, inverses);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    MObject* copy = static_cast<MMeshObj*>(meshes[i])->Clone();
    if (copy == nullptr) break;
    merged->AttachMesh(static_cast<MMeshObj*>(copy), matrices[i], nullptr, nullptr);
    delete copy;
  }
  if (!SceneFailed() && remove == 1) RemoveObject(object);
  if (SceneFailed()) {
    if (owner != nullptr) owner->RemoveChild(merged);
    delete merged;
    return nullptr;
  }
  merged->SetEditState(kEditCreated);
  return merged;
}

void MDocObj::SetKeepScaleFlag(bool value) {
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    object->SaveUndo();
    object->flags = value ? (object->flags | 1) : (object->flags & ~1);
  }
}

MMeshObj* MDocObj::FindMeshOfElement(MFace* face, MLine* line, MVertex* vertex) {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh->OwnsElement(face, line, vertex)) return mesh;
  }
  return nullptr;
}

void MDocObj::SaveEditStatesUnder(MObject* object) {
  PtrArray meshes;
  CollectMeshes(object, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) static_cast<MMeshObj*>(meshes[i])->SaveEditState();
}

void MDocObj::ClearMirrorPartnersUnder(MObject* object, int flag) {
  PtrArray meshes;
  CollectMeshes(object, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
    static_cast<MMeshObj*>(meshes[i])->ClearMirrorPartners(flag);
}

}  // namespace engine
