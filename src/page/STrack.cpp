#include "page/STrack.h"

#include <cmath>

#include "page/SDoc.h"
#include "platform/Hooks.h"

namespace page {

int STrack::Init(SDoc* document, SView* renderer, const platform::RECT& client) {
  doc = document;
  view = renderer;
  clientRect = client;
  return 0;
}

bool STrack::SnapToGrid(SPoint& pagePoint) {
  if (doc == nullptr || !doc->grid.snapToGrid) return false;
  const double step = doc->grid.SnapStep();
  // To the nearest step on both sides of zero: rounding toward zero would
  // pull points left of or above the page a whole step away.
  pagePoint.x = step * std::floor(pagePoint.x / step + 0.5);
  pagePoint.y = step * std::floor(pagePoint.y / step + 0.5);
  return true;
}

bool STrack::SnapPoint(platform::POINT& point) {
  if (view == nullptr) return false;
  SPoint page = view->ScreenToPage(point);
  if (!SnapToGrid(page)) return false;
  point = view->PageToScreen(page);
  return true;
}

void STrack::UpdateCursor() { platform::SetCursor(GetCursorId()); }

void STrack::ReplaceRubberBand(const STLine& band) {
  if (lines.size() > 1) lines.erase(lines.begin(), lines.end() - 1);
  lines.push_back(band);
}

}  // namespace page
