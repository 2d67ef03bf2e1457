#include <gtest/gtest.h>

#include <cmath>

#include "MathTestSupport.h"

namespace {

using namespace engine;

::testing::AssertionResult QuatNear(const Quaternion& a, const Quaternion& b, double tolerance) {
  if (std::abs(a.w - b.w) <= tolerance && std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance &&
      std::abs(a.z - b.z) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.w << ", " << a.x << ", " << a.y << ", " << a.z << ")";
}

Quaternion AboutY(double angle) { return {std::cos(angle / 2), 0, std::sin(angle / 2), 0}; }

TEST(QuatMultiply, IsTheHamiltonProduct) {
  const Quaternion i{0, 1, 0, 0}, j{0, 0, 1, 0}, k{0, 0, 0, 1};
  EXPECT_TRUE(QuatNear(QuatMultiply(i, j), k, 0));
  EXPECT_TRUE(QuatNear(QuatMultiply(j, i), {0, 0, 0, -1}, 0));
  EXPECT_TRUE(QuatNear(QuatMultiply(k, k), {-1, 0, 0, 0}, 0));
  EXPECT_TRUE(QuatNear(QuatMultiply({1, 2, 3, 4}, {5, 6, 7, 8}), {-60, 12, 30, 24}, 0));
}

TEST(QuatSlerp, KeepsTheEnginesBlendOnBothSides) {
  // Nearly equal ends give the first back unchanged.
  const Quaternion p = AboutY(0.4);
  const Quaternion same = QuatSlerp(p, p, 0.3);
  EXPECT_EQ(same.w, p.w);
  EXPECT_EQ(same.y, p.y);

  // Positive dot product: the usual arc; half way is the half turn.
  Quaternion half = QuatSlerp(AboutY(0), AboutY(1.0), 0.5);
  QuatNormalize(half);
  EXPECT_TRUE(QuatNear(half, AboutY(0.5), 1e-15));

  // Negative dot product: the far end is turned round but the long arc's
  // angle is kept. Half way still lands in the middle of the short arc...
  const Quaternion far{-std::cos(0.5), 0, -std::sin(0.5), 0};  // the turn by 1.0, negated
  half = QuatSlerp(AboutY(0), far, 0.5);
  QuatNormalize(half);
  EXPECT_TRUE(QuatNear(half, AboutY(0.5), 1e-15));
  // ...but a quarter of the way is a turn by 0.3988, not 0.25.
  Quaternion quarter = QuatSlerp(AboutY(0), far, 0.25);
  QuatNormalize(quarter);
  EXPECT_TRUE(QuatNear(quarter, {0.9801856090226927, 0, 0.1980812254223326, 0}, 1e-14));
  // The result is not normalised.
  const Quaternion raw = QuatSlerp(AboutY(0), far, 0.25);
  EXPECT_GT(std::abs(raw.w * raw.w + raw.y * raw.y - 1.0), 1e-3);
}

TEST(MUtilAccumulateRotation, AveragesOrientationsByWeight) {
  struct Case {
    double stored[3], weight, added[3], addedWeight, expected[3], expectedWeight;
  };
  const Case cases[] = {
      // Nothing stored yet: the new angles replace the stored ones.
      {{5, 5, 5}, 0, {0.1, 0.2, 0.3}, 2, {0.1, 0.2, 0.3}, 2},
      // Equal weights about one axis: the middle.
      {{0, 0, 0}, 1, {1.0, 0, 0}, 1, {0.5, 0, 0}, 2},
      {{0, 0.4, 0}, 1, {0, 0, 0}, 1, {0, 0.2, 0}, 2},
      {{0, 0, -0.6}, 3, {0, 0, 0.6}, 1, {0, 0, -0.3}, 4},
  };
  for (const Case& c : cases) {
    double y = c.stored[0], x = c.stored[1], z = c.stored[2], weight = c.weight;
    MUtilAccumulateRotation(y, x, z, weight, c.added[0], c.added[1], c.added[2], c.addedWeight);
    EXPECT_NEAR(y, c.expected[0], 1e-14);
    EXPECT_NEAR(x, c.expected[1], 1e-14);
    EXPECT_NEAR(z, c.expected[2], 1e-14);
    EXPECT_EQ(weight, c.expectedWeight);
  }
}

TEST(MUtilAccumulateRotation, SameOrientationStaysPut) {
  double y = 0.7, x = -0.3, z = 1.9, weight = 2;
  MUtilAccumulateRotation(y, x, z, weight, 0.7, -0.3, 1.9, 5);
  EXPECT_NEAR(y, 0.7, 1e-12);
  EXPECT_NEAR(x, -0.3, 1e-12);
  EXPECT_NEAR(z, 1.9, 1e-12);
  EXPECT_EQ(weight, 7);
}

}  // namespace
