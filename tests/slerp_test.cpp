// The interpolation kernel to the bit: its constants, powers, sum order and branches each decide the
// last bits of an animated pose, so every example is checked as the exact float it must give.
#include "math/simd_lib/slerp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

const float S6 = 0x1.2118d2p-1f, C6 = 0x1.a69264p-1f;  // sin 0.6 and cos 0.6 as floats

bool SameFloat(float got, float want) {
  return std::isnan(want) ? std::isnan(got) : std::memcmp(&got, &want, sizeof(float)) == 0;
}

TEST(SlerpQuaternion, GivesEachExampleToTheBit) {
  const struct {
    const char* what;
    Quaternion q0, q1;
    float t;
    Quaternion expected;
  } cases[] = {
      // Weights of about 0.5332 each: slightly longer than a unit quaternion.
      {"spherical halfway", {0, 0, 0, 1}, {0, 0, S6, C6}, 0.5f, {0, 0, 0x1.344838p-2f, 0x1.f24bd0p-1f}},
      // The end points come out scaled by theta / s, not reproduced.
      {"spherical at t = 0", {0, 0, 0, 1}, {0, 0, S6, C6}, 0.0f, {0, 0, 0, 0x1.10fd20p+0f}},
      {"negative dot negates q0 only", {0, 0, 0, 1}, {0, 0, -S6, -C6}, 0.5f, {0, 0, -0x1.344838p-2f, -0x1.f24bd0p-1f}},
      {"a dot of exactly 0.95 is spherical", {0, 0, 0, 1}, {0, 0, 0.25f, 0.95f}, 0.5f,
       {0, 0, 0x1.0790bap-3f, 0x1.00f9e8p+0f}},
      {"linear above 0.95, q0 negated", {0, 0, 0, 1}, {0, 0, -0.28f, -0.96f}, 0.25f,
       {0, 0, -0x1.1eb852p-4f, -0x1.fae148p-1f}},
      // A dot product whose summation orders all round apart.
      {"all four lanes", {0.6f, 0.6f, -0.5f, -0.6f}, {0.7f, 0.1f, -0.7f, 0.7f}, 0.3f,
       {0x1.95b04cp-1f, 0x1.21c712p-1f, -0x1.689cb4p-1f, -0x1.0e7588p-2f}},
      {"not a number blends linearly", {0, 0, 0, NAN}, {0, 0, 0, 1}, 1.0f, {0, 0, 0, NAN}},
  };
  for (const auto& c : cases) {
    Quaternion out;
    SlerpQuaternion(&out, &c.q0, &c.q1, c.t);
    const float got[] = {out.x, out.y, out.z, out.w};
    const float want[] = {c.expected.x, c.expected.y, c.expected.z, c.expected.w};
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_TRUE(SameFloat(got[lane], want[lane])) << c.what << ", lane " << lane << ": " << std::hexfloat
                                                    << got[lane] << " for " << want[lane];
    }
  }
}

}  // namespace
