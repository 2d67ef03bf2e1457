#pragma once
// A canonical text dump of a whole mesh: one line per live element in list
// order, every reference written as the referenced element's class and list
// position (so two meshes with the same content dump alike whatever their
// addresses), doubles written exactly. Undo tests compare the dump before a
// change with the dump after the undo; counts alone would miss too much.
#include <map>
#include <string>

#include "engine/mesh/MMeshObj.h"

namespace meshkit {

// An order of elements given by where they stood in an earlier state of
// the mesh (its position in its class's list).
using ElementOrder = std::map<const engine::MItem*, int>;

struct DumpOptions {
  bool states = false;        // the elements' edit states
  bool screen = false;        // the vertices' last projection
  bool removed = false;       // the removed holders' elements too, after the live lists
  // The shading caches: vertex normals, the faces' corner modes and corner
  // normals (valid after the last MVertex::UpdateNormals, not part of an
  // undo step).
  bool normals = true;
  // When given, each class's live elements are dumped and named in this
  // order instead of their list order; elements it does not know come last,
  // named "new".
  const ElementOrder* order = nullptr;
};

// Each live element's position in its list.
ElementOrder ListOrder(const engine::MMeshObj& mesh);

std::string DumpMesh(const engine::MMeshObj& mesh, const DumpOptions& options = {});

}  // namespace meshkit
