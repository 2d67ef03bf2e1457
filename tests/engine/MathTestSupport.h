#pragma once
// Comparisons for the maths tests.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/EngMath.h"

namespace mathtest {

// Rows of a matrix written out in a test, without the flag.
struct Rows {
  double m[4][4];
};

inline ::testing::AssertionResult MatrixNear(const engine::MatrixRecord& actual, const Rows& expected,
                                             double tolerance) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (!(std::abs(actual.m[i][j] - expected.m[i][j]) <= tolerance))
        return ::testing::AssertionFailure() << "element [" << i << "][" << j << "] is " << actual.m[i][j]
                                             << ", expected " << expected.m[i][j];
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult MatrixNear(const engine::MatrixRecord& actual,
                                             const engine::MatrixRecord& expected, double tolerance) {
  Rows rows;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) rows.m[i][j] = expected.m[i][j];
  return MatrixNear(actual, rows, tolerance);
}

inline ::testing::AssertionResult PointNear(const engine::PointRecord& actual, const engine::PointRecord& expected,
                                            double tolerance) {
  if (std::abs(actual.x - expected.x) <= tolerance && std::abs(actual.y - expected.y) <= tolerance &&
      std::abs(actual.z - expected.z) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not ("
                                       << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

inline engine::MatrixRecord Identity() {
  engine::MatrixRecord m;
  engine::MUtilIdentity(m);
  return m;
}

}  // namespace mathtest
