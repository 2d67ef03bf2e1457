// FigureSnapshot: an object's pose values taken and put back bit for bit.
#include "facade/FigureSnapshot.h"

#include <new>

#include "engine/core/EngArrays.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MObject.h"
#include "engine/figure/MAddPose.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MVertex.h"
#include "engine/scene/MDocObj.h"

namespace facade {

struct FigureSnapshot::Mesh {
  engine::MMeshObj* mesh = nullptr;
  std::vector<engine::PointRecord> positions;
  // The stored "anything selected" answers (-1 not yet known), which
  // posing clears.
  int selectionCaches[3] = {-1, -1, -1};
  // Figures only.
  std::vector<engine::BoneRecord> bones;
  std::unique_ptr<engine::MAddPose> additions;
};

FigureSnapshot::FigureSnapshot() = default;
FigureSnapshot::~FigureSnapshot() = default;

std::unique_ptr<FigureSnapshot> FigureSnapshot::Take(engine::MDocObj& scene, engine::MObject* object) {
  if (object == nullptr) return nullptr;
  try {
    std::unique_ptr<FigureSnapshot> taken(new FigureSnapshot);
    object->GetMatrix(taken->matrix_);
    engine::PtrArray meshes;
    scene.CollectMeshes(object, meshes);
    if (engine::EngContext().failState != engine::kEngFailNone) return nullptr;
    for (int i = 0; i < meshes.count; ++i) {
      Mesh kept;
      kept.mesh = static_cast<engine::MMeshObj*>(meshes[i]);
      for (engine::MVertex* v : kept.mesh->GetVertexList()) kept.positions.push_back(v->position);
      kept.selectionCaches[0] = kept.mesh->vertexSelectionCache;
      kept.selectionCaches[1] = kept.mesh->lineSelectionCache;
      kept.selectionCaches[2] = kept.mesh->faceSelectionCache;
      if (kept.mesh->IsBoneObject()) {
        auto* figure = static_cast<engine::MBoneObj*>(kept.mesh);
        for (int b = 0; figure->bones != nullptr && b < figure->bones->count; ++b)
          kept.bones.push_back((*figure->bones)[b]);
        kept.additions = std::make_unique<engine::MAddPose>();
        kept.additions->CopyFrom(figure->addPose);
        if (engine::EngContext().failState != engine::kEngFailNone) return nullptr;
      }
      taken->meshes_.push_back(std::move(kept));
    }
    return taken;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool FigureSnapshot::PutBack(engine::MDocObj& scene, engine::MObject* object) const {
  if (object == nullptr) return false;
  engine::PtrArray meshes;
  scene.CollectMeshes(object, meshes);
  if (meshes.count != static_cast<int>(meshes_.size())) return false;
  // Every mesh is checked before any value changes.
  for (int i = 0; i < meshes.count; ++i) {
    const Mesh& kept = meshes_[static_cast<std::size_t>(i)];
    if (meshes[i] != kept.mesh) return false;
    std::size_t vertices = 0;
    for (engine::MVertex* v : kept.mesh->GetVertexList()) {
      (void)v;
      ++vertices;
    }
    if (vertices != kept.positions.size()) return false;
    if (kept.additions != nullptr) {
      auto* figure = static_cast<engine::MBoneObj*>(kept.mesh);
      const int bones = figure->bones != nullptr ? figure->bones->count : 0;
      if (bones != static_cast<int>(kept.bones.size())) return false;
    }
  }
  for (const Mesh& kept : meshes_) {
    std::size_t k = 0;
    for (engine::MVertex* v : kept.mesh->GetVertexList()) v->position = kept.positions[k++];
    if (kept.additions != nullptr) {
      auto* figure = static_cast<engine::MBoneObj*>(kept.mesh);
      for (std::size_t b = 0; b < kept.bones.size(); ++b) (*figure->bones)[static_cast<int>(b)] = kept.bones[b];
      figure->addPose.CopyFrom(*kept.additions);
    }
    kept.mesh->MarkChanged();
    kept.mesh->vertexSelectionCache = kept.selectionCaches[0];
    kept.mesh->lineSelectionCache = kept.selectionCaches[1];
    kept.mesh->faceSelectionCache = kept.selectionCaches[2];
  }
  object->SetMatrix(matrix_);
  return engine::EngContext().failState == engine::kEngFailNone;
}

}  // namespace facade
