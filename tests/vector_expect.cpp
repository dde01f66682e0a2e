// The one test helper that needs GoogleTest's assertions, apart from test_support.cpp, which the fuzz
// targets link without GoogleTest.
#include <gtest/gtest.h>

#include "tests/test_support.h"

void ExpectVectorNear(const Vector3& got, const Vector3& want, float tolerance) {
  EXPECT_NEAR(got.x, want.x, tolerance);
  EXPECT_NEAR(got.y, want.y, tolerance);
  EXPECT_NEAR(got.z, want.z, tolerance);
}
