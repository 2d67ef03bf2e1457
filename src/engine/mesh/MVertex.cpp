// Vertices: life cycle, element protocol, position and the walks around.
#include "engine/mesh/MVertex.h"

#include "engine/mesh/MFace.h"
#include "engine/mesh/MGroup.h"
#include "engine/mesh/MLine.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

void MVertex::Init(const PointRecord& at, MItemList<MVertex>* vertexHolder) {
  position = at;
  firstLine = nullptr;
  lineCount = 0;
  flags = 0;
  group = nullptr;
  ringNext = this;
  onLine = nullptr;
  mirrorPartner = nullptr;
  faceS = 0;
  faceT = 0;
  lineT = 0;
  loadIndex = nullptr;
  workValue = 0;
  nextOnLine = nullptr;
  holder = vertexHolder;
}

MVertex::~MVertex() { delete loadIndex; }

void MVertex::CopyTo(MVertex* target) const {
  CopyHeaderTo(target);
  target->position = position;
  target->firstLine = firstLine;
  target->lineCount = lineCount;
  target->flags = flags;
  target->group = group;
  target->ringNext = ringNext;
  target->onLine = onLine;
  target->mirrorPartner = mirrorPartner;
  target->faceS = faceS;
  target->faceT = faceT;
  target->lineT = lineT;
  // The load-time record belongs to this vertex alone.
  target->normal = normal;
  target->screenX = screenX;
  target->screenY = screenY;
  target->screenDepth = screenDepth;
  target->workValue = workValue;
  target->nextOnLine = nextOnLine;
  target->holder = holder;
}

void MVertex::SaveUndoRing() {
  ForEachRingMember(this, [](MVertex* member) {
    member->SaveUndo();
    return EngContext().failState == kEngFailNone;
  });
}

void MVertex::RemapRefs() {
  if (firstLine != nullptr) firstLine = firstLine->Copy();
  if (onLine != nullptr) onLine = onLine->Copy();
  if (ringNext != nullptr) ringNext = ringNext->Copy();
  if (nextOnLine != nullptr) nextOnLine = nextOnLine->Copy();
  if (group != nullptr) group = group->Copy();
  if (mirrorPartner != nullptr && mirrorPartner->copy != nullptr) mirrorPartner = mirrorPartner->Copy();
}

void MVertex::Remove() {
  ENG_FATAL_IF(lineCount > 0);
  if (onLine != nullptr) onLine->RemoveOnLineVertex(this);
  LeaveRing();
  MoveToHolder();
}

void MVertex::RemoveWithPartner() {
  if (mirrorPartner != nullptr && MItemIsLive(mirrorPartner)) mirrorPartner->Remove();
  Remove();
}

void MVertex::DetachLine(MLine* line, int mode) {
  --lineCount;
  if (lineCount == 0) {
    if (mode == 0) Remove();
    else if (mode == 2) RemoveWithPartner();
    else firstLine = nullptr;
    return;
  }
  if (line == firstLine) {
    firstLine = line->GetNextAround(this);
    ENG_FATAL_IF(firstLine == line);
  }
}

void MVertex::SetPosition(const PointRecord& point) {
  ForEachRingMember(this, [&](MVertex* member) {
    member->position = point;
    if (member->flags & kVertexOnMirror) member->position.x = 0;
  });
}

void MVertex::AverageRingPosition() {
  PointRecord sum{0, 0, 0};
  int n = 0;
  bool onMirror = false;
  ForEachRingMember(this, [&](MVertex* member) {
    sum.x += member->position.x;
    sum.y += member->position.y;
    sum.z += member->position.z;
    onMirror = onMirror || (member->flags & kVertexOnMirror) != 0;
    ++n;
  });
  const PointRecord mean{onMirror ? 0.0 : sum.x / n, sum.y / n, sum.z / n};
  ForEachRingMember(this, [&](MVertex* member) { member->position = mean; });
}

// ---- walks around the vertex ----------------------------------------------

MFace* MVertex::LeavingFace(const MLine* line) const { return line->LeavingFace(this); }

MFace* MVertex::ArrivingFace(const MLine* line) const { return line->ArrivingFace(this); }

void MVertex::GetFirstTwoLines(MLine*& a, MLine*& b) const {
  b = firstLine;
  a = firstLine == nullptr ? nullptr : firstLine->GetNextAround(this);
}

MLine* MVertex::FindLine(const MVertex* other) const {
  if (other == this) return nullptr;
  MLine* found = nullptr;
  ForEachLineAround(this, [&](MLine* line) {
    if (line->OtherEnd(this) == other) found = line;
    return found == nullptr;
  });
  return found;
}

int MVertex::CountLines() const {
  int n = 0;
  ForEachLineAround(this, [&](MLine*) { ++n; });
  return n;
}

namespace {

// Appends to an array; out of memory is recorded and stops the walk.
bool AppendOrFail(PtrArray& out, void* element) {
  if (out.Add(element)) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

}  // namespace

void MVertex::CollectLines(PtrArray& out) const {
  ForEachLineAround(this, [&](MLine* line) { return AppendOrFail(out, line); });
}

void MVertex::CollectNeighbours(PtrArray& out) const {
  ForEachLineAround(this, [&](MLine* line) { return AppendOrFail(out, line->OtherEnd(this)); });
}

void MVertex::CollectFaces(PtrArray& out) const {
  ForEachLineAround(this, [&](MLine* line) {
    MFace* face = line->LeavingFace(this);
    return face == nullptr || AppendOrFail(out, face);
  });
}

MLine* MVertex::GetFirstVisibleLine() const {
  MLine* found = nullptr;
  ForEachLineAround(this, [&](MLine* line) {
    if ((line->flags & kLineHiddenDiagonal) == 0) found = line;
    return found == nullptr;
  });
  return found;
}

bool MVertex::IsOnFreeLine() const { return firstLine == nullptr || !firstLine->HasFace(); }

int MVertex::GetBoundaryKind() const {
  bool withFace = false;
  bool withoutFace = false;
  ForEachLineAround(this, [&](MLine* line) {
    if (line->HasFace()) withFace = true;
    else withoutFace = true;
  });
  if (!withFace) return 1;
  return withoutFace ? 2 : 0;
}

void MVertex::GetLineKinds(bool& border, bool& sharp) const {
  ENG_FATAL_IF(firstLine == nullptr);
  border = false;
  sharp = false;
  ForEachLineAround(this, [&](MLine* line) {
    if (line->LeavingFace(this) == nullptr) border = true;
    if (line->IsSharp()) sharp = true;
  });
}

bool MVertex::HasGap() const {
  return !ForEachLineAround(this, [&](MLine* line) { return line->LeavingFace(this) != nullptr; });
}

}  // namespace engine
