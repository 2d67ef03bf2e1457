// Modelling: cutting a drawn path across quads. The path is a list of
// items, each an existing vertex or a line it crosses, with a target point
// each: the crossed lines are split once (a subdivision by two), the new
// vertices go to their points, consecutive path vertices are joined by
// visible lines, and the quads the path passes through are rebuilt.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

// The faces of an item: around every vertex of a vertex's ring, or beside a
// line and its coincident lines.
bool ItemFaces(MVertex* v, MLine* line, PtrArray& out) {
  if (v != nullptr) {
    PtrArray ring;
    v->CollectRing(ring);
    for (int i = 0; i < ring.count && !Failed(); ++i) At<MVertex>(ring, i)->CollectFaces(out);
    return !Failed();
  }
  PtrArray same;
  if (!CollectLineAndCoincident(line, same)) return false;
  for (int i = 0; i < same.count; ++i)
    for (MFace* face : {At<MLine>(same, i)->forwardFace, At<MLine>(same, i)->backwardFace})
      if (face != nullptr && !Append(out, face)) return false;
  return true;
}

MVertex* PathVertex(const PtrArray& vertexList, const PtrArray* made, int i) {
  if (vertexList[i] != nullptr) return At<MVertex>(vertexList, i);
  return made != nullptr && i < made->count ? At<MVertex>(*made, i) : nullptr;
}

}  // namespace

MFace* MMeshObj::FindFaceBetween(MVertex* va, MLine* la, MVertex* vb, MLine* lb, MVertex** corner) {
  if (corner != nullptr) *corner = nullptr;
  if ((va == nullptr && la == nullptr) || (vb == nullptr && lb == nullptr)) return nullptr;
  PtrArray candidates, targets;
  if (!ItemFaces(va, la, candidates)) return nullptr;
  if (vb != nullptr)
    vb->CollectRing(targets);
  else
    CollectLineAndCoincident(lb, targets);
  if (Failed()) return nullptr;
  auto targeted = [&](void* element) {
    for (int i = 0; i < targets.count; ++i)
      if (targets[i] == element) return true;
    return false;
  };
  for (int i = 0; i < candidates.count; ++i) {
    MFace* face = At<MFace>(candidates, i);
    MLine* sides[5];
    MVertex* corners[4];
    const int n = GetQuadCorners(face, nullptr, sides, corners, nullptr, nullptr, nullptr);
    int hit = -1;
    for (int k = 0; k < n && hit < 0; ++k)
      if (targeted(vb != nullptr ? static_cast<void*>(corners[k]) : static_cast<void*>(sides[k]))) hit = k;
    if (hit < 0) continue;
    if (corner != nullptr && n == 4 && (la == nullptr) != (lb == nullptr)) {
      // One item a side h of the quad, the other a corner of the side
      // opposite: the quad's remaining corner closes the cut.
      MLine* line = la != nullptr ? la : lb;
      MVertex* v = la != nullptr ? vb : va;
      int h = -1, c = -1;
      for (int k = 0; k < 4; ++k) {
        const MLine* side = sides[k];
        const bool same = side == line || (line->end0->IsInRing(side->end0) && line->end1->IsInRing(side->end1)) ||
                          (line->end0->IsInRing(side->end1) && line->end1->IsInRing(side->end0));
        if (same && h < 0) h = k;
        if (v->IsInRing(corners[k]) && c < 0) c = k;
      }
      if (h >= 0 && c == (h + 2) % 4) *corner = corners[(h + 3) % 4];
      if (h >= 0 && c == (h + 3) % 4) *corner = corners[(h + 2) % 4];
    }
    return face;
  }
  return nullptr;
}

void MMeshObj::CollectPathCorners(const PtrArray& vertexList, const PtrArray& lineList, PtrArray& out) {
  for (int i = 0; i + 1 < lineList.count; ++i) {
    MVertex* corner = nullptr;
    FindFaceBetween(At<MVertex>(vertexList, i), At<MLine>(lineList, i), At<MVertex>(vertexList, i + 1),
                    At<MLine>(lineList, i + 1), &corner);
    if (Failed() || !Append(out, corner)) return;
  }
}

void MMeshObj::PlacePathVertices(const PointArray& points) {
  for (int i = 0; pathVertexList != nullptr && i < pathVertexList->count && i < points.count; ++i) {
    MVertex* v = At<MVertex>(*pathVertexList, i);
    if (v == nullptr || IsRemoved(v)) continue;
    v->SaveUndoRing();
    if (Failed()) return;
    v->SetPosition(points[i]);
  }
}

void MMeshObj::JoinPathVertices(const PtrArray& vertexList) {
  for (int i = 0; i + 1 < vertexList.count && !Failed(); ++i) {
    MVertex* a = PathVertex(vertexList, pathVertexList, i);
    MVertex* b = PathVertex(vertexList, pathVertexList, i + 1);
    if (a == nullptr || b == nullptr || IsRemoved(a) || IsRemoved(b)) continue;
    MLine* line = a->FindLineBetweenRings(b);
    if (line == nullptr || (line->flags & kLineHiddenDiagonal)) SwitchQuadDiagonal(a, b, false);
  }
}

void MMeshObj::RestorePathQuads(const PtrArray& corners) {
  for (int i = 0; i < corners.count && !Failed(); ++i) {
    MVertex* far = At<MVertex>(corners, i);
    if (far == nullptr || IsRemoved(far) || pathVertexList == nullptr) continue;
    MVertex* v = i < pathVertexList->count ? At<MVertex>(*pathVertexList, i) : nullptr;
    if (v == nullptr && i + 1 < pathVertexList->count) v = At<MVertex>(*pathVertexList, i + 1);
    if (v == nullptr || IsRemoved(v)) continue;
    MLine* line = far->FindLine(v);
    if (line != nullptr && !(line->flags & (kLineHidden | kLineHiddenDiagonal))) JoinToQuad(line);
  }
}

void MMeshObj::CutPathAcrossQuads(PtrArray& vertexList, PtrArray& lineList, PointArray& points) {
  // A second cut inside the first cannot happen; lists of other lengths
  // are refused.
  if (vertexList.count != lineList.count || points.count != lineList.count || pathLineList != nullptr)
    return Refuse();
  SaveSelectionForUndo();
  if (Failed()) return;
  ClearSelection();
  PtrArray crossed;
  for (int i = 0; i < lineList.count; ++i)
    if (lineList[i] != nullptr && !Append(crossed, lineList[i])) return;
  // The crossed lines and their ends become selected: their unselected
  // state is saved first, so undo clears it again.
  for (int i = 0; i < crossed.count; ++i) {
    MLine* line = At<MLine>(crossed, i);
    line->SaveUndo();
    if (!Failed()) line->end0->SaveUndoRing();
    if (!Failed()) line->end1->SaveUndoRing();
    if (Failed()) return;
  }
  ReplaceSelection(nullptr, &crossed, nullptr);
  PtrArray corners;
  CollectPathCorners(vertexList, lineList, corners);
  if (Failed()) return;
  pathLineList = new (std::nothrow) PtrArray();
  pathVertexList = new (std::nothrow) PtrArray();
  bool ready = pathLineList != nullptr && pathVertexList != nullptr;
  for (int i = 0; ready && i < lineList.count; ++i) ready = pathLineList->Add(lineList[i]) && pathVertexList->Add(nullptr);
  if (!ready) EngRecordFailure(kEngReasonOutOfMemory);
  if (!Failed()) SubdivideSelected(2);
  if (!Failed()) PlacePathVertices(points);
  if (!Failed()) JoinPathVertices(vertexList);
  if (!Failed()) RestorePathQuads(corners);
  if (!Failed()) ClearSelection();
  delete pathLineList;
  delete pathVertexList;
  pathLineList = pathVertexList = nullptr;
}

}  // namespace engine
