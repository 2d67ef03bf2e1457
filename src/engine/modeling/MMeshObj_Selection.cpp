// Modelling: selecting and deselecting lists of elements with the
// propagation that keeps quads, rings and coincident lines consistent,
// selections by rule, growing a face list by its corners, and saving lists
// and their neighbourhoods for undo.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint32_t kVSel = kVertexSelected;
constexpr std::uint32_t kLSel = kLineSelected;

int Count(const PtrArray* list) { return list == nullptr ? 0 : list->count; }

// Sets or clears the selection of the listed elements: a face's edges (with
// their ends) when the edge changes, a line with its ends when it changes,
// a vertex alone.
void MarkLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList, bool select) {
  auto markLine = [select](MLine* line) {
    if (((line->flags & kLSel) != 0) == select) return;
    if (select) {
      line->flags |= kLSel;
      line->end0->flags |= kVSel;
      line->end1->flags |= kVSel;
    } else {
      line->flags &= ~kLSel;
      line->end0->flags &= ~kVSel;
      line->end1->flags &= ~kVSel;
    }
  };
  for (int i = 0; i < Count(faceList); ++i) {
    MLine* edges[3];
    At<MFace>(*faceList, i)->GetLines(edges);
    for (MLine* edge : edges) markLine(edge);
  }
  for (int i = 0; i < Count(lineList); ++i) markLine(At<MLine>(*lineList, i));
  for (int i = 0; i < Count(vertexList); ++i) {
    MVertex* v = At<MVertex>(*vertexList, i);
    if (select)
      v->flags |= kVSel;
    else
      v->flags &= ~kVSel;
  }
}

// Rule selections: the lines (and vertices) the rule takes, in mesh order,
// added to the selection.
template <class LineRule, class VertexRule>
void SelectByRule(MMeshObj& mesh, LineRule lineRule, VertexRule vertexRule, bool withVertices) {
  PtrArray lineList, vertexList;
  for (MLine* line : mesh.lines)
    if (lineRule(line) && !Append(lineList, line)) return;
  if (withVertices)
    for (MVertex* v : mesh.vertices)
      if (vertexRule(v) && !Append(vertexList, v)) return;
  mesh.SelectLists(nullptr, &lineList, withVertices ? &vertexList : nullptr);
}

bool NoVertex(const MVertex*) { return false; }

}  // namespace

void MMeshObj::SelectLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  MarkLists(faceList, lineList, vertexList, true);
  SyncDiagonalSelection();
  PropagateLineSelection();
  PropagateRingSelection();
  InvalidateSelectionCache();
}

void MMeshObj::DeselectLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  MarkLists(faceList, lineList, vertexList, false);
  SyncDiagonalSelection();
  PropagateLineSelection();
  PropagateRingSelection();
  InvalidateSelectionCache();
}

void MMeshObj::ReplaceSelection(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  ClearSelection();
  SelectLists(faceList, lineList, vertexList);
}

void MMeshObj::SelectStoredFaces() { ReplaceSelection(workList, nullptr, nullptr); }

void MMeshObj::ToggleSelectLists(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  int selected = 0, unselected = 0;
  for (int i = 0; i < Count(faceList); ++i) (At<MFace>(*faceList, i)->AllEdgesSelected() ? selected : unselected)++;
  for (int i = 0; i < Count(lineList); ++i) ((At<MLine>(*lineList, i)->flags & kLSel) ? selected : unselected)++;
  // Vertices count only when no face or line is listed.
  if (Count(faceList) == 0 && Count(lineList) == 0)
    for (int i = 0; i < Count(vertexList); ++i)
      ((At<MVertex>(*vertexList, i)->flags & kVSel) ? selected : unselected)++;
  if (selected > unselected)
    DeselectLists(faceList, lineList, vertexList);
  else
    SelectLists(faceList, lineList, vertexList);
}

void MMeshObj::InvertSelection() {
  for (MVertex* v : vertices) v->flags ^= kVSel;
  for (MLine* line : lines) line->flags ^= kLSel;
  SyncDiagonalSelection();
  PropagateLineSelection();
  InvalidateSelectionCache();
}

void MMeshObj::SelectShaderBorders() {
  ClearSelection();
  PtrArray borders;
  for (MLine* line : lines) {
    MFace* a = line->forwardFace;
    MFace* b = line->backwardFace;
    if (a != nullptr && b != nullptr && a->shader != b->shader && !Append(borders, line)) return;
  }
  SelectLists(nullptr, &borders, nullptr);
}

void MMeshObj::SyncDiagonalSelection() {
  for (MLine* line : lines) {
    if (!(line->flags & kLineHiddenDiagonal) || line->forwardFace == nullptr || line->backwardFace == nullptr) continue;
    MLine* const wings[4] = {line->nextAround0, line->prevAround0, line->prevAround1, line->nextAround1};
    bool all = true;
    for (MLine* wing : wings) all = all && (wing->flags & kLSel) != 0;
    if (all)
      line->flags |= kLSel;
    else
      line->flags &= ~kLSel;
  }
}

void MMeshObj::PropagateLineSelection() {
  for (MLine* line : lines) {
    if (!(line->flags & kLSel)) continue;
    line->end0->flags |= kVSel;
    line->end1->flags |= kVSel;
  }
}

// ---- selections by rule --------------------------------------------------------------

void MMeshObj::SelectNonManifoldLines() {
  SelectByRule(*this, [](MLine* line) { return line->HasCoincidentLine(); }, NoVertex, false);
}

void MMeshObj::SelectBoundaryLines() {
  SelectByRule(
      *this, [](MLine* line) { return (line->forwardFace == nullptr) != (line->backwardFace == nullptr); }, NoVertex,
      false);
}

void MMeshObj::SelectFacelessLines() {
  SelectByRule(*this, [](MLine* line) { return !line->HasFace(); }, NoVertex, false);
}

void MMeshObj::SelectCreaseItems() {
  SelectByRule(
      *this, [](MLine* line) { return line->IsSharp(); },
      [](const MVertex* v) { return (v->flags & kVertexFullCrease) != 0; }, true);
}

void MMeshObj::SelectPartialWeightItems() {
  auto partial = [](int w) { return w != 0 && w != 255; };
  SelectByRule(
      *this, [&](MLine* line) { return partial(line->GetCreaseWeight()); },
      [&](const MVertex* v) { return partial(v->GetCreaseWeight()); }, true);
}

void MMeshObj::SelectByThreshold(double cosine) {
  SelectByRule(
      *this, [&](MLine* line) { return line->IsSharperThan(cosine, true) || line->HasCoincidentLine(); }, NoVertex,
      false);
}

// ---- growing a face list ----------------------------------------------------------------

void MMeshObj::GrowFaceList(const PtrArray& faceList, PtrArray& out) {
  const int region = TakeVisitStamp();
  const int visited = TakeVisitStamp();
  for (int i = 0; i < faceList.count; ++i) At<MFace>(faceList, i)->id = region;
  for (int i = 0; i < faceList.count && !Failed(); ++i) {
    MFace* face = At<MFace>(faceList, i);
    if (face->id == region) GrowFaceRegionFrom(face, region, visited, out);
  }
}

void MMeshObj::GrowFaceRegionFrom(MFace* start, int regionStamp, int visitedStamp, PtrArray& out) {
  ENG_FATAL_IF(start->id != regionStamp);
  // The depth-first recursion over the region's faces, with its frames on a
  // heap stack: a face, the corner being walked and the line reached there.
  struct Frame {
    MFace* face;
    int corner;
    MVertex* corners[3];
    MLine* line;  // null before the corner's walk starts
  };
  WorkStack<Frame> stack;
  auto enter = [&](MFace* face) {
    face->id = visitedStamp;
    if (!Append(out, face)) return false;
    Frame frame{face, 0, {}, nullptr};
    face->GetVertices(frame.corners);
    return stack.Push(frame);
  };
  if (!enter(start)) return;
  while (!stack.Empty()) {
    Frame& frame = stack.Top();
    if (frame.corner == 3) {
      stack.Pop();
      continue;
    }
    MVertex* corner = frame.corners[frame.corner];
    frame.line = frame.line == nullptr ? corner->firstLine : frame.line->GetNextAround(corner);
    MLine* const line = frame.line;
    // The walk of this corner ends when it is back at the first line.
    if (line->GetNextAround(corner) == corner->firstLine) {
      ++frame.corner;
      frame.line = nullptr;
    }
    MFace* face = line->LeavingFace(corner);
    if (face == nullptr) continue;
    if (face->id == regionStamp) {
      if (!enter(face)) return;
    } else if (face->id < visitedStamp) {
      face->id = visitedStamp;
      if (!Append(out, face)) return;
    }
  }
}

// ---- saving for undo -----------------------------------------------------------------------

void MMeshObj::SaveListsForUndo(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  SaveEditState();
  for (int i = 0; i < Count(faceList) && !Failed(); ++i) At<MFace>(*faceList, i)->SaveUndo();
  for (int i = 0; i < Count(lineList) && !Failed(); ++i) At<MLine>(*lineList, i)->SaveUndo();
  for (int i = 0; i < Count(vertexList) && !Failed(); ++i) At<MVertex>(*vertexList, i)->SaveUndo();
}

void MMeshObj::ApplyToListVertices(PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  for (int i = 0; i < Count(faceList) && !Failed(); ++i) {
    MFace* face = At<MFace>(*faceList, i);
    ENG_FATAL_IF(face == nullptr);
    face->SaveUndo();
    MVertex* corners[3];
    face->GetVertices(corners);
    for (MVertex* c : corners)
      if (!Failed()) SaveRingNeighbourhood(c);
  }
  for (int i = 0; i < Count(lineList) && !Failed(); ++i) {
    MLine* line = At<MLine>(*lineList, i);
    SaveRingNeighbourhood(line->end0);
    if (!Failed()) SaveRingNeighbourhood(line->end1);
  }
  for (int i = 0; i < Count(vertexList) && !Failed(); ++i) SaveRingNeighbourhood(At<MVertex>(*vertexList, i));
}

void MMeshObj::SaveSelectionForUndo() {
  SaveEditState();
  PtrArray lineList, vertexList;
  GatherSelected(1, nullptr, &lineList, &vertexList);
  if (!Failed()) ApplyToListVertices(nullptr, &lineList, &vertexList);
}

void MMeshObj::SaveAllForUndo() {
  SaveEditState();
  PtrArray faceList, lineList, vertexList;
  GatherAll(&faceList, &lineList, &vertexList);
  if (!Failed()) ApplyToListVertices(&faceList, &lineList, &vertexList);
}

}  // namespace engine
