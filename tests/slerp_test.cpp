#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "math/simd_lib/slerp.h"

namespace {

const float S6 = std::sin(0.6f), C6 = std::cos(0.6f);

struct SlerpCase {
  const char* what;
  Quaternion q0, q1;
  float t;
  Quaternion expected;
};

}  // namespace

TEST(SlerpQuaternion, BranchesAndWeights) {
  const SlerpCase cases[] = {
      // d = cos 0.6: the angle polynomial gives weights of about 0.5332 each, so the result is
      // slightly longer than a unit quaternion.
      {"spherical halfway", {0, 0, 0, 1}, {0, 0, S6, C6}, 0.5f, {0, 0, 0.30106f, 0.97327f}},
      // The end points are scaled by theta / s, not reproduced.
      {"spherical at t = 0", {0, 0, 0, 1}, {0, 0, S6, C6}, 0.0f, {0, 0, 0, 1.06636f}},
      {"negative dot negates q0 only", {0, 0, 0, 1}, {0, 0, -S6, -C6}, 0.5f, {0, 0, -0.30106f, -0.97327f}},
      {"linear above 0.95", {0, 0, 0, 1}, {0, 0, 0.28f, 0.96f}, 0.25f, {0, 0, 0.07f, 0.99f}},
      {"linear with negated q0", {0, 0, 0, 1}, {0, 0, -0.28f, -0.96f}, 0.25f, {0, 0, -0.07f, -0.99f}},
      {"not a number blends linearly", {0, 0, 0, NAN}, {0, 0, 0, 1}, 1.0f, {0, 0, 0, NAN}},
  };
  for (const SlerpCase& c : cases) {
    SCOPED_TRACE(c.what);
    Quaternion out;
    SlerpQuaternion(&out, &c.q0, &c.q1, c.t);
    const float got[] = {out.x, out.y, out.z, out.w};
    const float want[] = {c.expected.x, c.expected.y, c.expected.z, c.expected.w};
    for (int lane = 0; lane < 4; ++lane) {
      if (std::isnan(want[lane])) {
        EXPECT_TRUE(std::isnan(got[lane])) << "lane " << lane;
      } else {
        EXPECT_NEAR(got[lane], want[lane], 1e-4f) << "lane " << lane;
      }
    }
  }
}

TEST(SlerpQuaternion, OutputMayAliasEitherInputAtAnyAddress) {
  const Quaternion q0 = {0.1f, 0.2f, 0.3f, 0.9f};
  const Quaternion q1 = {-0.3f, 0.5f, 0.1f, 0.8f};
  Quaternion expected;
  SlerpQuaternion(&expected, &q0, &q1, 0.3f);

  // Four-byte offsets put the operands off every 16-byte boundary.
  alignas(16) float buffer[12];
  Quaternion* a = reinterpret_cast<Quaternion*>(buffer + 1);
  Quaternion* b = reinterpret_cast<Quaternion*>(buffer + 6);
  for (Quaternion* (*pick)(Quaternion*, Quaternion*) : {+[](Quaternion* x, Quaternion*) { return x; },
                                                        +[](Quaternion*, Quaternion* y) { return y; }}) {
    *a = q0;
    *b = q1;
    Quaternion* out = pick(a, b);
    SlerpQuaternion(out, a, b, 0.3f);
    EXPECT_EQ(std::memcmp(out, &expected, sizeof(expected)), 0);
  }
}
