// MDocObj: switching the mirror flag of layers (objects move to the
// modelled side, or are made whole), whether the selection lies on mirror
// layers, and the scene-wide line width and line flag commands.
#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

void MDocObj::SetLayerMirror(bool value, int layer) {
  EndEdit(1);
  SaveLayerBackup();
  SelectAll(false);
  if (SceneFailed()) return;
  int changed[kLayerCount + 1];
  int n = 0;
  if (layer < 0) {
    for (int i = 0; i < layerCount && i < kLayerCount; ++i) changed[n++] = i;
  } else {
    ENG_FATAL_IF(layer >= kLayerCount);
    if (layers[layer].groupHead != 0) n = GetGroupMembers(layer, changed);
    changed[n++] = layer;
  }
  const unsigned char flag = value ? 1 : 0;
  for (int k = 0; k < n && !SceneFailed(); ++k) {
    LayerRecord& record = layers[changed[k]];
    if (record.mirror == flag) continue;
    PtrArray objects;
    CollectObjectsOnLayer(changed[k], objects);
    for (int i = 0; i < objects.count; ++i) static_cast<MObject*>(objects[i])->Select(true);
    record.mirror = flag;
  }
  if (SceneFailed()) return;
  if (!value)
    MakeMirroredCopies(false);
  else if (HasSelectedObject())
    MoveSelectionToMirrorSide(false);
  if (SceneFailed()) return;
  SelectAll(false);
  GetGridObject()->SetMirrorShown(HasMirrorLayer() ? 1 : 0);
}

void MDocObj::MoveSelectionToMirrorSide(bool all) {
  BoundsRecord box{0, 0, 0, 0, 0, 0, 1};
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (!all && !object->IsSelected()) continue;
    BoundsRecord one;
    object->GetWorldBounds(one);
    MUtilBoxUnion(box, one, box);
  }
  if (all) {
    SelectAll(true);
    SaveUndoAll();
  }
  if (box.empty != 0 || SceneFailed()) return;
  int kind, divisions, subdivisions;
  double extent;
  PointRecord colourA, colourB;
  GetGridParams(kind, extent, divisions, subdivisions, colourA, colourB);
  const double cell = extent / divisions;
  const double dx = -1.1 * box.maxX - 0.5 * cell;
  if (dx < 0) MoveSelectionBy(PointRecord{dx, 0, 0});
}

bool MDocObj::SelectionAllOnMirrorLayers() {
  bool any = false;
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (!object->IsSelected()) continue;
    if (!IsObjectOnMirrorLayer(object, true)) return false;
    any = true;
  }
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i) {
    if (!IsObjectOnMirrorLayer(static_cast<MObject*>(meshes[i]), true)) return false;
    any = true;
  }
  return any;
}

bool MDocObj::SetSelectionLineWidth(int width) {
  PtrArray meshes;
  if (HasSelectedObject()) {
    CollectSelectedMeshes(meshes);
    ForEachSavedMesh(meshes, [&](MMeshObj* mesh) { mesh->SetLineWidthAll(width); });
    MarkChanged();
    return true;
  }
  CollectElementSelectedMeshes(meshes);
  if (SceneFailed()) return true;
  if (meshes.count == 0) return false;
  ForEachSavedMesh(meshes, [&](MMeshObj* mesh) { mesh->SetLineWidthSelected(width); });
  MarkChanged();
  return true;
}

void MDocObj::ScaleSelectionLineWidth(double factor) {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  const bool whole = meshes.count > 0;
  if (!whole) CollectElementSelectedMeshes(meshes);
  ForEachSavedMesh(meshes, [&](MMeshObj* mesh) { mesh->ScaleLineWidth(factor, whole); });
  MarkChanged();
}

void MDocObj::ClearLineFlag10All() {
  PtrArray meshes;
  CollectMeshes(this, meshes);
  ForEachSavedMesh(meshes, [](MMeshObj* mesh) { mesh->ClearLineFlag10(); });
  MarkChanged();
}

}  // namespace engine
