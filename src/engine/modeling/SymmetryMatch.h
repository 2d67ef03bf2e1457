#pragma once
// The search for the pairing that makes a flat drawing mirror-symmetric.
// Works on a graph of the drawing's vertices (built by the mesh): each
// vertex is paired with one of equal valence, or with itself on the axis,
// so that neighbours map to neighbours, partners lie across the axis
// direction and the pairs spread as widely as possible. Connected
// components are searched separately, paired with components of the same
// size, and the best combination of component pairs is kept.
#include "engine/core/EngArray.h"
#include "engine/core/EngGeometry.h"

namespace engine {

class MVertex;

// Node references are indices into the graph's node array, -1 for none.
struct SymGraphNode {
  double x = 0, y = 0, z = 0;
  int valence = 0;
  int tentativePartner = -1;
  int component = 0;  // -1 for a node with a fixed partner
  int firstCandidate = -1;
  MVertex* vertex = nullptr;
  int firstNeighbour = 0;  // into SymGraph::neighbours
  int neighbourCount = 0;
  int fixedPartner = -1;
  int matchedPartner = -1;  // the result
};

// A pair is entered once, on the node further along the axis, which
// scores it; the other node gets a mirror entry so that the search can
// pair it from either side.
struct SymCandidate {
  int node;
  double weight;
  int next;  // the next candidate of the same node, -1 at the end
  bool mirror;
};

struct SymComponent {
  int number;
  int size;
  int tentativePartner;  // component numbers, 0 for none
  int bestPartner;
};

struct SymGraph {
  EngArray<SymGraphNode> nodes;
  EngArray<int> neighbours;
  EngArray<SymCandidate> candidates;
  EngArray<SymComponent> components;  // newest first
  // Per node, the partner it takes when paired with component k, at
  // node * (components + 1) + k.
  EngArray<int> componentPartners;
  // Score of component numbers (a, b) at a * (components + 1) + b.
  EngArray<double> scores;
};

class Rsymmatch {
 public:
  // Fills each node's matched partner. With an axis only that direction is
  // tried, otherwise 21 directions from +54 to -54 degrees about x. Out of
  // memory is recorded in the engine failure state.
  void Run(SymGraph& graph, const PointRecord* axis);

  void CountNeighbours();
  void NumberComponents();
  void PairComponentsBySize();
  void Search();
  void RecordBest();
  void PairRecursive(int from);
  void FloodComponent(int start, int number, int& size);
  void CandidatePairsForAxis(const PointRecord& axis);
  void ResetPartners();
  void OrderNeighbourLists();
  void MatchRecursive(int start);
  bool AreCompatible(int f, int q, int s) const;
  void MatchComponents(int c, int d);
  void PairingCost();

 private:
  // Whether a branch whose pairings add at most `most` can still give the
  // best total.
  bool Promising(double most, double reachable) const;
  bool IsNeighbour(int a, int b) const;
  bool HasCandidate(int node, int other) const;
  double CandidateWeight(int node, int other) const;
  double& Score(int a, int b) { return graph_->scores[a * (componentCount_ + 1) + b]; }
  int& PartnerIn(int node, int component) {
    return graph_->componentPartners[node * (componentCount_ + 1) + component];
  }
  void Pair(int a, int b);
  void Unpair(int a, int b);

  // A walk over a node's neighbour list still to finish: the node, the next
  // entry and the walk that was pending before it.
  struct Pending {
    int node, entry, before;
  };
  // A free node met along the walk and the candidate tried for it.
  struct Choice {
    int from, entry, node;
    int nextCandidate, partner;
    int pending, pendingCount, matched;
  };
  // A component still to pair, the partner tried for it (-1 before the
  // first) and the total of the pairs made before it.
  struct Level {
    int c, d;
    double partial;
  };
  // Work lists kept over the whole run, so that the search allocates
  // little once they have grown.
  EngArray<Pending> pending_;
  EngArray<Choice> choices_;
  EngArray<Level> levels_;
  EngArray<int> stack_;
  EngArray<int> order_;
  EngArray<unsigned char> used_;

  SymGraph* graph_ = nullptr;
  int componentCount_ = 0;
  int matched_ = 0;
  int target_ = 0;
  double bestPairing_ = -1;
  double bestTotal_ = -4;
  bool found_ = false;
};

}  // namespace engine
