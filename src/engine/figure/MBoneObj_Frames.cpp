// Geometric services of the body fitting: a bone's frame and coordinates in
// it, extents of points around a bone, box centres, pushing a point through
// a quad, and the collection of limb vertices by their colour marks.
#include <cmath>
#include <limits>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/FigureInternal.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

double MBoneObj::GetBoneFrame(const BoneRecord& bone, PointRecord& origin, PointRecord& direction,
                              PointRecord& perpendicular) {
  const MLine* line = bone.line;
  const bool fromSecond = line->end0->CountLines() > 1;
  origin = fromSecond ? line->end1->position : line->end0->position;
  const PointRecord other = fromSecond ? line->end0->position : line->end1->position;
  direction = Unit(Sub(other, origin));
  perpendicular = Unit({-direction.y, direction.x, 0});
  return MUtilDistance(line->end0->position, line->end1->position);
}

void MBoneObj::ProjectOnBoneFrame(const PointRecord& origin, const PointRecord& u, const PointRecord& v,
                                  const PointRecord& p, double& a, double& b) {
  const PointRecord d = Sub(p, origin);
  a = Dot(d, v);
  b = Dot(d, u);
}

int MBoneObj::MeasureAroundBone(const BoneRecord& bone, const PointArray& points, double& alongMin,
                                double& alongMax, double& acrossNegative, double& acrossPositive) {
  PointRecord o, u, v;
  const double reference = 0.4 * GetBoneFrame(bone, o, u, v);
  alongMin = std::numeric_limits<double>::infinity();
  alongMax = -std::numeric_limits<double>::infinity();
  double nearestNegative = std::numeric_limits<double>::infinity();
  double nearestPositive = std::numeric_limits<double>::infinity();
  int found = 0;
  for (int i = 0; i < points.count; ++i) {
    double across, along;
    ProjectOnBoneFrame(o, u, v, points[i], across, along);
    alongMin = std::min(alongMin, along);
    alongMax = std::max(alongMax, along);
    const double off = std::fabs(along - reference);
    if (across < 0 && off < nearestNegative) {
      nearestNegative = off;
      acrossNegative = across;
      found |= 1;
    } else if (across > 0 && off < nearestPositive) {
      nearestPositive = off;
      acrossPositive = across;
      found |= 2;
    }
  }
  return found;
}

PointRecord& MBoneObj::GetTransformedBoxCentre(const PtrArray& vertices, const MatrixRecord& m, int mode,
                                               PointRecord& out) {
  if (vertices.count == 0) {
    out = {0, 0, 0};
    return out;
  }
  PointRecord low = TransformPoint(m, static_cast<MVertex*>(vertices[0])->position), high = low;
  for (int i = 1; i < vertices.count; ++i) {
    const PointRecord p = TransformPoint(m, static_cast<MVertex*>(vertices[i])->position);
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  out = Mul(Add(low, high), 0.5);
  if (mode < 0) out.z = 0;
  return out;
}

bool MBoneObj::OffsetThroughQuad(const QuadRecord& quad, const PointRecord& a, const PointRecord& b, double distance,
                                 PointRecord& out) {
  double t;
  if (MUtilLinePlaneParam(b, a, quad.n, quad.p0, t) < 0) return false;
  if (t < 0.5 || t > 1.6) return false;
  const double d = MUtilDistance(a, b);
  if (d * (1 - t) > distance) return false;  // the crossing lies too far before a
  const PointRecord x = Add(b, Mul(Sub(a, b), t));
  double u, v;
  MUtilTriangleCoords(quad.p0, quad.p1, quad.p2, x, u, v);
  if (u < 0 || u > 1 || v < 0 || v > 1) return false;
  out = Add(x, Mul(Unit(Sub(a, b)), distance));
  return true;
}

void MBoneObj::ProjectVerticesOntoQuads(const PtrArray& vertices, const PtrArray& matrices, int& quadCount,
                                        const QuadRecordArray& quads, double distance) {
  const int count = std::min(quadCount, quads.count);
  for (int i = 0; i < vertices.count && i < matrices.count; ++i) {
    MVertex* vertex = static_cast<MVertex*>(vertices[i]);
    const SkinRecord* record = GetSkinRecordOfVertex(vertex);
    if (record == nullptr) return;  // the list and the rest state disagree: nothing more is trusted
    PointRecord rest, skeleton;
    GetRestPosition(rest, vertex);
    GetSkeletonPoint(*record, 0, skeleton);
    for (int q = 0; q < count; ++q) {
      PointRecord moved;
      if (!OffsetThroughQuad(quads[q], rest, skeleton, distance, moved)) continue;
      const MatrixRecord& toMesh = *static_cast<const MatrixRecord*>(matrices[i]);
      if (!MoveSavedVertex(vertex, TransformPoint(toMesh, moved))) return;
      break;
    }
  }
}

void MBoneObj::RunLimbFitPasses(MDocObj* scene) {
  const struct {
    int a, b;
  } passes[] = {{kBodyRed, 0}, {kBodyMagenta, 0}, {kBodyMagenta, kBodyRed}};
  for (const auto& pass : passes) {
    ProjectMarkedVerticesPerBone(scene, pass.a, pass.b, 0.6);
    if (Failed()) return;
  }
}

bool MBoneObj::CollectMarkedLimbVertices(MDocObj*, PtrArray& vertices, BoneRecord** bone, MatrixArray& matrices,
                                         PtrArray& matrixRefs, PtrArray& bestVertices, MMeshObj** bestMesh) {
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return false;
  // Every mesh's rest-to-mesh matrix first: the references below point
  // into the array, which must not grow after them.
  const int base = matrices.count;
  for (int m = 0; m < meshes.count; ++m) {
    MatrixRecord toRest, fromRest;
    GetRestMatrices(meshes[m], toRest, fromRest);
    if (!matrices.Add(fromRest)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  if (bestMesh != nullptr) *bestMesh = nullptr;
  int bestCount = 0;
  int bestStamp = 0;
  for (int m = 0; m < meshes.count; ++m) {
    MMeshObj* mesh = meshes[m].mesh;
    if (mesh->IsBoneObject()) continue;
    const int corners = mesh->TakeVisitStamp();
    const int taken = mesh->TakeVisitStamp();
    for (MFace* face : mesh->GetFaceList()) {
      if (GetFaceColourClass(face) != kFaceMagenta) continue;
      MVertex* c[3];
      face->GetVertices(c);
      for (MVertex* v : c) v->SetRingIds(corners);
    }
    int count = 0;
    for (MVertex* v : mesh->GetVertexList()) {
      if (v->id != corners) continue;
      const SkinRecord* record = GetSkinRecordOfVertex(v);
      if (record == nullptr || record->count <= 0 || record->bones[0] < 0 || record->bones[0] >= bones->count)
        continue;
      BoneRecord& first = (*bones)[record->bones[0]];
      if (!IsRedBone(first)) continue;
      if (!AppendOrFail(vertices, v) || !AppendOrFail(matrixRefs, &matrices[base + m])) return false;
      v->id = taken;
      if (bone != nullptr) *bone = &first;
      ++count;
    }
    if (count > bestCount) {
      bestCount = count;
      bestStamp = taken;
      if (bestMesh != nullptr) *bestMesh = mesh;
    }
  }
  if (bestMesh != nullptr && *bestMesh != nullptr)
    for (MVertex* v : (*bestMesh)->GetVertexList())
      if (v->id == bestStamp && !AppendOrFail(bestVertices, v)) return false;
  return true;
}

bool MBoneObj::CollectRedLimbVertices(MDocObj*, PtrArray& vertices, PointArray& positions) {
  if (bones == nullptr) return true;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return false;
  for (int m = 0; m < meshes.count; ++m) {
    if (meshes[m].mesh->IsBoneObject()) continue;
    for (MVertex* v : meshes[m].mesh->GetVertexList()) {
      if ((v->flags & kVertexHidden) != 0 || v->group != nullptr || !BodyVertexHasColourKind(v, kBodyRed)) continue;
      const SkinRecord* record = GetSkinRecordOfVertex(v);
      if (record == nullptr || record->count <= 0 || record->bones[0] < 0 || record->bones[0] >= bones->count ||
          !IsRedBone((*bones)[record->bones[0]]))
        continue;
      PointRecord rest;
      ToRestSpace(meshes[m], v->position, rest);
      if (!AppendOrFail(vertices, v)) return false;
      if (!positions.Add(rest)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return false;
      }
    }
  }
  return true;
}

}  // namespace engine
