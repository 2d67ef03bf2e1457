#include "imaging/Geometry2D.h"

#include <algorithm>
#include <cmath>

namespace imaging {
namespace {
constexpr double kPi = 3.14159265358979;
constexpr double kShortestSegment = 1e-6;
}  // namespace

bool PnUtilIsNearSegment(const SPoint& a, const SPoint& b, const SPoint& q, double tolerance) {
  SPoint v = b - a;
  const SPoint w = q - a;
  const double length = v.Length();
  if (length >= kShortestSegment) {
    v = v * (1.0 / length);
    const double along = w.Dot(v);
    if (along >= 0 && along <= length) return (v * along - w).Length() < tolerance;
  }
  return q.Distance(a) < tolerance || q.Distance(b) < tolerance;
}

void PnUtilRotatedHalfExtent(double hw, double hh, double angle, double& outHalfWidth, double& outHalfHeight) {
  const double c = std::cos(angle), s = std::sin(angle);
  // The two corner vectors (hw, hh) and (hw, −hh) give the widest reach.
  const double corners[2][2] = {{hw, hh}, {hw, -hh}};
  outHalfWidth = outHalfHeight = 0;
  for (const auto& corner : corners) {
    outHalfWidth = std::max(outHalfWidth, std::fabs(corner[0] * c - corner[1] * s));
    outHalfHeight = std::max(outHalfHeight, std::fabs(corner[0] * s + corner[1] * c));
  }
}

double PnUtilSnapAngle(double angle, int n) {
  if (n < 1) return angle;
  const double step = kPi / n;
  const double q = angle / step;
  double k = q > 0 ? std::trunc(q + 0.5) : std::trunc(q - 0.5);
  if (k == -n) k = n;
  return step * k;
}

}  // namespace imaging
