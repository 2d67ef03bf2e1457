// Modelling: crease weights of lines and vertices, and the smooth surface
// built, rebuilt into mesh elements and taken back as an edit step.
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MMetaSurf.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

constexpr std::uint32_t kLineCreaseHigh = 0x0F000000;
constexpr std::uint32_t kVertexCreaseHigh = 0x000F0000;
// What the scene's undo command is told when a failed undo leaves the
// surface step in place.
constexpr long kRevertFailed = -108;

// 0..1 to 0..255, truncated.
int WeightOf(double x) {
  const double w = x * 255;
  if (!(w > 0)) return 0;
  return w >= 256 ? 255 : static_cast<int>(w);
}

void SetWeight(MLine* line, int w) {
  line->SaveUndo();
  if (Failed()) return;
  if (w == 255)
    line->flags |= kLineSharp;
  else
    line->flags &= ~(static_cast<std::uint32_t>(kLineSharp) | kLineCreaseHigh);
  line->SetCreaseWeight(w);
}

void SetWeight(MVertex* v, int w) {
  v->SaveUndo();
  if (Failed()) return;
  if (w == 255)
    v->flags |= kVertexFullCrease;
  else
    v->flags &= ~(static_cast<std::uint32_t>(kVertexFullCrease) | kVertexCreaseHigh);
  v->SetCreaseWeight(w);
}

}  // namespace

// ---- crease weights -----------------------------------------------------------------------

void MMeshObj::SetLineCreaseWeightAll(double weight) {
  const int w = WeightOf(weight);
  SaveEditState();
  for (MLine* line : lines) {
    if (line->flags & kLineHiddenDiagonal) continue;
    SetWeight(line, w);
    if (Failed()) return;
  }
}

void MMeshObj::SetLineCreaseWeightSelected(double weight) {
  const int w = WeightOf(weight);
  PtrArray lineList;
  GatherSelected(0, nullptr, &lineList, nullptr);
  SaveEditState();
  for (int i = 0; i < lineList.count && !Failed(); ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (!(line->flags & kLineHiddenDiagonal)) SetWeight(line, w);
  }
}

void MMeshObj::SetVertexCreaseWeightAll(double weight) {
  const int w = WeightOf(weight);
  SaveEditState();
  for (MVertex* v : vertices) {
    SetWeight(v, w);
    if (Failed()) return;
  }
}

void MMeshObj::SetVertexCreaseWeightSelected(double weight) {
  const int w = WeightOf(weight);
  PtrArray vertexList;
  GatherSelected(0, nullptr, nullptr, &vertexList);
  SaveEditState();
  for (int i = 0; i < vertexList.count && !Failed(); ++i) SetWeight(At<MVertex>(vertexList, i), w);
}

// ---- the smooth surface --------------------------------------------------------------------

void MMeshObj::FreeSmoothSurface() {
  if (smoothSurface == nullptr) return;
  smoothSurface->FreeArrays();
  smoothSurface->FreeWorkArrays();
}

void MMeshObj::BuildSmoothSurfaceOnly(int levels) {
  if (smoothSurface != nullptr) smoothSurface->Build(levels, 0);
}

void MMeshObj::MergeAllCoincidentLines(const PtrArray* lineList) {
  PtrArray all;
  if (lineList == nullptr) {
    GatherAll(nullptr, &all, nullptr);
    lineList = &all;
  }
  for (int i = 0; i < lineList->count && !Failed(); ++i) {
    MLine* line = At<MLine>(*lineList, i);
    if (!IsRemoved(line)) MergeCoincidentLines(line);
  }
}

void MMeshObj::RemoveFreeLines() {
  PtrArray free;
  for (MLine* line : lines)
    if (!line->HasFace() && !Append(free, line)) return;
  if (free.count == 0) return;
  SaveEditState();
  for (int i = 0; i < free.count && !Failed(); ++i) {
    MLine* line = At<MLine>(free, i);
    line->SaveUndo();
    if (!Failed()) line->end0->SaveUndoRing();
    if (!Failed()) line->end1->SaveUndoRing();
  }
  if (!Failed()) DeleteLists(nullptr, &free, nullptr);
}

void MMeshObj::BuildSmoothSurface(int levels, int) {
  if (smoothSurface == nullptr) return;
  SaveSelectionForUndo();
  if (Failed()) return;
  ClearSelection();
  MergeAllCoincidentLines(nullptr);
  if (!Failed()) RemoveFreeLines();
  if (Failed()) return;
  smoothSurface->trackSources = 1;
  smoothSurface->Build(levels, 0);
  if (!AnyFailure()) smoothSurface->Rebuild();
  smoothSurface->trackSources = 0;
}

void MMeshObj::RefreshSmoothSurface(int levels, int passed) {
  if (!IsSmoothDisplay() || levels <= 0) return;
  SaveEditState();
  BuildSmoothSurface(levels, passed);
  UpdateVertexNormals();
}

void MMeshObj::RevertSmoothSurfaceStep() {
  if (!IsSmoothDisplay()) return;
  const int state = GetEditState();
  ExchangeUndoStep(0);
  if (Failed()) {
    EngContext().ClearFailure();
    throw kRevertFailed;
  }
  Checkpoint(false);
  if (state == kEditCreated) SetEditState(kEditCreated);
}

}  // namespace engine
