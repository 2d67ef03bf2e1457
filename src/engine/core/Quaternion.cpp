#include <cmath>

#include "engine/core/EngMath.h"

namespace engine {

Quaternion QuatMultiply(const Quaternion& p, const Quaternion& q) {
  return {p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z, p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
          p.w * q.y - p.x * q.z + p.y * q.w + p.z * q.x, p.w * q.z + p.x * q.y - p.y * q.x + p.z * q.w};
}

Quaternion QuatFromAxisAngle(double angle, const PointRecord& axis) {
  const double length = MUtilLength(axis);
  if (length == 0.0) return {0.0, 0.0, 0.0, 0.0};
  const double s = std::sin(angle / 2.0) / length;
  return {std::cos(angle / 2.0), axis.x * s, axis.y * s, axis.z * s};
}

Quaternion QuatFromEulerYXZ(double a, double b, double c) {
  const Quaternion qy = QuatFromAxisAngle(a, PointRecord{0.0, 1.0, 0.0});
  const Quaternion qx = QuatFromAxisAngle(b, PointRecord{1.0, 0.0, 0.0});
  const Quaternion qz = QuatFromAxisAngle(c, PointRecord{0.0, 0.0, 1.0});
  return QuatMultiply(qy, QuatMultiply(qx, qz));
}

void QuatNormalize(Quaternion& q) {
  const double length = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  q = {q.w / length, q.x / length, q.y / length, q.z / length};
}

void QuatToMatrix(double w, double x, double y, double z, MatrixRecord& out) {
  MUtilIdentity(out);
  out.m[0][0] = 1.0 - 2.0 * y * y - 2.0 * z * z;
  out.m[0][1] = 2.0 * x * y - 2.0 * w * z;
  out.m[0][2] = 2.0 * x * z + 2.0 * w * y;
  out.m[1][0] = 2.0 * x * y + 2.0 * w * z;
  out.m[1][1] = 1.0 - 2.0 * x * x - 2.0 * z * z;
  out.m[1][2] = 2.0 * y * z - 2.0 * w * x;
  out.m[2][0] = 2.0 * x * z - 2.0 * w * y;
  out.m[2][1] = 2.0 * y * z + 2.0 * w * x;
  out.m[2][2] = 1.0 - 2.0 * x * x - 2.0 * y * y;
}

Quaternion QuatSlerp(const Quaternion& p, const Quaternion& q, double t) {
  const double d = p.w * q.w + p.x * q.x + p.y * q.y + p.z * q.z;
  if (1.0 - d * d < 1e-8) return p;
  const double theta = std::acos(d);
  const double a = std::sin(theta - theta * t) / std::sin(theta);
  double b = std::sin(theta * t) / std::sin(theta);
  if (d < 0.0) b = -b;
  return {a * p.w + b * q.w, a * p.x + b * q.x, a * p.y + b * q.y, a * p.z + b * q.z};
}

void MUtilAccumulateRotation(double& angleY, double& angleX, double& angleZ, double& weight, double newY,
                             double newX, double newZ, double newWeight) {
  if (weight <= 1e-8) {
    angleY = newY;
    angleX = newX;
    angleZ = newZ;
    weight = newWeight;
    return;
  }
  // The quaternion builders turn about X opposite to the matrix builders:
  // negating X makes the quaternion matrix decompose back to the angles.
  const Quaternion q1 = QuatFromEulerYXZ(angleY, -angleX, angleZ);
  const Quaternion q2 = QuatFromEulerYXZ(newY, -newX, newZ);
  Quaternion q = QuatSlerp(q1, q2, newWeight / (newWeight + weight));
  QuatNormalize(q);
  MatrixRecord m;
  QuatToMatrix(q.w, q.x, q.y, q.z, m);
  PointRecord scale, translation;
  MUtilDecomposeMatrix(m, angleY, angleX, angleZ, scale, translation);
  weight += newWeight;
}

}  // namespace engine
