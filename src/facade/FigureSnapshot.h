#pragma once
// FigureSnapshot: a top-level object of a scene exactly as it stands: its
// matrix, the positions of its meshes' vertices, and its figures' bone
// records and pose additions. Undoing an animation applied to an object
// that had none puts these values back as they were; showing a frame would
// recompute them from keys and miss the last bits.
#include <memory>
#include <vector>

#include "engine/core/EngGeometry.h"

namespace engine {
class MDocObj;
class MObject;
}  // namespace engine

namespace facade {

class FigureSnapshot {
 public:
  ~FigureSnapshot();
  FigureSnapshot(const FigureSnapshot&) = delete;
  FigureSnapshot& operator=(const FigureSnapshot&) = delete;

  // Null when out of memory.
  static std::unique_ptr<FigureSnapshot> Take(engine::MDocObj& scene, engine::MObject* object);
  // Puts the values back; false (nothing changed) when the object's meshes
  // are no longer those the snapshot was taken of.
  bool PutBack(engine::MDocObj& scene, engine::MObject* object) const;

 private:
  struct Mesh;
  FigureSnapshot();

  engine::MatrixRecord matrix_{};
  std::vector<Mesh> meshes_;
};

}  // namespace facade
