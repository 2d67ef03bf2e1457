// Mesh object: moving the scale, the pivot or the whole matrix into the
// vertices while the mesh keeps its place in the world, and turning every
// face over.
#include <utility>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {

bool MMeshObj::SaveAndTransformVertices(const MatrixRecord& q) {
  // Every vertex is saved before any moves: running out of memory leaves
  // the vertices where they were, for the step's undo.
  for (MVertex* v : vertices) {
    v->SaveUndo();
    if (EngContext().failState == kEngFailFailed) return false;
  }
  for (MVertex* v : vertices) {
    PointRecord moved;
    MUtilTransformPoint(q, v->position, moved);
    // Exactly on the plane, whatever rounding the transform did.
    if (v->flags & kVertexOnMirror) moved.x = 0;
    v->position = moved;
  }
  TransformMorphs(q);
  return true;
}

// The vertices take M followed by the inverse of the new matrix N, so that
// each vertex's place through N is its old place through M.
bool MMeshObj::ReplaceMatrixKeepingShape(const MatrixRecord& newMatrix) {
  SaveEditState();
  MatrixRecord old;
  GetMatrix(old);
  SetMatrix(newMatrix);
  MatrixRecord inverse;
  GetInverseMatrix(inverse);
  MatrixRecord q;
  MUtilMultiply(inverse, old, q);
  return SaveAndTransformVertices(q);
}

namespace {

struct MatrixParts {
  double angleY, angleX, angleZ;
  PointRecord scale, translation;
};

MatrixParts Decompose(const MatrixRecord& m) {
  MatrixParts parts;
  MUtilDecomposeMatrix(m, parts.angleY, parts.angleX, parts.angleZ, parts.scale, parts.translation);
  return parts;
}

MatrixRecord Compose(const MatrixParts& parts) {
  MatrixRecord m;
  MUtilComposeMatrix(parts.angleY, parts.angleX, parts.angleZ, parts.scale, parts.translation, nullptr, m);
  return m;
}

}  // namespace

void MMeshObj::GetLocalBounds(BoundsRecord& out) {
  MatrixRecord identity;
  MUtilIdentity(identity);
  GetTransformedBounds(identity, false, out);
}

void MMeshObj::ApplyScale() {
  MatrixParts parts = Decompose(matrix);
  parts.scale = {1, 1, 1};
  if (ReplaceMatrixKeepingShape(Compose(parts))) MarkChanged();
}

void MMeshObj::SetPivot(const PointRecord& point) {
  MatrixParts parts = Decompose(matrix);
  parts.translation = point;
  if (!ReplaceMatrixKeepingShape(Compose(parts))) return;
  MarkChanged();
  MarkMoved();
}

void MMeshObj::ResetPivot() {
  MatrixParts parts = Decompose(matrix);
  parts.angleY = parts.angleX = parts.angleZ = 0;
  parts.translation.x = 0;
  if (!ReplaceMatrixKeepingShape(Compose(parts))) return;
  MarkChanged();
  MarkMoved();
}

void MMeshObj::ApplyMatrixToVertices() {
  SaveEditState();
  MatrixRecord m;
  GetMatrix(m);
  if (!SaveAndTransformVertices(m)) return;
  MatrixRecord identity;
  MUtilIdentity(identity);
  SetMatrix(identity);
  MarkChanged();
}

// Exchanging a line's faces and its wings at both ends reverses every loop
// and every cycle around a vertex at once: corner 0 and corner 1 of each face
// change places, corner 2 stays.
void MMeshObj::ReverseAllFaces() {
  // Everything is saved before anything turns: a mesh turned half way over
  // would not hold together until its undo.
  auto failed = [] { return EngContext().failState == kEngFailFailed; };
  for (MLine* line : lines) {
    line->SaveUndo();
    if (failed()) return;
  }
  for (MFace* face : faces) {
    if (!face->IsTextured()) continue;
    face->SaveUndo();
    if (failed()) return;
  }
  for (MLine* line : lines) {
    std::swap(line->forwardFace, line->backwardFace);
    std::swap(line->nextAround0, line->prevAround0);
    std::swap(line->nextAround1, line->prevAround1);
  }
  for (MFace* face : faces) {
    if (!face->IsTextured()) continue;
    MFaceUV* block = face->GetUVBlock();
    std::swap(block->corner[0], block->corner[1]);
  }
  MarkChanged();
}

}  // namespace engine
