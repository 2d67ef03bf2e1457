// Modelling: filling one loop of a split face's work graph with triangles.
// The loop's work vertices form a polygon in the face's parameter plane,
// counter-clockwise; ears are cut next to its reflex corners first (thin
// ears last), and the convex rest is fanned from its first corner. The new
// faces stand on the vertices the work vertices stand for, with the split
// face's material, group and interpolated texture coordinates.
#include <algorithm>
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr int kReasonSplitConflict = 8;
// Ears with an angle under about 15 or over about 165 degrees at their first
// corner wait until nothing else can be cut.
constexpr double kThinEarCosSquared = 0.933;

MVertex* StandsFor(MVertex* w) { return w->mirrorPartner != nullptr ? w->mirrorPartner : w; }

int Wrap(int i, int n) { return ((i % n) + n) % n; }

}  // namespace

bool MMeshObj::IsReflexCorner(int i, const PtrArray& polygon) {
  const int n = polygon.count;
  const MVertex* prev = At<MVertex>(polygon, Wrap(i - 1, n));
  const MVertex* cur = At<MVertex>(polygon, Wrap(i, n));
  const MVertex* next = At<MVertex>(polygon, Wrap(i + 1, n));
  if (prev == next) return true;
  const double ns = next->faceS - cur->faceS, nt = next->faceT - cur->faceT;
  const double ps = prev->faceS - cur->faceS, pt = prev->faceT - cur->faceT;
  return ns * pt - nt * ps < 0;
}

bool MMeshObj::SolveParallelogramCoords(const MVertex* a, const MVertex* b, const MVertex* c, const MVertex* p,
                                        double& s, double& t) {
  const double us = b->faceS - a->faceS, ut = b->faceT - a->faceT;
  const double vs = c->faceS - a->faceS, vt = c->faceT - a->faceT;
  const double ps = p->faceS - a->faceS, pt = p->faceT - a->faceT;
  const double det = us * vt - ut * vs;
  if (det == 0) return false;
  s = (ps * vt - pt * vs) / det;
  t = (us * pt - ut * ps) / det;
  return true;
}

void MMeshObj::InterpolateFaceUVs(const OldFaceCorners& old, MFace* face) {
  if (!old.textured) return;
  const PointRecord& p0 = old.position[0];
  const PointRecord u{old.position[1].x - p0.x, old.position[1].y - p0.y, old.position[1].z - p0.z};
  const PointRecord v{old.position[2].x - p0.x, old.position[2].y - p0.y, old.position[2].z - p0.z};
  MVertex* corners[3];
  face->GetVertices(corners);
  double uv[3][2];
  for (int k = 0; k < 3; ++k) {
    double a = 0, b = 0;
    MFacePlaneCoords(u, v, p0, corners[k]->position, a, b);
    uv[k][0] = (1 - a - b) * old.uv.corner[0].u + a * old.uv.corner[1].u + b * old.uv.corner[2].u;
    uv[k][1] = (1 - a - b) * old.uv.corner[0].v + a * old.uv.corner[1].v + b * old.uv.corner[2].v;
  }
  face->SetUVs(uv[0][0], uv[0][1], uv[1][0], uv[1][1], uv[2][0], uv[2][1]);
}

bool MMeshObj::CollectRegionLoop(MLine* start, int number, PtrArray& polygon, EngArray<int>& reflex,
                                 PtrArray* loopLines) {
  // The side of the start line that carries the loop's number.
  MLine* line = start;
  bool forward = start->workA == number;
  if (!forward && start->workB != number) {
    EngRecordFailure(kReasonSplitConflict);
    return false;
  }
  for (int steps = 0;; ++steps) {
    if ((forward ? line->workA : line->workB) != number || steps > 4 * lines.count + 8) {
      EngRecordFailure(kReasonSplitConflict);
      return false;
    }
    MVertex* enters = forward ? line->end0 : line->end1;
    MVertex* leaves = forward ? line->end1 : line->end0;
    if (!Append(polygon, enters) || !Append(loopLines, line)) return false;
    line = forward ? line->prevAround1 : line->prevAround0;
    forward = line->end0 == leaves;
    if (line == start && forward == (start->workA == number)) break;
  }
  for (int i = 0; i < polygon.count; ++i)
    if (IsReflexCorner(i, polygon) && !reflex.Add(i)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  return true;
}

MFace* MMeshObj::MakeRegionFace(MVertex* a, MVertex* b, MVertex* c, int cls, MShader* shader, MGroup* group,
                                const OldFaceCorners& old) {
  MFace* face = AddFace(StandsFor(a), StandsFor(b), StandsFor(c), shader);
  if (face == nullptr) return nullptr;
  face->workMark = static_cast<std::int16_t>(cls);
  if (cls == 1 && workList != nullptr) {
    face->id = GetStoredFaceTag();
    if (!Append(workList, face)) return nullptr;
  }
  if (group != nullptr) face->SetGroup(group);
  InterpolateFaceUVs(old, face);
  return Failed() ? nullptr : face;
}

void MMeshObj::TriangulateRegion(PtrArray& polygon, EngArray<int>& reflex, int cls, int mode, MShader* shader,
                                 MGroup* group, const OldFaceCorners& old) {
  (void)mode;  // every mode cuts the same way
  if (polygon.count < reflex.count + 3) return EngRecordFailure(kReasonSplitConflict);
  auto vertexAt = [&](int i) { return At<MVertex>(polygon, Wrap(i, polygon.count)); };
  auto isListed = [&](const MVertex* v, int a, int b, int c) {
    return v == vertexAt(a) || v == vertexAt(b) || v == vertexAt(c);
  };
  // Whether the ear (a, b, c) may be cut: its middle is no reflex
  // neighbour, its ends are two vertices, it is not thin while strict, and
  // no other reflex corner lies in the parallelogram on its two sides.
  auto earAllowed = [&](int a, int b, int c, int neighbourEntry, int strictness) {
    if (reflex[neighbourEntry] == Wrap(b, polygon.count)) return false;
    if (vertexAt(a) == vertexAt(c)) return false;
    if (strictness == 2 &&
        MUtilCosSquaredAngle(vertexAt(b)->position, vertexAt(a)->position, vertexAt(c)->position) > kThinEarCosSquared)
      return false;
    for (int k = 0; k < reflex.count; ++k) {
      const MVertex* x = vertexAt(reflex[k]);
      if (isListed(x, a, b, c)) continue;
      double s = 0, t = 0;
      if (SolveParallelogramCoords(vertexAt(a), vertexAt(b), vertexAt(c), x, s, t) && s >= 0 && s <= 1 && t >= 0 &&
          t <= 1)
        return false;
    }
    return true;
  };
  // Cuts the ear with middle corner b: the face is made, b leaves the
  // polygon, the reflex entries are renumbered, and the entry and its
  // neighbour are re-tested. Answers where the scan resumes (the entry's
  // place), -1 on failure.
  auto cut = [&](int a, int b, int c, int entry, int neighbourEntry) {
    if (MakeRegionFace(vertexAt(a), vertexAt(b), vertexAt(c), cls, shader, group, old) == nullptr) return -1;
    const int middle = Wrap(b, polygon.count);
    for (int i = middle; i + 1 < polygon.count; ++i) polygon[i] = polygon[i + 1];
    --polygon.count;
    for (int k = 0; k < reflex.count; ++k)
      if (reflex[k] > middle) --reflex[k];
    const bool dropEntry = !IsReflexCorner(reflex[entry], polygon);
    const bool dropNeighbour = neighbourEntry != entry && !IsReflexCorner(reflex[neighbourEntry], polygon);
    int resume = entry;
    // The later position first, so the earlier one stays where it is.
    const int first = std::max(entry, neighbourEntry), second = std::min(entry, neighbourEntry);
    for (int pass = 0; pass < (first == second ? 1 : 2); ++pass) {
      const int k = pass == 0 ? first : second;
      const bool drop = k == entry ? dropEntry : dropNeighbour;
      if (!drop) continue;
      for (int j = k; j + 1 < reflex.count; ++j) reflex[j] = reflex[j + 1];
      --reflex.count;
      if (k < entry) --resume;
    }
    return resume;
  };

  int strictness = 2;
  while (reflex.count > 0 && !Failed()) {
    const int before = polygon.count;
    for (int entry = 0; entry < reflex.count && !Failed();) {
      const int r = reflex[entry];
      const int previous = Wrap(entry - 1, reflex.count), following = Wrap(entry + 1, reflex.count);
      int resume = -2;
      if (earAllowed(r - 2, r - 1, r, previous, strictness))
        resume = cut(r - 2, r - 1, r, entry, previous);
      else if (earAllowed(r, r + 1, r + 2, following, strictness))
        resume = cut(r, r + 1, r + 2, entry, following);
      if (resume == -1) return;
      entry = resume == -2 ? entry + 1 : resume;
    }
    if (Failed()) return;
    if (polygon.count < before) {
      strictness = 2;
    } else if (strictness == 0) {
      return EngRecordFailure(kReasonSplitConflict);
    } else {
      --strictness;
    }
  }
  for (int k = 1; k + 1 < polygon.count && !Failed(); ++k)
    MakeRegionFace(vertexAt(0), vertexAt(k), vertexAt(k + 1), cls, shader, group, old);
}

void MMeshObj::FillRegion(MLine* start, int number, int cls, int mode, MShader* shader, MGroup* group,
                          const OldFaceCorners& old) {
  PtrArray polygon, loopLines;
  EngArray<int> reflex;
  if (!CollectRegionLoop(start, number, polygon, reflex, &loopLines)) return;
  PtrArray copy;
  for (int i = 0; i < polygon.count; ++i)
    if (!Append(copy, polygon[i])) return;
  TriangulateRegion(copy, reflex, cls, mode, shader, group, old);
  if (Failed()) return;
  // The loop's lines give their flags to the edges made along them.
  for (int i = 0; i < loopLines.count; ++i) {
    MLine* line = At<MLine>(loopLines, i);
    MLine* real = StandsFor(line->end0)->FindLine(StandsFor(line->end1));
    if (real != nullptr && real != line) real->flags = line->flags;
  }
}

}  // namespace engine
