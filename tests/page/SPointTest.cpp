#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "PageTestSupport.h"
#include "page/SPoint.h"

// A name of its own: test files are compiled together in batches.
namespace spoint_test {

using page::SPoint;
constexpr double kPi = std::numbers::pi;

TEST(SPoint, AngleToIsSignedByTheTurnFromThisVectorToTheOther) {
  struct Case {
    SPoint from, to;
    double angle;
  };
  const std::vector<Case> cases = {
      {{1, 0}, {0, 1}, kPi / 2},
      {{1, 0}, {0, -1}, -kPi / 2},
      {{1, 0}, {-3, 0}, kPi},
      {{2, 2}, {5, 5}, 0.0},       // parallel, different lengths
      {{1, 0}, {0, 0}, 0.0},       // a zero vector counts as (1, 0)
      {{0, 1}, {1e-9, 0}, -kPi / 2},
  };
  for (const Case& c : cases)
    // acos is steep near 1: parallel vectors come out within about 1e-8.
    EXPECT_NEAR(c.from.AngleTo(c.to), c.angle, 1e-7) << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y;
}

TEST(SPoint, AngleToStaysANumberWhenRoundingPushesTheProductPastOne) {
  const SPoint a(0.1, 0.7);
  const SPoint b(0.1 * 3, 0.7 * 3);
  EXPECT_FALSE(std::isnan(a.AngleTo(b)));
  EXPECT_NEAR(a.AngleTo(b), 0.0, 1e-7);
}

TEST(SPoint, RotateAboutTurnsClockwiseOnTheScreen) {
  SPoint p(15, 10);
  p.RotateAbout(kPi / 2, {10, 10});
  EXPECT_NEAR(p.x, 10, 1e-12);
  EXPECT_NEAR(p.y, 15, 1e-12);
  SPoint q(5, 0);
  q.Rotate(kPi);
  EXPECT_NEAR(q.x, -5, 1e-12);
  EXPECT_NEAR(q.y, 0, 1e-12);
}

TEST(SPoint, NormalizeMakesUnitVectorsAndTinyOnesPointRight) {
  SPoint p(3, -4);
  p.Normalize();
  EXPECT_NEAR(p.x, 0.6, 1e-15);
  EXPECT_NEAR(p.y, -0.8, 1e-15);
  SPoint tiny(1e-7, -1e-7);
  tiny.Normalize();
  EXPECT_EQ(tiny, SPoint(1, 0));
}

TEST(SPoint, BoundsOfPointsCoverEveryPoint) {
  const std::vector<SPoint> points = {{3, -1}, {-2, 4}, {0, 0}, {5, 2}};
  SPoint min, max;
  page::BoundsOfPoints(min, max, points);
  EXPECT_EQ(min, SPoint(-2, -1));
  EXPECT_EQ(max, SPoint(5, 4));
}

TEST(SPoint, BoundsOfNoPointsIsABrokenInvariant) {
  pagetest::FatalThrows fatalThrows;
  SPoint min, max;
  EXPECT_THROW(page::BoundsOfPoints(min, max, {}), pagetest::FatalThrows::Fatal);
}

}  // namespace spoint_test
