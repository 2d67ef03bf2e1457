// Modelling: drawing a polyline onto a mesh. The faces under the drawn
// points go, points on lines split them, the points become vertices
// (new, existing, or on the mirror plane) joined in order by free lines,
// and the rings and coincident lines are tidied so that the drawing can be
// filled with faces afterwards.
#include <cmath>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

// The kinds of a drawn point.
enum PointKind : int {
  kNewPoint = -1,
  kNewMirrorPoint = -2,
  kOnVertex = -3,
  kOnLine = -4,
  kOnFace = -5,
  kNewPointAlso = -6,
};

MVertex* VertexOf(const ElementRef& p) { return static_cast<MVertex*>(p.element); }
MLine* LineOf(const ElementRef& p) { return static_cast<MLine*>(p.element); }
MFace* FaceOf(const ElementRef& p) { return static_cast<MFace*>(p.element); }

}  // namespace

void MMeshObj::AddQuadToList(MFace* face, PtrArray& faceList, int stamp) {
  MFace* partner = GetQuadPartner(face);
  for (MFace* f : {face, partner}) {
    if (f == nullptr || f->id == stamp) continue;
    f->id = stamp;
    if (!Append(faceList, f)) return;
  }
}

void MMeshObj::SaveUndoAroundPoints(ElementRefArray& points) {
  SaveEditState();
  const int stamp = TakeVisitStamp();
  PtrArray faceList, lineList, vertexList;
  for (int i = 0; i < points.count && !Failed(); ++i) {
    ElementRef& p = points[i];
    if (p.element == nullptr || !MItemIsLive(p.element)) continue;
    if (p.kind == kOnVertex) {
      Append(vertexList, p.element);
    } else if (p.kind == kOnLine) {
      PtrArray coincident;
      if (!CollectLineAndCoincident(LineOf(p), coincident)) return;
      for (int k = 0; k < coincident.count && !Failed(); ++k) {
        MLine* l = At<MLine>(coincident, k);
        if (!Append(lineList, l)) return;
        if (l->forwardFace != nullptr) AddQuadToList(l->forwardFace, faceList, stamp);
        if (l->backwardFace != nullptr && !Failed()) AddQuadToList(l->backwardFace, faceList, stamp);
      }
    } else if (p.kind == kOnFace) {
      AddQuadToList(FaceOf(p), faceList, stamp);
    }
  }
  if (!Failed()) ApplyToListVertices(&faceList, &lineList, &vertexList);
}

void MMeshObj::RemoveQuadOfFace(MFace* face, PtrArray& vertexOut, PtrArray& lineOut) {
  if (!MItemIsLive(face)) return Refuse();
  MFace* partner = nullptr;
  MLine* quadLines[5];
  MVertex* corners[4];
  const int n = GetQuadCorners(face, &partner, quadLines, corners, nullptr, nullptr, nullptr);
  for (int k = 0; k < n; ++k)
    if (!Append(vertexOut, corners[k]) || !Append(lineOut, quadLines[k])) return;
  face->Remove(2);
  if (n == 4) {
    partner->Remove(2);
    if (!quadLines[4]->HasFace()) quadLines[4]->Remove(1);
  }
}

void MMeshObj::ClearFacesUnderPoints(ElementRefArray& points, PtrArray& vertexOut, PtrArray& lineOut) {
  PtrArray collected;
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < points.count; ++i) {
    ElementRef& p = points[i];
    if (p.kind != kOnFace) continue;
    MFace* face = FaceOf(p);
    p.kind = face != nullptr && MItemIsLive(face) && face->AllCornersOnMirror() ? kNewMirrorPoint : kNewPoint;
    p.element = nullptr;
    if (face == nullptr || !MItemIsLive(face) || face->id == stamp) continue;
    face->id = stamp;
    if (!Append(collected, face)) return;
  }
  for (int i = 0; i < collected.count && !Failed(); ++i)
    if (MItemIsLive(At<MFace>(collected, i))) RemoveQuadOfFace(At<MFace>(collected, i), vertexOut, lineOut);
  for (int i = 0; i < points.count && !Failed(); ++i) {
    ElementRef& p = points[i];
    if (p.kind != kOnLine) continue;
    MLine* own = LineOf(p);
    PtrArray coincident;
    if (!CollectLineAndCoincident(own, coincident)) return;
    for (int k = 0; k < coincident.count && !Failed(); ++k) {
      MLine* l = At<MLine>(coincident, k);
      l->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
      for (MFace* face : {l->forwardFace, l->backwardFace})
        if (face != nullptr && MItemIsLive(face) && !Failed()) RemoveQuadOfFace(face, vertexOut, lineOut);
      if (l != own && MItemIsLive(l) && !Failed()) l->Remove(1);
    }
  }
}

void MMeshObj::SplitLinesAtPoints(ElementRefArray& points) {
  for (int i = 0; i < points.count && !AnyFailure(); ++i) {
    ElementRef& p = points[i];
    if (p.kind != kOnLine) continue;
    MLine* line = LineOf(p);
    // A hidden diagonal is no place for a drawn point.
    if (line->flags & kLineHiddenDiagonal) return Refuse();
    // A point at an end is that end.
    const double length = std::sqrt(
        (line->end1->position.x - line->end0->position.x) * (line->end1->position.x - line->end0->position.x) +
        (line->end1->position.y - line->end0->position.y) * (line->end1->position.y - line->end0->position.y) +
        (line->end1->position.z - line->end0->position.z) * (line->end1->position.z - line->end0->position.z));
    const double t = line->GetParamOfPoint(p.position);
    if (t * length <= tolerance || (1 - t) * length <= tolerance) {
      p.kind = kOnVertex;
      p.element = t * length <= tolerance ? line->end0 : line->end1;
      continue;
    }
    PtrArray later;
    for (int j = i + 1; j < points.count; ++j)
      if (points[j].kind == kOnLine && points[j].element == line && line->GetParamOfPoint(points[j].position) > t &&
          !Append(later, &points[j]))
        return;
    MVertex* q = nullptr;
    MLine* beyond = nullptr;
    SplitCoincidentLinesAtPoint(line, p.position, &q, &beyond);
    if (q == nullptr) return;
    p.kind = kOnVertex;
    p.element = q;
    for (int j = 0; j < later.count; ++j) static_cast<ElementRef*>(later[j])->element = beyond;
  }
}

MVertex* MMeshObj::ResolvePointVertex(ElementRef& point) {
  switch (point.kind) {
    case kNewPoint:
    case kNewPointAlso:
      return AddVertex(point.position);
    case kNewMirrorPoint: {
      MVertex* v = AddVertex({0, point.position.y, point.position.z});
      if (v != nullptr) v->flags |= kVertexOnMirror;
      return v;
    }
    case kOnVertex: {
      MVertex* v = VertexOf(point);
      if (MVertex* member = v->FindRingMemberOnFreeLine()) return member;
      return AddVertexCopy(v);
    }
    default:
      // Points on lines and faces are resolved by the steps before, and
      // references to earlier points by the connecting step.
      if (point.kind >= kOnFace) Refuse();
      return nullptr;
  }
}

void MMeshObj::ConnectPoints(ElementRefArray& points) {
  MVertex* previous = nullptr;
  for (int i = 0; i < points.count && !AnyFailure(); ++i) {
    ElementRef& p = points[i];
    MVertex* v = nullptr;
    if (p.kind < 0) {
      v = ResolvePointVertex(p);
    } else if (p.kind < i) {
      v = VertexOf(points[p.kind]);
    } else {
      return Refuse();  // a point can only repeat an earlier one
    }
    if (v == nullptr) return;
    p.element = v;
    if (previous != nullptr && !SwitchQuadDiagonal(v, previous, false) && !AnyFailure() && v != previous &&
        v->FindLineBetweenRings(previous) == nullptr)
      AddLineBetween(v, previous);
    previous = v;
  }
}

void MMeshObj::FinishDrawnLines(ElementRefArray& points, const PtrArray& vertexList, const PtrArray& lineList) {
  for (int i = 0; i < points.count && !Failed(); ++i)
    if (points[i].kind == kOnVertex && points[i].element != nullptr && MItemIsLive(points[i].element))
      RemoveLinelessRingMembers(VertexOf(points[i]));
  TidyListedElements(&lineList, &vertexList);
}

void MMeshObj::DrawLines(ElementRefArray& points) {
  SaveEditState();
  PtrArray vertexList, lineList;
  ClearFacesUnderPoints(points, vertexList, lineList);
  if (!AnyFailure()) SplitLinesAtPoints(points);
  if (!AnyFailure()) ConnectPoints(points);
  if (!AnyFailure()) FinishDrawnLines(points, vertexList, lineList);
  MarkChanged();
}

void MMeshObj::SplitLineAt(MLine* line, const PointRecord& point, MVertex** newVertex) {
  *newVertex = nullptr;
  SaveEditState();
  ElementRefArray points;
  if (!points.Add(ElementRef{point, line, kOnLine, this, 0})) return EngRecordFailure(kEngReasonOutOfMemory);
  SaveUndoAroundPoints(points);
  PtrArray vertexList, lineList;
  if (!Failed()) ClearFacesUnderPoints(points, vertexList, lineList);
  if (!AnyFailure()) SplitLinesAtPoints(points);
  if (!AnyFailure()) FinishDrawnLines(points, vertexList, lineList);
  if (!AnyFailure() && points[0].kind == kOnVertex) *newVertex = VertexOf(points[0]);
}

}  // namespace engine
