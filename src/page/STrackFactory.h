#pragma once
// Which tracker a left-button press makes, and which tool the program goes
// back to when that tracker ends.
#include <memory>

#include "page/STrack.h"
#include "platform/WinTypes.h"

namespace page {

class SDoc;
class SView;

// The page view's scroll position, moved by the hand tracker.
class STrackScroller {
 public:
  virtual ~STrackScroller() = default;
  virtual platform::POINT GetScrollPosition() const = 0;
  virtual void ScrollTo(platform::POINT position) = 0;
};

// Tool numbers of the page view.
enum ToolNumber : int {
  kToolSelectObjects = 0,
  kToolOutputFrame = 1,
  kToolLine = 2,
  kToolOval = 3,
  kToolRect = 4,
  kToolText = 5,
  kToolArrowLine = 6,
  kToolPolyline = 7,
  kToolPolygon = 8,
  kToolFreeLine = 9,
  kToolFreeArea = 10,
  kToolPanelFrame = 11,
  kToolCutOutFrame = 12,
  kToolPoseRotate = 13,
  kToolPoseMove = 14,
  kToolEyedropper = 15,
  kToolPaintBucket = 16,
  kToolLibDrag = 100,
  kToolLibOpen = 101,
  kToolHand = 102,
  kToolLibApply = 103,
};

// The tracker for `tool` at the press point (window pixels). Null when the
// tool makes none; `resetTool` is then set when the program goes back to the
// select tool (a library drop of a file kind that cannot be dropped).
std::unique_ptr<STrack> MakeTracker(int tool, SDoc& doc, SView& view, platform::POINT press,
                                    STrackScroller* scroller, bool& resetTool);

// The tool after a tracker of `tool` ended, normally or by an error.
int FallbackTool(int tool);

}  // namespace page
