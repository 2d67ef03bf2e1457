#pragma once
// The engine's meshes handed to CGAL's corefinement booleans (an independent
// reference for the mesh boolean) and the volumes of the results. Tests and
// benchmarks only: nothing else uses CGAL.
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/corefinement.h>
#include <CGAL/Polygon_mesh_processing/measure.h>
#include <CGAL/Surface_mesh.h>

#include <unordered_map>

#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MVertex.h"

namespace cgaltest {

using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using SurfaceMesh = CGAL::Surface_mesh<Kernel::Point_3>;

// The mesh's triangles, each vertex moved by the matrix (row vectors).
inline SurfaceMesh SurfaceOf(const engine::MMeshObj& mesh, const engine::MatrixRecord& matrix) {
  SurfaceMesh out;
  std::unordered_map<const engine::MVertex*, SurfaceMesh::Vertex_index> index;
  for (const engine::MVertex* v : mesh.vertices) {
    engine::PointRecord p;
    engine::MUtilTransformPoint(matrix, v->position, p);
    index[v] = out.add_vertex(Kernel::Point_3(p.x, p.y, p.z));
  }
  for (const engine::MFace* face : mesh.faces) {
    engine::MVertex* c[3];
    face->GetVertices(c);
    out.add_face(index[c[0]], index[c[1]], index[c[2]]);
  }
  return out;
}

inline engine::MatrixRecord IdentityMatrix() {
  engine::MatrixRecord m;
  engine::MUtilIdentity(m);
  return m;
}

enum class Operation { kUnion, kAMinusB, kIntersection, kBMinusA };

// The volume of CGAL's result, or a negative number when CGAL refused.
inline double ReferenceVolume(SurfaceMesh a, SurfaceMesh b, Operation op) {
  namespace PMP = CGAL::Polygon_mesh_processing;
  SurfaceMesh out;
  bool ok = false;
  switch (op) {
    case Operation::kUnion:
      ok = PMP::corefine_and_compute_union(a, b, out);
      break;
    case Operation::kAMinusB:
      ok = PMP::corefine_and_compute_difference(a, b, out);
      break;
    case Operation::kIntersection:
      ok = PMP::corefine_and_compute_intersection(a, b, out);
      break;
    case Operation::kBMinusA:
      ok = PMP::corefine_and_compute_difference(b, a, out);
      break;
  }
  if (!ok) return -1;
  if (out.number_of_faces() == 0) return 0;
  return CGAL::to_double(PMP::volume(out));
}

}  // namespace cgaltest
