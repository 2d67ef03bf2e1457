#pragma once
// One cubic Bézier patch: a tensor-product patch over a quad or a
// triangular patch over a triangle, and points on it, on one of its edges,
// or at coordinates measured from one of its edges. The patches through
// faces and quads of a mesh are built by MMeshObj (MMeshObj_Patches.cpp).
//
// Control points: a quad patch uses all 16, index 4i + j for the i-th
// Bernstein function of u and the j-th of v. A triangular patch uses the
// first 10 by rows of total degree: row r holds r + 1 points at r(r + 1)/2 +
// k, k the power of v; 0 is the corner w = 1 - u - v = 1, 6 the corner
// u = 1, 9 the corner v = 1, 4 the centre.
#include "engine/core/EngGeometry.h"

namespace engine {

struct BezierPatchRecord {
  BezierPatchRecord() = default;

  void SetEdge(int edgeIndex, bool forwards) {
    edge = edgeIndex;
    forward = forwards ? 1 : 0;
  }
  PointRecord Evaluate(double u, double v) const;
  // The point at t along the current edge (from its other end when forward
  // is clear). Quad edges run round the boundary from (0, 0): 0 (s, 0),
  // 1 (1, s), 2 (1 - s, 1), 3 (0, 1 - s); triangle edges 0 (s, 0),
  // 1 (1 - s, s), 2 (0, 1 - s). Other edges are fatal.
  PointRecord EdgePoint(double t) const;
  // The point at coordinates (a, b) measured from the current edge: edges
  // -1 and 0 evaluate (a, b), edge 1 (1 - a - b, a), edge 2 (b, 1 - a - b).
  // Edges 1 and 2 of a quad, and edges outside -1..2, are fatal.
  PointRecord TrianglePoint(double a, double b) const;

  int degree = 3;
  PointRecord control[16] = {};
  int edge = -1;
  unsigned char forward = 1;
  unsigned char quad = 0;
};

}  // namespace engine
