// Fitting the area marked around the red bone to the feature points, across
// and along that bone, and the per-bone pass that pushes marked vertices
// out through marked faces.
#include <cmath>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/FigureInternal.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

namespace {

// What one bone gathers: its vertices with their rest-to-mesh matrices,
// and the faces beside them as quads in the figure's frame.
struct BoneGathering {
  PtrArray vertices;
  PtrArray matrices;
  PtrArray faces;
  QuadRecordArray quads;
};

}  // namespace

bool MBoneObj::MapAlongAxis(const PointRecord& origin, const PointRecord& axis, const DoubleArray& sources,
                            const DoubleArray& targets, const PtrArray& vertices, const PtrArray& matrices) {
  const int n = sources.count;
  if (n != targets.count || n < 2) return false;
  // Shifted as the first source below the first piece and as the last one
  // beyond the last; in between, linear from source to target.
  auto map = [&](double s) {
    int j = 0;
    while (j < n && !(s < sources[j])) ++j;
    if (j == 0) return s + (targets[0] - sources[0]);
    if (j == n) return s + (targets[n - 1] - sources[n - 1]);
    const double run = sources[j] - sources[j - 1];
    const double slope = std::fabs(run) < 1e-8 ? 1.0 : (targets[j] - targets[j - 1]) / run;
    return targets[j - 1] + slope * (s - sources[j - 1]);
  };
  const MatrixRecord* last = nullptr;
  MatrixRecord back;
  for (int i = 0; i < vertices.count && i < matrices.count; ++i) {
    MVertex* v = static_cast<MVertex*>(vertices[i]);
    const MatrixRecord* toMesh = static_cast<const MatrixRecord*>(matrices[i]);
    if (toMesh != last) {
      back = Inverse(*toMesh);
      last = toMesh;
    }
    const PointRecord p = TransformPoint(back, v->position);
    const double s = Dot(Sub(p, origin), axis);
    if (!MoveSavedVertex(v, TransformPoint(*toMesh, Add(p, Mul(axis, map(s) - s))))) return false;
  }
  return true;
}

bool MBoneObj::FitMarkedRegionsAlongBone(MDocObj* scene, const BoneRecord& bone, const PtrArray& vertices,
                                         const PtrArray& matrices, const PointArray& points, std::string* why) {
  PointRecord o, d, n;
  GetBoneFrame(bone, o, d, n);
  for (int code : {1, 4, 5, 6, 7, 8, 9})
    if (!HasFeatureCode(code)) return Refuse(why, "the feature point " + std::to_string(code) + " is missing");
  PointRecord centres[4];
  for (int k = 0; k < 4; ++k) {
    MGroup* group = nullptr;
    MMeshObj* mesh = nullptr;
    MatrixRecord frame;
    FindFeatureRegion(4 + k, scene, group, mesh, frame);
    if (Failed()) return false;
    if (group == nullptr) return Refuse(why, "the marked region " + std::to_string(4 + k) + " is not found");
    PtrArray regionVertices;
    mesh->CollectGroupMembers(group, nullptr, nullptr, &regionVertices);
    if (Failed()) return false;
    GetTransformedBoxCentre(regionVertices, Inverse(frame), 1, centres[k]);
  }
  auto across = [&](const PointRecord& p) { return Dot(Sub(p, o), n); };
  auto along = [&](const PointRecord& p) { return Dot(Sub(p, o), d); };
  auto mid = [](const PointRecord& a, const PointRecord& b) { return Mul(Add(a, b), 0.5); };
  auto p = [&](int code) { return GetFeaturePoint(code); };
  const PointRecord& c4 = centres[0];
  const PointRecord& c5 = centres[1];
  const PointRecord& c6 = centres[2];
  const PointRecord& c7 = centres[3];

  double alongMin = 0, alongMax = 0, acrossNegative = 0, acrossPositive = 0;
  const int sides = MeasureAroundBone(bone, points, alongMin, alongMax, acrossNegative, acrossPositive);
  // A side of the marked area with no points has no extent to move: its
  // row is left out.
  DoubleArray sources, targets;
  bool ok = true;
  auto row = [&](double source, double target) { ok = ok && AppendOrFail(sources, source) && AppendOrFail(targets, target); };
  if ((sides & 1) != 0) row(acrossNegative, HasFeatureCode(3) ? across(p(3)) : acrossNegative);
  row(across(c5), across(p(5)));
  row(across(mid(c6, c7)), across(mid(mid(p(7), p(8)), p(6))));
  row(across(c4), across(p(4)));
  if ((sides & 2) != 0) row(acrossPositive, HasFeatureCode(2) ? across(p(2)) : acrossPositive);
  if (!ok || !MapAlongAxis(o, n, sources, targets, vertices, matrices)) return false;

  sources.RemoveAll();
  targets.RemoveAll();
  if (points.count > 0) row(alongMin, along(p(1)));
  row(along(mid(c4, c5)), along(mid(p(5), p(4))));
  row(along(c6), along(p(6)));
  row(along(c7), along(mid(p(7), p(8))));
  if (points.count > 0) row(alongMax, along(p(9)));
  return ok && MapAlongAxis(o, d, sources, targets, vertices, matrices);
}

bool MBoneObj::FitToSceneObjects(MDocObj* scene, std::string* why) {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr)
    return Refuse(why, "the figure has no rig");
  if (!RigFitsBody()) return Refuse(why, "the body has changed since the rig was made");
  SaveEditState();
  BoundMeshArray meshes;
  if (Failed() || !CollectBoundMeshes(meshes)) return false;
  for (int m = 0; m < meshes.count && !Failed(); ++m) meshes[m].mesh->SaveEditState();
  NumberBodyVertices(scene);
  if (Failed()) return false;
  PtrArray redVertices;
  PointArray points;
  if (!CollectRedLimbVertices(scene, redVertices, points)) return false;
  PtrArray marked, matrixRefs, best;
  MatrixArray matrices;
  BoneRecord* bone = nullptr;
  MMeshObj* bestMesh = nullptr;
  if (!CollectMarkedLimbVertices(scene, marked, &bone, matrices, matrixRefs, best, &bestMesh)) return false;
  if (bone == nullptr || bestMesh == nullptr) return Refuse(why, "no marked area lies on a red bone");
  // The figure's frame into the mesh: the figure's world matrix acts first.
  const MatrixRecord m = Multiply(Inverse(WorldMatrixOf(bestMesh)), WorldMatrixOf(this));
  PropagateDisplacement(scene, bestMesh, nullptr, m, &best, 2);
  if (Failed()) return false;
  CaptureRestState(scene, false);
  if (Failed()) return false;
  if (!FitMarkedRegionsAlongBone(scene, *bone, marked, matrixRefs, points, why)) return false;
  PropagateDisplacement(scene, bestMesh, nullptr, m, &best, 1);
  return !Failed();
}

void MBoneObj::ProjectMarkedVerticesPerBone(MDocObj* scene, int kindA, int kindB, double factor) {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr) return;
  NumberBodyVertices(scene);
  BoundMeshArray meshes;
  if (Failed() || !CollectBoundMeshes(meshes)) return;
  MatrixArray toRest, fromRest;
  for (int m = 0; m < meshes.count; ++m) {
    MatrixRecord a, b;
    GetRestMatrices(meshes[m], a, b);
    if (!toRest.Add(a) || !fromRest.Add(b)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  const int boneCount = bones->count;
  void* block = EngAlloc(sizeof(BoneGathering) * static_cast<std::size_t>(boneCount > 0 ? boneCount : 1));
  if (block == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  BoneGathering* gathered = static_cast<BoneGathering*>(block);
  for (int i = 0; i < boneCount; ++i) ::new (gathered + i) BoneGathering();
  auto validBone = [&](int index) { return index >= 0 && index < boneCount; };

  for (int m = 0; m < meshes.count && !Failed(); ++m) {
    MMeshObj* mesh = meshes[m].mesh;
    if (mesh->IsBoneObject()) continue;
    mesh->SaveEditState();
    if (Failed()) break;
    for (MVertex* v : mesh->GetVertexList()) {
      if (!BodyVertexHasColourKind(v, kindA) || BodyVertexHasColourKind(v, kindB)) continue;
      const SkinRecord* record = GetSkinRecordOfVertex(v);
      if (record == nullptr || record->count <= 0 || !validBone(record->bones[0])) continue;
      BoneGathering& g = gathered[record->bones[0]];
      if (!AppendOrFail(g.vertices, v) || !AppendOrFail(g.matrices, &fromRest[m])) break;
    }
    for (MFace* face : mesh->GetFaceList()) {
      if (Failed()) break;
      MLine* edges[3];
      face->GetLines(edges);
      if (!BodyLineHasColourKind(edges[0], kindB) && !BodyLineHasColourKind(edges[1], kindB) &&
          !BodyLineHasColourKind(edges[2], kindB))
        continue;
      MVertex* corners[3];
      face->GetVertices(corners);
      QuadRecord quad;
      quad.p0 = TransformPoint(toRest[m], corners[0]->position);
      quad.p1 = TransformPoint(toRest[m], corners[1]->position);
      quad.p2 = TransformPoint(toRest[m], corners[2]->position);
      const PointRecord normal = Cross(Sub(quad.p1, quad.p0), Sub(quad.p2, quad.p0));
      quad.n = Dot(normal, normal) <= 1e-16 ? PointRecord{0, 0, 1} : Mul(normal, 1.0 / std::sqrt(Dot(normal, normal)));
      for (int c = 0; c < 3 && !Failed(); ++c) {
        const SkinRecord* record = GetSkinRecordOfVertex(corners[c]);
        if (record == nullptr) continue;
        for (int i = 0; i < record->count && i < 4; ++i) {
          if (!validBone(record->bones[i])) continue;
          BoneGathering& g = gathered[record->bones[i]];
          const int k = g.faces.count;
          if (c > 0 && ((k >= 1 && g.faces[k - 1] == face) || (k >= 2 && g.faces[k - 2] == face))) continue;
          if (!AppendOrFail(g.faces, face)) break;
          if (!g.quads.Add(quad)) {
            EngRecordFailure(kEngReasonOutOfMemory);
            break;
          }
        }
      }
    }
  }
  for (int i = 0; i < boneCount && !Failed(); ++i) {
    int quadCount = gathered[i].faces.count;
    ProjectVerticesOntoQuads(gathered[i].vertices, gathered[i].matrices, quadCount, gathered[i].quads, factor);
  }
  for (int i = 0; i < boneCount; ++i) gathered[i].~BoneGathering();
  EngFree(block);
}

}  // namespace engine
