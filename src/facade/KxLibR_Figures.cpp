// KxLibR: the figure operations of the person composer: measuring a
// figure, building one from a skeleton and its parts, carrying a body over
// between two figures, and splitting a scene into its figures and props.
#include "engine/core/EngGeometry.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "platform/TempFiles.h"

#include <filesystem>
#include <system_error>

namespace facade {

namespace {

void RemoveQuietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

int KxLibR::GetFigureHeight(double& height, double& x, double& y, double& z) {
  height = -1;
  x = y = z = 0;
  if (!scene_) return kFacadeFailed;
  engine::PointRecord point{0, 0, 0};
  const int result = scene_->GetFigureHeight(height, point);
  TakeEngineFailure();
  if (result < 0) {
    height = -1;
    return kFacadeFailed;
  }
  x = point.x;
  y = point.y;
  z = point.z;
  return kFacadeOk;
}

int KxLibR::BuildFigureFromSelection() {
  if (!scene_) return kFacadeFailed;
  view_->SetImageValid(false, true);
  engine::MGroupObj* group = scene_->BuildFigureRig(1);
  int bound = -1;
  if (!TakeEngineFailure() && group != nullptr) {
    // The new group is what the binding looks at.
    scene_->SelectAll(false);
    group->Select(true);
    bound = scene_->BindToFigure();
  }
  // A figure that cannot be bound (another figure's elements in the way)
  // is taken back whole: the objects stay as they were.
  if (TakeEngineFailure() || bound < 0) {
    scene_->UndoEdit(0);
    TakeEngineFailure();
    return kFacadeFailed;
  }
  scene_->EndEdit(0);
  return TakeEngineFailure() ? kFacadeFailed : kFacadeOk;
}

int KxLibR::TransferPose() {
  if (!scene_) return kFacadeFailed;
  view_->SetImageValid(false, true);
  scene_->TransferPoseToSelection();
  const bool failed = TakeEngineFailure();
  scene_->EndEdit(0);
  if (TakeEngineFailure() || failed) return kFacadeFailed;
  return kFacadeOk;
}

int KxLibR::SplitFiguresAndProps(std::string& figurePath, std::string& propPath) {
  figurePath.clear();
  propPath.clear();
  if (!scene_) return kFacadeFailed;
  view_->SetImageValid(false, true);
  scene_->SelectAll(true);
  scene_->DeleteSelectionTracks();
  scene_->SelectAll(false);
  scene_->SelectAllFigures(false);
  if (TakeEngineFailure()) return kFacadeFailed;
  // Only figures: nothing to split off.
  if (!scene_->HasSelectedObject()) return 0;
  scene_->CutSelection();
  if (TakeEngineFailure()) return kFacadeFailed;
  std::string figures;
  if (!platform::PnUtilMakeTempFileName(figures)) return kFacadeCannotWrite;
  // A failed write is answered, unlike the props staying out of the scene.
  if (SaveWithOptions(figures, 0, nullptr, {}) != kFacadeOk) {
    RemoveQuietly(figures);
    return kFacadeCannotWrite;
  }
  scene_->SelectAll(true);
  scene_->DeleteSelection();
  scene_->RemoveUnusedTargets();
  const engine::PointRecord placement{0, 0, 0};
  scene_->PasteObjects(&placement, false, false);
  scene_->EndEdit(0);
  if (TakeEngineFailure()) {
    RemoveQuietly(figures);
    return kFacadeFailed;
  }
  std::string props;
  if (!platform::PnUtilMakeTempFileName(props) || SaveWithOptions(props, 0, nullptr, {}) != kFacadeOk) {
    RemoveQuietly(figures);
    if (!props.empty()) RemoveQuietly(props);
    return kFacadeCannotWrite;
  }
  figurePath = figures;
  propPath = props;
  return 1;
}

}  // namespace facade
