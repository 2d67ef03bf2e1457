// The renderer's services to the trackers: window and page points, hit
// tests through the objects, rubber bands.
#include <algorithm>
#include <cmath>

#include "imaging/DrawPrimitives.h"
#include "page/SDoc.h"
#include "page/SView.h"
#include "page/SView_Internal.h"

namespace page {

SPoint SView::ScreenToPage(platform::POINT point) const {
  const double scale = zoom / 100.0;
  return {(point.x - transform.originX) / scale, (point.y - transform.originY) / scale};
}

platform::POINT SView::PageToScreen(SPoint point) const {
  const double scale = zoom / 100.0;
  return {static_cast<int>(scale * point.x + transform.originX), static_cast<int>(scale * point.y + transform.originY)};
}

void SView::ScreenRectToPage(platform::POINT p1, platform::POINT p2, SPoint& min, SPoint& max) const {
  const SPoint a = ScreenToPage(p1), b = ScreenToPage(p2);
  min = SPoint(std::min(a.x, b.x), std::min(a.y, b.y));
  max = SPoint(std::max(a.x, b.x), std::max(a.y, b.y));
}

platform::SIZE SView::PagePixelSize(const SDoc* doc) const {
  if (doc == nullptr) return {1, 1};
  return {static_cast<int>(static_cast<long long>(zoom) * doc->GetPageWidth() / 100),
          static_cast<int>(static_cast<long long>(zoom) * doc->GetPageHeight() / 100)};
}

SObj* SView::HitTest(SDoc& doc, platform::POINT point, int& handle) {
  const SPoint at = ScreenToPage(point);
  const double scale = zoom / 100.0;
  SObj* found = nullptr;
  handle = -1;
  for (const auto& object : doc.Objects()) {
    if (object->flags & (kObjHidden | kObjNoHit)) continue;
    const SObjHit hit = object->HitTest(at, scale, FindCropFrame(doc, *object), settings.tool);
    if (!hit.hit) continue;
    // A handle of an object behind stays the answer over a body in front.
    if (found != nullptr && handle >= 0 && hit.handle < 0) continue;
    found = object.get();
    handle = hit.handle;
  }
  return found;
}

SObj* SView::HitTestPanelFrame(SDoc& doc, platform::POINT point) {
  int handle = -1;
  SObj* hit = HitTest(doc, point, handle);
  if (hit == nullptr || handle >= 0) return nullptr;
  return view_detail::PanelFrameOf(doc, *hit);
}

SObj* SView::HitTestFigure(SDoc& doc, platform::POINT point, int& person) {
  int handle = -1;
  person = -1;
  SObj* hit = HitTest(doc, point, handle);
  if (hit != nullptr) person = hit->HitTestFigure(PageToFigureLocal(*hit, point));
  return hit;
}

int SView::PoseHitCode(SDoc& doc, platform::POINT point) {
  int handle = -1;
  SObj* hit = HitTest(doc, point, handle);
  if (hit == nullptr || !(hit->flags & kObjEditing)) return 0;
  return hit->HitTestPose(PageToFigureLocal(*hit, point), settings.tool);
}

SPoint SView::PageToFigureLocal(const SObj& object, platform::POINT point) const {
  const PropSCVal& p = object.placement;
  // The figure's picture is drawn inside the box less half the margin on
  // each side: its first pixel lies there.
  const SPoint corner(p.x - (p.width - p.margin) / 2, p.y - (p.height - p.margin) / 2);
  const double factor = object.props2D.SupersamplingFactor();
  return (ScreenToPage(point) - corner) * factor;
}

void SView::CollectInRect(const SDoc& doc, platform::POINT p1, platform::POINT p2, std::vector<int>& ids) const {
  SPoint min, max;
  ScreenRectToPage(p1, p2, min, max);
  for (const auto& object : doc.Objects()) {
    if (object->flags & (kObjHidden | kObjNoHit)) continue;
    if (object->IsInsideRect(min, max)) ids.push_back(object->id);
  }
}

void SView::AddObjectOutline(const SObj& object, std::vector<STLine>& lines) const {
  const auto [topLeft, topRight, bottomLeft, bottomRight] = object.GetQuad();
  // Round the box, so each line joins the next.
  const SPoint corners[4] = {topLeft, topRight, bottomRight, bottomLeft};
  for (int k = 0; k < 4; ++k) {
    const platform::POINT a = PageToScreen(corners[k]);
    const platform::POINT b = PageToScreen(corners[(k + 1) % 4]);
    lines.push_back({STLine::kThickLine, a.x, a.y, b.x, b.y});
  }
}

void SView::DrawTrackLines(platform::Dc& dc, std::span<const STLine> lines) {
  constexpr platform::COLORREF kBlack = 0;
  for (const STLine& l : lines) {
    const platform::POINT a{l.x1, l.y1}, b{l.x2, l.y2};
    const platform::RECT box{std::min(l.x1, l.x2), std::min(l.y1, l.y2), std::max(l.x1, l.x2), std::max(l.y1, l.y2)};
    switch (l.kind) {
      case STLine::kDottedLine: imaging::PnUtilDrawXorLine(dc, a, b, 1, kBlack, true); break;
      case STLine::kDottedRect: imaging::PnUtilDrawXorRect(dc, box, kBlack); break;
      case STLine::kDottedEllipse:
        imaging::PnUtilDrawXorRect(dc, box, platform::MakeRgb(0, 255, 0));
        imaging::PnUtilDrawXorEllipse(dc, box, kBlack);
        break;
      case STLine::kThickLine: imaging::PnUtilDrawXorLine(dc, a, b, 3, kBlack, false); break;
      case STLine::kThinLine: imaging::PnUtilDrawXorLine(dc, a, b, 1, kBlack, false); break;
      case STLine::kSmallSquare: imaging::PnUtilDrawXorRect(dc, {l.x1 - 2, l.y1 - 2, l.x1 + 2, l.y1 + 2}, kBlack); break;
      case STLine::kDot: imaging::PnUtilDrawXorRect(dc, {l.x1, l.y1, l.x1 + 1, l.y1 + 1}, kBlack); break;
      default: break;
    }
  }
}

const STrim* SView::FindCropFrame(const SDoc& doc, const SObj& object) {
  const SObj* walk = view_detail::ParentOf(doc, object);
  for (int depth = 0; walk != nullptr && depth < doc.GetObjectCount(); ++depth) {
    if (walk->flags & kObjFrameNoClip) return nullptr;
    if (walk->IsFrame()) return &walk->frame;
    walk = view_detail::ParentOf(doc, *walk);
  }
  return nullptr;
}

}  // namespace page
