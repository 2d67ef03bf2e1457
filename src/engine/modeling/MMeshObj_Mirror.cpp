// Modelling: attaching another mesh's elements, counting elements, removing
// the faces of one material (the mirrored half made real with it), joining
// vertices to their copies, and the tidying of listed vertices and lines.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

// Moves every element of `from` to the tail of `to`, keeping their order,
// and points them at the new holder.
template <class T>
void AppendList(MItemList<T>& from, MItemList<T>& to, MItemList<T>* newHolder) {
  MItem* last = &to.sentinel;
  while (last->next != nullptr) last = last->next;
  for (T* e = from.First(); e != nullptr;) {
    T* following = e->Next();
    e->Unlink();
    if constexpr (requires { e->holder; }) {
      if (newHolder != nullptr) e->holder = newHolder;
    }
    to.InsertAfter(last == &to.sentinel ? nullptr : last, e);
    last = e;
    e = following;
  }
  from.count = 0;
}

}  // namespace

void MMeshObj::AttachMesh(MMeshObj* other, const MatrixRecord& m, PtrArray* ownFaces, PtrArray* otherFaces) {
  if (visitStamp < other->visitStamp) SetVisitStamp(other->visitStamp);
  if (ownFaces != nullptr)
    for (MFace* face : faces)
      if (!Append(ownFaces, face)) return;
  if (otherFaces != nullptr)
    for (MFace* face : other->faces)
      if (!Append(otherFaces, face)) return;
  for (MVertex* v : other->vertices) {
    const PointRecord p = v->position;
    v->position = {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
                   p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
                   p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
    if (v->flags & kVertexOnMirror) v->position.x = 0;
  }
  AppendList(other->vertices, vertices, &removedVertices);
  AppendList(other->lines, lines, &removedLines);
  AppendList(other->faces, faces, &removedFaces);
  AppendList(other->shaders, shaders, &removedShaders);
  AppendList(other->groups, groups, &removedGroups);
  other->TransformMorphs(m);
  DeleteSharedMorphsFrom(other);
  AppendList(other->morphs, morphs, static_cast<MItemList<MMorph>*>(nullptr));
  UpdateMirrorMode();
  MarkChanged();
}

void MMeshObj::CountElementStats(ElementStats& stats, bool selectedOnly) {
  stats = ElementStats{};
  const int s = TakeVisitStamp();
  for (MVertex* v : vertices) {
    if (selectedOnly && !(v->flags & kVertexSelected)) continue;
    ++stats.vertices;
    if (v->flags & kVertexOnMirror) ++stats.mirrorVertices;
    if (v->group != nullptr) v->group->id = s;
  }
  for (MLine* line : lines) {
    if ((line->flags & kLineHiddenDiagonal) || (selectedOnly && !(line->flags & kLineSelected))) continue;
    ++stats.visibleLines;
    if (line->group != nullptr) line->group->id = s;
  }
  for (MFace* face : faces) {
    if (selectedOnly && !face->AllEdgesSelected()) continue;
    ++stats.faces;
    if (face->CountHiddenEdges() == 0) ++stats.wholeFaces;
  }
  for (MGroup* g : groups)
    if (g->id == s) ++stats.groups;
}

void MMeshObj::RemoveFacesOfShader(MShader* shader) {
  PtrArray doomed;
  for (MFace* face : faces)
    if (face->shader == shader && !Append(doomed, face)) return;
  // What the removals change is saved first (the caller's step is open).
  for (int i = 0; i < doomed.count && !Failed(); ++i) SaveFaceNeighbourhood(At<MFace>(doomed, i));
  if (Failed()) return;
  for (int i = 0; i < doomed.count; ++i) At<MFace>(doomed, i)->Remove(0);
  for (MVertex* v : vertices) {
    if (!(v->flags & 0x20)) continue;
    v->SaveUndo();
    if (Failed()) return;
    v->flags = (v->flags & ~0x20u) | kVertexOnMirror;
    v->position.x = 0;
  }
  for (MLine* line : lines) {
    if (!(line->flags & 0x40)) continue;
    line->SaveUndo();
    if (Failed()) return;
    line->flags &= ~0x40u;
  }
  UpdateMirrorMode();
}

void MMeshObj::ClearCopyLinks() {
  for (MVertex* v : vertices) v->copy = nullptr;
  for (MLine* line : lines) line->copy = nullptr;
  for (MFace* face : faces) face->copy = nullptr;
}

void MMeshObj::ConnectCopies(PtrArray& lineOut) {
  PtrArray joined;
  for (MVertex* v = vertices.First(); v != nullptr && !Failed(); v = v->Next()) {
    MVertex* copyVertex = v->Copy();
    if (copyVertex == nullptr || !MItemIsLive(copyVertex) || v->FindLineBetweenRings(copyVertex) != nullptr) continue;
    MLine* line = AddLineBetween(v, copyVertex);
    if (line == nullptr || !Append(lineOut, line) || !Append(joined, v) || !Append(joined, copyVertex)) return;
  }
  TidyListedElements(nullptr, &joined);
}

void MMeshObj::TidyListedElements(const PtrArray* lineList, const PtrArray* vertexList) {
  // Each ring and each set of coincident lines once: what is done is
  // stamped (the steps inside take stamps of their own, so a mark they
  // overwrite only means a second, harmless pass).
  const int stamp = TakeVisitStamp();
  for (int i = 0; vertexList != nullptr && i < vertexList->count && !Failed(); ++i) {
    MVertex* v = At<MVertex>(*vertexList, i);
    if (IsRemoved(v) || v->id == stamp) continue;
    MVertex* tidied = TidyVertexRing(v);
    if (tidied != nullptr && MItemIsLive(tidied)) tidied->SetRingIds(stamp);
  }
  for (int i = 0; lineList != nullptr && i < lineList->count && !Failed(); ++i) {
    MLine* line = At<MLine>(*lineList, i);
    if (IsRemoved(line) || line->id == stamp) continue;
    MLine* survivor = MergeCoincidentLines(line);
    if (survivor != nullptr && MItemIsLive(survivor)) {
      PtrArray same;
      if (!CollectLineAndCoincident(survivor, same)) return;
      for (int k = 0; k < same.count; ++k) At<MLine>(same, k)->id = stamp;
    }
  }
}

}  // namespace engine
