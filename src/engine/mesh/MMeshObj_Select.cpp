// Mesh object: the selection (flag 0x80 of vertices and lines; a face is
// selected when its three edges are), its cache, ring propagation, and the
// gathering of selected or all elements into lists.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

bool Append(PtrArray* out, void* element) {
  if (out == nullptr || out->Add(element)) return true;
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

bool Failed() { return EngContext().failState == kEngFailFailed; }

}  // namespace

int MMeshObj::TakeVisitStamp() {
  NextVisitStamp();
  const int stamp = GetVisitStamp();
  NextVisitStamp();
  return stamp;
}

// ---- the cache -------------------------------------------------------------------

int MMeshObj::InvalidateSelectionCache() {
  vertexSelectionCache = lineSelectionCache = faceSelectionCache = -1;
  return -1;
}

bool MMeshObj::HasSelectedVertex() {
  if (vertexSelectionCache == -1) UpdateSelectionCache();
  return vertexSelectionCache == 1;
}

bool MMeshObj::HasSelectedFace() {
  if (faceSelectionCache == -1) UpdateSelectionCache();
  return faceSelectionCache == 1;
}

bool MMeshObj::HasSelectedLine() {
  if (lineSelectionCache == -1) UpdateSelectionCache();
  return lineSelectionCache == 1;
}

int MMeshObj::CountSelectedLines() const {
  int n = 0;
  for (const MLine* line : lines)
    if (line->flags & kLineSelected) ++n;
  return n;
}

void MMeshObj::ClearSelection() {
  for (MVertex* v : vertices) v->flags &= ~static_cast<std::uint32_t>(kVertexSelected);
  for (MLine* line : lines) line->flags &= ~static_cast<std::uint32_t>(kLineSelected);
  vertexSelectionCache = lineSelectionCache = faceSelectionCache = 0;
}

void MMeshObj::PropagateRingSelection() {
  for (MVertex* v : vertices)
    if (v->flags & kVertexSelected) v->SelectRing();
  for (MLine* line : lines) {
    if (!(line->flags & kLineSelected)) continue;
    if (line->end0->ringNext == line->end0 && line->end1->ringNext == line->end1) continue;
    ForEachRingMember(line->end0, [&](MVertex* a) {
      ForEachRingMember(line->end1, [&](MVertex* b) {
        MLine* joining = a->FindLine(b);
        if (joining == nullptr) return;
        joining->flags |= kLineSelected;
        // A coincident line of a selected one is drawn, so it cannot stay
        // a hidden diagonal.
        joining->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
      });
    });
  }
}

// ---- gathering ---------------------------------------------------------------------

void MMeshObj::GatherSelected(int mode, PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  if (!HasSelectedVertex()) return;
  if (mode != 1) {
    if (faceList != nullptr)
      for (MFace* face : faces)
        if (face->AllEdgesSelected() && !Append(faceList, face)) return;
    if (lineList != nullptr)
      for (MLine* line : lines)
        if ((line->flags & kLineSelected) && !Append(lineList, line)) return;
    if (vertexList != nullptr)
      for (MVertex* v : vertices)
        if ((v->flags & kVertexSelected) && !Append(vertexList, v)) return;
    return;
  }
  // The selection grown by the rings around its elements.
  PtrArray selectedLines, selectedVertices, grownLines, grownVertices;
  GatherSelected(0, nullptr, &selectedLines, &selectedVertices);
  if (Failed()) return;
  PtrArray& lineOut = lineList != nullptr ? *lineList : grownLines;
  PtrArray& vertexOut = vertexList != nullptr ? *vertexList : grownVertices;
  ExpandLists(selectedLines, selectedVertices, lineOut, vertexOut);
  if (faceList != nullptr && !Failed()) CollectFacesOfLines(lineOut, *faceList);
}

void MMeshObj::GatherSelectedVertices(PtrArray& out) {
  PtrArray selected;
  GatherSelected(0, nullptr, nullptr, &selected);
  if (Failed()) return;
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < selected.count; ++i) {
    MVertex* v = static_cast<MVertex*>(selected[i]);
    if (v->id == stamp) continue;
    if (!Append(&out, v)) return;
    v->SetRingIds(stamp);
  }
}

void MMeshObj::GatherAll(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  if (faceList != nullptr)
    for (MFace* face : faces)
      if (!Append(faceList, face)) return;
  if (lineList != nullptr)
    for (MLine* line : lines)
      if (!Append(lineList, line)) return;
  if (vertexList != nullptr)
    for (MVertex* v : vertices)
      if (!Append(vertexList, v)) return;
}

void MMeshObj::CollectFacesOfLines(const PtrArray& lineList, PtrArray& out) {
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < lineList.count; ++i) static_cast<MLine*>(lineList[i])->id = stamp;
  for (MFace* face : faces) {
    MLine* edges[3];
    face->GetLines(edges);
    if (edges[0]->id == stamp && edges[1]->id == stamp && edges[2]->id == stamp && !Append(&out, face)) return;
  }
}

void MMeshObj::CollectAroundRing(int stamp, MVertex* v, PtrArray* lineOut, PtrArray* vertexOut) {
  ForEachRingMember(v, [&](MVertex* member) {
    return ForEachLineAround(member, [&](MLine* line) {
      if (lineOut != nullptr) line->CollectCoincidentLinesOnce(stamp, *lineOut);
      if (vertexOut != nullptr && !Failed()) line->OtherEnd(member)->CollectRingOnce(stamp, *vertexOut);
      return !Failed();
    });
  });
}

void MMeshObj::ExpandLists(const PtrArray& lineList, const PtrArray& vertexList, PtrArray& lineOut,
                           PtrArray& vertexOut) {
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = static_cast<MLine*>(lineList[i]);
    line->id = stamp;
    if (!Append(&lineOut, line)) return;
  }
  for (int i = 0; i < vertexList.count; ++i) {
    MVertex* v = static_cast<MVertex*>(vertexList[i]);
    v->id = stamp;
    if (!Append(&vertexOut, v)) return;
  }
  for (int i = 0; i < lineList.count && !Failed(); ++i) {
    MLine* line = static_cast<MLine*>(lineList[i]);
    CollectAroundRing(stamp, line->end0, &lineOut, nullptr);
    if (!Failed()) CollectAroundRing(stamp, line->end1, &lineOut, nullptr);
  }
  for (int i = 0; i < vertexList.count && !Failed(); ++i)
    CollectAroundRing(stamp, static_cast<MVertex*>(vertexList[i]), nullptr, &vertexOut);
}

}  // namespace engine
