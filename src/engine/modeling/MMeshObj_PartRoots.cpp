// Modelling: the root marks of line nets. A figure's skeleton is turned to
// run away from the root of each of its pieces, so every piece needs
// exactly one vertex carrying the root flag.
#include <algorithm>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

// The depth of a breadth-first walk over lines from `root` (the vertices
// met get the stamp); -1 when memory ran out.
int WalkDepth(MVertex* root, int stamp, PtrArray& queue, EngArray<int>& depths) {
  queue.RemoveAll();
  depths.RemoveAll();
  root->id = stamp;
  if (!Append(queue, root) || !depths.Add(0)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return -1;
  }
  int deepest = 0;
  for (int head = 0; head < queue.count; ++head) {
    auto* v = At<MVertex>(queue, head);
    const int depth = depths[head];
    deepest = std::max(deepest, depth);
    const bool ok = ForEachLineAround(v, [&](MLine* line) {
      MVertex* other = line->OtherEnd(v);
      if (other->id == stamp) return true;
      other->id = stamp;
      if (!depths.Add(depth + 1)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return false;
      }
      return Append(queue, other);
    });
    if (!ok) return -1;
  }
  return deepest;
}

// Gives the vertex the root mark (on) or takes it away, saved first.
void MarkRoot(MVertex* v, bool on) {
  if (((v->flags & kVertexRootJoint) != 0) == on) return;
  v->SaveUndo();
  if (Failed()) return;
  if (on)
    v->flags |= kVertexRootJoint;
  else
    v->flags &= ~kVertexRootJoint;
}

}  // namespace

void MMeshObj::SetPartRoot(MVertex* v) {
  SaveEditState();
  PtrArray part;
  GatherLinkedAt(v, &part, nullptr, nullptr);
  if (Failed()) return;
  for (int i = 0; i < part.count && !Failed(); ++i) MarkRoot(At<MVertex>(part, i), At<MVertex>(part, i) == v);
  if (part.count == 0) MarkRoot(v, true);
}

void MMeshObj::EnsurePartRoots() {
  SaveEditState();
  const int done = TakeVisitStamp();
  PtrArray part, queue;
  EngArray<int> depths;
  for (MVertex* start : vertices) {
    if (start->id == done) continue;
    part.RemoveAll();
    TakeVisitStamp();  // the gathering stamps with the stamp after it
    GatherLinkedAt(start, &part, nullptr, nullptr);
    if (Failed()) return;
    bool hasRoot = false;
    for (int i = 0; i < part.count; ++i) hasRoot = hasRoot || (At<MVertex>(part, i)->flags & kVertexRootJoint) != 0;
    MVertex* root = nullptr;
    if (!hasRoot) {
      int best = -1;
      for (int i = 0; i < part.count; ++i) {
        const int depth = WalkDepth(At<MVertex>(part, i), TakeVisitStamp(), queue, depths);
        if (depth < 0) return;
        if (best < 0 || depth < best) {
          best = depth;
          root = At<MVertex>(part, i);
        }
      }
    }
    // The walks above re-stamp the part: mark it done only now.
    for (int i = 0; i < part.count; ++i) At<MVertex>(part, i)->id = done;
    if (root != nullptr) MarkRoot(root, true);
    if (Failed()) return;
  }
}

}  // namespace engine
