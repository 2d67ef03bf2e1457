// Modelling: deleting the selected faces and listed elements, filling
// closed loops of selected border lines, crease flags and weights, and
// hiding and showing elements.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint32_t kLineCreaseHigh = 0x0F000000;  // the first packed field of a line's weight
constexpr std::uint32_t kVertexCreaseHigh = 0x000F0000;

bool Hidden(const MFace* face) { return (face->flags & kFaceHidden) != 0; }
bool Hidden(const MLine* line) { return (line->flags & kLineHidden) != 0; }
bool Hidden(const MVertex* v) { return (v->flags & kVertexHidden) != 0; }

// Each answers false when saving ran out of memory.
bool Hide(MFace* face) {
  if (Hidden(face)) return true;
  face->SaveUndo();
  if (Failed()) return false;
  face->flags |= kFaceHidden;
  return true;
}
bool Hide(MLine* line) {
  if (Hidden(line)) return true;
  line->SaveUndo();
  if (Failed()) return false;
  line->flags |= kLineHidden;
  return true;
}
bool Hide(MVertex* v) {
  if (Hidden(v)) return true;
  v->SaveUndo();
  if (Failed()) return false;
  v->flags |= kVertexHidden;
  return true;
}

bool HasTwoFaces(const MLine* line) { return line->forwardFace != nullptr && line->backwardFace != nullptr; }

}  // namespace

// ---- deleting --------------------------------------------------------------------------

void MMeshObj::RemoveSelectedFaces() {
  PtrArray faceList, lineList;
  for (MLine* line : lines) {
    if (!(line->flags & kLineSelected) || !HasTwoFaces(line)) continue;
    if (!line->forwardFace->AllEdgesSelected() || !line->backwardFace->AllEdgesSelected()) continue;
    PtrArray same;
    if (!CollectLineAndCoincident(line, same)) return;
    if (same.count == 1 && !Append(lineList, line)) return;
  }
  for (MFace* face : faces)
    if (face->AllEdgesSelected() && !Append(faceList, face)) return;
  SaveEditState();
  ApplyToListVertices(&faceList, &lineList, nullptr);
  for (int i = 0; i < lineList.count && !Failed(); ++i) {
    // An end that goes with its line takes its partner along.
    MLine* line = At<MLine>(lineList, i);
    for (MVertex* end : {line->end0, line->end1})
      if (end->mirrorPartner != nullptr && MItemIsLive(end->mirrorPartner) && !Failed())
        SaveRingNeighbourhood(end->mirrorPartner);
  }
  if (Failed()) return;
  for (int i = 0; i < faceList.count; ++i) At<MFace>(faceList, i)->Remove(2);
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (!IsRemoved(line) && !line->HasFace()) line->Remove(2);
  }
  InvalidateSelectionCache();
  MarkChanged();
}

void MMeshObj::DeleteLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  SaveEditState();
  const int stamp = TakeVisitStamp();
  PtrArray edges, corners;
  bool removedFace = false;
  if (faceList != nullptr && faceList->count > 0) {
    for (int i = 0; i < faceList->count; ++i) {
      MFace* face = At<MFace>(*faceList, i);
      if (IsRemoved(face)) continue;
      MLine* l[3];
      face->GetLines(l);
      for (MLine* edge : l) {
        if (edge->id == stamp) continue;
        edge->SetIdOnCoincidentLines(stamp);
        if (!CollectLineAndCoincident(edge, edges)) return;
      }
      RemoveFaceAndTidy(face);
      if (Failed()) return;
      removedFace = true;
    }
    for (int i = 0; lineList != nullptr && i < lineList->count; ++i) {
      MLine* line = At<MLine>(*lineList, i);
      if (IsRemoved(line) || line->HasFace()) continue;
      SaveLineNeighbourhood(line);
      if (Failed()) return;
      line->Remove(2);
    }
  } else if (lineList != nullptr && lineList->count > 0) {
    for (int i = 0; i < lineList->count; ++i) {
      MLine* line = At<MLine>(*lineList, i);
      if (IsRemoved(line)) continue;
      SaveLineNeighbourhood(line);
      if (Failed()) return;
      for (MFace* face : {line->forwardFace, line->backwardFace}) {
        // A hidden diagonal listed itself goes with its quad's first half.
        if (face == nullptr || IsRemoved(face) || IsRemoved(line)) continue;
        MFace* partner = nullptr;
        MLine* quadLines[5];
        MVertex* quadCorners[4];
        const int n = GetQuadCorners(face, &partner, quadLines, quadCorners, nullptr, nullptr, nullptr);
        if (n == 4)
          for (int k = 0; k < 4 && !Failed(); ++k) SaveRingNeighbourhood(quadCorners[k]);
        if (Failed()) return;
        face->Remove(2);
        removedFace = true;
        if (n == 4) {
          partner->Remove(2);
          if (!quadLines[4]->HasFace()) quadLines[4]->Remove(1);
        }
        for (int k = 0; k < n; ++k)
          if (!Append(corners, quadCorners[k])) return;
      }
      if (!IsRemoved(line) && !line->HasFace()) line->Remove(2);
    }
  } else if (vertexList != nullptr) {
    for (int i = 0; i < vertexList->count && !Failed(); ++i) {
      MVertex* v = At<MVertex>(*vertexList, i);
      if (IsRemoved(v) || v->ringNext != v || v->CountLines() != 2) continue;
      MLine *a = nullptr, *b = nullptr;
      v->GetFirstTwoLines(a, b);
      if (a->HasFace() || b->HasFace()) continue;
      CollapseShortestLine(v);
    }
  }
  if (Failed()) return;
  PtrArray liveEdges, liveCorners;
  for (int i = 0; i < edges.count; ++i)
    if (!IsRemoved(At<MLine>(edges, i)) && !Append(liveEdges, edges[i])) return;
  for (int i = 0; i < corners.count; ++i)
    if (!IsRemoved(At<MVertex>(corners, i)) && !Append(liveCorners, corners[i])) return;
  TidyListedElements(&liveEdges, &liveCorners);
  if (removedFace && !Failed()) CleanUpShaders(false);
  if (!Failed()) UpdateMirrorMode();
  InvalidateSelectionCache();
  MarkChanged();
}

// ---- filling loops of selected border lines ---------------------------------------------

void MMeshObj::FillSelectedLoops() {
  if (!HasSelectedVertex()) return;
  PtrArray faceList, lineList;
  GatherSelected(2, &faceList, &lineList, nullptr);
  if (Failed()) return;
  SaveEditState();
  const int a = TakeVisitStamp();
  const int v = TakeVisitStamp();
  for (int i = 0; i < lineList.count; ++i) At<MLine>(lineList, i)->id = a;
  bool skipped = false;
  for (int i = 0; i < lineList.count && !Failed(); ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (line->id != a || HasTwoFaces(line)) continue;
    MVertex* const start = line->forwardFace != nullptr ? line->end1 : line->end0;
    PtrArray chain;
    if (!Append(chain, start)) return;
    MVertex* at = start;
    for (;;) {
      line->id = v;
      MVertex* w = line->OtherEnd(at);
      if (w == start) {
        bool onPlane = false;
        for (int k = 0; k < chain.count; ++k) onPlane = onPlane || (At<MVertex>(chain, k)->flags & kVertexOnMirror);
        if (onPlane) break;
        MVertex** loop = reinterpret_cast<MVertex**>(&chain[0]);
        // A hole that passes a vertex twice or is crossed by a chord cannot
        // be filled as one loop; it stays open.
        if (!IsFillableLoop(chain.count, loop)) {
          skipped = true;
          break;
        }
        MShader* shader = GetNewFaceShader();
        if (shader == nullptr) return;
        FillLoop(chain.count, loop, shader, false);
        break;
      }
      if (!Append(chain, w)) return;
      const bool faceA = line->forwardFace != nullptr;
      MLine* next = w == line->end0 ? (faceA ? line->prevAround0 : line->nextAround0)
                                    : (faceA ? line->nextAround1 : line->prevAround1);
      if (next->id != a) break;
      at = w;
      line = next;
    }
  }
  InvalidateSelectionCache();
  if (skipped) Refuse();
}

// ---- crease flags and weights -------------------------------------------------------------

namespace {

void ClearCrease(MLine* line) {
  line->SaveUndo();
  if (Failed()) return;
  if (line->IsSharp()) line->flags &= ~(static_cast<std::uint32_t>(kLineSharp) | kLineCreaseHigh);
  line->SetCreaseWeight(0);
  for (MVertex* end : {line->end0, line->end1}) {
    end->SaveUndo();
    if (Failed()) return;
    end->SetCreaseWeight(0);
    end->flags &= ~(static_cast<std::uint32_t>(kVertexFullCrease) | kVertexCreaseHigh);
  }
}

void SetCrease(MLine* line) {
  if (line->IsSharp() || (line->flags & kLineHiddenDiagonal)) return;
  line->SaveUndo();
  if (!Failed()) line->flags |= kLineSharp;
}

}  // namespace

void MMeshObj::ClearUnpairedCreaseBits() {
  SaveEditState();
  for (MLine* line : lines) {
    ClearCrease(line);
    if (Failed()) return;
  }
}

void MMeshObj::ClearUnpairedCreaseBitsSelected() {
  PtrArray lineList;
  GatherSelected(2, nullptr, &lineList, nullptr);
  SaveEditState();
  for (int i = 0; i < lineList.count && !Failed(); ++i) ClearCrease(At<MLine>(lineList, i));
}

void MMeshObj::SetCreaseBitAll() {
  SaveEditState();
  for (MLine* line : lines) {
    SetCrease(line);
    if (Failed()) return;
  }
}

void MMeshObj::SetCreaseBitSelected() {
  SaveEditState();
  for (MLine* line : lines) {
    if (line->flags & kLineSelected) SetCrease(line);
    if (Failed()) return;
  }
}

// ---- hiding and showing --------------------------------------------------------------------

void MMeshObj::ClearHideFlagAll() {
  SaveEditState();
  for (MFace* face : faces) {
    if (!Hidden(face)) continue;
    face->SaveUndo();
    if (Failed()) return;
    face->flags &= ~kFaceHidden;
  }
  for (MLine* line : lines) {
    if (!Hidden(line)) continue;
    line->SaveUndo();
    if (Failed()) return;
    line->flags &= ~static_cast<std::uint32_t>(kLineHidden);
  }
  for (MVertex* v : vertices) {
    if (!Hidden(v)) continue;
    v->SaveUndo();
    if (Failed()) return;
    v->flags &= ~static_cast<std::uint32_t>(kVertexHidden);
  }
}

void MMeshObj::SetHideFlagAll(bool linesAndVerticesOnly) {
  SaveEditState();
  if (!linesAndVerticesOnly)
    for (MFace* face : faces)
      if (!Hide(face)) return;
  for (MLine* line : lines)
    if (!Hide(line)) return;
  for (MVertex* v : vertices)
    if (!Hide(v)) return;
}

void MMeshObj::SetHideFlagSelected(int mode) {
  SaveEditState();
  if (mode == 2) {
    for (MVertex* v : vertices)
      if (!(v->flags & kVertexSelected) && !Hide(v)) return;
    for (MFace* face : faces)
      if (!face->AllEdgesSelected() && !Hide(face)) return;
    for (MLine* line : lines) {
      const bool selected = (line->flags & kLineSelected) != 0;
      const bool bothFacesHidden = HasTwoFaces(line) && Hidden(line->forwardFace) && Hidden(line->backwardFace);
      if ((!selected || bothFacesHidden) && !Hide(line)) return;
    }
    return;
  }
  PtrArray faceList, lineList;
  GatherSelected(2, &faceList, &lineList, nullptr);
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (!Hide(line) || !Hide(line->end0) || !Hide(line->end1)) return;
  }
  if (mode == 0)
    for (int i = 0; i < faceList.count; ++i)
      if (!Hide(At<MFace>(faceList, i))) return;
  // Vertices that visible lines still use stay visible.
  for (MLine* line : lines) {
    if (Failed()) return;
    if (Hidden(line) || (line->flags & kLineHiddenDiagonal)) continue;
    for (MVertex* end : {line->end0, line->end1}) {
      if (!Hidden(end)) continue;
      end->SaveUndo();
      if (Failed()) return;
      end->flags &= ~static_cast<std::uint32_t>(kVertexHidden);
    }
  }
}

}  // namespace engine
