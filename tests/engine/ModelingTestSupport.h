#pragma once
// Helpers of the modelling tests: counting flagged lines, all faces of a
// mesh, a new empty mesh, two separate boxes in one mesh, a loop of free
// lines drawn in an earlier step, the middle quad of a 3 x 3 grid, and a
// strip of three quads with a path across it.
#include <initializer_list>
#include <memory>
#include <tuple>
#include <utility>

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

// The two faces of the middle cell of meshkit::MakeGrid(3, 3): corners 5,
// 6, 9 and 10.
inline engine::PtrArray MiddleQuad(meshkit::MeshFixture& f) {
  engine::PtrArray quad;
  for (engine::MFace* face : f->faces) {
    engine::MVertex* c[3];
    face->GetVertices(c);
    bool inside = true;
    for (engine::MVertex* v : c) inside = inside && (v == f.v[5] || v == f.v[6] || v == f.v[9] || v == f.v[10]);
    if (inside) quad.Add(face);
  }
  return quad;
}

// Three quads in a row, 0-1-5-4, 1-2-6-5 and 2-3-7-6, with their hidden
// diagonals 0-5, 1-6 and 2-7.
inline meshkit::MeshFixture ThreeQuadStrip() {
  meshkit::MeshFixture f = meshkit::MakeEmptyMesh();
  f.Add({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {3, 1, 0}},
        {{0, 1, 5}, {0, 5, 4}, {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}});
  for (auto [a, b] : {std::pair{0, 5}, {1, 6}, {2, 7}}) f.Line(a, b)->flags |= engine::kLineHiddenDiagonal;
  return f;
}

// Cuts the strip of ThreeQuadStrip along a path from the middle of its left side
// across the rungs, through (0, 0.4), (1, 0.5), (2, 0.6) and (3, 0.5).
inline void CutPathAcrossStrip(meshkit::MeshFixture& f) {
  engine::PtrArray vertexList, lineList;
  engine::PointArray points;
  for (auto [a, b, y] : {std::tuple{0, 4, 0.4}, {1, 5, 0.5}, {2, 6, 0.6}, {3, 7, 0.5}}) {
    vertexList.Add(nullptr);
    lineList.Add(f.Line(a, b));
    points.Add({static_cast<double>(a), y, 0});
  }
  f->CutPathAcrossQuads(vertexList, lineList, points);
}

// The 3 × 3 grid of the mesh test kit with its diagonals hidden: nine quads.
inline meshkit::MeshFixture GridWithQuads() {
  meshkit::MeshFixture f = meshkit::MakeGrid(3, 3);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) f.Line(j * 4 + i, (j + 1) * 4 + i + 1)->flags |= engine::kLineHiddenDiagonal;
  return f;
}

}  // namespace modelingtest
