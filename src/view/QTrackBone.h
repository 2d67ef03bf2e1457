#pragma once
// Bone manipulators: posing a figure by dragging in a 3D view. Each gesture
// is one undo step of the scene, opened before anything moves.
//
//   QTrackBoneInvLine  drags the start joint of a bone and everything below
//                      it; the two bones above keep their lengths (IK)
//   QTrackBoneInvVert  moves one joint between its parent and at most one
//                      child, both bones keeping their lengths
//   QTrackRotateBone   turns a bone and those below it about an axis
//
// QTrackBone.cpp holds the rotation tracker, QTrackBoneIK.cpp the other two.
#include <vector>

#include "engine/core/EngArrays.h"
#include "engine/figure/BoneIK.h"
#include "view/QTrack.h"

namespace engine {
class MBoneObj;
class MLine;
class MObject;
class MVertex;
}  // namespace engine

namespace view {

// The saved state the IK trackers leave after set-up and every drag step.
void StoreIkSavedState(QTrack& track);

// Drags the start joint of a bone (and everything below it) while the two
// bones above it keep their lengths; the joint between them stays in the
// plane the chain had when the drag began.
class QTrackBoneInvLine : public QTrack {
 public:
  void ResetDrag() override;
  bool Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) override;
  bool Move(std::uint32_t point, int keys) override;
  bool End(std::uint32_t point, int keys) override;
  // With a view, the bone and figure are picked under the point; without
  // one they are the given ones (a drag by scene vectors, no mouse).
  bool SetupChain(const std::uint32_t* point, int keys, QView* view, engine::MDocObj* scene, engine::MLine* line,
                  engine::MBoneObj* figure);
  // One drag step: to the mouse point (needs a view), or by a scene-space
  // displacement of the dragged joint from where it was at set-up. False
  // with nothing changed for a point already reached or without a figure.
  bool SolveDrag(const std::uint32_t* point, int keys, const PointRecord* targetDelta);
  engine::MBoneObj* GetFigure() const { return figure_; }

 private:
  // The chain's scene positions as they are now.
  void ReadChain();

  engine::MBoneObj* figure_ = nullptr;
  engine::MObject* picked_ = nullptr;
  engine::MLine* line_ = nullptr;
  engine::MVertex* end_ = nullptr;
  engine::MVertex* joint_ = nullptr;
  engine::MVertex* root_ = nullptr;
  engine::MatrixRecord world_{};
  engine::MatrixRecord inverse_{};
  engine::TwoBoneChain chain_{};
  PointRecord applied_{0, 0, 0};
  bool moved_ = false;
};

// Moves a joint that has a parent and at most one child: with a child it
// swings on the circle where both bones keep their lengths, without one on
// the sphere around its parent. The skin follows at End.
class QTrackBoneInvVert : public QTrack {
 public:
  void ResetDrag() override;
  bool Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene) override;
  bool Move(std::uint32_t point, int keys) override;
  bool End(std::uint32_t point, int keys) override;
  engine::MBoneObj* GetFigure() const { return refused_ ? nullptr : figure_; }
  bool IsRefused() const { return refused_; }

 private:
  void ReadPositions();

  engine::MBoneObj* figure_ = nullptr;
  engine::MObject* picked_ = nullptr;
  engine::MVertex* joint_ = nullptr;
  engine::MVertex* parent_ = nullptr;
  engine::MVertex* child_ = nullptr;
  engine::MatrixRecord world_{};
  engine::MatrixRecord inverse_{};
  PointRecord pr_{0, 0, 0}, pj_{0, 0, 0}, pe_{0, 0, 0};
  double upper_ = 0.0;  // L1 = |PR - PJ|
  double lower_ = 0.0;  // L2 = |PE - PJ|
  PointRecord applied_{0, 0, 0};
  bool moved_ = false;
  bool refused_ = false;
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
  // 1 about the bone, 2 and 3 about a rotation ring's axis, 4 about the
  // viewing axis (or the axis of an axis view).
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
