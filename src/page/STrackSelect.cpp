// The select tool's click and drag, the rubber bands of selection and of the
// output frame, and the hand.
#include "page/STrackSelect.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "page/SComFlag.h"
#include "page/SDoc.h"
#include "page/StringTable.h"
#include "platform/Hooks.h"

namespace page {
namespace {

// "You are about to set a very small output frame (20 × 20 pixels or
// less)": asked before the page becomes that small.
constexpr int kStrTinyOutputFrame = 260;

bool AddsToSelection(unsigned flags) { return (flags & (kTrackShift | kTrackCtrl)) != 0; }

}  // namespace

// ---- STrackClickDrag -----------------------------------------------------------

int STrackClickDrag::OnButtonDown(unsigned /*flags*/, int x, int y) {
  startX = lastX = x;
  startY = lastY = y;
  moved_ = false;
  int handle = -1;
  SObj* hit = view->HitTest(*doc, {x, y}, handle);
  if (hit == nullptr) return 0;
  hitId_ = hit->id;

  // The shown handle nearest the press (the rotation handle, which lies
  // outside the box, never) is what the drag puts on the grid.
  const SPoint press = view->ScreenToPage({x, y});
  const std::span<SCtlp> handles = hit->GetHandles(view->zoom / 100.0);
  double best = std::numeric_limits<double>::infinity();
  refHandle_ = 0;
  for (int i = 0; i < static_cast<int>(handles.size()); ++i) {
    const SCtlp& h = handles[i];
    if (i == kRotationHandle || !h.visible || h.poseOnly) continue;
    const double distance = press.Distance(SPoint(h.x, h.y));
    if (distance < best) best = distance, refHandle_ = i;
  }
  if (refHandle_ < static_cast<int>(handles.size()))
    refPoint_ = SPoint(handles[refHandle_].x, handles[refHandle_].y);
  else
    refPoint_ = press;
  return 0;
}

int STrackClickDrag::SelectHitObject(unsigned flags, int /*x*/, int /*y*/, bool dragging) {
  // The selection joins the next undo step: no group is closed here.
  int rc = doc->Execute(std::make_unique<SComSelectObj>(doc, hitId_, AddsToSelection(flags), dragging ? 1 : 0));
  if (rc < 0) return rc;
  if (dragging && (flags & kTrackCtrl)) rc = doc->Execute(std::make_unique<SComDuplicate>(doc));
  return rc < 0 ? rc : 0;
}

SPoint STrackClickDrag::DragOffset(unsigned flags, int x, int y) {
  const double scale = view->zoom / 100.0;
  SPoint offset((x - startX) / scale, (y - startY) / scale);
  if (flags & kTrackShift) {
    if (std::fabs(offset.x) < std::fabs(offset.y))
      offset.x = 0.0;
    else
      offset.y = 0.0;
  }
  const SPoint target = refPoint_ + offset;
  SPoint snapped = target;
  if (SnapToGrid(snapped)) offset = offset + (snapped - target);
  return offset;
}

void STrackClickDrag::RestoreStartPlacements() { doc->ApplyPropVals(startPlacements_, true); }

int STrackClickDrag::OnMouseMove(unsigned flags, int x, int y) {
  if (hitId_ < 0) return 0;
  if (!moved_) {
    if (std::abs(x - startX) + std::abs(y - startY) < kDragThreshold) return 0;
    const int rc = SelectHitObject(flags, startX, startY, true);
    if (rc < 0) return rc;
    moved_ = true;
    // Each move places the objects from where the drag found them, so no
    // rounding piles up over a long drag.
    doc->CollectPropVals(PropSCVal(), startPlacements_);
  }
  const SPoint offset = DragOffset(flags, x, y);
  RestoreStartPlacements();
  doc->MoveObjects(offset.x, offset.y, false);
  moveX_ = offset.x;
  moveY_ = offset.y;
  lastX = x;
  lastY = y;
  return 1;
}

int STrackClickDrag::OnButtonUp(unsigned flags, int /*x*/, int /*y*/) {
  if (hitId_ < 0) return 0;
  if (!moved_) {
    const int rc = SelectHitObject(flags, startX, startY, false);
    return rc < 0 ? rc : 1;
  }
  // The live move was no command: put the objects back and let one command
  // make the whole drag, so it is one undo step.
  RestoreStartPlacements();
  const int rc = doc->Execute(std::make_unique<SComMoveObj>(doc, moveX_, moveY_, false));
  if (rc < 0) return rc;
  doc->CloseCommandGroup();
  return 0;
}

// ---- STrackRectSelect ------------------------------------------------------------

int STrackRectSelect::OnButtonDown(unsigned /*flags*/, int x, int y) {
  startX = lastX = x;
  startY = lastY = y;
  return 0;
}

int STrackRectSelect::OnMouseMove(unsigned /*flags*/, int x, int y) {
  ReplaceRubberBand({STLine::kDottedRect, startX, startY, x, y});
  lastX = x;
  lastY = y;
  return 1;
}

int STrackRectSelect::OnButtonUp(unsigned flags, int x, int y) {
  lines.clear();
  std::vector<int> ids;
  view->CollectInRect(*doc, {startX, startY}, {x, y}, ids);
  const bool add = AddsToSelection(flags);
  // Like a click, the band's selection joins the next undo step.
  if (!add) {
    const int rc = doc->Execute(std::make_unique<SComSelectAll>(doc, false));
    if (rc < 0) return rc;
  }
  const int rc = doc->Execute(std::make_unique<SComSelectTab>(doc, std::move(ids), add));
  return rc < 0 ? rc : 1;
}

// ---- STrackEDitRect --------------------------------------------------------------

int STrackEDitRect::OnButtonUp(unsigned /*flags*/, int x, int y) {
  lines.clear();
  SPoint min, max;
  view->ScreenRectToPage({startX, startY}, {x, y}, min, max);
  const double w = max.x - min.x;
  const double h = max.y - min.y;
  if (w <= kTinySide && h <= kTinySide &&
      platform::ShowMessage(PnLoadString(kStrTinyOutputFrame), "Pennet", platform::kMbOkCancel) != platform::kIdOk)
    return 1;
  int rc = doc->Execute(std::make_unique<SComMoveObj>(doc, -min.x, -min.y, true));
  if (rc < 0) return rc;
  rc = doc->Execute(std::make_unique<SComOrgSize>(doc, w, h, doc->resolution));
  if (rc < 0) return rc;
  doc->CloseCommandGroup();
  return 1;
}

// ---- STrackHand ------------------------------------------------------------------

int STrackHand::OnButtonDown(unsigned /*flags*/, int x, int y) {
  startX = lastX = x;
  startY = lastY = y;
  return 0;
}

int STrackHand::OnMouseMove(unsigned /*flags*/, int x, int y) {
  if (x == lastX && y == lastY) return 0;
  const platform::POINT at = scroller_.GetScrollPosition();
  scroller_.ScrollTo({at.x + (lastX - x), at.y + (lastY - y)});
  lastX = x;
  lastY = y;
  return 1;
}

}  // namespace page
