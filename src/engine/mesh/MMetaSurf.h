#pragma once
// The smooth subdivision surface of a mesh, derived from the mesh (its
// control mesh). Every mesh owns one from construction to destruction. The
// levels, arrays and the build itself extend this class.
#include "engine/core/EngAlloc.h"

namespace engine {

class MMeshObj;

class MMetaSurf : public EngHeapObject {
 public:
  explicit MMetaSurf(MMeshObj* owner) : mesh(owner) {}
  MMetaSurf(const MMetaSurf&) = delete;
  MMetaSurf& operator=(const MMetaSurf&) = delete;

  // A sharp control vertex or edge keeps at least sharpness 1 for three
  // levels.
  double fullCreaseSharpness = 3.01;
  MMeshObj* mesh;
  // Set while a build must record which control element each surface
  // element comes from.
  unsigned char trackSources = 0;
  int segmentsPerEdge = 0;
};

}  // namespace engine
