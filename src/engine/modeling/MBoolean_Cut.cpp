// Cutting a mesh along a path drawn in the view: the path swept along the
// pick rays becomes a thin cutter sheet, the sheet's crossing curves are
// imprinted on the mesh, only the curve nearest the viewer stays, and the
// mesh's faces are split along it (every region kept).
#include <algorithm>
#include <cmath>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/MBoolean.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

double Dot(const PointRecord& a, const PointRecord& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
PointRecord Along(const PointRecord& q, double g, const PointRecord& r) {
  return {q.x + g * r.x, q.y + g * r.y, q.z + g * r.z};
}

bool IsDrawn(const MLine* line) { return line->fltabEntry != nullptr && !IsRemoved(line); }

}  // namespace

void MBoolean::TransformPointLists(PointArray& nearPoints, PointArray& farPoints, PointRecord& direction,
                                   const MatrixRecord& matrix) {
  for (PointArray* list : {&nearPoints, &farPoints})
    for (int i = 0; i < list->count; ++i) {
      PointRecord p;
      MUtilTransformPoint(matrix, (*list)[i], p);
      (*list)[i] = p;
    }
  PointRecord tip, origin;
  MUtilTransformPoint(matrix, direction, tip);
  MUtilTransformPoint(matrix, {0, 0, 0}, origin);
  direction = {tip.x - origin.x, tip.y - origin.y, tip.z - origin.z};
  if (Dot(direction, direction) <= 1e-16) {
    direction = {0, 0, 1};
    return;
  }
  OsUtilNormalize(direction);
}

void MBoolean::BuildCutter(const PointArray& screen, PointArray& nearPoints, PointArray& farPoints, BoundsRecord box,
                           const PointRecord& direction, bool closed, bool reverseWinding, bool thin) {
  // A box three times as wide about the same centre, with no flat side.
  const double diagonal = std::sqrt((box.maxX - box.minX) * (box.maxX - box.minX) +
                                    (box.maxY - box.minY) * (box.maxY - box.minY) +
                                    (box.maxZ - box.minZ) * (box.maxZ - box.minZ));
  double* mins[3] = {&box.minX, &box.minY, &box.minZ};
  double* maxs[3] = {&box.maxX, &box.maxY, &box.maxZ};
  for (int axis = 0; axis < 3; ++axis) {
    if (*maxs[axis] - *mins[axis] < 1e-8) {
      *mins[axis] -= 0.1 * diagonal;
      *maxs[axis] += 0.1 * diagonal;
    }
    const double extent = *maxs[axis] - *mins[axis];
    *mins[axis] -= extent;
    *maxs[axis] += extent;
  }
  PointRecord corners[8];
  MUtilBoxCorners(box, corners);
  double front = Dot(corners[0], direction), back = front;
  for (const PointRecord& c : corners) {
    front = std::min(front, Dot(c, direction));
    back = std::max(back, Dot(c, direction));
  }
  const double margin = 0.1 * (back - front);
  front -= margin;
  back += margin;

  for (int j = 0; j < nearPoints.count && j < farPoints.count; ++j) {
    const PointRecord q = nearPoints[j];
    PointRecord r{farPoints[j].x - q.x, farPoints[j].y - q.y, farPoints[j].z - q.z};
    if (Dot(r, r) <= 1e-16) r = {0, 0, 1};
    OsUtilNormalize(r);
    double a = Dot(r, direction);
    // A ray across the viewing direction reaches no depth: take it as
    // running along it.
    if (std::fabs(a) < 1e-12) a = 1;
    const double o = Dot(q, direction);
    const double g = thin ? (back - front) * 1e-8 / a : (front - o) / a;
    nearPoints[j] = Along(q, g, r);
    farPoints[j] = Along(q, (back - o) / a, r);
  }

  MMeshObj* cutter = operandMesh1;
  MShader* shader = cutter->GetNewFaceShader();
  if (shader == nullptr) return EngRecordFailure(kEngReasonOutOfMemory);
  PtrArray nearVertices, farVertices;
  for (int j = 0; j < nearPoints.count && j < farPoints.count; ++j) {
    MVertex* n = cutter->AddVertex(nearPoints[j]);
    MVertex* f = cutter->AddVertex(farPoints[j]);
    if (n == nullptr || f == nullptr || !Append(nearVertices, n) || !Append(farVertices, f)) return;
    for (MVertex* v : {n, f}) {
      v->screenX = j < screen.count ? screen[j].x : 0;
      v->screenY = j < screen.count ? screen[j].y : 0;
      v->screenDepth = 1.0;
    }
  }
  auto strip = [&](int previous, int j) {
    MVertex* n0 = At<MVertex>(nearVertices, previous);
    MVertex* f0 = At<MVertex>(farVertices, previous);
    MVertex* n1 = At<MVertex>(nearVertices, j);
    MVertex* f1 = At<MVertex>(farVertices, j);
    if (reverseWinding) {
      cutter->AddFace(f0, n0, n1, shader);
      if (!AnyFailure()) cutter->AddFace(f1, f0, n1, shader);
    } else {
      cutter->AddFace(n1, n0, f0, shader);
      if (!AnyFailure()) cutter->AddFace(n1, f0, f1, shader);
    }
  };
  for (int j = 1; j < nearVertices.count && !AnyFailure(); ++j) strip(j - 1, j);
  if (closed && nearVertices.count > 2 && !AnyFailure()) strip(nearVertices.count - 1, 0);
}

// ---- the crossing curves --------------------------------------------------------

bool MBoolean::CollectCurve(MLine* first, PtrArray& out) {
  out.count = 0;
  WorkStack<MLine*> stack;
  first->flags |= kLineWorkMark;
  if (!stack.Push(first)) return false;
  while (!stack.Empty()) {
    MLine* line = stack.Top();
    stack.Pop();
    if (!Append(out, line)) break;
    for (MVertex* end : {line->end0, line->end1})
      ForEachLineAround(end, [&](MLine* next) {
        if (!IsDrawn(next) || (next->flags & kLineWorkMark)) return !Failed();
        next->flags |= kLineWorkMark;
        stack.Push(next);
        return !Failed();
      });
    if (Failed()) break;
  }
  for (int i = 0; i < out.count; ++i) At<MLine>(out, i)->flags &= ~kLineWorkMark;
  // Lines still on the stack after a failure keep no mark either.
  while (!stack.Empty()) {
    stack.Top()->flags &= ~kLineWorkMark;
    stack.Pop();
  }
  return !Failed();
}

void MBoolean::GatherCurves() {
  imprintLines->count = 0;
  PtrArray curve;
  for (MLine* line : operandMesh0->lines) {
    if (!IsDrawn(line)) continue;
    // workB holds the number of the curve a line was found in.
    if (line->workB >= 0) continue;
    if (!CollectCurve(line, curve)) return;
    for (int i = 0; i < curve.count; ++i) At<MLine>(curve, i)->workB = imprintLines->count;
    if (!Append(imprintLines, line)) return;
  }
  for (MLine* line : operandMesh0->lines)
    if (IsDrawn(line)) line->workB = -1;
}

double MBoolean::PieceDistance(MLine* first, const PointRecord& direction) {
  PtrArray curve;
  if (!CollectCurve(first, curve)) return 0;
  double nearest = Dot(first->end0->position, direction);
  for (int i = 0; i < curve.count; ++i) {
    const MLine* line = At<MLine>(curve, i);
    nearest = std::min({nearest, Dot(line->end0->position, direction), Dot(line->end1->position, direction)});
  }
  return nearest;
}

int MBoolean::FindNearestPiece(const PointRecord& direction) {
  int best = -1;
  double bestDistance = 0;
  for (int k = 0; k < imprintLines->count && !Failed(); ++k) {
    const double d = PieceDistance(At<MLine>(*imprintLines, k), direction);
    if (best < 0 || d < bestDistance) {
      best = k;
      bestDistance = d;
    }
  }
  return best;
}

void MBoolean::KeepNearestPiece(const PointRecord& direction) {
  if (imprintLines->count < 2) return;
  const int nearest = FindNearestPiece(direction);
  if (Failed() || nearest < 0) return;
  MLine* kept = At<MLine>(*imprintLines, nearest);
  PtrArray curve;
  for (int k = 0; k < imprintLines->count; ++k) {
    if (k == nearest) continue;
    if (!CollectCurve(At<MLine>(*imprintLines, k), curve)) return;
    // A cut curve is connected only to itself: removing its lines (and
    // the ends they leave, with their markers) removes the curve.
    for (int i = 0; i < curve.count; ++i) At<MLine>(curve, i)->Remove(2);
  }
  imprintLines->count = 0;
  Append(imprintLines, kept);
}

void MBoolean::SplitIntoPieces(const PointRecord& direction) {
  // Curves of a closed path meet no other curve (each crossing point lies
  // on one edge line and one cutter face), so the pieces connected to the
  // nearest curve are that curve alone.
  KeepNearestPiece(direction);
}

void MBoolean::ResetOperands(MMeshObj* mesh) {
  faceListA->count = 0;
  faceListB->count = 0;
  if (operandB != nullptr && operandB != mesh) delete operandB;
  operandA = operandMesh0 = mesh;
  operandB = operandMesh1 = nullptr;
  operandFaces0 = faceListA;
  operandFaces1 = faceListB;
  BoundsRecord box;
  mesh->GetLocalBounds(box);
  SetTolerance(box);
  mesh->CollectFaces(*faceListA);
  if (Failed()) return;
  mode = 4;
  ClearFaceMarks();
  // A cut keeps every region, so its lines carry no side: a curve that
  // ends inside a face would otherwise be a loop of both classes there.
  for (MLine* line : mesh->lines)
    if (IsDrawn(line)) line->pairValue = 0;
  mesh->PrepareLineSplit();
  for (int i = 0; i < faceListA->count && !AnyFailure(); ++i) mesh->SplitFaceByLines(At<MFace>(*faceListA, i), 4);
  if (!AnyFailure()) mesh->MergeParallelLines();
}

int MBoolean::Cut(MMeshObj* mesh, const PointArray& screen, PointArray& nearPoints, PointArray& farPoints,
                  const PointRecord& direction, const MatrixRecord& worldToMesh, bool closed, bool reverseWinding,
                  bool thin) {
  faceListA = new (std::nothrow) PtrArray(12);
  faceListB = new (std::nothrow) PtrArray(12);
  intersectionVertices = new (std::nothrow) PtrArray();
  imprintLines = new (std::nothrow) PtrArray(5);
  MMeshObj* cutter = new (std::nothrow) MMeshObj();
  if (faceListA == nullptr || faceListB == nullptr || intersectionVertices == nullptr || imprintLines == nullptr ||
      cutter == nullptr || Failed()) {
    delete cutter;
    if (!Failed()) EngRecordFailure(kEngReasonOutOfMemory);
    return 0;
  }
  operandA = operandMesh0 = mesh;
  operandB = operandMesh1 = cutter;
  operandFaces0 = faceListA;
  operandFaces1 = faceListB;

  mesh->SaveEditState();
  const double ownTolerance = mesh->GetTolerance();
  BoundsRecord box;
  mesh->GetLocalBounds(box);
  SetTolerance(box);
  mesh->SetTolerance(tolerance);
  cutter->SetTolerance(tolerance);
  PointRecord view = direction;
  TransformPointLists(nearPoints, farPoints, view, worldToMesh);
  BuildCutter(screen, nearPoints, farPoints, box, view, closed, reverseWinding, thin);
  if (!AnyFailure()) mesh->CollectFaces(*faceListA);
  if (!AnyFailure()) cutter->CollectFaces(*faceListB);
  mode = 4;
  sidesSwapped = cutBoth = curvesMustClose = false;
  if (!AnyFailure()) RunCombine();
  if (!AnyFailure()) GatherCurves();
  if (!AnyFailure()) closed ? SplitIntoPieces(view) : KeepNearestPiece(view);
  if (!AnyFailure()) mesh->CheckpointLinedFaces();
  if (!AnyFailure()) ResetOperands(mesh);
  if (!AnyFailure()) mesh->SelectStoredFaces();
  if (!AnyFailure()) mesh->TidyAfterSplit();
  if (!AnyFailure()) mesh->RemoveLooseVertices();
  if (operandB != nullptr && operandB != mesh) delete operandB;
  operandB = operandMesh1 = nullptr;
  mesh->SetTolerance(ownTolerance);
  return 0;
}

}  // namespace engine
