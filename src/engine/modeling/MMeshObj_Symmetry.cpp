// Modelling: mirror partners and depth from a symmetric drawing. A flat
// drawing in the x-y plane has its vertices paired across its axis of
// symmetry (by hand, along chains or by the automatic search); the pairs
// are lifted into 3D as a symmetric object seen from the side angle, and
// the lines crossing the plane x = 0 are split there so that one half
// remains in mirror mode.
#include <cmath>
#include <numbers>

#include "engine/core/CRGlobalM.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MeshWalk.h"
#include "engine/modeling/ModelingSupport.h"
#include "engine/modeling/SymmetryMatch.h"

namespace engine {
using namespace modeling;

namespace {

// From this many paired vertices on, the measured direction is trusted.
constexpr int kTrustedPairedCount = 8;

bool HasOtherPartner(const MVertex* v) { return v->mirrorPartner != nullptr && v->mirrorPartner != v; }

// The angle the drawing is taken to be seen from: 45 degrees at the middle
// of the setting, on the other side when that is chosen. The store keeps
// the setting (with the scene) as its step size and step count.
double SideViewAngle() {
  const CRGlobalM& store = EngGlobalM();
  const double t = (0.6 * store.stepSize + 0.2) * std::numbers::pi / 2;
  return store.stepCount != 0 ? -t : t;
}

}  // namespace

// ---- partners, copies, measuring ---------------------------------------------------------------

void MMeshObj::ClearMirrorPartners(int flag) {
  for (MVertex* v : vertices) {
    if (v->mirrorPartner == nullptr) continue;
    if (flag == 1 && v->mirrorPartner != v) v->mirrorPartner->mirrorPartner = nullptr;
    v->mirrorPartner = nullptr;
  }
}

bool MMeshObj::AllVerticesPaired() const {
  for (const MVertex* v : vertices)
    if (v->mirrorPartner == nullptr) return false;
  return true;
}

void MMeshObj::LinkCopiesBack() {
  for (MVertex* v : vertices)
    if (v->copy != nullptr) v->copy->copy = v;
}

void MMeshObj::ClearVertexCopyLinks() {
  for (MVertex* v : vertices) v->copy = nullptr;
}

void MMeshObj::RemapPartnersToCopies() {
  for (MVertex* v : vertices)
    if (v->mirrorPartner != nullptr && v->mirrorPartner->copy != nullptr)
      v->mirrorPartner = static_cast<MVertex*>(v->mirrorPartner->copy);
}

PointRecord MMeshObj::MeasureAsymmetry(int* level) const {
  PointRecord sum{0, 0, 0};
  int summed = 0;
  for (const MVertex* v : vertices) {
    if (!HasOtherPartner(v)) continue;
    const PointRecord& a = v->position;
    const PointRecord& b = v->mirrorPartner->position;
    const double sign = a.x - b.x < 0 ? -1 : 1;
    sum = {sum.x + sign * (a.x - b.x), sum.y + sign * (a.y - b.y), sum.z + sign * (a.z - b.z)};
    ++summed;
  }
  if (summed == 0) sum = {1, 0, 0};
  if (level != nullptr) *level = summed == 0 ? 0 : summed < kTrustedPairedCount ? 1 : 2;
  OsUtilNormalize(sum);
  return sum;
}

// ---- lifting --------------------------------------------------------------------------------------

void MMeshObj::LiftSymmetricPairs(const PointRecord& direction) {
  SaveEditState();
  if (Failed()) return;
  const double t = SideViewAngle();
  const double c = std::cos(t), s = std::sin(t);
  const double dx = direction.x, dy = direction.y;
  const int handled = TakeVisitStamp();
  for (MVertex* v : vertices) {
    MVertex* p = v->mirrorPartner;
    if (p == nullptr || v->id == handled || p->id == handled) continue;
    v->SaveUndo();
    if (p != v) p->SaveUndo();
    if (Failed()) return;
    const double w = dx * v->position.x + dy * v->position.y;
    const double a = dx * p->position.x + dy * p->position.y;
    const double m = (-dy * v->position.x + dx * v->position.y - dy * p->position.x + dx * p->position.y) / 2;
    const double x = (w - a) / (2 * c);
    const double z = (w + a) / (2 * s);
    v->SetOwnPosition({x, m, z});
    if (p != v) p->SetOwnPosition({-x, m, z});
    v->id = p->id = handled;
  }
  MarkChanged();
}

void MMeshObj::DepthFromSymmetricDrawing() { LiftSymmetricPairs(MeasureAsymmetry(nullptr)); }

// ---- points and chains ----------------------------------------------------------------------------

MLine* MMeshObj::MirrorPointOnLine(MLine* line, const PointRecord& point, PointRecord* mirrored,
                                   double* parameter) {
  MVertex* r = line->end0->mirrorPartner;
  MVertex* s = line->end1->mirrorPartner;
  if (r == nullptr || s == nullptr) return nullptr;
  MLine* m = r->FindLine(s);
  if (m == nullptr) return nullptr;
  if (m == line && (r != line->end1 || s != line->end0)) return nullptr;
  double u = line->GetParamOfPoint(point);
  u = u < 0.05 ? 0.05 : u > 0.95 ? 0.95 : u;
  if (m == line || m->end0 == s) u = 1 - u;
  if (parameter != nullptr) *parameter = u;
  if (mirrored != nullptr) *mirrored = m->PointAt(u);
  return m;
}

void MMeshObj::PairAlongChains(MVertex* a, int, MVertex* b) {
  // The single unpaired vertex one line away, or null when there is none
  // or more than one.
  auto onlyUnpairedNeighbour = [](MVertex* v) {
    MVertex* found = nullptr;
    int count = 0;
    ForEachLineAround(v, [&](MLine* line) {
      MVertex* far = line->OtherEnd(v);
      if (far->mirrorPartner == nullptr && far != found) {
        found = far;
        ++count;
      }
      return count < 2;
    });
    return count == 1 ? found : nullptr;
  };
  SaveEditState();
  while (!Failed()) {
    if (a->CountLines() != b->CountLines() || a->firstLine == nullptr) return;
    MVertex* nextA = onlyUnpairedNeighbour(a);
    MVertex* nextB = onlyUnpairedNeighbour(b);
    if (nextA == nullptr || nextB == nullptr || nextA->CountLines() != nextB->CountLines()) return;
    nextA->SaveUndo();
    nextB->SaveUndo();
    if (Failed()) return;
    nextA->SetMirrorPartner(nextB);
    a = nextA;
    b = nextB;
  }
}

// ---- splitting at the plane -----------------------------------------------------------------------

void MMeshObj::SplitLinesAtMirror() {
  // Removing a half's lines is for drawings: lines with faces cannot go.
  if (faces.First() != nullptr) return Refuse();
  SaveEditState();
  if (Failed()) return;
  for (MVertex* v : vertices)
    if (v->mirrorPartner == v && (v->flags & kVertexOnMirror) == 0) {
      v->SaveUndo();
      if (Failed()) return;
      v->flags |= kVertexOnMirror;
    }
  PtrArray crossing;
  for (MLine* line : lines)
    if (line->end0 != line->end1 && line->end0->mirrorPartner == line->end1 && !Append(crossing, line)) return;
  for (int i = 0; i < crossing.count; ++i) {
    MLine* line = At<MLine>(crossing, i);
    const PointRecord& a = line->end0->position;
    const PointRecord& b = line->end1->position;
    const PointRecord middle{(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
    MVertex* made = nullptr;
    SplitLineAt(line, middle, &made);
    if (AnyFailure()) return;
    if (made == nullptr) continue;
    made->SaveUndo();
    if (Failed()) return;
    made->SetMirrorPartner(made);
    made->flags |= kVertexOnMirror;
    made->SetOwnPosition(made->position);
  }
  auto onPlane = [](const MVertex* v) { return (v->flags & kVertexOnMirror) != 0; };
  PtrArray removed;
  for (MLine* line : lines) {
    if (onPlane(line->end0) && onPlane(line->end1)) continue;
    if ((onPlane(line->end0) || line->end0->position.x >= 0) && (onPlane(line->end1) || line->end1->position.x >= 0) &&
        !Append(removed, line))
      return;
  }
  for (MVertex* v : vertices) {
    v->SaveUndo();
    if (Failed()) return;
  }
  for (int i = 0; i < removed.count; ++i) {
    SaveLineNeighbourhood(At<MLine>(removed, i));
    if (Failed()) return;
  }
  ClearMirrorPartners(0);
  for (int i = 0; i < removed.count; ++i) At<MLine>(removed, i)->Remove(2);
  SetMirrorMode(1);
  MarkChanged();
}

// ---- the automatic pairing ------------------------------------------------------------------------

void MMeshObj::BuildSymGraph(SymGraph& graph) {
  const int count = vertices.Length();
  graph.nodes.count = graph.neighbours.count = 0;
  if (!graph.nodes.Reserve(count)) return EngRecordFailure(kEngReasonOutOfMemory);
  int index = 0;
  for (MVertex* v : vertices) {
    v->id = index++;
    SymGraphNode node;
    node.x = v->position.x;
    node.y = v->position.y;
    node.z = v->position.z;
    node.vertex = v;
    graph.nodes.Add(node);
  }
  if (GetVisitStamp() <= count) SetVisitStamp(count + 1);
  for (int i = 0; i < count; ++i) {
    SymGraphNode& node = graph.nodes[i];
    MVertex* v = node.vertex;
    if (v->mirrorPartner != nullptr) {
      const int p = v->mirrorPartner->id;
      ENG_FATAL_IF(p < 0 || p >= count || graph.nodes[p].vertex != v->mirrorPartner);
      node.fixedPartner = p;
    }
    node.firstNeighbour = graph.neighbours.count;
    const bool added = ForEachLineAround(v, [&](MLine* line) { return graph.neighbours.Add(line->OtherEnd(v)->id); });
    if (!added) return EngRecordFailure(kEngReasonOutOfMemory);
    node.neighbourCount = graph.neighbours.count - node.firstNeighbour;
  }
}

void MMeshObj::ApplySymGraphPairs(const SymGraph& graph) {
  for (int i = 0; i < graph.nodes.count && !Failed(); ++i) {
    const SymGraphNode& node = graph.nodes[i];
    if (node.matchedPartner < 0) continue;
    MVertex* v = node.vertex;
    MVertex* partner = graph.nodes[node.matchedPartner].vertex;
    if (v->mirrorPartner == partner) continue;
    // A working copy hands the pairs on to the vertices it was made from.
    ENG_FATAL_IF((v->copy == nullptr) != (partner->copy == nullptr));
    if (v->copy != nullptr) {
      MVertex* source = static_cast<MVertex*>(v->copy);
      source->SaveUndo();
      if (Failed()) return;
      source->SetMirrorPartner(static_cast<MVertex*>(partner->copy));
    }
    v->SaveUndo();
    if (Failed()) return;
    v->SetMirrorPartner(partner);
  }
}

int MMeshObj::AutoPairMirror() {
  if (AllVerticesPaired()) return 1;
  int level = 0;
  const PointRecord direction = MeasureAsymmetry(&level);
  SaveEditState();
  if (Failed()) return 0;
  SymGraph graph;
  Rsymmatch search;
  BuildSymGraph(graph);
  if (!Failed()) search.Run(graph, level == 2 ? &direction : nullptr);
  if (!Failed()) ApplySymGraphPairs(graph);
  return 0;
}

}  // namespace engine
