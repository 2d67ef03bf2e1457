// Modelling: selection walks (edge loops, quad rings, widths, silhouettes),
// closed loops in line nets, line nets turned into trees pointing away from
// a root, and tidying hidden quad diagonals.
#include <algorithm>
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

bool Visible(const MLine* line) { return (line->flags & kLineHiddenDiagonal) == 0; }
bool HasTwoFaces(const MLine* line) { return line->forwardFace != nullptr && line->backwardFace != nullptr; }

// The selection made consistent after a walk changed it.
void FinishSelection(MMeshObj& mesh) {
  mesh.SyncDiagonalSelection();
  mesh.PropagateLineSelection();
  mesh.PropagateRingSelection();
  mesh.InvalidateSelectionCache();
}

}  // namespace

// ---- selections ---------------------------------------------------------------------------

void MMeshObj::InvertSelectionAll() {
  for (MVertex* v : vertices) v->flags ^= kVertexSelected;
  for (MLine* line : lines) line->flags ^= kLineSelected;
  FinishSelection(*this);
}

void MMeshObj::SelectLinesByWidth(double a, double b) {
  const int low = static_cast<int>(a);
  const int high = std::max(low, static_cast<int>(b));
  PtrArray lineList;
  for (MLine* line : lines) {
    const int w = line->GetWidth();
    if (w >= low && w <= high && !Append(lineList, line)) return;
  }
  SelectLists(nullptr, &lineList, nullptr);
}

void MMeshObj::SelectSilhouetteLines() {
  ClearSelection();
  PtrArray lineList;
  for (MLine* line : lines)
    if (HasTwoFaces(line) &&
        line->forwardFace->GetScreenOrientation() != line->backwardFace->GetScreenOrientation() &&
        !Append(lineList, line))
      return;
  SelectLists(nullptr, &lineList, nullptr);
}

// ---- edge loops and quad rings ---------------------------------------------------------------

void MMeshObj::WalkEdgeLoop(int stamp, MLine* p, MVertex* o) {
  for (int steps = 0; p != nullptr && steps < lines.count + 1; ++steps) {
    MVertex* r = p->OtherEnd(o);
    if (p->id == stamp && r->id == stamp) return;
    p->id = r->id = stamp;
    p->flags |= kLineSelected;
    const bool sharp = p->IsSharp();
    int smoothCount = 0, sharpCount = 0;
    bool border = false;
    ForEachLineAround(r, [&](MLine* line) {
      if (!Visible(line)) return;
      (line->IsSharp() ? sharpCount : smoothCount)++;
      if (!HasTwoFaces(line)) border = true;
    });
    if (HasTwoFaces(p) && border) return;
    if ((!sharp && smoothCount <= 1) || (sharp && sharpCount < 2)) return;
    MLine* next = nullptr;
    if ((!sharp && smoothCount == 2) || (sharp && sharpCount == 2)) {
      // A chain: the one other line of the kind.
      ForEachLineAround(r, [&](MLine* line) {
        if (line != p && Visible(line) && line->IsSharp() == sharp) next = line;
      });
    } else {
      // The straightest line of the kind onwards, turning by less than a
      // right angle.
      double best = 0.001;
      ForEachLineAround(r, [&](MLine* line) {
        if (line == p || !Visible(line) || line->IsSharp() != sharp) return;
        const double c = SegmentTurnCos(o->position, r->position, line->OtherEnd(r)->position);
        if (c > best) {
          best = c;
          next = line;
        }
      });
    }
    o = r;
    p = next;
  }
}

void MMeshObj::WalkQuadRing(int stamp, MLine* start) {
  // The walk a recursion into each quad beside the line would make.
  struct Frame {
    MLine* line;
    int side;  // 0 the forward face next, 1 the backward face, 2 done
  };
  WorkStack<Frame> stack;
  auto visit = [&](MLine* line) {
    if (line->id == stamp) return true;
    line->id = stamp;
    line->flags |= kLineSelected;
    return stack.Push({line, 0});
  };
  if (!visit(start)) return;
  while (!stack.Empty()) {
    Frame& frame = stack.Top();
    if (frame.side == 2) {
      stack.Pop();
      continue;
    }
    MLine* const line = frame.line;
    MFace* face = frame.side++ == 0 ? line->forwardFace : line->backwardFace;
    if (face == nullptr) continue;
    MLine* sides[5];
    MVertex* corners[4];
    if (GetQuadCorners(face, nullptr, sides, corners, nullptr, nullptr, nullptr) != 4) continue;
    for (int j = 0; j < 4; ++j)
      if (sides[j] == line) {
        if (!visit(sides[(j + 2) % 4])) return;
        break;
      }
  }
}

void MMeshObj::ExtendLineSelection(int mode) {
  const int stamp = TakeVisitStamp();
  PtrArray selected;
  for (MLine* line : lines)
    if ((line->flags & kLineSelected) && !Append(selected, line)) return;
  for (int i = 0; i < selected.count && !Failed(); ++i) {
    MLine* line = At<MLine>(selected, i);
    if (mode >= 10) {
      WalkEdgeLoop(stamp, line, line->end0);
      WalkEdgeLoop(stamp, line, line->end1);
    } else {
      WalkQuadRing(stamp, line);
    }
  }
  if (mode >= 10)
    for (MVertex* v : vertices) {
      if (!(v->flags & kVertexSelected) || v->id == stamp || v->firstLine == nullptr) continue;
      if (!ForEachLineAround(v, [](MLine* line) { return !(line->flags & kLineSelected); })) continue;
      ForEachLineAround(v, [](MLine* line) { line->flags |= kLineSelected; });
    }
  FinishSelection(*this);
}

// ---- closed loops and line trees -------------------------------------------------------------

bool MMeshObj::HasCycleFrom(int stamp, MVertex* v, MLine* arrival) {
  // The depth-first walk of a recursion into each line's far end.
  struct Frame {
    MVertex* v;
    MLine* arrival;
    MLine* line;  // the line reached around v, null before the first
    bool done;
  };
  WorkStack<Frame> stack;
  auto enter = [&](MVertex* at, MLine* by) {
    at->id = stamp;
    return stack.Push({at, by, nullptr, at->firstLine == nullptr});
  };
  if (!enter(v, arrival)) return false;
  while (!stack.Empty()) {
    Frame& frame = stack.Top();
    if (frame.done) {
      stack.Pop();
      continue;
    }
    MVertex* const at = frame.v;
    frame.line = frame.line == nullptr ? at->firstLine : frame.line->GetNextAround(at);
    MLine* const line = frame.line;
    if (line->GetNextAround(at) == at->firstLine) frame.done = true;
    if (line == frame.arrival) continue;
    if (line->id == stamp) return true;
    line->id = stamp;
    if (!enter(line->OtherEnd(at), line)) return false;
  }
  return false;
}

bool MMeshObj::HasLineCycle() {
  const int stamp = TakeVisitStamp();
  for (MVertex* v : vertices)
    if (v->id != stamp && HasCycleFrom(stamp, v, nullptr)) return true;
  return false;
}

namespace {

// Breadth-first levels from the root over unstamped vertices; every vertex
// met gets the stamp. -1 when memory ran out.
int CountLevels(MVertex* root, int stamp) {
  PtrArray queue;
  EngArray<int> level;
  root->id = stamp;
  if (!queue.Add(root) || !level.Add(0)) return -1;
  int deepest = 0;
  for (int head = 0; head < queue.count; ++head) {
    MVertex* v = At<MVertex>(queue, head);
    const int here = level[head];
    deepest = std::max(deepest, here);
    bool ok = ForEachLineAround(v, [&](MLine* line) {
      MVertex* far = line->OtherEnd(v);
      if (far->id == stamp) return true;
      far->id = stamp;
      return queue.Add(far) && level.Add(here + 1);
    });
    if (!ok) return -1;
  }
  return deepest;
}

}  // namespace

void MMeshObj::OrientLinesFrom(MVertex* root) {
  SaveEditState();
  const int stamp = TakeVisitStamp();
  PtrArray queue;
  root->SaveUndo();
  if (Failed()) return;
  root->id = stamp;
  if (!Append(queue, root)) return;
  for (int head = 0; head < queue.count; ++head) {
    MVertex* v = At<MVertex>(queue, head);
    v->flags &= ~static_cast<std::uint32_t>(kVertexRootJoint);
    const bool ok = ForEachLineAround(v, [&](MLine* line) {
      MVertex* far = line->OtherEnd(v);
      if (far->id == stamp) return true;
      if (line->end1 == v) {
        line->SaveUndo();
        if (Failed()) return false;
        line->Reverse();
      }
      far->SaveUndo();
      if (Failed()) return false;
      far->id = stamp;
      return Append(queue, far);
    });
    if (!ok) return;
  }
  root->flags |= kVertexRootJoint;
}

void MMeshObj::OrientLineTrees() {
  // The parts one after another in `all`, each from its index in `starts`.
  EngArray<int> starts;
  PtrArray all;
  NextVisitStamp();
  const int partStamp = GetVisitStamp();
  for (MVertex* v : vertices) {
    if (v->id == partStamp) continue;
    if (!starts.Add(all.count)) return EngRecordFailure(kEngReasonOutOfMemory);
    GatherPartAt(v, &all, nullptr, nullptr);
    if (Failed()) return;
  }
  NextVisitStamp();
  for (int p = 0; p < starts.count && !Failed(); ++p) {
    const int begin = starts[p], end = p + 1 < starts.count ? starts[p + 1] : all.count;
    MVertex* root = nullptr;
    for (int i = begin; i < end && root == nullptr; ++i)
      if (At<MVertex>(all, i)->flags & kVertexRootJoint) root = At<MVertex>(all, i);
    if (root == nullptr) {
      // The most central vertex: the fewest breadth-first levels.
      int best = 300000;
      for (int i = begin; i < end; ++i) {
        const int levels = CountLevels(At<MVertex>(all, i), TakeVisitStamp());
        if (levels < 0) return EngRecordFailure(kEngReasonOutOfMemory);
        if (levels < best) {
          best = levels;
          root = At<MVertex>(all, i);
        }
      }
    }
    if (root != nullptr) OrientLinesFrom(root);
  }
}

// ---- hidden diagonals -------------------------------------------------------------------------

bool MMeshObj::UnhideBentDiagonal(MLine* p, MVertex* o) {
  MLine* a = p->GetNextAround(o);
  MLine* b = p->GetPrevAround(o);
  PointRecord da = a->OtherEnd(o)->position, db = b->OtherEnd(o)->position;
  da = {da.x - o->position.x, da.y - o->position.y, da.z - o->position.z};
  db = {db.x - o->position.x, db.y - o->position.y, db.z - o->position.z};
  const double la = da.x * da.x + da.y * da.y + da.z * da.z;
  const double lb = db.x * db.x + db.y * db.y + db.z * db.z;
  const double dot = da.x * db.x + da.y * db.y + da.z * db.z;
  MLine* twoAfter = a->GetNextAround(o);
  MLine* twoBefore = b->GetPrevAround(o);
  // Either neighbour of no length counts alike: both are tested against the
  // same bound.
  const bool bent = la < 1e-16 || lb < 1e-16 || dot * dot / (la * lb) > 0.97 ||
                    (twoAfter == twoBefore && (twoAfter->flags & kLineHiddenDiagonal));
  if (!bent) return false;
  p->SaveUndo();
  if (Failed()) return false;
  p->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
  return true;
}

void MMeshObj::UnhideBentDiagonalsAll() {
  SaveEditState();
  PtrArray hidden;
  for (MLine* line : lines)
    if ((line->flags & kLineHiddenDiagonal) && !Append(hidden, line)) return;
  for (int i = 0; i < hidden.count && !Failed(); ++i) {
    MLine* line = At<MLine>(hidden, i);
    for (MVertex* end : {line->end0, line->end1}) {
      PtrArray around;
      end->CollectLines(around);
      for (int j = 0; j < around.count && !Failed(); ++j) {
        MLine* other = At<MLine>(around, j);
        if (other->flags & kLineHiddenDiagonal) UnhideBentDiagonal(other, end);
      }
    }
  }
}

void MMeshObj::FlipMirrorPlaneDiagonals() {
  SaveEditState();
  PtrArray wrong;
  for (MLine* line : lines) {
    if (!(line->flags & kLineHiddenDiagonal) || !line->IsOnMirrorPlane() || !HasTwoFaces(line)) continue;
    if (line->forwardFace->AllCornersOnMirror() != line->backwardFace->AllCornersOnMirror() &&
        !Append(wrong, line))
      return;
  }
  for (int i = 0; i < wrong.count && !Failed(); ++i) {
    MLine* line = At<MLine>(wrong, i);
    if (IsRemoved(line)) continue;
    SaveLineEndsStar(line);
    if (Failed()) return;
    // The quad keeps its two triangles: the turned line is its diagonal.
    if (MLine* turned = FlipLine(line)) turned->flags |= kLineHiddenDiagonal;
  }
}

// ---- queries ------------------------------------------------------------------------------------

bool MMeshObj::HasOpenOrSeamLine(bool allLines) {
  for (MLine* line : lines) {
    if (!allLines && !(line->flags & kLineSelected)) continue;
    if (!HasTwoFaces(line) || line->HasCoincidentLine()) return true;
  }
  return false;
}

void MMeshObj::CollectVisibleFacesOfShader(MShader* shader, PtrArray& out) {
  for (MFace* face : faces)
    if (!(face->flags & kFaceHidden) && face->shader != nullptr && face->shader->IsEqual(*shader, false) &&
        !Append(out, face))
      return;
}

void MMeshObj::CollectRingRepresentatives(PtrArray& out) {
  const int stamp = TakeVisitStamp();
  for (MVertex* v : vertices) {
    if (v->id == stamp) continue;
    v->SetRingIds(stamp);
    if (!Append(out, v)) return;
  }
}

}  // namespace engine
