// Modelling: deleting faces while their lines stay, the test whether two
// coincident border lines can be joined without turning faces, and rings of
// vertices about the z axis, whole or from the mirror plane to the mirror
// plane.
#include <cmath>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kReasonZipNoSharedRing = 16;

}  // namespace

// ---- deleting faces ---------------------------------------------------------------------

void MMeshObj::DeleteFaces(const PtrArray& faceList) {
  SaveEditState();
  PtrArray edges, corners;
  for (int i = 0; i < faceList.count; ++i) {
    MFace* face = At<MFace>(faceList, i);
    SaveFaceNeighbourhood(face);
    MLine* l[3];
    MVertex* c[3];
    face->GetLines(l);
    face->GetVertices(c);
    for (int k = 0; k < 3; ++k)
      if (!Append(edges, l[k]) || !Append(corners, c[k])) return;
    if (Failed()) return;
  }
  for (int i = 0; i < corners.count && !Failed(); ++i) SaveRingNeighbourhood(At<MVertex>(corners, i));
  if (Failed()) return;
  for (int i = 0; i < faceList.count; ++i) {
    MFace* face = At<MFace>(faceList, i);
    if (!IsRemoved(face)) face->Remove(2);
  }
  for (int i = 0; i < edges.count; ++i) {
    MLine* line = At<MLine>(edges, i);
    if (!IsRemoved(line) && (line->flags & kLineHiddenDiagonal) && !line->HasFace()) line->Remove(1);
  }
  PtrArray liveEdges, liveCorners;
  for (int i = 0; i < edges.count; ++i)
    if (!IsRemoved(At<MLine>(edges, i)) && !Append(liveEdges, edges[i])) return;
  for (int i = 0; i < corners.count; ++i)
    if (!IsRemoved(At<MVertex>(corners, i)) && !Append(liveCorners, corners[i])) return;
  TidyListedElements(&liveEdges, &liveCorners);
  MarkChanged();
}

void MMeshObj::DeleteAllFaces() {
  PtrArray faceList;
  GatherAll(&faceList, nullptr, nullptr);
  SaveEditState();
  if (!Failed()) ApplyToListVertices(&faceList, nullptr, nullptr);
  if (!Failed()) DeleteFaces(faceList);
}

void MMeshObj::DeleteSelectedFaces() {
  PtrArray faceList;
  GatherSelected(0, &faceList, nullptr, nullptr);
  SaveEditState();
  if (!Failed()) ApplyToListVertices(&faceList, nullptr, nullptr);
  if (!Failed()) DeleteFaces(faceList);
}

// ---- joining border lines --------------------------------------------------------------

bool MMeshObj::CanZipBorderLines(MLine* a, MLine* b, MVertex** v1, MVertex** v2) {
  *v1 = *v2 = nullptr;
  // Lines without a face have no border to join.
  if (!a->HasFace() || !b->HasFace()) {
    Refuse();
    return false;
  }
  if ((a->forwardFace != nullptr && a->backwardFace != nullptr) ||
      (b->forwardFace != nullptr && b->backwardFace != nullptr)) {
    Refuse();
    return false;
  }
  *v1 = a->end0;
  if (a->end0->IsInRing(b->end0))
    *v2 = b->end0;
  else if (a->end0->IsInRing(b->end1))
    *v2 = b->end1;
  else {
    EngRecordFailure(kReasonZipNoSharedRing);
    return false;
  }
  const bool sameSide = (a->forwardFace != nullptr) == (b->forwardFace != nullptr);
  const bool opposite = *v2 == b->end1;
  return sameSide == opposite;
}

// ---- rings about the z axis ---------------------------------------------------------------

namespace {

PointRecord Turned(const PointRecord& p, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {p.x * c - p.y * s, p.x * s + p.y * c, p.z};
}

// The ring's first vertex: a member of v's ring on a free line, else a new
// member of it.
MVertex* FirstRingVertex(MMeshObj& mesh, MVertex* v) {
  if (MVertex* member = v->FindRingMemberOnFreeLine()) return member;
  return mesh.AddVertexCopy(v);
}

// Adds the chain of vertices at the points after the first; stops when
// the radius is below the tolerance (a vertex on the axis).
void AddChain(MMeshObj& mesh, MVertex* first, const PointRecord* points, int count, double radius, bool close,
              PtrArray& vertexOut, PtrArray& lineOut, MVertex** last) {
  *last = first;
  if (!Append(vertexOut, first) || mesh.GetTolerance() > radius) return;
  MVertex* previous = first;
  for (int k = 1; k < count; ++k) {
    MVertex* v = mesh.AddVertex(points[k]);
    if (v == nullptr || !Append(vertexOut, v)) return;
    MLine* line = mesh.AddLineBetween(previous, v);
    if (line == nullptr || !Append(lineOut, line)) return;
    previous = v;
    *last = v;
  }
  if (close && count > 2) {
    MLine* line = mesh.AddLineBetween(previous, first);
    if (line != nullptr) Append(lineOut, line);
  }
}

}  // namespace

void MMeshObj::MakeFullRing(int n, MVertex* v, PtrArray& vertexOut, PtrArray& lineOut) {
  if (n < 3) return Refuse();
  SaveEditState();
  v->SaveUndoRing();
  if (Failed()) return;
  const PointRecord p = v->position;
  const double radius = std::hypot(p.x, p.y);
  PointArray points;
  for (int k = 0; k < n; ++k)
    if (!points.Add(Turned(p, k * 2 * kPi / n))) return EngRecordFailure(kEngReasonOutOfMemory);
  MVertex* first = FirstRingVertex(*this, v);
  if (first == nullptr) return;
  MVertex* last;
  AddChain(*this, first, &points[0], n, radius, true, vertexOut, lineOut, &last);
}

void MMeshObj::MakeHalfRing(int n, MVertex* v, PtrArray& vertexOut, PtrArray& lineOut) {
  if (n < 2) return Refuse();
  SaveEditState();
  v->SaveUndoRing();
  if (Failed()) return;
  const double radius = std::hypot(v->position.x, v->position.y);
  const PointRecord start{0, radius, v->position.z};
  const int count = n % 2 + n / 2 + 1;
  PointArray points;
  for (int k = 0; k < count; ++k) {
    PointRecord q = Turned(start, k * 2 * kPi / n);
    if (n % 2 == 1 && k == count - 1) {
      const PointRecord before = Turned(start, (k - 1) * 2 * kPi / n);
      q = {(before.x + q.x) / 2, (before.y + q.y) / 2, q.z};
    }
    if (!points.Add(q)) return EngRecordFailure(kEngReasonOutOfMemory);
  }
  points[count - 1].x = 0;
  MVertex* first = FirstRingVertex(*this, v);
  if (first == nullptr) return;
  first->SaveUndoRing();
  if (Failed()) return;
  first->SetPosition(start);
  first->flags |= kVertexOnMirror;
  MVertex* last;
  AddChain(*this, first, &points[0], count, radius, false, vertexOut, lineOut, &last);
  if (last != first) last->flags |= kVertexOnMirror;
}

}  // namespace engine
