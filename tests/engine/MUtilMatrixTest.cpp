#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "MathTestSupport.h"

// A name of its own: test files are compiled together in batches.
namespace mutil_matrix_test {

using namespace engine;
using mathtest::Identity;
using mathtest::MatrixNear;
using mathtest::PointNear;
using mathtest::Rows;

constexpr double kPi = 3.14159265358979323846;

MatrixRecord Translation(double x, double y, double z) {
  MatrixRecord m;
  MUtilTranslate(Identity(), {x, y, z}, m);
  return m;
}

MatrixRecord Scaling(double x, double y, double z) {
  MatrixRecord m;
  MUtilScale(Identity(), x, y, z, m);
  return m;
}

PointRecord Apply(const MatrixRecord& m, PointRecord p) {
  MUtilTransformPoint(m, p, p);
  return p;
}

MatrixRecord Product(const MatrixRecord& a, const MatrixRecord& b) {
  MatrixRecord out;
  MUtilMultiply(a, b, out);
  return out;
}

TEST(MUtilMultiply, AppliesTheSecondFactorFirst) {
  const MatrixRecord a = Translation(1, 0, 0);
  const MatrixRecord b = Scaling(2, 2, 2);
  EXPECT_TRUE(PointNear(Apply(Product(a, b), {1, 0, 0}), {3, 0, 0}, 0));
  EXPECT_TRUE(PointNear(Apply(Product(b, a), {1, 0, 0}), {4, 0, 0}, 0));
  // The output may be either input.
  MatrixRecord inPlace = a;
  MUtilMultiply(inPlace, b, inPlace);
  EXPECT_TRUE(MatrixNear(inPlace, Product(a, b), 0));
  inPlace = b;
  MUtilMultiply(a, inPlace, inPlace);
  EXPECT_TRUE(MatrixNear(inPlace, Product(a, b), 0));
}

TEST(MUtilMultiply, ProductIsParallelWhenEitherFactorIs) {
  const int flags[][3] = {{0, 0, 0}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
  for (const auto& f : flags) {
    MatrixRecord a = Identity(), b = Identity();
    a.flag = static_cast<unsigned char>(f[0]);
    b.flag = static_cast<unsigned char>(f[1]);
    EXPECT_EQ(Product(a, b).flag, f[2]);
  }
}

TEST(SingleStepBuilders, PutTheirStepBeforeOrAfterTheSource) {
  struct Case {
    std::string name;
    std::function<void(const MatrixRecord&, MatrixRecord&)> build;
    MatrixRecord src;
    PointRecord p, expected;
  };
  const std::vector<Case> cases = {
      {"Translate acts first", [](auto& s, auto& d) { MUtilTranslate(s, {1, 0, 0}, d); }, Scaling(2, 2, 2),
       {1, 0, 0}, {4, 0, 0}},
      {"TranslateAfter acts last", [](auto& s, auto& d) { MUtilTranslateAfter(s, {1, 0, 0}, d); },
       Scaling(2, 2, 2), {1, 0, 0}, {3, 0, 0}},
      {"Scale acts first", [](auto& s, auto& d) { MUtilScale(s, 2, 3, 4, d); }, Translation(1, 0, 0),
       {1, 1, 1}, {3, 3, 4}},
      {"ScaleAfter acts last", [](auto& s, auto& d) { MUtilScaleAfter(s, 2, 3, 4, d); }, Translation(1, 0, 0),
       {1, 1, 1}, {4, 3, 4}},
  };
  for (Case c : cases) {
    c.src.flag = 1;
    MatrixRecord dst;
    c.build(c.src, dst);
    EXPECT_TRUE(PointNear(Apply(dst, c.p), c.expected, 0)) << c.name;
    EXPECT_EQ(dst.flag, 1) << c.name;
  }
}

TEST(MUtilTransform, VectorsIgnoreTheTranslation) {
  MatrixRecord m;
  MUtilComposeMatrix(0, 0, kPi / 2, {2, 2, 2}, {7, 8, 9}, nullptr, m);
  PointRecord v;
  MUtilTransformVector(m, {1, 0, 0}, v);
  EXPECT_TRUE(PointNear(v, {0, -2, 0}, 1e-15));
  EXPECT_TRUE(PointNear(Apply(m, {1, 0, 0}), {7, 6, 9}, 1e-14));
}

TEST(MUtilComposeMatrix, ScalesThenTurnsAboutYXZThenMoves) {
  MatrixRecord extra = Scaling(2, 2, 2);
  extra.flag = 1;
  struct Case {
    double y, x, z;
    PointRecord scale, translation;
    const MatrixRecord* extra;
    PointRecord p, expected;
  };
  const Case cases[] = {
      {kPi / 2, 0, 0, {2, 1, 1}, {10, 0, 0}, nullptr, {1, 0, 0}, {10, 0, 2}},
      // Y takes x to z, X takes z to -y, Z takes -y to -x.
      {kPi / 2, kPi / 2, kPi / 2, {1, 1, 1}, {0, 0, 0}, nullptr, {1, 0, 0}, {-1, 0, 0}},
      // The scale acts before the turn.
      {0, 0, kPi / 2, {3, 1, 1}, {0, 0, 0}, nullptr, {1, 0, 0}, {0, -3, 0}},
      // The extra matrix acts after the turns and before the translation.
      {0, 0, kPi / 2, {1, 1, 1}, {1, 0, 0}, &extra, {1, 0, 0}, {1, -2, 0}},
  };
  for (const Case& c : cases) {
    MatrixRecord m;
    MUtilComposeMatrix(c.y, c.x, c.z, c.scale, c.translation, c.extra, m);
    EXPECT_TRUE(PointNear(Apply(m, c.p), c.expected, 1e-14)) << c.y << " " << c.x << " " << c.z;
    EXPECT_EQ(m.flag, c.extra != nullptr ? 1 : 0);
  }
}

TEST(MUtilDecomposeMatrix, ReturnsTheComposedValues) {
  struct Case {
    double y, x, z;
    PointRecord scale, translation;
  };
  const Case cases[] = {
      {0.3, 0.2, 0.1, {1, 1, 1}, {0, 0, 0}},
      {-2.5, 1.2, 3.0, {2, 0.5, 3}, {1, -2, 3}},
      {2.9, -1.5, -0.4, {0.1, 10, 1}, {-100, 0.25, 7}},
      {0, 0, 0, {1, 1, 1}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    MatrixRecord m;
    MUtilComposeMatrix(c.y, c.x, c.z, c.scale, c.translation, nullptr, m);
    double y, x, z;
    PointRecord scale, translation;
    MUtilDecomposeMatrix(m, y, x, z, scale, translation);
    EXPECT_NEAR(y, c.y, 1e-12);
    EXPECT_NEAR(x, c.x, 1e-12);
    EXPECT_NEAR(z, c.z, 1e-12);
    EXPECT_TRUE(PointNear(scale, c.scale, 1e-12));
    EXPECT_TRUE(PointNear(translation, c.translation, 0));
  }
}

TEST(MUtilDecomposeMatrix, AtARightAngleAboutXTheYAngleAbsorbsZ) {
  struct Case {
    double y, x, z;
    double expectedY;
  };
  const Case cases[] = {
      {0.3, kPi / 2, 0.2, 0.5},
      {0.3, -kPi / 2, 0.2, 0.1},
      {1.5, kPi / 2, 1.0, 2.5},     // beyond a right angle about Y
      {-1.5, kPi / 2, -1.0, -2.5},
  };
  for (const Case& c : cases) {
    MatrixRecord m;
    MUtilComposeMatrix(c.y, c.x, c.z, {1, 1, 1}, {0, 0, 0}, nullptr, m);
    double y, x, z;
    PointRecord scale, translation;
    MUtilDecomposeMatrix(m, y, x, z, scale, translation);
    EXPECT_NEAR(y, c.expectedY, 1e-12) << c.y << " " << c.x << " " << c.z;
    EXPECT_NEAR(x, c.x, 1e-12);
    EXPECT_EQ(z, 0.0);
    MatrixRecord again;
    MUtilComposeMatrix(y, x, z, scale, translation, nullptr, again);
    EXPECT_TRUE(MatrixNear(again, m, 1e-12));
  }
}

TEST(MUtilInterpolateMatrix, GivesARigidTransformBetweenTheEnds) {
  MatrixRecord first, last, out;
  MUtilComposeMatrix(0, 0, 0, {1, 1, 1}, {0, 0, 0}, nullptr, first);
  MUtilComposeMatrix(1.0, 0, 0, {1, 1, 1}, {4, 0, 0}, nullptr, last);
  MUtilInterpolateMatrix(first, last, 0.5, out);
  // The blend of the two rotations points half way: atan2(sin 1, 1 + cos 1)
  // is 0.5.
  MatrixRecord expected;
  MUtilComposeMatrix(0.5, 0, 0, {1, 1, 1}, {2, 0, 0}, nullptr, expected);
  EXPECT_TRUE(MatrixNear(out, expected, 1e-14));

  // A scaled end still yields unit rows.
  MUtilComposeMatrix(0.4, 0.2, -0.3, {3, 2, 5}, {1, 1, 1}, nullptr, last);
  MUtilInterpolateMatrix(first, last, 0.7, out);
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(std::sqrt(out.m[i][0] * out.m[i][0] + out.m[i][1] * out.m[i][1] + out.m[i][2] * out.m[i][2]), 1.0,
                1e-14);
}

TEST(MUtilInvert, ProductWithTheSourceIsTheIdentity) {
  std::vector<MatrixRecord> sources;
  MatrixRecord m;
  MUtilComposeMatrix(0.7, -0.4, 2.1, {2, 0.5, 3}, {10, -20, 5}, nullptr, m);
  sources.push_back(m);
  const Rows general = {{{2, 0, 0, 0.1}, {0, 3, 0, 0}, {0, 1, 1, 1}, {4, 5, 6, 1}}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m.m[i][j] = general.m[i][j];
  m.flag = 1;
  sources.push_back(m);
  for (const MatrixRecord& source : sources) {
    MatrixRecord inverse;
    MUtilInvert(source, inverse);
    EXPECT_EQ(inverse.flag, source.flag);
    MatrixRecord a = source, b = inverse;
    a.flag = b.flag = 0;
    // Classical Gram–Schmidt on elements up to 20: errors of a few 1e-12.
    EXPECT_TRUE(MatrixNear(Product(a, b), Identity(), 1e-11));
    EXPECT_TRUE(MatrixNear(Product(b, a), Identity(), 1e-11));
    MatrixRecord inPlace = source;
    MUtilInvert(inPlace, inPlace);
    EXPECT_TRUE(MatrixNear(inPlace, inverse, 0));
  }
}

TEST(MUtilMatrixEqual, ComparesElementsWithinToleranceAndFlagsExactly) {
  const MatrixRecord a = Translation(1, 2, 3);
  MatrixRecord b = a;
  EXPECT_TRUE(MUtilMatrixEqual(a, b));
  b.m[3][1] += 0.9e-8;
  EXPECT_TRUE(MUtilMatrixEqual(a, b));
  b.m[3][1] += 0.2e-8;
  EXPECT_FALSE(MUtilMatrixEqual(a, b));
  b = a;
  b.flag = 1;
  EXPECT_FALSE(MUtilMatrixEqual(a, b));
  b = a;
  b.m[0][0] = std::nan("");
  EXPECT_FALSE(MUtilMatrixEqual(a, b));
}

TEST(MatrixCopies, ElementsKeepTheDestinationFlagAndRecordsClearIt) {
  const MatrixRecord source = Translation(1, 2, 3);
  MatrixRecord destination = Identity();
  destination.flag = 1;
  CopyMatrixElements(source, destination);
  EXPECT_TRUE(MatrixNear(destination, source, 0));
  EXPECT_EQ(destination.flag, 1);
  CopyMatrixRecord(destination, source);
  EXPECT_EQ(destination.flag, 0);
}

TEST(MUtilProjectPoint, DividesInPerspectiveAndKeepsDepthPositiveInParallel) {
  // Perspective: w = z.
  MatrixRecord perspective = Identity();
  perspective.m[2][3] = 1;
  perspective.m[3][3] = 0;
  MatrixRecord parallel = Identity();
  parallel.flag = 1;
  struct Case {
    const MatrixRecord* m;
    PointRecord p, expected;
  };
  const Case cases[] = {
      {&perspective, {2, 4, 2}, {1, 2, 2}},
      {&perspective, {2, 4, 0}, {0, 0, -1}},   // on the eye plane
      {&perspective, {2, 4, -1}, {0, 0, -1}},  // behind the eye
      {&parallel, {2, 4, 0}, {2, 4, 2}},
      {&parallel, {2, 4, -1}, {2, 4, 1}},
      {&parallel, {2, 4, -3}, {2, 4, 1.0 / 3.0}},  // e = -1 becomes -1 / (e - 2)
  };
  for (const Case& c : cases) {
    PointRecord out;
    MUtilProjectPoint(*c.m, c.p, out);
    EXPECT_TRUE(PointNear(out, c.expected, 1e-15)) << c.p.x << " " << c.p.y << " " << c.p.z;
  }
}

}  // namespace mutil_matrix_test
