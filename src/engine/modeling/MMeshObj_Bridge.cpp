// Modelling: bridging two border lines with faces, welding them, and
// zipping two coincident border lines of a seam into one line.
#include <cmath>

#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"

namespace engine {
using namespace modeling;

namespace {

bool HasOneFace(const MLine* line) { return (line->forwardFace == nullptr) != (line->backwardFace == nullptr); }

double Length(const MLine* line) {
  const PointRecord a = line->end0->position, b = line->end1->position;
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

}  // namespace

void MMeshObj::BridgeLines(MLine* p, MLine* q, MLine** side0, MLine** side1, MLine** diagonal) {
  *side0 = *side1 = *diagonal = nullptr;
  // Only border lines can be bridged: each needs its free side.
  if (p == q || !HasOneFace(p) || !HasOneFace(q)) return Refuse();
  const bool pForward = p->forwardFace != nullptr;
  const bool qForward = q->forwardFace != nullptr;
  MVertex* const p0 = pForward ? p->end0 : p->end1;
  MVertex* const p1 = pForward ? p->end1 : p->end0;
  MVertex* const q0 = qForward ? q->end1 : q->end0;
  MVertex* const q1 = qForward ? q->end0 : q->end1;
  auto twoFaces = [](MVertex* a, MVertex* b) {
    MLine* l = a == b ? nullptr : a->FindLine(b);
    return l != nullptr && l->forwardFace != nullptr && l->backwardFace != nullptr;
  };
  if (twoFaces(p0, q0) || twoFaces(p1, q1)) return;
  if (p0 != q0 && p1 != q1 && (p0->FindLine(q1) != nullptr || p1->FindLine(q0) != nullptr)) return;
  if (p0 == q0 && p1 == q1) {
    // The same two vertices: the lines become one.
    if (!p->AbsorbParallel(q)) Refuse();
    return;
  }
  MShader* shader = GetNewFaceShader();
  if (shader == nullptr) return;
  if (p0 == q0) {
    if (AddFace(p1, p0, q1, shader) == nullptr) return;
    *side1 = p1->FindLine(q1);
  } else if (p1 == q1) {
    if (AddFace(q0, p1, p0, shader) == nullptr) return;
    *side0 = p0->FindLine(q0);
  } else {
    if (AddFace(p1, p0, q1, shader) == nullptr || AddFace(p0, q0, q1, shader) == nullptr) return;
    *side0 = p0->FindLine(q0);
    *side1 = p1->FindLine(q1);
    *diagonal = p0->FindLine(q1);
  }
}

void MMeshObj::BridgeLinesAndCollapse(MLine* p, MLine* q, int mode) {
  SaveEditState();
  MVertex* const ends[4] = {p->end0, p->end1, q->end0, q->end1};
  int onPlane = 0;
  for (MVertex* v : ends) {
    if (!Failed()) SaveRingNeighbourhood(v);
    onPlane += (v->flags & kVertexOnMirror) != 0;
  }
  if (Failed() || onPlane > 2) return;
  const double bridged = Length(p) + Length(q);
  MLine *side0, *side1, *diagonal;
  BridgeLines(p, q, &side0, &side1, &diagonal);
  if (AnyFailure() || (side0 == nullptr && side1 == nullptr) || mode == 2) return;
  bool collapsed = false;
  for (MLine* side : {side0, side1}) {
    if (side == nullptr || !MItemIsLive(side) || Failed()) continue;
    if (mode == 1 || Length(side) < 0.05 * bridged) {
      SaveLineNeighbourhood(side);
      collapsed = CollapseLine(side, nullptr, nullptr, nullptr, nullptr) || collapsed;
    }
  }
  if (!collapsed && diagonal != nullptr && MItemIsLive(diagonal) && !Failed()) {
    diagonal->SaveUndo();
    diagonal->flags |= kLineHiddenDiagonal;
  }
}

void MMeshObj::WeldLines(MLine* p, MLine* q) {
  SaveEditState();
  for (MVertex* v : {p->end0, p->end1, q->end0, q->end1})
    if (!Failed()) SaveRingNeighbourhood(v);
  if (Failed()) return;
  p->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
  q->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
  MLine *side0, *side1, *diagonal;
  BridgeLines(p, q, &side0, &side1, &diagonal);
  for (MLine* side : {side0, side1})
    if (side != nullptr && MItemIsLive(side) && !AnyFailure()) {
      SaveLineNeighbourhood(side);
      CollapseLine(side, nullptr, nullptr, nullptr, nullptr);
    }
}

void MMeshObj::ZipBorderLines(MLine* a, MLine* b, MVertex*, MVertex*) {
  SaveEditState();
  SaveLineNeighbourhood(a);
  if (!Failed()) SaveLineNeighbourhood(b);
  if (Failed()) return;
  a->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
  b->flags &= ~static_cast<std::uint32_t>(kLineHiddenDiagonal);
  MLine *side0, *side1, *diagonal;
  BridgeLines(a, b, &side0, &side1, &diagonal);
  // The short lines left between the end rings collapse; the bridge's faces
  // go with them and the two lines become one.
  for (MLine* side : {side0, side1}) {
    if (side == nullptr || !MItemIsLive(side) || AnyFailure()) continue;
    SaveLineNeighbourhood(side);
    if (!Failed()) CollapseOneLine(side, nullptr, nullptr, nullptr, nullptr);
  }
}

}  // namespace engine
