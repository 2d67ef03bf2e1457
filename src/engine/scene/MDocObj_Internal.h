#pragma once
// Small helpers shared by the scene document's topic files.
#include <string>

#include "engine/core/EngArrays.h"
#include "engine/core/EngGeometry.h"
#include "engine/core/EngRuntime.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/scene/MDocObj.h"

namespace engine {
namespace scene_detail {

inline PointRecord Add(const PointRecord& a, const PointRecord& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline PointRecord Sub(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline PointRecord Neg(const PointRecord& a) { return {-a.x, -a.y, -a.z}; }
inline PointRecord Scaled(const PointRecord& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline PointRecord BoxCentre(const BoundsRecord& box) {
  return {(box.minX + box.maxX) * 0.5, (box.minY + box.maxY) * 0.5, (box.minZ + box.maxZ) * 0.5};
}

// Appends, or records out of memory and answers false.
inline bool AddOrFail(PtrArray& out, void* item) {
  if (out.Add(item)) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

// The meshes of the selected objects (objects mode) or, with no object
// selected, the meshes holding selected elements; answers whether objects
// mode applies.
inline bool CollectModeMeshes(MDocObj& scene, PtrArray& meshes) {
  const bool objectsMode = scene.HasSelectedObject();
  if (objectsMode)
    scene.CollectSelectedMeshes(meshes);
  else
    scene.CollectElementSelectedMeshes(meshes);
  return objectsMode;
}

// Runs `all` or `selected` on each command mesh (after SaveEditState when
// `save`), stopping at the first failure; the scene is marked changed in
// any case.
template <class All, class Selected>
void ForEachCommandMesh(MDocObj& scene, bool save, All all, Selected selected) {
  PtrArray meshes;
  const bool objectsMode = CollectModeMeshes(scene, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (save) mesh->SaveEditState();
    if (SceneFailed()) break;
    if (objectsMode)
      all(mesh);
    else
      selected(mesh);
  }
  scene.MarkChanged();
}

inline bool HasSelectedLine(MMeshObj* mesh) {
  PtrArray lines;
  mesh->GatherSelected(0, nullptr, &lines, nullptr);
  return lines.count > 0;
}

// Opens each listed mesh's edit step and runs `op` on it, stopping at the
// first failure.
template <class Op>
void ForEachSavedMesh(const PtrArray& meshes, Op op) {
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveEditState();
    if (!SceneFailed()) op(mesh);
  }
}

// Moves each listed vertex's ring once (a fresh visit stamp marks the rings
// done): saved for undo, then to `place`(its position). Stops at the first
// failure.
template <class Place>
void MoveRingsOnce(MMeshObj* mesh, const PtrArray& vertices, Place place) {
  mesh->NextVisitStamp();
  const int stamp = mesh->GetVisitStamp();
  mesh->NextVisitStamp();
  for (int k = 0; k < vertices.count; ++k) {
    auto* v = static_cast<MVertex*>(vertices[k]);
    if (v->id == stamp) continue;
    v->SaveUndoRing();
    if (EngContext().failState != kEngFailNone) return;
    v->SetPosition(place(v->GetPosition()));
    v->SetRingIds(stamp);
  }
}

// The recorded failure, taken out of the engine's state while a command
// tidies up after it, and put back.
struct HeldFailure {
  HeldFailure() : state(EngContext().failState), reason(EngContext().failReason), text(EngContext().failText) {
    EngContext().ClearFailure();
  }
  ~HeldFailure() {
    EngContext().failState = state;
    EngContext().failReason = reason;
    EngContext().failText = text;
  }
  int state;
  int reason;
  std::string text;
};

}  // namespace scene_detail
}  // namespace engine
