// Modelling: Laplacian smoothing that keeps borders and sharp lines, and
// polygon reduction that collapses the cheapest lines first, a line's cost
// being its length weighted by how flat the surface is at its ends.
#include <algorithm>
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint32_t kVertexFeature = 0x10;
constexpr double kThinFaceRatio = 0.05;
constexpr int kLastHalvingPass = 2;

bool Border(const MLine* line) { return line->forwardFace == nullptr || line->backwardFace == nullptr; }

double SelfWeight(int type) { return type <= 1 ? 4.0 : type <= 3 ? 2.5 : 1.2; }

}  // namespace

// ---- smoothing ----------------------------------------------------------------------------------

void MMeshObj::SmoothVertices(const PtrArray& vertexList, int type) {
  if (type < 0 || type > 6) return Refuse();
  const double w = SelfWeight(type);
  // Every new position from the old ones first, then all are written.
  PointArray moved;
  for (int i = 0; i < vertexList.count; ++i) {
    MVertex* v = At<MVertex>(vertexList, i);
    PointRecord all{0, 0, 0}, sharp{0, 0, 0}, border{0, 0, 0};
    int n = 0, j = 0, k = 0;
    ForEachLineAround(v, [&](MLine* line) {
      const PointRecord p = line->OtherEnd(v)->position;
      all = {all.x + p.x, all.y + p.y, all.z + p.z};
      ++n;
      if (line->IsSharp()) {
        sharp = {sharp.x + p.x, sharp.y + p.y, sharp.z + p.z};
        ++j;
      }
      if (Border(line)) {
        border = {border.x + p.x, border.y + p.y, border.z + p.z};
        ++k;
      }
    });
    PointRecord target = v->position;
    if (k == 2 && (j == 0 || j == 2))
      target = {border.x / 2, border.y / 2, border.z / 2};
    else if (j == 0 && n > 0)
      target = {all.x / n, all.y / n, all.z / n};
    else if (j == 2)
      target = {sharp.x / 2, sharp.y / 2, sharp.z / 2};
    const PointRecord& p = v->position;
    if (!moved.Add({(target.x + w * p.x) / (w + 1), (target.y + w * p.y) / (w + 1), (target.z + w * p.z) / (w + 1)}))
      return EngRecordFailure(kEngReasonOutOfMemory);
  }
  for (int i = 0; i < vertexList.count; ++i) At<MVertex>(vertexList, i)->SetPosition(moved[i]);
  MarkChanged();
}

void MMeshObj::SmoothFaces(const PtrArray& faceList, int type) {
  PtrArray inner;
  GatherFaceVertices(faceList, inner);
  if (!Failed()) SmoothVertices(inner, type);
}

void MMeshObj::SmoothAll(int type) {
  if (type < 0 || type > 6) return Refuse();
  SaveSelectionForUndo();
  PtrArray all;
  GatherAll(nullptr, nullptr, &all);
  for (int i = 0; i < all.count && !Failed(); ++i) At<MVertex>(all, i)->SaveUndo();
  if (!Failed()) SmoothVertices(all, type);
}

void MMeshObj::SmoothSelected(int type) {
  if (type < 0 || type > 6) return Refuse();
  PtrArray selected;
  GatherSelected(3, nullptr, nullptr, &selected);
  SaveSelectionForUndo();
  if (!Failed()) SmoothVertices(selected, type);
}

// ---- reduction -----------------------------------------------------------------------------------

int MMeshObj::CountLineEnds(const PtrArray& lineList) {
  const int stamp = TakeVisitStamp();
  int n = 0;
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    for (MVertex* end : {line->end0, line->end1}) {
      if (end->id == stamp) continue;
      end->id = stamp;
      ++n;
    }
  }
  return n;
}

void MMeshObj::UpdateFlatness(const PtrArray& lineList) {
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (IsRemoved(line)) continue;
    for (MVertex* end : {line->end0, line->end1}) {
      end->faceS = end->GetFlatness();
      bool border = false, sharp = false;
      end->GetLineKinds(border, sharp);
      if (border || sharp)
        end->flags |= kVertexFeature;
      else
        end->flags &= ~kVertexFeature;
    }
  }
}

void MMeshObj::CollectCollapseCosts(const PtrArray& lineList, SortEntryArray& entries) {
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (IsRemoved(line)) continue;
    const double length = MUtilDistance(line->PointAt(0), line->PointAt(1));
    const double f = std::max(line->end0->faceS, line->end1->faceS);
    double cost = length * (1 - (f + 2) / 3 + 0.1);
    const bool feature0 = (line->end0->flags & kVertexFeature) != 0;
    const bool feature1 = (line->end1->flags & kVertexFeature) != 0;
    if (feature0 && feature1) cost *= 4;
    MVertex* goes = feature0 == feature1 ? nullptr : feature0 ? line->end1 : line->end0;
    if (!entries.Add({cost, i, goes})) return EngRecordFailure(kEngReasonOutOfMemory);
  }
}

bool MMeshObj::CollapseCheapest(const PtrArray& lineList, const SortEntryArray& entries, int pass, int& remaining) {
  const int stamp = TakeVisitStamp();
  const int start = remaining;
  for (int i = 0; i < entries.count; ++i) {
    MLine* line = At<MLine>(lineList, entries[i].value);
    MVertex* goes = static_cast<MVertex*>(entries[i].pointer);
    if (IsRemoved(line) || (goes != nullptr && IsRemoved(goes)) || line->id == stamp) continue;
    SaveLineNeighbourhood(line);
    if (Failed()) return true;
    MVertex* survivor = nullptr;
    const bool done = CollapseLine(line, goes, &survivor, nullptr, nullptr);
    if (Failed()) return true;
    if (EngContext().failState == kEngFailDeclined) EngContext().ClearFailure();
    if (!done) continue;
    if (--remaining <= 0) return true;
    if (pass <= kLastHalvingPass && remaining < start / 2) return false;
    // Nothing touching the survivor collapses again in this pass.
    if (survivor != nullptr && MItemIsLive(survivor))
      ForEachLineAround(survivor, [&](MLine* around) { around->id = stamp; });
  }
  return pass > kLastHalvingPass;
}

void MMeshObj::FixThinFacesOfLines(const PtrArray& lineList, double threshold, PtrArray* items) {
  const int stamp = TakeVisitStamp();
  PtrArray faceList;
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (IsRemoved(line)) continue;
    for (MFace* face : {line->forwardFace, line->backwardFace}) {
      if (face == nullptr || face->id == stamp) continue;
      face->id = stamp;
      if (!Append(faceList, face)) return;
    }
  }
  for (int i = 0; i < faceList.count && !Failed(); ++i) {
    MFace* face = At<MFace>(faceList, i);
    if (IsRemoved(face)) continue;
    MVertex* c[3];
    face->GetVertices(c);
    if (!IsDegenerate(c[0], c[1], c[2], 1, threshold)) continue;
    MFace* around[4] = {nullptr, nullptr, nullptr, nullptr};
    FixThinFace(face, around);
    for (MFace* f : around)
      if (f != nullptr && !Append(items, f)) return;
  }
}

void MMeshObj::ReduceLines(const PtrArray& lineList, double ratio, PtrArray* items) {
  // A ratio is the share of vertices kept.
  if (!(ratio >= 0 && ratio <= 1)) return Refuse();
  int remaining = static_cast<int>(CountLineEnds(lineList) * (1 - ratio));
  if (remaining <= 0) return;
  SaveEditState();
  for (int pass = 0;; ++pass) {
    UpdateFlatness(lineList);
    SortEntryArray entries;
    CollectCollapseCosts(lineList, entries);
    if (Failed()) return;
    if (entries.count > 0)
      std::stable_sort(&entries[0], &entries[0] + entries.count,
                       [](const SortEntry& a, const SortEntry& b) { return a.key < b.key; });
    const bool over = CollapseCheapest(lineList, entries, pass, remaining);
    if (Failed()) return;
    if (over) break;
  }
  FixThinFacesOfLines(lineList, kThinFaceRatio, items);
  MarkChanged();
}

void MMeshObj::ReduceAll(double ratio) {
  if (!(ratio >= 0 && ratio <= 1)) return Refuse();
  SaveSelectionForUndo();
  if (!Failed()) RemoveUnusedItems();
  PtrArray all;
  GatherAll(nullptr, &all, nullptr);
  for (int i = 0; i < all.count && !Failed(); ++i) At<MLine>(all, i)->SaveUndo();
  for (MVertex* v : vertices)
    if (!Failed()) v->SaveUndo();
  for (MFace* face : faces)
    if (!Failed()) face->SaveUndo();
  if (!Failed()) ReduceLines(all, ratio, nullptr);
}

void MMeshObj::ReduceSelected(double ratio) {
  if (!(ratio >= 0 && ratio <= 1)) return Refuse();
  PtrArray faceList, lineList;
  GatherSelected(3, &faceList, &lineList, nullptr);
  SaveSelectionForUndo();
  if (!Failed()) ReduceLines(lineList, ratio, &faceList);
}

void MMeshObj::ReduceFacesAll(double) {
  SaveSelectionForUndo();
  if (!Failed()) RemoveUnusedItems();
  for (MFace* face : faces)
    if (!Failed()) face->SaveUndo();
  for (MVertex* v : vertices)
    if (!Failed()) v->SaveUndo();
  for (MLine* line : lines)
    if (!Failed()) line->SaveUndo();
  // The face-reduction step itself does nothing.
}

void MMeshObj::ReduceFacesSelected(double) {
  PtrArray faceList;
  GatherSelected(3, &faceList, nullptr, nullptr);
  SaveSelectionForUndo();
  if (!Failed()) RemoveUnusedItems();
}

}  // namespace engine
