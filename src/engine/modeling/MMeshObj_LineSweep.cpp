// Modelling: pulling selected lines out into walls of faces. The lines are
// copied (their copies becoming the selection), the copies moved, and each
// line joined to its copy by a quad: profiles swept along a path step by
// step, and border or free lines extruded by a distance.
#include <utility>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

void MMeshObj::CopySelectedLines(PtrArray& sourceLines, PtrArray& copyLines) {
  PtrArray lineList;
  GatherSelected(0, nullptr, &lineList, nullptr);
  if (Failed()) return;
  SaveSelectionForUndo();
  if (Failed()) return;
  ClearSelection();
  // Vertex ids below the stamp number the copied ends (as the lathe does),
  // so each end is copied once however many lines meet there.
  while (GetVisitStamp() <= 2 * lineList.count) NextVisitStamp();
  const int stamp = GetVisitStamp();
  for (MVertex* v : vertices) v->id = stamp;
  PtrArray copies;
  auto copyOf = [&](MVertex* v) -> MVertex* {
    if (v->id < stamp) return At<MVertex>(copies, v->id);
    MVertex* copy = AddVertex(v->position);
    if (copy == nullptr) return nullptr;
    copy->flags = (v->flags & kVertexOnMirror) | kVertexSelected;
    copy->id = stamp;
    v->id = copies.count;
    return Append(copies, copy) ? copy : nullptr;
  };
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (line->flags & kLineHiddenDiagonal) continue;
    MVertex* a = copyOf(line->end0);
    MVertex* b = a != nullptr ? copyOf(line->end1) : nullptr;
    if (b == nullptr) return;
    MLine* copy = AddLineBetween(a, b);
    if (copy == nullptr) return;
    line->CopyAttributesTo(copy);
    copy->flags = (copy->flags & ~static_cast<std::uint32_t>(kLineHiddenDiagonal)) | kLineSelected;
    if (!Append(sourceLines, line) || !Append(copyLines, copy)) return;
  }
  InvalidateSelectionCache();
  MarkChanged();
}

void MMeshObj::JoinLinesToCopies(const PtrArray& sourceLines, const PtrArray& copyLines) {
  MShader* shader = GetNewFaceShader();
  if (shader == nullptr) return EngRecordFailure(kEngReasonOutOfMemory);
  bool refused = false;
  for (int i = 0; i < sourceLines.count && !Failed(); ++i) {
    MLine* line = At<MLine>(sourceLines, i);
    MLine* copy = At<MLine>(copyLines, i);
    // The wall runs round the line the way the faces already beside its
    // ends leave room for.
    MVertex* forward[4] = {line->end0, line->end1, copy->end1, copy->end0};
    MVertex* backward[4] = {line->end1, line->end0, copy->end0, copy->end1};
    MVertex* const* loop = IsFillableLoop(4, forward) ? forward : IsFillableLoop(4, backward) ? backward : nullptr;
    if (loop == nullptr) {
      refused = true;
      continue;
    }
    FillLoop(4, loop, shader, false);
    if (AnyFailure()) return;
    // The two triangles are one quad.
    MLine* diagonal = loop[0]->FindLine(loop[2]);
    if (diagonal == nullptr) diagonal = loop[1]->FindLine(loop[3]);
    if (diagonal != nullptr) diagonal->flags |= kLineHiddenDiagonal;
  }
  // A free line left at an end moves to a vertex of its own in the end's
  // ring: free lines and faces do not share a vertex.
  PtrArray ends;
  for (int i = 0; i < sourceLines.count; ++i)
    for (const PtrArray* list : {&sourceLines, &copyLines}) {
      MLine* line = At<MLine>(*list, i);
      if (!Append(ends, line->end0) || !Append(ends, line->end1)) return;
    }
  TidyListedElements(nullptr, &ends);
  if (refused) Refuse();
  MarkChanged();
}

void MMeshObj::ExtrudeSelectedLines(int kind, double distance) {
  if (kind != 1 && kind != 2) return Refuse();
  PtrArray sourceLines, copyLines;
  CopySelectedLines(sourceLines, copyLines);
  if (Failed()) return;
  // Kind 1 one direction for all (the mean normal), kind 2 each end's own
  // normal; an end that bounds no face counts as facing +z.
  PointRecord mean{0, 0, 0};
  for (int i = 0; i < sourceLines.count; ++i) {
    MLine* line = At<MLine>(sourceLines, i);
    for (MVertex* v : {line->end0, line->end1}) {
      const PointRecord n = v->ComputeNormal();
      mean = {mean.x + n.x, mean.y + n.y, mean.z + n.z};
    }
  }
  OsUtilNormalize(mean);
  const int moved = TakeVisitStamp();
  for (int i = 0; i < copyLines.count; ++i) {
    MLine* line = At<MLine>(sourceLines, i);
    MLine* copy = At<MLine>(copyLines, i);
    for (auto [source, target] : {std::pair{line->end0, copy->end0}, std::pair{line->end1, copy->end1}}) {
      if (target->id == moved) continue;
      target->id = moved;
      const PointRecord n = kind == 1 ? mean : source->ComputeNormal();
      target->position = {target->position.x + n.x * distance, target->position.y + n.y * distance,
                          target->position.z + n.z * distance};
      if (target->flags & kVertexOnMirror) target->position.x = 0;
    }
  }
  JoinLinesToCopies(sourceLines, copyLines);
}

}  // namespace engine
