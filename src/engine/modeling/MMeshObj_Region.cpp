// Modelling: growing a region of vertices ring by ring from seed lines and
// vertices, with sharp lines as soft barriers; splitting a grown region
// into interior and frontier; the border of a vertex and line set; the
// rings and coincident lines around an element; marking chains of sharp
// lines; and whether a segment on a face crosses the lines drawn on it.
#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

// The cost of a side whose far end a sweep has already turned down: more
// than any angle, so the other side goes first.
constexpr double kBlockedCost = 10;
// A sweep on one side stops before it covers this share of the full angle.
constexpr double kOneSidedShare = 0.7;

bool Carries(const MVertex* v, int stamp) { return v->id == stamp; }
bool Unvisited(const MVertex* v, int p, int q) { return v->id != p && v->id != q; }

// The visible lines around v in cycle order; false when memory ran out.
bool CollectVisibleLines(const MVertex* v, PtrArray& out) {
  MLine* const start = v->GetFirstVisibleLine();
  if (start == nullptr) return true;
  MLine* line = start;
  int steps = 0;
  do {
    if (!Append(out, line)) return false;
    line = line->GetNextVisibleAround(v);
  } while (line != start && ++steps < MVertex::kRingLimit);
  return true;
}

// The far end's ring joins the region.
bool TakeRing(MVertex* w, int p, PtrArray& region) {
  w->SetRingIds(p);
  w->CollectRing(region);
  return !Failed();
}

}  // namespace

// ---- growing a region ------------------------------------------------------------------

double MMeshObj::AngleAtVertex(MVertex* v, MLine* a, MLine* b) {
  ENG_FATAL_IF(!a->HasEnd(v));
  ENG_FATAL_IF(!b->HasEnd(v));
  const double c = MUtilCosAngle(a->OtherEnd(v)->position, v->position, b->OtherEnd(v)->position);
  return std::acos(c < -1 ? -1 : c > 1 ? 1 : c);
}

void MMeshObj::AddNeighbourRings(MVertex* v, int p, int q, PtrArray& region) {
  if (Unvisited(v, p, q)) v->SetRingIds(p);
  MLine* const start = v->GetFirstVisibleLine();
  if (start == nullptr) return;
  MLine* line = start;
  int steps = 0;
  do {
    MVertex* w = line->OtherEnd(v);
    if (Unvisited(w, p, q) && !TakeRing(w, p, region)) return;
    line = line->GetNextVisibleAround(v);
  } while (line != start && ++steps < MVertex::kRingLimit);
}

void MMeshObj::GrowAtVertex(MVertex* v, int p, int q, PtrArray& region) {
  PtrArray around;
  if (!CollectVisibleLines(v, around) || around.count == 0) return;
  const int n = around.count;
  auto lineAt = [&](int i) { return At<MLine>(around, ((i % n) + n) % n); };
  auto far = [&](MLine* line) { return line->OtherEnd(v); };
  int sharpCount = 0, unvisited = 0;
  bool sharpBetweenRegion = false;
  MLine* start = nullptr;
  for (int i = 0; i < n; ++i) {
    MLine* line = lineAt(i);
    if (line->IsSharp()) {
      ++sharpCount;
      if (Carries(far(lineAt(i - 1)), p) && Carries(far(lineAt(i + 1)), p)) sharpBetweenRegion = true;
    } else if (Carries(far(line), p)) {
      start = line;
    }
    if (Unvisited(far(line), p, q)) ++unvisited;
  }
  if (unvisited == 0) return;
  if (sharpCount == 0 || start == nullptr || sharpBetweenRegion) return AddNeighbourRings(v, p, q, region);

  // The crease sweep: two fronts turn away from the region's side of v and
  // stop at sharp lines.
  double full = 0;
  for (int i = 0; i < n; ++i) full += AngleAtVertex(v, lineAt(i), lineAt(i + 1));
  MLine* back = start;
  MLine* front = start;
  double swept = 0;
  for (int steps = 0; steps < 4 * n + 4; ++steps) {
    MLine* backNext = back->GetPrevVisibleAround(v);
    MLine* frontNext = front->GetNextVisibleAround(v);
    MVertex* g = far(backNext);
    MVertex* f = far(frontNext);
    const bool backSharp = back->IsSharp(), frontSharp = front->IsSharp();
    if (!backSharp && Carries(g, p)) {
      swept += AngleAtVertex(v, backNext, back);
      back = backNext;
      continue;
    }
    if (backSharp && frontSharp) break;
    if (!frontSharp && Carries(f, p)) {
      swept += AngleAtVertex(v, frontNext, front);
      front = frontNext;
      continue;
    }
    if (!backSharp && !frontSharp) {
      if (Carries(g, q) && Carries(f, q)) break;
      const double backCost = Carries(g, q) ? kBlockedCost : AngleAtVertex(v, backNext, back);
      const double frontCost = Carries(f, q) ? kBlockedCost : AngleAtVertex(v, frontNext, front);
      if (frontCost <= backCost) {
        if (!TakeRing(f, p, region)) return;
        swept += frontCost;
        front = frontNext;
      } else {
        if (!TakeRing(g, p, region)) return;
        swept += backCost;
        back = backNext;
      }
      continue;
    }
    // One side open: it may turn on while the sweep stays below its share.
    MLine*& open = backSharp ? front : back;
    MLine* next = backSharp ? frontNext : backNext;
    const double widened = swept + AngleAtVertex(v, next, open);
    if (kOneSidedShare * full <= widened) break;
    if (!TakeRing(far(next), p, region)) return;
    swept = widened;
    open = next;
  }
  // Neighbours the sweep did not take are closed to later steps.
  for (int i = 0; i < n; ++i)
    if (!Carries(far(lineAt(i)), p)) far(lineAt(i))->SetRingIds(q);
}

void MMeshObj::GrowRegion(int rings, PtrArray& region, int& lastRingStart, const PtrArray* seedLines,
                          const PtrArray* seedVertices) {
  if (rings < 1) return Refuse();
  const int p = TakeVisitStamp();
  const int q = TakeVisitStamp();
  int k = region.count;
  lastRingStart = k;
  const int seedLineCount = seedLines == nullptr ? 0 : seedLines->count;
  const int seedVertexCount = seedVertices == nullptr ? 0 : seedVertices->count;
  for (int i = 0; i < seedLineCount; ++i) {
    MLine* line = At<MLine>(*seedLines, i);
    if (!Append(region, line->end0) || !Append(region, line->end1)) return;
  }
  for (int i = 0; i < seedVertexCount; ++i)
    if (!Append(region, (*seedVertices)[i])) return;
  for (int i = 0; i < region.count; ++i) At<MVertex>(region, i)->id = p;

  for (int i = 0; i < seedLineCount && !Failed(); ++i) {
    MLine* line = At<MLine>(*seedLines, i);
    AddNeighbourRings(line->end0, p, q, region);
    if (!Failed()) AddNeighbourRings(line->end1, p, q, region);
  }
  for (int i = 0; i < seedVertexCount && !Failed(); ++i) AddNeighbourRings(At<MVertex>(*seedVertices, i), p, q, region);
  if (Failed()) return;
  // Each further ring grows from what the ring before it added (the seeds
  // with the first ring, for the second).
  for (int ring = 2; ring <= rings; ++ring) {
    const int end = region.count;
    for (int i = k; i < end; ++i) {
      MVertex* v = At<MVertex>(region, i);
      GrowAtVertex(v, p, q, region);
      if (Failed()) return;
      v->id = p;
    }
    k = end;
  }
  lastRingStart = k;
}

// ---- interior and frontier -------------------------------------------------------------

void MMeshObj::ClassifyGrownRegion(const PtrArray& region, int lastRingStart, const PtrArray* seedLines,
                                   const PtrArray* seedVertices, PtrArray* interior, PtrArray* isolated,
                                   PtrArray* frontierLines) {
  const int s1 = TakeVisitStamp();
  const int s2 = TakeVisitStamp();
  const int s3 = TakeVisitStamp();
  for (int i = 0; i < region.count; ++i) At<MVertex>(region, i)->id = i < lastRingStart ? s2 : s3;
  if (seedLines != nullptr)
    for (int i = 0; i < seedLines->count; ++i) {
      MLine* line = At<MLine>(*seedLines, i);
      line->id = line->end0->id = line->end1->id = s1;
    }
  if (seedVertices != nullptr)
    for (int i = 0; i < seedVertices->count; ++i) At<MVertex>(*seedVertices, i)->id = s1;

  PtrArray frontier;
  for (int i = 0; i < region.count; ++i) {
    MVertex* v = At<MVertex>(region, i);
    if (v->id == s1) continue;
    if (v->id == s3) {
      if (!Append(frontier, v)) return;
      continue;
    }
    ENG_FATAL_IF(v->id != s2);
    int outside = 0, openSharp = 0;
    PtrArray around;
    if (!CollectVisibleLines(v, around)) return;
    for (int j = 0; j < around.count; ++j) {
      MLine* line = At<MLine>(around, j);
      if (line->OtherEnd(v)->id < s1) ++outside;
      if (line->IsSharp() && (line->forwardFace == nullptr) != (line->backwardFace == nullptr)) ++openSharp;
    }
    if (!Append(outside == 0 && openSharp == 0 ? interior : &frontier, v)) return;
  }

  const int s4 = TakeVisitStamp();
  for (int i = 0; i < frontier.count; ++i) At<MVertex>(frontier, i)->id = s4;
  PtrArray found;
  for (int i = 0; i < frontier.count; ++i) {
    MVertex* v = At<MVertex>(frontier, i);
    PtrArray around;
    if (!CollectVisibleLines(v, around)) return;
    for (int j = 0; j < around.count; ++j) {
      MLine* line = At<MLine>(around, j);
      if (line->id == s4 || line->OtherEnd(v)->id != s4) continue;
      line->id = s4;
      if (!Append(found, line) || !Append(frontierLines, line)) return;
    }
  }
  for (int i = 0; i < found.count; ++i) {
    MLine* line = At<MLine>(found, i);
    line->end0->id = line->end1->id = s3;
  }
  for (int i = 0; i < frontier.count; ++i)
    if (At<MVertex>(frontier, i)->id == s4 && !Append(isolated, frontier[i])) return;
}

void MMeshObj::FindSetBorder(const PtrArray& vertexList, const PtrArray& lineList, PtrArray* vertexOut,
                             PtrArray* lineOut, bool wholeSetWhenBorderless) {
  const int b = TakeVisitStamp();
  const int c = TakeVisitStamp();
  for (int i = 0; i < vertexList.count; ++i) At<MVertex>(vertexList, i)->id = b;
  for (int i = 0; i < lineList.count; ++i) At<MLine>(lineList, i)->id = b;
  PtrArray open;
  for (int i = 0; i < vertexList.count; ++i) {
    MVertex* v = At<MVertex>(vertexList, i);
    const bool leaves = !ForEachLineAround(v, [&](MLine* line) { return line->id == b; });
    if (!leaves) continue;
    v->id = c;
    if (!Append(open, v)) return;
  }
  PtrArray border;
  for (int i = 0; i < lineList.count; ++i) {
    MLine* line = At<MLine>(lineList, i);
    if (line->end0->id == c && line->end1->id == c && !Append(border, line)) return;
  }
  // The ends are stamped only once every border line is found: a shared end
  // must still read as open for the next line.
  const int a = TakeVisitStamp();
  int output = border.count;
  for (int i = 0; i < border.count; ++i) {
    MLine* line = At<MLine>(border, i);
    line->end0->id = line->end1->id = a;
    if (!Append(lineOut, line)) return;
  }
  for (int i = 0; i < open.count; ++i) {
    if (At<MVertex>(open, i)->id == a) continue;
    if (!Append(vertexOut, open[i])) return;
    ++output;
  }
  if (output == 0 && wholeSetWhenBorderless && (vertexList.count > 0 || lineList.count > 0)) {
    for (int i = 0; i < vertexList.count; ++i)
      if (!Append(vertexOut, vertexList[i])) return;
    for (int i = 0; i < lineList.count; ++i)
      if (!Append(lineOut, lineList[i])) return;
  }
}

// ---- elements around seeds -------------------------------------------------------------

void MMeshObj::CollectElementRings(MVertex* vertex, MLine* line, MFace* face, PtrArray* lineOut,
                                   PtrArray* vertexOut) {
  auto ring = [&](MVertex* v) {
    if (vertexOut != nullptr) v->CollectRing(*vertexOut);
    return !Failed();
  };
  auto coincident = [&](MLine* l) {
    if (lineOut == nullptr) return true;
    return CollectLineAndCoincident(l, *lineOut);
  };
  if (vertex != nullptr) {
    ring(vertex);
  } else if (line != nullptr) {
    if (ring(line->end0) && ring(line->end1)) coincident(line);
  } else if (face != nullptr) {
    MLine* edges[5];
    MVertex* corners[4];
    const int n = GetQuadCorners(face, nullptr, edges, corners, nullptr, nullptr, nullptr);
    for (int k = 0; k < n; ++k)
      if (!ring(corners[k])) return;
    for (int k = 0; k < n; ++k)
      if (!coincident(edges[k])) return;
    if (n == 4) coincident(edges[4]);
  }
}

void MMeshObj::CollectLinesWithin(const PtrArray& vertexList, PtrArray& out) {
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < vertexList.count; ++i) At<MVertex>(vertexList, i)->id = stamp;
  for (int i = 0; i < vertexList.count; ++i) {
    PtrArray around;
    if (!CollectVisibleLines(At<MVertex>(vertexList, i), around)) return;
    for (int j = 0; j < around.count; ++j) {
      MLine* line = At<MLine>(around, j);
      if (line->id == stamp) continue;
      line->id = stamp;
      if (line->end0->id == stamp && line->end1->id == stamp && !Append(out, line)) return;
    }
  }
}

// ---- sharp chains and line marks ---------------------------------------------------------

void MMeshObj::ClearLineFlag04() { ClearLineBits(lines, kLineCutMark); }

void MMeshObj::ClearLineFlag100() { ClearLineBits(lines, kLineNotSharp); }

void MMeshObj::SuppressSharpChain(int depth, int stamp, MVertex* v) {
  // The walk a recursion per line would make; the flag set on each line and
  // the depth bound it.
  struct Frame {
    MVertex* v;
    int depth;
    MLine* line;  // the line reached around v, null before the first
    bool done;
  };
  WorkStack<Frame> stack;
  if (!stack.Push({v, depth, nullptr, v->firstLine == nullptr})) return;
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
    MVertex* w = line->OtherEnd(at);
    if (w->id == stamp || !line->IsSharp()) continue;
    line->flags |= kLineNotSharp;
    if (frame.depth > 0 && !stack.Push({w, frame.depth - 1, nullptr, w->firstLine == nullptr})) return;
  }
}

void MMeshObj::SuppressSharpChainsFrom(int depth, PtrArray& vertexList) {
  const int stamp = TakeVisitStamp();
  for (int i = 0; i < vertexList.count; ++i) At<MVertex>(vertexList, i)->id = stamp;
  for (int i = 0; i < vertexList.count && !Failed(); ++i) SuppressSharpChain(depth, stamp, At<MVertex>(vertexList, i));
}

bool MMeshObj::SegmentCrossesAttachedLines(MFace* face, const PointRecord& a, const PointRecord& b,
                                           const MVertex* ignored) {
  if (face->fltabList == nullptr || face->fltabList->IsEmpty()) return false;
  double as = 0, at = 0, bs = 0, bt = 0;
  face->GetPointParams(a, as, at);
  face->GetPointParams(b, bs, bt);
  for (const MFltab* entry : *face->fltabList) {
    const MLine* line = entry->line;
    if (line == nullptr || line->HasEnd(ignored)) continue;
    double s = 0;
    if (LineIntersect2D({as, at}, {bs, bt}, {line->end0->faceS, line->end0->faceT},
                        {line->end1->faceS, line->end1->faceT}, 0, s))
      return true;
  }
  return false;
}

}  // namespace engine
