// The mesh boolean's frame: preparing the operands by type, the repeated
// pass over the candidate pairs, splitting and removing by class, the
// candidate grid, and the class of parts no crossing curve reaches.
#include "engine/modeling/MBoolean.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "engine/core/EngMath.h"
#include "engine/core/EngRandom.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr double kFaceBoxGrowth = 18;  // tolerances added to each face box in the grid

// B's elements become new elements of A: undoing A's step takes them away
// again. B's own history goes first, since B is destroyed.
void MarkEveryElementCreated(MMeshObj& mesh) {
  mesh.Checkpoint(false);
  for (MItem* item : mesh.vertices) item->state = kItemCreated;
  for (MItem* item : mesh.lines) item->state = kItemCreated;
  for (MItem* item : mesh.faces) item->state = kItemCreated;
  for (MItem* item : mesh.shaders) item->state = kItemCreated;
  for (MItem* item : mesh.groups) item->state = kItemCreated;
}

BoundsRecord EmptyBox() { return {1e300, 1e300, 1e300, -1e300, -1e300, -1e300}; }

// A ray from `origin` crosses the triangle (Möller and Trumbore), ahead of
// the origin.
bool RayHitsTriangle(const PointRecord& origin, const PointRecord& dir, const PointRecord c[3]) {
  const PointRecord e1{c[1].x - c[0].x, c[1].y - c[0].y, c[1].z - c[0].z};
  const PointRecord e2{c[2].x - c[0].x, c[2].y - c[0].y, c[2].z - c[0].z};
  PointRecord p;
  OsUtilCrossProduct(dir, e2, p);
  const double det = e1.x * p.x + e1.y * p.y + e1.z * p.z;
  if (std::fabs(det) < 1e-300) return false;
  const double inv = 1 / det;
  const PointRecord s{origin.x - c[0].x, origin.y - c[0].y, origin.z - c[0].z};
  const double u = (s.x * p.x + s.y * p.y + s.z * p.z) * inv;
  if (u < 0 || u > 1) return false;
  PointRecord q;
  OsUtilCrossProduct(s, e1, q);
  const double v = (dir.x * q.x + dir.y * q.y + dir.z * q.z) * inv;
  if (v < 0 || u + v > 1) return false;
  return (e2.x * q.x + e2.y * q.y + e2.z * q.z) * inv > 0;
}

}  // namespace

MBoolean::MBoolean() { MUtilIdentity(bToA); }

MBoolean::~MBoolean() {
  delete faceListA;
  delete faceListB;
  delete intersectionVertices;
  delete imprintLines;
  delete[] candidates;
}

void MBoolean::SetTolerance(const BoundsRecord& box) {
  tolerance = MUtilBoxTolerance(box);
  tripleTolerance = 3 * tolerance;
  band = 20 * tolerance;
}

void MBoolean::DestroyOperands(bool failed) {
  if (operandB != nullptr && operandB != operandA) delete operandB;
  operandB = nullptr;
  // A failed pass after attaching leaves a merged mesh nobody else holds.
  if (failed && operandA != nullptr) delete operandA;
  if (failed) operandA = nullptr;
}

void MBoolean::PrepareByType(int type, bool& prepared) {
  prepared = false;
  MMeshObj* a = operandA;
  MMeshObj* b = operandB;
  auto attach = [&] {
    MarkEveryElementCreated(*b);
    a->AttachMesh(b, bToA, faceListA, faceListB);
    if (Failed()) return;
    delete b;
    operandB = a;
    prepared = true;
  };
  switch (type) {
    case kUnion:
      mode = 0;
      cutBoth = curvesMustClose = true;
      return attach();
    case kAMinusB:
      b->ReverseAllFaces();
      reversedB = true;
      mode = 2;
      cutBoth = curvesMustClose = true;
      return attach();
    case kIntersection:
      mode = 2;
      cutBoth = curvesMustClose = true;
      return attach();
    case kBMinusA:
      a->ReverseAllFaces();
      reversedA = true;
      mode = 2;
      cutBoth = curvesMustClose = true;
      return attach();
    case kImprint:
    case kTrim:
      for (MVertex* v : b->GetVertexList()) {
        PointRecord p;
        MUtilTransformPoint(bToA, v->position, p);
        v->position = p;
      }
      a->CollectFaces(*faceListA);
      if (!Failed()) b->CollectFaces(*faceListB);
      mode = type == kImprint ? 4 : 2;
      sidesSwapped = type == kTrim;
      prepared = !Failed();
      return;
    default:
      // Splitting a mesh along its own crossings is not offered; other
      // types are not operations at all.
      EngRecordFailure(type == kSelfSplit ? kEngReasonNotAvailable : kEngReasonDeclined);
      return;
  }
}

MMeshObj* MBoolean::Combine(MMeshObj* a, MMeshObj* b, const MatrixRecord& matrixA, const MatrixRecord& matrixB,
                            int type) {
  operandA = a;
  operandB = b;
  faceListA = new (std::nothrow) PtrArray(12);
  faceListB = new (std::nothrow) PtrArray(12);
  intersectionVertices = new (std::nothrow) PtrArray();
  if (faceListA == nullptr || faceListB == nullptr || intersectionVertices == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    DestroyOperands(type != kImprint);
    return type == kImprint ? a : nullptr;
  }
  MatrixRecord inverse;
  MUtilInvert(matrixA, inverse);
  MUtilMultiply(inverse, matrixB, bToA);

  // The mesh's own tolerance is a working value of this operation only.
  const double ownTolerance = a->GetTolerance();
  BoundsRecord box;
  a->GetLocalBounds(box);
  SetTolerance(box);
  double s = tripleTolerance;
  a->SetTolerance(tolerance);
  if (b != a) {
    b->GetLocalBounds(box);
    SetTolerance(box);
    s = std::min(s, tripleTolerance);
    b->SetTolerance(tolerance);
  } else {
    s = std::min(s, 100.0);
  }
  // Exactly coincident faces of the two operands are kept apart by a
  // small shift of B: 50 to 99 triple tolerances on each axis, either way.
  PointRecord jitter;
  double* axes[3] = {&jitter.x, &jitter.y, &jitter.z};
  for (double* axis : axes) *axis = (EngRandom() % 50 + 50) * s;
  for (double* axis : axes)
    if (EngRandom() % 2 == 0) *axis = -*axis;
  MUtilTranslate(bToA, jitter, bToA);

  a->SaveEditState();
  bool prepared = false;
  PrepareByType(type, prepared);
  if (!prepared) {
    a->SetTolerance(ownTolerance);
    DestroyOperands(type != kImprint);
    return type == kImprint ? a : nullptr;
  }
  operandMesh0 = operandA;
  operandMesh1 = operandB;
  operandFaces0 = faceListA;
  operandFaces1 = faceListB;
  RunCombine();
  if (type == kImprint) {
    operandA->SetTolerance(ownTolerance);
    DestroyOperands(false);
    return operandA;
  }
  if (!Failed()) {
    MMeshObj* result = operandA;
    result->RepairMarkedVertices(*intersectionVertices);
    if (!Failed()) result->RepairDegenerateFaces();
    if (!Failed()) result->ResetElementStamps(1);
    result->SetTolerance(ownTolerance);
  }
  const bool failed = Failed();
  MMeshObj* result = failed ? nullptr : operandA;
  DestroyOperands(failed);
  return result;
}

void MBoolean::NumberFaces() {
  for (int i = 0; i < operandFaces0->count; ++i) At<MFace>(*operandFaces0, i)->workValue = i;
  for (int i = 0; i < operandFaces1->count; ++i) At<MFace>(*operandFaces1, i)->workValue = i;
}

void MBoolean::ForgetFaceNumbers() {
  for (int i = 0; i < operandFaces0->count; ++i) At<MFace>(*operandFaces0, i)->workValue = -1;
  for (int i = 0; i < operandFaces1->count; ++i) At<MFace>(*operandFaces1, i)->workValue = -1;
}

void MBoolean::ClearFaceMarks() {
  for (int i = 0; i < operandFaces0->count; ++i) At<MFace>(*operandFaces0, i)->workMark = 0;
  for (int i = 0; i < operandFaces1->count; ++i) At<MFace>(*operandFaces1, i)->workMark = 0;
}

void MBoolean::RunCombine() {
  const EngCursorSet& cursors = EngContext().cursors;
  candidateCount = operandFaces0->count;
  candidates = new (std::nothrow) EngArray<int>[static_cast<std::size_t>(std::max(candidateCount, 1))];
  if (candidates == nullptr) return EngRecordFailure(kEngReasonOutOfMemory);
  // Face numbers are working values: faces saved during the pass must not
  // keep them, so they live only while the grid and the classes are made.
  NumberFaces();
  const bool gridBuilt = BuildCandidateGrid();
  ForgetFaceNumbers();
  if (!gridBuilt) return cursors.SetArrowCursor();
  operandMesh0->SetTolerance(tolerance);
  operandMesh1->SetTolerance(tolerance);

  for (int attempt = 0;; ++attempt) {
    operandMesh0->RemoveUnusedItems();
    if (operandMesh1 != operandMesh0) operandMesh1->RemoveUnusedItems();
    crossings.clear();
    intersectionVertices->count = 0;
    drawn.clear();
    long pairs = 0;
    for (int i = 0; i < operandFaces0->count && !AnyFailure(); ++i) {
      MFace* faceA = At<MFace>(*operandFaces0, i);
      const EngArray<int>& list = candidates[i];
      for (int k = 0; k < list.count && !AnyFailure(); ++k) {
        TestFacePair(faceA, At<MFace>(*operandFaces1, list[k]));
        if ((++pairs & 1023) == 0) cursors.SetWaitCursor();
      }
    }
    if (!AnyFailure()) CheckCurvesClosed();
    if (!(Failed() && EngContext().failReason == kReasonDegenerate)) break;
    EngContext().ClearFailure();
    if (attempt + 1 >= kPasses) {
      operandMesh0->RemoveUnusedItems();
      if (operandMesh1 != operandMesh0) operandMesh1->RemoveUnusedItems();
      EngRecordFailure(kReasonMissingPair);
      return cursors.SetArrowCursor();
    }
  }
  if (AnyFailure() || mode == 4) return cursors.SetArrowCursor();

  ClearFaceMarks();
  // Classes of untouched parts are found while both operands are whole.
  PtrArray unreached;
  EngArray<int> unreachedClass;
  NumberFaces();
  const bool classified = ClassifyUnreachedParts();
  ForgetFaceNumbers();
  if (classified) {
    for (int side = 0; side < 2; ++side) {
      const PtrArray& list = side == 0 ? *operandFaces0 : *operandFaces1;
      if (side == 1 && !cutBoth) break;
      for (int i = 0; i < list.count; ++i) {
        MFace* face = At<MFace>(list, i);
        if (face->workMark == 0) continue;
        if (!Append(unreached, face)) break;
        if (!unreachedClass.Add(face->workMark)) EngRecordFailure(kEngReasonOutOfMemory);
      }
    }
  }
  ClearFaceMarks();
  for (int side = 0; side < 2 && !AnyFailure(); ++side) {
    if (side == 1 && !cutBoth) break;
    const PtrArray& list = side == 0 ? *operandFaces0 : *operandFaces1;
    MMeshObj* mesh = MeshOf(side);
    for (int i = 0; i < list.count && !AnyFailure(); ++i) {
      mesh->SplitFaceByLines(At<MFace>(list, i), mode);
      cursors.SetWaitCursor();
    }
  }
  for (int i = 0; i < unreached.count && i < unreachedClass.count; ++i)
    At<MFace>(unreached, i)->workMark = static_cast<std::int16_t>(unreachedClass[i]);
  if (!AnyFailure() && (mode == 0 || mode == 2)) operandMesh0->RemoveFacesWithMark(mode == 0 ? 1 : 2);
  // The kept untouched faces were never saved: their marks go again.
  for (int i = 0; i < unreached.count; ++i) {
    MFace* face = At<MFace>(unreached, i);
    if (!IsRemoved(face)) face->workMark = 0;
  }
  if (!Failed()) operandA->RemoveLooseVertices();
  if (!Failed()) operandA->ResetElementStamps(0);
  if (!Failed()) operandA->MergeParallelLines();
  cursors.SetArrowCursor();
}

// ---- the candidate grid ------------------------------------------------------

void MBoolean::GetFaceCorners(MFace* face, PointRecord corners[3], BoundsRecord& box) const {
  MVertex* c[3];
  face->GetVertices(c);
  for (int k = 0; k < 3; ++k) corners[k] = c[k]->position;
  MUtilBoxOfPoints(3, corners, box);
}

bool MBoolean::FaceBoxesOverlap(MFace* faceA, MFace* faceB) const {
  PointRecord c[3];
  BoundsRecord a, b;
  GetFaceCorners(faceA, c, a);
  GetFaceCorners(faceB, c, b);
  return !(a.minX > b.maxX || b.minX > a.maxX || a.minY > b.maxY || b.minY > a.maxY || a.minZ > b.maxZ ||
           b.minZ > a.maxZ);
}

void MBoolean::ComputeFaceBounds(BoundsRecord& gridBox, bool& empty) {
  BoundsRecord boxes[2] = {EmptyBox(), EmptyBox()};
  const PtrArray* lists[2] = {operandFaces0, operandFaces1};
  for (int side = 0; side < 2; ++side)
    for (int i = 0; i < lists[side]->count; ++i) {
      PointRecord c[3];
      BoundsRecord box;
      GetFaceCorners(At<MFace>(*lists[side], i), c, box);
      for (const PointRecord& p : c) MMeshObj::ExtendBounds(p, boxes[side]);
    }
  gridBox = {std::max(boxes[0].minX, boxes[1].minX), std::max(boxes[0].minY, boxes[1].minY),
             std::max(boxes[0].minZ, boxes[1].minZ), std::min(boxes[0].maxX, boxes[1].maxX),
             std::min(boxes[0].maxY, boxes[1].maxY), std::min(boxes[0].maxZ, boxes[1].maxZ)};
  empty = gridBox.minX > gridBox.maxX || gridBox.minY > gridBox.maxY || gridBox.minZ > gridBox.maxZ;
}

void MBoolean::GetGridCellCounts(const BoundsRecord& gridBox, int& nx, int& ny, int& nz) {
  double dx = gridBox.maxX - gridBox.minX, dy = gridBox.maxY - gridBox.minY, dz = gridBox.maxZ - gridBox.minZ;
  const double m = 0.05 * std::max({dx, dy, dz});
  dx = std::max(dx, m);
  dy = std::max(dy, m);
  dz = std::max(dz, m);
  const double n = operandFaces0->count + operandFaces1->count;
  const double w = m > 0 ? std::cbrt(n * dx * dx / (dy * dz)) : 1;
  auto cells = [](double value) { return std::clamp(static_cast<int>(value), 1, 1 << 20); };
  nx = cells(w);
  ny = cells(w * dy / dx);
  nz = cells(w * dz / dx);
}

bool MBoolean::BuildCandidateGrid() {
  BoundsRecord grid;
  bool empty = false;
  ComputeFaceBounds(grid, empty);
  // Operands whose boxes do not meet have no face pair to test.
  if (empty) return true;
  SetTolerance(grid);
  int n[3];
  GetGridCellCounts(grid, n[0], n[1], n[2]);
  const double lo[3] = {grid.minX, grid.minY, grid.minZ};
  const double hi[3] = {grid.maxX, grid.maxY, grid.maxZ};
  double size[3];
  for (int axis = 0; axis < 3; ++axis) size[axis] = (hi[axis] - lo[axis]) / n[axis];
  const double grow = kFaceBoxGrowth * tolerance;

  // The cell range of a face's grown box; false when it misses the grid.
  auto range = [&](MFace* face, int first[3], int last[3]) {
    PointRecord c[3];
    BoundsRecord box;
    GetFaceCorners(face, c, box);
    const double bmin[3] = {box.minX - grow, box.minY - grow, box.minZ - grow};
    const double bmax[3] = {box.maxX + grow, box.maxY + grow, box.maxZ + grow};
    for (int axis = 0; axis < 3; ++axis) {
      if (bmax[axis] < lo[axis] || bmin[axis] > hi[axis]) return false;
      const int top = n[axis] - 1;
      first[axis] = bmin[axis] <= lo[axis] || size[axis] <= 0
                        ? 0
                        : std::clamp(static_cast<int>((bmin[axis] - lo[axis]) / size[axis]), 0, top);
      last[axis] = bmax[axis] >= hi[axis] || size[axis] <= 0
                       ? top
                       : std::clamp(static_cast<int>((bmax[axis] - lo[axis]) / size[axis]), 0, top);
    }
    return true;
  };
  auto forCells = [&](const int first[3], const int last[3], auto&& visit) {
    for (int k = first[2]; k <= last[2]; ++k)
      for (int j = first[1]; j <= last[1]; ++j)
        for (int i = first[0]; i <= last[0]; ++i) visit(i + n[0] * (j + n[1] * k));
  };

  // Cells hold list-B positions, packed: a count pass, then a fill pass.
  const std::size_t cellCount = static_cast<std::size_t>(n[0]) * n[1] * n[2];
  EngArray<int> start, fill, members;
  for (std::size_t c = 0; c <= cellCount; ++c)
    if (!start.Add(0)) return EngRecordFailure(kEngReasonOutOfMemory), false;
  const PtrArray& listB = *operandFaces1;
  for (int b = 0; b < listB.count; ++b) {
    int first[3], last[3];
    if (range(At<MFace>(listB, b), first, last)) forCells(first, last, [&](int cell) { ++start[cell + 1]; });
  }
  for (std::size_t c = 0; c < cellCount; ++c) start[c + 1] += start[c];
  for (std::size_t c = 0; c < cellCount; ++c)
    if (!fill.Add(start[c])) return EngRecordFailure(kEngReasonOutOfMemory), false;
  for (int i = 0; i < start[cellCount]; ++i)
    if (!members.Add(0)) return EngRecordFailure(kEngReasonOutOfMemory), false;
  for (int b = 0; b < listB.count; ++b) {
    int first[3], last[3];
    if (range(At<MFace>(listB, b), first, last)) forCells(first, last, [&](int cell) { members[fill[cell]++] = b; });
  }

  // One stamp per face of list B, shared by every face of list A, keeps
  // each candidate list free of repeats; sorting restores list-B order.
  EngArray<int> stamp;
  for (int b = 0; b < listB.count; ++b)
    if (!stamp.Add(-1)) return EngRecordFailure(kEngReasonOutOfMemory), false;
  const PtrArray& listA = *operandFaces0;
  for (int a = 0; a < listA.count; ++a) {
    int first[3], last[3];
    if (!range(At<MFace>(listA, a), first, last)) continue;
    EngArray<int>& out = candidates[a];
    bool ok = true;
    forCells(first, last, [&](int cell) {
      for (int m = start[cell]; m < start[cell + 1] && ok; ++m) {
        const int b = members[m];
        if (stamp[b] == a) continue;
        stamp[b] = a;
        ok = out.Add(b);
      }
    });
    if (!ok) return EngRecordFailure(kEngReasonOutOfMemory), false;
    if (out.count > 1) std::sort(&out[0], &out[0] + out.count);
  }
  return true;
}

// ---- parts no curve reaches ----------------------------------------------------

bool MBoolean::ClassifyUnreachedParts() {
  // A direction no axis-aligned or diagonal face lies along.
  PointRecord dir{0.3713906763541037, 0.5570860145311556, 0.7427813527082074};
  for (int side = 0; side < 2; ++side) {
    if (side == 1 && !cutBoth) break;
    const PtrArray& own = side == 0 ? *operandFaces0 : *operandFaces1;
    const PtrArray& other = side == 0 ? *operandFaces1 : *operandFaces0;
    const bool otherReversed = side == 0 ? reversedB : reversedA;
    EngArray<char> seen;
    for (int i = 0; i < own.count; ++i)
      if (!seen.Add(0)) return EngRecordFailure(kEngReasonOutOfMemory), false;
    WorkStack<int> stack;
    PtrArray part;
    for (int i = 0; i < own.count; ++i) {
      if (seen[i]) continue;
      part.count = 0;
      bool reached = false;
      seen[i] = 1;
      if (!stack.Push(i)) return false;
      while (!stack.Empty()) {
        MFace* face = At<MFace>(own, stack.Top());
        stack.Pop();
        if (!Append(part, face)) return false;
        reached = reached || face->CountFltabs() > 0;
        MLine* lines[3];
        face->GetLines(lines);
        for (MLine* line : lines) {
          MFace* next = line->forwardFace == face ? line->backwardFace : line->forwardFace;
          if (next == nullptr) continue;
          const int at = next->workValue;
          if (at < 0 || at >= own.count || own[at] != next || seen[at]) continue;
          seen[at] = 1;
          if (!stack.Push(at)) return false;
        }
      }
      if (reached) continue;
      // Inside the other operand when a ray from a face centre crosses its
      // surface an odd number of times; a turned-over operand stands for
      // the space outside it.
      MVertex* c[3];
      At<MFace>(part, 0)->GetVertices(c);
      const PointRecord centre{(c[0]->position.x + c[1]->position.x + c[2]->position.x) / 3,
                               (c[0]->position.y + c[1]->position.y + c[2]->position.y) / 3,
                               (c[0]->position.z + c[1]->position.z + c[2]->position.z) / 3};
      int hits = 0;
      for (int k = 0; k < other.count; ++k) {
        PointRecord corners[3];
        BoundsRecord box;
        GetFaceCorners(At<MFace>(other, k), corners, box);
        if (RayHitsTriangle(centre, dir, corners)) ++hits;
      }
      const bool inside = (((hits % 2) == 1) != otherReversed) != sidesSwapped;
      for (int k = 0; k < part.count; ++k) At<MFace>(part, k)->workMark = inside ? 1 : 2;
    }
  }
  return true;
}

}  // namespace engine
