// Modelling: a surface of revolution. Every vertex of a profile of lines
// becomes a ring about the z axis (whole, or from the mirror plane over to
// it again), neighbouring rings are joined vertex by vertex and the loops
// so made are filled with faces.
#include <memory>
#include <new>

#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

// Sharp where the new faces meet at more than about 70 degrees.
constexpr double kCreaseCosine = 0.34;

}  // namespace

void MMeshObj::JoinRings(int, int stamp, const PtrArray& lineList, const PtrArray* rings, PtrArray& out) {
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    // Only profile vertices carry a number below the stamp.
    ENG_FATAL_IF(line->end0->id >= stamp || line->end1->id >= stamp);
    const PtrArray& a = rings[line->end0->id];
    const PtrArray& b = rings[line->end1->id];
    if (a.count <= 1 && b.count <= 1) continue;  // both ends on the axis
    if (!Append(out, line)) return;
    const int size = a.count > b.count ? a.count : b.count;
    for (int j = 1; j < size; ++j) {
      // A ring of one vertex (on the axis) is the apex of a fan.
      MVertex* va = At<MVertex>(a, a.count == 1 ? 0 : j < a.count ? j : a.count - 1);
      MVertex* vb = At<MVertex>(b, b.count == 1 ? 0 : j < b.count ? j : b.count - 1);
      MLine* joining = AddLineBetween(va, vb);
      if (Failed()) return;
      if (joining != nullptr && !Append(out, joining)) return;
    }
  }
}

void MMeshObj::Lathe(int n, bool half, const PtrArray& lineList, const PtrArray& vertexList) {
  if (n < (half ? 2 : 3)) return Refuse();
  const int count = vertexList.count;
  if (count == 0) return;
  std::unique_ptr<PtrArray[]> rings(new (std::nothrow) PtrArray[count]);
  if (rings == nullptr) return EngRecordFailure(kEngReasonOutOfMemory);
  while (GetVisitStamp() <= count) NextVisitStamp();
  const int stamp = GetVisitStamp();
  for (MVertex* v : vertices) v->id = stamp;
  PtrArray ringLines;
  for (int i = 0; i < count; ++i) {
    MVertex* v = At<MVertex>(vertexList, i);
    if (half)
      MakeHalfRing(n, v, rings[i], ringLines);
    else
      MakeFullRing(n, v, rings[i], ringLines);
    if (Failed()) return;
    v->id = i;
  }
  PtrArray joined;
  JoinRings(n, stamp, lineList, rings.get(), joined);
  if (Failed()) return;
  const PtrArray none;
  FillBetweenLines(joined, ringLines, none, true);
  if (Failed()) return;
  MarkChanged();
  UpdateMirrorMode();
  SelectByThreshold(kCreaseCosine);
  if (!Failed()) SetCreaseBitSelected();
  if (!Failed()) ClearSelection();
}

void MMeshObj::LatheAll(int n, bool half) {
  SaveSelectionForUndo();
  if (Failed()) return;
  ClearSelection();
  for (MFace* face : faces) {
    face->SaveUndo();
    if (Failed()) return;
  }
  PtrArray lineList, vertexList;
  GatherAll(nullptr, &lineList, &vertexList);
  if (!Failed()) ApplyToListVertices(nullptr, &lineList, &vertexList);
  if (!Failed()) Lathe(n, half, lineList, vertexList);
}

void MMeshObj::LatheSelected(int n, bool half) {
  PtrArray faceList, lineList, vertexList;
  GatherSelected(3, &faceList, &lineList, &vertexList);
  if (!Failed()) SaveSelectionForUndo();
  if (!Failed()) Lathe(n, half, lineList, vertexList);
}

}  // namespace engine
