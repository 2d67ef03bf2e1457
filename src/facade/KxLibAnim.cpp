// KxLibAnim: animation and pose files, and pose blends.
#include "facade/KxLibAnim.h"

#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/figure/MPose.h"
#include "engine/scene/AnimList.h"
#include "facade/FacadeFiles.h"
#include "facade/FacadeResult.h"
#include "facade/FigureSnapshot.h"

namespace facade {

namespace {

constexpr const char* kAnimationMember = "anim.Z4E";

}  // namespace

KxLibAnim::KxLibAnim() = default;

KxLibAnim::KxLibAnim(std::unique_ptr<engine::MAnim> animation, int objectIndex)
    : animation_(std::move(animation)), objectIndex_(objectIndex) {}

KxLibAnim::KxLibAnim(std::unique_ptr<FigureSnapshot> unanimated, int objectIndex)
    : unanimated_(std::move(unanimated)), objectIndex_(objectIndex) {}

KxLibAnim::~KxLibAnim() = default;
KxLibAnim::KxLibAnim(KxLibAnim&&) noexcept = default;
KxLibAnim& KxLibAnim::operator=(KxLibAnim&&) noexcept = default;

void KxLibAnim::InitWithNewPose() { SetOwned(std::make_unique<engine::MPose>()); }

void KxLibAnim::SetOwned(std::unique_ptr<engine::MAnim> animation) {
  pose_.reset();
  unanimated_.reset();
  animation_ = std::move(animation);
}

void KxLibAnim::SetOwned(std::unique_ptr<engine::MPose> pose) {
  animation_.reset();
  unanimated_.reset();
  pose_ = std::move(pose);
}

int KxLibAnim::LoadAnimFile(const std::string& path) {
  detail::ScopedFolder unpacked;
  return detail::GuardedRead([&]() -> int {
    const std::optional<std::string> member = detail::UnpackMember(path, kAnimationMember, unpacked);
    if (!member) return kFacadeCannotRead;
    engine::QFile file(*member, platform::File::Mode::kRead);
    int unit = 0;
    std::unique_ptr<engine::MAnim> read(engine::MAnim::CreateFromFile(file, &unit));
    if (read == nullptr || EngineFailed() || file.HasReadPastEnd()) return TakeReadFailure();
    SetOwned(std::move(read));
    unitCode_ = unit;
    return kFacadeOk;
  });
}

int KxLibAnim::LoadPoseFile(const std::string& path) {
  if (!pose_) return kFacadeFailed;
  return detail::GuardedRead([&]() -> int {
    engine::QFile file(path, platform::File::Mode::kRead);
    pose_->ReadFrom(file);
    if (EngineFailed() || file.HasReadPastEnd()) return TakeReadFailure();
    return kFacadeOk;
  });
}

int KxLibAnim::BlendPoses(const KxLibAnim& first, const KxLibAnim& second, double t) {
  if (!pose_ || first.pose_ == nullptr || second.pose_ == nullptr) return kFacadeFailed;
  pose_->SetZero();
  pose_->AddWeighted(*first.pose_, 1.0 - t, 0.0);
  if (!EngineFailed()) pose_->AddWeighted(*second.pose_, t, 1.0 - t);
  return TakeEngineFailure() ? kFacadeFailed : kFacadeOk;
}

}  // namespace facade
