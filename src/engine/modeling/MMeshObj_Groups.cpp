// Modelling: element groups (trees of groups, merging, ungrouping, members,
// clean-up), the stamp spread over lines drawn on faces, removing drawn
// lines and loose vertices, and the centre of the selection.
#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

bool AddOnce(PtrArray& list, void* element) {
  for (int i = 0; i < list.count; ++i)
    if (list[i] == element) return true;
  return Append(list, element);
}

// The three groups a selected line brings: its own and its ends'.
void LineGroups(const MLine* line, MGroup* out[3]) {
  out[0] = line->group;
  out[1] = line->end0->group;
  out[2] = line->end1->group;
}

}  // namespace

void MMeshObj::CollectGroupTree(MGroup* group, PtrArray* out) {
  const int s = GetVisitStamp();
  for (MGroup* g = group; g != nullptr; g = g->parent) {
    if (g->id == s) break;
    g->id = s;
    if (!Append(out, g)) return;
  }
  for (MGroup* start : groups) {
    for (MGroup* g = start; g != nullptr; g = g->parent) {
      if (g->id != s) continue;
      if (start->id != s) {
        start->id = s;
        if (!Append(out, start)) return;
      }
      break;
    }
  }
}

void MMeshObj::MarkGroupTree(MGroup* group, int value) {
  NextVisitStamp();
  PtrArray tree;
  CollectGroupTree(group, &tree);
  NextVisitStamp();
  for (int i = 0; i < tree.count; ++i) At<MGroup>(tree, i)->workMark = value;
}

void MMeshObj::SetAllGroupMarks(int value) {
  for (MGroup* g : groups) g->workMark = value;
}

MGroup* MMeshObj::ParentGroups(MGroup* target, const PtrArray& groupList) {
  if (target == nullptr && (target = AddGroup()) == nullptr) return nullptr;
  for (int i = 0; i < groupList.count; ++i) {
    MGroup* g = At<MGroup>(groupList, i);
    if (g == target) continue;  // a group never becomes its own parent
    g->SaveUndo();
    if (Failed()) return nullptr;
    g->parent = target;
  }
  return target;
}

MGroup* MMeshObj::NewGroupForUngrouped(const PtrArray* vertexList, const PtrArray* lineList) {
  MGroup* g = AddGroup();
  if (g == nullptr) return nullptr;
  for (int i = 0; lineList != nullptr && i < lineList->count; ++i) {
    MLine* line = At<MLine>(*lineList, i);
    if (line->group == nullptr) line->group = g;
    if (line->end0->group == nullptr) line->end0->group = g;
    if (line->end1->group == nullptr) line->end1->group = g;
  }
  for (int i = 0; vertexList != nullptr && i < vertexList->count; ++i) {
    MVertex* v = At<MVertex>(*vertexList, i);
    if (v->group == nullptr) v->group = g;
  }
  return g;
}

void MMeshObj::DissolveGroup(MGroup* group) {
  for (MGroup* g : groups) {
    if (g->parent != group) continue;
    g->SaveUndo();
    if (Failed()) return;
    g->parent = nullptr;
  }
  group->SaveUndo();
  if (!Failed()) group->Remove();
}

void MMeshObj::ClearGroupFromElements(MGroup* group) {
  for (MLine* line : lines) {
    if (line->group != group) continue;
    line->SaveUndo();
    if (Failed()) return;
    line->group = nullptr;
  }
  for (MVertex* v : vertices) {
    if (v->group != group) continue;
    v->SaveUndo();
    if (Failed()) return;
    v->group = nullptr;
  }
}

void MMeshObj::MergeRootGroups() {
  SaveEditState();
  PtrArray faceList, lineList, roots;
  GatherSelected(3, &faceList, &lineList, nullptr);
  if (Failed()) return;
  int ungrouped = 0;
  for (int i = 0; i < lineList.count; ++i) {
    MGroup* three[3];
    LineGroups(At<MLine>(lineList, i), three);
    for (MGroup* g : three) {
      if (g == nullptr)
        ++ungrouped;
      else if (!AddOnce(roots, g->GetRoot()))
        return;
    }
  }
  SaveEditState();
  MGroup* target = nullptr;
  if (ungrouped > 0) {
    // The lines and ends that get the new group are saved first.
    for (int i = 0; i < lineList.count && !Failed(); ++i) {
      MLine* line = At<MLine>(lineList, i);
      line->SaveUndo();
      line->end0->SaveUndo();
      line->end1->SaveUndo();
    }
    if (Failed() || (target = NewGroupForUngrouped(nullptr, &lineList)) == nullptr) return;
  }
  if (roots.count > 1 || (roots.count >= 1 && target != nullptr)) ParentGroups(target, roots);
}

void MMeshObj::UngroupSelected(unsigned char& dissolved) {
  dissolved = 0;
  SaveEditState();
  PtrArray faceList, lineList, roots;
  GatherSelected(3, &faceList, &lineList, nullptr);
  if (Failed()) return;
  SaveEditState();
  for (int i = 0; i < lineList.count; ++i) {
    MGroup* three[3];
    LineGroups(At<MLine>(lineList, i), three);
    for (MGroup* g : three) {
      if (g == nullptr) continue;
      MGroup* root = g->GetRoot();
      bool listed = false;
      for (int r = 0; r < roots.count; ++r) listed = listed || roots[r] == root;
      if (listed) continue;
      ClearGroupFromElements(root);
      if (Failed() || !Append(roots, root)) return;
    }
  }
  for (int r = 0; r < roots.count; ++r) {
    DissolveGroup(At<MGroup>(roots, r));
    if (Failed()) return;
    dissolved = 1;
  }
  RemoveUnusedGroups();
}

void MMeshObj::RemoveUnusedGroups() {
  SaveEditState();
  const int s = TakeVisitStamp();
  auto stampChain = [s](MGroup* g) {
    for (; g != nullptr && g->id != s; g = g->parent) g->id = s;
  };
  for (MLine* line : lines) stampChain(line->group);
  for (MVertex* v : vertices) stampChain(v->group);
  PtrArray unused;
  for (MGroup* g : groups)
    if (g->id != s && !Append(unused, g)) return;
  for (int i = 0; i < unused.count; ++i) {
    MGroup* g = At<MGroup>(unused, i);
    g->SaveUndo();
    if (Failed()) return;
    g->Remove();
  }
}

void MMeshObj::CollectGroupMembers(MGroup* group, PtrArray* faceList, PtrArray* lineList, PtrArray* vertexList) {
  const int s = TakeVisitStamp();
  MarkGroupTree(group, 1);
  auto marked = [](const MGroup* g) { return g != nullptr && g->workMark != 0; };
  if (vertexList != nullptr)
    for (MVertex* v : vertices) {
      if (!marked(v->group) || v->firstLine == nullptr || v->id == s) continue;
      v->CollectRing(*vertexList);
      if (Failed()) break;
      v->SetRingIds(s);
    }
  if (lineList != nullptr && !Failed())
    for (MLine* line : lines)
      if (marked(line->group) && !Append(lineList, line)) break;
  if (faceList != nullptr && !Failed())
    for (MFace* face : faces) {
      MLine* edges[3];
      face->GetLines(edges);
      if (marked(edges[0]->group) && marked(edges[1]->group) && marked(edges[2]->group) && !Append(faceList, face))
        break;
    }
  SetAllGroupMarks(0);
}

// ---- the stamp spread over lines drawn on faces -----------------------------------
//
// The three steps call each other once per junction and mesh vertex; they
// run here as tasks on one heap stack. A task pushed later runs first, so
// a step that "continues with A, then with B" pushes B, then A.

namespace {

enum class StampTask { kFrom, kThrough, kAlong };
struct StampFrame {
  StampTask task;
  MVertex* v;
  MLine* line;
};

}  // namespace

namespace {

void SpreadStamp(const StampFrame& start, int stamp) {
  WorkStack<StampFrame> stack;
  if (!stack.Push(start)) return;
  while (!stack.Empty() && !Failed()) {
    const StampFrame frame = stack.Top();
    stack.Pop();
    MVertex* const at = frame.v;
    switch (frame.task) {
      case StampTask::kFrom: {
        MLine* l1 = at->firstLine;
        if (l1 == nullptr) break;
        MLine* l2 = l1->GetNextAround(at);
        // The first line's curve first, then (when it is still unstamped
        // by then) the second's.
        if (l2 != l1 && !stack.Push({StampTask::kAlong, at, l2})) return;
        if (!stack.Push({StampTask::kAlong, at, l1})) return;
        break;
      }
      case StampTask::kThrough: {
        MLine* const m = frame.line;
        m->id = stamp;
        if (m->forwardFace != nullptr) m->forwardFace->id = stamp;
        if (m->backwardFace != nullptr) m->backwardFace->id = stamp;
        if (at->id >= stamp) break;
        at->id = stamp;
        // Every other line around the vertex, in walk order.
        PtrArray others;
        ForEachLineAround(at, [&](MLine* k) { return k == m || Append(others, k); });
        for (int i = others.count - 1; i >= 0; --i) {
          MLine* k = At<MLine>(others, i);
          MVertex *first, *last;
          k->GetOnLineVertexRange(first, last);
          MVertex* nearest = k->end0 == at ? first : last;
          const bool pushed = nearest != nullptr ? stack.Push({StampTask::kFrom, nearest, nullptr})
                                                 : stack.Push({StampTask::kThrough, k->OtherEnd(at), k});
          if (!pushed) return;
        }
        break;
      }
      case StampTask::kAlong: {
        MLine* line = frame.line;
        if (line->id >= stamp) break;  // stamped meanwhile by an earlier branch
        if (line->fltabEntry != nullptr && line->fltabEntry->face != nullptr) line->fltabEntry->face->id = stamp;
        MVertex* cur = at;
        MVertex* junction = nullptr;
        MLine* reachedBy = line;
        if (cur->onLine != nullptr && cur->id < stamp) junction = cur;
        while (junction == nullptr) {
          line->id = stamp;
          MVertex* w = line->OtherEnd(cur);
          if (w->onLine != nullptr && w->id < stamp) {
            junction = w;
            reachedBy = line;
            break;
          }
          MLine* n = cur == line->end0 ? line->nextAround1 : line->nextAround0;
          if (n == line || n->id >= stamp) break;
          cur = w;
          line = n;
        }
        if (junction == nullptr) break;
        // The junction: W lies on the mesh line M.
        MLine* const l = reachedBy;
        MVertex* const w = junction;
        MLine* const m = w->onLine;
        MLine* const n = w == l->end0 ? l->nextAround0 : l->nextAround1;
        w->id = stamp;
        m->id = stamp;
        const MFace* lFace = l->fltabEntry != nullptr ? l->fltabEntry->face : nullptr;
        const int sign = (l->pairValue == 1 ? -1 : 1) * (w == l->end0 ? -1 : 1) * (m->forwardFace == lFace ? -1 : 1);
        MVertex* following = sign >= 0 ? m->GetNextOnLineVertex(w) : m->GetPrevOnLineVertex(w);
        const bool pushed = following != nullptr
                                ? stack.Push({StampTask::kFrom, following, nullptr})
                                : stack.Push({StampTask::kThrough, sign >= 0 ? m->end1 : m->end0, m});
        if (!pushed) return;
        if (n->id < stamp && !stack.Push({StampTask::kAlong, w, n})) return;
        break;
      }
    }
  }
}

}  // namespace

void MMeshObj::StampLinesFrom(MVertex* v, int stamp) { SpreadStamp({StampTask::kFrom, v, nullptr}, stamp); }

void MMeshObj::StampThroughMeshVertex(MVertex* v, MLine* meshLine, int stamp) {
  SpreadStamp({StampTask::kThrough, v, meshLine}, stamp);
}

void MMeshObj::StampAlongCurve(MVertex* v, MLine* line, int stamp) {
  SpreadStamp({StampTask::kAlong, v, line}, stamp);
}

// ---- lined faces, loose items, the selection's centre ---------------------------------

void MMeshObj::CheckpointLinedFaces() {
  SaveEditState();
  PtrArray lined, grown;
  for (MFace* face : faces)
    if (face->CountFltabs() > 0 && !Append(lined, face)) return;
  GrowFaceList(lined, grown);
  if (!Failed()) ApplyToListVertices(&grown, nullptr, nullptr);
}

void MMeshObj::RemoveUnusedItems() {
  for (MLine* line = lines.First(); line != nullptr;) {
    MLine* following = line->Next();
    if (line->fltabEntry != nullptr && line->state < 10) line->Remove(2);
    line = following;
  }
  for (MVertex* v = vertices.First(); v != nullptr;) {
    MVertex* following = v->Next();
    if (v->firstLine == nullptr && v->state < 10) v->Remove();
    v = following;
  }
}

PointRecord& MMeshObj::GetSelectionCentre(PointRecord& out) {
  out = {0, 0, 0};
  TakeVisitStamp();
  PointArray points;
  for (const MVertex* v : vertices)
    if ((v->flags & kVertexSelected) && !points.Add(v->position)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return out;
    }
  if (points.count == 0) return out;
  BoundsRecord box;
  MUtilBoxOfPoints(points.count, &points[0], box);
  out = {(box.minX + box.maxX) * 0.5, (box.minY + box.maxY) * 0.5, (box.minZ + box.maxZ) * 0.5};
  return out;
}

}  // namespace engine
