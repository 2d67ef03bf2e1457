#pragma once
// The trackers of the select tool and of the output-frame tool, and the
// hand: clicking and dragging objects, rubber-band selection, cropping the
// page, resizing, turning and special-handle drags, and scrolling.
//
// A tracker whose press found nothing to work on stays inert: its moves and
// its release answer 0 and change nothing.
#include "page/SComPlace.h"
#include "page/STrack.h"
#include "page/STrackFactory.h"

namespace page {

// ---- clicking and dragging objects: STrackSelect.cpp -------------------------

// A press on an object's body. Under 5 pixels of travel the gesture is a
// click that selects the object; beyond, the selection follows the mouse
// (a copy of it with Ctrl, along one axis with Shift) and the release leaves
// one move command. A nearby handle of the object lands on the grid.
class STrackClickDrag : public STrack {
 public:
  static constexpr int kDragThreshold = 5;  // |dx| + |dy| in window pixels

  int GetCursorId() override { return platform::kCursorSizeAll; }
  int OnButtonDown(unsigned flags, int x, int y) override;
  int OnMouseMove(unsigned flags, int x, int y) override;
  int OnButtonUp(unsigned flags, int x, int y) override;

  // Selects the pressed object as a click at (x, y) does: Shift or Ctrl
  // adds. `dragging` keeps a selected object's selection (so the whole
  // selection moves) and, with Ctrl, duplicates it so the copies move.
  // 0 or a negative result code.
  virtual int SelectHitObject(unsigned flags, int x, int y, bool dragging);

 protected:
  int hitId_ = -1;  // the pressed object; -1 inert
  double moveX_ = 0.0, moveY_ = 0.0;  // the page offset applied live
  bool moved_ = false;
  int refHandle_ = -1;  // the handle that snaps to the grid
  SPoint refPoint_;     // its page position at the press
  SSavedValues startPlacements_;  // every object's placement when the drag began

 private:
  // The page offset for the mouse at (x, y): axis-locked with Shift, then
  // shifted so the reference handle lands on the grid.
  SPoint DragOffset(unsigned flags, int x, int y);
  // Puts the dragged objects back where the drag found them.
  void RestoreStartPlacements();
};

// ---- rubber bands: STrackSelect.cpp ---------------------------------------

// A press on empty page: the objects inside the band are selected, or added
// with Shift or Ctrl. The selection joins the next undo step.
class STrackRectSelect : public STrack {
 public:
  int OnButtonDown(unsigned flags, int x, int y) override;
  int OnMouseMove(unsigned flags, int x, int y) override;
  int OnButtonUp(unsigned flags, int x, int y) override;
};

// The output-frame tool: the band becomes the page (objects move with its
// corner). A band of at most 20 × 20 page pixels is asked about first.
class STrackEDitRect : public STrackRectSelect {
 public:
  static constexpr int kCursor = 2020;
  static constexpr double kTinySide = 20.0;

  int GetCursorId() override { return kCursor; }
  int OnButtonUp(unsigned flags, int x, int y) override;
};

// ---- handle drags: STrackTransform.cpp --------------------------------------

// A press on a resize handle (0 to 7). Each move updates one scaling command
// in place, so the drag is one undo step; the page redraws in the resizing
// mode until the release.
class STrackMagnify : public STrack {
 public:
  static constexpr int kCursorCorner = 287;
  static constexpr int kCursorSide = 291;

  int GetCursorId() override { return kind_ != 0 ? kCursorSide : kCursorCorner; }
  int OnButtonDown(unsigned flags, int x, int y) override;
  int OnMouseMove(unsigned flags, int x, int y) override;
  int OnButtonUp(unsigned flags, int x, int y) override;

 protected:
  bool HasObject() const { return hitId_ >= 0; }
  // Snaps a page point for a drag of the handle: along the line from the
  // anchor through the handle, to where it crosses the grid nearest the
  // mouse; special handles (9 and above) snap to the grid plainly.
  void SnapResizePoint(SPoint& point);
  // Executes the first command of the drag, or updates the kept one in
  // place. 0 or the failed command's code.
  template <typename Make, typename Update>
  int RunLive(Make make, Update update);

  int kind_ = 0;        // the anchor's axis: 0 both, 1 horizontal, 2 vertical
  SPoint anchor_;       // the fixed point of the drag
  SPoint handlePoint_;  // the handle at the press
  int hitId_ = -1;
  SComMagObj* command_ = nullptr;  // the live command; the stack owns it
  bool firstMove_ = true;
  int handle_ = -1;
};

// A press on the rotation handle (8): the selection turns about the centre,
// in 15-degree steps with Shift; the page redraws in the rotating mode.
class STrackRotate : public STrackMagnify {
 public:
  static constexpr int kCursor = 286;

  int GetCursorId() override { return kCursor; }
  int OnMouseMove(unsigned flags, int x, int y) override;
  int OnButtonUp(unsigned flags, int x, int y) override;
};

// A press on a shape's special handle (9 and above).
class STrackSpCtrl : public STrackMagnify {
 public:
  static constexpr int kCursor = 250;

  int GetCursorId() override { return kCursor; }
  int OnMouseMove(unsigned flags, int x, int y) override;
};

// ---- scrolling: STrackSelect.cpp --------------------------------------------

// The Space key held: the page follows the mouse.
class STrackHand : public STrack {
 public:
  static constexpr int kCursor = 374;

  explicit STrackHand(STrackScroller& scroller) : scroller_(scroller) {}
  int GetCursorId() override { return kCursor; }
  int OnButtonDown(unsigned flags, int x, int y) override;
  int OnMouseMove(unsigned flags, int x, int y) override;

 private:
  STrackScroller& scroller_;
};

}  // namespace page
