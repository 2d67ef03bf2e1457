#pragma once
// A canonical text dump of a whole mesh: one line per live element in list
// order, every reference written as the referenced element's class and list
// position (so two meshes with the same content dump alike whatever their
// addresses), doubles written exactly. Undo tests compare the dump before a
// change with the dump after the undo; counts alone would miss too much.
#include <string>

#include "engine/mesh/MMeshObj.h"

namespace meshkit {

struct DumpOptions {
  bool states = false;        // the elements' edit states
  bool screen = false;        // the vertices' last projection
  bool removed = false;       // the removed holders' elements too, after the live lists
};

std::string DumpMesh(const engine::MMeshObj& mesh, const DumpOptions& options = {});

}  // namespace meshkit
