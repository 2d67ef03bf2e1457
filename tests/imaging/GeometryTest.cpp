#include <gtest/gtest.h>

#include <cmath>

#include "imaging/Geometry2D.h"
#include "imaging/SPoint.h"

namespace {

using imaging::SPoint;

constexpr double kPi = 3.14159265358979;

TEST(IsNearSegment, MeasuresToTheSegmentOrItsNearerEnd) {
  struct Case {
    const char* what;
    SPoint a, b, q;
    double tolerance;
    bool near;
  } const cases[] = {
      {"beside the middle", {0, 0}, {10, 0}, {5, 1.9}, 2, true},
      {"too far beside the middle", {0, 0}, {10, 0}, {5, 2.1}, 2, false},
      {"exactly at the tolerance is not near", {0, 0}, {10, 0}, {5, 2}, 2, false},
      {"foot past the end, near the end", {0, 0}, {10, 0}, {11, 1}, 2, true},
      {"foot past the end, beside but beyond", {0, 0}, {10, 0}, {12, 0.5}, 2, false},
      {"foot before the start", {0, 0}, {10, 0}, {-1.5, 0}, 2, true},
      {"diagonal segment", {0, 0}, {10, 10}, {6, 4}, 1.5, true},
      {"diagonal segment, far", {0, 0}, {10, 10}, {8, 2}, 1.5, false},
      {"reversed segment", {10, 10}, {0, 0}, {6, 4}, 1.5, true},
      {"a = b acts as a point near", {3, 3}, {3, 3}, {4, 4}, 1.5, true},
      {"a = b acts as a point far", {3, 3}, {3, 3}, {5, 3}, 1.5, false},
      {"segment shorter than 1e-6 acts as its ends", {0, 0}, {1e-7, 0}, {0, 0.9}, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(imaging::PnUtilIsNearSegment(c.a, c.b, c.q, c.tolerance), c.near);
  }
}

TEST(RotatedHalfExtent, GivesTheBoxAroundTheTurnedRectangle) {
  struct Case {
    double hw, hh, angle, width, height;
  } const cases[] = {
      {10, 4, 0, 10, 4},
      {10, 4, kPi / 2, 4, 10},
      {10, 4, kPi, 10, 4},
      {10, 4, -kPi / 2, 4, 10},
      {10, 10, kPi / 4, 10 * std::sqrt(2.0), 10 * std::sqrt(2.0)},
      // 30 degrees: |hw·c| + |hh·s| and |hw·s| + |hh·c|.
      {6, 2, kPi / 6, 6 * std::cos(kPi / 6) + 2 * 0.5, 6 * 0.5 + 2 * std::cos(kPi / 6)},
      {6, 2, -kPi / 6, 6 * std::cos(kPi / 6) + 2 * 0.5, 6 * 0.5 + 2 * std::cos(kPi / 6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hw << " x " << c.hh << " at " << c.angle);
    double w = -1, h = -1;
    imaging::PnUtilRotatedHalfExtent(c.hw, c.hh, c.angle, w, h);
    EXPECT_NEAR(w, c.width, 1e-9);
    EXPECT_NEAR(h, c.height, 1e-9);
  }
}

TEST(SnapAngle, RoundsToTheNearestStepAndKeepsPlusPi) {
  struct Case {
    double angle;
    int n;
    double snapped;
  } const cases[] = {
      {0.27, 12, kPi / 12},
      {0.1, 12, 0},
      {-0.27, 12, -kPi / 12},
      {-3.1, 12, kPi},          // −π comes back as +π
      {3.1, 12, kPi},
      {kPi / 24, 12, kPi / 12},  // a half step rounds away from zero
      {-kPi / 24, 12, -kPi / 12},
      {1.0, 4, kPi / 4},
      {-kPi, 4, kPi},
      {-2.0, 4, -3 * kPi / 4},
      {0.7, 0, 0.7},  // no steps to snap to
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.angle << " by pi/" << c.n);
    EXPECT_NEAR(imaging::PnUtilSnapAngle(c.angle, c.n), c.snapped, 1e-12);
  }
}

TEST(SPoint, NormalizesRotatesAndMeasuresAngles) {
  SPoint tiny{1e-7, -1e-7};
  tiny.Normalize();
  EXPECT_EQ(tiny, (SPoint{1, 0}));
  SPoint v{3, 4};
  v.Normalize();
  EXPECT_NEAR(v.x, 0.6, 1e-12);
  EXPECT_NEAR(v.y, 0.8, 1e-12);

  SPoint r{1, 0};
  r.Rotate(kPi / 2);  // counter-clockwise in the x-right, y-up sense
  EXPECT_NEAR(r.x, 0, 1e-12);
  EXPECT_NEAR(r.y, 1, 1e-12);
  SPoint about{3, 2};
  about.RotateAbout(kPi, SPoint{2, 2});
  EXPECT_NEAR(about.x, 1, 1e-12);
  EXPECT_NEAR(about.y, 2, 1e-12);

  EXPECT_NEAR((SPoint{1, 0}).AngleTo(SPoint{0, 1}), kPi / 2, 1e-12);
  EXPECT_NEAR((SPoint{1, 0}).AngleTo(SPoint{0, -1}), -kPi / 2, 1e-12);
  EXPECT_NEAR((SPoint{2, 2}).AngleTo(SPoint{5, 5}), 0, 1e-7);  // same direction: no NaN from rounding
}

}  // namespace
