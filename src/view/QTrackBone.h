#pragma once
// Bone manipulators: turning a figure's bone (and every bone below it)
// about an axis by a horizontal drag. Each gesture is one undo step of the
// scene; every step starts again from the pose at Begin.
#include <vector>

#include "engine/core/EngArrays.h"
#include "engine/figure/BoneIK.h"
#include "view/QTrack.h"

namespace engine {
class MBoneObj;
class MLine;
class MVertex;
}  // namespace engine

namespace view {

// Drags the start joint of a bone (and everything below it) while the two
// bones above it keep their lengths; the joint between them stays in the
// plane the chain had when the drag began.
class QTrackBoneInvLine : public QTrack {
 public:
  bool Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) override;
  bool Move(std::uint32_t point, int keys) override;
  bool End(std::uint32_t point, int keys) override;
  engine::MBoneObj* GetFigure() const { return figure_; }

 private:
  engine::MBoneObj* figure_ = nullptr;
  engine::MObject* picked_ = nullptr;
  engine::MLine* line_ = nullptr;
  engine::MVertex* end_ = nullptr;
  engine::MVertex* joint_ = nullptr;
  engine::TwoBoneChain chain_{};
  PointRecord applied_{0, 0, 0};
  bool moved_ = false;
};

class QTrackRotateBone : public QTrack {
 public:
  bool Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) override;
  // A drag across the whole view's width turns the bones one full turn; a
  // drag back to the start point puts the pose back as it was at Begin.
  bool Move(std::uint32_t point, int keys) override;
  bool End(std::uint32_t point, int keys) override;
  // Turns the bones by `angle` (radians) from their pose at Begin.
  void SetupAxis(double angle);
  engine::MBoneObj* GetFigure() const { return figure_; }
  int GetRotationMode() const { return mode_; }

 private:
  engine::MBoneObj* figure_ = nullptr;
  engine::MLine* line_ = nullptr;
  engine::MVertex* vertex_ = nullptr;
  engine::MVertex* pivot_ = nullptr;
  PointRecord pivotPosition_{0, 0, 0};
  PointRecord direction_{1, 0, 0};
  PointRecord boneAxis_{0, 0, 1};
  int mode_ = 0;
  bool moved_ = false;
  engine::PtrArray bones_;
  engine::PointArray savedPositions_;
  std::vector<engine::MatrixRecord> savedPosed_;
  std::vector<double> savedTwist_;
};

}  // namespace view
