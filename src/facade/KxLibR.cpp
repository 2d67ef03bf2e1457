// KxLibR: life cycle and queries.
#include "facade/KxLibR.h"

#include <new>

#include "engine/core/MGroupObj.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibEngine.h"
#include "facade/KxLibV.h"

namespace facade {

KxLibR::KxLibR() : view_(std::make_unique<KxLibV>(*this, KxLibRendererMode())) {}

KxLibR::~KxLibR() {
  // The scene first: the view's trackers and caches point into it.
  scene_.reset();
  view_.reset();
}

void KxLibR::SetScene(std::unique_ptr<engine::MDocObj> scene) {
  scene_ = std::move(scene);
  paintedColours_.clear();
  if (scene_) TakeReadScene(*scene_);
  view_->SetImageValid(false, true);
}

void KxLibR::InstallScene(std::unique_ptr<engine::MDocObj> scene) {
  scene_ = std::move(scene);
  paintedColours_.clear();
  if (!scene_) scene_.reset(new (std::nothrow) engine::MDocObj());
  view_->SetImageValid(false, true);
}

void KxLibR::TakeReadScene(engine::MDocObj& scene) {
  hasTransparentMaterial_ = scene.HasTransparentShader();
  if (!hasTransparentMaterial_) scene.AvoidKeyGreenShaders();
}

int KxLibR::RecordPoseKeys() {
  if (!scene_) return kFacadeOk;
  // Frame 0 holds the pose a still figure shows; a drag takes it again.
  engine::AnimView* animView = view_->AnimationView();
  for (int track = 0; track < scene_->GetTrackCount(); ++track) {
    if (scene_->GetKeyAt(0, track) == nullptr) continue;
    scene_->RecordKey(0, track, animView);
    if (TakeEngineFailure()) return kFacadeFailed;
  }
  return kFacadeOk;
}

bool KxLibR::IsFigureIndex(int index) {
  if (!scene_ || index < 0 || index >= scene_->GetChildCount()) return false;
  engine::MObject* object = scene_->ChildAt(index);
  return object->GetType() == engine::kObjectGroup && static_cast<engine::MGroupObj*>(object)->HasBoneChild(true);
}

}  // namespace facade
