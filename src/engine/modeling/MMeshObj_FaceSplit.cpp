// Modelling: turning a face with lines drawn on it (the crossing curves the
// mesh boolean attaches) into real topology. The face's corners, the
// vertices on its edges and the drawn lines form a planar work graph in
// the face's parameter plane (corners at (0,0), (1,0), (0,1)); separate
// islands are bridged to the boundary, crossings become vertices, the
// graph's loops are walked and classed (1 inside, 2 outside the other
// operand), and the loops the mode keeps are triangulated
// (MMeshObj_FaceFill.cpp) with the vertices the work vertices stand for
// (their partner links) as corners.
//
// Work lines: workA and workB hold the loop numbers of their forward and
// backward sides (-1 unvisited), pairValue the class of their forward side
// (0 for boundary and bridge lines), partnerFace the face across the edge a
// boundary line spans whole. Faces carry their class bits in workMark.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr int kReasonAmbiguousCrossing = 7;
constexpr int kReasonSplitConflict = 8;
constexpr int kCrossingTries = 20;
constexpr int kFirstLineNudges = 9;  // tries that nudge the second line before the first

bool OnFace(const MLine* line, const MFace* face) {
  return line->fltabEntry != nullptr && line->fltabEntry->face == face;
}

MVertex* StandsFor(MVertex* w) { return w->mirrorPartner != nullptr ? w->mirrorPartner : w; }

// The last entry of a drawn-line list, or null.
MFltab* LastEntry(const MFltabList* list) {
  MFltab* last = nullptr;
  for (MFltab* entry : *list) last = entry;
  return last;
}

bool AppendLines(const MFltabList* list, PtrArray& out) {
  for (MFltab* entry : *list)
    if (!Append(out, entry->line)) return false;
  return true;
}

// Inserts a work line from a to b between the right lines around both ends
// (in the face's parameter plane).
MLine* AddWorkLine(MMeshObj& mesh, MVertex* a, MVertex* b) {
  MLine *next0 = nullptr, *prev0 = nullptr, *next1 = nullptr, *prev1 = nullptr;
  a->FindSectorForParams(b, next0, prev0);
  b->FindSectorForParams(a, next1, prev1);
  MLine* line = mesh.AddLine(a, b, next0, prev0, prev1, next1);
  if (line != nullptr) {
    line->workA = line->workB = -1;
    line->pairValue = 0;
    line->partnerFace = nullptr;
  }
  return line;
}

// The loop walk as a face's loop runs: a line entered at its first end is
// passed on its forward side and left at its second end.
struct Side {
  MLine* line;
  bool forward;
  int& LoopNumber() const { return forward ? line->workA : line->workB; }
  int& OtherLoopNumber() const { return forward ? line->workB : line->workA; }
  int ClassBits() const {
    const int code = line->pairValue;
    if (code != 1 && code != 2) return 0;
    return forward ? code : 3 - code;
  }
  MVertex* Leaves() const { return forward ? line->end1 : line->end0; }
  Side Next() const {
    MLine* next = forward ? line->prevAround1 : line->prevAround0;
    return {next, next->end0 == Leaves()};
  }
  bool operator==(const Side& other) const { return line == other.line && forward == other.forward; }
};

}  // namespace

// ---- the stored face list and line marks ---------------------------------------------------

void MMeshObj::FreeStoredFaceList() {
  delete workList;
  workList = nullptr;
  SetStoredFaceTag(-1);
}

void MMeshObj::TidyAfterSplit() {
  FreeStoredFaceList();
  ClearLineFlag08();
  ClearLineFlag04();
}

void MMeshObj::PrepareLineSplit() {
  TidyAfterSplit();
  workList = new (std::nothrow) PtrArray();
  if (workList == nullptr) return EngRecordFailure(kEngReasonOutOfMemory);
  SetStoredFaceTag(TakeVisitStamp());
}

void MMeshObj::ClearLineFlag08() { ClearLineBits(lines, kLineCurveMark); }

void MMeshObj::CollectFlaggedLines(PtrArray& out) {
  for (MLine* line : lines)
    if ((line->flags & kLineCurveMark) && !Append(out, line)) return;
}

void MMeshObj::RemoveFacesWithMark(int value) {
  PtrArray marked;
  for (MFace* face : faces)
    if (face->workMark == value && !Append(marked, face)) return;
  if (marked.count == 0) return;
  SaveEditState();
  for (int i = 0; i < marked.count && !Failed(); ++i) SaveFaceNeighbourhood(At<MFace>(marked, i));
  for (int i = 0; i < marked.count && !Failed(); ++i) {
    MFace* face = At<MFace>(marked, i);
    MVertex* c[3];
    face->GetVertices(c);
    for (MVertex* corner : c)
      if (!Failed()) SaveVertexNeighbourhood(corner);
  }
  if (Failed()) return;
  for (int i = 0; i < marked.count; ++i) At<MFace>(marked, i)->Remove(0);
}

// ---- the work graph ---------------------------------------------------------------------------

void MMeshObj::SetFaceCornerParams(MFace* face, bool reset) {
  MVertex* c[3];
  MLine* e[3];
  face->GetVertices(c);
  face->GetLines(e);
  if (reset) {
    static constexpr double kCornerParams[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    for (int k = 0; k < 3; ++k) {
      c[k]->faceS = kCornerParams[k][0];
      c[k]->faceT = kCornerParams[k][1];
      c[k]->mirrorPartner = nullptr;
      if (c[k]->onLine != nullptr) c[k]->onLine->RemoveOnLineVertex(c[k]);
    }
  }
  for (int k = 0; k < 3; ++k) {
    const bool diagonal = (e[k]->flags & kLineHiddenDiagonal) != 0;
    MVertex* a = c[k];
    MVertex* b = c[(k + 1) % 3];
    for (MVertex* v = e[k]->onLineHead; v != nullptr; v = v->nextOnLine) {
      if (v->id < 0) continue;  // destroyed: nothing to place
      v->SetFaceParamsFromLine(e, c);
      if (diagonal)
        v->flags |= kVertexWorkMark;
      else
        e[k]->flags |= kLineWorkMark;
      std::uint32_t both = 0;
      if ((a->flags & kVertexOnMirror) && (b->flags & kVertexOnMirror))
        both = kVertexOnMirror;
      else if ((a->flags & kVertexPlaneHalf) && (b->flags & kVertexPlaneHalf))
        both = kVertexPlaneHalf;
      v->flags |= both;
      if (v->mirrorPartner != nullptr) v->mirrorPartner->flags |= both;
    }
  }
}

MVertex* MMeshObj::BoundaryVertexOf(MFace* face, MVertex* x) {
  int own = 0, other = 0;
  MLine* ownLine = nullptr;
  MLine* otherLine = nullptr;
  ForEachLineAround(x, [&](MLine* line) {
    if (OnFace(line, face)) {
      ++own;
      ownLine = line;
    } else {
      ++other;
      otherLine = line;
    }
  });
  if (other == 0) return x;
  MVertex* w = nullptr;
  if (own == 1 && other == 1) {
    // The curve goes on into the neighbour: this face's line takes a vertex
    // of its own, and x stays on the edge for the neighbour's split.
    w = otherLine->SplitSharedVertex(ownLine);
  } else if (own == 0) {
    w = new (std::nothrow) MVertex(x->position, nullptr);
    if (w != nullptr) {
      w->faceS = x->faceS;
      w->faceT = x->faceT;
      w->mirrorPartner = x->mirrorPartner;
      x->CopyAttributesTo(w);
    }
  } else {
    EngRecordFailure(kReasonSplitConflict);
    return nullptr;
  }
  if (w == nullptr) {
    if (!Failed()) EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  w->holder = &removedVertices;
  w->onLine = nullptr;  // in no on-line list: it must not claim one
  w->nextOnLine = nullptr;
  vertices.Add(w);
  return w;
}

void MMeshObj::BuildFaceWorkGraph(MFace* face) {
  MVertex* c[3];
  MLine* e[3];
  face->GetVertices(c);
  face->GetLines(e);
  MVertex* work[3];
  for (int k = 0; k < 3; ++k) {
    work[k] = AddVertex(c[k]->position);
    if (work[k] == nullptr) return;
    c[k]->CopyAttributesTo(work[k]);
    work[k]->faceS = c[k]->faceS;
    work[k]->faceT = c[k]->faceT;
    work[k]->mirrorPartner = c[k];
  }
  for (int k = 0; k < 3; ++k) {
    // The edge's vertices in the face's direction round its loop.
    PtrArray along;
    for (MVertex* v = e[k]->onLineHead; v != nullptr; v = v->nextOnLine)
      if (!Append(along, v)) return;
    if (e[k]->end0 != c[k])
      for (int i = 0, j = along.count - 1; i < j; ++i, --j) std::swap(along[i], along[j]);
    MVertex* from = work[k];
    for (int i = 0; i <= along.count; ++i) {
      MVertex* to = i < along.count ? BoundaryVertexOf(face, At<MVertex>(along, i)) : work[(k + 1) % 3];
      if (to == nullptr) return;
      MLine* line = AddWorkLine(*this, from, to);
      if (line == nullptr) return;
      e[k]->CopyAttributesTo(line);
      line->workB = 0;  // its backward side is the outside of the face
      if (along.count == 0) line->partnerFace = e[k]->forwardFace == face ? e[k]->backwardFace : e[k]->forwardFace;
      // Boundary lines head the list.
      face->AddFltab(line, nullptr);
      if (Failed()) return;
      from = to;
    }
  }
}

void MMeshObj::ConnectAttachedParts(MFace* face) {
  PtrArray attached;
  if (!AppendLines(face->fltabList, attached)) return;
  // Each part's vertices one after another, from the index in `starts`.
  EngArray<int> starts;
  PtrArray partVertices;
  NextVisitStamp();
  const int first = GetVisitStamp();
  for (int i = 0; i < attached.count; ++i) {
    MLine* line = At<MLine>(attached, i);
    if (line->id >= first && line->id <= GetVisitStamp()) continue;
    if (starts.count > 0) NextVisitStamp();
    if (!starts.Add(partVertices.count)) return EngRecordFailure(kEngReasonOutOfMemory);
    GatherPartAt(line->end0, &partVertices, nullptr, nullptr);
    if (Failed()) return;
  }
  NextVisitStamp();
  const int firstEnd = starts.count > 1 ? starts[1] : partVertices.count;
  for (int p = 1; p < starts.count; ++p) {
    const int begin = starts[p], end = p + 1 < starts.count ? starts[p + 1] : partVertices.count;
    MVertex *bestA = nullptr, *bestB = nullptr;
    double best = 0;
    for (int i = 0; i < firstEnd; ++i)
      for (int j = begin; j < end; ++j) {
        MVertex* a = At<MVertex>(partVertices, i);
        MVertex* b = At<MVertex>(partVertices, j);
        const double d = MUtilDistanceSquared(a->position, b->position);
        if (bestA == nullptr || d < best) {
          best = d;
          bestA = a;
          bestB = b;
        }
      }
    MLine* bridge = AddWorkLine(*this, bestA, bestB);
    if (bridge == nullptr) return;
    face->AddFltab(bridge, LastEntry(face->fltabList));
    if (Failed()) return;
  }
}

bool MMeshObj::IntersectAttachedLines(MFace* face, bool testOnly, PtrArray* vertexOut) {
  bool nudged = false;
  int tries = 0;
  for (bool again = true; again;) {
    again = false;
    PtrArray attached;
    if (!AppendLines(face->fltabList, attached)) return nudged;
    for (int i = 0; i < attached.count && !again; ++i)
      for (int j = i + 1; j < attached.count && !again; ++j) {
        MLine* a = At<MLine>(attached, i);
        MLine* b = At<MLine>(attached, j);
        double s = 0, t = 0;
        PointRecord point;
        const bool crosses = a->IntersectInFaceParams(b, 1, s, t, point);
        if (EngContext().failState == kEngFailDeclined && EngContext().failReason == kReasonAmbiguousCrossing) {
          // Touching or overlapping: move one line's ends a little and try
          // the whole scan again.
          EngContext().ClearFailure();
          if (++tries > kCrossingTries) {
            EngRecordFailure(kReasonAmbiguousCrossing);
            return nudged;
          }
          MLine* moved = tries <= kFirstLineNudges ? b : a;
          moved->end0->NudgeFaceParams(face);
          moved->end1->NudgeFaceParams(face);
          nudged = again = true;
          continue;
        }
        if (!crosses || testOnly) continue;
        MVertex* q = AddVertex(point);
        MVertex* partner = q != nullptr ? AddVertex(point) : nullptr;
        if (partner == nullptr) return nudged;
        q->faceS = s;
        q->faceT = t;
        q->mirrorPartner = partner;
        for (MLine* split : {a, b}) {
          MLine* half = SplitLineAtVertex(q, split);
          if (half == nullptr) return nudged;
          half->workA = half->workB = -1;
          face->AddFltab(half, LastEntry(face->fltabList));
          if (Failed()) return nudged;
        }
        if (!Append(vertexOut, q)) return nudged;
        again = true;
      }
  }
  return nudged;
}

// ---- loops and classes ------------------------------------------------------------------------

void MMeshObj::PropagateFaceClass(MFace* face, int mode, int cls) {
  struct Item {
    MFace* face;
    int cls;
  };
  WorkStack<Item> stack;
  if (!stack.Push({face, cls})) return;
  while (!stack.Empty()) {
    const Item item = stack.Top();
    stack.Pop();
    MFace* f = item.face;
    if (f->CountFltabs() > 0 || f->workMark == item.cls) continue;
    const int mark = f->workMark | item.cls;
    f->SaveUndo();
    if (Failed()) return;
    f->workMark = static_cast<std::int16_t>(mark);
    if (mark == 3 && mode != 3) return EngRecordFailure(kReasonSplitConflict);
    if (item.cls == 1 && workList != nullptr && f->id != GetStoredFaceTag()) {
      f->id = GetStoredFaceTag();
      if (!Append(workList, f)) return;
    }
    MLine* e[3];
    f->GetLines(e);
    // Pushed last to first so the first edge's face is visited first.
    for (int k = 2; k >= 0; --k) {
      MFace* across = e[k]->forwardFace == f ? e[k]->backwardFace : e[k]->forwardFace;
      if (across != nullptr && !stack.Push({across, mark})) return;
    }
  }
}

void MMeshObj::ClassifyFaceLoops(MLine* start, PtrArray& loopList, EngArray<int>& classList, int mode) {
  // One frame per loop whose second walk is under way: the side it began
  // on and the side reached.
  struct Frame {
    Side first;
    Side at;
    bool started;
  };
  WorkStack<Frame> stack;
  // Records the loop through the unvisited side of `line`; false on failure.
  auto record = [&](MLine* line) {
    Side first{line, line->workB != -1};
    if (first.LoopNumber() != -1) {
      EngRecordFailure(kReasonSplitConflict);
      return false;
    }
    const int number = loopList.count;
    int bits = 0;
    Side side = first;
    for (int steps = 0;; ++steps) {
      if (side.LoopNumber() != -1 || steps > 4 * lines.count + 8) {
        EngRecordFailure(kReasonSplitConflict);
        return false;
      }
      side.LoopNumber() = number;
      bits |= side.ClassBits();
      side = side.Next();
      if (side == first) break;
    }
    if (!Append(loopList, line) || !classList.Add(bits)) {
      if (!Failed()) EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
    if (bits == 3 && (mode == 0 || mode == 2 || mode == 4)) {
      EngRecordFailure(kReasonAmbiguousCrossing);
      return false;
    }
    if (bits != 0 && mode != 5 && (mode != 4 || bits == 1)) {
      side = first;
      do {
        if (side.line->partnerFace != nullptr) PropagateFaceClass(side.line->partnerFace, mode, bits);
        if (Failed()) return false;
        side = side.Next();
      } while (!(side == first));
    }
    return stack.Push({first, first, false});
  };
  if (!record(start)) return;
  while (!stack.Empty()) {
    Frame& frame = stack.Top();
    if (frame.started && frame.at == frame.first) {
      stack.Pop();
      continue;
    }
    frame.started = true;
    const Side side = frame.at;
    frame.at = side.Next();
    if (side.OtherLoopNumber() == -1 && !record(side.line)) return;
  }
}

void MMeshObj::CopyWorkVertexAttributes(MFace* face) {
  for (MFltab* entry : *face->fltabList)
    for (MVertex* end : {entry->line->end0, entry->line->end1})
      if (end->mirrorPartner != nullptr) end->CopyAttributesTo(end->mirrorPartner);
}

void MMeshObj::CopyAttachedLineAttributes(MFltabList* list) {
  for (MFltab* entry : *list) {
    MLine* line = entry->line;
    MLine* real = StandsFor(line->end0)->FindLine(StandsFor(line->end1));
    if (real != nullptr && real != line) line->CopyAttributesTo(real);
  }
}

// ---- the split of one face -----------------------------------------------------------------------

int MMeshObj::SplitFaceByLines(MFace* face, int mode) {
  if (face->CountFltabs() == 0) return 0;
  SaveEditState();
  // Everything the split changes is saved first: the face and its
  // surroundings, the drawn lines with their ends, and the neighbours'
  // drawn lines that share an end on an edge.
  SaveFaceNeighbourhood(face);
  MVertex* c[3];
  MLine* e[3];
  face->GetVertices(c);
  face->GetLines(e);
  for (int k = 0; k < 3 && !Failed(); ++k) SaveVertexNeighbourhood(c[k]);
  if (!Failed()) face->SaveFltabLines();
  for (int k = 0; k < 3 && !Failed(); ++k)
    for (MVertex* v = e[k]->onLineHead; v != nullptr && !Failed(); v = v->nextOnLine) {
      v->SaveUndo();
      ForEachLineAround(v, [&](MLine* line) {
        line->SaveUndo();
        return !Failed();
      });
    }
  if (Failed()) return -1;

  MGroup* const group = face->GetEdgeGroup();
  for (MFltab* entry : *face->fltabList) {
    MLine* line = entry->line;
    line->flags |= kLineCutMark | kLineCurveMark;
    line->group = group;
    line->workA = line->workB = -1;
  }
  SetFaceCornerParams(face, true);
  BuildFaceWorkGraph(face);
  if (Failed()) return -1;
  MLine* const outsideStart = face->fltabList->First()->line;
  ConnectAttachedParts(face);
  if (!Failed()) IntersectAttachedLines(face, false, nullptr);
  if (Failed()) return -1;

  PtrArray loopList;
  EngArray<int> classList;
  if (!Append(loopList, outsideStart) || !classList.Add(0)) {
    if (!Failed()) EngRecordFailure(kEngReasonOutOfMemory);
    return -1;
  }
  ClassifyFaceLoops(outsideStart, loopList, classList, mode);
  if (Failed()) return -1;
  CopyWorkVertexAttributes(face);

  OldFaceCorners old;
  for (int k = 0; k < 3; ++k) old.position[k] = c[k]->position;
  old.textured = face->uv != nullptr;
  if (old.textured) old.uv = *face->uv;
  MShader* const shader = face->shader;
  MFltabList* attached = face->TakeFltabList();
  face->Remove(1);
  for (int n = 1; n < loopList.count && !Failed(); ++n) {
    const int cls = classList[n];
    const bool keep = (cls == 1 && mode != 0) || (cls == 2 && mode != 2) || mode == 4 || mode == 5;
    if (keep) FillRegion(At<MLine>(loopList, n), n, cls, mode, shader, group, old);
  }
  if (!Failed()) CopyAttachedLineAttributes(attached);
  while (!attached->IsEmpty()) {
    MFltab* entry = attached->First();
    MLine* line = entry->line;
    if (line->HasFace()) {
      // A work vertex without a partner made this line an edge: it stays.
      entry->Unlink();
      delete entry;
      line->fltabEntry = nullptr;
      continue;
    }
    line->Remove(0);  // takes its entry out of the list
  }
  delete attached;
  return Failed() ? -1 : 1;
}

}  // namespace engine
