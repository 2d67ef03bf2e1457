// KxLibR: the scene edits of the page and the person composer: selection,
// deleting, moving and scaling the selection, the floor grid, one face's
// colour, and the scene's statistics. Each marks the picture stale.
#include <new>

#include "engine/core/EngArrays.h"
#include "engine/mesh/MFace.h"
#include "engine/mesh/MMeshObj.h"
#include "engine/mesh/MShader.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"

namespace facade {

namespace {

constexpr double kFlatExtent = 1e-8;
constexpr double kResetGridExtent = 100.0;

}  // namespace

int KxLibR::SetSelection(int mode, bool state, int objectIndex) {
  view_->SetImageValid(false, false);
  if (!scene_) return objectIndex;
  if (mode == 0) {
    scene_->SelectAll(state);
    return objectIndex;
  }
  if (mode == 1) scene_->SelectAll(!state);
  // The floor grid (index 0) is never selected.
  if (objectIndex > 0 && objectIndex < scene_->GetChildCount()) scene_->ChildAt(objectIndex)->Select(state);
  return objectIndex;
}

void KxLibR::SelectNone() {
  if (scene_) scene_->SelectAll(false);
}

void KxLibR::DeleteSelection() {
  view_->SetImageValid(false, true);
  if (!scene_) return;
  scene_->DeleteSelection();
  scene_->EndEdit(0);
}

void KxLibR::ScaleSelection(bool aboutCentre, double factor, double x, double y, double z) {
  if (!scene_) return;
  engine::PointRecord centre{x, y, z};
  if (aboutCentre) scene_->GetSelectionCentre(centre);
  const double factors[3] = {factor, factor, factor};
  scene_->ScaleSelectionAxes(centre, factors, 0, 0, nullptr);
  scene_->SetModeBytes(0, 0, 0);
  view_->SetImageValid(false, true);
}

void KxLibR::MoveSelection(double dx, double dy, double dz) {
  if (!scene_) return;
  scene_->MoveSelection({dx, dy, dz}, nullptr);
  scene_->SetModeBytes(0, 0, 0);
  view_->SetImageValid(false, true);
}

void KxLibR::ScaleSelectionToHeight(double height) {
  if (!scene_) return;
  engine::PtrArray selected;
  scene_->GetSelectedObjects(selected);
  if (selected.count == 0) return;
  engine::BoundsRecord box;
  scene_->GetWorldBounds(static_cast<engine::MObject*>(selected[0]), box);
  const double extent = box.maxY - box.minY;
  // A flat object has no height to scale to.
  if (box.empty != 0 || extent < kFlatExtent) return;
  const double factor = height / extent;
  engine::PointRecord centre;
  scene_->GetSelectionCentre(centre);
  const double factors[3] = {factor, factor, factor};
  scene_->ScaleSelection(centre, factors, 1);
  scene_->SetKeepScaleFlag(true);
  view_->SetImageValid(false, true);
}

void KxLibR::ResetGridAndRender() {
  if (!scene_) return;
  int kind = 0, divisions = 0, subdivisions = 0;
  double extent = 0;
  engine::PointRecord colourA, colourB;
  scene_->GetGridParams(kind, extent, divisions, subdivisions, colourA, colourB);
  scene_->SetGrid(kind, kResetGridExtent, divisions, subdivisions, colourA, colourB);
  view_->RenderAndFrameScene();
}

int KxLibR::SetElementColor(int meshIndex, int faceId, platform::COLORREF colour) {
  if (!scene_) return kFacadeFailed;
  // A plain material's colour, exactly as it is before the change.
  engine::MMeshObj* mesh = scene_->GetMeshAt(meshIndex);
  engine::MFace* face = mesh != nullptr && faceId >= 0 ? mesh->GetFaceAt(faceId) : nullptr;
  engine::MShader* shader = face != nullptr && face->shader != nullptr && !face->shader->HasTexture() ? face->shader
                                                                                                     : nullptr;
  const engine::PointRecord exact = shader != nullptr ? shader->diffuseColor : engine::PointRecord{};
  std::uint32_t old = 0;
  const bool changed = scene_->SetFaceColour(meshIndex, faceId, colour, old);
  if (TakeEngineFailure() || !changed) return kFacadeFailed;
  // Colours pass as 8-bit values, which would round a material colour set
  // back by an undo. Setting back the colour a change replaced gives the
  // material its exact colour again.
  if (shader != nullptr) {
    std::vector<PaintedColour>& history = paintedColours_[{meshIndex, faceId}];
    if (!history.empty() && history.back().painted == (old & 0xFFFFFF) && history.back().replaced == colour) {
      shader->diffuseColor = history.back().exact;
      history.pop_back();
    } else {
      try {
        history.push_back({colour, old & 0xFFFFFF, exact});
      } catch (const std::bad_alloc&) {
        // Without the record the undo only rounds the colour.
      }
    }
  }
  SetFrame(0);
  view_->SetImageValid(false, true);
  return static_cast<int>(old & 0xFFFFFF);
}

bool KxLibR::GetSceneInfo(engine::SelectionInfo& info, engine::PointRecord& counts) {
  if (!scene_) return false;
  scene_->GetSelectionInfo(info, &counts);
  TakeEngineFailure();
  return true;
}

}  // namespace facade
