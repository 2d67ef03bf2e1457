// Modelling: faces in the closed loops of three and four lines of a
// drawing. Each loop found gets a face (a quad for four lines) on vertices
// of its own in the loop's rings; the new faces are then turned like the
// surface they touch and zipped to it and to each other along the loop
// lines, and the drawn free lines under them go.
//
// While it runs, vertex id words hold ring numbers (negative until a line
// reaching the ring has been processed, then positive) and line id words -1
// or the index of the line's record: the border lines between one pair of
// rings.
#include <cstdlib>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint32_t kRingNeighbourMark = 0x40;
constexpr std::uint32_t kFirstSetLine = 0x200;

// The border lines (one face) between one pair of rings; count 3 when a
// line there has faces on both sides.
struct LineRecord {
  int count;
  MLine* first;
  MLine* second;
};
using LineRecordArray = EngArray<LineRecord>;

class LoopSearch {
 public:
  LoopSearch(MMeshObj& mesh, PtrArray& newFaces, LineRecordArray& records)
      : mesh_(mesh), newFaces_(newFaces), records_(records) {}

  bool Followable(const MLine* line) const {
    if (line->flags & kLineHiddenDiagonal) return false;
    return mesh_.modelFlagsA != 0 || line->state != kItemCreated;
  }
  static int Ring(const MVertex* v) { return v->id; }
  static int AbsRing(const MVertex* v) { return std::abs(v->id); }

  // Every visible line from v's ring to a positive ring other than `not`.
  template <class F>
  bool ForEachStep(MVertex* v, int notRing, F f) {
    return ForEachRingMember(v, [&](MVertex* member) {
      return ForEachLineAround(member, [&](MLine* line) {
        if (!Followable(line)) return true;
        MVertex* far = line->OtherEnd(member);
        if (Ring(far) <= 0 || Ring(far) == notRing) return true;
        return f(line, far);
      });
    });
  }

  void FindTriangles(MLine* start) {
    MVertex* const p = start->end0;
    MVertex* const q = start->end1;
    ForEachStep(q, Ring(p), [&](MLine* qr, MVertex* r) {
      return ForEachStep(r, Ring(q), [&](MLine* rs, MVertex* s) {
        if (Ring(s) != Ring(p)) return true;
        MVertex* loop[3] = {p, q, r};
        MLine* lines[3] = {start, qr, rs};
        if (IsLoopFaceable(3, loop)) MakeLoopFace(3, loop, lines);
        return !Failed();
      });
    });
  }

  void FindQuads(MLine* start) {
    MVertex* const p = start->end0;
    MVertex* const q = start->end1;
    MarkNeighbourRings(p, true);
    ForEachStep(q, Ring(p), [&](MLine* qr, MVertex* r) {
      return ForEachStep(r, Ring(q), [&](MLine* rs, MVertex* s) {
        if (Ring(s) == Ring(p) || !(s->flags & kRingNeighbourMark)) return true;
        MLine* sp = s->FindLineBetweenRings(p);
        if (sp == nullptr || !Followable(sp)) return true;
        MVertex* loop[4] = {p, q, r, s};
        MLine* lines[4] = {start, qr, rs, sp};
        if (IsLoopFaceable(4, loop) && IsDiagonalFree(p, r)) MakeLoopFace(4, loop, lines);
        return !Failed();
      });
    });
    MarkNeighbourRings(p, false);
  }

  void MarkNeighbourRings(MVertex* p, bool set) {
    ForEachStep(p, 0, [&](MLine*, MVertex* far) {
      ForEachRingMember(far, [&](MVertex* m) {
        if (set)
          m->flags |= kRingNeighbourMark;
        else
          m->flags &= ~kRingNeighbourMark;
      });
      return true;
    });
  }

  bool IsLoopFaceable(int n, MVertex* const* loop) {
    if (n == 3 && mesh_.modelFlagsA != 0 && mesh_.modelFlagsB == 0) return false;
    for (int k = 0; k < n; ++k) {
      const int a = AbsRing(loop[(k + n - 1) % n]);
      const int b = AbsRing(loop[(k + 1) % n]);
      bool spanned = false;
      ForEachRingMember(loop[k], [&](MVertex* member) {
        ForEachLineAround(member, [&](MLine* line) {
          MFace* face = line->LeavingFace(member);
          if (face == nullptr) return true;
          MVertex* c[3];
          face->GetVertices(c);
          int hits = 0;
          for (MVertex* corner : c)
            if (corner != member) hits += (AbsRing(corner) == a) + (AbsRing(corner) == b);
          spanned = hits >= 2 && a != b;
          return !spanned;
        });
        return !spanned;
      });
      if (spanned) return false;
    }
    if (mesh_.modelFlagsA == 0) return true;
    int firstSet = 0;
    for (int k = 0; k < n; ++k) {
      MLine* line = loop[k]->FindLineBetweenRings(loop[(k + 1) % n]);
      if (line == nullptr) continue;
      PtrArray same;
      if (!CollectLineAndCoincident(line, same)) return false;
      bool set = false;
      for (int i = 0; i < same.count; ++i) set = set || (At<MLine>(same, i)->flags & kFirstSetLine) != 0;
      firstSet += set;
    }
    return firstSet >= 2;
  }

  static bool IsDiagonalFree(MVertex* p, MVertex* r) {
    bool free = true;
    ForEachRingMember(p, [&](MVertex* member) {
      ForEachLineAround(member, [&](MLine* line) {
        free = !(r->IsInRing(line->OtherEnd(member)) && line->forwardFace != nullptr && line->backwardFace != nullptr);
        return free;
      });
      return free;
    });
    return free;
  }

  // The record of the border lines between the line's two end rings.
  bool RecordLineSides(MLine* line) {
    LineRecord record{0, nullptr, nullptr};
    const int index = records_.count;
    PtrArray same;
    if (!CollectLineAndCoincident(line, same)) return false;
    for (int i = 0; i < same.count; ++i) {
      MLine* l = At<MLine>(same, i);
      l->id = index;
      if (record.count == 3) continue;
      if (l->forwardFace != nullptr && l->backwardFace != nullptr) {
        record.count = 3;
      } else if (l->HasFace()) {
        if (record.count == 0) record.first = l;
        if (record.count == 1) record.second = l;
        ++record.count;
      }
    }
    if (record.count > 3) record.count = 3;
    if (records_.Add(record)) return true;
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  }

  void MakeLoopFace(int n, MVertex* const* loop, MLine* const* lines) {
    MShader* shader = mesh_.GetNewFaceShader();
    if (shader == nullptr) return;
    for (int k = 0; k < n; ++k) {
      ENG_FATAL_IF(!lines[k]->end0->IsInRing(loop[k]) && !lines[k]->end1->IsInRing(loop[k]));
      if (lines[k]->id == -1 && !RecordLineSides(lines[k])) return;
    }
    MVertex* made[4];
    for (int k = 0; k < n; ++k) {
      loop[k]->SaveUndoRing();
      if (Failed() || (made[k] = mesh_.AddVertexCopy(loop[k])) == nullptr) return;
      made[k]->id = -AbsRing(loop[k]);
    }
    MFace* a = mesh_.AddFace(made[0], made[1], made[2], shader);
    if (a == nullptr || !Append(newFaces_, a)) return;
    if (n == 4) {
      MFace* b = mesh_.AddFace(made[2], made[3], made[0], shader);
      if (b == nullptr || !Append(newFaces_, b)) return;
      MLine* diagonal = made[0]->FindLine(made[2]);
      ENG_FATAL_IF(diagonal == nullptr);
      diagonal->flags |= kLineHiddenDiagonal;
    }
    for (int k = 0; k < n; ++k) {
      MLine* edge = made[k]->FindLine(made[(k + 1) % n]);
      ENG_FATAL_IF(edge == nullptr);
      if (lines[k]->IsSharp()) edge->flags |= kLineSharp;
      edge->group = lines[k]->group;
      if (lines[k]->id < 0) continue;
      LineRecord& record = records_[lines[k]->id];
      if (record.count == 0) {
        record.first = edge;
        record.count = 1;
      } else if (record.count == 1) {
        record.second = edge;
        record.count = 2;
      }
      edge->id = lines[k]->id;
    }
  }

 private:
  MMeshObj& mesh_;
  PtrArray& newFaces_;
  LineRecordArray& records_;
};

// The face of a line with one face, and its quad partner.
void FaceAndQuad(MMeshObj& mesh, MLine* line, MFace* out[2]) {
  out[0] = line->forwardFace != nullptr ? line->forwardFace : line->backwardFace;
  out[1] = out[0] != nullptr ? mesh.GetQuadPartner(out[0]) : nullptr;
}

}  // namespace

void MMeshObj::MakeFacesInLoops(const PtrArray& lineList, bool borderOnly) {
  SaveEditState();
  for (MLine* line : lines) line->id = -1;
  PtrArray newFaces;
  LineRecordArray records;
  LoopSearch search(*this, newFaces, records);
  for (int pass = 3; pass <= 4 && !Failed(); ++pass) {
    for (MVertex* v : vertices) {
      v->id = 0;
      v->flags &= ~kRingNeighbourMark;
    }
    int next = 0;
    for (int i = 0; i < lineList.count; ++i) {
      MLine* line = At<MLine>(lineList, i);
      for (MVertex* end : {line->end0, line->end1})
        if (end->id == 0) end->SetRingIds(--next);
    }
    for (int i = 0; i < lineList.count && !Failed(); ++i) {
      MLine* line = At<MLine>(lineList, i);
      if (!MItemIsLive(line)) continue;
      for (MVertex* end : {line->end0, line->end1})
        if (end->id < 0) end->SetRingIds(-end->id);
      if (borderOnly && line->forwardFace != nullptr && line->backwardFace != nullptr) continue;
      if (pass == 3)
        search.FindTriangles(line);
      else
        search.FindQuads(line);
    }
  }
  if (!Failed()) {
    // The drawn free lines under the new faces go.
    for (int i = 0; i < newFaces.count && !Failed(); ++i) {
      MVertex* c[3];
      At<MFace>(newFaces, i)->GetVertices(c);
      for (int k = 0; k < 3; ++k) {
        MLine* free = c[k]->FindFreeLineBetweenRings(c[(k + 1) % 3]);
        if (free == nullptr) continue;
        if (modelFlagsA != 0 && (free->flags & kLineSelected)) {
          PtrArray same;
          if (CollectLineAndCoincident(free, same))
            for (int j = 0; j < same.count; ++j) At<MLine>(same, j)->flags |= kLineSelected;
        }
        SaveLineAndEnds(free);
        if (!Failed()) free->Remove(0);
      }
    }
  }
  if (!Failed()) {
    // Orientation spreads from each record's first line over the new faces
    // (a heap stack of lines still to handle), then the records are zipped.
    for (MLine* line : lines) line->id = -1;
    for (int r = 0; r < records.count; ++r)
      if (records[r].count == 2) records[r].first->id = records[r].second->id = r;
    WorkStack<MLine*> pending;
    for (int r = 0; r < records.count && !Failed(); ++r) {
      if (records[r].count != 2 || records[r].first->id < 0) continue;
      if (!pending.Push(records[r].first)) break;
      while (!pending.Empty() && !Failed()) {
        MLine* line = pending.Top();
        pending.Pop();
        if (line->id < 0 || !MItemIsLive(line)) continue;
        const LineRecord record = records[line->id];
        MLine* other = record.first == line ? record.second : record.first;
        MFace* quad[2];
        FaceAndQuad(*this, other, quad);
        MVertex *v1, *v2;
        bool fits = CanZipBorderLines(line, other, &v1, &v2);
        if (EngContext().failState == kEngFailDeclined) EngContext().ClearFailure();
        if (Failed()) break;
        bool interior = false;
        PtrArray quadLines;
        for (MFace* face : quad) {
          if (face == nullptr) continue;
          MLine* l[3];
          face->GetLines(l);
          for (MLine* e : l) {
            interior = interior || (e->forwardFace != nullptr && e->backwardFace != nullptr &&
                                    !(e->flags & kLineHiddenDiagonal));
            if (!Append(quadLines, e)) break;
          }
        }
        if (!fits && !interior && quadLines.count > 0) {
          // The face (or quad) turns over: its lines, the diagonal once.
          PtrArray unique;
          for (int i = 0; i < quadLines.count; ++i) {
            bool seen = false;
            for (int j = 0; j < unique.count; ++j) seen = seen || unique[j] == quadLines[i];
            if (!seen) Append(unique, quadLines[i]);
          }
          ReverseLines(unique.count, reinterpret_cast<MLine* const*>(&unique[0]));
        }
        line->id = other->id = -1;
        for (int i = 0; i < quadLines.count; ++i) {
          MLine* e = At<MLine>(quadLines, i);
          if (e->id >= 0 && !pending.Push(e)) break;
        }
      }
    }
    for (int r = 0; r < records.count && !Failed(); ++r) {
      const LineRecord record = records[r];
      if (record.count != 2 || !MItemIsLive(record.first) || !MItemIsLive(record.second)) continue;
      MVertex *v1, *v2;
      bool fits = CanZipBorderLines(record.first, record.second, &v1, &v2);
      if (!fits && !AnyFailure()) {
        // One turn of the newer part, then the test once more.
        MVertex* turn = v1->state == kItemCreated && v2->state != kItemCreated ? v1 : v2;
        FlipPartAt(turn);
        if (!Failed()) fits = CanZipBorderLines(record.first, record.second, &v1, &v2);
        if (!fits && !Failed()) {
          EngContext().ClearFailure();
          FlipPartAt(turn);  // back as it was: the record is skipped
        }
      }
      if (AnyFailure() && !Failed()) EngContext().ClearFailure();
      if (Failed()) break;
      if (fits) ZipBorderLines(record.first, record.second, v1, v2);
      if (AnyFailure() && !Failed()) EngContext().ClearFailure();
    }
  }
  for (MLine* line : lines) line->id = 0;
  for (MVertex* v : vertices) {
    v->id = 0;
    v->flags &= ~kRingNeighbourMark;
  }
  // Copies saved for undo while the numbers were written carry them too;
  // an id below 0 means a destroyed element.
  for (MLine* line : removedLines)
    if (line->id < 0) line->id = 0;
  for (MVertex* v : removedVertices)
    if (v->id < 0) v->id = 0;
  if (visitStamp <= records.count + vertices.count) SetVisitStamp(records.count + vertices.count + 1);
  MarkChanged();
}

void MMeshObj::MakeFacesInLoopsAll() {
  SaveEditState();
  PtrArray lineList;
  GatherAll(nullptr, &lineList, nullptr);
  if (!Failed()) ApplyToListVertices(nullptr, &lineList, nullptr);
  if (!Failed()) MakeFacesInLoops(lineList, true);
}

void MMeshObj::MakeFacesInLoopsSelected() {
  SaveEditState();
  PtrArray lineList;
  GatherSelected(0, nullptr, &lineList, nullptr);
  if (!Failed()) ApplyToListVertices(nullptr, &lineList, nullptr);
  if (!Failed()) MakeFacesInLoops(lineList, false);
}

void MMeshObj::FillBetweenLines(const PtrArray& setA, const PtrArray& setB, const PtrArray& setC, bool oneSided) {
  SaveEditState();
  PtrArray both;
  for (const PtrArray* set : {&setA, &setB})
    for (int i = 0; i < set->count; ++i)
      if (!Append(both, (*set)[i])) return;
  ApplyToListVertices(nullptr, &both, nullptr);
  for (int i = 0; i < setC.count && !Failed(); ++i) At<MLine>(setC, i)->SaveUndo();
  if (Failed()) return;
  for (int i = 0; i < setA.count; ++i) At<MLine>(setA, i)->flags |= kFirstSetLine;
  if (!oneSided)
    for (const PtrArray* set : {&setB, &setC})
      for (int i = 0; i < set->count; ++i) {
        MLine* line = At<MLine>(*set, i);
        if (line->forwardFace != nullptr && line->backwardFace != nullptr) continue;
        if ((line->forwardFace != nullptr) != (line->backwardFace != nullptr)) line->flags |= kLineSharp;
      }
  PtrArray selection;
  for (int i = 0; i < setC.count; ++i) {
    MLine* line = At<MLine>(setC, i);
    if (line->forwardFace != nullptr && line->backwardFace != nullptr) continue;
    if (!Append(selection, line)) return;
  }
  ReplaceSelection(nullptr, &selection, nullptr);
  modelFlagsA = 1;
  modelFlagsB = oneSided ? 1 : 0;
  MakeFacesInLoops(both, false);
  modelFlagsA = modelFlagsB = 0;
  for (MLine* line : lines) line->flags &= ~kFirstSetLine;
}

}  // namespace engine
