#include <cmath>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MUtilInternal.h"

namespace engine {

using detail::Add;
using detail::Dot;
using detail::Mul;
using detail::Sub;

double MUtilPointSegmentDistanceSquared(const PointRecord& p, const PointRecord& a, const PointRecord& b,
                                        double* t) {
  const PointRecord d = Sub(b, a);
  double s = Dot(d, Sub(p, a)) / Dot(d, d);
  PointRecord nearest;
  if (s > 1.0) {
    s = 1.0;
    nearest = b;
  } else if (s < 0.0) {
    s = 0.0;
    nearest = a;
  } else {
    nearest = Add(a, Mul(d, s));
  }
  if (t != nullptr) *t = s;
  return MUtilDistanceSquared(p, nearest);
}

double MUtilDistanceToInnerSegment(const PointRecord& p, const PointRecord& a, const PointRecord& b,
                                   double margin, double& t) {
  MUtilPointSegmentDistanceSquared(p, a, b, &t);
  const PointRecord d = Sub(b, a);
  const double length = MUtilLength(d);
  if (length <= 2.0 * margin) return MUtilDistanceSquared(p, Add(a, Mul(d, 0.5)));
  const PointRecord shift = Mul(d, margin / length);
  return MUtilPointSegmentDistanceSquared(p, Add(a, shift), Sub(b, shift), nullptr);
}

double MUtilPointLineDistanceSquared2D(double ax, double ay, double bx, double by, double px, double py) {
  const double dx = bx - ax, dy = by - ay;
  const double cross = dx * (py - ay) - dy * (px - ax);
  return cross * cross / (dx * dx + dy * dy);
}

int MUtilLinePlaneIntersect(const PointRecord& p0, const PointRecord& p1, const PointRecord& n,
                            const PointRecord& q, PointRecord& out) {
  PointRecord d = Sub(p1, p0);
  OsUtilNormalize(d);
  const double along = Dot(n, d);
  if (std::fabs(along) < 0.001) return -1;
  const double t = -Dot(Sub(p0, q), n) / along;
  out = Add(p0, Mul(d, t));
  return t > 0.0 ? 0 : 1;
}

int MUtilLinePlaneParam(const PointRecord& p0, const PointRecord& p1, const PointRecord& n, const PointRecord& q,
                        double& t) {
  const double g = Dot(Sub(p1, p0), n);
  if (g == 0.0) return -1;
  t = -Dot(Sub(p0, q), n) / g;
  return 0;
}

int MUtilIntersectLines2D(PointRecord& d1, PointRecord& p1, PointRecord& d2, PointRecord& p2, PointRecord& out) {
  d1.z = p1.z = d2.z = p2.z = 0.0;
  const double d = Dot(d1, d2);
  if (d * d / (Dot(d1, d1) * Dot(d2, d2)) > 0.992) return -1;  // within about 5 degrees
  const double o = (d1.y * (p2.x - p1.x) - d1.x * (p2.y - p1.y)) / (d1.x * d2.y - d2.x * d1.y);
  if (o < 0.0 || o > 1.0) return -1;
  const double r =
      std::fabs(d1.x) < 1e-8 ? (p2.y + o * d2.y - p1.y) / d1.y : (p2.x + o * d2.x - p1.x) / d1.x;
  out = Add(p2, Mul(d2, o));
  return r <= 0.0 ? -2 : 0;
}

int MUtilClosestPointOnLine(const PointRecord& a, const PointRecord& b, const PointRecord& d,
                            const PointRecord& q, PointRecord& out) {
  const PointRecord e = Sub(b, a);
  const double ed = Dot(e, d);
  if (ed * ed / (Dot(e, e) * Dot(d, d)) > 0.992) return -1;
  // q + s d - (a + t e) as small as can be: the unknowns are s and -t.
  const double columns[6] = {d.x, d.y, d.z, e.x, e.y, e.z};
  const PointRecord rhs = Sub(a, q);
  const double rhsValues[3] = {rhs.x, rhs.y, rhs.z};
  double st[2];
  MUtilSolveLeastSquares(2, 3, columns, rhsValues, st);
  out = Add(q, Mul(d, st[0]));
  return 0;
}

bool MUtilSolveLeastSquares(int n, int m, const double* columns, const double* rhs, double* out) {
  const std::size_t qSize = static_cast<std::size_t>(n) * static_cast<std::size_t>(m);
  const std::size_t rSize = static_cast<std::size_t>(n) * static_cast<std::size_t>(n);
  // Up to 16 values the working storage is on the stack: inverting a matrix
  // allocates nothing.
  double smallQ[16], smallR[16];
  double* q = smallQ;
  double* r = smallR;
  const bool large = qSize > 16 || rSize > 16;
  if (large) {
    q = EngAllocArray<double>(qSize);
    r = EngAllocArray<double>(rSize);
    if (q == nullptr || r == nullptr) {
      EngFree(q);
      EngFree(r);
      EngRecordFailure(kEngReasonOutOfMemory);
      return false;
    }
  }
  for (std::size_t k = 0; k < qSize; ++k) q[k] = columns[k];
  auto dot = [m](const double* u, const double* v) {
    double s = 0.0;
    for (int k = 0; k < m; ++k) s += u[k] * v[k];
    return s;
  };
  // Gram–Schmidt: q_i orthonormal, r upper triangular.
  for (int i = 0; i < n; ++i) {
    double* qi = q + static_cast<std::size_t>(i) * m;
    const double rii = std::sqrt(dot(qi, qi));
    r[i * n + i] = rii;
    for (int k = 0; k < m; ++k) qi[k] /= rii;
    for (int j = i + 1; j < n; ++j) {
      double* qj = q + static_cast<std::size_t>(j) * m;
      const double rij = dot(qi, qj);
      r[i * n + j] = rij;
      for (int k = 0; k < m; ++k) qj[k] -= rij * qi[k];
    }
  }
  for (int i = 0; i < n; ++i) out[i] = dot(q + static_cast<std::size_t>(i) * m, rhs);
  for (int i = n - 1; i >= 0; --i) {
    double y = out[i];
    for (int j = i + 1; j < n; ++j) y -= r[i * n + j] * out[j];
    out[i] = y / r[i * n + i];
  }
  if (large) {
    EngFree(q);
    EngFree(r);
  }
  return true;
}

void MUtilSolveInBasis3(const PointRecord& u, const PointRecord& v, int i, int j, const PointRecord& q,
                        const PointRecord* points, double out[3]) {
  const PointRecord w = Sub(points[i], points[j]);
  const PointRecord target = Sub(points[i], q);
  const double columns[9] = {u.x, u.y, u.z, v.x, v.y, v.z, w.x, w.y, w.z};
  const double rhs[3] = {target.x, target.y, target.z};
  MUtilSolveLeastSquares(3, 3, columns, rhs, out);
}

void MUtilTriangleCoords(const PointRecord& p0, const PointRecord& p1, const PointRecord& p2,
                         const PointRecord& p, double& s, double& t) {
  const PointRecord e1 = Sub(p1, p0);
  const PointRecord e2 = Sub(p2, p0);
  const PointRecord target = Sub(p, p0);
  const double columns[6] = {e1.x, e1.y, e1.z, e2.x, e2.y, e2.z};
  const double rhs[3] = {target.x, target.y, target.z};
  double st[2];
  MUtilSolveLeastSquares(2, 3, columns, rhs, st);
  s = st[0];
  t = st[1];
}

}  // namespace engine
