#pragma once
// The page's points and vectors are the imaging library's SPoint (page
// pixels unless said otherwise); the bounds helpers of point lists are
// the page's own.
#include <span>

#include "imaging/SPoint.h"

namespace page {

using imaging::SPoint;

// Lowers `min` and raises `max` so that they include `point`.
void ExtendBounds(SPoint& min, SPoint& max, const SPoint& point);
// Bounds of a non-empty list of points. An empty list is a broken invariant
// of the caller and ends the program.
void BoundsOfPoints(SPoint& min, SPoint& max, std::span<const SPoint> points);

}  // namespace page
