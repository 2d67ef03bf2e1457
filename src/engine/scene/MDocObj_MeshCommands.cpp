// MDocObj: mesh commands over the selection that the figure commands use:
// inverting the editable selection, moving pivots to the selection's
// centre, subdividing, and joining the nearest border vertices.
#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

void MDocObj::InvertEditableSelection(MObject* scope) {
  int selectedMeshes = 0;
  CountElementSelectedMeshes(selectedMeshes);
  if (selectedMeshes > 0) {
    PtrArray meshes;
    CollectMeshes(scope != nullptr ? scope : this, meshes);
    for (int i = 0; i < meshes.count; ++i) {
      auto* mesh = static_cast<MMeshObj*>(meshes[i]);
      if (IsObjectEditable(mesh)) mesh->InvertSelectionAll();
    }
    return;
  }
  ENG_FATAL_IF(scope != nullptr);
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (IsObjectEditable(object)) object->Select(!object->IsSelected());
  }
}

void MDocObj::CentrePivotsOnSelection() {
  PtrArray objects;
  PointArray points;
  auto addPoint = [&](const PointRecord& p) {
    if (points.Add(p)) return true;
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  };
  if (HasSelectedObject()) {
    GetSelectedObjects(objects);
    for (int i = 0; i < objects.count && !SceneFailed(); ++i) {
      BoundsRecord box;
      GetWorldBounds(static_cast<MObject*>(objects[i]), box);
      if (box.empty != 0) continue;
      PointRecord corners[8];
      MUtilBoxCorners(box, corners);
      for (const PointRecord& c : corners)
        if (!addPoint(c)) break;
    }
  } else {
    PtrArray meshes;
    CollectElementSelectedMeshes(meshes);
    for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
      auto* mesh = static_cast<MMeshObj*>(meshes[i]);
      PointRecord centre;
      mesh->GetSelectionCentre(centre);
      MatrixRecord world;
      GetObjectWorldMatrix(mesh, &world, nullptr);
      MUtilTransformPoint(world, centre, centre);
      MObject* top = GetTopLevelObject(mesh);
      bool listed = false;
      for (int k = 0; k < objects.count; ++k) listed = listed || objects[k] == top;
      if (!addPoint(centre) || (!listed && !AddOrFail(objects, top))) break;
    }
  }
  if (SceneFailed() || points.count == 0) return;
  BoundsRecord all;
  MUtilBoxOfPoints(points.count, &points[0], all);
  PointRecord centre = BoxCentre(all);
  for (int i = 0; i < objects.count; ++i) {
    auto* object = static_cast<MObject*>(objects[i]);
    if (IsObjectOnMirrorLayer(object, true) && object->IsSymmetric()) centre.x = 0;
  }
  for (int i = 0; i < objects.count && !SceneFailed(); ++i) static_cast<MObject*>(objects[i])->SetPivot(centre);
  MarkChanged();
}

void MDocObj::SubdivideSelection(int level) {
  ForEachCommandMesh(
      *this, false, [=](MMeshObj* m) { m->SubdivideAll(level); }, [=](MMeshObj* m) { m->SubdivideSelected(level); });
}

void MDocObj::JoinNearestBorderVertices() {
  PtrArray vertices, meshes;
  PointArray points;
  EngArray<unsigned char> used;
  PtrArray selectedMeshes;
  CollectElementSelectedMeshes(selectedMeshes);
  for (int m = 0; m < selectedMeshes.count && !SceneFailed(); ++m) {
    auto* mesh = static_cast<MMeshObj*>(selectedMeshes[m]);
    PtrArray rings;
    mesh->GatherSelectedVertices(rings);
    MatrixRecord world;
    GetObjectWorldMatrix(mesh, &world, nullptr);
    for (int k = 0; k < rings.count && !SceneFailed(); ++k) {
      auto* v = static_cast<MVertex*>(rings[k]);
      PointRecord p;
      MUtilTransformPoint(world, v->GetPosition(), p);
      if (!AddOrFail(vertices, v) || !AddOrFail(meshes, mesh)) return;
      if (!points.Add(p) || !used.Add(0)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
  }
  if (SceneFailed()) return;
  ENG_FATAL_IF(vertices.count != points.count || vertices.count != meshes.count);
  const int n = vertices.count;
  if (n < 2) return;
  double reach = std::numeric_limits<double>::infinity();
  if (n >= 4) {
    BoundsRecord box;
    MUtilBoxOfPoints(n, &points[0], box);
    reach = 0.2 * MUtilDistance(PointRecord{box.minX, box.minY, box.minZ}, PointRecord{box.maxX, box.maxY, box.maxZ});
  }
  auto isBorder = [](MVertex* v) {
    bool border = false, sharp = false;
    v->GetLineKinds(border, sharp);
    return border;
  };
  auto isRemoved = [](MVertex* v) { return v->state == kItemRemoved || v->state == kItemCreatedRemoved; };
  for (int i = 0; i + 1 < n && !SceneFailed(); ++i) {
    int nearest = -1;
    double best = 0;
    for (int j = i + 1; j < n; ++j) {
      if (used[j] != 0) continue;
      const double d = MUtilDistance(points[i], points[j]);
      if (nearest < 0 || d < best) {
        nearest = j;
        best = d;
      }
    }
    if (nearest < 0 || best > reach) continue;
    auto* vi = static_cast<MVertex*>(vertices[i]);
    auto* vj = static_cast<MVertex*>(vertices[nearest]);
    if (isRemoved(vi) || isRemoved(vj) || vi->FindLineBetweenRings(vj) != nullptr || !isBorder(vi) || !isBorder(vj))
      continue;
    auto* a = static_cast<MMeshObj*>(meshes[i]);
    auto* b = static_cast<MMeshObj*>(meshes[nearest]);
    MMeshObj* joined = JoinVertices(a, b, vi, vj);
    used[nearest] = 1;
    if (joined == nullptr) continue;
    for (int k = i + 1; k < n; ++k)
      if (meshes[k] == a || meshes[k] == b) meshes[k] = joined;
  }
}

}  // namespace engine
