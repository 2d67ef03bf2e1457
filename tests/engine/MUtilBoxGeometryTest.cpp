#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "MathTestSupport.h"
#include "engine/core/EngRuntime.h"

// A name of its own: test files are compiled together in batches.
namespace mutil_box_geometry_test {

using namespace engine;
using mathtest::PointNear;

constexpr double kPi = 3.14159265358979323846;

// ---- points and vectors -----------------------------------------------------

TEST(OsUtilNormalize, ScalesToUnitLengthOrFallsBackToZ) {
  struct Case {
    PointRecord v, expected;
  };
  const Case cases[] = {
      {{3, 4, 0}, {0.6, 0.8, 0}},
      {{0, 0, -2}, {0, 0, -1}},
      {{0, 0, 0}, {0, 0, 1}},
      {{1e-9, 0, 0}, {0, 0, 1}},  // |v|² = 1e-18 counts as zero
      {{2e-8, 0, 0}, {1, 0, 0}},  // |v|² = 4e-16 does not
  };
  for (const Case& c : cases) {
    PointRecord v = c.v;
    OsUtilNormalize(v);
    EXPECT_TRUE(PointNear(v, c.expected, 1e-15)) << c.v.x << " " << c.v.y << " " << c.v.z;
  }
}

TEST(VectorHelpers, AnglesAndParametersAtKnownPoints) {
  const PointRecord a{2, 0, 0}, b{0, 0, 0}, c{1, 1, 0};
  EXPECT_NEAR(MUtilCosAngle(a, b, c), std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(MUtilCosSquaredAngle(a, b, c), 0.5, 1e-15);
  // Straight on, a right turn, and back.
  EXPECT_NEAR(SegmentTurnCos({0, 0, 0}, {1, 0, 0}, {3, 0, 0}), 1.0, 1e-15);
  EXPECT_NEAR(SegmentTurnCos({0, 0, 0}, {1, 0, 0}, {1, 5, 0}), 0.0, 1e-15);
  EXPECT_NEAR(SegmentTurnCos({0, 0, 0}, {1, 0, 0}, {0, 0, 0}), -1.0, 1e-15);
  EXPECT_NEAR(LineProjectionParam({1, 0, 0}, {3, 0, 0}, {2.5, 7, -1}), 0.75, 1e-15);
  EXPECT_NEAR(LineProjectionParam({1, 0, 0}, {3, 0, 0}, {-1, 7, -1}), -1.0, 1e-15);
  PointRecord cross;
  OsUtilCrossProduct({1, 0, 0}, {0, 1, 0}, cross);
  EXPECT_TRUE(PointNear(cross, {0, 0, 1}, 0));
  OsUtilCrossProduct({1, 2, 3}, {4, 5, 6}, cross);
  EXPECT_TRUE(PointNear(cross, {-3, 6, -3}, 0));
  EXPECT_EQ(MUtilDistance({1, 2, 3}, {4, 6, 3}), 5.0);
  EXPECT_EQ(MUtilDistanceSquared({1, 2, 3}, {4, 6, 3}), 25.0);
  EXPECT_EQ(MUtilLength({0, 3, 4}), 5.0);
  EXPECT_TRUE(MUtilIsNaN(std::nan("")));
  EXPECT_FALSE(MUtilIsNaN(INFINITY));
}

TEST(MUtilCurvePoints, RunFromTheFirstToTheLastPointPulledToTheMiddle) {
  const PointRecord p0{0, 0, 0}, p1{1, 2, 0}, p2{2, 0, 0};
  PointRecord out[5];
  MUtilCurvePoints(p0, p1, p2, 0.0, 1.0, 4, out);
  EXPECT_TRUE(PointNear(out[0], p0, 0));
  EXPECT_TRUE(PointNear(out[4], p2, 1e-15));
  // Control points (0.65, 1.3) and (1.35, 1.3): at t = 1/2 the curve is at
  // 3/8 of their sum plus 1/8 of the ends.
  EXPECT_TRUE(PointNear(out[2], {1.0, 0.975, 0}, 1e-15));
  PointRecord single;
  MUtilCurvePoint(p0, p1, p2, 0.5, single);
  EXPECT_TRUE(PointNear(single, out[2], 0));

  PointRecord untouched[1] = {{9, 9, 9}};
  MUtilCurvePoints(p0, p1, p2, 0.0, 1.0, -1, untouched);
  EXPECT_TRUE(PointNear(untouched[0], {9, 9, 9}, 0));
  MUtilCurvePoints(p0, p1, p2, 0.25, 1.0, 0, untouched);
  MUtilCurvePoint(p0, p1, p2, 0.25, single);
  EXPECT_TRUE(PointNear(untouched[0], single, 0));
}

// ---- boxes --------------------------------------------------------------

BoundsRecord Box(double x0, double y0, double z0, double x1, double y1, double z1) {
  return {x0, y0, z0, x1, y1, z1, 0};
}
BoundsRecord Empty() { return {7, 7, 7, 7, 7, 7, 1}; }

::testing::AssertionResult SameBox(const BoundsRecord& a, const BoundsRecord& b) {
  if (a.minX == b.minX && a.minY == b.minY && a.minZ == b.minZ && a.maxX == b.maxX && a.maxY == b.maxY &&
      a.maxZ == b.maxZ && a.empty == b.empty)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.minX << "," << a.minY << "," << a.minZ << ")-(" << a.maxX << ","
                                       << a.maxY << "," << a.maxZ << ") empty " << a.empty;
}

TEST(Boxes, UnionAndIntersection) {
  const BoundsRecord sentinel{-1, -1, -1, -1, -1, -1, 0};
  struct Case {
    BoundsRecord a, b, unionBox, overlap;
  };
  BoundsRecord emptyOnly = sentinel;
  emptyOnly.empty = 1;  // only the flag is written
  const Case cases[] = {
      {Box(0, 0, 0, 2, 2, 2), Box(1, 1, 1, 3, 3, 3), Box(0, 0, 0, 3, 3, 3), Box(1, 1, 1, 2, 2, 2)},
      {Box(0, 0, 0, 1, 1, 1), Box(2, 0, 0, 3, 1, 1), Box(0, 0, 0, 3, 1, 1), Empty()},  // disjoint
      {Empty(), Box(1, 2, 3, 4, 5, 6), Box(1, 2, 3, 4, 5, 6), emptyOnly},
      {Box(1, 2, 3, 4, 5, 6), Empty(), Box(1, 2, 3, 4, 5, 6), emptyOnly},
      {Empty(), Empty(), emptyOnly, emptyOnly},
  };
  for (const Case& c : cases) {
    BoundsRecord out = sentinel;
    MUtilBoxUnion(c.a, c.b, out);
    EXPECT_TRUE(SameBox(out, c.unionBox));
    out = sentinel;
    MUtilBoxIntersect(c.a, c.b, out);
    if (c.a.empty == 0 && c.b.empty == 0 && c.overlap.empty != 0)
      EXPECT_EQ(out.empty, 1);  // no overlap: the corners mean nothing
    else
      EXPECT_TRUE(SameBox(out, c.overlap));
  }
}

TEST(Boxes, OfPointsCornersAndTransform) {
  const PointRecord points[] = {{1, 5, -1}, {3, 2, 0}, {2, 4, 6}};
  BoundsRecord box;
  MUtilBoxOfPoints(3, points, box);
  EXPECT_TRUE(SameBox(box, Box(1, 2, -1, 3, 5, 6)));

  PointRecord corners[8];
  MUtilBoxCorners(box, corners);
  const PointRecord expected[8] = {{1, 2, -1}, {1, 5, -1}, {3, 5, -1}, {3, 2, -1},
                                   {1, 2, 6},  {1, 5, 6},  {3, 5, 6},  {3, 2, 6}};
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(PointNear(corners[i], expected[i], 0)) << i;

  MatrixRecord m;
  MUtilComposeMatrix(0, 0, kPi / 2, {1, 1, 1}, {10, 0, 0}, nullptr, m);  // (x, y) -> (y, -x)
  BoundsRecord moved;
  MUtilTransformBox(box, m, moved);
  EXPECT_NEAR(moved.minX, 12, 1e-14);
  EXPECT_NEAR(moved.maxX, 15, 1e-14);
  EXPECT_NEAR(moved.minY, -3, 1e-14);
  EXPECT_NEAR(moved.maxY, -1, 1e-14);
  EXPECT_EQ(moved.empty, 0);

  BoundsRecord untouched = Box(9, 9, 9, 9, 9, 9);
  MUtilTransformBox(Empty(), m, untouched);
  EXPECT_TRUE(SameBox(untouched, Box(9, 9, 9, 9, 9, 9)));
  MUtilBoxOfPoints(0, points, untouched);
  EXPECT_EQ(untouched.empty, 1);
}

TEST(Boxes, ToleranceAndHandlePoints) {
  const BoundsRecord box = Box(0, 0, 0, 3, 4, 0);  // diagonal 5
  EXPECT_NEAR(MUtilBoxTolerance(box), 7e-9, 1e-24);
  struct Case {
    bool shrink, centre;
    double margin;
  };
  const Case cases[] = {{false, false, 0.1}, {true, false, 0.09}, {true, true, 0.0}, {false, true, 0.0}};
  for (const Case& c : cases) {
    PointRecord h[6];
    MUtilBoxHandlePoints(box, h, c.shrink, c.centre);
    const double m = c.margin;
    const PointRecord expected[6] = {{-m, 2, 0}, {3 + m, 2, 0}, {1.5, -m, 0},
                                     {1.5, 4 + m, 0}, {1.5, 2, -m}, {1.5, 2, m}};
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(PointNear(h[i], expected[i], 1e-15)) << i << " margin " << m;
  }
}

// ---- distances and intersections ----------------------------------------------

TEST(MUtilPointSegmentDistanceSquared, ClampsToTheEnds) {
  const PointRecord a{0, 0, 0}, b{4, 0, 0};
  struct Case {
    PointRecord p;
    double distance, t;
  };
  const Case cases[] = {{{1, 2, 0}, 4, 0.25}, {{-3, 4, 0}, 25, 0}, {{7, 0, 4}, 25, 1}, {{2, 0, 0}, 0, 0.5}};
  for (const Case& c : cases) {
    double t = -5;
    EXPECT_DOUBLE_EQ(MUtilPointSegmentDistanceSquared(c.p, a, b, &t), c.distance);
    EXPECT_DOUBLE_EQ(t, c.t);
    EXPECT_DOUBLE_EQ(MUtilPointSegmentDistanceSquared(c.p, a, b, nullptr), c.distance);
  }
}

TEST(MUtilDistanceToInnerSegment, ShortensTheSegmentOrUsesItsMiddle) {
  double t = -1;
  // Segment 0..10 shortened to 1..9: a point beyond the end measures to 9.
  EXPECT_DOUBLE_EQ(MUtilDistanceToInnerSegment({10, 1, 0}, {0, 0, 0}, {10, 0, 0}, 1.0, t), 2.0);
  EXPECT_DOUBLE_EQ(t, 1.0);
  // A segment no longer than twice the margin measures to its middle.
  EXPECT_DOUBLE_EQ(MUtilDistanceToInnerSegment({0, 1, 0}, {0, 0, 0}, {2, 0, 0}, 1.0, t), 2.0);
  EXPECT_DOUBLE_EQ(t, 0.0);
  EXPECT_DOUBLE_EQ(MUtilPointLineDistanceSquared2D(0, 0, 2, 2, 0, 2), 2.0);
}

TEST(MUtilLinePlaneIntersect, AnswersSideOrParallel) {
  const PointRecord n{0, 0, 1}, q{0, 0, 5};
  struct Case {
    PointRecord p0, p1;
    int result;
    PointRecord out;
  };
  const Case cases[] = {
      {{1, 2, 0}, {1, 2, 1}, 0, {1, 2, 5}},           // the plane lies ahead
      {{1, 2, 8}, {1, 2, 9}, 1, {1, 2, 5}},           // behind the start
      {{0, 0, 0}, {1, 0, 0.0009}, -1, {9, 9, 9}},     // within 0.001 of parallel
  };
  for (const Case& c : cases) {
    PointRecord out{9, 9, 9};
    EXPECT_EQ(MUtilLinePlaneIntersect(c.p0, c.p1, n, q, out), c.result);
    EXPECT_TRUE(PointNear(out, c.out, 1e-12));
  }
  double t = 7;
  EXPECT_EQ(MUtilLinePlaneParam({0, 0, 0}, {1, 0, 0}, n, q, t), -1);
  EXPECT_EQ(t, 7);
  EXPECT_EQ(MUtilLinePlaneParam({0, 0, 1}, {0, 0, 3}, n, q, t), 0);
  EXPECT_DOUBLE_EQ(t, 2.0);
}

TEST(MUtilIntersectLines2D, RayAgainstSegmentInThePlane) {
  struct Case {
    PointRecord d1, p1, d2, p2;
    int result;
    PointRecord out;
  };
  const Case cases[] = {
      {{1, 0, 3}, {0, 0, 1}, {0, 2, 0}, {2, -1, 5}, 0, {2, 0, 0}},
      {{-1, 0, 0}, {0, 0, 0}, {0, 2, 0}, {2, -1, 0}, -2, {2, 0, 0}},   // behind the ray
      {{1, 0, 0}, {0, 0, 0}, {0, 2, 0}, {2, 1, 0}, -1, {9, 9, 9}},     // past the segment's end
      {{1, 0, 0}, {0, 0, 0}, {1, 0.05, 0}, {0, 1, 0}, -1, {9, 9, 9}},  // nearly parallel
      {{0, 1, 0}, {0, 0, 0}, {2, 0, 0}, {-1, 3, 0}, 0, {0, 3, 0}},     // vertical ray
  };
  for (Case c : cases) {
    PointRecord out{9, 9, 9};
    EXPECT_EQ(MUtilIntersectLines2D(c.d1, c.p1, c.d2, c.p2, out), c.result);
    EXPECT_TRUE(PointNear(out, c.out, 1e-15));
    EXPECT_EQ(c.d1.z + c.p1.z + c.d2.z + c.p2.z, 0.0);  // the arguments are flattened
  }
}

TEST(MUtilClosestPointOnLine, FindsTheNearestPointOrRefusesParallelLines) {
  PointRecord out{9, 9, 9};
  EXPECT_EQ(MUtilClosestPointOnLine({0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {5, 1, 3}, out), 0);
  EXPECT_TRUE(PointNear(out, {5, 1, 0}, 1e-14));
  out = {9, 9, 9};
  EXPECT_EQ(MUtilClosestPointOnLine({0, 0, 0}, {1, 0, 0}, {1, 0.05, 0}, {5, 1, 3}, out), -1);
  EXPECT_TRUE(PointNear(out, {9, 9, 9}, 0));
}

// ---- solving ------------------------------------------------------------------

TEST(MUtilSolveLeastSquares, FitsOverdeterminedSystems) {
  // One unknown against four values: their mean.
  const double ones[4] = {1, 1, 1, 1};
  const double values[4] = {1, 2, 3, 6};
  double mean = 0;
  ASSERT_TRUE(MUtilSolveLeastSquares(1, 4, ones, values, &mean));
  EXPECT_NEAR(mean, 3.0, 1e-15);
  // A line through exact samples y = 2 x - 1 (columns x and 1).
  const double columns[10] = {0, 1, 2, 3, 4, 1, 1, 1, 1, 1};
  const double samples[5] = {-1, 1, 3, 5, 7};
  double line[2] = {};
  ASSERT_TRUE(MUtilSolveLeastSquares(2, 5, columns, samples, line));
  EXPECT_NEAR(line[0], 2.0, 1e-14);
  EXPECT_NEAR(line[1], -1.0, 1e-14);
}

TEST(MUtilSolveLeastSquares, LargeSystemWithoutMemoryRecordsTheFailure) {
  // 5 x 5 needs working storage beyond the 16 values kept at hand.
  double columns[25] = {};
  for (int i = 0; i < 5; ++i) columns[i * 5 + i] = i + 1;
  const double rhs[5] = {1, 2, 3, 4, 5};
  double x[5] = {};
  EngContext().ClearFailure();
  ASSERT_TRUE(MUtilSolveLeastSquares(5, 5, columns, rhs, x));
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(x[i], 1.0, 1e-15);
  EXPECT_EQ(EngContext().failState, kEngFailNone);
  for (long nth : {1L, 2L}) {
    EngAllocFailureScope fail(nth);
    const long freesBefore = EngAllocationStats().frees;
    EXPECT_FALSE(MUtilSolveLeastSquares(5, 5, columns, rhs, x));
    EXPECT_EQ(EngContext().failState, kEngFailFailed);
    EXPECT_EQ(EngContext().failReason, kEngReasonOutOfMemory);
    EXPECT_EQ(EngAllocationStats().frees - freesBefore, 1);  // the block it got is given back
    EngContext().ClearFailure();
  }
}

TEST(MUtilSolve, BasisAndTriangleCoordinates) {
  const PointRecord points[3] = {{1, 1, 1}, {0, 0, 0}, {1, 1, 0}};
  double c[3] = {};
  // c0 x + c1 y + c2 (P0 - P1) = P0 - q with q = (-3, -4, -2): c = (1, 2, 3).
  MUtilSolveInBasis3({1, 0, 0}, {0, 1, 0}, 0, 1, {-3, -4, -2}, points, c);
  EXPECT_NEAR(c[0], 1, 1e-14);
  EXPECT_NEAR(c[1], 2, 1e-14);
  EXPECT_NEAR(c[2], 3, 1e-14);
  double s = 0, t = 0;
  MUtilTriangleCoords({1, 0, 0}, {3, 0, 0}, {1, 4, 0}, {2, 1, 5}, s, t);
  EXPECT_NEAR(s, 0.5, 1e-15);
  EXPECT_NEAR(t, 0.25, 1e-15);
}

}  // namespace mutil_box_geometry_test
