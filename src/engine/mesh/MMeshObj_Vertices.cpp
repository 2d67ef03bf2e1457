// Mesh object: operations on its vertices and materials, and the selection
// cache.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {

bool MMeshObj::HasTransparentShader() const {
  for (const MShader* shader : shaders)
    if (shader->opacity < 0.99999999) return true;
  return false;
}

void MMeshObj::AvoidKeyGreenShaders() {
  for (MShader* shader : shaders) {
    PointRecord& c = shader->diffuseColor;
    if (c.x < 1e-8 && c.y > 0.99999999 && c.z < 1e-8) c.y = 254.0 / 255.0;
  }
}

void MMeshObj::MarkSelectedVertices(bool set) {
  SaveEditState();
  for (MVertex* v : vertices) {
    if (!(v->flags & kVertexSelected)) continue;
    v->SaveUndo();
    if (EngContext().failState == kEngFailFailed) return;
    if (set) v->flags |= kVertexMarked;
    else v->flags &= ~static_cast<std::uint32_t>(kVertexMarked);
  }
}

void MMeshObj::SelectMarkedVertices() {
  for (MVertex* v : vertices)
    if (v->flags & kVertexMarked) v->flags |= kVertexSelected;
  UpdateSelectionCache();
}

int MMeshObj::GetFaceIndex(const MFace* face) const {
  int n = 0;
  for (const MFace* f : faces) {
    if (f == face) return n;
    ++n;
  }
  return -1;
}

MFace* MMeshObj::GetFaceAt(int n) const {
  for (MFace* face : faces)
    if (n-- == 0) return face;
  return nullptr;
}

namespace {

// Whether every outer edge of the face is selected: its three edges, or the
// four outer edges of the quad it is half of (the two other edges of each
// triangle across the hidden diagonal).
bool FaceOrQuadSelected(const MFace* face) {
  MLine* lines[3];
  face->GetLines(lines);
  int diagonal = -1;
  for (int i = 0; i < 3; ++i)
    if (lines[i]->flags & kLineHiddenDiagonal) diagonal = i;
  for (int i = 0; i < 3; ++i)
    if (i != diagonal && !(lines[i]->flags & kLineSelected)) return false;
  if (diagonal < 0) return true;
  const MLine* d = lines[diagonal];
  const MFace* partner = d->forwardFace == face ? d->backwardFace : d->forwardFace;
  if (partner == nullptr) return true;
  MLine* partnerLines[3];
  partner->GetLines(partnerLines);
  for (const MLine* line : partnerLines)
    if (line != d && !(line->flags & kLineSelected)) return false;
  return true;
}

}  // namespace

void MMeshObj::UpdateSelectionCache() {
  vertexSelectionCache = lineSelectionCache = faceSelectionCache = 0;
  for (const MVertex* v : vertices) {
    if (v->flags & kVertexSelected) {
      vertexSelectionCache = 1;
      break;
    }
  }
  for (const MLine* line : lines) {
    if (line->flags & kLineSelected) {
      vertexSelectionCache = lineSelectionCache = 1;
      break;
    }
  }
  for (const MFace* face : faces) {
    if (FaceOrQuadSelected(face)) {
      faceSelectionCache = 1;
      break;
    }
  }
}

int MMeshObj::IsDegenerate(const MVertex* p, const MVertex* q, const MVertex* r, int ratioFlag,
                           double threshold) const {
  const PointRecord twiceArea = MFaceTriangleNormal(p->position, q->position, r->position);
  const double a = MUtilLength(twiceArea);
  const double s = MUtilDistance(p->position, q->position) + MUtilDistance(p->position, r->position);
  // Two edges of length 0 make the triangle a point.
  if (s == 0) return 1;
  if (ratioFlag != 0) return a / (s * s) < threshold ? 1 : 0;
  const double bound = 3000 * tolerance;
  return a / s < bound || a < bound * bound ? 1 : 0;
}

}  // namespace engine
