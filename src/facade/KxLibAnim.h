#pragma once
// KxLibAnim: one animation or one pose with the top-level index of the
// object it belongs to. Lists of holders keep figures' animations as they
// were before a change, so that the page's commands can put them back; each
// holder owns what it holds, and moving a holder moves the ownership.
//
// Animation files are packages whose member "anim.Z4E" is one track block;
// pose files are plain engine streams of one pose record.
#include <memory>
#include <string>
#include <vector>

namespace engine {
class MAnim;
class MPose;
}  // namespace engine

namespace facade {

class FigureSnapshot;

class KxLibAnim {
 public:
  KxLibAnim();
  KxLibAnim(std::unique_ptr<engine::MAnim> animation, int objectIndex);
  // An object that had no animation, as it stood: putting it back takes
  // away the animation it got since and restores the snapshot.
  KxLibAnim(std::unique_ptr<FigureSnapshot> unanimated, int objectIndex);
  ~KxLibAnim();
  KxLibAnim(KxLibAnim&&) noexcept;
  KxLibAnim& operator=(KxLibAnim&&) noexcept;
  KxLibAnim(const KxLibAnim&) = delete;
  KxLibAnim& operator=(const KxLibAnim&) = delete;

  // Holds a new empty pose (what LoadPoseFile and BlendPoses fill).
  void InitWithNewPose();
  engine::MAnim* GetAnimation() const { return animation_.get(); }
  engine::MPose* GetPose() const { return pose_.get(); }
  const FigureSnapshot* GetUnanimated() const { return unanimated_.get(); }
  // Replaces what the holder holds.
  void SetOwned(std::unique_ptr<engine::MAnim> animation);
  void SetOwned(std::unique_ptr<engine::MPose> pose);
  int GetObjectIndex() const { return objectIndex_; }
  // The length-unit code of the scene an animation file was written in.
  int GetUnitCode() const { return unitCode_; }

  // Reads the animation of an animation file. 0; -9 when the file or its
  // member cannot be opened or read; -1 out of memory.
  int LoadAnimFile(const std::string& path);
  // Reads a pose file into the pose (InitWithNewPose first). 0; -9 when the
  // file cannot be opened or its pose is damaged; -1 out of memory.
  int LoadPoseFile(const std::string& path);
  // The pose becomes first × (1 - t) + second × t (both hold poses). 0 or -1.
  int BlendPoses(const KxLibAnim& first, const KxLibAnim& second, double t);

 private:
  std::unique_ptr<engine::MAnim> animation_;
  std::unique_ptr<engine::MPose> pose_;
  std::unique_ptr<FigureSnapshot> unanimated_;
  int objectIndex_ = 0;
  int unitCode_ = 0;
};

using KxLibAnimArray = std::vector<KxLibAnim>;

}  // namespace facade
