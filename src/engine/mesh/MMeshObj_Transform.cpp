// Mesh object: moving the scale, the pivot or the whole matrix into the
// vertices while the mesh keeps its place in the world, and turning every
// face over.
#include <utility>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"

namespace engine {

void MMeshObj::SaveAndTransformVertices(const MatrixRecord& q) {
  for (MVertex* v : vertices) {
    v->SaveUndo();
    PointRecord moved;
    MUtilTransformPoint(q, v->position, moved);
    // Exactly on the plane, whatever rounding the transform did.
    if (v->flags & kVertexOnMirror) moved.x = 0;
    v->position = moved;
  }
  TransformMorphs(q);
}

// The vertices take M followed by the inverse of the new matrix N, so that
// each vertex's place through N is its old place through M.
void MMeshObj::ReplaceMatrixKeepingShape(const MatrixRecord& newMatrix) {
  SaveEditState();
  MatrixRecord old;
  GetMatrix(old);
  SetMatrix(newMatrix);
  MatrixRecord inverse;
  GetInverseMatrix(inverse);
  MatrixRecord q;
  MUtilMultiply(inverse, old, q);
  SaveAndTransformVertices(q);
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

void MMeshObj::ApplyScale() {
  MatrixParts parts = Decompose(matrix);
  parts.scale = {1, 1, 1};
  ReplaceMatrixKeepingShape(Compose(parts));
  MarkChanged();
}

void MMeshObj::SetPivot(const PointRecord& point) {
  MatrixParts parts = Decompose(matrix);
  parts.translation = point;
  ReplaceMatrixKeepingShape(Compose(parts));
  MarkChanged();
  MarkMoved();
}

void MMeshObj::ResetPivot() {
  MatrixParts parts = Decompose(matrix);
  parts.angleY = parts.angleX = parts.angleZ = 0;
  parts.translation.x = 0;
  ReplaceMatrixKeepingShape(Compose(parts));
  MarkChanged();
  MarkMoved();
}

void MMeshObj::ApplyMatrixToVertices() {
  SaveEditState();
  MatrixRecord m;
  GetMatrix(m);
  SaveAndTransformVertices(m);
  MatrixRecord identity;
  MUtilIdentity(identity);
  SetMatrix(identity);
  MarkChanged();
}

// Exchanging a line's faces and its wings at both ends reverses every loop
// and every cycle around a vertex at once: corner 0 and corner 1 of each face
// change places, corner 2 stays.
void MMeshObj::ReverseAllFaces() {
  for (MLine* line : lines) {
    line->SaveUndo();
    std::swap(line->forwardFace, line->backwardFace);
    std::swap(line->nextAround0, line->prevAround0);
    std::swap(line->nextAround1, line->prevAround1);
  }
  for (MFace* face : faces) {
    if (!face->IsTextured()) continue;
    face->SaveUndo();
    MFaceUV* block = face->GetUVBlock();
    std::swap(block->corner[0], block->corner[1]);
  }
  MarkChanged();
}

}  // namespace engine
