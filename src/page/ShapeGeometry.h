#pragma once
// Small plane geometry shared by the shapes and the objects (private to
// the page library).
#include <limits>

#include "page/PropVal.h"
#include "page/SPoint.h"
#include "platform/WinTypes.h"

namespace page {

// The size of the axis-aligned box around a box of `size` turned by `angle`.
SPoint RotatedExtent(SPoint size, double angle);

// A page point in the frame of the placement: minus its centre, turned back
// by its angle.
SPoint ToShapeFrame(const PropSCVal& P, SPoint point);

// The placement's box less its margin.
inline SPoint InnerSize(const PropSCVal& P) { return {P.width - P.margin, P.height - P.margin}; }

// A number truncated towards zero to an int; numbers beyond the int range
// (which only damaged pages hold) stop at its ends, and not-a-number gives
// the lowest int.
inline int TruncateToInt(double v) {
  constexpr double kLowest = static_cast<double>(std::numeric_limits<int>::min());
  constexpr double kHighest = static_cast<double>(std::numeric_limits<int>::max());
  if (!(v > kLowest)) return std::numeric_limits<int>::min();
  if (!(v < kHighest)) return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}

// A page point to integer pixels, truncated towards zero as the platform's
// drawing calls take them.
inline platform::POINT TruncatePoint(SPoint p) { return {TruncateToInt(p.x), TruncateToInt(p.y)}; }

}  // namespace page
