#include "page/SPoint.h"

#include <algorithm>
#include <cmath>

#include "page/PnFatal.h"

namespace page {

double SPoint::Length() const { return std::sqrt(x * x + y * y); }

double SPoint::Distance(const SPoint& other) const { return (*this - other).Length(); }

double SPoint::Dot(const SPoint& other) const { return x * other.x + y * other.y; }

void SPoint::Normalize() {
  const double length = Length();
  if (length < 1e-6) {
    x = 1.0;
    y = 0.0;
    return;
  }
  x /= length;
  y /= length;
}

void SPoint::Rotate(double angle) {
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double rx = x * c - y * s;
  const double ry = x * s + y * c;
  x = rx;
  y = ry;
}

void SPoint::RotateAbout(double angle, const SPoint& centre) {
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double dx = x - centre.x;
  const double dy = y - centre.y;
  x = c * dx - s * dy + centre.x;
  y = c * dy + s * dx + centre.y;
}

double SPoint::AngleTo(const SPoint& other) const {
  SPoint a = *this;
  SPoint b = other;
  a.Normalize();
  b.Normalize();
  // Rounding can put the product of two unit vectors just outside [-1, 1].
  const double magnitude = std::acos(std::clamp(a.Dot(b), -1.0, 1.0));
  return a.x * b.y - a.y * b.x < 0.0 ? -magnitude : magnitude;
}

void SPoint::ExtendBounds(SPoint& min, SPoint& max, const SPoint& point) {
  min.x = std::min(min.x, point.x);
  min.y = std::min(min.y, point.y);
  max.x = std::max(max.x, point.x);
  max.y = std::max(max.y, point.y);
}

void SPoint::BoundsOfPoints(SPoint& min, SPoint& max, std::span<const SPoint> points) {
  PN_FATAL_IF(points.empty(), "PnGlobal", 485);
  min = max = points.front();
  for (const SPoint& p : points.subspan(1)) ExtendBounds(min, max, p);
}

}  // namespace page
