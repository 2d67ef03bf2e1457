#pragma once
// Small plane geometry shared by the shapes and the objects (private to
// the page library).

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

using imaging::TruncatePoint;
using imaging::TruncateToInt;

}  // namespace page
