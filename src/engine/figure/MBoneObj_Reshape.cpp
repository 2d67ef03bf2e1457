// Reshaping the bound meshes about the skeleton: displacements carried over
// rings of neighbours with a linear fall-off, a chain of body vertices
// snapped onto a sketch drawn on the screen, and yellow-marked vertices
// pushed behind the magenta-marked faces of another mesh.
#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QView.h"
#include "engine/figure/FigureInternal.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

BoneRecord* MBoneObj::FindChainEndBone(MLine* line) {
  MLine* current = line;
  for (int step = 0; step < 2001; ++step) {
    MLine* next = current->GetNextAround(current->end1);
    if (next == nullptr || next == current) break;
    current = next;
  }
  return FindBoneByLine(current);
}

void MBoneObj::ConstrainDisplacement(const PointRecord& a, const PointRecord& n, const PointRecord& b,
                                     PointRecord& d) {
  if (MUtilLength(d) < 1e-8) return;
  const PointRecord p = Unit(Mul(n, -1));
  if (Dot(Unit(Sub(b, a)), p) <= 0.2) return;
  const PointRecord moved = Sub(Add(b, d), a);
  if (Dot(Unit(moved), p) < 0) return;
  const double length = MUtilDistance(a, b);
  const double k = Dot(Unit(d), moved);
  const double h = Dot(Sub(b, a), p);
  const double r = k > std::sqrt(0.96) * length ? 0.2 * length : std::sqrt(std::max(0.0, length * length - k * k));
  d = Sub(d, Mul(p, h - r));
}

void MBoneObj::FloodMarkedLines(int stamp, MVertex* vertex, PtrArray& out) {
  // Depth first across cyan and yellow lines, on a stack of its own: a
  // vertex pushed later is visited first, so the lines around a vertex are
  // pushed last first.
  PtrArray pending;
  if (!AppendOrFail(pending, vertex)) return;
  PtrArray around;
  while (pending.count > 0) {
    MVertex* v = static_cast<MVertex*>(pending[pending.count - 1]);
    --pending.count;
    if (v->id == stamp) continue;
    v->id = stamp;
    if (!AppendOrFail(out, v)) return;
    around.RemoveAll();
    const bool ok = ForEachLineAround(v, [&](MLine* line) {
      if (!BodyLineHasColourKind(line, kBodyCyan) && !BodyLineHasColourKind(line, kBodyYellow)) return true;
      return AppendOrFail(around, line->OtherEnd(v));
    });
    if (!ok) return;
    for (int i = around.count - 1; i >= 0; --i)
      if (!AppendOrFail(pending, around[i])) return;
  }
}

void MBoneObj::PreferFacedRingMembers(int stamp, PtrArray& vertices) {
  for (int i = 0; i < vertices.count; ++i) {
    MVertex* v = static_cast<MVertex*>(vertices[i]);
    if (!v->IsOnFreeLine()) continue;
    MVertex* faced = nullptr;
    ForEachRingMember(v, [&](MVertex* member) {
      if (!member->IsOnFreeLine()) faced = member;
    });
    if (faced == nullptr) continue;
    vertices[i] = faced;
    faced->id = stamp;
  }
}

void MBoneObj::PropagateDisplacement(MDocObj* scene, MMeshObj* mesh, MLine* line, const MatrixRecord& m,
                                     const PtrArray* list, int mode) {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr) return;
  NumberBodyVertices(scene);
  mesh->SaveEditState();
  if (Failed()) return;
  const int start = mesh->TakeVisitStamp();
  PtrArray current;
  int rings = 0;
  if (mode == 1 || mode == 2) {
    if (list == nullptr) return;
    for (int i = 0; i < list->count; ++i)
      if (!AppendOrFail(current, (*list)[i])) return;
    rings = std::clamp(list->count / 200, 1, 5);
  } else {
    if (line == nullptr) return;
    FloodMarkedLines(start, line->end0, current);
    if (Failed()) return;
    rings = line->GetWidth();
  }
  // The start vertices' rings count as started too: they move with them.
  for (int i = 0; i < current.count; ++i) static_cast<MVertex*>(current[i])->SetRingIds(start);
  PreferFacedRingMembers(start, current);

  // The rest position under `m`; a vertex without a rest state of its own
  // counts as resting where it is.
  auto rest = [&](MVertex* v) {
    PointRecord r;
    return GetSkinRecordOfVertex(v) != nullptr ? TransformPoint(m, GetRestPosition(r, v)) : v->position;
  };
  for (int k = 0; k < rings && !Failed(); ++k) {
    const double w = double(rings - k) / double(rings - k + 1);
    const int moved = mesh->TakeVisitStamp();
    PtrArray next;
    for (int i = 0; i < current.count; ++i) {
      MVertex* o = static_cast<MVertex*>(current[i]);
      PointRecord d = Sub(o->position, rest(o));
      if (mode == 2 && k == 0) {
        const SkinRecord* record = GetSkinRecordOfVertex(o);
        PointRecord s;
        if (record == nullptr || redBoneScale == 0) {
          d = {0, 0, 0};
        } else {
          GetSkeletonPoint(*record, 0, s);
          d = Mul(Sub(o->position, TransformPoint(m, s)), (redBoneScale - 1) / redBoneScale);
        }
      }
      d = Mul(d, w);
      const bool ok = ForEachLineAround(o, [&](MLine* l) {
        if ((l->flags & kLineHiddenDiagonal) != 0) return true;
        MVertex* n = l->OtherEnd(o);
        if (n->id < start) {
          if (!MoveSavedVertex(n, Add(n->position, d))) return false;
          n->SetRingIds(moved);
          return AppendOrFail(next, n);
        }
        if (n->id == moved) {
          // Reached from two vertices of this ring: the mean of both moves.
          const PointRecord r = rest(n);
          return MoveSavedVertex(n, Add(r, Mul(Add(Sub(n->position, r), d), 0.5)));
        }
        return true;
      });
      if (!ok) return;
    }
    current = std::move(next);
  }
}

// ---- fitting a line chain to a sketch ------------------------------------------

namespace {

PointRecord Flat(PointRecord p) {
  p.z = 0;
  return p;
}

}  // namespace

void MBoneObj::SnapLineChainToSketch(MLine* line, int stamp, bool first, const PointArray& sketch,
                                     const SketchMatrices& m, int type) {
  struct Step {
    MLine* line;
    bool first;
  };
  EngArray<Step> pending;
  if (!pending.Add({line, first})) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  while (pending.count > 0 && !Failed()) {
    const Step step = pending[pending.count - 1];
    --pending.count;
    MLine* l = step.line;
    MVertex* v = l->end0->id != stamp ? l->end0 : l->end1->id != stamp ? l->end1 : nullptr;
    if (v == nullptr) continue;
    v->id = stamp;
    const PointRecord o = Flat(TransformPoint(m.screen, TransformPoint(m.frame, v->position)));
    const SkinRecord* record = GetSkinRecordOfVertex(v);
    if (record == nullptr) continue;  // no rest state of its own: it stays, and the branch ends there
    bool goOn = true;
    if (record->count > 0 && record->bones[0] >= 0 && record->bones[0] < bones->count) {
      const BoneRecord& bone = (*bones)[record->bones[0]];
      PtrArray below;
      CollectBonesBelow(false, bone.line, below, false);
      if (Failed()) return;
      PointRecord from = o, direction;
      if (type == 1) {
        direction = Flat(Unit(TransformVector(m.screen, {1, 0, 0})));
      } else {
        PointRecord s;
        GetSkeletonPoint(*record, 0, s);
        if (type == 2 && record->params[0] > 0.5 && below.count < 2)
          s = Mul(Add(bone.line->end0->position, bone.line->end1->position), 0.5);
        from = Flat(TransformPoint(m.screen, s));
        direction = Sub(o, from);
      }
      if (Dot(direction, direction) >= 1e-8) {
        if (sketch.count < 2) {
          goOn = step.first;
        } else {
          PointRecord best{0, 0, 0};
          double bestLength = std::numeric_limits<double>::infinity();
          for (int i = 0; i + 1 < sketch.count; ++i) {
            PointRecord segment = Sub(sketch[i + 1], sketch[i]);
            segment.z = 0;
            if (Dot(segment, segment) < 1e-8) continue;
            PointRecord d1 = direction, p1 = from, p2 = sketch[i], hit;
            const int r = MUtilIntersectLines2D(d1, p1, segment, p2, hit);
            if (type == 1 ? r == -1 : r != 0) continue;
            const PointRecord offset =
                TransformVector(m.frameInverse, TransformVector(m.screenInverse, Sub(hit, o)));
            const double length = MUtilLength(offset);
            if (length < bestLength) {
              bestLength = length;
              best = offset;
            }
          }
          if (bestLength < std::numeric_limits<double>::infinity()) {
            if (!MoveSavedVertex(v, Add(v->position, best))) return;
          } else {
            goOn = step.first;
          }
        }
      }
    }
    if (!goOn) continue;
    // On along every visible line around v, in the order of the walk from
    // the line after this one.
    PtrArray around;
    for (MLine* next = l->GetNextVisibleAround(v); next != nullptr && next != l;
         next = next->GetNextVisibleAround(v)) {
      if ((next->flags & kLineHidden) == 0 && !AppendOrFail(around, next)) return;
      if (around.count > 100000) break;  // a damaged cycle cannot hold the walk
    }
    for (int i = around.count - 1; i >= 0; --i) {
      if (!pending.Add({static_cast<MLine*>(around[i]), false})) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return;
      }
    }
  }
}

void MBoneObj::SnapLineToSketch(MMeshObj* mesh, MLine* line, const PointArray& sketch, const SketchMatrices& m) {
  if (sketch.count < 2) return;
  const PointRecord along =
      TransformVector(m.screen, TransformVector(m.frame, Sub(line->end1->position, line->end0->position)));
  const PointRecord drawn = Sub(sketch[1], sketch[0]);
  const int stamp = mesh->TakeVisitStamp();
  // The chain runs from the end the sketch heads away from.
  if (along.x * drawn.x + along.y * drawn.y >= 0)
    line->end0->id = stamp;
  else
    line->end1->id = stamp;
  const int type = BodyLineHasColourKind(line, kBodyCyan) ? 1 : BodyLineHasColourKind(line, kBodyYellow) ? 2 : 0;
  SnapLineChainToSketch(line, stamp, true, sketch, m, type);
}

void MBoneObj::FitMarkedLineToSketch(QView* view, MDocObj* scene, MMeshObj* mesh, MLine* line,
                                     const PointArray& sketch) {
  if (view == nullptr || !RigFitsBody()) return;
  SketchMatrices m;
  const MatrixRecord world = WorldMatrixOf(this);
  const MatrixRecord worldInverse = Inverse(world);
  m.screen = Multiply(view->GetProjectionMatrix(), world);
  m.screenInverse = Inverse(m.screen);
  m.frame = Multiply(worldInverse, WorldMatrixOf(mesh));
  m.frameInverse = Inverse(m.frame);
  NumberBodyVertices(scene);
  mesh->SaveEditState();
  if (Failed()) return;
  SnapLineToSketch(mesh, line, sketch, m);
  if (Failed()) return;
  if (!BodyLineHasColourKind(line, kBodyCyan) && !BodyLineHasColourKind(line, kBodyYellow)) return;
  PropagateDisplacement(scene, mesh, line, m.frameInverse, nullptr, 0);
  if (Failed()) return;
  SaveEditState();
  if (!Failed()) CaptureRestState(scene, false);
}

// ---- depth fitting ----------------------------------------------------------------

void MBoneObj::FindYellowLineMesh(MDocObj*, MMeshObj** mesh, PtrArray& vertices, MLine** line) {
  *mesh = nullptr;
  *line = nullptr;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  for (int i = 0; i < meshes.count; ++i) {
    MMeshObj* candidate = meshes[i].mesh;
    if (candidate->IsBoneObject()) continue;
    const int stamp = candidate->TakeVisitStamp();
    for (MLine* l : candidate->lines) {
      if (!BodyLineHasColourKind(l, kBodyYellow)) continue;
      *line = l;
      for (MVertex* end : {l->end0, l->end1}) {
        if (end->id == stamp) continue;
        end->id = stamp;
        if (!AppendOrFail(vertices, end)) return;
      }
    }
    if (*line != nullptr) {
      *mesh = candidate;
      return;
    }
  }
}

void MBoneObj::FindMagentaFaceMesh(MDocObj*, MMeshObj** mesh, PtrArray& faces) {
  *mesh = nullptr;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  PtrArray found;
  for (int i = 0; i < meshes.count; ++i) {
    MMeshObj* candidate = meshes[i].mesh;
    if (candidate->IsBoneObject()) continue;
    found.RemoveAll();
    for (MFace* face : candidate->GetFaceList())
      if (GetFaceColourClass(face) == kFaceMagenta && !AppendOrFail(found, face)) return;
    if (found.count > faces.count) {
      *mesh = candidate;
      faces = std::move(found);
    }
  }
}

int MBoneObj::HitTriangleVertically(const PointRecord corners[3], PointRecord& p, PointRecord& out) {
  p.z = 0;
  const PointRecord a = Flat(corners[0]), b = Flat(corners[1]), c = Flat(corners[2]);
  const double doubled = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  if (doubled * doubled < 1e-8) return -1;
  double s, t;
  MUtilTriangleCoords(a, b, c, p, s, t);
  // No test on s + t: the whole parallelogram of the two edges counts.
  if (s < -1e-8 || s > 1.00000001 || t < -1e-8 || t > 1.00000001) return -1;
  const PointRecord n = Unit(MFaceTriangleNormal(corners[0], corners[1], corners[2]));
  return MUtilLinePlaneIntersect(p, Add(p, {0, 0, 1}), n, corners[0], out) < 0 ? -1 : 1;
}

void MBoneObj::SetYellowVertexDepths(MMeshObj* mesh, const PtrArray& vertices, const MatrixRecord& a,
                                     const MatrixRecord& b, const MatrixRecord& c, const PtrArray& faces) {
  mesh->SaveEditState();
  if (Failed()) return;
  const double unset = -std::numeric_limits<double>::infinity();
  double sides[2] = {unset, unset};  // bone point right of the vertex, left of it
  auto firstBone = [&](const SkinRecord* r) -> const BoneRecord* {
    return r != nullptr && r->count > 0 && r->bones[0] >= 0 && r->bones[0] < bones->count ? &(*bones)[r->bones[0]]
                                                                                           : nullptr;
  };
  PtrArray later;
  for (int i = 0; i < vertices.count; ++i) {
    MVertex* v = static_cast<MVertex*>(vertices[i]);
    const SkinRecord* record = GetSkinRecordOfVertex(v);
    const BoneRecord* bone = firstBone(record);
    if (bone == nullptr) continue;
    if (!IsRedBone(*bone) || record->params[0] < 0.3) {
      if (!AppendOrFail(later, v)) return;
      continue;
    }
    PointRecord p = TransformPoint(a, v->position);
    double h = std::numeric_limits<double>::infinity();
    for (int f = 0; f < faces.count; ++f) {
      MVertex* corners[3];
      static_cast<MFace*>(faces[f])->GetVertices(corners);
      const PointRecord carried[3] = {TransformPoint(c, corners[0]->position), TransformPoint(c, corners[1]->position),
                                      TransformPoint(c, corners[2]->position)};
      PointRecord probe = p, hit;
      if (HitTriangleVertically(carried, probe, hit) == 1) h = std::min(h, hit.z);
    }
    PointRecord bp;
    GetBonePointAt(*bone, record->params[0], bp);
    const double length = MUtilDistance(bone->line->end0->position, bone->line->end1->position);
    const double depth = std::min(h, bp.z - 0.2 * length) - 0.02 * length;
    double& side = sides[bp.x > p.x ? 0 : 1];
    p.z = depth;
    if (!MoveSavedVertex(v, TransformPoint(b, p))) return;
    side = std::max(side, depth);
  }
  for (int i = 0; i < later.count; ++i) {
    MVertex* v = static_cast<MVertex*>(later[i]);
    const SkinRecord* record = GetSkinRecordOfVertex(v);
    PointRecord p = TransformPoint(a, v->position), bp;
    GetBonePointAt(*firstBone(record), record->params[0], bp);
    const double side = sides[bp.x > p.x ? 0 : 1];
    if (side == unset) continue;  // nothing measured on its side: its depth stays
    p.z = side;
    if (!MoveSavedVertex(v, TransformPoint(b, p))) return;
  }
}

void MBoneObj::FitYellowLinesToFaces(MDocObj* scene) {
  if (!RigFitsBody()) return;
  // The whole fitting is one step of the scene's undo: the step stays open.
  SaveEditState();
  if (Failed()) return;
  CaptureRestState(scene, false);
  NumberBodyVertices(scene);
  MMeshObj* mesh = nullptr;
  MLine* line = nullptr;
  PtrArray vertices;
  FindYellowLineMesh(scene, &mesh, vertices, &line);
  if (mesh == nullptr || Failed()) return;
  const MatrixRecord worldInverse = Inverse(WorldMatrixOf(this));
  const MatrixRecord a = Multiply(worldInverse, WorldMatrixOf(mesh));  // the mesh's world acts first
  const MatrixRecord b = Inverse(a);
  MMeshObj* faceMesh = nullptr;
  PtrArray faces;
  FindMagentaFaceMesh(scene, &faceMesh, faces);
  if (Failed()) return;
  const MatrixRecord c = faceMesh != nullptr ? Multiply(worldInverse, WorldMatrixOf(faceMesh)) : worldInverse;
  SetYellowVertexDepths(mesh, vertices, a, b, c, faces);
  if (!Failed()) PropagateDisplacement(scene, mesh, line, b, nullptr, 0);
}

}  // namespace engine
