// MDocObj: commands on the figures of the selection: binding and unbinding
// skins, fitting the bodies of every figure, rest states, bone weighting,
// part roots, pins and bone-length ratios, and the line and vertex commands
// that go with figure editing.
// Every loop stops at the first failure; what it handled keeps its change
// until the scene's undo.
#include "engine/core/CRGlobalM.h"
#include "engine/core/EngRuntime.h"
#include "engine/figure/MBoneObj.h"
#include "engine/scene/MDocObj.h"
#include "engine/scene/MDocObj_Internal.h"

namespace engine {

using namespace scene_detail;

namespace {

MBoneObj* AsFigure(void* mesh) {
  auto* object = static_cast<MObject*>(mesh);
  return object->IsBoneObject() ? static_cast<MBoneObj*>(object) : nullptr;
}

// Runs `edit` on the figure of each figure group of the selection of that
// kind (GetSelectedFigures), stopping at a failure.
template <class Edit>
void ForEachSelectedFigure(MDocObj& scene, int kind, Edit edit) {
  PtrArray groups;
  scene.GetSelectedFigures(kind, &groups);
  for (int i = 0; i < groups.count && !SceneFailed(); ++i)
    if (MBoneObj* figure = FindBoneObj(static_cast<MObject*>(groups[i]))) edit(figure);
}

// The figures among the meshes holding selected vertices.
void CollectElementSelectedFigures(MDocObj& scene, PtrArray& out) {
  PtrArray meshes;
  scene.CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count; ++i)
    if (AsFigure(meshes[i]) != nullptr && !AddOrFail(out, meshes[i])) return;
}

// Runs `edit` on every figure among the scene's meshes, its step opened
// first, stopping at a failure; the scene is marked changed.
template <class Edit>
void ForEachSceneFigure(MDocObj& scene, Edit edit) {
  PtrArray meshes;
  scene.CollectMeshes(&scene, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    MBoneObj* figure = AsFigure(meshes[i]);
    if (figure == nullptr) continue;
    figure->SaveEditState();
    if (!SceneFailed()) edit(figure);
  }
  scene.MarkChanged();
}

template <class Edit>
void ForEachElementSelectedFigure(MDocObj& scene, Edit edit) {
  PtrArray figures;
  CollectElementSelectedFigures(scene, figures);
  for (int i = 0; i < figures.count && !SceneFailed(); ++i) edit(static_cast<MBoneObj*>(figures[i]));
}

}  // namespace

// ---- binding --------------------------------------------------------------------------------

void MDocObj::BindUnboundFigures() {
  ForEachSelectedFigure(*this, 2, [this](MBoneObj* figure) {
    figure->EnsurePartRoots();
    if (!SceneFailed()) figure->CaptureRestState(this, false);
    if (!SceneFailed()) figure->BuildRig(this);
    if (!SceneFailed()) figure->SetSkinBound(true);
  });
}

void MDocObj::BindFigureBodies(QView* view) {
  ForEachSceneFigure(*this, [this, view](MBoneObj* figure) { figure->BindBody(view, this); });
}

void MDocObj::RebuildFigureRigs() {
  ForEachSceneFigure(*this, [this](MBoneObj* figure) { figure->RebuildRigFromObjects(this, false); });
}

void MDocObj::FitFigureLimbs() {
  ForEachSceneFigure(*this, [this](MBoneObj* figure) { figure->RunLimbFitPasses(this); });
}

void MDocObj::FitFiguresToScene() {
  ForEachSceneFigure(*this, [this](MBoneObj* figure) { figure->FitToSceneObjects(this); });
}

void MDocObj::UnbindFigures() {
  ForEachSelectedFigure(*this, 1, [this](MBoneObj* figure) {
    figure->SaveEditState();
    if (!SceneFailed()) figure->ResetAllBones(this);
    if (!SceneFailed()) figure->SetSkinBound(false);
  });
}

void MDocObj::CaptureFigureRestStates() {
  ForEachSelectedFigure(*this, 1, [this](MBoneObj* figure) {
    figure->SaveEditState();
    if (!SceneFailed()) figure->CaptureRestState(this, false);
  });
  MarkChanged();
}

void MDocObj::RestoreFigureInfluenceRadii() {
  ForEachSelectedFigure(*this, 0, [](MBoneObj* figure) {
    figure->SaveEditState();
    if (!SceneFailed()) figure->RestoreInfluenceRadii();
  });
}

// ---- bones in the weighting -------------------------------------------------------------------

void MDocObj::ResetFigureBones() {
  auto reset = [this](MBoneObj* figure) {
    figure->SaveEditState();
    if (!SceneFailed()) figure->ResetSelectedBones(this);
  };
  if (GetSelectedFigures(1, nullptr) > 0)
    ForEachSelectedFigure(*this, 1, reset);
  else
    ForEachElementSelectedFigure(*this, reset);
  MarkChanged();
}

bool MDocObj::ExcludeBonesOfSingleLines() {
  PtrArray figures;
  CollectElementSelectedFigures(*this, figures);
  if (SceneFailed()) return false;
  for (int i = 0; i < figures.count; ++i) {
    PtrArray lines;
    static_cast<MBoneObj*>(figures[i])->GatherSelected(3, nullptr, &lines, nullptr);
    if (SceneFailed() || lines.count > 1) return false;
  }
  for (int i = 0; i < figures.count && !SceneFailed(); ++i) {
    auto* figure = static_cast<MBoneObj*>(figures[i]);
    figure->SaveEditState();
    if (!SceneFailed()) figure->ExcludeSelectedBones(this, 3);
  }
  MarkChanged();
  return true;
}

void MDocObj::ExcludeSelectedBones() {
  ForEachElementSelectedFigure(*this, [this](MBoneObj* figure) {
    figure->SaveEditState();
    if (!SceneFailed()) figure->ExcludeSelectedBones(this, 1);
  });
  MarkChanged();
}

void MDocObj::IncludeSelectedBones() {
  ForEachElementSelectedFigure(*this, [this](MBoneObj* figure) {
    figure->SaveEditState();
    if (!SceneFailed()) figure->IncludeSelectedBones(this);
  });
  MarkChanged();
}

void MDocObj::SetPartRoots() {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    PtrArray rings;
    mesh->GatherSelectedVertices(rings);
    if (!SceneFailed() && rings.count > 0) mesh->SetPartRoot(static_cast<MVertex*>(rings[0]));
  }
}

// ---- pins and length ratios ----------------------------------------------------------------------

void MDocObj::UnpinSelected() {
  if (MBoneObj* figure = GetSelectedFigure(2)) figure->UnpinSelected();
}

namespace {

// A pin command on the figure holding selected vertices: its answer, or 1
// without such a figure or after a failure.
int PinOnSelectedFigure(MDocObj& scene, int (MBoneObj::*pin)()) {
  MBoneObj* figure = scene.GetSelectedFigure(2);
  if (figure == nullptr) return 1;
  const int result = (figure->*pin)();
  if (!SceneFailed()) figure->UpdateAddPose();
  return SceneFailed() ? 1 : result;
}

// Runs `edit` on each bound selected figure: 0, or 1 at a failure or a
// figure group without its figure.
template <class Edit>
int ForEachBoundFigureAnswering(MDocObj& scene, Edit edit) {
  PtrArray groups;
  scene.GetSelectedFigures(1, &groups);
  for (int i = 0; i < groups.count; ++i) {
    MBoneObj* figure = FindBoneObj(static_cast<MObject*>(groups[i]));
    if (figure == nullptr) return 1;
    edit(figure);
    if (SceneFailed()) return 1;
  }
  return SceneFailed() ? 1 : 0;
}

}  // namespace

int MDocObj::PinSelectedVertex() { return PinOnSelectedFigure(*this, &MBoneObj::PinSelectedVertex); }

int MDocObj::PinSelection() { return PinOnSelectedFigure(*this, &MBoneObj::PinSelection); }

int MDocObj::StoreBoneLengthRatios() {
  return ForEachBoundFigureAnswering(*this, [](MBoneObj* figure) { figure->StoreBoneLengthRatios(); });
}

int MDocObj::ClearBoneLengthRatios() {
  return ForEachBoundFigureAnswering(*this, [](MBoneObj* figure) {
    figure->ClearBoneLengthRatios();
    figure->UpdateAddPose();
  });
}

// ---- meshes, lines and vertices -------------------------------------------------------------------

void MDocObj::MergeSelectedMeshes() {
  PtrArray meshes;
  CollectSelectedMeshes(meshes);
  if (SceneFailed()) return;
  if (MMeshObj* merged = MergeObjects(meshes)) merged->MarkChanged();
}

void MDocObj::ApplyLineOperation(int value) {
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) static_cast<MMeshObj*>(meshes[i])->ApplyToSelectedLines(value);
  MarkChanged();
}

void MDocObj::SelectMaterialBorders() {
  SelectAll(false);
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) {
    auto* mesh = static_cast<MMeshObj*>(meshes[i]);
    if (!mesh->IsBoneObject() && IsObjectVisible(mesh)) mesh->SelectShaderBorders();
  }
}

void MDocObj::MarkSelectedVertices(bool set) {
  EndEdit(0);
  PtrArray meshes;
  CollectElementSelectedMeshes(meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) static_cast<MMeshObj*>(meshes[i])->MarkSelectedVertices(set);
}

void MDocObj::SelectMarkedVertices() {
  SelectAll(false);
  PtrArray meshes;
  CollectMeshes(this, meshes);
  for (int i = 0; i < meshes.count && !SceneFailed(); ++i) static_cast<MMeshObj*>(meshes[i])->SelectMarkedVertices();
}

void MDocObj::ResetClipboardLineAttributes() {
  PtrArray objects;
  EngGlobalM().CopyObjectsTo(objects);
  for (int i = 0; i < objects.count && !SceneFailed(); ++i) {
    PtrArray meshes;
    CollectMeshes(static_cast<MObject*>(objects[i]), meshes);
    for (int k = 0; k < meshes.count && !SceneFailed(); ++k) {
      auto* mesh = static_cast<MMeshObj*>(meshes[k]);
      mesh->ClearHideFlagAll();
      if (!SceneFailed()) mesh->SetLineWidthAll(1);
      if (!SceneFailed() && !mesh->IsBoneObject()) mesh->SetLineColourAll(PointRecord{0, 0, 0});
    }
  }
}

}  // namespace engine
