// MDocObj: the parts of single-mesh mode and symmetric drawing that the
// scene does by itself: discarding the open edit step, and the coil and
// wave line primitives, placed off the mirror plane on mirror layers.
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

void MDocObj::DiscardEdit() {
  UndoEdit(0);
  EndEdit(0);
}

void MDocObj::AddCircleMeshOf(const PointRecord& p, const int counts[2], bool wave) {
  auto* mesh = new (std::nothrow) MMeshObj();
  if (mesh == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  if (wave)
    mesh->MakeCircleVerticesAlt(p.x, p.y, counts[0], counts[1]);
  else
    mesh->MakeCircleVertices(p, counts[0], counts[1]);
  // Beside the mirror plane, so that the mirrored half does not overlap it.
  if (!SceneFailed() && IsCurrentLayerMirror()) {
    MatrixRecord m;
    MUtilIdentity(m);
    MUtilTranslate(m, PointRecord{(wave ? -1.0 : -2.0) * p.y, 0, 0}, m);
    mesh->SetMatrix(m);
  }
  const bool added = !SceneFailed() && AddChild(mesh);
  if (!SceneFailed()) return;
  // Out of the scene before it goes: no child may point at a deleted mesh.
  if (added) RemoveChild(mesh);
  delete mesh;
}

void MDocObj::AddCircleMesh(const PointRecord& p, const int counts[2]) { AddCircleMeshOf(p, counts, false); }

void MDocObj::AddCircleMeshAlt(const PointRecord& p, const int counts[2]) { AddCircleMeshOf(p, counts, true); }

}  // namespace engine
