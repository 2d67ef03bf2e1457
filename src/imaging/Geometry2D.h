#pragma once
// Small 2D geometry of the page editor: hit tests near segments, the extent
// of a turned rectangle, and angle snapping for rotations.
#include "imaging/SPoint.h"

namespace imaging {

// True when q lies closer than `tolerance` to the segment a–b: the distance
// to the foot of the perpendicular when it falls on the segment, else to
// the nearer end. A segment shorter than 1e-6 is the point a (and b). A
// point exactly at the tolerance is not near.
bool PnUtilIsNearSegment(const SPoint& a, const SPoint& b, const SPoint& q, double tolerance);

// Half width and half height of the axis-aligned box around a rectangle of
// half size (hw, hh) turned by `angle` (radians).
void PnUtilRotatedHalfExtent(double hw, double hh, double angle, double& outHalfWidth, double& outHalfHeight);

// The multiple of π/n nearest to `angle` (radians), halves rounded away from
// zero; −π comes back as +π, so results of inputs in (−π, π] stay there.
// An n below 1 has no multiples to snap to and leaves the angle as it is.
double PnUtilSnapAngle(double angle, int n);

}  // namespace imaging
