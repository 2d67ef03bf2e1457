// Cubic Bézier patches: evaluation in Bernstein form.
#include "engine/modeling/BezierPatch.h"

#include "engine/core/EngRuntime.h"

namespace engine {
namespace {

void Bernstein(double t, double b[4]) {
  const double s = 1 - t;
  b[0] = s * s * s;
  b[1] = 3 * t * s * s;
  b[2] = 3 * t * t * s;
  b[3] = t * t * t;
}

void AddScaled(PointRecord& sum, const PointRecord& p, double w) {
  sum.x += w * p.x;
  sum.y += w * p.y;
  sum.z += w * p.z;
}

}  // namespace

PointRecord BezierPatchRecord::Evaluate(double u, double v) const {
  PointRecord out{0, 0, 0};
  if (quad) {
    double bu[4], bv[4];
    Bernstein(u, bu);
    Bernstein(v, bv);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) AddScaled(out, control[4 * i + j], bu[i] * bv[j]);
    return out;
  }
  const double w = 1 - u - v;
  const PointRecord* p = control;
  AddScaled(out, p[0], w * w * w);
  AddScaled(out, p[1], 3 * u * w * w);
  AddScaled(out, p[2], 3 * v * w * w);
  AddScaled(out, p[3], 3 * u * u * w);
  AddScaled(out, p[4], 6 * u * v * w);
  AddScaled(out, p[5], 3 * v * v * w);
  AddScaled(out, p[6], u * u * u);
  AddScaled(out, p[7], 3 * u * u * v);
  AddScaled(out, p[8], 3 * u * v * v);
  AddScaled(out, p[9], v * v * v);
  return out;
}

PointRecord BezierPatchRecord::EdgePoint(double t) const {
  const double s = forward ? t : 1 - t;
  if (quad) {
    switch (edge) {
      case 0: return Evaluate(s, 0);
      case 1: return Evaluate(1, s);
      case 2: return Evaluate(1 - s, 1);
      case 3: return Evaluate(0, 1 - s);
      default: ENG_FATAL();
    }
  }
  switch (edge) {
    case 0: return Evaluate(s, 0);
    case 1: return Evaluate(1 - s, s);
    case 2: return Evaluate(0, 1 - s);
    default: ENG_FATAL();
  }
}

PointRecord BezierPatchRecord::TrianglePoint(double a, double b) const {
  const double e = 1 - a - b;
  switch (edge) {
    case -1:
    case 0: return Evaluate(a, b);
    case 1:
      ENG_FATAL_IF(quad != 0);
      return Evaluate(e, a);
    case 2:
      ENG_FATAL_IF(quad != 0);
      return Evaluate(b, e);
    default: ENG_FATAL();
  }
}

}  // namespace engine
