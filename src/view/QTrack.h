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
  bool changed_ = false;
};

}  // namespace view
