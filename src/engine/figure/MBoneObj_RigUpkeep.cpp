// Keeping the rig right after the body meshes were edited: the edited
// vertices and their bones are selected and weighted again, and bones near
// marked faces are kept out of the automatic weighting. Selections made here
// are saved for undo like any other change.
#include "engine/core/EngRuntime.h"
#include "engine/figure/FigureInternal.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MeshWalk.h"

namespace engine {

using namespace figure_detail;

namespace {

void SelectSaved(MVertex* v) {
  if ((v->flags & kVertexSelected) != 0) return;
  v->SaveUndo();
  if (!Failed()) v->flags |= kVertexSelected;
}

void SelectSaved(MLine* line) {
  if ((line->flags & kLineSelected) != 0) return;
  line->SaveUndo();
  if (!Failed()) line->flags |= kLineSelected;
}

// Clears a mesh's selection, each selected element saved first.
void ClearSelectionSaved(MMeshObj* mesh) {
  mesh->SaveEditState();
  if (Failed()) return;
  for (MVertex* v : mesh->GetVertexList()) {
    if ((v->flags & kVertexSelected) == 0) continue;
    v->SaveUndo();
    if (Failed()) return;
  }
  for (MLine* line : mesh->lines) {
    if ((line->flags & kLineSelected) == 0) continue;
    line->SaveUndo();
    if (Failed()) return;
  }
  mesh->ClearSelection();
}

}  // namespace

void MBoneObj::ClearBodySelections(MDocObj*) {
  if (bones == nullptr || restPositions == nullptr) return;
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  for (int m = 0; m < meshes.count && !Failed(); ++m) ClearSelectionSaved(meshes[m].mesh);
}

void MBoneObj::SelectBoneChain(MLine* line) {
  auto takes = [](const MLine* l) { return l->end0->CountLines() <= 2 && l->end1->CountLines() <= 2; };
  if (takes(line)) SelectSaved(line);
  for (MVertex* end : {line->end0, line->end1}) {
    MVertex* at = end;
    MLine* arrived = line;
    // Across joints of two lines; a chain that closes on itself stops when
    // it is back at the line it started from.
    while (!Failed() && at->CountLines() == 2) {
      MLine* next = arrived->GetNextAround(at);
      if (next == arrived || next == line) break;
      if (takes(next)) SelectSaved(next);
      at = next->OtherEnd(at);
      arrived = next;
    }
  }
}

bool MBoneObj::SelectBonesOfEditedVertices(MDocObj* scene, bool chains) {
  if (bones == nullptr || restPositions == nullptr || skinRecords == nullptr) return false;
  SaveEditState();
  BoundMeshArray meshes;
  if (Failed() || !CollectBoundMeshes(meshes)) return false;
  // The vertices changed in this step, found before clearing the selection
  // saves other vertices too.
  PtrArray edited;
  for (int m = 0; m < meshes.count; ++m) {
    if (meshes[m].mesh->IsBoneObject()) continue;
    for (MVertex* v : meshes[m].mesh->GetVertexList()) {
      if (v->state == kItemSaved && !edited.Add(v)) {
        EngRecordFailure(kEngReasonOutOfMemory);
        return false;
      }
    }
  }
  for (int m = 0; m < meshes.count && !Failed(); ++m) ClearSelectionSaved(meshes[m].mesh);
  NumberBodyVertices(scene);
  auto selectMarked = [&](bool red) {
    for (MLine* l : lines)
      if (BodyLineHasColourKind(l, kBodyMagenta) || (red && BodyLineHasColourKind(l, kBodyRed))) SelectSaved(l);
  };
  {
    for (int e = 0; e < edited.count && !Failed(); ++e) {
      MVertex* v = static_cast<MVertex*>(edited[e]);
      SkinRecord* record = GetSkinRecordOfVertex(v);
      if (record == nullptr) continue;
      SelectSaved(v);
      SetSkinLocked(*record, false);
      for (int i = 0; i < record->count && i < 4; ++i) {
        if (record->bones[i] < 0 || record->bones[i] >= bones->count) continue;
        BoneRecord& bone = (*bones)[record->bones[i]];
        SelectSaved(bone.line);
        SelectSaved(bone.line->end0);
        SelectSaved(bone.line->end1);
        bone.excluded = 0;
      }
      if (record->count <= 0 || Failed()) continue;
      const int last = record->bones[std::min(record->count, 4) - 1];
      const int first = record->bones[0];
      if (chains) {
        if (last >= 0 && last < bones->count) SelectBoneChain((*bones)[last].line);
      } else if (first >= 0 && first < bones->count) {
        MLine* line = (*bones)[first].line;
        if (BodyLineHasColourKind(line, kBodyMagenta)) selectMarked(false);
        else if (BodyLineHasColourKind(line, kBodyRed)) selectMarked(true);
      }
    }
  }
  for (int m = 0; m < meshes.count; ++m) meshes[m].mesh->UpdateSelectionCache();
  return !Failed();
}

void MBoneObj::RebuildRigFromObjects(MDocObj* scene, bool chains) {
  if (!RigFitsBody()) return;  // the body changed shape since the rig was made
  SaveEditState();
  if (Failed()) return;
  CaptureRestState(scene, false);
  if (Failed()) return;
  if (SelectBonesOfEditedVertices(scene, chains)) BindByVertex(scene, 2);
  if (!Failed()) ClearBodySelections(scene);
}

void MBoneObj::SelectFacesOfClass(MDocObj*, int faceClass) {
  BoundMeshArray meshes;
  if (!CollectBoundMeshes(meshes)) return;
  for (int m = 0; m < meshes.count && !Failed(); ++m) {
    MMeshObj* mesh = meshes[m].mesh;
    if (mesh->IsBoneObject()) continue;
    mesh->SaveEditState();
    for (MFace* face : mesh->GetFaceList()) {
      if (Failed()) return;
      if (GetFaceColourClass(face) != faceClass) continue;
      MLine* edges[3];
      MVertex* corners[3];
      face->GetLines(edges);
      face->GetVertices(corners);
      for (MLine* l : edges) SelectSaved(l);
      for (MVertex* c : corners) ForEachRingMember(c, [](MVertex* member) { SelectSaved(member); });
    }
    mesh->UpdateSelectionCache();
  }
}

void MBoneObj::SelectLinesOfColour(int kind) {
  SaveEditState();
  for (MLine* line : lines) {
    if (Failed()) return;
    if (!BodyLineHasColourKind(line, kind)) continue;
    SelectSaved(line);
    SelectSaved(line->end0);
    SelectSaved(line->end1);
  }
  UpdateSelectionCache();
}

void MBoneObj::ExcludeMarkedBones(MDocObj* scene, bool red, bool magenta) {
  if (red) SelectFacesOfClass(scene, kFaceRed);
  if (magenta && !Failed()) SelectFacesOfClass(scene, kFaceMagenta);
  if (!Failed()) SelectLinesOfColour(kBodyRed);
  if (!Failed()) ExcludeSelectedBones(scene, 3);
  if (!Failed()) ClearBodySelections(scene);
}

void MBoneObj::RebindWithMarkedExclusions(MDocObj* scene) {
  if (!RigFitsBody()) return;
  SaveEditState();
  if (Failed()) return;
  RestoreInfluenceRadii();
  UpdateBlendRanges();
  ExcludeMarkedBones(scene, true, true);
  if (Failed()) return;
  CaptureRestState(scene, false);
  if (Failed()) return;
  BuildRig(scene);
  if (!Failed()) SetSkinBound(true);
}

}  // namespace engine
