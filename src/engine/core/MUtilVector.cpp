#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/MUtilInternal.h"

namespace engine {

using detail::Dot;
using detail::Sub;

double MUtilDistance(const PointRecord& a, const PointRecord& b) { return std::sqrt(MUtilDistanceSquared(a, b)); }

double MUtilDistanceSquared(const PointRecord& a, const PointRecord& b) {
  const PointRecord d = Sub(a, b);
  return Dot(d, d);
}

double MUtilLength(const PointRecord& v) { return std::sqrt(Dot(v, v)); }

void OsUtilCrossProduct(const PointRecord& a, const PointRecord& b, PointRecord& out) {
  const PointRecord c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  out = c;
}

void OsUtilNormalize(PointRecord& v) {
  const double squared = Dot(v, v);
  if (squared > 1e-16) {
    const double length = std::sqrt(squared);
    v = {v.x / length, v.y / length, v.z / length};
  } else {
    v = {0.0, 0.0, 1.0};
  }
}

namespace {

// Dot product of the two vectors normalised.
double UnitDot(PointRecord u, PointRecord w) {
  OsUtilNormalize(u);
  OsUtilNormalize(w);
  return Dot(u, w);
}

}  // namespace

double MUtilCosAngle(const PointRecord& a, const PointRecord& b, const PointRecord& c) {
  return UnitDot(Sub(a, b), Sub(c, b));
}

double MUtilCosSquaredAngle(const PointRecord& a, const PointRecord& b, const PointRecord& c) {
  const PointRecord u = Sub(a, b);
  const PointRecord w = Sub(c, b);
  const double d = Dot(u, w);
  return d * d / (Dot(u, u) * Dot(w, w));
}

double SegmentTurnCos(const PointRecord& a, const PointRecord& b, const PointRecord& c) {
  return UnitDot(Sub(b, a), Sub(c, b));
}

double LineProjectionParam(const PointRecord& a, const PointRecord& b, const PointRecord& p) {
  const PointRecord d = Sub(b, a);
  return Dot(d, Sub(p, a)) / Dot(d, d);
}

bool MUtilIsNaN(double value) { return std::isnan(value); }

void MUtilCurvePoint(const PointRecord& p0, const PointRecord& p1, const PointRecord& p2, double t,
                     PointRecord& out) {
  const PointRecord c1{0.35 * p0.x + 0.65 * p1.x, 0.35 * p0.y + 0.65 * p1.y, 0.35 * p0.z + 0.65 * p1.z};
  const PointRecord c2{0.65 * p1.x + 0.35 * p2.x, 0.65 * p1.y + 0.35 * p2.y, 0.65 * p1.z + 0.35 * p2.z};
  const double s = 1.0 - t;
  const double b0 = s * s * s;
  const double b1 = 3.0 * t * s * s;
  const double b2 = 3.0 * t * t * s;
  const double b3 = t * t * t;
  out = {b0 * p0.x + b1 * c1.x + b2 * c2.x + b3 * p2.x, b0 * p0.y + b1 * c1.y + b2 * c2.y + b3 * p2.y,
         b0 * p0.z + b1 * c1.z + b2 * c2.z + b3 * p2.z};
}

void MUtilCurvePoints(const PointRecord& p0, const PointRecord& p1, const PointRecord& p2, double a, double b,
                      int count, PointRecord* out) {
  // A count of 0 asks for the single point at a (no division by zero).
  for (int i = 0; i <= count; ++i) MUtilCurvePoint(p0, p1, p2, i == 0 ? a : a + i * (b - a) / count, out[i]);
}

}  // namespace engine
