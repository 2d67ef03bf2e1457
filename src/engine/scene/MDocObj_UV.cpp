// MDocObj: editing the texture coordinates of one texture across every
// mesh that uses it. The commands take two parallel lists (a mesh and its
// material for the texture) and change only meshes whose layer is visible
// and editable; points are computed before any corner moves.
#include <limits>

#include "engine/core/EngRuntime.h"
#include "engine/mesh/MShader.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;
namespace {

MMeshObj* MeshAt(const PtrArray& meshes, int i) { return static_cast<MMeshObj*>(meshes[i]); }
MShader* MaterialAt(const PtrArray& materials, int i) { return static_cast<MShader*>(materials[i]); }

// Runs `change` (mesh, material) on each editable listed mesh, stopping at
// the first failure.
template <class Change>
void ForEachEditable(MDocObj& scene, const PtrArray& meshes, const PtrArray& materials, Change change) {
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
    if (scene.IsObjectEditable(MeshAt(meshes, i))) change(MeshAt(meshes, i), MaterialAt(materials, i));
}

}  // namespace

void MDocObj::CollectTextureMeshes(MShader* key, PtrArray& meshes, PtrArray& materials) {
  PtrArray all;
  CollectMeshes(this, all);
  for (int i = 0; i < all.count && !SceneFailed(); ++i) {
    MMeshObj* mesh = MeshAt(all, i);
    if (!IsObjectVisible(mesh)) continue;
    mesh->CleanUpShaders(true);
    if (SceneFailed()) break;
    MShader* material = mesh->FindShaderByTexture(key);
    if (material == nullptr) continue;
    if (!AddOrFail(meshes, mesh)) break;
    if (!AddOrFail(materials, material)) {
      meshes.Remove(mesh);
      break;
    }
  }
}

bool MDocObj::HasUVOutsideRange(MShader* key) {
  PtrArray meshes, materials;
  CollectTextureMeshes(key, meshes, materials);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
    if (IsObjectEditable(MeshAt(meshes, i)) && MeshAt(meshes, i)->HasUVOutsideRange(MaterialAt(materials, i)))
      return true;
  return false;
}

void MDocObj::MarkUVFromSelection(const PtrArray& meshes, const PtrArray& materials) {
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
    MeshAt(meshes, i)->UVMarksFromSelection(MaterialAt(materials, i));
}

void MDocObj::SelectFromUVMarks(const PtrArray& meshes, const PtrArray& materials) {
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i)
    MeshAt(meshes, i)->SelectionFromUVMarks(MaterialAt(materials, i));
}

void MDocObj::PickUV(const PointRecord& point, double radius, const PtrArray& meshes, const PtrArray& materials,
                     MMeshObj*& outMesh, TripleArray& outTriples) {
  double best = std::numeric_limits<double>::infinity();
  TripleArray found;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    MMeshObj* mesh = MeshAt(meshes, i);
    if (!IsObjectEditable(mesh)) continue;
    found.count = 0;
    double distance = 0;
    if (!mesh->PickUV(point.x, point.y, radius, MaterialAt(materials, i), found, distance)) continue;
    if (found.count == 0 || distance >= best) continue;
    outTriples.count = 0;
    for (int k = 0; k < found.count; ++k)
      if (!outTriples.Add(found[k])) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    outMesh = mesh;
    best = distance;
  }
}

void MDocObj::SelectUVRect(const PointRecord& corner1, const PointRecord& corner2, int toggle,
                           const PtrArray& meshes, const PtrArray& materials) {
  const double u0 = corner1.x < corner2.x ? corner1.x : corner2.x;
  const double u1 = corner1.x < corner2.x ? corner2.x : corner1.x;
  const double v0 = corner1.y < corner2.y ? corner1.y : corner2.y;
  const double v1 = corner1.y < corner2.y ? corner2.y : corner1.y;
  bool select = true;
  if (toggle == 1) {
    // An edge weighs as five corners: mostly selected already deselects.
    long selectedScore = 0, unselectedScore = 0;
    ForEachEditable(*this, meshes, materials, [&](MMeshObj* mesh, MShader* material) {
      int counters[4] = {0, 0, 0, 0};
      mesh->MarkUVInRect(u0, v0, u1, v1, material, true, counters);
      selectedScore += counters[1] + 5L * counters[0];
      unselectedScore += counters[3] + 5L * counters[2];
    });
    if (SceneFailed()) return;
    if (unselectedScore < selectedScore) select = false;
  }
  ForEachEditable(*this, meshes, materials, [&](MMeshObj* mesh, MShader* material) {
    mesh->MarkUVInRect(u0, v0, u1, v1, material, select, nullptr);
  });
}

void MDocObj::MoveUV(const PointRecord& offset, MMeshObj* mesh, const TripleArray& list, const PtrArray& meshes,
                     const PtrArray& materials) {
  if (mesh != nullptr) {
    mesh->MoveUVOfList(offset.x, offset.y, list);
    return;
  }
  ForEachEditable(*this, meshes, materials,
                  [&](MMeshObj* m, MShader* material) { m->MoveUVOfShader(offset.x, offset.y, material); });
}

void MDocObj::RotateUV(double angle, const PtrArray& meshes, const PtrArray& materials) {
  PointRecord centre;
  GetUVSelectionPoint(centre, meshes, materials, -1);
  ForEachEditable(*this, meshes, materials,
                  [&](MMeshObj* m, MShader* material) { m->RotateUV(centre.x, centre.y, angle, material); });
}

void MDocObj::ScaleUV(double factorU, double factorV, const PtrArray& meshes, const PtrArray& materials) {
  PointRecord centre;
  GetUVSelectionPoint(centre, meshes, materials, -1);
  ForEachEditable(*this, meshes, materials, [&](MMeshObj* m, MShader* material) {
    m->ScaleUV(centre.x, centre.y, factorU, factorV, material);
  });
}

void MDocObj::GetUVSelectionPoint(PointRecord& out, const PtrArray& meshes, const PtrArray& materials, int kind) {
  double u = 0, v = 0;
  int count = 0;
  bool started = false;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    MMeshObj* mesh = MeshAt(meshes, i);
    if (!IsObjectEditable(mesh)) continue;
    if (kind < 0) {
      mesh->GetMarkedUVExtent(MaterialAt(materials, i), u, v, count, kind);
      continue;
    }
    double mu = 0, mv = 0;
    int own = 0;
    mesh->GetMarkedUVExtent(MaterialAt(materials, i), mu, mv, own, kind);
    // A mesh without marked corners has no extreme to offer: its (0, 0)
    // would compete with the real ones.
    if (own == 0) continue;
    count += own;
    if (!started) {
      u = mu;
      v = mv;
      started = true;
      continue;
    }
    switch (kind) {
      case 0: if (mv > v) v = mv; break;
      case 1: if (mu < u) u = mu; break;
      case 2: if (mv < v) v = mv; break;
      default: if (mu > u) u = mu; break;
    }
  }
  if (count == 0)
    out = PointRecord{0, 0, 0};
  else if (kind < 0)
    out = PointRecord{u / count, v / count, 0};
  else
    out = PointRecord{u, v, 0};
}

void MDocObj::WeldSelectedUV(const PtrArray& meshes, const PtrArray& materials) {
  PointRecord mean;
  GetUVSelectionPoint(mean, meshes, materials, -1);
  ForEachEditable(*this, meshes, materials,
                  [&](MMeshObj* m, MShader* material) { m->SetSelectedUV(material, mean.x, mean.y); });
}

void MDocObj::JoinUVCorners(const PtrArray& meshes, const PtrArray& materials) {
  ForEachEditable(*this, meshes, materials, [](MMeshObj* m, MShader* material) {
    m->JoinCoincidentUVCorners(material);
    if (!SceneFailed()) m->SyncQuadUVs();
  });
}

void MDocObj::SetUVMarksOf(MMeshObj* mesh, const TripleArray& list, bool set, TripleArray& marked) {
  mesh->SetUVCornerMarks(list, set);
  if (!SceneFailed()) mesh->CollectMarkedUVCorners(marked);
}

void MDocObj::CommitUVMarks(const PtrArray& meshes) {
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) MeshAt(meshes, i)->ExpandUVEdgeMarks();
}

void MDocObj::FlipSelectedUV(int axis, const PtrArray& meshes, const PtrArray& materials) {
  PointRecord mean;
  GetUVSelectionPoint(mean, meshes, materials, -1);
  ForEachEditable(*this, meshes, materials,
                  [&](MMeshObj* m, MShader* material) { m->MirrorMarkedUV(axis, material, mean.x, mean.y); });
}

void MDocObj::AlignUVToExtreme(int kind, const PtrArray& meshes, const PtrArray& materials) {
  PointRecord point;
  GetUVSelectionPoint(point, meshes, materials, kind);
  ForEachEditable(*this, meshes, materials,
                  [&](MMeshObj* m, MShader* material) { m->SetMarkedUVComponent(kind, material, point.x, point.y); });
}

}  // namespace engine
