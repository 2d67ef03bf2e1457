// Lines: construction, the element protocol and the edits of the cycles
// around the ends.
#include "engine/mesh/MLine.h"

#include <utility>

#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MVertex.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

MLine* MLine::NotAnEnd() { ENG_FATAL(); }

void MLine::Init(MItemList<MLine>* lineHolder) {
  end0 = end1 = nullptr;
  nextAround0 = prevAround0 = prevAround1 = nextAround1 = this;
  forwardFace = backwardFace = nullptr;
  fltabEntry = nullptr;
  pairValue = 0;
  loadIndex = nullptr;
  onLineHead = nullptr;
  partnerLine = nullptr;
  workA = workB = -1;
  partnerFace = nullptr;
  group = nullptr;
  flags = 1u << kLineWidthShift;
  colourR = colourG = colourB = 0;
  holder = lineHolder;
}

MLine::MLine(MVertex* from, MVertex* to, MLine* next0, MLine* prev0, MLine* prev1, MLine* next1,
             MItemList<MLine>* lineHolder) {
  ENG_FATAL_IF(from == to);
  Init(lineHolder);
  end0 = from;
  end1 = to;
  nextAround0 = next0 != nullptr ? next0 : this;
  prevAround0 = prev0 != nullptr ? prev0 : this;
  prevAround1 = prev1 != nullptr ? prev1 : this;
  nextAround1 = next1 != nullptr ? next1 : this;
  ++from->lineCount;
  from->firstLine = this;
  ++to->lineCount;
  to->firstLine = this;
  if (nextAround0 != this) nextAround0->SetPrevAround(from, this);
  if (prevAround0 != this) prevAround0->SetNextAround(from, this);
  if (prevAround1 != this) prevAround1->SetNextAround(to, this);
  if (nextAround1 != this) nextAround1->SetPrevAround(to, this);
}

// The split constructor. Both sectors around q are found before anything
// moves, so a conflict leaves p and q exactly as they were.
MLine::MLine(MVertex* q, MLine* p, MItemList<MLine>* lineHolder) {
  Init(lineHolder);
  MVertex* const far = p->end1;
  ENG_FATAL_IF(q->FindLine(far) != nullptr || q->FindLine(p->end0) != nullptr);
  const bool aloneAtFar = p->prevAround1 == p;
  ENG_FATAL_IF(aloneAtFar && p->nextAround1 != p);

  end0 = q;
  end1 = far;
  prevAround1 = aloneAtFar ? this : p->prevAround1;
  nextAround1 = aloneAtFar ? this : p->nextAround1;
  fltabEntry = p->fltabEntry;
  partnerLine = p->partnerLine;
  pairValue = p->pairValue;
  colourR = p->colourR;
  colourG = p->colourG;
  colourB = p->colourB;
  id = p->id;

  const bool qHadLines = q->firstLine != nullptr;
  MLine* next = nullptr;
  MLine* prev = nullptr;
  q->FindSectorForParams(far, next, prev);
  MLine* nextP = nullptr;
  MLine* prevP = nullptr;
  q->FindSectorForParams(p->end0, nextP, prevP);
  nextAround0 = qHadLines ? next : p;
  prevAround0 = qHadLines ? prev : p;
  if (qHadLines && !(next != nextP && prevP != prev)) {
    // Both directions fall in one sector: the split would cross itself.
    EngRecordFailure(kEngReasonTopologyConflict);
    return;
  }

  p->end1 = q;
  p->prevAround1 = qHadLines ? prevP : this;
  p->nextAround1 = qHadLines ? nextP : this;
  p->CopyAttributesTo(this);
  q->lineCount += 2;
  q->firstLine = this;
  far->firstLine = this;  // p left it and this line arrived: the count holds
  if (!aloneAtFar) {
    prevAround1->SetNextAround(far, this);
    nextAround1->SetPrevAround(far, this);
  }
  if (qHadLines) {
    prev->SetNextAround(q, this);
    next->SetPrevAround(q, this);
    prevP->SetNextAround(q, p);
    nextP->SetPrevAround(q, p);
  }
}

MLine::~MLine() { delete loadIndex; }

void MLine::CopyTo(MLine* target) const {
  CopyHeaderTo(target);
  target->end0 = end0;
  target->end1 = end1;
  target->nextAround0 = nextAround0;
  target->prevAround0 = prevAround0;
  target->prevAround1 = prevAround1;
  target->nextAround1 = nextAround1;
  target->forwardFace = forwardFace;
  target->backwardFace = backwardFace;
  target->flags = flags;
  target->group = group;
  target->colourR = colourR;
  target->colourG = colourG;
  target->colourB = colourB;
  target->fltabEntry = fltabEntry;
  target->pairValue = pairValue;
  target->onLineHead = onLineHead;
  target->partnerLine = partnerLine;
  target->workA = workA;
  target->workB = workB;
  target->partnerFace = partnerFace;
  target->holder = holder;
}

void MLine::RemapRefs() {
  end0 = end0->Copy();
  end1 = end1->Copy();
  nextAround0 = nextAround0->Copy();
  prevAround0 = prevAround0->Copy();
  prevAround1 = prevAround1->Copy();
  nextAround1 = nextAround1->Copy();
  if (forwardFace != nullptr) forwardFace = forwardFace->Copy();
  if (backwardFace != nullptr) backwardFace = backwardFace->Copy();
  if (group != nullptr) group = group->Copy();
  if (fltabEntry != nullptr) fltabEntry = fltabEntry->Copy();
  if (partnerLine != nullptr) partnerLine = partnerLine->Copy();
  if (partnerFace != nullptr) partnerFace = partnerFace->Copy();
  if (onLineHead != nullptr) {
    ENG_FATAL_IF(onLineHead->id < 0);
    onLineHead = onLineHead->Copy();
  }
}

namespace {

// Takes the line out of the cycle around one of its ends; the neighbours
// there must point back at it.
void LeaveCycle(MLine* line, MVertex* v) {
  MLine* const next = line->GetNextAround(v);
  MLine* const prev = line->GetPrevAround(v);
  if (next == line) return;
  ENG_FATAL_IF(next->GetPrevAround(v) != line || prev->GetNextAround(v) != line);
  next->SetPrevAround(v, prev);
  prev->SetNextAround(v, next);
}

}  // namespace

void MLine::Remove(int mode) {
  ENG_FATAL_IF(HasFace());
  ClearOnLineVertices();
  LeaveCycle(this, end0);
  LeaveCycle(this, end1);
  const int vertexMode = mode == 0 ? 0 : mode == 2 ? 2 : 1;
  end0->DetachLine(this, vertexMode);
  end1->DetachLine(this, vertexMode);
  if (fltabEntry != nullptr) {
    fltabEntry->Unlink();
    delete fltabEntry;
    fltabEntry = nullptr;
  }
  MoveToHolder();
}

void MLine::DetachFace(MFace* face, int mode) {
  if (forwardFace == face) forwardFace = nullptr;
  else if (backwardFace == face) backwardFace = nullptr;
  else ENG_FATAL();
  if (!HasFace() && mode != 2) Remove(mode == 0 ? 0 : 1);
}

// ---- ends and cycles ----------------------------------------------------------

void MLine::SetNextAround(const MVertex* v, MLine* line) {
  if (v == end0) nextAround0 = line;
  else if (v == end1) nextAround1 = line;
  else ENG_FATAL();
}

void MLine::SetPrevAround(const MVertex* v, MLine* line) {
  if (v == end0) prevAround0 = line;
  else if (v == end1) prevAround1 = line;
  else ENG_FATAL();
}

namespace {

// Steps once from the line with `step`, then on past hidden diagonals; null
// when the walk comes back to the first line stepped to.
MLine* VisibleStep(const MLine* line, const MVertex* v, MLine* (MLine::*step)(const MVertex*) const) {
  MLine* const first = (line->*step)(v);
  MLine* next = first;
  while (next->flags & kLineHiddenDiagonal) {
    next = (next->*step)(v);
    if (next == first) return nullptr;
  }
  return next;
}

}  // namespace

MLine* MLine::GetNextVisibleAround(const MVertex* v) const { return VisibleStep(this, v, &MLine::GetNextAround); }

MLine* MLine::GetPrevVisibleAround(const MVertex* v) const { return VisibleStep(this, v, &MLine::GetPrevAround); }

MLine* MLine::FindParallel() const {
  ENG_FATAL_IF(end0->firstLine == nullptr);
  MLine* found = nullptr;
  ForEachLineAround(end0, [&](MLine* line) {
    if (line == this || line->OtherEnd(end0) != end1) return;
    ENG_FATAL_IF(found != nullptr);  // three lines between two vertices
    found = line;
  });
  return found;
}

namespace {

// The two wings and the face of one side of a line: the forward side has
// nextAround0, prevAround1 and forwardFace; the backward side prevAround0,
// nextAround1 and backwardFace.
struct LineSide {
  MLine** wingAt0;
  MLine** wingAt1;
  MFace** face;
};

LineSide SideOf(MLine* line, bool forward) {
  if (forward) return {&line->nextAround0, &line->prevAround1, &line->forwardFace};
  return {&line->prevAround0, &line->nextAround1, &line->backwardFace};
}

}  // namespace

// Merges a parallel line lying against this one across an empty sliver:
// the face beyond `other` moves onto this line and `other` goes.
//   before:  face F | other | (empty) | this      after:  face F | this
bool MLine::AbsorbParallel(MLine* other) {
  const bool sameDirection = other->end0 == end0 && other->end1 == end1;
  ENG_FATAL_IF(!sameDirection && !(other->end0 == end1 && other->end1 == end0));
  bool forward = true;
  if (nextAround0 == other || prevAround1 == other) forward = true;
  else if (prevAround0 == other || nextAround1 == other) forward = false;
  else return false;
  const LineSide mine = SideOf(this, forward);
  if (*mine.face != nullptr) return false;
  // For lines running the same way, other's backward side faces this line's
  // forward side; for reversed lines, like sides face each other.
  const bool otherForward = sameDirection ? !forward : forward;
  const LineSide facing = SideOf(other, otherForward);
  if ((*facing.wingAt0 != this && *facing.wingAt1 != this) || *facing.face != nullptr) return false;
  MFace** farFace = SideOf(other, !otherForward).face;
  MFace* const moved = *farFace;
  *mine.face = moved;
  *farFace = nullptr;
  if (moved != nullptr && moved->firstLine == other) moved->firstLine = this;
  *mine.wingAt0 = other;
  *mine.wingAt1 = other;
  *facing.wingAt0 = this;
  *facing.wingAt1 = this;
  MergeAttributes(other);
  other->forwardFace = other->backwardFace = nullptr;
  other->Remove(1);
  return true;
}

void MLine::ConnectAtVertex(MVertex* v, MVertex* w, MLine* other) {
  ENG_FATAL_IF(!HasEnd(v) || !other->HasEnd(w));
  SetNextAround(v, other);
  SetPrevAround(v, other);
  other->SetNextAround(w, this);
  other->SetPrevAround(w, this);
  // w lets the line go while it is still one of its ends.
  w->DetachLine(other, 2);
  if (other->end0 == w) other->end0 = v;
  else other->end1 = v;
  ++v->lineCount;
  v->firstLine = other;
}

MVertex* MLine::SplitSharedVertex(MLine* other) {
  MVertex* const q = HasEnd(other->end0) ? other->end0 : HasEnd(other->end1) ? other->end1 : nullptr;
  ENG_FATAL_IF(q == nullptr);
  // The new vertex is had first, so running out of memory changes nothing.
  MVertex* const split = new (std::nothrow) MVertex(q->position, nullptr);
  if (split == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  q->DetachLine(other, 1);
  SetNextAround(q, this);
  SetPrevAround(q, this);
  split->lineCount = 1;
  split->firstLine = other;
  if (other->end0 == q) other->end0 = split;
  else other->end1 = split;
  other->SetNextAround(split, other);
  other->SetPrevAround(split, other);
  split->faceS = q->faceS;
  split->faceT = q->faceT;
  split->lineT = q->lineT;
  split->onLine = q->onLine;
  split->mirrorPartner = q->mirrorPartner;
  q->CopyAttributesTo(split);
  return split;
}

void MLine::Reverse() {
  std::swap(end0, end1);
  std::swap(nextAround0, nextAround1);
  std::swap(prevAround0, prevAround1);
  std::swap(forwardFace, backwardFace);
}

}  // namespace engine
