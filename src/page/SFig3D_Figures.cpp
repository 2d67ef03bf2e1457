// The 3D shape's figures: picks, pose drags, animation frames, pose and
// animation files, library files and part colours, each handed to the
// figure facade. Points are pixels of the rendered picture.
#include <algorithm>
#include <cstdio>

#include "engine/scene/MDocObj.h"
#include "facade/KxLibAnim.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "page/FigureFacade.h"
#include "page/PropVal.h"
#include "page/ResultCodes.h"
#include "page/SFig3D.h"
#include "page/STrackFactory.h"
#include "page/ShapeGeometry.h"

namespace page {

namespace {

int X(SPoint point) { return TruncateToInt(point.x); }
int Y(SPoint point) { return TruncateToInt(point.y); }

// The rotation tool turns bones; the others drag them by inverse
// kinematics.
bool UsesInverseKinematics(int tool) { return tool != kToolPoseRotate; }

// The animations of figures kept for undo: the facade's copies.
class FigureAnimStates : public SAnimStates {
 public:
  facade::KxLibAnimArray animations;
};

}  // namespace

bool SFig3D::HasPosableFigure() const {
  if (!scene_) return false;
  engine::MDocObj* scene = scene_->GetScene();
  if (scene == nullptr) return false;
  for (int i = 0; i < scene->GetChildCount(); ++i)
    if (scene_->IsFigureIndex(i)) return true;
  return false;
}

int SFig3D::HitTestFigure(SPoint point) { return scene_ ? scene_->GetView().PickFigure(X(point), Y(point)) : -1; }

// ---- pose drags ------------------------------------------------------------------------

int SFig3D::BeginPoseDrag(SPoint point, int tool, const Prop2DVal& V) {
  if (!scene_) return -1;
  return scene_->GetView().BeginBoneDrag(X(point), Y(point), UsesInverseKinematics(tool), V.SupersamplingFactor());
}

int SFig3D::DragPose(SPoint point) { return scene_ ? scene_->GetView().DragBone(X(point), Y(point)) : 0; }

int SFig3D::EndPoseDrag(SPoint point) { return scene_ ? scene_->GetView().EndBoneDrag(X(point), Y(point)) : 0; }

int SFig3D::FinishPoseDrag() {
  if (scene_ && scene_->GetView().IsDragging()) scene_->GetView().FinishTracker();
  return 0;
}

int SFig3D::HitTestPose(SPoint point, int tool, const Prop2DVal& V) {
  if (!scene_) return 0;
  const int hit =
      scene_->GetView().HitTestBone(X(point), Y(point), UsesInverseKinematics(tool), V.SupersamplingFactor());
  return hit >= 1 && hit <= 7 ? hit : 0;
}

void SFig3D::SetEditPointsMode(bool on) {
  if (on || !scene_) return;
  FinishPoseDrag();
  scene_->SelectNone();
}

// ---- animation frames --------------------------------------------------------------------

int SFig3D::GetAnimFrameCount() const {
  if (!scene_ || scene_->GetScene() == nullptr) return 1;
  return std::max(scene_->GetScene()->GetFrameCount(true), 1);
}

void SFig3D::SetAnimFrame(int frame) {
  if (scene_) scene_->SetFrame(frame);
}

// ---- pose and animation files --------------------------------------------------------------

int SFig3D::ApplyAnimationFile(const std::string& path, int figure, std::unique_ptr<SAnimStates>& saved) {
  if (!scene_) return kResultCannotApply;
  auto states = std::make_unique<FigureAnimStates>();
  const int result = scene_->ApplyAnimFile(path, figure, states->animations, false);
  if (result < 0) return result;
  saved = std::move(states);
  return result;
}

int SFig3D::RestoreAnimState(const SAnimStates& saved) {
  const auto* states = dynamic_cast<const FigureAnimStates*>(&saved);
  if (!scene_ || states == nullptr) return kResultCannotApply;
  return scene_->RestoreAnims(states->animations);
}

int SFig3D::SaveAnimState(int figure, std::unique_ptr<SAnimStates>& saved) {
  if (!scene_) return kResultCannotApply;
  auto states = std::make_unique<FigureAnimStates>();
  const int result = scene_->SaveAnims(figure < 0 ? -1 : figure, states->animations);
  if (result < 0) return result;
  saved = std::move(states);
  return 0;
}

// ---- library files ---------------------------------------------------------------------

// The figures the file replaces are saved to a temporary file first; the
// page's command keeps that file and puts them back from it on undo.
int SFig3D::ApplyLibraryFile(const std::string& path, int figure, std::string& replaced) {
  if (!scene_) return kResultCannotApply;
  std::string saved;
  const int result = scene_->ApplyLibraryFile(path, figure, saved, true);
  if (result < 0) {
    // What a failure part way changed goes back at once.
    if (!saved.empty()) {
      scene_->ReplaceWithFile(saved, figure);
      std::remove(saved.c_str());
    }
    return kResultCannotApply;
  }
  replaced = std::move(saved);
  return result;
}

int SFig3D::RestoreLibraryFiles(const std::string& saved, int figure) {
  if (!scene_) return kResultCannotApply;
  return scene_->ReplaceWithFile(saved, figure) < 0 ? kResultCannotApply : 1;
}

// ---- part colours ------------------------------------------------------------------------

int SFig3D::PickPartColor(SPoint point, int& objectIndex, int& face) {
  if (!scene_ || !scene_->GetView().PickFace(X(point), Y(point), objectIndex, face)) return kResultPatternPart;
  const int colour = scene_->GetElementColor(objectIndex, face);
  return colour >= 0 ? colour : kResultPatternPart;
}

int SFig3D::SetPartColor(int objectIndex, int face, platform::COLORREF colour, bool /*selected*/) {
  if (!scene_) return kResultNoMemory;
  const int previous = scene_->SetElementColor(objectIndex, face, colour);
  return previous >= 0 ? previous : kResultPatternPart;
}

}  // namespace page
