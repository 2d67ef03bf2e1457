// Lines: coincident lines (lines between the same two rings of coincident
// vertices) and the ordered list of the vertices lying on a line.
#include "engine/mesh/MFace.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MVertex.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

// Calls f(line) for every line other than `self` that joins a member of
// a's ring to a member of b's ring (the first line found for each pair);
// false from f stops. Answers false when stopped.
template <class F>
bool ForEachLineBetweenRings(const MLine* self, MVertex* a, MVertex* b, F&& f) {
  return ForEachRingMember(a, [&](MVertex* x) {
    return ForEachRingMember(b, [&](MVertex* y) {
      MLine* line = x->FindLine(y);
      return line == nullptr || line == self || f(line);
    });
  });
}

bool AloneInRings(const MLine* line) { return line->end0->ringNext == line->end0 && line->end1->ringNext == line->end1; }

bool AppendLine(PtrArray& out, MLine* line) {
  if (out.Add(line)) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

}  // namespace

bool MLine::HasCoincidentLine() const {
  if (AloneInRings(this) || end0->IsInRing(end1)) return false;
  return !ForEachLineBetweenRings(this, end0, end1, [](MLine*) { return false; });
}

int MLine::CountCoincidentLines() const {
  if (AloneInRings(this) || end0->IsInRing(end1)) return 1;
  int n = 1;
  ForEachLineBetweenRings(this, end0, end1, [&](MLine*) {
    ++n;
    return true;
  });
  return n;
}

bool MLine::BordersFace(const MFace* face) const {
  if (forwardFace == face || backwardFace == face) return true;
  if (AloneInRings(this) || end0->IsInRing(end1)) return false;
  return !ForEachLineBetweenRings(this, end0, end1,
                                  [&](MLine* line) { return line->forwardFace != face && line->backwardFace != face; });
}

int MLine::GatherCoincidentLines(PtrArray* out, bool select, bool test) {
  if (AloneInRings(this)) return 0;
  if (end0->IsInRing(end1)) return 2;
  if (select) flags |= kLineSelected;
  else if (out != nullptr && !AppendLine(*out, this)) return 0;
  bool found = false;
  ForEachLineBetweenRings(this, end0, end1, [&](MLine* line) {
    found = true;
    if (test) return false;
    if (select) line->flags |= kLineSelected;
    else if (out != nullptr) return AppendLine(*out, line);
    return true;
  });
  return found ? 1 : 0;
}

void MLine::CollectCoincidentLinesOnce(int n, PtrArray& out) {
  if (id != n) {
    id = n;
    if (!AppendLine(out, this)) return;
  }
  if (end0->ringNext == end0 || end1->ringNext == end1) return;
  ForEachRingMember(end0, [&](MVertex* x) {
    if (x == end0) return true;
    return ForEachRingMember(end1, [&](MVertex* y) {
      if (y == end1) return true;
      MLine* line = x->FindLine(y);
      if (line == nullptr || line->id == n) return true;
      line->id = n;
      return AppendLine(out, line);
    });
  });
}

void MLine::SetIdOnCoincidentLines(int n) {
  id = n;
  PtrArray lines;
  GatherCoincidentLines(&lines, false, false);
  for (int i = 0; i < lines.count; ++i) static_cast<MLine*>(lines[i])->id = n;
}

// ---- vertices lying on the line -------------------------------------------------

void MLine::AddOnLineVertex(MVertex* v) {
  v->onLine = this;
  MVertex** link = &onLineHead;
  while (*link != nullptr && (*link)->lineT <= v->lineT) link = &(*link)->nextOnLine;
  v->nextOnLine = *link;
  *link = v;
}

void MLine::RemoveOnLineVertex(MVertex* v) {
  MVertex** link = &onLineHead;
  while (*link != nullptr && *link != v) link = &(*link)->nextOnLine;
  ENG_FATAL_IF(*link == nullptr);
  *link = v->nextOnLine;
  v->nextOnLine = nullptr;
  v->onLine = nullptr;
}

void MLine::ClearOnLineVertices() {
  for (MVertex* v = onLineHead; v != nullptr;) {
    MVertex* following = v->nextOnLine;
    v->onLine = nullptr;
    v->nextOnLine = nullptr;
    v = following;
  }
  onLineHead = nullptr;
}

void MLine::GetOnLineVertexRange(MVertex*& first, MVertex*& last) const {
  first = last = onLineHead;
  while (last != nullptr && last->nextOnLine != nullptr) last = last->nextOnLine;
}

MVertex* MLine::GetNextOnLineVertex(const MVertex* v) const { return v->nextOnLine; }

MVertex* MLine::GetPrevOnLineVertex(const MVertex* v) const {
  MVertex* before = nullptr;
  for (MVertex* member = onLineHead; member != nullptr; member = member->nextOnLine) {
    if (member == v) return before;
    before = member;
  }
  ENG_FATAL();
}

}  // namespace engine
