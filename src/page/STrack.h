#pragma once
// The mouse tracker: the object of one left-button gesture on the page.
// The page view makes one on each press for the current tool, feeds it the
// press, the moves and the release as plain event records, and deletes it
// when the gesture ends. A tracker turns the gesture into undoable commands
// run through the page's command stack, and keeps its rubber bands and
// outlines as a line list the view inverts onto its image.
//
// Every event answers a negative result code, 0 (nothing to redraw) or a
// redraw level: 1 the page (mode 0), 2 a resize drag (mode 1), 3 a rotation
// drag (mode 2). When the tracker holds lines the view only inverts them.
#include <memory>
#include <span>
#include <vector>

#include "page/SPoint.h"
#include "page/SView.h"
#include "platform/Hooks.h"
#include "platform/WinTypes.h"

namespace page {

class SDoc;

// Key flags of a mouse event.
enum TrackFlags : unsigned {
  kTrackShift = 4,
  kTrackCtrl = 8,
};

class STrack {
 public:
  STrack() = default;
  STrack(const STrack&) = delete;
  STrack& operator=(const STrack&) = delete;
  virtual ~STrack() = default;

  // Window point to page point, snapped to the page's grid, and back; true
  // when the grid snapped it.
  virtual bool SnapPoint(platform::POINT& point);
  // Snaps a page point to the grid's snap step (unchanged, false, when the
  // page does not snap).
  virtual bool SnapToGrid(SPoint& pagePoint);
  // The cursor the tracker shows (platform cursor codes, or a cursor
  // resource id).
  virtual int GetCursorId() { return platform::kCursorArrow; }

  virtual int Init(SDoc* doc, SView* view, const platform::RECT& clientRect);
  virtual int OnButtonDown(unsigned /*flags*/, int /*x*/, int /*y*/) { return 0; }
  virtual int OnMouseMove(unsigned /*flags*/, int /*x*/, int /*y*/) { return 0; }
  // Sets the cursor GetCursorId names.
  virtual void UpdateCursor();
  virtual int OnButtonUp(unsigned /*flags*/, int /*x*/, int /*y*/) { return 0; }
  // Once, before the tracker is deleted.
  virtual int OnEnd() { return 0; }
  // True for the click-by-click inputs: the gesture goes on after the
  // release, until Enter or a double click (Finish).
  virtual bool IsContinuing() const { return false; }
  virtual void Finish() {}
  virtual int GetLineCount() const { return static_cast<int>(lines.size()); }
  virtual std::span<const STLine> GetLines() const { return lines; }
  // True for the text frame input: the view opens the new frame's editor.
  virtual bool IsTextInput() const { return false; }
  // True for the library drops: the mouse is released before the drop runs.
  virtual bool ReleasesCaptureFirst() const { return false; }

  // Set by the rotation tracker on its first move: the view shows the
  // rotation hint once.
  bool ShowedRotation() const { return showedRotation; }

 protected:
  SDoc* doc = nullptr;    // not owned
  SView* view = nullptr;  // not owned
  platform::RECT clientRect{};
  int startX = 0, startY = 0;  // the press point, window pixels
  int lastX = 0, lastY = 0;    // the anchor or last point, per tracker
  std::vector<STLine> lines;
  bool showedRotation = false;

  // Rubber bands: keeps only the band drawn by the last move (to be erased
  // by inverting it again) and appends the new one.
  void ReplaceRubberBand(const STLine& band);
};

}  // namespace page
