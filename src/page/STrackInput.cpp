// The rectangle-like and line inputs: press, rubber band, the Shift
// constraints, and the release that makes the shape.
#include "page/STrackInput.h"

#include <cmath>
#include <cstdlib>

#include "imaging/Geometry2D.h"
#include "page/ResultCodes.h"
#include "page/SComFlagDel.h"
#include "page/SComInput2D.h"

namespace page {

// ---- the gesture --------------------------------------------------------------

int STrackInputRect::OnButtonDown(unsigned /*flags*/, int x, int y) {
  platform::POINT press{x, y};
  SnapPoint(press);
  startX = lastX = press.x;
  startY = lastY = press.y;
  const SObj* frame = view->HitTestPanelFrame(*doc, press);
  frameId = frame != nullptr ? frame->id : -1;
  return 0;
}

platform::POINT STrackInputRect::ConstrainOrSnap(unsigned flags, int x, int y) {
  platform::POINT point{x, y};
  if (flags & kTrackShift)
    ConstrainPoint(point);
  else
    SnapPoint(point);
  return point;
}

int STrackInputRect::OnMouseMove(unsigned flags, int x, int y) {
  const platform::POINT point = ConstrainOrSnap(flags, x, y);
  ReplaceRubberBand({GetRubberBandKind(), lastX, lastY, point.x, point.y});
  return 1;
}

int STrackInputRect::Run(std::unique_ptr<SCom> command) {
  const int rc = doc->Execute(std::move(command));
  return rc < 0 ? rc : 0;
}

int STrackInputRect::OnButtonUp(unsigned flags, int x, int y) {
  lines.clear();
  const platform::POINT end = ConstrainOrSnap(flags, x, y);
  if (IsDegenerate(end)) return 1;
  SPoint corner1, corner2;
  double angle = 0.0;
  if (!GetInputGeometry(end, corner1, corner2, angle)) return 1;

  // The values the property bars set while nothing is selected.
  Prop2DVal values;
  doc->TakePropValFromRoot(values);
  auto input = std::make_unique<SComInput2D>(doc, GetInputKind(), corner1, corner2, angle, values, frameId,
                                             JoinsPanelFrame());
  const SComInput2D& made = *input;  // the stack owns it from here on
  int rc = Run(std::move(input));
  if (rc < 0) return rc;
  rc = MakeAfterInputCommand(made.GetCreatedId());
  if (rc < 0) return rc;
  doc->CloseCommandGroup();
  return 1;
}

// ---- rectangle family -----------------------------------------------------------

bool STrackInputRect::GetInputGeometry(platform::POINT end, SPoint& corner1, SPoint& corner2, double& angle) {
  corner1 = view->ScreenToPage({startX, startY});
  corner2 = view->ScreenToPage(end);
  angle = 0.0;
  return true;
}

int STrackInputRect::MakeAfterInputCommand(int id) {
  const SForcedProps forced = GetForcedProps();
  return Run(std::make_unique<SComAfter2DForceShape>(doc, id, forced.pathFlags, forced.lineColorMode,
                                                     forced.fillColorMode));
}

bool STrackInputRect::IsDegenerate(platform::POINT end) const { return end.x == startX || end.y == startY; }

void STrackInputRect::ConstrainPoint(platform::POINT& point) {
  const double dx = point.x - lastX, dy = point.y - lastY;
  const int d = static_cast<int>(std::sqrt(dx * dx + dy * dy) / std::sqrt(2.0));
  if (d == 0) return;
  point.x = lastX + (dx > 0 ? d : -d);
  point.y = lastY + (dy > 0 ? d : -d);
}

int STrackInputTrim::MakeAfterInputCommand(int id) {
  const int rc = STrackInputRect::MakeAfterInputCommand(id);
  if (rc < 0) return rc;
  return Run(std::make_unique<SComAfter2DTrim>(doc, id));
}

int STrackInputTrimout::OnButtonDown(unsigned /*flags*/, int x, int y) {
  startX = lastX = x;
  startY = lastY = y;
  frameId = -1;
  return doc->HasSelection() ? 0 : kResultCutNeedsSelection;
}

int STrackInputTrimout::MakeAfterInputCommand(int id) {
  int rc = STrackInputRect::MakeAfterInputCommand(id);
  // The frame goes before the selected shapes; then it takes them, and the
  // frame with its contents becomes one group.
  if (rc >= 0) rc = Run(std::make_unique<SComAfter2DTrimout>(doc, id));
  if (rc >= 0) rc = Run(std::make_unique<SComInsertTrim>(doc));
  if (rc >= 0) rc = Run(std::make_unique<SComGroup>(doc));
  return rc;
}

// ---- line family ----------------------------------------------------------------

bool STrackInputLine::GetInputGeometry(platform::POINT end, SPoint& corner1, SPoint& corner2, double& angle) {
  const SPoint a = view->ScreenToPage({startX, startY});
  const SPoint b = view->ScreenToPage(end);
  const SPoint centre = (a + b) * 0.5;
  const double half = a.Distance(b) / 2.0;
  corner1 = SPoint(centre.x - half, centre.y - kHalfThickness);
  corner2 = SPoint(centre.x + half, centre.y + kHalfThickness);
  angle = SPoint(1.0, 0.0).AngleTo(b - a);
  return true;
}

bool STrackInputLine::IsDegenerate(platform::POINT end) const { return end.x == startX && end.y == startY; }

void STrackInputLine::ConstrainPoint(platform::POINT& point) {
  const double dx = point.x - lastX, dy = point.y - lastY;
  const double length = std::sqrt(dx * dx + dy * dy);
  if (length < 1e-6) return;
  // Steps of 15 degrees: twelve to a half turn.
  const double angle = imaging::PnUtilSnapAngle(std::atan2(dy, dx), 12);
  point.x = static_cast<int>(lastX + length * std::cos(angle));
  point.y = static_cast<int>(lastY + length * std::sin(angle));
}

int STrackInputALine::MakeAfterInputCommand(int id) {
  const int rc = STrackInputLine::MakeAfterInputCommand(id);
  if (rc < 0) return rc;
  return Run(std::make_unique<SComAfter2DALine>(doc, id));
}

}  // namespace page
