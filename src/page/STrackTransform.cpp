// Handle drags of the select tool: resizing, turning and special handles.
// Each drag executes one command on its first move and then updates that
// command in place, so the page shows the real result while the drag runs
// and the whole drag is one undo step.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "page/SDoc.h"
#include "page/STrackSelect.h"

namespace page {
namespace {

// Where the guide through `from` and `to` crosses the vertical (`vertical`)
// or horizontal grid line through `at`; far off the page when the guide
// runs along that line.
SPoint GuideCrossing(SPoint from, SPoint to, SPoint at, bool vertical) {
  const SPoint d = to - from;
  const double along = vertical ? d.x : d.y;
  if (std::fabs(along) < 1e-12) return {-10000.0, -10000.0};
  const double t = vertical ? (at.x - from.x) / along : (at.y - from.y) / along;
  return from + d * t;
}

}  // namespace

// ---- STrackMagnify ---------------------------------------------------------------

int STrackMagnify::OnButtonDown(unsigned /*flags*/, int x, int y) {
  firstMove_ = true;
  startX = lastX = x;
  startY = lastY = y;
  int handle = -1;
  SObj* hit = view->HitTest(*doc, {x, y}, handle);
  if (hit == nullptr || handle < 0) return 0;
  const double zoom = view->zoom / 100.0;
  const std::span<SCtlp> handles = hit->GetHandles(zoom);
  if (handle >= static_cast<int>(handles.size())) return 0;
  handlePoint_ = SPoint(handles[handle].x, handles[handle].y);
  const SHandleAnchor anchor = hit->GetHandleAnchor(handle, zoom);
  anchor_ = anchor.point;
  kind_ = anchor.axis;
  handle_ = handle;
  hitId_ = hit->id;
  return 0;
}

void STrackMagnify::SnapResizePoint(SPoint& point) {
  if (handle_ > kRotationHandle) {
    SnapToGrid(point);
    return;
  }
  if (doc == nullptr || !doc->grid.snapToGrid) return;
  const SPoint guide = handlePoint_ - anchor_;
  if (std::fabs(guide.x) < 1e-6 && std::fabs(guide.y) < 1e-6) return;
  // The mouse's distance from the anchor, laid along the guide, gives the
  // grid point to aim at; the guide then crosses that point's grid lines,
  // and the crossing nearer the mouse wins.
  SPoint candidate = anchor_ + guide * ((point - anchor_).Length() / guide.Length());
  SnapToGrid(candidate);
  const SPoint onVertical = GuideCrossing(anchor_, handlePoint_, candidate, true);
  const SPoint onHorizontal = GuideCrossing(anchor_, handlePoint_, candidate, false);
  point = point.Distance(onVertical) <= point.Distance(onHorizontal) ? onVertical : onHorizontal;
}

template <typename Make, typename Update>
int STrackMagnify::RunLive(Make make, Update update) {
  if (!firstMove_ && command_ != nullptr) {
    update(*command_);
    return 0;
  }
  auto command = make();
  SComMagObj* kept = command.get();
  const int rc = doc->Execute(std::move(command));
  if (rc < 0) return rc;
  command_ = kept;
  firstMove_ = false;
  return 0;
}

int STrackMagnify::OnMouseMove(unsigned /*flags*/, int x, int y) {
  if (!HasObject()) return 0;
  SPoint point = view->ScreenToPage({x, y});
  SnapResizePoint(point);
  const int rc = RunLive(
      [&] { return std::make_unique<SComMagObj>(doc, hitId_, anchor_, handlePoint_, point, kind_); },
      [&](SComMagObj& live) { live.UpdateDrag(point); });
  if (rc < 0) return rc;
  lastX = x;
  lastY = y;
  return 2;
}

int STrackMagnify::OnButtonUp(unsigned /*flags*/, int /*x*/, int /*y*/) {
  if (!HasObject()) return 0;
  doc->CloseCommandGroup();
  return 1;
}

// ---- STrackRotate ---------------------------------------------------------------

int STrackRotate::OnMouseMove(unsigned flags, int x, int y) {
  if (!HasObject()) return 0;
  showedRotation = true;
  const SPoint point = view->ScreenToPage({x, y});
  const int snap = (flags & kTrackShift) ? 1 : 0;
  const int rc = RunLive(
      [&] { return std::make_unique<SComRotObj>(doc, hitId_, anchor_, handlePoint_, point, snap); },
      [&](SComMagObj& live) { live.UpdateDragAndMode(point, snap); });
  if (rc < 0) return rc;
  lastX = x;
  lastY = y;
  return 3;
}

int STrackRotate::OnButtonUp(unsigned flags, int x, int y) {
  if (!HasObject()) return 0;
  // A click on the handle turns nothing: the angle is measured from the
  // handle, not from the press, so a release where nothing moved would
  // turn the object by the small offset of the press within the handle.
  if (!firstMove_ || x != startX || y != startY) {
    const int rc = OnMouseMove(flags, x, y);
    if (rc < 0) return rc;
  }
  doc->CloseCommandGroup();
  return 1;
}

// ---- STrackSpCtrl ----------------------------------------------------------------

int STrackSpCtrl::OnMouseMove(unsigned flags, int x, int y) {
  if (!HasObject()) return 0;
  const bool shift = (flags & kTrackShift) != 0;
  int px = x, py = y;
  if (shift) {
    // Along the horizontal or vertical through the press, whichever the
    // mouse has gone further along.
    if (std::abs(x - startX) >= std::abs(y - startY))
      py = startY;
    else
      px = startX;
  }
  SPoint point = view->ScreenToPage({px, py});
  SnapResizePoint(point);
  const int rc = RunLive(
      [&] {
        return std::make_unique<SComSpCtrl>(doc, hitId_, anchor_, handlePoint_, point, shift ? 1 : 0, handle_);
      },
      [&](SComMagObj& live) { live.UpdateDrag(point); });
  if (rc < 0) return rc;
  lastX = x;
  lastY = y;
  return 1;
}

}  // namespace page
