#pragma once
// Drag trackers of the 3D view. A tracker lives for one gesture: the host
// makes one when a button goes down on the view, calls Begin with the press
// point, Move with every new point and End on release, then deletes it.
// Points are packed screen points; events are plain values, so trackers
// run headless.
//
// The base turns a mouse point into a 3D displacement of the grabbed point
// (the start point) under a drag constraint: a principal plane or axis, or
// the plane facing the viewer. One mouse movement never throws the point
// further than six times its own length at the point's depth.
#include <cstdint>

#include "engine/core/EngGeometry.h"

namespace engine {
class MDocObj;
}

namespace view {

class QView;

// Drag constraints of QTrack::ComputeDragDelta; every plane and line
// passes through the start point.
enum DragType {
  kDragPlaneX = 1,  // the plane with normal X
  kDragPlaneY = 2,
  kDragPlaneZ = 3,
  kDragLineZ = 4,
  kDragLineX = 5,
  kDragLineY = 6,
  kDragFacingViewer = 12,
};

// The axis-view marker a drag from the figure view sets: the point moves in
// the plane facing the viewer.
inline constexpr int kAxisViewMarkerFacing = 12;

class QTrack {
 public:
  using PointRecord = engine::PointRecord;
  QTrack() = default;
  virtual ~QTrack() = default;
  QTrack(const QTrack&) = delete;
  QTrack& operator=(const QTrack&) = delete;

  // False when the constraint gives no point (soft failure state 1,
  // reason 6); the delta is then left as it was.
  virtual bool ComputeDragDelta(int type, std::uint32_t point, PointRecord& delta);
  // A byte the host keeps with the tracker.
  virtual void SetOptionFlag(bool flag) { optionFlag_ = flag; }
  virtual bool GetOptionFlag() const { return optionFlag_; }
  // Rebases the drag at the current positions (the IK trackers); nothing
  // in the base.
  virtual void ResetDrag() {}
  // The saved-state slot: Take copies the values out and answers whether
  // they were there, which they then no longer are.
  virtual bool TakeSavedState(std::int16_t shorts[6], double doubles[6]);
  virtual void SetSavedState(const std::int16_t shorts[6], const double doubles[6]);
  // By the view's axis-view marker: 10 moves in the principal plane across
  // the viewing axis, 12 in the plane facing the viewer, others not at all.
  virtual void DragWithAxisLock(std::uint32_t point, int keys, PointRecord& delta);
  virtual bool Begin(std::uint32_t point, int keys, QView* view, engine::MDocObj* scene);
  virtual bool Move(std::uint32_t point, int keys);
  virtual bool End(std::uint32_t point, int keys);
  // With `clamp` set, a point on the positive side of x = 0 is put on it.
  static bool ClampToMirrorPlane(PointRecord& point, bool clamp);
  // point := start point + delta, clamped; the delta follows the clamp.
  bool ApplyDeltaFromStart(PointRecord& delta, PointRecord& point, bool clamp);
  // The point moved onto the 45-degree diagonal through the start point.
  std::uint32_t LockScreenAxis(std::uint32_t point) const;
  virtual bool GetStatusFlag() const { return statusFlag_; }
  // A rubber band in screen pixels (overlay kind 10) from a to b.
  virtual void AddOverlayLine(const PointRecord& a, const PointRecord& b);
  // Four rubber-band lines of kind 10: a to (b.x, a.y), b to (b.x, a.y),
  // b to (a.x, b.y), a to (a.x, b.y); stops at the first that cannot be
  // added (failure state out of memory).
  virtual void AddOverlayBox(const PointRecord& a, const PointRecord& b);

  void SetStartPoint(const PointRecord& p) { startPoint_ = p; }
  const PointRecord& GetStartPoint() const { return startPoint_; }
  void SetPixelScale(double scale) { pixelScale_ = scale; }

 protected:
  std::uint32_t startScreen_ = 0;
  std::uint32_t currentScreen_ = 0;
  PointRecord startPoint_{0, 0, 0};
  int keys_ = 0;
  QView* view_ = nullptr;
  engine::MDocObj* scene_ = nullptr;
  double pixelScale_ = 0.0;
  bool statusFlag_ = false;
  bool changed_ = false;
  std::int16_t savedShorts_[6] = {};
  double savedDoubles_[6] = {};
  bool saved_ = false;
  bool optionFlag_ = false;
};

}  // namespace view
