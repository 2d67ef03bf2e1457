// The rotation senses of every builder, pinned with matrices written out
// from the engine's rotation table. Stored poses and animation depend on
// these exact senses, mixed as they are.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "MathTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mutil_rotation_test {

using namespace engine;
using mathtest::Identity;
using mathtest::MatrixNear;
using mathtest::Rows;

constexpr double kPi = 3.14159265358979323846;
constexpr double c = 0.86602540378443865;  // cos 30°
constexpr double s = 0.5;                  // sin 30°
constexpr double kThird = 1.0 / 3.0;
constexpr double kPlus = 0.91068360252295921;    // 1/3 + 1/√3
constexpr double kMinus = -0.24401693585629253;  // 1/3 - 1/√3

// Right-handed about X for row vectors: y' = y cos - z sin, z' = y sin + z cos.
constexpr Rows kAboutX = {{{1, 0, 0, 0}, {0, c, s, 0}, {0, -s, c, 0}, {0, 0, 0, 1}}};
constexpr Rows kAboutXReversed = {{{1, 0, 0, 0}, {0, c, -s, 0}, {0, s, c, 0}, {0, 0, 0, 1}}};
// About Y and Z the matrix builders turn the other way.
constexpr Rows kAboutY = {{{c, 0, s, 0}, {0, 1, 0, 0}, {-s, 0, c, 0}, {0, 0, 0, 1}}};
constexpr Rows kAboutYReversed = {{{c, 0, -s, 0}, {0, 1, 0, 0}, {s, 0, c, 0}, {0, 0, 0, 1}}};
constexpr Rows kAboutZ = {{{c, -s, 0, 0}, {s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
constexpr Rows kAboutZReversed = {{{c, s, 0, 0}, {-s, c, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

struct Golden {
  std::string name;
  std::function<void(MatrixRecord&)> build;
  Rows expected;
};

MatrixRecord FromQuaternion(const Quaternion& q) {
  MatrixRecord m;
  QuatToMatrix(q.w, q.x, q.y, q.z, m);
  return m;
}

TEST(RotationBuilders, MatchTheirGoldenMatrices) {
  const double a = kPi / 6;
  const std::vector<Golden> goldens = {
      {"RotateX", [&](MatrixRecord& m) { MUtilRotateX(Identity(), a, m); }, kAboutX},
      {"RotateY", [&](MatrixRecord& m) { MUtilRotateY(Identity(), a, m); }, kAboutY},
      {"RotateZ", [&](MatrixRecord& m) { MUtilRotateZ(Identity(), a, m); }, kAboutZ},
      // The axis builder is right-handed about every axis: like RotateX,
      // opposite to RotateY and RotateZ. The axis is normalised first.
      {"RotateAxis x", [&](MatrixRecord& m) { MUtilRotateAxis(Identity(), a, {2, 0, 0}, m); }, kAboutX},
      {"RotateAxis y", [&](MatrixRecord& m) { MUtilRotateAxis(Identity(), a, {0, 1, 0}, m); }, kAboutYReversed},
      {"RotateAxis z", [&](MatrixRecord& m) { MUtilRotateAxis(Identity(), a, {0, 0, 5}, m); }, kAboutZReversed},
      {"RotateAxis zero axis turns about z",
       [&](MatrixRecord& m) { MUtilRotateAxis(Identity(), a, {0, 0, 0}, m); }, kAboutZReversed},
      {"RotateAxis diagonal",
       [&](MatrixRecord& m) { MUtilRotateAxis(Identity(), kPi / 2, {1, 1, 1}, m); },
       {{{kThird, kPlus, kMinus, 0}, {kMinus, kThird, kPlus, 0}, {kPlus, kMinus, kThird, 0}, {0, 0, 0, 1}}}},
      // The quaternion builders agree with RotateY and RotateZ and turn about
      // X the other way.
      {"quaternion y", [&](MatrixRecord& m) { m = FromQuaternion(QuatFromAxisAngle(a, {0, 3, 0})); }, kAboutY},
      {"quaternion z", [&](MatrixRecord& m) { m = FromQuaternion(QuatFromAxisAngle(a, {0, 0, 1})); }, kAboutZ},
      {"quaternion x", [&](MatrixRecord& m) { m = FromQuaternion(QuatFromAxisAngle(a, {1, 0, 0})); },
       kAboutXReversed},
      {"quaternion Euler YXZ x only", [&](MatrixRecord& m) { m = FromQuaternion(QuatFromEulerYXZ(0, a, 0)); },
       kAboutXReversed},
  };
  for (const Golden& g : goldens) {
    MatrixRecord m;
    g.build(m);
    EXPECT_TRUE(MatrixNear(m, g.expected, 1e-15)) << g.name;
    EXPECT_EQ(m.flag, 0) << g.name;
  }
}

TEST(RotationBuilders, ActBeforeTheirSourceAndKeepItsFlag) {
  MatrixRecord src = Identity();
  MUtilTranslate(src, {5, 0, 0}, src);
  src.flag = 1;
  const std::vector<std::pair<std::string, std::function<void(MatrixRecord&)>>> builders = {
      {"RotateZ", [&](MatrixRecord& m) { MUtilRotateZ(src, kPi / 2, m); }},
      {"RotateAxis", [&](MatrixRecord& m) { MUtilRotateAxis(src, -kPi / 2, {0, 0, 1}, m); }},
  };
  for (const auto& [name, build] : builders) {
    MatrixRecord m;
    build(m);
    // (1, 0, 0) turned to (0, -1, 0) first, then moved by src.
    PointRecord p;
    MUtilTransformPoint(m, {1, 0, 0}, p);
    EXPECT_TRUE(mathtest::PointNear(p, {5, -1, 0}, 1e-15)) << name;
    EXPECT_EQ(m.flag, 1) << name;
  }
}

TEST(QuaternionBuilders, ZeroAxisGivesTheZeroQuaternion) {
  const Quaternion q = QuatFromAxisAngle(1.0, {0, 0, 0});
  EXPECT_EQ(q.w, 0.0);
  EXPECT_EQ(q.x, 0.0);
  EXPECT_EQ(q.y, 0.0);
  EXPECT_EQ(q.z, 0.0);
}

TEST(QuaternionBuilders, EulerWithXNegatedMatchesTheComposedMatrix) {
  const double angles[][3] = {{0.3, 0.2, 0.1}, {-1.2, 0.7, 2.5}, {2.9, -1.1, -0.4}, {0, 0, 0}};
  for (const auto& a : angles) {
    MatrixRecord composed;
    MUtilComposeMatrix(a[0], a[1], a[2], {1, 1, 1}, {0, 0, 0}, nullptr, composed);
    EXPECT_TRUE(MatrixNear(FromQuaternion(QuatFromEulerYXZ(a[0], -a[1], a[2])), composed, 1e-14))
        << a[0] << " " << a[1] << " " << a[2];
  }
}

}  // namespace mutil_rotation_test
