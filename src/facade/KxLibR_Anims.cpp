// KxLibR: poses and animations on the figures, and the animations kept for
// undo.
#include <algorithm>
#include <new>

#include "engine/core/EngArrays.h"
#include "engine/figure/MPose.h"
#include "engine/scene/AnimList.h"
#include "engine/scene/MDocObj.h"
#include "facade/FigureSnapshot.h"
#include "facade/KxLibAnim.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"

namespace facade {

namespace {

bool Holds(const KxLibAnimArray& holders, int objectIndex) {
  for (const KxLibAnim& holder : holders)
    if (holder.GetObjectIndex() == objectIndex) return true;
  return false;
}

// The objects an apply to the object at the index (-1: every object) may
// give an animation, as they stand, before anything is selected: matching
// or applying an animation gives them one, which undo must take away again.
bool TakeUnanimated(engine::MDocObj& scene, int objectIndex, KxLibAnimArray& out) {
  const int first = objectIndex < 0 ? 1 : objectIndex;
  const int last = objectIndex < 0 ? scene.GetChildCount() - 1 : objectIndex;
  for (int index = std::max(first, 1); index <= last && index < scene.GetChildCount(); ++index) {
    engine::MObject* object = scene.GetChildAt(index);
    if (object == nullptr || scene.FindAnimation(object, false) >= 0) continue;
    std::unique_ptr<FigureSnapshot> snapshot = FigureSnapshot::Take(scene, object);
    if (snapshot == nullptr) return false;
    try {
      out.emplace_back(std::move(snapshot), index);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  return true;
}

// Keeps the objects at the index (-1: every object) that have no animation
// as they stand, then selects those objects alone. False (the engine's
// failure taken, the selection untouched) when out of memory.
bool KeepUnanimatedAndSelect(engine::MDocObj& scene, int objectIndex, KxLibAnimArray& unanimated) {
  if (!TakeUnanimated(scene, objectIndex, unanimated)) {
    TakeEngineFailure();
    return false;
  }
  if (objectIndex < 0)
    scene.SelectAll(true);
  else
    scene.SelectOnlyChild(objectIndex);
  return true;
}

// Moves the undo copy onto `saved`: the clones of the animations the
// objects had, and in place of the animation collecting made for an object
// without one, the object as it stood. False (nothing moved) when out of
// memory.
bool AppendUndoCopy(KxLibAnimArray& saved, KxLibAnimArray& copies, KxLibAnimArray& unanimated) {
  try {
    saved.reserve(saved.size() + copies.size() + unanimated.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (KxLibAnim& copy : copies)
    if (!Holds(unanimated, copy.GetObjectIndex())) saved.push_back(std::move(copy));
  for (KxLibAnim& kept : unanimated) saved.push_back(std::move(kept));
  return true;
}

// Takes away the animation the object at the holder's index got and puts
// its values back.
bool PutBackUnanimated(engine::MDocObj& scene, const KxLibAnim& holder) {
  if (holder.GetUnanimated() == nullptr) return false;
  engine::MObject* object = scene.GetChildAt(holder.GetObjectIndex());
  const int animation = scene.FindAnimation(object, false);
  if (animation >= 0) scene.DeleteAnimation(animation);
  return holder.GetUnanimated()->PutBack(scene, object);
}

}  // namespace

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
  // Collecting gives the objects without an animation one keyed at their
  // pose; putting that back would leave it and joints recomputed from
  // keys, so those objects are kept as they stand.
  KxLibAnimArray unanimated;
  if (!KeepUnanimatedAndSelect(*scene_, objectIndex, unanimated)) return kFacadeFailed;
  KxLibAnimArray copies;
  const int result = CollectSelectionAnims(copies);
  scene_->SelectAll(false);
  if (result != kFacadeOk) return result;
  return AppendUndoCopy(saved, copies, unanimated) ? kFacadeOk : kFacadeFailed;
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
  // After the frame is shown, which would touch the objects' selection.
  for (const KxLibAnim& holder : saved) {
    const int index = holder.GetObjectIndex();
    if (holder.GetUnanimated() == nullptr || index <= 0 || index >= scene_->GetChildCount()) continue;
    if (!PutBackUnanimated(*scene_, holder)) {
      TakeEngineFailure();
      return kFacadeFailed;
    }
  }
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
  // Taken before the selection and the match, which gives the objects
  // without an animation one; a failed apply takes those away again.
  KxLibAnimArray unanimated;
  if (!KeepUnanimatedAndSelect(*scene_, objectIndex, unanimated)) return kFacadeFailed;
  const auto fail = [&] {
    TakeEngineFailure();
    scene_->SelectAll(false);
    for (const KxLibAnim& kept : unanimated) PutBackUnanimated(*scene_, kept);
    TakeEngineFailure();
    return kFacadeFailed;
  };
  if (scene_->MatchAnimation(animation) < 1 || TakeEngineFailure()) return fail();
  if (!noUndoCopy) {
    // The undo copy: clones of the animations the objects had, and the
    // objects that had none as they stood.
    KxLibAnimArray copies;
    if (CollectSelectionAnims(copies) != kFacadeOk || !AppendUndoCopy(saved, copies, unanimated)) return fail();
  }
  const int applied = scene_->ApplyAnimationToSelection(animation, false);
  if (TakeEngineFailure() || applied < 0) {
    scene_->SelectAll(false);
    return kFacadeFailed;
  }
  return SetFrame(0);
}

}  // namespace facade
