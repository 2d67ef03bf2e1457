#pragma once
// Helpers of the boolean tests: solids made by the mesh's own primitives,
// the enclosed volume, closedness and consistent orientation.
#include <cmath>
#include <memory>

#include "engine/core/EngMath.h"
#include "engine/mesh/MMeshObj.h"
#include "meshkit/MeshFixtures.h"

namespace booleantest {

// An axis-aligned box from lo to hi, faces outwards.
inline engine::MMeshObj* Box(const engine::PointRecord& lo, const engine::PointRecord& hi) {
  auto* m = new engine::MMeshObj();
  m->MakeBox({lo.x, lo.y, hi.z}, {hi.x, hi.y, lo.z}, 0);
  m->Checkpoint(true);
  return m;
}

// A sphere about `centre`, faces outwards.
inline engine::MMeshObj* Sphere(const engine::PointRecord& centre, double radius, int segments, int rings) {
  meshkit::MeshFixture f = meshkit::MakeSphere(segments, rings, radius);
  for (engine::MVertex* v : f->GetVertexList())
    v->position = {v->position.x + centre.x, v->position.y + centre.y, v->position.z + centre.z};
  f->Checkpoint(true);
  return f.mesh.release();
}

// The volume the faces enclose (positive for a closed mesh facing out).
inline double Volume(engine::MMeshObj& m) {
  double six = 0;
  for (engine::MFace* face : m.GetFaceList()) {
    engine::MVertex* c[3];
    face->GetVertices(c);
    const engine::PointRecord &a = c[0]->position, &b = c[1]->position, &d = c[2]->position;
    six += a.x * (b.y * d.z - b.z * d.y) - a.y * (b.x * d.z - b.z * d.x) + a.z * (b.x * d.y - b.y * d.x);
  }
  return six / 6;
}

// Every edge line has a face on each side, and the two faces run along it
// in opposite directions (the winged-edge links hold a face on each side
// only when they do).
inline bool ClosedAndOriented(engine::MMeshObj& m) {
  for (engine::MLine* line : m.lines) {
    if (line->forwardFace == nullptr || line->backwardFace == nullptr) return false;
    if (line->forwardFace == line->backwardFace) return false;
  }
  return m.HasFaces();
}

inline engine::MatrixRecord Identity() {
  engine::MatrixRecord m;
  engine::MUtilIdentity(m);
  return m;
}

}  // namespace booleantest
