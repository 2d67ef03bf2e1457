// KxLibR: the colour a face shows, which the page's eyedropper takes.
#include "engine/mesh/MMeshObj.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibR.h"

namespace facade {

int KxLibR::GetElementColor(int meshIndex, int faceId) {
  if (!scene_) return kFacadeFailed;
  engine::MMeshObj* mesh = scene_->GetMeshAt(meshIndex);
  engine::MFace* face = mesh != nullptr && faceId >= 0 ? mesh->GetFaceAt(faceId) : nullptr;
  std::uint32_t colour = 0;
  const bool read = face != nullptr && scene_->GetFaceColour(mesh, face, colour);
  if (TakeEngineFailure() || !read) return kFacadeFailed;
  return static_cast<int>(colour & 0xFFFFFF);
}

}  // namespace facade
