// MDocObj: the scene's figures. Which figures a command acts on, building a
// figure from a drawn skeleton and the objects around it, binding it,
// measuring it, selecting the figures, and turning figures back into plain
// meshes.
#include <cmath>
#include <cstdint>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"
#include "platform/Hooks.h"
#include "platform/ResStrings.h"

namespace engine {

using namespace scene_detail;

namespace {

bool IsFigureGroup(MObject* object) {
  return object->GetType() == kObjectGroup && static_cast<MGroupObj*>(object)->HasBoneChild(false);
}

MBoneObj* AsFigure(void* mesh) {
  auto* object = static_cast<MObject*>(mesh);
  return object->IsBoneObject() ? static_cast<MBoneObj*>(object) : nullptr;
}

// A mesh of lines without faces: what a skeleton is drawn as.
bool IsSkeletonMesh(MObject* object) {
  MMeshObj* mesh = AsMesh(object);
  if (mesh == nullptr) return false;
  int vertices = 0, lines = 0, faces = 0, drawn = 0;
  mesh->CountElements(vertices, lines, faces, drawn);
  return lines > 0 && faces == 0;
}

// 1 a skeleton (a skeleton mesh, or a group of skeleton meshes only), 0
// something else, -1 a group mixing skeleton meshes with other meshes.
int SkeletonKind(MDocObj& scene, MObject* object) {
  if (object->GetType() != kObjectGroup) return IsSkeletonMesh(object) ? 1 : 0;
  PtrArray meshes;
  scene.CollectMeshes(object, meshes);
  int skeletons = 0;
  for (int i = 0; i < meshes.count; ++i)
    if (IsSkeletonMesh(static_cast<MObject*>(meshes[i]))) ++skeletons;
  if (skeletons == 0) return 0;
  return skeletons == meshes.count ? 1 : -1;
}

}  // namespace

// ---- which figures ----------------------------------------------------------------------

bool MDocObj::HasFigure(int mode) {
  if (mode < 0 || mode > 3) return false;
  PtrArray meshes;
  if (mode == 3)
    CollectMeshes(this, meshes);
  else
    CollectSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i) {
    MBoneObj* figure = AsFigure(meshes[i]);
    if (figure == nullptr) continue;
    if (mode == 1 && !figure->IsSkinBound()) continue;
    if (mode == 2 && figure->IsSkinBound()) continue;
    return true;
  }
  return false;
}

bool MDocObj::HasFigureInElementSelection(int mode) {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i) {
    MBoneObj* figure = AsFigure(meshes[i]);
    if (mode == 0 || mode == 2) {
      if (figure != nullptr) return true;
    } else if (figure != nullptr && !figure->IsSkinBound()) {
      return true;
    }
    if (mode != 0) continue;
    for (MObject* o = static_cast<MObject*>(meshes[i])->GetParent(); o != nullptr && o != this; o = o->GetParent())
      if (IsFigureGroup(o)) return true;
  }
  return false;
}

MBoneObj* MDocObj::GetSelectedFigure(int source) {
  PtrArray meshes;
  if (source == 0)
    CollectMeshes(this, meshes);
  else if (source == 1)
    CollectSelectedMeshes(meshes);
  else
    CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (MBoneObj* figure = AsFigure(meshes[i])) return figure;
  return nullptr;
}

int MDocObj::GetSelectedFigures(int kind, PtrArray* list) {
  if (list != nullptr) list->RemoveAll();
  auto candidate = [&](MObject* object) {
    return IsFigureGroup(object) && IsObjectVisible(object) && IsObjectEditable(object) &&
           FindBoneObj(object) != nullptr;
  };
  auto wanted = [&](MObject* object) {
    const bool bound = FindBoneObj(object)->IsSkinBound();
    return kind == 1 ? bound : kind == 2 ? !bound : true;
  };
  auto take = [&](MObject* object) {
    if (list == nullptr || list->Add(object)) return true;
    list->RemoveAll();
    EngRecordFailure(kEngReasonOutOfMemory);
    return false;
  };
  int count = 0;
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (!object->IsSelected() || !candidate(object) || !wanted(object)) continue;
    if (!take(object)) return 0;
    ++count;
  }
  if (count > 0) return count;
  // Nothing selected: the scene's figure, when it has just one.
  int seen = 0;
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (!candidate(object)) continue;
    ++seen;
    if (!wanted(object)) continue;
    if (!take(object)) return 0;
    ++count;
  }
  if (seen > 1 && kind != 3) {
    if (list != nullptr) list->RemoveAll();
    return 0;
  }
  return count;
}

MBoneObj* MDocObj::GetSelectedFigureBone() {
  PtrArray selected;
  GetSelectedObjects(selected);
  if (selected.count != 1 || !IsFigureGroup(static_cast<MObject*>(selected[0]))) return nullptr;
  return FindBoneObj(static_cast<MObject*>(selected[0]));
}

bool MDocObj::SelectionHasBoundFigure(bool verticesOnly) {
  if (!verticesOnly && GetSelectedFigures(1, nullptr) > 0) return true;
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i) {
    MBoneObj* figure = AsFigure(meshes[i]);
    if (figure != nullptr && figure->IsSkinBound()) return true;
  }
  return false;
}

bool MDocObj::HasSingleVertexSelections() {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  if (meshes.count == 0) return false;
  for (int i = 0; i < meshes.count; ++i) {
    MBoneObj* figure = AsFigure(meshes[i]);
    if (figure != nullptr && figure->IsSkinBound()) return false;
    PtrArray rings;
    static_cast<MMeshObj*>(meshes[i])->GatherSelectedVertices(rings);
    if (SceneFailed() || rings.count > 1) return false;
  }
  return true;
}

bool MDocObj::SelectedFiguresHaveMorphs() {
  PtrArray groups;
  GetSelectedFigures(1, &groups);
  for (int g = 0; g < groups.count; ++g) {
    PtrArray meshes;
    CollectMeshes(static_cast<MObject*>(groups[g]), meshes);
    for (int i = 0; i < meshes.count; ++i)
      if (static_cast<MMeshObj*>(meshes[i])->HasMorphs()) return true;
  }
  return false;
}

bool MDocObj::HasBoneLengthRatios(bool want) {
  PtrArray groups;
  GetSelectedFigures(1, &groups);
  for (int g = 0; g < groups.count; ++g) {
    MBoneObj* figure = FindBoneObj(static_cast<MObject*>(groups[g]));
    if (figure != nullptr && figure->HasBoneLengthRatios() == want) return true;
  }
  return false;
}

int MDocObj::GetFigureHeight(double& height, PointRecord& point) {
  MBoneObj* figure = GetSelectedFigureBone();
  PointRecord top, next;
  if (figure == nullptr || !figure->GetTopLandmarkPoints(top, next)) return -1;
  MatrixRecord world;
  GetObjectWorldMatrix(figure, &world, nullptr);
  MUtilTransformPoint(world, top, top);
  MUtilTransformPoint(world, next, next);
  height = MUtilDistance(top, next);
  point = next;
  return 0;
}

void MDocObj::GetMeshListBounds(const PtrArray& meshes, BoundsRecord& out) {
  out = BoundsRecord{};
  out.empty = 1;
  for (int i = 0; i < meshes.count; ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (mesh->GetVertexList().IsEmpty()) continue;
    MatrixRecord world;
    GetObjectWorldMatrix(mesh, &world, nullptr);
    BoundsRecord box;
    mesh->GetTransformedBounds(world, false, box);
    MUtilBoxUnion(out, box, out);
  }
}

// ---- building a figure -------------------------------------------------------------------

MObject* MDocObj::FindRigBase() {
  PtrArray selected;
  GetSelectedObjects(selected);
  if (SceneFailed() || selected.count < 2 || SelectionTouchesMirrorLayer()) return nullptr;
  MObject* base = nullptr;
  for (int i = 0; i < selected.count; ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    if (IsFigureGroup(object)) return nullptr;
    const int kind = SkeletonKind(*this, object);
    if (kind < 0 || (kind == 1 && base != nullptr)) return nullptr;
    if (kind == 1) base = object;
  }
  return base;
}

MGroupObj* MDocObj::BuildFigureRig(int rigMode) {
  MObject* base = FindRigBase();
  if (base == nullptr) return nullptr;
  MMeshObj* baseMesh = AsMesh(base);
  if (baseMesh != nullptr && baseMesh->HasMorphs()) {
    EngRecordFailure(kEngReasonRigRefusedWithMorphs);
    return nullptr;
  }
  // The selected objects go into the new group and the skeleton is
  // replaced by the figure: copies of them stand in on the removed list, so
  // that undo gives them back as they were.
  PtrArray originals, copies;
  GetSelectedObjects(originals);
  if (SceneFailed() || !StandInUndoCopies(originals, copies)) return nullptr;
  for (int i = 0; i < originals.count; ++i) static_cast<MObject*>(originals[i])->SetEditState(kEditCreated);
  PtrArray earlier;
  for (int i = 0; i < children.count; ++i)
    if (!AddOrFail(earlier, children[i])) return nullptr;

  MGroupObj* group = nullptr;
  base->ApplyScale();
  if (!SceneFailed()) group = GroupSelectionAround(base, 1);
  // A skeleton group merged into one mesh waits on the removed list: its
  // copy stands in for it already.
  for (int i = 0; i < originals.count; ++i) {
    auto* original = static_cast<MObject*>(originals[i]);
    if (!removedObjects.Remove(original)) continue;
    ForgetAnimatedObject(original);
    delete original;
  }
  if (group != nullptr && !SceneFailed()) {
    MBoneObj* figure = FindBoneObj(group);
    if (figure != nullptr) {
      figure->AllocateRig(rigMode);
      if (!SceneFailed()) figure->CaptureRestState(this, true);
      if (!SceneFailed()) figure->BuildRig(this);
      if (!SceneFailed()) figure->RestoreInfluenceRadii();
    }
  }
  // What grouping made (the group, and a merged mesh left by a failure) is
  // new in this step and taken out whole by an undo; what it holds keeps
  // no step of its own.
  for (int i = 1; i < children.count; ++i) {
    MObject* child = ChildAt(i);
    bool old = false;
    for (int k = 0; k < earlier.count && !old; ++k) old = earlier[k] == child;
    if (old) continue;
    PtrArray inside;
    CollectAllObjects(child, inside);
    for (int k = 0; k < inside.count; ++k) static_cast<MObject*>(inside[k])->SetEditState(kEditUnchanged);
    child->SetEditState(kEditCreated);
  }
  return group;
}

int MDocObj::BindToFigure() {
  MBoneObj* figure = GetSelectedFigureBone();
  if (figure == nullptr) return -1;
  SelectAll(false);
  figure->SelectTopBone();
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (meshes[i] != figure) static_cast<MMeshObj*>(meshes[i])->InvertSelection();
  if (!ExcludeBonesOfSingleLines()) return -1;
  BindUnboundFigures();
  return 0;
}

// ---- selecting and dissolving figures ------------------------------------------------------

void MDocObj::SelectAllFigures(bool select) {
  PtrArray figures;
  GetSelectedFigures(1, &figures);
  SelectAll(!select);
  for (int i = 0; i < figures.count; ++i) static_cast<MObject*>(figures[i])->Select(select);
}

void MDocObj::DissolveFigures() {
  PtrArray groups;
  GetSelectedFigures(0, &groups);
  SetAllSelected(false);
  PtrArray objects, layerIndices, mirrors;
  for (int i = 0; i < groups.count && !SceneFailed(); ++i) {
    auto* group = static_cast<MGroupObj*>(groups[i]);
    MBoneObj* figure = FindBoneObj(group);
    if (figure == nullptr) continue;
    figure->StoreInfluenceRatios();
    auto* skeleton = new (std::nothrow) MMeshObj();
    if (skeleton == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      break;
    }
    // The skeleton alone, without the figure's data; it stands in the
    // scene where it stood inside the group.
    figure->MMeshObj::CopyTo(skeleton);
    MatrixRecord own, groupMatrix, world;
    figure->GetMatrix(own);
    group->GetMatrix(groupMatrix);
    MUtilMultiply(groupMatrix, own, world);
    skeleton->SetMatrix(world);
    if (SceneFailed() || !AddChild(skeleton)) {
      delete skeleton;
      break;
    }
    if (!AddOrFail(objects, skeleton) ||
        !AddOrFail(layerIndices, reinterpret_cast<void*>(static_cast<std::intptr_t>(group->GetLayer()))) ||
        !AddOrFail(mirrors, reinterpret_cast<void*>(static_cast<std::intptr_t>(IsObjectOnMirrorLayer(group, true)))))
      break;
    figure->GetParent()->RemoveChild(figure);
    ForgetAnimatedObject(figure);
    delete figure;
    skeleton->Select(true);
    group->Select(true);
    CentrePivotsOnSelection();
    skeleton->Select(false);
    UngroupSelection(&objects, &layerIndices, &mirrors);
    SetAllSelected(false);
  }
  EndEdit(0);
  if (!LayerIndicesDiffer(objects, layerIndices)) return;
  const bool keep = platform::ShowMessage(platform::LoadResString(kKeepLayersQuestion), "Pennet",
                                          platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
  if (RestoreLayerIndices(objects, layerIndices, mirrors, keep) != keep)
    platform::ShowMessage(platform::LoadResString(kLayersRestoredNotice), "Pennet", platform::kMbIconInfo);
}

}  // namespace engine
