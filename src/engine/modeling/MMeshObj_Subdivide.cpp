// Modelling: subdivision. Every line of a face set (or of the mesh) is
// divided into n parts, the points of lines with faces on a smooth patch
// through a face beside them (straight along sharp lines), free lines
// straight; then every face touched is filled again from the chains of
// vertices along its edges (MMeshObj_Patches.cpp, MMeshObj_QuadFills.cpp).
// In support mode (a positive support distance) the points sit at that
// distance from the line's ends and every vertex gets a label.
//
// A division point is first a marker: a vertex on its line's on-line list,
// whose partner link names the vertex the new faces use. The partners of
// one point on coincident lines form one ring.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/BezierPatch.h"
#include "engine/modeling/RegionFill.h"

namespace engine {
using namespace modeling;

namespace {

bool Listed(const PtrArray* list, const void* item) {
  if (list == nullptr) return false;
  for (int i = 0; i < list->count; ++i)
    if ((*list)[i] == item) return true;
  return false;
}

// What an edge hands back to the lines along it once its face is filled.
struct EdgeAttributes {
  std::uint32_t flags;
  MGroup* group;
  unsigned char r, g, b;
  bool listed;
};

}  // namespace

// ---- dividing lines --------------------------------------------------------------------------

void MMeshObj::DivideFreeLine(int n, MLine* line, PtrArray* pieces) {
  if (supportDistance > 0) return;
  if (!Append(pieces, line)) return;
  const PointRecord a = line->end0->position, b = line->end1->position;
  const bool onPlane = line->IsOnMirrorPlane();
  const PointRecord step{(a.x - b.x) / n, (a.y - b.y) / n, (a.z - b.z) / n};
  for (int i = 1; i < n; ++i) {
    PointRecord p{b.x + i * step.x, b.y + i * step.y, b.z + i * step.z};
    if (onPlane) p.x = 0;
    MVertex* v = nullptr;
    MLine* piece = nullptr;
    SplitCoincidentLinesAtPoint(line, p, &v, &piece);
    if (v == nullptr || Failed()) return;
    if (onPlane) v->flags |= kVertexOnMirror;
    if (!Append(pieces, piece)) return;
  }
}

void MMeshObj::DivideFreeLines(const PtrArray& lineList, int (*pieceCount)(const MLine*, double), double value) {
  SaveEditState();
  // Coincident lines are divided together, once.
  const int done = TakeVisitStamp();
  for (int i = 0; i < lineList.count && !Failed(); ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (line->id == done || IsRemoved(line) || line->HasFace()) continue;
    line->SetIdOnCoincidentLines(done);
    line->id = done;
    const int n = pieceCount(line, value);
    if (n < 2) continue;
    // The split relinks the lines around both ends: all of it is saved.
    PtrArray same;
    if (!CollectLineAndCoincident(line, same)) return;
    for (int k = 0; k < same.count && !Failed(); ++k) SaveLineAndEnds(At<MLine>(same, k));
    if (!Failed()) DivideFreeLine(n, line, nullptr);
  }
  MarkChanged();
}

void MMeshObj::DivideLines(int n, bool mirror) {
  if (n < 2) return Refuse();
  if (!faces.IsEmpty()) return Refuse();
  PtrArray lineList;
  GatherAll(nullptr, &lineList, nullptr);
  if (Failed()) return;
  const int oldVertices = vertices.Length();
  DivideFreeLines(lineList, [](const MLine*, double count) { return static_cast<int>(count); }, n);
  if (Failed() || !mirror) return;
  // On a mirror layer the division points that land on the plane belong
  // to it. New vertices sit at the head of the list and need no saving.
  int fresh = vertices.Length() - oldVertices;
  for (MVertex* v : vertices) {
    if (fresh-- <= 0) break;
    if (std::fabs(v->position.x) > tolerance) continue;
    v->position.x = 0;
    v->flags |= kVertexOnMirror;
  }
}

void MMeshObj::RefineSelectionToLength(double length) {
  if (!(length > 0)) return Refuse();
  PtrArray lineList;
  GatherSelected(0, nullptr, &lineList, nullptr);
  if (Failed()) return;
  DivideFreeLines(
      lineList,
      [](const MLine* line, double target) {
        const PointRecord& a = line->end0->position;
        const PointRecord& b = line->end1->position;
        const double d = std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
        // A line a whisker longer than the target is not cut into two
        // slivers; no line is cut into more than 10000 pieces.
        const double pieces = std::ceil(d / target - 1e-9);
        return pieces > 10000 ? 10000 : static_cast<int>(pieces);
      },
      length);
}

void MMeshObj::DivideFacedLine(int n, MLine* line) {
  PtrArray same;
  if (!CollectLineAndCoincident(line, same)) return;
  BezierPatchRecord patch;
  const bool support = supportDistance > 0;
  if (!support && !SetupPatchForEdge(line->end0, line->end1, patch)) return;
  const PointRecord a = line->end0->position, b = line->end1->position;
  PointRecord unit{b.x - a.x, b.y - a.y, b.z - a.z};
  const double length = MUtilLength(unit);
  OsUtilNormalize(unit);
  const double r = length < 2.4 * supportDistance ? 0.4 * length : supportDistance;
  const bool onPlane = line->IsOnMirrorPlane();
  const bool crease = Listed(creaseLineList, line);
  for (int i = 0; i < same.count && !Failed(); ++i) At<MLine>(same, i)->SaveUndo();
  for (int i = 1; i < n && !Failed(); ++i) {
    const double t = static_cast<double>(i) / n;
    PointRecord p;
    if (!support)
      p = patch.EdgePoint(t);
    else if (t < 0.5)
      p = {a.x + r * unit.x, a.y + r * unit.y, a.z + r * unit.z};
    else
      p = {b.x - r * unit.x, b.y - r * unit.y, b.z - r * unit.z};
    if (onPlane) p.x = 0;
    MVertex* first = nullptr;
    for (int k = 0; k < same.count; ++k) {
      MLine* l = At<MLine>(same, k);
      MVertex* marker = AddVertex(p);
      MVertex* partner = marker != nullptr ? AddVertex(p) : nullptr;
      if (partner == nullptr) return;
      marker->lineT = l->end0->IsInRing(line->end0) ? t : 1 - t;
      l->AddOnLineVertex(marker);
      marker->mirrorPartner = partner;
      partner->group = line->group;
      if (onPlane) {
        marker->flags |= kVertexOnMirror;
        partner->flags |= kVertexOnMirror;
      }
      if (support) SetLabel(partner, crease ? kLabelCreaseLine : kLabelLine);
      if (first == nullptr)
        first = partner;
      else
        first->JoinRing(partner);
      // A path cut waits for the vertex made on each of its lines.
      if (pathLineList != nullptr && pathVertexList != nullptr)
        for (int j = 0; j < pathLineList->count && j < pathVertexList->count; ++j)
          if ((*pathLineList)[j] == l) (*pathVertexList)[j] = partner;
    }
  }
}

void MMeshObj::DivideLine(int n, MLine* line, PtrArray* pieces) {
  // Each line is divided once in a subdivision.
  if (line->onLineHead != nullptr) return EngRecordFailure(kEngReasonTopologyConflict);
  if (line->HasFace())
    DivideFacedLine(n, line);
  else
    DivideFreeLine(n, line, pieces);
}

void MMeshObj::DivideLinesOfFaces(int n, const PtrArray* faceList, const PtrArray* lineList, PtrArray& fill,
                                  int& stampOut, PtrArray* pieces) {
  const int a = TakeVisitStamp();
  const int b = TakeVisitStamp();
  const int c = TakeVisitStamp();
  PtrArray collected;
  const int faceCount = faceList != nullptr ? faceList->count : 0;
  for (int i = 0; i < faceCount && !Failed(); ++i) {
    MFace* face = At<MFace>(*faceList, i);
    if (face->id == a || IsRemoved(face)) continue;
    MFace* partner = nullptr;
    MLine* edges[5];
    MVertex* corners[4];
    const int sides = GetQuadCorners(face, &partner, edges, corners, nullptr, nullptr, nullptr);
    if (partner != nullptr) partner->id = a;
    for (int k = 0; k < sides && !Failed(); ++k) {
      MLine* edge = edges[k];
      if (edge->id == a) continue;
      DivideLine(n, edge, pieces);
      if (Failed()) return;
      edge->SetIdOnCoincidentLines(a);
      edge->id = a;
      if (!CollectLineAndCoincident(edge, collected)) return;
    }
  }
  for (int i = 0; i < collected.count; ++i) {
    MLine* line = At<MLine>(collected, i);
    for (MFace* face : {line->forwardFace, line->backwardFace}) {
      if (face == nullptr || face->id == b) continue;
      face->id = b;
      if (!Append(fill, face)) return;
    }
  }
  const int lineCount = lineList != nullptr ? lineList->count : 0;
  for (int i = 0; i < lineCount && !Failed(); ++i) {
    MLine* line = At<MLine>(*lineList, i);
    if (line->id == a || IsRemoved(line)) continue;
    DivideLine(n, line, pieces);
    if (Failed()) return;
    line->SetIdOnCoincidentLines(a);
    line->id = a;
    PtrArray same;
    if (!CollectLineAndCoincident(line, same)) return;
    for (int j = 0; j < same.count; ++j)
      for (MFace* face : {At<MLine>(same, j)->forwardFace, At<MLine>(same, j)->backwardFace}) {
        if (face == nullptr || face->id == a) continue;
        face->id = a;
        if (!Append(fill, face)) return;
      }
  }
  if (faceCount > 0)
    for (int i = 0; i < faceCount; ++i) At<MFace>(*faceList, i)->id = c;
  else
    for (int i = 0; i < lineCount; ++i) At<MLine>(*lineList, i)->id = c;
  stampOut = c;
}

// ---- filling faces again ------------------------------------------------------------------------

void MMeshObj::EdgeChain(MLine* line, MLine* next, PtrArray& chain) {
  MVertex* end = next->HasEnd(line->end1) ? line->end1 : next->HasEnd(line->end0) ? line->end0 : nullptr;
  if (end == nullptr) return EngRecordFailure(kEngReasonTopologyConflict);
  MVertex* start = line->OtherEnd(end);
  if (!Append(chain, start)) return;
  if (start == line->end0) {
    for (MVertex* m = line->onLineHead; m != nullptr; m = m->nextOnLine)
      if (!Append(chain, m->mirrorPartner != nullptr ? m->mirrorPartner : m)) return;
  } else {
    MVertex *first = nullptr, *last = nullptr;
    line->GetOnLineVertexRange(first, last);
    for (MVertex* m = last; m != nullptr; m = m == first ? nullptr : line->GetPrevOnLineVertex(m))
      if (!Append(chain, m->mirrorPartner != nullptr ? m->mirrorPartner : m)) return;
  }
  Append(chain, end);
}

void MMeshObj::RefillFace(MFace* face, int stamp, PtrArray* newFaces, PtrArray* pieces) {
  MFace* partner = nullptr;
  MLine* edges[5];
  MVertex* corners[4];
  MFaceUV::Pair uvs[4];
  const int sides = GetQuadCorners(face, &partner, edges, corners, uvs, nullptr, nullptr);
  const bool listedFace = face->id == stamp || (partner != nullptr && partner->id == stamp);
  SaveFaceNeighbourhood(face);
  if (partner != nullptr && !Failed()) SaveFaceNeighbourhood(partner);
  for (int k = 0; k < sides && !Failed(); ++k) SaveVertexNeighbourhood(corners[k]);
  if (Failed()) return;

  PtrArray chains[4];
  EdgeAttributes saved[4];
  int divided = 0;
  bool allGrouped = true;
  for (int k = 0; k < sides; ++k) {
    EdgeChain(edges[k], edges[(k + 1) % sides], chains[k]);
    if (Failed()) return;
    const MLine* e = edges[k];
    saved[k] = {e->flags, e->group, e->colourR, e->colourG, e->colourB, e->id == stamp};
    divided += chains[k].count > 2;
    allGrouped = allGrouped && e->group != nullptr;
  }
  if (divided == 0) return;  // nothing to fill from

  RefillRegion region;
  region.count = sides;
  for (int k = 0; k < sides; ++k) region.sides[k] = &chains[k];
  region.textured = face->uv != nullptr && face->IsTextured();
  for (int k = 0; k < sides; ++k) region.cornerUV[k] = uvs[k];
  region.shader = face->shader;
  region.group = allGrouped ? edges[0]->group : nullptr;
  region.newFaces = listedFace ? newFaces : nullptr;
  const bool support = supportDistance > 0;

  if (sides == 3) {
    BezierPatchRecord patch;
    if (divided == 3) BuildTrianglePatch(face, patch);
    face->Remove(1);
    if (divided == 1)
      FillTriangleOneSide(region);
    else if (divided == 2)
      FillTriangleTwoSides(region);
    else if (support)
      FillTriangleSupport(region);
    else
      FillTriangleGrid(region, patch, false);
  } else if (divided == 4) {
    BezierPatchRecord patch;
    BuildQuadPatch(face, patch);
    RemoveQuadFaces(face, partner);
    FillQuadGrid(region, patch);
  } else if (divided == 1) {
    FillQuadOneSide(region, face, partner);
  } else if (divided == 2) {
    FillQuadTwoSides(region, face, partner);
  } else {
    FillPatch(region, face, partner);
  }
  if (Failed()) return;
  // The lines along each edge take the edge's attributes back.
  for (int k = 0; k < sides; ++k)
    for (int i = 0; i + 1 < chains[k].count; ++i) {
      MLine* line = At<MVertex>(chains[k], i)->FindLine(At<MVertex>(chains[k], i + 1));
      if (line == nullptr) continue;
      line->SaveUndo();
      if (Failed()) return;
      line->flags = saved[k].flags;
      line->group = saved[k].group;
      line->colourR = saved[k].r;
      line->colourG = saved[k].g;
      line->colourB = saved[k].b;
      if (saved[k].listed && !Append(pieces, line)) return;
    }
}

void MMeshObj::RefillFaces(const PtrArray& faceList, int stamp, PtrArray* newFaces, PtrArray* pieces) {
  const int done = TakeVisitStamp();
  for (int i = 0; i < faceList.count && !Failed(); ++i) {
    MFace* face = At<MFace>(faceList, i);
    if (!MItemIsLive(face) || face->id == done) continue;
    RefillFace(face, stamp, newFaces, pieces);
    if (MItemIsLive(face)) face->id = done;
  }
}

// ---- the whole subdivision -----------------------------------------------------------------------

void MMeshObj::SelectNewElements(const PtrArray& faceList, const PtrArray& lineList) {
  const int stamp = TakeVisitStamp();
  PtrArray f, l;
  for (int i = 0; i < faceList.count; ++i) {
    MFace* face = At<MFace>(faceList, i);
    if (!MItemIsLive(face) || face->id == stamp) continue;
    face->id = stamp;
    if (!Append(f, face)) return;
  }
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (!MItemIsLive(line) || line->id == stamp) continue;
    line->id = stamp;
    if (!Append(l, line)) return;
  }
  SelectLists(&f, &l, nullptr);
}

void MMeshObj::SubdivideCore(int n, const PtrArray* faceList, const PtrArray* lineList, bool select) {
  if (n < 2) return Refuse();
  SaveEditState();
  UnhideBentDiagonalsAll();
  if (Failed()) return;
  UpdateVertexNormals();
  PtrArray fill, newFaces, pieces;
  int stamp = -1;
  DivideLinesOfFaces(n, faceList, lineList, fill, stamp, &pieces);
  if (!Failed()) RefillFaces(fill, stamp, &newFaces, &pieces);
  if (!Failed()) MergeNewParallelLines();
  if (!Failed() && select) SelectNewElements(newFaces, pieces);
  if (!Failed()) RemoveLooseVertices();
  if (!Failed()) ResetElementStamps(1);
  MarkChanged();
}

void MMeshObj::SubdivideAll(int n) {
  if (n < 2) return Refuse();
  SaveSelectionForUndo();
  if (Failed()) return;
  ClearSelection();
  PtrArray faceList, lineList;
  for (MFace* face : faces) {
    face->SaveUndo();
    if (Failed() || !Append(faceList, face)) return;
  }
  for (MLine* line : lines) {
    line->SaveUndo();
    if (Failed() || !Append(lineList, line)) return;
  }
  for (MVertex* v : vertices) {
    v->SaveUndo();
    if (Failed()) return;
  }
  SubdivideCore(n, &faceList, &lineList, false);
}

void MMeshObj::SubdivideSelected(int n) {
  if (n < 2) return Refuse();
  PtrArray faceList, lineList;
  GatherSelected(3, &faceList, &lineList, nullptr);
  SaveSelectionForUndo();
  if (!Failed()) SubdivideCore(n, &faceList, &lineList, true);
}

void MMeshObj::GatherFaceVertices(const PtrArray& faceList, PtrArray& out) {
  const int stamp = TakeVisitStamp();
  const int listed = TakeVisitStamp();
  for (int i = 0; i < faceList.count; ++i) At<MFace>(faceList, i)->id = stamp;
  for (int i = 0; i < faceList.count; ++i) {
    MVertex* c[3];
    At<MFace>(faceList, i)->GetVertices(c);
    for (MVertex* corner : c) {
      if (corner->id == listed) continue;
      corner->id = listed;
      bool inside = true;
      int count = 0;
      ForEachLineAround(corner, [&](MLine* line) {
        MFace* leaving = line->LeavingFace(corner);
        if (leaving != nullptr && leaving->id != stamp) inside = false;
        if (!(line->flags & kLineHiddenDiagonal)) ++count;
        if (leaving == nullptr) --count;
      });
      if (inside && count > 1 && !Append(out, corner)) return;
    }
  }
}

}  // namespace engine
