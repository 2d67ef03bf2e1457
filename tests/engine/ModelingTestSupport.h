#pragma once
// Helpers of the modelling tests: counting flagged lines, all faces of a
// mesh, a new empty mesh, two separate boxes in one mesh, and a loop of
// free lines drawn in an earlier step.
#include <initializer_list>
#include <memory>

#include "engine/core/EngMath.h"
#include "meshkit/MeshTestSupport.h"

namespace modelingtest {

inline int CountLinesWith(const engine::MMeshObj& m, std::uint32_t flag) {
  int n = 0;
  for (const engine::MLine* line : m.lines) n += (line->flags & flag) != 0;
  return n;
}

inline engine::PtrArray AllFaces(engine::MMeshObj& m) {
  engine::PtrArray faces;
  m.GatherAll(&faces, nullptr, nullptr);
  return faces;
}

inline std::unique_ptr<engine::MMeshObj> NewMesh() { return std::make_unique<engine::MMeshObj>(); }

// Unit boxes at x = 0..1 and x = 3..4, the second attached to the first.
inline std::unique_ptr<engine::MMeshObj> TwoBoxes() {
  auto m = NewMesh();
  m->MakeBox({0, 0, 1}, {1, 1, 0}, 0);
  auto other = NewMesh();
  other->MakeBox({3, 0, 1}, {4, 1, 0}, 0);
  engine::MatrixRecord identity;
  engine::MUtilIdentity(identity);
  m->AttachMesh(other.get(), identity, nullptr, nullptr);
  return m;
}

// Free lines through the points in order, closing back to the first.
inline meshkit::MeshFixture FreeLoop(std::initializer_list<engine::PointRecord> points) {
  meshkit::MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add(points);
  for (std::size_t k = 0; k < f.v.size(); ++k) f->AddLineBetween(f.v[k], f.v[(k + 1) % f.v.size()]);
  f->Checkpoint(true);  // drawn in an earlier step
  return f;
}

// The 3 × 3 grid of the mesh test kit with its diagonals hidden: nine quads.
inline meshkit::MeshFixture GridWithQuads() {
  meshkit::MeshFixture f = meshkit::MakeGrid(3, 3);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) f.Line(j * 4 + i, (j + 1) * 4 + i + 1)->flags |= engine::kLineHiddenDiagonal;
  return f;
}

}  // namespace modelingtest
