// MDocObj: single-mesh mode and symmetric drawing. The scene's meshes are
// merged into one working mesh in scene space that is lifted into depth,
// handed to the clipboard or written in place of the objects; pairing
// along mirror chains; discarding the open edit step; the coil and wave
// line primitives, placed off the mirror plane on mirror layers.
#include <new>
#include <utility>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

namespace {

bool AnyFailure() { return EngContext().failState != kEngFailNone; }

// A mesh leaving for the clipboard keeps no parent pointer into this
// scene, which may go before the clipboard does.
void ReleaseToClipboard(MMeshObj* mesh) { mesh->SetParent(nullptr); }

}  // namespace

// ---- the merged mesh ------------------------------------------------------------------

void MDocObj::DeleteSingleMesh() {
  if (singleMeshMesh == nullptr) return;
  // Shown alone it is a child: no child may point at a deleted mesh.
  if (children.Remove(singleMeshMesh)) MarkChanged();
  delete singleMeshMesh;
  singleMeshMesh = nullptr;
}

void MDocObj::BuildSingleMesh() {
  // A merged mesh left from before is made again, never leaked.
  if (singleMeshMesh != nullptr) DropSingleMesh();
  if (SceneFailed()) return;
  PtrArray meshes;
  CollectMeshes(this, meshes);
  if (SceneFailed()) return;
  singleMeshMesh = new (std::nothrow) MMeshObj();
  if (singleMeshMesh == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  singleMeshMesh->SetParent(this);
  // Hidden meshes too: a partner in a mesh left out must not be taken for
  // a copy through a link left from earlier work.
  PtrArray every;
  const unsigned char visibleOnly = visibleLayersOnly;
  visibleLayersOnly = 0;
  CollectMeshes(this, every);
  visibleLayersOnly = visibleOnly;
  if (SceneFailed()) return;
  for (int i = 0; i < every.count; ++i) static_cast<MMeshObj*>(every[i])->ClearCopyLinks();
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    MatrixRecord world;
    GetObjectWorldMatrix(mesh, &world, nullptr);
    auto* copy = static_cast<MMeshObj*>(mesh->Clone());
    if (copy == nullptr) break;
    singleMeshMesh->AttachMesh(copy, world, nullptr, nullptr);
    delete copy;
  }
  if (SceneFailed()) return;
  singleMeshMesh->RemapPartnersToCopies();
  // Partners in meshes left out stay behind: the merged mesh pairs only
  // its own vertices.
  for (MVertex* v : singleMeshMesh->GetVertexList())
    if (v->mirrorPartner != nullptr && !singleMeshMesh->OwnsElement(nullptr, nullptr, v->mirrorPartner))
      v->mirrorPartner = nullptr;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->LinkCopiesBack();
    mesh->SaveEditState();
  }
}

void MDocObj::CreateSingleMesh() {
  BuildSingleMesh();
  if (SceneFailed()) DeleteSingleMesh();
}

void MDocObj::LiftSingleMesh() {
  TakeDrawingParams();
  if (singleMeshMesh != nullptr) {
    singleMeshMesh->AutoPairMirror();
    if (!AnyFailure()) singleMeshMesh->DepthFromSymmetricDrawing();
  }
  if (SceneFailed()) DeleteSingleMesh();
}

void MDocObj::CreateLiftedSingleMesh() {
  CreateSingleMesh();
  if (!AnyFailure()) LiftSingleMesh();
}

bool MDocObj::IsSingleMeshUnpaired() const {
  return singleMeshMesh != nullptr && !singleMeshMesh->AllVerticesPaired();
}

void MDocObj::CopyLiftedSingleMesh() {
  if (!IsSingleMeshMode()) return;
  CRGlobalM& store = EngGlobalM();
  // The pairs stay with the merged mesh: without its links back the scene's
  // meshes are left as they are, and no revert of the open edit step (which
  // would also take the user's unsaved edit) is needed to put them back.
  CreateSingleMesh();
  if (!AnyFailure() && singleMeshMesh != nullptr) singleMeshMesh->ClearVertexCopyLinks();
  if (!AnyFailure()) LiftSingleMesh();
  if (!AnyFailure() && singleMeshMesh != nullptr) {
    auto* lifted = static_cast<MMeshObj*>(singleMeshMesh->Clone());
    if (lifted != nullptr) {
      lifted->ClearMirrorPartners(0);
      lifted->ClearSelection();
      ReleaseToClipboard(lifted);
      if (!store.AddObject(lifted)) delete lifted;
    }
    if (!AnyFailure()) singleMeshMesh->SplitLinesAtMirror();
    if (!AnyFailure()) singleMeshMesh->ClearSelection();
    if (!AnyFailure() && store.AddObject(singleMeshMesh)) {
      ReleaseToClipboard(singleMeshMesh);
      singleMeshMesh = nullptr;
    }
  }
  DropSingleMesh();
  if (AnyFailure()) store.Clear();
}

void MDocObj::ShowSingleMeshOnly() {
  if (savedChildrenFlag != 0 || children.count == 0) return;
  if (!savedChildren.Reserve(children.count)) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return;
  }
  for (int i = 0; i < children.count; ++i) savedChildren.Add(children[i]);
  savedChildrenFlag = 1;
  MObject* grid = ChildAt(0);
  // The list keeps its room: the grid goes back without allocating.
  children.count = 0;
  children.Add(grid);
  if (singleMeshMesh != nullptr && !children.Add(singleMeshMesh)) EngRecordFailure(kEngReasonOutOfMemory);
  MarkChanged();
}

void MDocObj::DropSingleMesh() {
  if (savedChildrenFlag != 0) {
    // The saved list is the real one: exchanged, nothing to allocate.
    children = std::move(savedChildren);
    savedChildrenFlag = 0;
    MarkChanged();
  }
  DeleteSingleMesh();
}

// ---- writing and pairing --------------------------------------------------------------

void MDocObj::WriteAsSingleMesh(QFile& file) {
  MObject::WriteTo(file);
  const bool withMesh = children.count > 1;
  file.WriteInt(withMesh ? 2 : 1);
  GetGridObject()->WriteTo(file);
  if (withMesh && !SceneFailed()) {
    BuildSingleMesh();
    if (!SceneFailed()) {
      int counter = 1;
      singleMeshMesh->AssignIndex(counter);
      singleMeshMesh->WriteTo(file);
    }
    DropSingleMesh();
  }
  if (EngContext().formatVersion < -4 && !SceneFailed()) file.WriteInt(0);
}

void MDocObj::PairMirrorChainsFrom(MMeshObj* mesh, MVertex* vertex) {
  SaveEditStatesUnder(this);
  if (SceneFailed() || mesh == nullptr || vertex == nullptr) return;
  MVertex* partner = vertex->mirrorPartner;
  if (partner == nullptr) return;
  // Only a partner in a mesh of this scene: its mesh's step was opened above.
  if (FindMeshOfElement(nullptr, nullptr, partner) == nullptr) return;
  mesh->PairAlongChains(vertex, 0, partner);
}

// ---- discarding, line primitives --------------------------------------------------------

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
