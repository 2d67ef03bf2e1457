#pragma once
// The trackers of the 3D figures: posing a figure with the skeleton tools,
// and the eyedropper and paint bucket on a figure's parts.
#include <memory>

#include "page/FigureFacade.h"
#include "page/STrack.h"
#include "page/STrackFactory.h"

namespace page {

// The cursor of a pose tool (13 or 14) over a pose handle code of the
// figure under the mouse (0: no handle).
int PoseCursorId(int tool, int poseHitCode);

// The skeleton tools. A press on a figure that is not being posed puts it
// into pose mode; the next press on one of its parts drags that part, and
// the release leaves one undoable pose change. A press on empty paper
// deselects everything.
class STrackPoseRot : public STrack {
 public:
  explicit STrackPoseRot(int tool = kToolPoseRotate) : tool_(tool) {}
  int GetCursorId() override { return cursorId_; }
  int OnButtonDown(unsigned flags, int x, int y) override;
  int OnMouseMove(unsigned flags, int x, int y) override;
  int OnButtonUp(unsigned flags, int x, int y) override;

 private:
  SObj* HitObject() const;

  int tool_;
  int hitId_ = -1;  // the figure being posed; -1 inert
  int part_ = -1;   // the dragged part; -1 none
  std::unique_ptr<SAnimStates> before_;  // the part's state before the drag
  int cursorId_ = platform::kCursorArrow;
  bool moved_ = false;
};

// The eyedropper (15) takes a figure part's colour into the atmosphere
// bar's colour button; the paint bucket (16) paints the part with it. All
// on the press; a press off any shape, or on a handle, is an error.
class STrackSpoitBucket : public STrack {
 public:
  explicit STrackSpoitBucket(int tool = kToolEyedropper) : tool_(tool) {}
  int GetCursorId() override { return platform::kCursorWait; }
  int OnButtonDown(unsigned flags, int x, int y) override;

 private:
  int tool_;
};

}  // namespace page
