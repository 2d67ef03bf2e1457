// The mirror pairing search. Every walk keeps its own stack: the flood
// over a component, the backtracking over tentative pairs (whose pending
// continuations form a shared list, so going back a step only cuts the
// list) and the combination of component pairs.
#include "engine/modeling/SymmetryMatch.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

#include "engine/core/EngRuntime.h"

namespace engine {
namespace {

// A pair is a candidate while the normal of its segment leans less than
// this (a sine, about 21 degrees) from the axis direction.
constexpr double kCandidateLimit = 0.36;

// Steps the search over component pairs may take for one axis direction.
constexpr int kMostSearchSteps = 10000;

bool OutOfMemory() {
  EngRecordFailure(kEngReasonOutOfMemory);
  return false;
}

// The array made `count` copies of the value; false when there is no
// memory for them (nothing recorded).
template <class T>
bool Sized(EngArray<T>& array, int count, T value) {
  array.count = 0;
  if (!array.Reserve(count)) return false;
  for (int i = 0; i < count; ++i) array.Add(value);
  return true;
}

template <class T>
bool Fill(EngArray<T>& array, int count, T value) {
  return Sized(array, count, value) || OutOfMemory();
}

bool Failed() { return EngContext().failState == kEngFailFailed; }

// What the search over component pairs has learnt of the states it left:
// a state is the first component still free and which later ones are
// taken; its bound is the most the free components can add from it. Many
// orders of pairing reach the same state, and a state once searched need
// not be searched again from a partial total that cannot do better. Only a
// help: without memory it stops noting states and the search goes on.
class StateBounds {
 public:
  explicit StateBounds(int components) : words_((components + 63) / 64 + 1) {
    enabled_ = Sized(key_, words_, std::uint64_t{0}) && Sized(slots_, kFirstSlots, Slot{0, -1, 0});
  }

  // Makes the state of `list` with `first` the first free component the
  // one Find and Store refer to.
  void SetState(int first, const EngArray<SymComponent>& list) {
    if (!enabled_) return;
    for (int w = 0; w < words_; ++w) key_[w] = 0;
    key_[0] = static_cast<std::uint64_t>(first);
    for (int i = first + 1; i < list.count; ++i)
      if (list[i].tentativePartner != 0) key_[1 + i / 64] |= std::uint64_t{1} << (i % 64);
    hash_ = 0x9E3779B97F4A7C15ull;
    for (int w = 0; w < words_; ++w) hash_ = (hash_ ^ key_[w]) * 0xBF58476D1CE4E5B9ull;
  }
  // The bound noted for the state; false when it was never searched.
  bool Find(double& bound) const {
    const int slot = SlotOf();
    if (slot < 0 || slots_[slot].at < 0) return false;
    bound = slots_[slot].bound;
    return true;
  }
  void Store(double bound) {
    const int slot = SlotOf();
    if (slot < 0) return;
    Slot& entry = slots_[slot];
    if (entry.at >= 0) {
      if (bound < entry.bound) entry.bound = bound;
      return;
    }
    if (used_ >= kMostStates || !keys_.Reserve(keys_.count + words_)) {
      enabled_ = false;
      return;
    }
    entry = {hash_, keys_.count, bound};
    for (int w = 0; w < words_; ++w) keys_.Add(key_[w]);
    if (++used_ * 2 > slots_.count) Grow();
  }

 private:
  struct Slot {
    std::uint64_t hash;
    int at;  // the key's first word in keys_, -1 for an empty slot
    double bound;
  };
  static constexpr int kFirstSlots = 1024;
  static constexpr int kMostStates = 1 << 18;

  // The slot holding the state, or the empty one it would take; -1 when
  // states are no longer noted.
  int SlotOf() const {
    if (!enabled_) return -1;
    const int mask = slots_.count - 1;
    for (int i = static_cast<int>(hash_ & static_cast<std::uint64_t>(mask));; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.at < 0) return i;
      if (slot.hash != hash_) continue;
      bool same = true;
      for (int w = 0; w < words_ && same; ++w) same = keys_[slot.at + w] == key_[w];
      if (same) return i;
    }
  }
  void Grow() {
    EngArray<Slot> grown;
    if (!Sized(grown, 2 * slots_.count, Slot{0, -1, 0})) {
      enabled_ = false;
      return;
    }
    const int mask = grown.count - 1;
    for (int i = 0; i < slots_.count; ++i) {
      if (slots_[i].at < 0) continue;
      int j = static_cast<int>(slots_[i].hash & static_cast<std::uint64_t>(mask));
      while (grown[j].at >= 0) j = (j + 1) & mask;
      grown[j] = slots_[i];
    }
    slots_ = std::move(grown);
  }

  int words_;
  EngArray<std::uint64_t> key_;
  EngArray<std::uint64_t> keys_;
  EngArray<Slot> slots_;
  std::uint64_t hash_ = 0;
  int used_ = 0;
  bool enabled_ = true;
};

}  // namespace

// ---- graph queries ------------------------------------------------------------------------------

bool Rsymmatch::IsNeighbour(int a, int b) const {
  const SymGraphNode& n = graph_->nodes[a];
  for (int i = 0; i < n.neighbourCount; ++i)
    if (graph_->neighbours[n.firstNeighbour + i] == b) return true;
  return false;
}

bool Rsymmatch::HasCandidate(int node, int other) const {
  for (int c = graph_->nodes[node].firstCandidate; c >= 0; c = graph_->candidates[c].next)
    if (graph_->candidates[c].node == other && !graph_->candidates[c].mirror) return true;
  return false;
}

double Rsymmatch::CandidateWeight(int node, int other) const {
  for (int c = graph_->nodes[node].firstCandidate; c >= 0; c = graph_->candidates[c].next)
    if (graph_->candidates[c].node == other && !graph_->candidates[c].mirror) return graph_->candidates[c].weight;
  return 0;
}

void Rsymmatch::Pair(int a, int b) {
  graph_->nodes[a].tentativePartner = b;
  graph_->nodes[b].tentativePartner = a;
}

void Rsymmatch::Unpair(int a, int b) {
  graph_->nodes[a].tentativePartner = -1;
  graph_->nodes[b].tentativePartner = -1;
}

// ---- the run ------------------------------------------------------------------------------------

void Rsymmatch::Run(SymGraph& graph, const PointRecord* axis) {
  graph_ = &graph;
  matched_ = target_ = 0;
  bestTotal_ = -4;
  CountNeighbours();
  NumberComponents();
  if (Failed()) return;
  const int directions = axis != nullptr ? 1 : 21;
  for (int i = 0; i < directions && !Failed(); ++i) {
    PointRecord direction;
    if (axis != nullptr) {
      direction = *axis;
    } else {
      const double a = 0.3 * std::numbers::pi - i * 0.6 * std::numbers::pi / 20;
      direction = {std::cos(a), std::sin(a), 0};
    }
    CandidatePairsForAxis(direction);
    if (!Failed()) OrderNeighbourLists();
    if (!Failed()) PairComponentsBySize();
    if (!Failed()) Search();
  }
}

void Rsymmatch::CountNeighbours() {
  for (int i = 0; i < graph_->nodes.count; ++i) graph_->nodes[i].valence = graph_->nodes[i].neighbourCount;
}

void Rsymmatch::ResetPartners() {
  for (int i = 0; i < graph_->nodes.count; ++i) graph_->nodes[i].tentativePartner = graph_->nodes[i].fixedPartner;
}

void Rsymmatch::FloodComponent(int start, int number, int& size) {
  EngArray<int>& stack = stack_;
  stack.count = 0;
  graph_->nodes[start].component = number;
  ++size;
  if (!stack.Add(start)) {
    OutOfMemory();
    return;
  }
  while (stack.count > 0) {
    const SymGraphNode& n = graph_->nodes[stack[stack.count - 1]];
    --stack.count;
    for (int i = 0; i < n.neighbourCount; ++i) {
      const int next = graph_->neighbours[n.firstNeighbour + i];
      if (graph_->nodes[next].component != 0) continue;
      graph_->nodes[next].component = number;
      ++size;
      if (!stack.Add(next)) {
        OutOfMemory();
        return;
      }
    }
  }
}

void Rsymmatch::NumberComponents() {
  ResetPartners();
  EngArray<SymGraphNode>& nodes = graph_->nodes;
  for (int i = 0; i < nodes.count; ++i) nodes[i].component = nodes[i].fixedPartner >= 0 ? -1 : 0;
  graph_->components.count = 0;
  int number = 0;
  for (int i = 0; i < nodes.count; ++i) {
    if (nodes[i].component != 0) continue;
    int size = 0;
    FloodComponent(i, ++number, size);
    if (Failed()) return;
    if (!graph_->components.Add({number, size, 0, 0})) {
      OutOfMemory();
      return;
    }
  }
  // Newest first, as a list grown at its head.
  EngArray<SymComponent>& list = graph_->components;
  for (int a = 0, b = list.count - 1; a < b; ++a, --b) {
    const SymComponent t = list[a];
    list[a] = list[b];
    list[b] = t;
  }
  componentCount_ = number;
  const long long width = componentCount_ + 1;
  if (width * width > 0x7fffffff || width * nodes.count > 0x7fffffff) {
    OutOfMemory();
    return;
  }
  if (!Fill(graph_->componentPartners, static_cast<int>(width * nodes.count), -1)) return;
  Fill(graph_->scores, static_cast<int>(width * width), -1.0);
}

void Rsymmatch::CandidatePairsForAxis(const PointRecord& axis) {
  EngArray<SymGraphNode>& nodes = graph_->nodes;
  EngArray<SymCandidate>& candidates = graph_->candidates;
  candidates.count = 0;
  for (int i = 0; i < nodes.count; ++i) nodes[i].firstCandidate = -1;
  const double length = std::sqrt(axis.x * axis.x + axis.y * axis.y + axis.z * axis.z);
  if (!(length > 0)) return;
  const double ax = axis.x / length, ay = axis.y / length;
  auto enter = [&](int node, int other, double weight, bool mirror) {
    if (!candidates.Add({other, weight, nodes[node].firstCandidate, mirror})) return OutOfMemory();
    nodes[node].firstCandidate = candidates.count - 1;
    return true;
  };
  for (int r = 0; r < nodes.count; ++r) {
    if (nodes[r].fixedPartner >= 0) continue;
    for (int s = r + 1; s < nodes.count; ++s) {
      if (nodes[s].fixedPartner >= 0 || nodes[s].valence != nodes[r].valence) continue;
      const double dx = nodes[s].x - nodes[r].x, dy = nodes[s].y - nodes[r].y;
      const double d = std::hypot(dx, dy);
      if (!(d > 0)) continue;  // coincident in the drawing: no direction to judge
      const double h = std::fabs((-dy * ax + dx * ay) / d);
      if (h >= kCandidateLimit) continue;
      const int further = (-dx * ax - dy * ay) < 0 ? s : r;
      const int nearer = further == s ? r : s;
      // The mirror entry goes first, so each node tries its own entries
      // before the mirrored ones.
      if (!enter(nearer, further, kCandidateLimit - h, true) || !enter(further, nearer, kCandidateLimit - h, false))
        return;
    }
  }
  for (int i = 0; i < nodes.count; ++i)
    if (nodes[i].fixedPartner < 0 && !enter(i, i, 0, false)) return;
}

void Rsymmatch::OrderNeighbourLists() {
  EngArray<int>& order = order_;
  EngArray<int>& stack = stack_;
  EngArray<unsigned char>& used = used_;
  for (int k = 0; k < graph_->nodes.count; ++k) {
    const SymGraphNode& n = graph_->nodes[k];
    if (n.fixedPartner >= 0 || n.neighbourCount < 2) continue;
    int* list = &graph_->neighbours[n.firstNeighbour];
    const int m = n.neighbourCount;
    order.count = stack.count = 0;
    if (!Fill(used, m, static_cast<unsigned char>(0))) return;
    for (int i = 0; i < m; ++i) {
      if (used[i]) continue;
      if (!stack.Add(i)) return (void)OutOfMemory();
      while (stack.count > 0) {
        const int x = stack[stack.count - 1];
        --stack.count;
        if (used[x]) continue;
        used[x] = 1;
        if (!order.Add(list[x])) return (void)OutOfMemory();
        // Later neighbours that are mirror candidates of this one follow it.
        for (int j = m - 1; j > x; --j)
          if (!used[j] && HasCandidate(list[j], list[x]) && !stack.Add(j)) return (void)OutOfMemory();
      }
    }
    for (int i = 0; i < m; ++i) list[i] = order[i];
  }
}

// ---- matching two components ----------------------------------------------------------------------

void Rsymmatch::PairComponentsBySize() {
  EngArray<SymComponent>& list = graph_->components;
  for (int c = 0; c < list.count && !Failed(); ++c)
    for (int d = c; d < list.count && !Failed(); ++d) {
      Score(list[c].number, list[d].number) = -1;
      Score(list[d].number, list[c].number) = -1;
      if (list[c].size != list[d].size) continue;
      ResetPartners();
      target_ = d == c ? list[c].size : 2 * list[c].size;
      MatchComponents(list[c].number, list[d].number);
    }
}

void Rsymmatch::MatchComponents(int c, int d) {
  EngArray<SymGraphNode>& nodes = graph_->nodes;
  bestPairing_ = -1;
  int start = -1;
  for (int i = 0; i < nodes.count; ++i) {
    const SymGraphNode& n = nodes[i];
    if (n.fixedPartner >= 0 || (n.component != c && n.component != d)) continue;
    if (start < 0 || n.valence < nodes[start].valence) {
      start = i;
    } else if (n.valence == nodes[start].valence && HasCandidate(i, start) &&
               (c == d || nodes[start].component != n.component)) {
      start = i;
    }
  }
  if (start < 0) return;
  const int targetComponent = nodes[start].component == c ? d : c;
  for (int k = nodes[start].firstCandidate; k >= 0 && !Failed(); k = graph_->candidates[k].next) {
    const int s = graph_->candidates[k].node;
    if (nodes[s].component != targetComponent) continue;
    Pair(start, s);
    matched_ = s == start ? 1 : 2;
    MatchRecursive(start);
    Unpair(start, s);
  }
  Score(c, d) = Score(d, c) = bestPairing_;
}

bool Rsymmatch::AreCompatible(int f, int q, int s) const {
  const int p = graph_->nodes[f].tentativePartner;
  const bool fSelf = p == f;
  if (fSelf && s == q) return true;
  if (s == q) return IsNeighbour(s, p);
  if (fSelf) return IsNeighbour(s, f);
  if (IsNeighbour(q, p) || IsNeighbour(s, f)) return false;
  return IsNeighbour(s, p);
}

void Rsymmatch::MatchRecursive(int start) {
  EngArray<SymGraphNode>& nodes = graph_->nodes;
  EngArray<Pending>& pending = pending_;
  EngArray<Choice>& choices = choices_;
  pending.count = choices.count = 0;
  int f = start, e = 0, waiting = -1;
  for (;;) {
    // Follow the walk until it meets a free node or the branch ends.
    for (;;) {
      const SymGraphNode& n = nodes[f];
      if (e < n.neighbourCount) {
        const int q = graph_->neighbours[n.firstNeighbour + e];
        const int r = nodes[q].tentativePartner;
        if (r >= 0) {
          if (!AreCompatible(f, q, r)) break;
          if (matched_ < target_) {
            ++e;
            continue;
          }
          PairingCost();
          break;
        }
        if (!choices.Add({f, e, q, nodes[q].firstCandidate, -1, waiting, pending.count, matched_}))
          return (void)OutOfMemory();
        break;
      }
      if (matched_ >= target_) {
        PairingCost();
        break;
      }
      if (waiting < 0) break;
      f = pending[waiting].node;
      e = pending[waiting].entry;
      waiting = pending[waiting].before;
    }
    // The next candidate of the latest choice, going back while none is left.
    for (;;) {
      if (choices.count == 0) return;
      Choice& c = choices[choices.count - 1];
      if (c.partner >= 0) {
        Unpair(c.node, c.partner);
        matched_ = c.matched;
        pending.count = c.pendingCount;
        c.partner = -1;
      }
      int s = -1;
      while (c.nextCandidate >= 0 && s < 0) {
        const SymCandidate& k = graph_->candidates[c.nextCandidate];
        c.nextCandidate = k.next;
        if (nodes[k.node].tentativePartner < 0 && nodes[k.node].valence == nodes[c.node].valence &&
            AreCompatible(c.from, c.node, k.node))
          s = k.node;
      }
      if (s < 0) {
        --choices.count;
        continue;
      }
      Pair(c.node, s);
      c.partner = s;
      matched_ = c.matched + (s == c.node ? 1 : 2);
      if (!pending.Add({c.from, c.entry + 1, c.pending})) return (void)OutOfMemory();
      waiting = pending.count - 1;
      f = c.node;
      e = 0;
      break;
    }
  }
}

void Rsymmatch::PairingCost() {
  EngArray<SymGraphNode>& nodes = graph_->nodes;
  double score = 0;
  for (int q = 0; q < nodes.count; ++q) {
    const int r = nodes[q].tentativePartner;
    if (nodes[q].fixedPartner >= 0 || r < 0 || r == q) continue;
    const double dx = nodes[q].x - nodes[r].x, dy = nodes[q].y - nodes[r].y;
    score += (dx * dx + dy * dy) * CandidateWeight(q, r);
  }
  if (score < bestPairing_) return;
  bestPairing_ = score;
  for (int q = 0; q < nodes.count; ++q) {
    const int r = nodes[q].tentativePartner;
    if (nodes[q].fixedPartner >= 0 || r < 0) continue;
    PartnerIn(q, nodes[r].component) = r;
  }
}

// ---- combining component pairs ----------------------------------------------------------------------

void Rsymmatch::Search() {
  ResetPartners();
  EngArray<SymComponent>& list = graph_->components;
  for (int i = 0; i < list.count; ++i) list[i].tentativePartner = list[i].bestPartner = 0;
  found_ = false;
  PairRecursive(0);
  if (!found_ || Failed()) return;
  EngArray<SymGraphNode>& nodes = graph_->nodes;
  for (int i = 0; i < nodes.count; ++i) nodes[i].matchedPartner = -1;
  for (int i = 0; i < list.count; ++i) {
    if (list[i].bestPartner == 0) continue;
    for (int q = 0; q < nodes.count; ++q)
      if (nodes[q].component == list[i].number) nodes[q].matchedPartner = PartnerIn(q, list[i].bestPartner);
  }
}

void Rsymmatch::PairRecursive(int from) {
  EngArray<SymComponent>& list = graph_->components;
  auto firstFree = [&](int i) {
    while (i < list.count && list[i].tentativePartner != 0) ++i;
    return i < list.count ? i : -1;
  };
  // What a pair adds to the total: its score from both sides.
  auto gain = [&](int c, int d) {
    const double a = Score(list[c].number, list[d].number);
    return c == d ? a : a + Score(list[d].number, list[c].number);
  };
  // Each component's partners, highest score first, so that its best free
  // one is the first free one in its row.
  EngArray<int> ranked;
  EngArray<int> rowStart;
  if (!rowStart.Reserve(list.count + 1)) return (void)OutOfMemory();
  for (int i = 0; i < list.count; ++i) {
    rowStart.Add(ranked.count);
    for (int j = 0; j < list.count; ++j)
      if (j != i && Score(list[i].number, list[j].number) >= 0 && !ranked.Add(j)) return (void)OutOfMemory();
    std::stable_sort(ranked.items + rowStart[i], ranked.items + ranked.count, [&](int a, int b) {
      return Score(list[i].number, list[a].number) > Score(list[i].number, list[b].number);
    });
  }
  rowStart.Add(ranked.count);
  // The most the components still free can add: each its best score with
  // itself or a free component it may pair with. A branch that cannot beat
  // the best total is left out; it could not have replaced it (only a
  // higher total does), so the result is the same, found in far fewer
  // steps when many strokes could pair up.
  auto freeBound = [&] {
    double sum = 0;
    for (int i = 0; i < list.count; ++i) {
      if (list[i].tentativePartner != 0) continue;
      double best = Score(list[i].number, list[i].number);
      for (int k = rowStart[i]; k < rowStart[i + 1]; ++k) {
        if (list[ranked[k]].tentativePartner != 0) continue;
        const double score = Score(list[i].number, list[ranked[k]].number);
        if (score > best) best = score;
        break;
      }
      sum += best;
    }
    return sum;
  };
  // A total that some pairing surely reaches: each free component in turn
  // with the free partner that adds most. The best pairing reaches at
  // least this much, so branches that cannot are left out too.
  double reachable = 0;
  for (int i = from; i < list.count; ++i) {
    if (list[i].tentativePartner != 0) continue;
    int best = i;
    for (int j = i + 1; j < list.count; ++j)
      if (list[j].tentativePartner == 0 && Score(list[i].number, list[j].number) >= 0 && gain(i, j) > gain(i, best))
        best = j;
    reachable += gain(i, best);
    list[i].tentativePartner = list[best].tentativePartner = -1;
  }
  for (int i = from; i < list.count; ++i)
    if (list[i].tentativePartner == -1) list[i].tentativePartner = 0;
  // One level per component still to pair (see Level).
  EngArray<Level>& levels = levels_;
  levels.count = 0;
  const int first = firstFree(from);
  if (first < 0) return RecordBest();
  if (!levels.Add({first, -1, 0})) return (void)OutOfMemory();
  StateBounds searched(list.count);
  int steps = 0;
  double partial = 0;
  while (levels.count > 0) {
    // Drawings of many strokes alike can still leave too many branches
    // open: past a budget of steps the best pairing found so far stands.
    if (++steps > kMostSearchSteps) return;
    Level& level = levels[levels.count - 1];
    SymComponent& c = list[level.c];
    if (level.d >= 0) {
      c.tentativePartner = list[level.d].tentativePartner = 0;
      partial -= gain(level.c, level.d);
    }
    int d = level.d < 0 ? level.c : level.d + 1;
    while (d < list.count &&
           (list[d].tentativePartner != 0 || (d != level.c && Score(c.number, list[d].number) < 0)))
      ++d;
    if (d >= list.count) {
      // Searched whole: whatever its free components add, the total stays
      // within the best found or below what the best pairing reaches.
      searched.SetState(level.c, list);
      searched.Store((bestTotal_ > reachable ? bestTotal_ : reachable) - level.partial);
      --levels.count;
      continue;
    }
    level.d = d;
    c.tentativePartner = list[d].number;
    list[d].tentativePartner = c.number;
    partial += gain(level.c, d);
    const int next = firstFree(level.c + 1);
    if (next < 0) {
      RecordBest();
      continue;
    }
    double most = partial + freeBound();
    searched.SetState(next, list);
    double bound = 0;
    if (searched.Find(bound) && partial + bound < most) most = partial + bound;
    if (Promising(most, reachable) && !levels.Add({next, -1, partial})) return (void)OutOfMemory();
  }
}

bool Rsymmatch::Promising(double most, double reachable) const {
  // The bound is summed in another order than a total: allow for rounding,
  // so that no pairing the plain search would keep is ever left out.
  const double slack = 1e-9 * (1 + std::fabs(most) + std::fabs(reachable) + std::fabs(bestTotal_));
  return most + slack > bestTotal_ && most + slack >= reachable;
}

void Rsymmatch::RecordBest() {
  EngArray<SymComponent>& list = graph_->components;
  double total = 0;
  for (int i = 0; i < list.count; ++i) total += Score(list[i].number, list[i].tentativePartner);
  if (!(total > bestTotal_)) return;
  bestTotal_ = total;
  found_ = true;
  for (int i = 0; i < list.count; ++i) {
    const int partner = list[i].tentativePartner;
    list[i].bestPartner = partner == list[i].number && Score(partner, partner) < 0 ? 0 : partner;
  }
}

}  // namespace engine
