// MDocObj: life cycle, the edit step, accessors, layer queries and what the
// shadow pass asks of the scene.
#include "engine/scene/MDocObj.h"

#include <cstring>
#include <new>

#include "engine/core/CrPrefs.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/ObjectFactory.h"
#include "platform/ResStrings.h"

namespace engine {

bool SceneFailed() { return EngContext().failState == kEngFailFailed; }

MMeshObj* AsMesh(MObject* object) {
  return object != nullptr && object->GetType() == kObjectMesh ? static_cast<MMeshObj*>(object) : nullptr;
}

// ---- life cycle ----------------------------------------------------------------

MDocObj::MDocObj() {
  typeCode = kObjectScene;
  ResetLayers();

  auto* grid = new (std::nothrow) MGridObj();
  if (grid == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
  } else if (!AddChild(grid)) {
    delete grid;
  }
  if (SceneFailed()) return;

  SetLayerName(0, platform::LoadResString(kLayerNameResource).c_str());
  switch (EngContext().prefs != nullptr ? EngContext().prefs->viewMode : 0) {
    case 1:
      layers[0].mirror = 1;
      GetGridObject()->SetMirrorShown(1);
      break;
    case 2:
      singleMeshMode = 1;
      break;
    case 3:
      editMode = 1;
      break;
    default:
      break;
  }
  morphTargets = new (std::nothrow) MItemList<MMorphTgt>();
  if (morphTargets == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
}

MDocObj::~MDocObj() {
  // The real children come back before the group deletes them.
  DropSingleMesh();
  for (int i = 0; i < removedObjects.count; ++i) delete static_cast<MObject*>(removedObjects[i]);
  removedObjects.RemoveAll();
  EngFree(layerBackup);
  delete morphTargets;
  delete animationsPending;
  DropShadowSnapshot();
  // The children go with the group; the pools are compacted there.
}

void MDocObj::ResetLayers() {
  for (LayerRecord& record : layers) record = LayerRecord();
}

// ---- edit step -------------------------------------------------------------------

void MDocObj::RemoveObject(MObject* object) {
  if (object == nullptr || object->GetType() == kObjectGrid) return;
  MGroupObj* owner = object->GetParent();
  if (owner != nullptr) owner->RemoveChild(object);
  if (!removedObjects.Add(object)) {
    // Out of the scene and not on the list: it cannot come back, so it is
    // put back where it was rather than lost.
    EngRecordFailure(kEngReasonOutOfMemory);
    EngReleaseReserveIfOutOfMemory();
    if (owner != nullptr && owner->children.Add(object)) object->SetParent(owner);
    return;
  }
  object->SetParent(owner);
  object->SetEditState(kEditRemoved);
}

void MDocObj::RestoreObject(MObject* object) {
  removedObjects.Remove(object);
  MGroupObj* owner = object->GetParent();
  if (owner == nullptr) owner = this;
  owner->AddChild(object);
  object->SetEditState(kEditCreated);
}

void MDocObj::GetRemovedObjects(PtrArray& out) {
  for (int i = 0; i < removedObjects.count; ++i) {
    if (!out.Add(removedObjects[i])) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
}

void MDocObj::SaveUndoAll() {
  for (int i = 0; i < children.count; ++i) ChildAt(i)->SaveUndo();
}

namespace {

// Whether the mesh's top-level object is a group holding a figure, whose
// meshes never keep their undo rings.
bool InFigureGroup(MDocObj& scene, MObject* mesh) {
  MObject* top = scene.GetTopLevelObject(mesh);
  return top != nullptr && top->GetType() == kObjectGroup && static_cast<MGroupObj*>(top)->HasBoneChild(true);
}

// Whether the mesh lies inside an object created in this step.
bool InCreatedObject(MDocObj& scene, MObject* mesh) {
  for (MObject* o = mesh->GetParent(); o != nullptr && o != &scene; o = o->GetParent())
    if (o->GetEditState() == kEditCreated) return true;
  return false;
}

}  // namespace

bool MDocObj::CanKeepMeshUndo() {
  if (EngContext().undoDepth <= 1) return false;
  if (animationUndoState != 0 || shadowSnapshotState != 0) return false;
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MObject*>(meshes[i]);
    if (mesh->GetEditState() == kEditMeshStep && InFigureGroup(*this, mesh)) return false;
  }
  PtrArray all;
  CollectAllObjects(this, all);
  for (int i = 0; i < all.count; ++i) {
    auto* object = static_cast<MObject*>(all[i]);
    const int type = object->GetType();
    if (type == kObjectGrid || type == kObjectScene) continue;
    if (object->GetEditState() == kEditTransformSaved) return false;
    if (!object->IsMatrixUnchanged() && object->excluded == 0) return false;
  }
  if (removedObjects.count != 0) return false;
  for (int i = 0; i < all.count; ++i)
    if (static_cast<MObject*>(all[i])->GetEditState() == kEditCreated) return false;
  return layerBackupValid == 0;
}

void MDocObj::EndEdit(int noMeshUndo) {
  const bool keep = noMeshUndo != 1 && CanKeepMeshUndo();
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->Checkpoint(InFigureGroup(*this, mesh) ? false : keep);
  }
  SetModeBytes(0, 0, 0);

  PtrArray all;
  CollectAllObjects(this, all);
  for (int i = 0; i < all.count; ++i) {
    auto* object = static_cast<MObject*>(all[i]);
    object->SetEditState(kEditUnchanged);
    object->SaveState();
  }
  for (int i = 0; i < removedObjects.count; ++i) {
    ForgetAnimatedObject(static_cast<MObject*>(removedObjects[i]));
    delete static_cast<MObject*>(removedObjects[i]);
  }
  removedObjects.RemoveAll();

  SetUndoStep(true);
  untouched = 0;
  RemoveEmptyObjects();
  RemoveMissingAnimObjects();
  DropLayerBackup();
  SetRedoAvailable(false);
  DropSavedAnimation();
  DropShadowSnapshot();
  floorShadowState = 0;
}

void MDocObj::UndoEdit(int redo) {
  SetModeBytes(0, 0, 0);
  const bool keep = CanKeepMeshUndo();
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    // An object made in this step is taken out whole and comes back whole:
    // the steps of the meshes inside it stay as they are.
    if (InCreatedObject(*this, mesh)) continue;
    if (mesh->GetEditState() == kEditMeshStep || (keep && !InFigureGroup(*this, mesh))) mesh->ExchangeUndoStep(redo);
  }

  // Both lists before anything moves: what step 5 restores stays restored.
  PtrArray all, removed;
  CollectAllObjects(this, all);
  GetRemovedObjects(removed);
  if (SceneFailed()) return;
  for (int i = 0; i < all.count; ++i) {
    auto* object = static_cast<MObject*>(all[i]);
    if (object->GetEditState() == kEditTransformSaved) object->SwapUndo();
  }
  for (int i = 0; i < removed.count; ++i) RestoreObject(static_cast<MObject*>(removed[i]));
  for (int i = 0; i < all.count; ++i) {
    auto* object = static_cast<MObject*>(all[i]);
    if (object->GetEditState() == kEditCreated) RemoveObject(object);
  }

  PtrArray fresh;
  CollectMeshes(this, fresh);
  for (int i = 0; i < fresh.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(fresh[i]);
    mesh->InvalidateSelectionCache();
    mesh->UpdateSelectionCache();
  }
  int selectedMeshes = 0;
  CountElementSelectedMeshes(selectedMeshes);
  if (selectedMeshes > 0) SetAllSelected(false);

  GetGridObject()->SetMirrorShown(HasMirrorLayer() ? 1 : 0);
  SwapLayerBackup();
  SwapShadowSnapshot();
  SwapSavedAnimation();
  SetRedoAvailable(redo == 0);
  ApplyElementParamToAll();
}

void MDocObj::RevertStep() {
  if (HasUndoStep()) {
    UndoEdit(0);
    EndEdit(0);
  }
  CompactElementPoolsIfInstalled();
}

void MDocObj::RemoveEmptyObjects() {
  PtrArray all;
  CollectAllObjects(this, all);
  PtrArray empty;
  for (int i = 0; i < all.count; ++i) {
    auto* object = static_cast<MObject*>(all[i]);
    bool isEmpty = false;
    if (object->GetType() == kObjectGroup) isEmpty = static_cast<MGroupObj*>(object)->GetChildCount() == 0;
    if (MMeshObj* mesh = AsMesh(object)) isEmpty = mesh->GetVertexList().IsEmpty();
    if (isEmpty && !empty.Add(object)) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
  }
  for (int i = 0; i < empty.count; ++i) {
    auto* object = static_cast<MObject*>(empty[i]);
    // A group emptied here is deleted by the detaching cascade.
    DetachObject(object);
    ForgetAnimatedObject(object);
    delete object;
  }
}

// ---- accessors -------------------------------------------------------------------

void MDocObj::SetModeBytes(unsigned char a, unsigned char b, unsigned char c) {
  preparedFlags[0] = a;
  preparedFlags[1] = b;
  preparedFlags[2] = c;
}

void MDocObj::GetModeBytes(unsigned char& a, unsigned char& b, unsigned char& c) const {
  a = preparedFlags[0];
  b = preparedFlags[1];
  c = preparedFlags[2];
}

// The engine store keeps the symmetric-drawing direction flag as its step
// count and the view factor as its step size.
void MDocObj::TakeDrawingParams() {
  drawingParamFlag = EngGlobalM().stepCount != 0 ? 1 : 0;
  drawingParamFactor = EngGlobalM().stepSize;
}

void MDocObj::PutDrawingParams() {
  EngGlobalM().stepCount = drawingParamFlag;
  EngGlobalM().stepSize = drawingParamFactor;
}

// ---- layer queries ------------------------------------------------------------------

bool MDocObj::IsCurrentLayerMirror() const {
  return currentLayer >= 0 && currentLayer < kLayerCount && layers[currentLayer].mirror != 0;
}

bool MDocObj::IsObjectOnMirrorLayer(MObject* object, bool toTop) {
  ENG_FATAL_IF(object == nullptr);
  MObject* owner = toTop ? GetTopLevelObject(object) : object;
  const int layer = owner->GetLayer();
  ENG_FATAL_IF(layer < 0 || layer >= kLayerCount);
  return layers[layer].mirror != 0;
}

bool MDocObj::HasMirrorLayer() const {
  for (int i = 0; i < layerCount && i < kLayerCount; ++i)
    if (layers[i].mirror != 0) return true;
  return false;
}

bool MDocObj::HasGroupHeadLayer() const {
  for (int i = 0; i < layerCount && i < kLayerCount; ++i)
    if (layers[i].groupHead != 0) return true;
  return false;
}

bool MDocObj::AreAllLayersHeadOrMirror() const {
  for (int i = 0; i < layerCount && i < kLayerCount; ++i)
    if (layers[i].groupHead == 0 && layers[i].mirror == 0) return false;
  return true;
}

bool MDocObj::DifferInMirrorLayer(MObject* a, MObject* b) {
  return IsObjectOnMirrorLayer(a, true) != IsObjectOnMirrorLayer(b, true);
}

// ---- the shadow pass -------------------------------------------------------------------

int MDocObj::ShadowImageState() const { return floorShadowState == 2 ? 2 : 0; }

void MDocObj::GetGridParams(int& kind, double& size, int& divisions, PointRecord& colour, PointRecord& axisColour,
                            int& subdivisions) {
  GetGridObject()->GetGridParams(kind, size, divisions, colour, axisColour, subdivisions);
}

}  // namespace engine
