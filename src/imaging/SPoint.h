#pragma once
// A 2D point or vector of doubles: the page's coordinates, and the small
// vector maths its shapes, hit tests and arrowheads use. Angles are radians,
// counter-clockwise in the x-right, y-up sense.
#include <cmath>

namespace imaging {

struct SPoint {
  double x = 0;
  double y = 0;

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

}  // namespace imaging
