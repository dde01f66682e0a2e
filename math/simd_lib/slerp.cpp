#include "math/simd_lib/slerp.h"

#include <xmmintrin.h>

#include <cstdint>

namespace {

// Every animated pose depends on these floats to the last bit. They are truncated decimals and must stay
// so: 0.166666 is not 1/6 rounded to float, and tidying it would move every interpolated frame.
constexpr float LINEAR_THRESHOLD = 0.95f;
constexpr float HALF_PI = 1.5707964f;
constexpr float SIXTH = 0.166666f;
constexpr float ACOS_FOURTH_POWER = 0.075f;
constexpr float SINE_FIFTH_POWER = 0.008333f;
static_assert(__builtin_bit_cast(uint32_t, SIXTH) == 0x3E2AAA7Eu, "0.166666 as float");
static_assert(__builtin_bit_cast(uint32_t, SINE_FIFTH_POWER) == 0x3C088723u, "0.008333 as float");

__m128 Broadcast(float value) { return _mm_set1_ps(value); }

}  // namespace

void SlerpQuaternion(Quaternion* out, const Quaternion* q0, const Quaternion* q1, float t) {
  __m128 a = _mm_loadu_ps(&q0->x);
  const __m128 b = _mm_loadu_ps(&q1->x);

  // (z + x) + (w + y): pairs two lanes apart first, then the two pair sums, in every lane.
  const __m128 products = _mm_mul_ps(a, b);
  const __m128 pairs = _mm_add_ps(products, _mm_shuffle_ps(products, products, _MM_SHUFFLE(1, 0, 3, 2)));
  const __m128 dot = _mm_add_ps(pairs, _mm_shuffle_ps(pairs, pairs, _MM_SHUFFLE(2, 3, 0, 1)));
  float d = _mm_cvtss_f32(dot);

  // Written as "not >=" so that a NaN also takes the negation; only q0 is ever negated.
  if (!(d >= 0.0f)) {
    a = _mm_xor_ps(a, Broadcast(-0.0f));
    d = -d;
  }

  __m128 w0;
  __m128 w1;
  if (d > LINEAR_THRESHOLD || d != d) {
    w0 = Broadcast(1.0f - t);
    w1 = Broadcast(t);
  } else {
    // A cheap arc cosine, pi/2 - (d + d^3/6 + 0.075 d^4). 0.075 is the true series' coefficient of the
    // fifth power; it stays on the fourth, since correcting it would move every interpolated pose.
    // Powers are running products so that their rounding stays fixed.
    const __m128 dv = Broadcast(d);
    const __m128 d2 = _mm_mul_ps(dv, dv);
    const __m128 d3 = _mm_mul_ps(d2, dv);
    const __m128 d4 = _mm_mul_ps(d3, dv);
    const __m128 series = _mm_add_ps(_mm_add_ps(dv, _mm_mul_ps(Broadcast(SIXTH), d3)),
                                     _mm_mul_ps(Broadcast(ACOS_FOURTH_POWER), d4));
    const __m128 theta = _mm_sub_ps(Broadcast(HALF_PI), series);
    const __m128 theta2 = _mm_mul_ps(theta, theta);
    const __m128 theta3 = _mm_mul_ps(theta2, theta);
    const __m128 theta5 = _mm_mul_ps(_mm_mul_ps(theta3, theta), theta);
    const __m128 sine = _mm_add_ps(_mm_sub_ps(theta, _mm_mul_ps(Broadcast(SIXTH), theta3)),
                                   _mm_mul_ps(Broadcast(SINE_FIFTH_POWER), theta5));
    // Weighting by the partial angles instead of their sines saves two sine estimates; the blend
    // overshoots the unit sphere a little between keys, and the matrix built from it is not normalised.
    w0 = _mm_div_ps(_mm_mul_ps(Broadcast(1.0f - t), theta), sine);
    w1 = _mm_div_ps(_mm_mul_ps(Broadcast(t), theta), sine);
  }
  _mm_storeu_ps(&out->x, _mm_add_ps(_mm_mul_ps(w0, a), _mm_mul_ps(w1, b)));
}
