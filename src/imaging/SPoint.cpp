#include "imaging/SPoint.h"

#include <algorithm>

namespace imaging {
namespace {
constexpr double kTinyLength = 1e-6;
}  // namespace

void SPoint::Normalize() {
  const double length = Length();
  if (length < kTinyLength) {
    x = 1;
    y = 0;
    return;
  }
  x /= length;
  y /= length;
}

void SPoint::Rotate(double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  const double nx = x * c - y * s;
  y = x * s + y * c;
  x = nx;
}

void SPoint::RotateAbout(double angle, const SPoint& centre) {
  SPoint d = *this - centre;
  d.Rotate(angle);
  *this = d + centre;
}

double SPoint::AngleTo(const SPoint& other) const {
  SPoint a = *this, b = other;
  a.Normalize();
  b.Normalize();
  // Rounding can put the dot product of unit vectors just outside [-1, 1].
  const double magnitude = std::acos(std::clamp(a.Dot(b), -1.0, 1.0));
  return a.x * b.y - a.y * b.x < 0 ? -magnitude : magnitude;
}

}  // namespace imaging
