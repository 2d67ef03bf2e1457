// Mesh object: the passes that make a mesh read from a file sound before
// anything else walks or draws it. Each works on data a file may have
// damaged, so none of them ends the program: what does not hold together
// is dropped (a ring member, a hidden-diagonal flag) or left alone (a
// quad's texture coordinates).
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

bool IsHidden(const MLine* line) { return (line->flags & kLineHiddenDiagonal) != 0; }

void ClearHidden(MLine* line) { line->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal); }

MFace* OtherFace(const MLine* line, const MFace* face) {
  return line->forwardFace == face ? line->backwardFace : line->forwardFace;
}

// Whether the two faces across the diagonal make one quad: the partner has
// the diagonal among its lines, the two faces share no other line, and
// their far corners are two different vertices off the diagonal.
bool FormsQuad(const MLine* diagonal, const MFace* face, const MFace* partner) {
  MLine* own[3];
  MLine* other[3];
  face->GetLines(own);
  partner->GetLines(other);
  int shared = 0;
  for (const MLine* a : own)
    for (const MLine* b : other)
      if (a == b) ++shared;
  if (shared != 1) return false;
  MVertex* corners[3];
  MVertex* otherCorners[3];
  face->GetVertices(corners);
  partner->GetVertices(otherCorners);
  const MVertex* far = nullptr;
  const MVertex* otherFar = nullptr;
  for (int i = 0; i < 3; ++i) {
    if (!diagonal->HasEnd(corners[i])) far = corners[i];
    if (!diagonal->HasEnd(otherCorners[i])) otherFar = otherCorners[i];
  }
  return far != nullptr && otherFar != nullptr && far != otherFar;
}

}  // namespace

void MMeshObj::SpreadMirrorFlagsInRings() {
  for (MVertex* v : vertices) v->CountRing();
}

void MMeshObj::UpdateMirrorMode() {
  for (const MVertex* v : vertices) {
    if (v->flags & kVertexOnMirror) {
      SetMirrorMode(1);
      return;
    }
  }
  SetMirrorMode(0);
}

void MMeshObj::AlignQuadHalfUVs(MFace* face) {
  MLine* edges[3];
  face->GetLines(edges);
  int r = -1;
  for (int i = 2; i >= 0 && r < 0; --i)
    if (IsHidden(edges[i])) r = i;
  if (r < 0) return;
  MLine* diagonal = edges[r];
  MFace* partner = OtherFace(diagonal, face);
  if (partner == nullptr || face->uv == nullptr || partner->uv == nullptr) return;
  MLine* otherEdges[3];
  partner->GetLines(otherEdges);
  int i = -1;
  for (int k = 0; k < 3; ++k)
    if (otherEdges[k] == diagonal) i = k;
  if (i < 0) return;
  // The outer lines must chain round the quad.
  const MLine* outer[4] = {edges[(r + 1) % 3], edges[(r + 2) % 3], otherEdges[(i + 1) % 3], otherEdges[(i + 2) % 3]};
  for (int k = 0; k < 4; ++k) {
    const MLine* next = outer[(k + 1) % 4];
    if (!next->HasEnd(outer[k]->end0) && !next->HasEnd(outer[k]->end1)) return;
  }
  // The end of the diagonal that the face's next line after it touches.
  const MLine* after = edges[(r + 1) % 3];
  MVertex* shared = after->HasEnd(diagonal->end0) ? diagonal->end0 : diagonal->end1;
  const int inFace = face->CornerIndex(shared);
  const int inPartner = partner->CornerIndex(shared);
  if (inFace < 0 || inPartner < 0) return;
  const double du = face->uv->corner[inFace].u - partner->uv->corner[inPartner].u;
  const double dv = face->uv->corner[inFace].v - partner->uv->corner[inPartner].v;
  for (MFaceUV::Pair& pair : partner->uv->corner) {
    if (std::fabs(du) > 1e-8) pair.u += du;
    if (std::fabs(dv) > 1e-8) pair.v += dv;
  }
}

void MMeshObj::CheckVertexRings() {
  // A ring member joined to the vertex by a line cannot lie at its place:
  // it leaves the ring, and the members nearer to it than to the vertex go
  // with it.
  for (MVertex* v : vertices) {
    if (v->ringNext == v) continue;
    MVertex* split = nullptr;
    ForEachRingMember(v, [&](MVertex* member) {
      if (member != v && v->FindLine(member) != nullptr) split = member;
      return split == nullptr;
    });
    if (split == nullptr) continue;
    split->LeaveRing();
    for (MVertex* member = v->ringNext; member != v;) {
      MVertex* following = member->ringNext;
      if (MUtilDistance(member->position, v->position) > MUtilDistance(member->position, split->position)) {
        member->LeaveRing();
        split->JoinRing(member);
      }
      member = following;
    }
  }
  // A hidden diagonal needs two faces that make one quad...
  for (MLine* line : lines) {
    if (!IsHidden(line)) continue;
    MFace* a = line->forwardFace;
    MFace* b = line->backwardFace;
    if (a == nullptr || b == nullptr || !FormsQuad(line, a, b)) ClearHidden(line);
  }
  // ...and a face can be half of one quad only: of several diagonals of a
  // face, the last in the list keeps the flag.
  for (MLine* line : lines)
    if (IsHidden(line) && (line->forwardFace->CountHiddenEdges() > 1 || line->backwardFace->CountHiddenEdges() > 1))
      ClearHidden(line);
}

void MMeshObj::RepairAfterLoad() {
  // A face of a textured material needs its coordinates, whatever the file
  // said; a missing block starts at zero.
  for (MFace* face : faces)
    if (face->IsTextured() && face->uv == nullptr) face->SetShader(face->shader);
  if (EngContext().textureMode != 0)
    for (MFace* face : faces)
      if (face->IsTextured()) AlignQuadHalfUVs(face);
  CheckVertexRings();
}

}  // namespace engine
