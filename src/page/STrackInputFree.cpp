// The inputs that collect points: free-hand lines and areas, drawn while
// the mouse moves, and polylines and polygons, clicked point by point.
#include <cmath>
#include <cstdlib>

#include "page/ResultCodes.h"
#include "page/SComSetProp.h"
#include "page/STrackInput.h"

namespace page {

// ---- free-hand ---------------------------------------------------------------

int STrackInputFree::OnMouseMove(unsigned flags, int x, int y) {
  // Each segment is drawn once, so the path drawn so far stays on the screen.
  lines.clear();
  if (std::abs(x - lastX) + std::abs(y - lastY) < kMinStep) return 0;
  AddPoint(flags, x, y);
  return 1;
}

void STrackInputFree::AddPoint(unsigned flags, int x, int y) {
  if (points.empty()) points.push_back(view->ScreenToPage({startX, startY}));
  const platform::POINT point = ConstrainOrSnap(flags, x, y);
  points.push_back(view->ScreenToPage(point));
  lines.push_back({GetRubberBandKind(), lastX, lastY, point.x, point.y});
  lastX = point.x;
  lastY = point.y;
}

bool STrackInputFree::IsDegenerate(platform::POINT /*end*/) const { return points.size() < 2; }

bool STrackInputFree::GetInputGeometry(platform::POINT /*end*/, SPoint& corner1, SPoint& corner2, double& angle) {
  // Nothing collected is nothing to make, whoever asks.
  if (points.empty()) return false;
  BoundsOfPoints(corner1, corner2, points);
  angle = 0.0;
  return true;
}

int STrackInputFree::MakeAfterInputCommand(int id) {
  const int rc = STrackInputLine::MakeAfterInputCommand(id);
  if (rc < 0) return rc;
  // The shape takes the collected points outside the stack; the command
  // keeps its state before and after for undo and redo.
  std::unique_ptr<SFIGSpProp> before = doc->SaveSpPropOf(id);
  const int set = doc->SetNormalizedPointsOf(id, points);
  if (set < 0) return set;
  std::unique_ptr<SFIGSpProp> after = doc->SaveSpPropOf(id);
  return Run(std::make_unique<SComChangeSpProp>(doc, id, std::move(before), std::move(after)));
}

SForcedProps STrackInputFree::GetForcedProps() const {
  return {Prop2DVal::kPathOpen | Prop2DVal::kPathCurve | Prop2DVal::kPathEditable, Prop2DVal::kColorGiven,
          Prop2DVal::kColorNone};
}

SForcedProps STrackInputFreegon::GetForcedProps() const {
  return {Prop2DVal::kPathOpen | Prop2DVal::kPathCurve | Prop2DVal::kPathEditable, -1, Prop2DVal::kColorGiven};
}

// ---- click by click --------------------------------------------------------------

int STrackInputPoly::OnButtonDown(unsigned flags, int x, int y) {
  if (firstPress) {
    firstPress = false;
    return STrackInputRect::OnButtonDown(flags, x, y);
  }
  lines.clear();
  AddPoint(flags, x, y);
  return 1;
}

void STrackInputPoly::Finish() {
  // The release at (0, 0) without keys: that point is not one of the shape's.
  const int rc = STrackInputRect::OnButtonUp(0, 0, 0);
  if (rc >= 0) return;
  doc->RollbackOpenGroup();
  ReportErrorCode(rc);
}

SForcedProps STrackInputPoly::GetForcedProps() const {
  return {Prop2DVal::kPathOpen | Prop2DVal::kPathEditable, Prop2DVal::kColorGiven, Prop2DVal::kColorNone};
}

SForcedProps STrackInputPolygon::GetForcedProps() const {
  return {Prop2DVal::kPathEditable, -1, Prop2DVal::kColorGiven};
}

}  // namespace page
