#pragma once
// A point or vector of the page in doubles (page pixels unless said
// otherwise), and the small 2D maths that shapes, objects and trackers use.
#include <span>

namespace page {

struct SPoint {
  double x = 0.0;
  double y = 0.0;

  SPoint() = default;
  constexpr SPoint(double px, double py) : x(px), y(py) {}

  SPoint operator+(const SPoint& o) const { return {x + o.x, y + o.y}; }
  SPoint operator-(const SPoint& o) const { return {x - o.x, y - o.y}; }
  SPoint operator*(double f) const { return {x * f, y * f}; }
  friend bool operator==(const SPoint&, const SPoint&) = default;

  double Length() const;
  double Distance(const SPoint& other) const;
  double Dot(const SPoint& other) const;
  // Divides by the length; a vector shorter than 1e-6 becomes (1, 0).
  void Normalize();
  // Rotates about the origin by `angle` radians (counter-clockwise in maths
  // axes, clockwise on the screen where y grows downwards).
  void Rotate(double angle);
  // Rotates about `centre` by `angle` radians.
  void RotateAbout(double angle, const SPoint& centre);
  // The signed angle from this vector to `other` in [-pi, pi]: both are
  // normalised first (so a zero vector counts as (1, 0)); negative when the
  // cross product this × other is negative.
  double AngleTo(const SPoint& other) const;

  // Lowers `min` and raises `max` so that they include `point`.
  static void ExtendBounds(SPoint& min, SPoint& max, const SPoint& point);
  // Bounds of a non-empty list of points. An empty list is a broken
  // invariant of the caller and ends the program.
  static void BoundsOfPoints(SPoint& min, SPoint& max, std::span<const SPoint> points);
  static void BoundsOfArray(SPoint& min, SPoint& max, std::span<const SPoint> points) {
    BoundsOfPoints(min, max, points);
  }
};

}  // namespace page
