#pragma once
// A 2D point or vector of doubles: the page's coordinates, and the small
// vector maths its shapes, hit tests and arrowheads use. Angles are radians,
// counter-clockwise in the x-right, y-up sense.
#include <cmath>
#include <limits>

#include "platform/WinTypes.h"

namespace imaging {

struct SPoint {
  double x = 0;
  double y = 0;

  constexpr SPoint() = default;
  constexpr SPoint(double x_, double y_) : x(x_), y(y_) {}

  SPoint operator+(const SPoint& o) const { return {x + o.x, y + o.y}; }
  SPoint operator-(const SPoint& o) const { return {x - o.x, y - o.y}; }
  SPoint operator*(double f) const { return {x * f, y * f}; }
  friend bool operator==(const SPoint&, const SPoint&) = default;

  double Length() const { return std::sqrt(x * x + y * y); }
  double Distance(const SPoint& o) const { return (*this - o).Length(); }
  double Dot(const SPoint& o) const { return x * o.x + y * o.y; }

  // Scales to length 1; a vector shorter than 1e-6 becomes (1, 0).
  void Normalize();
  // Turns about the origin: (x cos a − y sin a, x sin a + y cos a).
  void Rotate(double angle);
  // Turns about `centre`.
  void RotateAbout(double angle, const SPoint& centre);
  // The signed angle from this vector to `other` (both taken as unit
  // vectors): negative when the turn is clockwise.
  double AngleTo(const SPoint& other) const;
};

// A number truncated towards zero to an int, as drawing coordinates are cut;
// numbers beyond the int range (which only damaged pages hold) stop at its
// ends, and not-a-number gives the lowest int.
inline int TruncateToInt(double v) {
  constexpr double kLowest = static_cast<double>(std::numeric_limits<int>::min());
  constexpr double kHighest = static_cast<double>(std::numeric_limits<int>::max());
  if (!(v > kLowest)) return std::numeric_limits<int>::min();
  if (!(v < kHighest)) return std::numeric_limits<int>::max();
  return static_cast<int>(v);
}

// A point to integer pixels, truncated towards zero as the platform's
// drawing calls take them.
inline platform::POINT TruncatePoint(SPoint p) { return {TruncateToInt(p.x), TruncateToInt(p.y)}; }

}  // namespace imaging
