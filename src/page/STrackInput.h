#pragma once
// The input trackers: the gestures that draw a new shape, text frame or
// panel frame. While the mouse moves they show the shape as a rubber band;
// on the release (for the click-by-click inputs, on Enter or a double click)
// they make the shape with the page's current 2D values, in the panel frame
// under the press, then give it the form the tool stands for. The whole
// gesture is one undo step; an input too small to be a shape makes nothing.
//
//   STrackInputRect        rectangle            tool 4
//     STrackInputOval      oval                 tool 3
//     STrackInputText      text frame           tool 5
//     STrackInputTrim      panel frame          tool 11
//     STrackInputTrimout   cut-out frame        tool 12
//     STrackInputLine      line                 tool 2
//       STrackInputALine   arrow line           tool 6
//       STrackInputFree    free-hand line       tool 9
//         STrackInputFreegon  free-hand area    tool 10
//         STrackInputPoly     polyline          tool 7
//           STrackInputPolygon polygon          tool 8
#include <span>
#include <vector>

#include "page/PropVal.h"
#include "page/SCom.h"
#include "page/SDoc.h"
#include "page/STrack.h"

namespace page {

// Values a tool forces on its new shape: path flags, line and fill colour
// modes (-1 keeps what the page's current values gave).
struct SForcedProps {
  int pathFlags = -1;
  int lineColorMode = -1;
  int fillColorMode = -1;
  friend bool operator==(const SForcedProps&, const SForcedProps&) = default;
};

class STrackInputRect : public STrack {
 public:
  // Snaps the press, which becomes the anchor, and notes the panel frame
  // under it. 0.
  int OnButtonDown(unsigned flags, int x, int y) override;
  // The rubber band from the anchor to the point (constrained with Shift,
  // else snapped). 1.
  int OnMouseMove(unsigned flags, int x, int y) override;
  // Makes the shape: 1, or the failing command's code (the view then rolls
  // the open group back). A degenerate input makes nothing and answers 1.
  int OnButtonUp(unsigned flags, int x, int y) override;

  // ---- the family's own operations ---------------------------------------
  // The new shape's corners (page pixels) and angle for the release point
  // `end` (window pixels); false when there is nothing to make.
  virtual bool GetInputGeometry(platform::POINT end, SPoint& corner1, SPoint& corner2, double& angle);
  virtual SForcedProps GetForcedProps() const { return {}; }
  // Runs the adjustments that give the new object `id` its final form:
  // 0, or the first failing command's code.
  virtual int MakeAfterInputCommand(int id);
  virtual int GetInputKind() const { return kInputRect; }
  virtual int GetRubberBandKind() const { return STLine::kDottedRect; }
  // Whether the new shape goes into the panel frame under the press.
  virtual bool JoinsPanelFrame() const { return true; }
  virtual bool IsDegenerate(platform::POINT end) const;
  // Shift: a square about the anchor.
  virtual void ConstrainPoint(platform::POINT& point);
  // Adds a point to the inputs that collect them; nothing here.
  virtual void AddPoint(unsigned /*flags*/, int /*x*/, int /*y*/) {}

  int GetFrameId() const { return frameId; }

 protected:
  int frameId = -1;  // the panel frame under the press; -1 none

  // The move's point: constrained with Shift, else snapped.
  platform::POINT ConstrainOrSnap(unsigned flags, int x, int y);
  // Runs one command of the gesture: 0 or its failure code.
  int Run(std::unique_ptr<SCom> command);
};

class STrackInputOval : public STrackInputRect {
 public:
  int GetInputKind() const override { return kInputOval; }
  int GetRubberBandKind() const override { return STLine::kDottedEllipse; }
};

class STrackInputText : public STrackInputRect {
 public:
  int GetInputKind() const override { return kInputText; }
  // The view opens the new frame's text editor when the gesture ends.
  bool IsTextInput() const override { return true; }
};

// The new rectangle becomes a panel frame.
class STrackInputTrim : public STrackInputRect {
 public:
  int MakeAfterInputCommand(int id) override;
};

// A panel frame without line or fill that takes the selected shapes: it
// needs a selection, and never goes into another panel frame.
class STrackInputTrimout : public STrackInputRect {
 public:
  // The press unsnapped; kResultCutNeedsSelection (-17) without a selection.
  int OnButtonDown(unsigned flags, int x, int y) override;
  int MakeAfterInputCommand(int id) override;
  bool JoinsPanelFrame() const override { return false; }
};

// A line: a thin turned rectangle from the anchor to the release point.
class STrackInputLine : public STrackInputRect {
 public:
  // Half the thickness of the box a line is drawn in, page pixels.
  static constexpr double kHalfThickness = 2.5;

  bool GetInputGeometry(platform::POINT end, SPoint& corner1, SPoint& corner2, double& angle) override;
  SForcedProps GetForcedProps() const override { return {Prop2DVal::kPathOpen, -1, -1}; }
  int GetInputKind() const override { return kInputLine; }
  int GetRubberBandKind() const override { return STLine::kDottedLine; }
  bool IsDegenerate(platform::POINT end) const override;
  // Shift: the direction in steps of 15 degrees, the length kept.
  void ConstrainPoint(platform::POINT& point) override;
};

class STrackInputALine : public STrackInputLine {
 public:
  int MakeAfterInputCommand(int id) override;
};

// A free-hand line: the points the mouse passes, unsnapped, a new one after
// each move of 3.5 pixels or more (|dx| + |dy|).
class STrackInputFree : public STrackInputLine {
 public:
  static constexpr double kMinStep = 3.5;

  // Free-hand points are taken as the mouse gives them.
  bool SnapPoint(platform::POINT& /*point*/) override { return false; }
  // The segment to the point when it moved far enough: 1; else 0.
  int OnMouseMove(unsigned flags, int x, int y) override;

  bool GetInputGeometry(platform::POINT end, SPoint& corner1, SPoint& corner2, double& angle) override;
  SForcedProps GetForcedProps() const override;
  int MakeAfterInputCommand(int id) override;
  int GetInputKind() const override { return kInputPoly; }
  bool IsDegenerate(platform::POINT end) const override;
  void ConstrainPoint(platform::POINT& /*point*/) override {}
  // Appends the page point (the press first when nothing is collected yet)
  // and the segment to it.
  void AddPoint(unsigned flags, int x, int y) override;

  std::span<const SPoint> GetPoints() const { return points; }

 protected:
  std::vector<SPoint> points;  // page pixels
};

// A closed, filled free-hand area.
class STrackInputFreegon : public STrackInputFree {
 public:
  SForcedProps GetForcedProps() const override;
};

// A polyline, click by click: each press adds a point; Enter or a double
// click (Finish) makes the shape.
class STrackInputPoly : public STrackInputFree {
 public:
  bool SnapPoint(platform::POINT& point) override { return STrack::SnapPoint(point); }
  // The first press anchors the line (0); each later one adds a point (1).
  int OnButtonDown(unsigned flags, int x, int y) override;
  int OnMouseMove(unsigned flags, int x, int y) override { return STrackInputRect::OnMouseMove(flags, x, y); }
  // The gesture goes on after a release.
  int OnButtonUp(unsigned /*flags*/, int /*x*/, int /*y*/) override { return 0; }
  bool IsContinuing() const override { return true; }
  // Makes the shape from the clicked points; fewer than two make nothing. A
  // failure is reported here and its commands rolled back: the view that
  // calls Finish takes no result.
  void Finish() override;

  SForcedProps GetForcedProps() const override;
  void ConstrainPoint(platform::POINT& point) override { STrackInputLine::ConstrainPoint(point); }

 protected:
  bool firstPress = true;
};

class STrackInputPolygon : public STrackInputPoly {
 public:
  SForcedProps GetForcedProps() const override;
};

}  // namespace page
