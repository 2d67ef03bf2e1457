// Mesh object: quads. The mesh stores only triangles; a quad is two
// triangles sharing a line with the hidden-diagonal flag 0x20.
//
//   3-------2     the triangles A = 0-1-2 and B = 0-2-3 make the quad
//   | B   / |     0-1-2-3 when 0-2 carries 0x20; its outer lines are
//   |   /   |     the two other lines of each triangle
//   | /   A |
//   0-------1
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {
namespace {

bool IsHidden(const MLine* line) { return (line->flags & kLineHiddenDiagonal) != 0; }

MFace* OtherFace(const MLine* line, const MFace* face) {
  return line->forwardFace == face ? line->backwardFace : line->forwardFace;
}

bool HasHiddenEdge(const MFace* face) { return face->CountHiddenEdges() > 0; }

}  // namespace

bool MMeshObj::CanJoinToQuad(const MLine* line) const {
  if (line->forwardFace == nullptr || line->backwardFace == nullptr) return false;
  return !HasHiddenEdge(line->forwardFace) && !HasHiddenEdge(line->backwardFace);
}

bool MMeshObj::JoinToQuad(MLine* line) {
  ENG_FATAL_IF(line == nullptr);
  if (!CanJoinToQuad(line)) return false;
  MFace* first = line->forwardFace;
  MFace* second = line->backwardFace;
  line->SaveUndo();
  first->SaveUndo();
  second->SaveUndo();
  if (EngContext().failState == kEngFailFailed) return false;
  // A diagonal is never a crease: the sharp flag and the high crease bits go.
  line->flags = (line->flags & 0xF0FFFFFEu) | kLineHiddenDiagonal;
  if (second->shader != first->shader) second->SetShader(first->shader);
  return true;
}

MFace* MMeshObj::GetQuadPartner(const MFace* face) const {
  MLine* edges[3];
  face->GetLines(edges);
  for (const MLine* line : edges)
    if (IsHidden(line)) return OtherFace(line, face);
  return nullptr;
}

bool MMeshObj::IsQuadCandidate(MLine* line) const {
  if (line->TestCoincidentLines() != 0 || IsHidden(line)) return false;
  if (line->forwardFace == nullptr || line->backwardFace == nullptr) return false;
  return !HasHiddenEdge(line->forwardFace) && !HasHiddenEdge(line->backwardFace);
}

MLine* MMeshObj::ExposeDiagonal(MVertex* a, MVertex* b) {
  ENG_FATAL_IF(a == b);
  if (MLine* joining = a->FindLine(b)) {
    if (!IsHidden(joining)) return nullptr;
    joining->SaveUndo();
    if (EngContext().failState == kEngFailFailed) return nullptr;
    joining->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
    return joining;
  }
  // Two triangles f and g sharing w, with a a corner of f and b the corner
  // of g opposite w: turning w joins a and b.
  MLine* turned = nullptr;
  ForEachLineAround(a, [&](MLine* q) {
    MFace* f = q->LeavingFace(a);
    if (f == nullptr) return true;
    MVertex* c = q->OtherEnd(a);
    MLine* w = q->GetPrevAround(c);  // the line after q in f's loop
    ENG_FATAL_IF(w->forwardFace != f && w->backwardFace != f);
    MFace* g = OtherFace(w, f);
    if (g == nullptr) return true;
    MLine* next = w->GetPrevAround(c);  // the line after w in g's loop
    ENG_FATAL_IF(!next->HasEnd(c));
    if (next->OtherEnd(c) != b) return true;
    turned = w;
    return false;
  });
  if (turned == nullptr) return nullptr;
  SaveLineEndsStar(turned);
  if (EngContext().failState == kEngFailFailed) return nullptr;
  return FlipLine(turned);
}

// ---- a face as a triangle or a quad ---------------------------------------------------

namespace {

int IndexOf(MLine* const edges[3], const MLine* line) {
  for (int i = 0; i < 3; ++i)
    if (edges[i] == line) return i;
  return -1;
}

bool IsCornerTextured(const MFace* face) {
  return EngContext().textureMode != 0 && face->shader != nullptr && face->shader->HasTexture();
}

// Corner k's values from the face that has the corner at `index`.
void CornerValues(const MFace* face, int index, bool textured, int k, MFaceUV::Pair* uvs, unsigned char* modes,
                  PointRecord* normals) {
  if (uvs != nullptr) uvs[k] = textured ? face->GetUVBlock()->corner[index] : MFaceUV::Pair{0, 0};
  if (modes != nullptr) modes[k] = face->cornerModes[index];
  if (normals != nullptr) normals[k] = face->normals != nullptr ? face->normals->normal[index] : PointRecord{0, 1, 0};
}

}  // namespace

int GetQuadCorners(MFace* face, MFace** partner, MLine* lines[5], MVertex* corners[4], MFaceUV::Pair* uvs,
                   unsigned char* cornerModes, PointRecord* normals) {
  MLine* edges[3];
  MVertex* own[3];
  face->GetLines(edges);
  face->GetVertices(own);
  for (int i = 0; i < 3; ++i) {
    lines[i] = edges[i];
    corners[i] = own[i];
  }
  lines[3] = lines[4] = nullptr;
  corners[3] = nullptr;
  int r = -1;
  for (int i = 0; i < 3; ++i)
    if (IsHidden(edges[i])) r = i;
  MFace* other = r >= 0 ? OtherFace(edges[r], face) : nullptr;
  if (partner != nullptr) *partner = other;
  if (other == nullptr) {
    const bool textured = IsCornerTextured(face);
    for (int k = 0; k < 3; ++k) CornerValues(face, k, textured, k, uvs, cornerModes, normals);
    return 3;
  }
  MLine* diagonal = edges[r];
  MLine* otherEdges[3];
  other->GetLines(otherEdges);
  const int i = IndexOf(otherEdges, diagonal);
  ENG_FATAL_IF(i < 0);
  MLine* outer[4] = {edges[(r + 1) % 3], edges[(r + 2) % 3], otherEdges[(i + 1) % 3], otherEdges[(i + 2) % 3]};
  for (int k = 0; k < 4; ++k) lines[k] = outer[k];
  lines[4] = diagonal;
  for (int k = 0; k < 4; ++k) {
    const MLine* next = outer[(k + 1) % 4];
    if (!next->HasEnd(outer[k]->end0)) corners[k] = outer[k]->end0;
    else if (!next->HasEnd(outer[k]->end1)) corners[k] = outer[k]->end1;
    else ENG_FATAL();  // the two lines are one, or run between the same corners
    ENG_FATAL_IF(!next->HasEnd(outer[k]->OtherEnd(corners[k])));
  }
  const bool textured = IsCornerTextured(face) && IsCornerTextured(other);
  for (int k = 0; k < 4; ++k) {
    const int inFace = face->CornerIndex(corners[k]);
    if (inFace >= 0) {
      CornerValues(face, inFace, textured, k, uvs, cornerModes, normals);
      continue;
    }
    const int inOther = other->CornerIndex(corners[k]);
    ENG_FATAL_IF(inOther < 0);
    CornerValues(other, inOther, textured, k, uvs, cornerModes, normals);
  }
  return 4;
}

}  // namespace engine
