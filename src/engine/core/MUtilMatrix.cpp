#include <cmath>
#include <numbers>

#include "engine/core/EngMath.h"

namespace engine {
namespace {

// a · b, element order of the textbook sum; the flag is left to the caller.
MatrixRecord Product(const MatrixRecord& a, const MatrixRecord& b) {
  MatrixRecord c;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      c.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  c.flag = 0;
  return c;
}

MatrixRecord Identity() {
  MatrixRecord m;
  MUtilIdentity(m);
  return m;
}

// dst = r · src with src's flag: the single-step builders.
void Prepend(const MatrixRecord& r, const MatrixRecord& src, MatrixRecord& dst) {
  const unsigned char flag = src.flag;
  dst = Product(r, src);
  dst.flag = flag;
}

// dst = src · r with src's flag: the "after" builders.
void Append(const MatrixRecord& src, const MatrixRecord& r, MatrixRecord& dst) {
  const unsigned char flag = src.flag;
  dst = Product(src, r);
  dst.flag = flag;
}

MatrixRecord TranslationMatrix(const PointRecord& t) {
  MatrixRecord r = Identity();
  r.m[3][0] = t.x;
  r.m[3][1] = t.y;
  r.m[3][2] = t.z;
  return r;
}

MatrixRecord ScaleMatrix(double sx, double sy, double sz) {
  MatrixRecord r = Identity();
  r.m[0][0] = sx;
  r.m[1][1] = sy;
  r.m[2][2] = sz;
  return r;
}

double Clamp1(double v) { return v < -1.0 ? -1.0 : v > 1.0 ? 1.0 : v; }

// The rotation in the plane of axes a and b: m[a][b] = sin, m[b][a] = -sin.
void PlaneRotate(const MatrixRecord& src, double angle, int a, int b, MatrixRecord& dst) {
  MatrixRecord r = Identity();
  const double c = std::cos(angle), s = std::sin(angle);
  r.m[a][a] = c;
  r.m[a][b] = s;
  r.m[b][a] = -s;
  r.m[b][b] = c;
  Prepend(r, src, dst);
}

}  // namespace

void MUtilIdentity(MatrixRecord& m) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.m[i][j] = i == j ? 1.0 : 0.0;
  m.flag = 0;
}

void MUtilMultiply(const MatrixRecord& a, const MatrixRecord& b, MatrixRecord& out) {
  const unsigned char flag = (a.flag != 0 || b.flag != 0) ? 1 : 0;
  out = Product(b, a);
  out.flag = flag;
}

void MUtilTransformPoint(const MatrixRecord& m, const PointRecord& p, PointRecord& out) {
  const PointRecord r{p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
                      p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
                      p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
  out = r;
}

void MUtilTransformVector(const MatrixRecord& m, const PointRecord& v, PointRecord& out) {
  const PointRecord r{v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
                      v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
                      v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
  out = r;
}

void MUtilRotateY(const MatrixRecord& src, double angle, MatrixRecord& dst) { PlaneRotate(src, angle, 0, 2, dst); }

void MUtilRotateX(const MatrixRecord& src, double angle, MatrixRecord& dst) { PlaneRotate(src, angle, 1, 2, dst); }

void MUtilRotateZ(const MatrixRecord& src, double angle, MatrixRecord& dst) { PlaneRotate(src, angle, 1, 0, dst); }

void MUtilRotateAxis(const MatrixRecord& src, double angle, const PointRecord& axis, MatrixRecord& dst) {
  PointRecord a = axis;
  OsUtilNormalize(a);
  const double u = a.x, v = a.y, w = a.z;
  const double c = std::cos(angle), s = std::sin(angle), k = 1.0 - c;
  MatrixRecord r = Identity();
  r.m[0][0] = u * u + (1.0 - u * u) * c;
  r.m[1][1] = v * v + (1.0 - v * v) * c;
  r.m[2][2] = w * w + (1.0 - w * w) * c;
  r.m[0][1] = k * u * v + w * s;
  r.m[1][0] = k * u * v - w * s;
  r.m[0][2] = k * u * w - v * s;
  r.m[2][0] = k * u * w + v * s;
  r.m[1][2] = k * v * w + u * s;
  r.m[2][1] = k * v * w - u * s;
  Prepend(r, src, dst);
}

void MUtilTranslate(const MatrixRecord& src, const PointRecord& t, MatrixRecord& dst) {
  Prepend(TranslationMatrix(t), src, dst);
}

void MUtilTranslateAfter(const MatrixRecord& src, const PointRecord& t, MatrixRecord& dst) {
  Append(src, TranslationMatrix(t), dst);
}

void MUtilScale(const MatrixRecord& src, double sx, double sy, double sz, MatrixRecord& dst) {
  Prepend(ScaleMatrix(sx, sy, sz), src, dst);
}

void MUtilScaleAfter(const MatrixRecord& src, double sx, double sy, double sz, MatrixRecord& dst) {
  Append(src, ScaleMatrix(sx, sy, sz), dst);
}

void MUtilComposeMatrix(double angleY, double angleX, double angleZ, const PointRecord& scale,
                        const PointRecord& translation, const MatrixRecord* extra, MatrixRecord& out) {
  // Built from the last step backwards, each builder putting its step in
  // front: T, E · T, Rz · E · T, ... , S · Ry · Rx · Rz · E · T.
  MatrixRecord m = Identity();
  MUtilTranslate(m, translation, m);
  if (extra != nullptr) MUtilMultiply(m, *extra, m);
  MUtilRotateZ(m, angleZ, m);
  MUtilRotateX(m, angleX, m);
  MUtilRotateY(m, angleY, m);
  MUtilScale(m, scale.x, scale.y, scale.z, m);
  out = m;
}

void MUtilDecomposeMatrix(const MatrixRecord& m, double& angleY, double& angleX, double& angleZ,
                          PointRecord& scale, PointRecord& translation) {
  const double sx = std::sqrt(m.m[0][0] * m.m[0][0] + m.m[0][1] * m.m[0][1] + m.m[0][2] * m.m[0][2]);
  const double sy = std::sqrt(m.m[1][0] * m.m[1][0] + m.m[1][1] * m.m[1][1] + m.m[1][2] * m.m[1][2]);
  const double sz = std::sqrt(m.m[2][0] * m.m[2][0] + m.m[2][1] * m.m[2][1] + m.m[2][2] * m.m[2][2]);
  const PointRecord t{m.m[3][0], m.m[3][1], m.m[3][2]};
  const double w = Clamp1(m.m[1][2] / sy);
  double y, x = std::asin(w), z;
  if (std::fabs(w) <= 0.99999999) {
    y = std::atan2(m.m[0][2] / sx, m.m[2][2] / sz);
    z = std::atan2(m.m[1][0] / sy, m.m[1][1] / sy);
  } else {
    // X within 1e-8 of a right angle: Y and Z turn about the same axis, so Y
    // takes the whole turn.
    z = 0.0;
    const double g = Clamp1(m.m[2][0] / sz);
    y = std::asin(-g);
    if (m.m[0][0] / sx < -1e-8) y = y > 0.0 ? std::numbers::pi - y : -y - std::numbers::pi;
  }
  angleY = y;
  angleX = x;
  angleZ = z;
  scale = {sx, sy, sz};
  translation = t;
}

void MUtilInterpolateMatrix(const MatrixRecord& first, const MatrixRecord& last, double t, MatrixRecord& out) {
  MatrixRecord blend;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) blend.m[i][j] = first.m[i][j] + t * (last.m[i][j] - first.m[i][j]);
  blend.flag = 0;
  double y, x, z;
  PointRecord scale, translation;
  MUtilDecomposeMatrix(blend, y, x, z, scale, translation);
  MUtilComposeMatrix(y, x, z, PointRecord{1.0, 1.0, 1.0}, translation, nullptr, out);
}

void MUtilInvert(const MatrixRecord& src, MatrixRecord& out) {
  // Row i of the inverse is the x with x · M = e_i: the rows of M are the
  // columns of that system.
  double columns[16];
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k) columns[i * 4 + k] = src.m[i][k];
  MatrixRecord inverse;
  for (int i = 0; i < 4; ++i) {
    double unit[4] = {0.0, 0.0, 0.0, 0.0};
    unit[i] = 1.0;
    MUtilSolveLeastSquares(4, 4, columns, unit, inverse.m[i]);
  }
  inverse.flag = src.flag;
  out = inverse;
}

bool MUtilMatrixEqual(const MatrixRecord& a, const MatrixRecord& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (!(std::fabs(a.m[i][j] - b.m[i][j]) <= 1e-8)) return false;
  return a.flag == b.flag;
}

void CopyMatrixElements(MatrixRecord source, MatrixRecord& destination) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) destination.m[i][j] = source.m[i][j];
}

void CopyMatrixRecord(MatrixRecord& destination, const MatrixRecord& source) {
  CopyMatrixElements(source, destination);
  destination.flag = 0;
}

void MUtilProjectPoint(const MatrixRecord& projection, const PointRecord& p, PointRecord& out) {
  const auto& m = projection.m;
  const double x = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0];
  const double y = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1];
  if (projection.flag == 0) {
    const double w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
    if (w <= 0.0) {
      out = {0.0, 0.0, -1.0};  // behind the eye
      return;
    }
    out = {x / w, y / w, w};
    return;
  }
  // Parallel: depth kept positive without a division.
  double e = p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2] + 2.0;
  if (e < 1.0) e = -1.0 / (e - 2.0);
  out = {x, y, e};
}

}  // namespace engine
