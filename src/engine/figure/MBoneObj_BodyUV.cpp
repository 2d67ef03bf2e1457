// Texture coordinates for the part of a body behind a marked seam: each
// vertex there takes a blend of the coordinates of the two nearest seam
// vertices, measured across and along the first red bone.
#include <cmath>
#include <limits>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/FigureInternal.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/scene/MDocObj.h"

namespace engine {

using namespace figure_detail;

namespace {

bool CollectMeshesBelow(MGroupObj* group, PtrArray& out) {
  for (int i = 0; i < group->GetChildCount(); ++i) {
    MObject* child = group->ChildAt(i);
    const int type = child->GetType();
    if (type == kObjectMesh) {
      if (!out.Add(child)) return false;
    } else if (type == kObjectGroup || type == kObjectScene) {
      if (!CollectMeshesBelow(static_cast<MGroupObj*>(child), out)) return false;
    }
  }
  return true;
}

}  // namespace

bool figure_detail::CollectSceneMeshes(MObject* figure, MDocObj* scene, PtrArray& out) {
  if (scene != nullptr) {
    scene->CollectMeshes(scene, out);
    return !Failed();
  }
  // Without a scene: the meshes of the whole tree the figure belongs to,
  // depth first in child order.
  MObject* top = figure;
  while (top->GetParent() != nullptr) top = top->GetParent();
  const bool ok = top->GetType() == kObjectMesh ? out.Add(top) : CollectMeshesBelow(static_cast<MGroupObj*>(top), out);
  if (!ok) EngRecordFailure(kEngReasonOutOfMemory);
  return ok;
}

bool MBoneObj::FindUVSeamVertices(MDocObj* scene, PtrArray& out, MMeshObj** mesh, MatrixRecord& m,
                                  std::string* why) {
  auto refuse = [&](const char* reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  *mesh = nullptr;
  PtrArray meshes;
  if (!CollectSceneMeshes(this, scene, meshes)) return false;
  int seamStamp = 0;
  for (int i = 0; i < meshes.count; ++i) {
    MMeshObj* candidate = static_cast<MMeshObj*>(meshes[i]);
    const int stamp = candidate->TakeVisitStamp();
    for (MVertex* v : candidate->GetVertexList()) {
      if (v->group != nullptr || (v->flags & kVertexHidden) != 0) continue;
      const bool seam = !ForEachLineAround(v, [](MLine* line) {
        return !(BodyLineHasColourKind(line, kBodyGreen) && (line->flags & kLineHidden) == 0 && line->GetWidth() > 1);
      });
      if (!seam) continue;
      if (*mesh != nullptr && *mesh != candidate) return refuse("the seam's marks lie in two meshes");
      *mesh = candidate;
      seamStamp = stamp;
      if (!out.Add(v)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return false;
      }
      v->id = stamp;
    }
  }
  if (*mesh == nullptr) return refuse("no body mesh has a seam marked");
  m = Multiply(Inverse(WorldMatrixOf(this)), WorldMatrixOf(*mesh));  // the mesh's world matrix acts first
  // The list grows inwards, away from the seam: one or two rings deeper.
  const int passes = (*mesh)->GetFaceList().Length() < 380 ? 1 : 2;
  PtrArray neighbours;
  for (int pass = 0; pass < passes; ++pass) {
    PtrArray next;
    for (int i = 0; i < out.count; ++i) {
      MVertex* v = static_cast<MVertex*>(out[i]);
      const double depth = TransformPoint(m, v->position).z;
      neighbours.RemoveAll();
      v->CollectNeighbours(neighbours);
      if (Failed()) return false;
      for (int k = 0; k < neighbours.count; ++k) {
        MVertex* n = static_cast<MVertex*>(neighbours[k]);
        if (n->id == seamStamp || TransformPoint(m, n->position).z <= depth) continue;
        n->id = seamStamp;
        if (!next.Add(n)) {
          EngRecordFailure(kEngReasonOutOfMemory);
          return false;
        }
      }
    }
    out = std::move(next);
  }
  if (out.count == 0) return refuse("no body lies behind the seam");
  return true;
}

bool MBoneObj::GenerateBodyUVs(MDocObj* scene, int, std::string* why) {
  PtrArray seam;
  MMeshObj* mesh = nullptr;
  MatrixRecord m;
  if (!FindUVSeamVertices(scene, seam, &mesh, m, why)) return false;
  PtrArray targets;
  CollectJointsBeyondDepth(seam, mesh, m, targets);
  if (Failed()) return false;
  MLine* red = nullptr;
  for (MLine* line : lines) {
    if (BodyLineHasColourKind(line, kBodyRed)) {
      red = line;
      break;
    }
  }
  if (red == nullptr) {
    if (why != nullptr) *why = "no bone of the figure is marked red";
    return false;
  }
  const PointRecord origin = red->end0->position;
  const PointRecord axis = Unit(Sub(red->end1->position, origin));
  double extents[4];
  GetProjectedExtents(seam, 0, m, origin, axis, extents);
  AssignBodyUVs(seam, targets, mesh, m, origin, axis, extents[0], extents[1], extents[2], extents[3]);
  return !Failed();
}

namespace {

// The squared distance from (h, g) to the segment between two points of
// the (across, along) plane.
double SegmentDistanceSquared(double h, double g, double ax, double ay, double bx, double by) {
  return MUtilPointSegmentDistanceSquared({h, g, 0}, {ax, ay, 0}, {bx, by, 0}, nullptr);
}

// The across value of the point of the line through (k, l) along the
// direction that is nearest to the line through (0, a) and (x1, y1); k when
// the two run parallel.
double CrossingAcross(double k, double l, const PointRecord& direction, double a, double x1, double y1) {
  PointRecord out;
  if (MUtilClosestPointOnLine({0, a, 0}, {x1, y1, 0}, direction, {k, l, 0}, out) < 0) return k;
  return out.x;
}

}  // namespace

void MBoneObj::AssignBodyUVs(const PtrArray& seam, const PtrArray& targets, MMeshObj* mesh, const MatrixRecord& m,
                             const PointRecord& origin, const PointRecord& axis, double a, double b, double c,
                             double d) {
  if (seam.count == 0) return;
  const PointRecord across = Unit({axis.y, -axis.x, 0});
  const double reach = 10 * (std::fabs(d - a) + std::fabs(c - b));
  auto frame = [&](const MVertex* v, double& k, double& l) {
    const PointRecord offset = Sub(TransformPoint(m, v->position), origin);
    k = Dot(offset, across);
    l = Dot(offset, axis);
  };
  PointArray pairs;
  for (int i = 0; i < seam.count; ++i) {
    double k, l;
    frame(static_cast<const MVertex*>(seam[i]), k, l);
    if (!pairs.Add({k, l, 0})) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  mesh->SaveEditState();
  if (Failed()) return;
  const double inf = std::numeric_limits<double>::infinity();
  const PointRecord upLeft = Unit({-1, 1, 0});
  const PointRecord upRight = Unit({1, 1, 0});
  for (int t = 0; t < targets.count; ++t) {
    MVertex* target = static_cast<MVertex*>(targets[t]);
    double h, g;
    frame(target, h, g);
    const int k = ClassifySide(h, g, a, b, c, d);
    double w1 = inf, w2 = inf;
    int j1 = 0, j2 = 0;
    for (int j = 0; j < pairs.count; ++j) {
      const double kk = pairs[j].x, ll = pairs[j].y;
      if (kk * h < 0) continue;  // the other side of the axis
      const int side = ClassifySide(kk, ll, a, b, c, d);
      double w;
      switch (side) {
        case 0:
          w = k == 0 ? SegmentDistanceSquared(h, g, kk + reach, ll - reach, kk - reach, ll + reach)
                     : std::pow(CrossingAcross(kk, ll, upLeft, a, b, d) - h, 2);
          break;
        case 1: {
          const double y = a + (d - a) * kk / b;
          w = k == 0 ? SegmentDistanceSquared(h, g, kk + reach, y - reach, kk - reach, y + reach)
                     : (kk - h) * (kk - h);
          break;
        }
        case 2: {
          const double y = a + (d - a) * kk / c;
          w = k == 3 ? SegmentDistanceSquared(h, g, kk - reach, y - reach, kk + reach, y + reach)
                     : (kk - h) * (kk - h);
          break;
        }
        default:
          w = k == 3 ? SegmentDistanceSquared(h, g, kk - reach, ll - reach, kk + reach, ll + reach)
                     : std::pow(CrossingAcross(kk, ll, upRight, a, c, d) - h, 2);
          break;
      }
      if (g > ll) w = std::pow(std::sqrt(w) + std::fabs(d - a), 2);
      if (!(w < w2)) continue;
      w2 = w;
      j2 = j;
      if (w < w1) {
        std::swap(w1, w2);
        std::swap(j1, j2);
      }
    }
    // A target with no seam vertex on its side of the axis keeps what it
    // has; with one, or at a seam vertex itself, it takes that one's.
    if (w1 == inf) continue;
    double ua, va, ub, vb;
    static_cast<MVertex*>(seam[j1])->GetAnyFaceUV(ua, va);
    static_cast<MVertex*>(seam[j2])->GetAnyFaceUV(ub, vb);
    const double d1 = std::sqrt(w1), d2 = std::sqrt(w2);
    double u = ua, v = va;
    if (w2 != inf && d1 + d2 > 1e-12) {
      u = (d2 * ua + d1 * ub) / (d1 + d2);
      v = (d2 * va + d1 * vb) / (d1 + d2);
    }
    const bool saved = ForEachLineAround(target, [&](MLine* line) {
      MFace* face = line->LeavingFace(target);
      if (face == nullptr) return true;
      face->SaveUndo();
      return !Failed();
    });
    if (!saved) return;
    target->SetUVInAllFaces(u, v);
  }
}

}  // namespace engine
