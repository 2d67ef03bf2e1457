// MDocObj: delete, copy, cut and paste through the engine clipboard,
// duplicating and moving the selection, grouping and ungrouping, joining
// meshes, and the layer indices kept around a layer change.
#include <cstdint>
#include <new>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/ObjectFactory.h"
#include "engine/mesh/MMorph.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"
#include "platform/Hooks.h"

namespace engine {

using namespace scene_detail;
namespace {

// Records the source scene's single-mesh flag, unit and layer table.
void NoteSourceScene(MDocObj& scene) {
  CRGlobalM& store = EngGlobalM();
  store.pasteFlag = scene.IsSingleMeshMode() ? 1 : 0;
  store.pasteValue = scene.GetUnitCode();
  unsigned char* table = scene.CopyLayerTable();
  if (table != nullptr) store.SetLayerTable(table, scene.GetLayerCount());
}

// The selected objects; the clipboard emptied and given the scene's morph
// targets (and, in single-mesh mode, the lifted merged mesh and its split
// twin).
CRGlobalM& StartClipboard(MDocObj& scene, PtrArray& selected) {
  scene.GetSelectedObjects(selected);
  CRGlobalM& store = EngGlobalM();
  store.Clear();
  // The targets first: storing them empties the clipboard.
  scene.StoreTargetsGlobally();
  if (scene.IsSingleMeshMode() && !SceneFailed()) scene.CopyLiftedSingleMesh();
  return store;
}

}  // namespace

// ---- delete, copy, cut --------------------------------------------------------------

void MDocObj::DeleteSelection() {
  PtrArray selected;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    RemoveObject(object);
    if (IsSingleMeshMode() && !SceneFailed()) ClearMirrorPartnersUnder(object, 1);
  }
}

void MDocObj::CopySelection(bool move) {
  PtrArray selected;
  CRGlobalM& store = StartClipboard(*this, selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    if (move) {
      if (!store.AddObject(object)) break;
      children.Remove(object);
      // The clipboard may outlive this scene: no parent pointer into it.
      object->SetParent(nullptr);
      continue;
    }
    MObject* copy = object->Clone();
    if (copy == nullptr) break;
    if (!store.AddObject(copy)) {
      delete copy;
      break;
    }
    if (IsSingleMeshMode()) ClearMirrorPartnersUnder(copy, 0);
  }
  if (!SceneFailed()) NoteSourceScene(*this);
  if (SceneFailed()) store.Clear();
}

void MDocObj::CutSelection() {
  PtrArray selected;
  CRGlobalM& store = StartClipboard(*this, selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    MObject* copy = object->Clone();
    if (copy == nullptr) break;
    RemoveObject(object);
    if (SceneFailed() || !store.AddObject(copy)) {
      delete copy;
      break;
    }
    if (IsSingleMeshMode()) {
      ClearMirrorPartnersUnder(copy, 0);
      ClearMirrorPartnersUnder(object, 1);
    }
  }
  if (!SceneFailed()) NoteSourceScene(*this);
  if (SceneFailed()) store.Clear();
}

// ---- paste ---------------------------------------------------------------------------

// ---- selected parts ---------------------------------------------------------------------

void MDocObj::TransferSelectedParts(int how) {
  const bool copying = how == 1 || how == 2;
  const bool deleting = how == 0 || how == 2;
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  if (SceneFailed()) return;
  CRGlobalM& store = EngGlobalM();
  if (copying) {
    store.Clear();
    store.pasteFlag = IsSingleMeshMode() ? 1 : 0;
    if (IsSingleMeshMode()) CopyLiftedSingleMesh();
    if (SceneFailed()) return;
  }
  // In single-mesh mode a part that goes leaves its mirror pairs first.
  if (deleting && IsSingleMeshMode()) {
    for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
      PtrArray selected;
      static_cast<MMeshObj*>(meshes[i])->GatherSelected(0, nullptr, nullptr, &selected);
      for (int k = 0; k < selected.count && !SceneFailed(); ++k) {
        auto* v = static_cast<MVertex*>(selected[k]);
        if (v->mirrorPartner != nullptr) v->SetMirrorPartner(nullptr);
      }
    }
  }
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveSelectionForUndo();
    PtrArray faces, lines, vertices;
    if (!SceneFailed()) mesh->GatherSelected(0, &faces, &lines, &vertices);
    if (SceneFailed()) break;
    if (copying) {
      MMeshObj* part = mesh->CopyMarkedToNewMesh(&faces, &lines);
      if (part == nullptr) break;
      part->ClearSelection();
      part->SetLayer(GetTopLevelObject(mesh)->GetLayer());
      if (IsSingleMeshMode()) ClearMirrorPartnersUnder(part, 0);
      MatrixRecord world;
      GetObjectWorldMatrix(mesh, &world, nullptr);
      part->SetMatrix(world);
      if (SceneFailed() || !store.AddObject(part)) {
        delete part;
        break;
      }
    }
    if (deleting) {
      mesh->DeleteLists(&faces, &lines, &vertices);
      mesh->MarkChanged();
    }
  }
  if (copying && !SceneFailed()) NoteSourceScene(*this);
  if (copying && SceneFailed()) store.Clear();
}

void MDocObj::GetDefaultPasteOffset(PointRecord& out) {
  int kind, divisions, subdivisions;
  double extent;
  PointRecord a, b;
  GetGridParams(kind, extent, divisions, subdivisions, a, b);
  const double cell = extent / divisions;
  out = IsSingleMeshMode() ? PointRecord{-cell, cell, 0} : PointRecord{0, cell, cell};
}

void MDocObj::PasteObjects(const PointRecord* placement, bool keepLayers, bool fromMove) {
  CRGlobalM& store = EngGlobalM();
  const bool singleClipboard = store.pasteFlag != 0;
  if (layerCount + store.layerCount + 1 >= kLayerCount) keepLayers = false;

  int base = layerCount;
  int newLayer = -1;
  if (keepLayers) {
    if (HasGroupHeadLayer()) {
      const int head = AddLayer(0);
      if (head >= 0) SetLayerFlag(head, kLayerGroupHead, 1, false);
      ++base;
    }
    for (int i = 0; i < store.layerCount; ++i) {
      const int added = AddLayer(0);
      const unsigned char* record = store.GetLayerRecord(i);
      if (added >= 0 && record != nullptr) layers[added] = *reinterpret_cast<const LayerRecord*>(record);
    }
  } else {
    bool fromMirror = false, fromPlain = false;
    store.GetLayerFlagSummary(fromMirror, fromPlain);
    const bool currentMirror = IsCurrentLayerMirror();
    const bool needLayer = !singleClipboard && ((currentMirror && fromPlain) || (!currentMirror && fromMirror));
    if (needLayer) {
      if (layerCount >= kLayerCount) {
        EngRecordFailure(kEngReasonLayerTableFull);
        return;
      }
      SaveLayerBackup();
      if (SceneFailed()) return;
      newLayer = AddLayer(0);
      SetLayerFlag(newLayer, kLayerMirror, currentMirror ? 0 : 1, false);
    }
  }

  PtrArray entries, pasted;
  store.CopyObjectsTo(entries);
  if (SceneFailed()) return;
  // The pasted morphs are numbered afresh after the scene's own.
  ClearMorphIndices(entries);
  SelectAll(false);
  // Whatever happens below, what was pasted counts as made in this step,
  // so that an undo takes it away again.
  struct MarkCreated {
    PtrArray& list;
    ~MarkCreated() {
      for (int i = 0; i < list.count; ++i) static_cast<MObject*>(list[i])->SetEditState(kEditCreated);
    }
  } markCreated{pasted};

  for (int i = 0; i < entries.count && !SceneFailed(); ++i) {
    bool paste;
    if (!singleClipboard)
      paste = !IsSingleMeshMode();
    else if (IsSingleMeshMode())
      paste = i >= 2;
    else
      paste = i == (IsCurrentLayerMirror() ? 1 : 0);
    if (!paste) continue;
    auto* source = static_cast<MObject*>(entries[i]);
    MObject* object = fromMove ? source : source->Clone();
    if (object == nullptr) return;
    int layer;
    if (keepLayers)
      layer = source->GetLayer() + base;
    else if (singleClipboard || (store.GetObjectLayerFlag(source) != 0) == IsCurrentLayerMirror() || newLayer < 0)
      layer = currentLayer;
    else
      layer = newLayer;
    object->Select(true);
    if (!AddOrFail(pasted, object)) {
      if (!fromMove) delete object;
      return;
    }
    if (!AddChild(object)) {
      pasted.Remove(object);
      if (!fromMove) delete object;
      return;
    }
    object->SetLayer(layer);
  }
  if (fromMove) store.ReleaseObjectList();
  if (SceneFailed()) return;

  PointRecord offset;
  if (placement != nullptr)
    offset = *placement;
  else
    GetDefaultPasteOffset(offset);
  MoveSelectionBy(offset);
  if (SceneFailed()) return;
  ScaleScene(GetUnitFactor(unitCode) / GetUnitFactor(store.pasteValue), 0, 1);
  if (!SceneFailed()) RenumberMorphIndices();
}

// ---- duplicate and move ----------------------------------------------------------------

void MDocObj::DuplicateSelection(const PointRecord* offset, MObject** mesh) {
  PtrArray selected, copies;
  GetSelectedObjects(selected);
  for (int i = 0; i < selected.count && !SceneFailed(); ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    MObject* copy = object->Clone();
    if (copy == nullptr) {
      EngRecordFailure(kEngReasonOutOfMemory);
      return;
    }
    if (mesh != nullptr && *mesh == object) *mesh = copy;
    object->Select(false);
    copy->Select(true);
    if (!AddChild(copy)) {
      delete copy;
      return;
    }
    copy->SetLayer(currentLayer);
    if (IsSingleMeshMode()) ClearMirrorPartnersUnder(copy, 0);
    copy->SetEditState(kEditCreated);
    if (!AddOrFail(copies, copy)) return;
  }
  if (SceneFailed()) return;
  PointRecord step;
  if (offset != nullptr)
    step = *offset;
  else
    GetDefaultPasteOffset(step);
  MoveSelectionBy(step);
  // The move saved the copies' transforms; they stay made in this step, so
  // that an undo takes them away.
  for (int i = 0; i < copies.count; ++i) static_cast<MObject*>(copies[i])->SetEditState(kEditCreated);
}

void MDocObj::MoveSelectionBy(const PointRecord& vector) {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  if (SceneFailed()) return;
  if (meshes.count > 0) {
    for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
      auto* mesh = static_cast<MMeshObj*>(meshes[i]);
      mesh->SaveEditState();
      MatrixRecord inverse;
      GetObjectWorldMatrix(mesh, nullptr, &inverse);
      PointRecord local;
      MUtilTransformVector(inverse, vector, local);
      PtrArray vertices;
      mesh->GatherSelectedVertices(vertices);
      mesh->BeginMirrorMove();
      for (int k = 0; k < vertices.count && !SceneFailed(); ++k) {
        auto* v = static_cast<MVertex*>(vertices[k]);
        v->SaveUndoRing();
        if (SceneFailed()) break;
        const PointRecord p = v->GetPosition();
        const PointRecord target{p.x + local.x, p.y + local.y, p.z + local.z};
        mesh->MoveMirrorVertex(v, target);
        v->SetPosition(target);
      }
      mesh->EndMirrorMove();
      mesh->MarkChanged();
    }
    return;
  }
  SaveUndoAll();
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (!object->IsSelected()) continue;
    PointRecord v = vector;
    if (object->IsSymmetric()) v.x = 0;
    MatrixRecord m;
    object->GetMatrix(m);
    MUtilTranslateAfter(m, v, m);
    object->SetMatrix(m);
  }
}

// ---- grouping ---------------------------------------------------------------------------

MGroupObj* MDocObj::GroupSelection(MObject* key) { return GroupSelectionAround(key, 0); }

MGroupObj* MDocObj::GroupSelectionAround(MObject* key, int mode) {
  PtrArray selected;
  GetSelectedObjects(selected);
  if (SceneFailed() || selected.count == 0 || (selected.count < 2 && key == nullptr)) return nullptr;

  // The reference: the earliest selected symmetric object (the key when it
  // is one of them), else the earliest selected (the key when selected).
  auto pick = [&](bool symmetricOnly) -> MObject* {
    MObject* best = nullptr;
    for (int i = 0; i < selected.count; ++i) {
      auto* o = static_cast<MObject*>(selected[i]);
      if (symmetricOnly && !o->IsSymmetric()) continue;
      if (o == key) return o;
      if (best == nullptr || o->GetSelectTime() < best->GetSelectTime()) best = o;
    }
    return best;
  };
  MObject* reference = pick(true);
  if (reference == nullptr) reference = pick(false);

  auto* group = new (std::nothrow) MGroupObj();
  if (group == nullptr) {
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  if (!AddChild(group)) {
    delete group;
    return nullptr;
  }
  // Room for every object first: one taken out of the scene must always
  // find its place in the group.
  for (int i = 0; i < selected.count; ++i) {
    if (group->children.Add(nullptr)) continue;
    group->children.count = 0;
    RemoveChild(group);
    delete group;
    EngRecordFailure(kEngReasonOutOfMemory);
    return nullptr;
  }
  group->children.count = 0;
  MatrixRecord referenceMatrix, referenceInverse;
  reference->GetMatrix(referenceMatrix);
  MUtilInvert(referenceMatrix, referenceInverse);
  group->SetMatrix(referenceMatrix);
  group->SetLayer(reference->GetLayer());

  for (int i = 0; i < selected.count; ++i) {
    auto* child = static_cast<MObject*>(selected[i]);
    child->Select(false);
    MObject* moved = child;
    if (mode == 1 && child == key) {
      MObject* source = key;
      if (key->GetType() == kObjectGroup) {
        // The merged mesh replaces the group, which waits on the removed
        // list for an undo; the figure is made from the mesh.
        source = MergeObjectMeshes(key, 1);
        if (source == nullptr) return nullptr;
      }
      ObjectCreator makeFigure = FindObjectCreator(kObjectFigure);
      MObject* figure = makeFigure != nullptr ? makeFigure() : nullptr;
      if (makeFigure == nullptr) EngRecordFailure(kEngReasonNotAvailable);
      else if (figure == nullptr) EngRecordFailure(kEngReasonOutOfMemory);
      if (figure == nullptr || SceneFailed()) {
        delete figure;
        return nullptr;
      }
      source->CopyTo(figure);
      source->GetParent()->RemoveChild(source);
      ForgetAnimatedObject(source);
      delete source;
      moved = figure;
    } else {
      RemoveChild(child);
    }
    MatrixRecord m;
    moved->GetMatrix(m);
    MUtilMultiply(referenceInverse, m, m);
    moved->SetMatrix(m);
    if (!group->AddChild(moved)) return nullptr;
  }
  group->Select(true);
  return group;
}

void MDocObj::UngroupSelection(PtrArray* childrenOut, PtrArray* layersOut, PtrArray* mirrorsOut) {
  PtrArray selected;
  GetSelectedObjects(selected);
  PtrArray groups, meshes;
  for (int i = 0; i < selected.count; ++i) {
    auto* object = static_cast<MObject*>(selected[i]);
    if (object->GetType() == kObjectGroup && !AddOrFail(groups, object)) return;
    if (object->GetType() == kObjectMesh && !AddOrFail(meshes, object)) return;
  }
  bool changed = false;
  for (int g = 0; g < groups.count && !SceneFailed(); ++g) {
    auto* group = static_cast<MGroupObj*>(groups[g]);
    PtrArray members;
    group->GetChildren(members);
    MatrixRecord groupMatrix;
    group->GetMatrix(groupMatrix);
    const bool mirror = IsObjectOnMirrorLayer(group, true);
    for (int k = 0; k < members.count && !SceneFailed(); ++k) {
      auto* child = static_cast<MObject*>(members[k]);
      group->RemoveChild(child);
      if (!AddChild(child)) {
        group->AddChild(child);
        return;
      }
      MatrixRecord m;
      child->GetMatrix(m);
      MUtilMultiply(groupMatrix, m, m);
      child->SetMatrix(m);
      child->SetSelectedFlag(true);
      if (childrenOut != nullptr && layersOut != nullptr && mirrorsOut != nullptr) {
        AddOrFail(*childrenOut, child);
        AddOrFail(*layersOut, reinterpret_cast<void*>(static_cast<std::intptr_t>(group->GetLayer())));
        AddOrFail(*mirrorsOut, reinterpret_cast<void*>(static_cast<std::intptr_t>(mirror ? 1 : 0)));
      }
    }
    if (SceneFailed()) return;
    RemoveChild(group);
    ForgetAnimatedObject(group);
    delete group;
    changed = true;
  }
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    PtrArray parts;
    mesh->SplitIntoParts(parts);
    if (SceneFailed()) return;
    MatrixRecord m;
    mesh->GetMatrix(m);
    for (int k = 0; k < parts.count && !SceneFailed(); ++k) {
      auto* part = static_cast<MMeshObj*>(parts[k]);
      part->SetMatrix(m);
      if (!AddChild(part)) {
        delete part;
        return;
      }
      part->Select(true);
    }
    if (parts.count == 0) continue;
    changed = true;
    for (int k = 0; k <= parts.count && !SceneFailed(); ++k) {
      MMeshObj* target = k < parts.count ? static_cast<MMeshObj*>(parts[k]) : mesh;
      BoundsRecord box;
      target->GetLocalBounds(box);
      if (box.empty != 0) continue;
      PointRecord centre = BoxCentre(box);
      MUtilTransformPoint(m, centre, centre);
      if (mesh->IsMirrorMode() != 0) centre.x = 0;
      target->SetPivot(centre);
    }
  }
  if (!changed && !SceneFailed()) platform::Beep();
}

void MDocObj::UngroupSelectedElements() {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  if (meshes.count == 0) {
    platform::Beep();
    return;
  }
  bool removedAny = false;
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    mesh->SaveSelectionForUndo();
    if (SceneFailed()) return;
    unsigned char removed = 0;
    mesh->UngroupSelected(removed);
    removedAny = removedAny || removed != 0;
  }
  if (!removedAny && !SceneFailed()) platform::Beep();
}

// ---- joining ------------------------------------------------------------------------------

bool MDocObj::KeepMorphIndices(MObject* original, MObject* copy) {
  // A clone leaves its morphs unnumbered, as a paste wants; an undo copy
  // must bring the user's morph order back.
  PtrArray from, to;
  CollectMeshes(original, from);
  CollectMeshes(copy, to);
  if (SceneFailed()) return false;
  for (int i = 0; i < from.count && i < to.count; ++i) {
    auto* source = static_cast<MMeshObj*>(from[i]);
    auto* target = static_cast<MMeshObj*>(to[i]);
    for (MMorph* morph : source->morphs) target->SetMorphIndex(morph->name, morph->GetIndex());
  }
  return true;
}

bool MDocObj::AddUndoCopies(const PtrArray& originals, PtrArray& copies) {
  for (int i = 0; i < originals.count; ++i) {
    MObject* copy = static_cast<MObject*>(originals[i])->Clone();
    bool listed = copy != nullptr && KeepMorphIndices(static_cast<MObject*>(originals[i]), copy) && copies.Add(copy);
    if (listed && !AddChild(copy)) {
      copies.Remove(copy);
      listed = false;
    }
    if (!listed) {
      delete copy;
      for (int k = 0; k < copies.count; ++k) {
        auto* made = static_cast<MObject*>(copies[k]);
        RemoveChild(made);
        delete made;
      }
      copies.RemoveAll();
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  return true;
}

void MDocObj::DropUndoCopies(PtrArray& copies) {
  for (int i = 0; i < copies.count; ++i) {
    auto* copy = static_cast<MObject*>(copies[i]);
    if (!removedObjects.Remove(copy) && copy->GetParent() != nullptr) copy->GetParent()->RemoveChild(copy);
    delete copy;
  }
  copies.RemoveAll();
}

bool MDocObj::StandInUndoCopies(const PtrArray& originals, PtrArray& copies) {
  if (!AddUndoCopies(originals, copies)) return false;
  for (int i = 0; i < copies.count && !SceneFailed(); ++i) RemoveObject(static_cast<MObject*>(copies[i]));
  if (!SceneFailed()) RetargetSavedAnimation(originals, copies);
  if (!SceneFailed()) return true;
  DropUndoCopies(copies);
  return false;
}

void MDocObj::RemoveOriginalsKeepingCopies(const PtrArray& originals) {
  for (int i = 0; i < originals.count; ++i) {
    // Compared, never followed: a merge may have deleted the object already.
    for (int k = 1; k < children.count; ++k) {
      if (children[k] != originals[i]) continue;
      MObject* original = ChildAt(k);
      RemoveChild(original);
      delete original;
      break;
    }
  }
}

bool MDocObj::SelectionTouchesMirrorLayer() {
  for (int i = 1; i < children.count; ++i)
    if (ChildAt(i)->IsSelected() && IsObjectOnMirrorLayer(ChildAt(i), true)) return true;
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (IsObjectOnMirrorLayer(static_cast<MObject*>(meshes[i]), true)) return true;
  return false;
}

bool MDocObj::SelectionMixesMirrorLayers() {
  bool mirror = false, plain = false;
  for (int i = 1; i < children.count; ++i) {
    MObject* object = ChildAt(i);
    if (!object->IsSelected()) continue;
    (IsObjectOnMirrorLayer(object, true) ? mirror : plain) = true;
  }
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i)
    (IsObjectOnMirrorLayer(static_cast<MObject*>(meshes[i]), true) ? mirror : plain) = true;
  return mirror && plain;
}

void MDocObj::JoinSelection(int mode) {
  if (SelectionMixesMirrorLayers()) {
    EngRecordFailure(kEngReasonMixedMirrorLayers);
    return;
  }
  PtrArray meshes;
  if (mode == 1)
    CollectSelectedMeshes(meshes);
  else
    CollectElementSelectedMeshes(meshes);
  if (SceneFailed() || meshes.count == 0) return;

  MMeshObj* result = static_cast<MMeshObj*>(meshes[0]);
  PtrArray undoCopies, tops;
  if (meshes.count > 1) {
    for (int i = 0; i < meshes.count; ++i) {
      MObject* top = GetTopLevelObject(static_cast<MObject*>(meshes[i]));
      bool seen = false;
      for (int k = 0; k < tops.count; ++k) seen = seen || tops[k] == top;
      if (!seen && !AddOrFail(tops, top)) return;
    }
    if (!AddUndoCopies(tops, undoCopies)) return;
    result = MergeObjects(meshes);
  }
  if (!SceneFailed()) {
    if (mode == 1 && result->GetParent() != this) {
      MatrixRecord world;
      GetObjectWorldMatrix(result, &world, nullptr);
      DetachObject(result);
      result->SetMatrix(world);
      if (AddChild(result)) result->Select(true);
    } else if (mode != 1) {
      result->SaveSelectionForUndo();
      if (!SceneFailed()) result->MergeRootGroups();
    }
  }
  if (SceneFailed()) {
    // The copies take the place of the objects the join started from,
    // whatever of those a partial merge has left.
    if (meshes.count > 1) RemoveOriginalsKeepingCopies(tops);
    return;
  }
  for (int i = 0; i < undoCopies.count; ++i) RemoveObject(static_cast<MObject*>(undoCopies[i]));
  RetargetSavedAnimation(tops, undoCopies);
  if (meshes.count > 1) {
    result->Checkpoint(false);
    result->SetEditState(kEditCreated);
    MObject* top = GetTopLevelObject(result);
    ENG_FATAL_IF(top->GetIndex() < 0);
    top->SetEditState(kEditCreated);
  }
  result->MarkChanged();
}

// ---- layer indices around a layer change -------------------------------------------------------

bool MDocObj::LayerIndicesDiffer(const PtrArray& objects, const PtrArray& layerIndices) {
  for (int i = 0; i < objects.count && i < layerIndices.count; ++i)
    if (static_cast<MObject*>(objects[i])->GetLayer() != static_cast<int>(reinterpret_cast<std::intptr_t>(layerIndices[i])))
      return true;
  return false;
}

bool MDocObj::RestoreLayerIndices(const PtrArray& objects, const PtrArray& layerIndices, const PtrArray& mirrors,
                                  bool onlyIfChanged) {
  bool changed = false;
  for (int i = 0; i < objects.count; ++i) {
    auto* object = static_cast<MObject*>(objects[i]);
    const int layer = object->GetLayer();
    if (layer < 0 || layer >= kLayerCount) continue;
    const bool storedMirror = i < mirrors.count && reinterpret_cast<std::intptr_t>(mirrors[i]) != 0;
    if (layers[layer].groupHead != 0 || (layers[layer].mirror != 0) != storedMirror) changed = true;
  }
  if (onlyIfChanged && !changed) return true;
  EndEdit(0);
  for (int i = 0; i < objects.count && i < layerIndices.count; ++i)
    static_cast<MObject*>(objects[i])->SetLayer(static_cast<int>(reinterpret_cast<std::intptr_t>(layerIndices[i])));
  if (changed) EndEdit(0);
  return false;
}

}  // namespace engine
