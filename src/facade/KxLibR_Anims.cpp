// KxLibR: poses and animations on the figures, and the animations kept for
// undo.
#include <new>

#include "engine/core/EngArrays.h"
#include "engine/figure/MPose.h"
#include "engine/scene/AnimList.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibAnim.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"

namespace facade {

int KxLibR::ApplyPose(KxLibAnim& holder) {
  if (!scene_ || holder.GetPose() == nullptr) return kFacadeFailed;
  scene_->ApplyPoseToSelection(*holder.GetPose(), nullptr, 0);
  scene_->SetModeBytes(0, 0, 0);
  view_->SetImageValid(false, true);
  return TakeEngineFailure() ? kFacadeFailed : kFacadeOk;
}

int KxLibR::SetFrame(int frame) {
  if (!scene_) return kFacadeFailed;
  scene_->ShowFrame(frame, view_->AnimationView());
  if (TakeEngineFailure()) return kFacadeFailed;
  scene_->SetCurrentFrame(frame);
  view_->SetImageValid(false, true);
  return kFacadeOk;
}

int KxLibR::CollectSelectionAnims(KxLibAnimArray& saved) {
  if (!scene_) return kFacadeFailed;
  engine::PtrArray collected;
  engine::EngArray<std::int32_t> indexes;
  scene_->CollectSelectionTracks(collected, indexes, nullptr);
  if (TakeEngineFailure()) return kFacadeFailed;
  for (int i = 0; i < collected.count; ++i) {
    std::unique_ptr<engine::MAnim> clone(static_cast<engine::MAnim*>(collected[i])->Clone());
    if (clone == nullptr || TakeEngineFailure()) return kFacadeFailed;
    try {
      saved.emplace_back(std::move(clone), indexes[i]);
    } catch (const std::bad_alloc&) {
      return kFacadeFailed;
    }
  }
  return kFacadeOk;
}

int KxLibR::SaveAnims(int objectIndex, KxLibAnimArray& saved) {
  if (!scene_) return kFacadeFailed;
  scene_->SelectOnlyChild(objectIndex);
  const int result = CollectSelectionAnims(saved);
  scene_->SelectAll(false);
  return result;
}

int KxLibR::RestoreAnims(const KxLibAnimArray& saved) {
  if (!scene_) return kFacadeFailed;
  for (const KxLibAnim& holder : saved) {
    // A holder of an object the scene no longer has is left out.
    const int index = holder.GetObjectIndex();
    if (holder.GetAnimation() == nullptr || index <= 0 || index >= scene_->GetChildCount()) continue;
    scene_->ApplyAnimationToChild(holder.GetAnimation(), index, -1);
    if (TakeEngineFailure()) return kFacadeFailed;
  }
  if (SetFrame(0) != kFacadeOk) return kFacadeFailed;
  return 1;
}

int KxLibR::ApplyAnimFile(const std::string& path, int objectIndex, KxLibAnimArray& saved, bool noUndoCopy) {
  if (!scene_) return kFacadeFailed;
  KxLibAnim holder;
  if (const int loaded = holder.LoadAnimFile(path); loaded != kFacadeOk) return loaded;
  engine::MAnim* animation = holder.GetAnimation();
  // Recorded in another length unit, the moves are scaled to this scene's.
  if (holder.GetUnitCode() != scene_->GetUnitCode())
    animation->ScaleBy(engine::MDocObj::GetUnitFactor(scene_->GetUnitCode()) /
                       engine::MDocObj::GetUnitFactor(holder.GetUnitCode()));
  if (objectIndex < 0)
    scene_->SelectAll(true);
  else
    scene_->SelectOnlyChild(objectIndex);
  if (scene_->MatchAnimation(animation) < 1 || TakeEngineFailure()) {
    scene_->SelectAll(false);
    return kFacadeFailed;
  }
  if (!noUndoCopy && CollectSelectionAnims(saved) != kFacadeOk) {
    scene_->SelectAll(false);
    return kFacadeFailed;
  }
  const int applied = scene_->ApplyAnimationToSelection(animation, false);
  if (TakeEngineFailure() || applied < 0) {
    scene_->SelectAll(false);
    return kFacadeFailed;
  }
  return SetFrame(0);
}

}  // namespace facade
