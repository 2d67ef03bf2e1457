#include "page/SPoint.h"

#include <algorithm>

#include "page/PnFatal.h"

namespace page {

void ExtendBounds(SPoint& min, SPoint& max, const SPoint& point) {
  min.x = std::min(min.x, point.x);
  min.y = std::min(min.y, point.y);
  max.x = std::max(max.x, point.x);
  max.y = std::max(max.y, point.y);
}

void BoundsOfPoints(SPoint& min, SPoint& max, std::span<const SPoint> points) {
  PN_FATAL_IF(points.empty(), "PnGlobal", 485);
  min = max = points.front();
  for (const SPoint& p : points.subspan(1)) ExtendBounds(min, max, p);
}

}  // namespace page
