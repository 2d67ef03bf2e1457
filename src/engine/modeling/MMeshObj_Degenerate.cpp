// Modelling: removing degenerate geometry left by cuts and merges. Lines
// of almost no length collapse, slivers are split at their longest edge and
// collapsed, vertices lying straight inside a flat region go, and flat
// diagonals of cut quads are hidden again. Tolerances scale with the
// mesh's tolerance t. Single repairs that the topology refuses are counted
// as false results, never as failures.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr int kRepairPasses = 7;
constexpr int kStoredRegionPasses = 3;

// A refusal of one repair (state 1) is dropped: the repair is only counted.
void DropRefusal() {
  if (EngContext().failState == kEngFailDeclined) EngContext().ClearFailure();
}

bool TakesPart(const MItem* item, int stamp) { return !IsRemoved(item) && (stamp == -1 || item->id >= stamp); }

PointRecord UnitDirection(const MLine* line) {
  PointRecord d{line->end1->position.x - line->end0->position.x, line->end1->position.y - line->end0->position.y,
                line->end1->position.z - line->end0->position.z};
  OsUtilNormalize(d);
  return d;
}

double AbsCos(const PointRecord& a, const PointRecord& b) { return std::fabs(a.x * b.x + a.y * b.y + a.z * b.z); }

bool Parallel(const PointRecord& a, const PointRecord& b) {
  PointRecord c;
  OsUtilCrossProduct(a, b, c);
  return MUtilLength(c) <= 1e-6;
}

}  // namespace

// ---- straight vertices ----------------------------------------------------------------------

bool MMeshObj::IsStraightFlatVertex(MVertex* v, MLine* first, MLine* second) {
  PointRecord a = first->OtherEnd(v)->position, b = second->OtherEnd(v)->position;
  a = {a.x - v->position.x, a.y - v->position.y, a.z - v->position.z};
  b = {v->position.x - b.x, v->position.y - b.y, v->position.z - b.z};
  OsUtilNormalize(a);
  OsUtilNormalize(b);
  if (!Parallel(a, b)) return false;
  // Each side between the two lines must be one flat piece of one material.
  auto sideIsFlat = [&](MLine* from, MLine* to) {
    const MFace* firstFace = nullptr;
    PointRecord normal{0, 0, 1};
    MLine* line = from;
    for (int steps = 0; line != to && steps < MVertex::kRingLimit; ++steps, line = line->GetNextAround(v)) {
      const MFace* face = line->LeavingFace(v);
      if (face == nullptr) continue;
      if (firstFace == nullptr) {
        firstFace = face;
        normal = face->GetNormal();
      } else if (!Parallel(normal, face->GetNormal()) || face->shader != firstFace->shader) {
        return false;
      }
    }
    return true;
  };
  return sideIsFlat(first, second) && sideIsFlat(second, first);
}

MLine* MMeshObj::FindStraightLinePair(MVertex* v, int stamp) {
  PtrArray around;
  v->CollectLines(around);
  if (Failed()) return nullptr;
  for (int i = 0; i < around.count; ++i) {
    MLine* a = At<MLine>(around, i);
    if (stamp >= 0 && a->id != stamp) continue;
    for (int j = 0; j < around.count; ++j) {
      MLine* b = At<MLine>(around, j);
      if (j == i || (stamp >= 0 && b->id != stamp)) continue;
      if (IsStraightFlatVertex(v, a, b)) return a;
    }
  }
  return nullptr;
}

bool MMeshObj::CollapseVertexAlongLine(MVertex* v, MLine* line) {
  SaveEditState();
  SaveLineNeighbourhood(line);
  if (Failed()) return false;
  return CollapseLine(line, v, nullptr, nullptr, nullptr);
}

MLine* MMeshObj::FindRemovableSeamVertexLine(MVertex* v) {
  if (v->ringNext != v || v->state != kItemCreated || v->CountLines() <= 3) return nullptr;
  PtrArray around;
  v->CollectLines(around);
  if (Failed()) return nullptr;
  int hidden = 0, shown = 0;
  for (int i = 0; i < around.count; ++i) {
    const MLine* line = At<MLine>(around, i);
    if (line->state != kItemCreated || line->forwardFace == nullptr || line->backwardFace == nullptr ||
        line->IsSharp())
      return nullptr;
    (line->flags & kLineHiddenDiagonal ? hidden : shown)++;
  }
  if (hidden == 0 || shown > 4) return nullptr;
  auto cut = [&](int i) { return (At<MLine>(around, i)->flags & kLineCutMark) != 0; };
  if (v->flags & kVertexWorkMark) {
    v->flags &= ~kVertexWorkMark;
    for (int i = 0; i + 1 < around.count; ++i)
      if (cut(i)) return At<MLine>(around, i);
    return nullptr;
  }
  // A vertex between two cut lines running on in one direction.
  for (int i = 0; i + 1 < around.count; ++i) {
    if (!cut(i)) continue;
    const PointRecord da = UnitDirection(At<MLine>(around, i));
    for (int j = i + 1; j < around.count; ++j)
      if (cut(j) && AbsCos(da, UnitDirection(At<MLine>(around, j))) > 0.999) return At<MLine>(around, i);
  }
  return nullptr;
}

bool MMeshObj::RemoveStraightVertices(int& count, int stamp, bool seamMode) {
  PtrArray found;  // vertex, line, vertex, line, ...
  for (MVertex* v : vertices) {
    if (v->firstLine == nullptr || !TakesPart(v, stamp)) continue;
    MLine* line = seamMode ? FindRemovableSeamVertexLine(v) : FindStraightLinePair(v, stamp);
    if (Failed()) return false;
    if (line != nullptr && (!Append(found, v) || !Append(found, line))) return false;
  }
  bool allDone = true;
  for (int i = 0; i + 1 < found.count && !Failed(); i += 2) {
    MVertex* v = At<MVertex>(found, i);
    MLine* line = At<MLine>(found, i + 1);
    if (IsRemoved(v) || IsRemoved(line) || !line->HasEnd(v)) continue;
    ++count;
    if (!CollapseVertexAlongLine(v, line)) allDone = false;
    DropRefusal();
  }
  return allDone;
}

void MMeshObj::RepairMarkedVertices(const PtrArray& vertexList) {
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < vertexList.count; ++i) {
    MVertex* v = At<MVertex>(vertexList, i);
    if (!IsRemoved(v)) v->id = stamp;
  }
  for (int i = 0; i < vertexList.count; ++i) {
    MVertex* v = At<MVertex>(vertexList, i);
    if (IsRemoved(v)) continue;
    ForEachLineAround(v, [&](MLine* line) {
      if (line->OtherEnd(v)->id == stamp) line->id = stamp;
    });
  }
  int count = 0;
  RemoveStraightVertices(count, stamp, false);
}

// ---- flat diagonals --------------------------------------------------------------------------

MLine* MMeshObj::FindCollinearLine(MVertex* v, MLine* line) {
  const PointRecord d = UnitDirection(line);
  MLine* found = nullptr;
  ForEachLineAround(v, [&](MLine* other) {
    if (other != line && AbsCos(d, UnitDirection(other)) > 0.99999) found = other;
    return found == nullptr;
  });
  return found;
}

void MMeshObj::HideFlatDiagonalLines() {
  int count = 0;
  RemoveStraightVertices(count, -1, true);
  if (Failed()) return;
  const int stamp = TakeVisitStamp();
  PtrArray candidates;
  for (MLine* line : lines) {
    if (line->flags & (kLineWorkMark | kLineHiddenDiagonal | kLineCutMark)) continue;
    if (line->forwardFace == nullptr || line->backwardFace == nullptr || line->FindParallel() != nullptr) continue;
    MLine* const wings[4] = {line->nextAround0, line->prevAround0, line->prevAround1, line->nextAround1};
    bool hiddenWing = false, cutWing = false;
    for (const MLine* wing : wings) {
      hiddenWing = hiddenWing || (wing->flags & kLineHiddenDiagonal);
      cutWing = cutWing || (wing->flags & kLineCutMark);
    }
    if (hiddenWing || !cutWing) continue;
    line->id = stamp;
    if (!Append(candidates, line)) return;
  }
  auto continues = [&](MVertex* end, MLine* line) {
    const MLine* on = FindCollinearLine(end, line);
    return on != nullptr && on->id != stamp && !(on->flags & kLineHiddenDiagonal);
  };
  for (int i = 0; i < candidates.count && !Failed(); ++i) {
    MLine* line = At<MLine>(candidates, i);
    if (continues(line->end0, line) || continues(line->end1, line)) continue;
    // A face can be half of one quad only.
    if (line->forwardFace->CountHiddenEdges() > 0 || line->backwardFace->CountHiddenEdges() > 0) continue;
    line->SaveUndo();
    if (!Failed()) line->flags |= kLineHiddenDiagonal;
  }
  ClearLineBits(lines, kLineWorkMark);
  for (MVertex* v : vertices) v->flags &= ~kVertexWorkMark;
}

// ---- short lines and slivers -------------------------------------------------------------------

bool MMeshObj::IsShortLine(const MLine* line) const {
  return MUtilDistance(line->end0->position, line->end1->position) < 3000 * tolerance;
}

MLine* MMeshObj::FlipLineIfPossible(MLine* line) {
  MLine* turned = FlipLine(line);
  if (EngContext().failState == kEngFailDeclined) {
    EngContext().ClearFailure();
    return nullptr;
  }
  return turned;
}

bool MMeshObj::FixThinFace(MFace* face, MFace* out[4]) {
  MVertex* c[3];
  MLine* e[3];
  face->GetVertices(c);
  face->GetLines(e);
  const double len[3] = {MUtilDistance(c[0]->position, c[1]->position),
                         MUtilDistance(c[1]->position, c[2]->position),
                         MUtilDistance(c[2]->position, c[0]->position)};
  const int longest = len[2] > len[0] && len[2] > len[1] ? 2 : len[1] > len[0] ? 1 : 0;
  MLine* edge = e[longest];
  MVertex* opposite = c[(longest + 2) % 3];
  const PointRecord a = edge->end0->position, b = edge->end1->position;
  const double t = LineProjectionParam(a, b, opposite->position);
  const PointRecord foot{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
  MVertex* split = nullptr;
  SplitCoincidentLinesAtPoint(edge, foot, &split, nullptr);
  if (EngContext().failState == kEngFailDeclined || split == nullptr) {
    DropRefusal();
    return false;
  }
  if (Failed()) return false;
  int n = 0;
  ForEachLineAround(split, [&](MLine* line) {
    MFace* f = line->LeavingFace(split);
    if (f != nullptr && n < 4 && out != nullptr) out[n] = f;
    if (f != nullptr) ++n;
  });
  MLine* joining = split->FindLine(opposite);
  if (joining == nullptr) return false;
  bool cornerBorder, cornerSharp, splitBorder, splitSharp;
  opposite->GetLineKinds(cornerBorder, cornerSharp);
  split->GetLineKinds(splitBorder, splitSharp);
  const bool cornerHolds = cornerBorder || cornerSharp, splitHolds = splitBorder || splitSharp;
  MVertex* givenUp = cornerHolds && !splitHolds ? split : splitHolds && !cornerHolds ? opposite : nullptr;
  SaveLineNeighbourhood(joining);
  if (Failed()) return false;
  const bool done = CollapseLine(joining, givenUp, nullptr, nullptr, nullptr);
  DropRefusal();
  return done;
}

bool MMeshObj::RepairDegeneratePass(int& count, int stamp) {
  SaveEditState();
  bool allDone = true;
  PtrArray shortLines, thinFaces;
  for (MLine* line : lines)
    if (TakesPart(line, stamp) && IsShortLine(line) && !Append(shortLines, line)) return false;
  for (int i = 0; i < shortLines.count && !Failed(); ++i) {
    MLine* line = At<MLine>(shortLines, i);
    if (IsRemoved(line)) continue;
    ++count;
    SaveLineNeighbourhood(line);
    if (Failed()) return false;
    if (!CollapseLine(line, nullptr, nullptr, nullptr, nullptr)) allDone = false;
    DropRefusal();
  }
  if (Failed()) return false;
  for (MFace* face : faces)
    if (TakesPart(face, stamp) && IsFaceDegenerate(face) && !Append(thinFaces, face)) return false;
  for (int i = 0; i < thinFaces.count && !Failed(); ++i) {
    MFace* face = At<MFace>(thinFaces, i);
    if (IsRemoved(face)) continue;
    ++count;
    if (!FixThinFace(face, nullptr)) allDone = false;
  }
  return allDone && !Failed();
}

void MMeshObj::RepairDegenerateFaces() {
  for (int pass = 0; pass < kRepairPasses; ++pass) {
    int count = 0;
    RepairDegeneratePass(count, -1);
    if (Failed() || count == 0) return;
  }
}

void MMeshObj::RepairStoredFaceRegion() {
  if (workList == nullptr || workList->count == 0) return;
  PtrArray region;
  GrowFaceList(*workList, region);
  if (Failed()) return;
  const int r = TakeVisitStamp();
  const int s = TakeVisitStamp();
  for (int i = 0; i < region.count; ++i) {
    MFace* face = At<MFace>(region, i);
    MLine* e[3];
    MVertex* c[3];
    face->GetLines(e);
    face->GetVertices(c);
    face->id = r;
    for (int k = 0; k < 3; ++k) e[k]->id = c[k]->id = r;
  }
  for (int i = 0; i < workList->count; ++i) At<MFace>(*workList, i)->id = s;
  SetStoredFaceTag(s);
  for (int pass = 0; pass < kStoredRegionPasses; ++pass) {
    int count = 0;
    RepairDegeneratePass(count, r);
    if (Failed() || count == 0) break;
  }
  if (Failed()) return;
  // The border of the stored faces: straight vertices along it go.
  const int u = TakeVisitStamp();
  for (int i = 0; i < workList->count; ++i) At<MFace>(*workList, i)->id = u;
  for (int i = 0; i < workList->count; ++i) {
    MFace* face = At<MFace>(*workList, i);
    if (IsRemoved(face)) continue;
    MLine* e[3];
    face->GetLines(e);
    for (MLine* edge : e) {
      MFace *a = edge->forwardFace, *b = edge->backwardFace;
      if (a == nullptr || b == nullptr || a->id == b->id || (a->id != u && b->id != u)) continue;
      edge->id = edge->end0->id = edge->end1->id = u;
    }
  }
  SetStoredFaceTag(u);
  int count = 0;
  RemoveStraightVertices(count, u, false);
  SetStoredFaceTag(-1);
  int kept = 0;
  for (int i = 0; i < workList->count; ++i)
    if (!IsRemoved(At<MFace>(*workList, i))) (*workList)[kept++] = (*workList)[i];
  workList->count = kept;
}

int MMeshObj::RemoveLooseVertices() {
  int removed = 0;
  for (MItem* e = vertices.First(); e != nullptr;) {
    MVertex* v = static_cast<MVertex*>(e);
    e = e->next;
    if (v->firstLine != nullptr) continue;
    SaveEditState();
    v->SaveUndoRing();
    if (Failed()) return removed;
    v->Remove();
    ++removed;
  }
  return removed;
}

}  // namespace engine
