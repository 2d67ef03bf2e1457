// Mesh object: opening and closing edit steps, and the ring of finished
// steps.
#include <climits>
#include <cstdint>

#include "engine/mesh/MMeshObj.h"
#include "platform/Hooks.h"

namespace engine {
namespace {

// Appends the chain of `from` at the end of `to`, keeping its order; `from`
// is left empty.
template <class T>
void SpliceToEnd(MItemList<T>& from, MItemList<T>& to) {
  MItem* first = from.sentinel.next;
  if (first == nullptr) return;
  MItem* last = &to.sentinel;
  while (last->next != nullptr) last = last->next;
  last->next = first;
  first->prev = last;
  to.count += from.count;
  from.sentinel.next = nullptr;
  from.count = 0;
}

// A table of the list's elements with their state codes and copy links, in
// list order. False when it cannot be had (a size beyond 32 bits counts as
// failed).
template <class T>
bool StoreStates(const MItemList<T>& list, int count, ElementStateRecord*& table, int& tableCount) {
  const std::uint64_t bytes = static_cast<std::uint64_t>(count) * sizeof(ElementStateRecord);
  table = bytes <= UINT32_MAX ? static_cast<ElementStateRecord*>(EngAlloc(static_cast<std::size_t>(bytes))) : nullptr;
  if (table == nullptr) return false;
  int n = 0;
  for (T* element : list) {
    if (n == count) break;
    table[n++] = ElementStateRecord{element->state, element->copy, element};
  }
  tableCount = n;
  return true;
}

void RestoreStates(const ElementStateRecord* table, int count) {
  for (int i = 0; i < count; ++i) {
    table[i].element->state = table[i].state;
    table[i].element->copy = table[i].copy;
  }
}

template <class T>
void ResetStates(MItemList<T>& list) {
  for (T* element : list) element->state = kItemUnchanged;
}

}  // namespace

void MMeshObj::SaveEditState() {
  if (editState == kEditMeshStep || editState == kEditCreated) return;
  if (editState != kEditTransformSaved) MObject::SaveUndo();
  SaveMorphTransforms();
  SnapshotStepValues();
  editState = kEditMeshStep;
}

void MMeshObj::SnapshotStepValues() {
  savedMirrorMode = mirrorMode;
  savedVertexSelectionCache = vertexSelectionCache;
  savedLineSelectionCache = lineSelectionCache;
  savedFaceSelectionCache = faceSelectionCache;
  savedVisitStamp = visitStamp;
  savedSmoothDisplay = smoothDisplay;
  savedPageLineStyle = pageLineStyle;
}

void MMeshObj::AllocateUndoRing() {
  for (MeshUndoEntry& entry : undoRing) {
    // The stored steps' vertices are freed with them: no morph may keep one.
    if (entry.vertexHolder != nullptr) DetachMorphVertices(*entry.vertexHolder);
    entry.Free();
  }
  backCount = 0;
  forwardCount = 0;
  const int depth = EngContext().undoDepth;
  undoDepth = depth < 1 ? 1 : depth > kUndoRingSize ? kUndoRingSize : depth;
  ringPos = undoDepth - 1;
  SetUndoDirection(0);
  for (int i = 0; i < undoDepth; ++i) {
    MeshUndoEntry& entry = undoRing[i];
    entry.vertexHolder = new (std::nothrow) MItemList<MVertex>();
    entry.lineHolder = new (std::nothrow) MItemList<MLine>();
    entry.faceHolder = new (std::nothrow) MItemList<MFace>();
    entry.shaderHolder = new (std::nothrow) MItemList<MShader>();
    entry.groupHolder = new (std::nothrow) MItemList<MGroup>();
    if (entry.vertexHolder == nullptr || entry.lineHolder == nullptr || entry.faceHolder == nullptr ||
        entry.shaderHolder == nullptr || entry.groupHolder == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MMeshObj::DropStepHolders() {
  // The morphs must not keep vertices that are about to be freed.
  DetachMorphVertices(removedVertices);
  removedVertices.Clear();
  removedLines.Clear();
  removedFaces.Clear();
  removedShaders.Clear();
  removedGroups.Clear();
}

bool MMeshObj::StoreElementStates(int entry) {
  MeshUndoEntry& e = undoRing[entry];
  int vertexTotal = 0, lineTotal = 0, faceTotal = 0, drawn = 0;
  CountElements(vertexTotal, lineTotal, faceTotal, drawn);
  const bool ok = StoreStates(vertices, vertexTotal, e.vertexStates, e.vertexStateCount) &&
                  StoreStates(lines, lineTotal, e.lineStates, e.lineStateCount) &&
                  StoreStates(faces, faceTotal, e.faceStates, e.faceStateCount) &&
                  StoreStates(shaders, shaders.Length(), e.shaderStates, e.shaderStateCount) &&
                  StoreStates(groups, groups.Length(), e.groupStates, e.groupStateCount);
  if (!ok) EngRecordFailure(kEngReasonOutOfMemory);
  return ok;
}

void MMeshObj::MoveHoldersToEntry(int entry) {
  MeshUndoEntry& e = undoRing[entry];
  SpliceToEnd(removedVertices, *e.vertexHolder);
  SpliceToEnd(removedLines, *e.lineHolder);
  SpliceToEnd(removedFaces, *e.faceHolder);
  SpliceToEnd(removedShaders, *e.shaderHolder);
  SpliceToEnd(removedGroups, *e.groupHolder);
}

void MMeshObj::StoreStepValues(int entry) {
  MeshUndoEntry& e = undoRing[entry];
  e.storedMirrorMode = savedMirrorMode;
  e.storedVertexSelectionCache = savedVertexSelectionCache;
  e.storedLineSelectionCache = savedLineSelectionCache;
  e.storedFaceSelectionCache = savedFaceSelectionCache;
  e.storedVisitStamp = savedVisitStamp;
  e.storedSmoothDisplay = savedSmoothDisplay;
  e.storedPageLineStyle = savedPageLineStyle;
  SnapshotStepValues();
}

bool MMeshObj::StoreStep() {
  const int a = (ringPos + undoDepth - 1) % undoDepth;
  FreeEntry(a);
  // Only this store's own failure counts: a failure an edit left recorded
  // must not keep the step's holders out of the ring.
  if (undoRing[a].vertexHolder != nullptr && StoreElementStates(a)) {
    MoveHoldersToEntry(a);
    StoreStepValues(a);
    return true;
  }
  if (forwardCount == undoDepth) --forwardCount;
  return false;
}

void MMeshObj::FreeEntry(int entry) {
  MeshUndoEntry& e = undoRing[entry];
  for (ElementStateRecord** table : {&e.vertexStates, &e.lineStates, &e.faceStates, &e.shaderStates, &e.groupStates}) {
    EngFree(*table);
    *table = nullptr;
  }
  e.vertexStateCount = e.lineStateCount = e.faceStateCount = e.shaderStateCount = e.groupStateCount = 0;
  if (e.vertexHolder == nullptr) return;  // the ring could not be set up
  DetachMorphVertices(*e.vertexHolder);
  e.vertexHolder->Clear();
  e.lineHolder->Clear();
  e.faceHolder->Clear();
  e.shaderHolder->Clear();
  e.groupHolder->Clear();
}

void MMeshObj::DropSteps(int mode) {
  if (mode != 0 && mode != 1) return;
  for (int i = 1; i <= backCount; ++i) FreeEntry(((ringPos - i) % undoDepth + undoDepth) % undoDepth);
  backCount = 0;
  if (mode != 0) return;
  for (int i = 0; i < forwardCount; ++i) FreeEntry((ringPos + i) % undoDepth);
  forwardCount = 0;
}

bool MMeshObj::CanStep(int direction) const {
  if (direction == 0) return undoDirection == 0 || forwardCount > 0;
  if (direction == 1) return undoDirection == 1 || backCount > 0;
  return false;
}

void MMeshObj::RestoreElementStates(int entry) {
  const MeshUndoEntry& e = undoRing[entry];
  RestoreStates(e.vertexStates, e.vertexStateCount);
  RestoreStates(e.lineStates, e.lineStateCount);
  RestoreStates(e.faceStates, e.faceStateCount);
  RestoreStates(e.shaderStates, e.shaderStateCount);
  RestoreStates(e.groupStates, e.groupStateCount);
}

void MMeshObj::RestoreHolders(int entry) {
  MeshUndoEntry& e = undoRing[entry];
  SpliceToEnd(*e.vertexHolder, removedVertices);
  SpliceToEnd(*e.lineHolder, removedLines);
  SpliceToEnd(*e.faceHolder, removedFaces);
  SpliceToEnd(*e.shaderHolder, removedShaders);
  SpliceToEnd(*e.groupHolder, removedGroups);
}

void MMeshObj::RestoreStepValues(int entry) {
  const MeshUndoEntry& e = undoRing[entry];
  savedMirrorMode = e.storedMirrorMode;
  savedVertexSelectionCache = e.storedVertexSelectionCache;
  savedLineSelectionCache = e.storedLineSelectionCache;
  savedFaceSelectionCache = e.storedFaceSelectionCache;
  savedVisitStamp = e.storedVisitStamp;
  savedSmoothDisplay = e.storedSmoothDisplay;
  savedPageLineStyle = e.storedPageLineStyle;
}

void MMeshObj::LoadStep(int entry) {
  RestoreElementStates(entry);
  RestoreHolders(entry);
  RestoreStepValues(entry);
}

bool MMeshObj::TravelStep(int direction) {
  const int d = undoDepth;
  if (direction == 1) {
    ENG_FATAL_IF(backCount <= 0);
    if (!StoreStep()) {
      platform::Beep();
      return false;
    }
    LoadStep((d + ringPos - 2) % d);
    backCount = backCount > 0 ? backCount - 1 : 0;
    forwardCount = forwardCount < d ? forwardCount + 1 : d;
    ringPos = (d + ringPos - 1) % d;
    return true;
  }
  ENG_FATAL_IF(forwardCount <= 0);
  if (!StoreStep()) {
    platform::Beep();
    return false;
  }
  LoadStep(ringPos);
  forwardCount = forwardCount > 0 ? forwardCount - 1 : 0;
  backCount = backCount < d ? backCount + 1 : d;
  ringPos = (ringPos + 1) % d;
  return true;
}

void MMeshObj::Checkpoint(bool keep) {
  if (keep) {
    DropSteps(1);
    if (undoDirection == 1) {
      // The step was undone and can no longer be redone.
      DropStepHolders();
    } else {
      ENG_FATAL_IF(backCount > 0);
      if (!StoreStep()) {
        platform::Beep();
        return;
      }
      forwardCount = forwardCount + 1 < undoDepth - 1 ? forwardCount + 1 : undoDepth - 1;
      ringPos = (ringPos + undoDepth - 1) % undoDepth;
    }
  } else {
    DropSteps(0);
    DropStepHolders();
  }
  SetUndoDirection(0);
  MObject::SaveState();
  ResetStates(vertices);
  ResetStates(lines);
  ResetStates(faces);
  ResetStates(shaders);
  ResetStates(groups);
  SetEditState(kEditUnchanged);
}

}  // namespace engine
