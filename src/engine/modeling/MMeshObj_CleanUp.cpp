// Modelling: clean-up passes and small queries of the cutting, copying and
// extrusion tools: duplicate lines between two vertices merged, links and
// group membership checked, sharp lines by angle, offset vectors of a face
// or line set, the corners and boundary of a face set, and the run of
// stamped faces around a vertex.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr int kReasonMergeRefused = 9;

PointRecord Minus(const PointRecord& a, const PointRecord& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// The vector normalised ((0, 0, 1) without length) and scaled by a quarter
// of the diagonal of the box of the points.
PointRecord ScaledToBox(PointRecord sum, const PointArray& points) {
  OsUtilNormalize(sum);
  BoundsRecord box;
  MUtilBoxOfPoints(points.count, points.count > 0 ? &points[0] : nullptr, box);
  const double diagonal =
      points.count > 0 ? MUtilDistance({box.minX, box.minY, box.minZ}, {box.maxX, box.maxY, box.maxZ}) : 0;
  return {sum.x * 0.25 * diagonal, sum.y * 0.25 * diagonal, sum.z * 0.25 * diagonal};
}

}  // namespace

// ---- whole-mesh checks ---------------------------------------------------------------------

bool MMeshObj::IsClosed() const {
  for (const MLine* line : lines)
    if (line->fltabEntry == nullptr && (line->forwardFace == nullptr || line->backwardFace == nullptr)) return false;
  return true;
}

bool MMeshObj::CheckLoopClasses(MLine* start, MVertex* from) {
  // The loop of one side of the lines, walked as a face's loop is: classes
  // 1 and 2 are the two sides of a cut and must not meet on one loop.
  bool seen[3] = {false, false, false};
  MLine* line = start;
  MVertex* at = from;
  for (int steps = 0; steps < lines.count + 1; ++steps) {
    const bool forward = line->end0 == at;
    int code = line->pairValue;
    if (!forward && (code == 1 || code == 2)) code = 3 - code;
    if (code == 1 || code == 2) seen[code] = true;
    MVertex* next = line->OtherEnd(at);
    line = forward ? line->prevAround1 : line->prevAround0;
    at = next;
    if (line == start && at == from) break;
  }
  return !(seen[1] && seen[2]);
}

void MMeshObj::ResetElementStamps(int level) {
  for (const MVertex* v : vertices) v->CheckLinks(level);
  for (const MLine* line : lines) line->CheckLinks(level);
  for (const MFace* face : faces) face->CheckLinks(level);
  // Every group an element names must be one of this mesh's.
  const int b = TakeVisitStamp();
  const int c = TakeVisitStamp();
  for (MGroup* g : groups) g->id = b;
  auto check = [&](MGroup* g) {
    if (g == nullptr) return;
    ENG_FATAL_IF(g->id != b && g->id != c);
    g->id = c;
  };
  for (MVertex* v : vertices) check(v->group);
  for (MLine* line : lines) check(line->group);
}

// ---- duplicate lines -------------------------------------------------------------------------

void MMeshObj::RelinkOpenLinesAtVertex(const PtrArray& lineList, MVertex* v) {
  MLine* open = nullptr;   // missing the face that follows it round v
  MLine* other = nullptr;
  int openCount = 0, otherCount = 0;
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (IsRemoved(line)) continue;
    ENG_FATAL_IF(!line->HasEnd(v));
    ENG_FATAL_IF(line->forwardFace != nullptr && line->backwardFace != nullptr);
    if (line->LeavingFace(v) == nullptr) {
      open = line;
      ++openCount;
    } else {
      other = line;
      ++otherCount;
    }
  }
  // Only one open gap can be closed here; anything else is left as it is.
  if (openCount != 1 || otherCount != 1) return;
  open->SetNextAround(v, other);
  other->SetPrevAround(v, open);
}

void MMeshObj::MergeParallelLinesOf(bool onlyNew) {
  SaveEditState();
  const int stamp = TakeVisitStamp();
  PtrArray pairs, ends;
  for (MLine* line : lines) {
    if (line->id == stamp || (onlyNew && line->state != kItemCreated)) continue;
    MLine* twin = line->FindParallel();
    if (twin == nullptr) continue;
    line->id = twin->id = stamp;
    if (!Append(pairs, line) || !Append(pairs, twin)) return;
    for (MVertex* end : {line->end0, line->end1}) {
      if (end->id == stamp) continue;
      end->id = stamp;
      if (!Append(ends, end)) return;
    }
  }
  if (pairs.count == 0) return;
  // Per end, its open lines without a twin, each list ended by a null.
  PtrArray openLines;
  for (int i = 0; i < ends.count; ++i) {
    MVertex* v = At<MVertex>(ends, i);
    bool ok = ForEachLineAround(v, [&](MLine* line) {
      if (line->forwardFace != nullptr && line->backwardFace != nullptr) return true;
      return line->FindParallel() != nullptr || Append(openLines, line);
    });
    if (!ok || !Append(openLines, nullptr)) return;
  }
  for (int i = 0; i < pairs.count && !Failed(); i += 2) SaveLineNeighbourhood(At<MLine>(pairs, i));
  if (Failed()) return;
  for (int i = 0; i < pairs.count; i += 2) {
    MLine* line = At<MLine>(pairs, i);
    MLine* twin = At<MLine>(pairs, i + 1);
    if (IsRemoved(line) || IsRemoved(twin)) continue;
    if (!line->AbsorbParallel(twin)) return EngRecordFailure(kReasonMergeRefused);
  }
  PtrArray atEnd;
  for (int i = 0, e = 0; i < openLines.count; ++i) {
    if (openLines[i] != nullptr) {
      if (!Append(atEnd, openLines[i])) return;
      continue;
    }
    RelinkOpenLinesAtVertex(atEnd, At<MVertex>(ends, e++));
    atEnd.count = 0;
  }
}

void MMeshObj::MergeNewParallelLines() { MergeParallelLinesOf(true); }

void MMeshObj::MergeParallelLines() { MergeParallelLinesOf(false); }

void MMeshObj::MarkSharpLinesByAngle(double angle) {
  SaveEditState();
  const double cosine = std::cos(angle);
  for (MLine* line : lines) {
    if ((line->flags & kLineSharp) || !line->IsSharperThan(cosine, true)) continue;
    line->SaveUndo();
    if (Failed()) return;
    line->MarkSharpByAngle(cosine, true);
  }
  MarkChanged();
}

// ---- offsets and vertex sets ------------------------------------------------------------------

void MMeshObj::FaceSetOffsetVector(const PtrArray& faceList, PointRecord& out) {
  PointRecord sum{0, 0, 0};
  PointArray points;
  for (int i = 0; i < faceList.count; ++i) {
    MFace* face = At<MFace>(faceList, i);
    const PointRecord n = face->GetNormal();
    sum = {sum.x + n.x, sum.y + n.y, sum.z + n.z};
    MVertex* c[3];
    face->GetVertices(c);
    for (const MVertex* corner : c)
      if (!points.Add(corner->position)) return EngRecordFailure(kEngReasonOutOfMemory);
  }
  out = ScaledToBox(sum, points);
}

void MMeshObj::LineSetOffsetVector(const PtrArray& lineList, PointRecord& out) {
  PointRecord sum{0, 0, 0};
  PointArray points;
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    const MFace* face = line->forwardFace != nullptr ? line->forwardFace : line->backwardFace;
    if (!points.Add(line->end0->position) || !points.Add(line->end1->position))
      return EngRecordFailure(kEngReasonOutOfMemory);
    if (face == nullptr) continue;
    // Away from the face set, within its surface: the line runs along its
    // face's loop, so the turn to the right points out.
    PointRecord d = Minus(line->end1->position, line->end0->position);
    if (line->forwardFace == nullptr) d = {-d.x, -d.y, -d.z};
    PointRecord away;
    OsUtilCrossProduct(d, face->GetNormal(), away);
    sum = {sum.x + away.x, sum.y + away.y, sum.z + away.z};
  }
  out = ScaledToBox(sum, points);
}

void MMeshObj::CollectFaceCorners(const PtrArray& faceList, PtrArray& out) {
  const int stamp = GetVisitStamp();
  for (int i = 0; i < faceList.count; ++i) {
    MVertex* c[3];
    At<MFace>(faceList, i)->GetVertices(c);
    for (MVertex* corner : c) {
      if (corner->id == stamp) continue;
      corner->id = stamp;
      if (!Append(out, corner)) return;
    }
  }
}

void MMeshObj::CollectFaceSetBoundaryVertices(const PtrArray& faceList, PtrArray& out) {
  const int stamp = GetVisitStamp();
  for (int i = 0; i < faceList.count; ++i) At<MFace>(faceList, i)->id = stamp;
  for (int i = 0; i < faceList.count; ++i) {
    MFace* face = At<MFace>(faceList, i);
    MLine* e[3];
    face->GetLines(e);
    for (MLine* edge : e) {
      MFace* other = edge->forwardFace == face ? edge->backwardFace : edge->forwardFace;
      if (other != nullptr && other->id == stamp) continue;
      for (MVertex* end : {edge->end0, edge->end1}) {
        if (end->id == stamp) continue;
        end->id = stamp;
        if (!Append(out, end)) return;
      }
    }
  }
}

void MMeshObj::CollectLineEndVertices(const PtrArray& lineList, PtrArray& out) {
  const int stamp = GetVisitStamp();
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    for (MVertex* end : {line->end0, line->end1}) {
      ForEachLineAround(end, [&](MLine* around) {
        if (MFace* face = around->LeavingFace(end)) face->id = stamp;
      });
      if (end->id == stamp) continue;
      end->id = stamp;
      if (!Append(out, end)) return;
    }
  }
}

bool MMeshObj::FindStampedFaceRun(int stamp, MVertex* v, MLine** first, MLine** last, int alsoStamp) {
  *first = *last = nullptr;
  PtrArray around;
  v->CollectLines(around);
  if (Failed() || around.count == 0) return false;
  const int n = around.count;
  auto carries = [&](int i) {
    const MFace* face = At<MLine>(around, ((i % n) + n) % n)->LeavingFace(v);
    return face != nullptr && (face->id == stamp || (alsoStamp != 0 && face->id == alsoStamp));
  };
  for (int i = 0; i < n; ++i) {
    if (carries(i - 1) || !carries(i)) continue;
    for (int j = i + 1; j <= i + n; ++j)
      if (carries(j - 1) && !carries(j)) {
        // Given back swapped: where the run ends, then where it starts.
        *first = At<MLine>(around, j % n);
        *last = At<MLine>(around, i);
        return true;
      }
  }
  return false;
}

void MMeshObj::SetStoredFaceTag(int tag) { workIndex = tag; }

bool MMeshObj::OwnsElement(MFace* face, MLine* line, MVertex* vertex) {
  // Every element points to its own mesh's removed holder of its class.
  if (face != nullptr) return face->holder == &removedFaces && MItemIsLive(face);
  if (line != nullptr) return line->holder == &removedLines && MItemIsLive(line);
  if (vertex != nullptr) return vertex->holder == &removedVertices && MItemIsLive(vertex);
  return false;
}

}  // namespace engine
