// The four-lane texel lighting kernel: the Lambert term of one lightmap texel under one white point
// light, packed as a 32-bit colour (alpha 0xFF when lit, all zero when facing away). Operands are read
// with unaligned loads, so a texel record may sit at any 4-byte boundary. It is inline and branch-free
// so that the tile loop that calls it keeps no call or jump per texel; a light on the texel itself, or
// a NaN anywhere in the operands, gives 0 rather than a garbage colour. LightFourTexelsSimd lights four
// texels at once, one per lane, with the same operations in the same order, so its colours equal four
// LightTexelSimd calls bit for bit.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "math/math3d.h"

inline uint32_t LightTexelSimd(const Vector4* texel_position, const Vector4* light_position, const Vector4* normal,
                               uint32_t colour) {
  const __m128 d = _mm_sub_ps(_mm_loadu_ps(&light_position->x), _mm_loadu_ps(&texel_position->x));

  // x + (y + z), in that order, so that both programs round the length alike.
  const __m128 squares = _mm_mul_ps(d, d);
  const __m128 y_squared = _mm_shuffle_ps(squares, squares, _MM_SHUFFLE(1, 1, 1, 1));
  const __m128 z_squared = _mm_shuffle_ps(squares, squares, _MM_SHUFFLE(2, 2, 2, 2));
  const __m128 sum = _mm_add_ss(squares, _mm_add_ss(y_squared, z_squared));
  const __m128 length = _mm_sqrt_ss(sum);
  const __m128 u = _mm_div_ps(d, _mm_shuffle_ps(length, length, _MM_SHUFFLE(0, 0, 0, 0)));

  // (z + x) + y; the w lane stays out of the term.
  const __m128 products = _mm_mul_ps(u, _mm_loadu_ps(&normal->x));
  const __m128 y_product = _mm_shuffle_ps(products, products, _MM_SHUFFLE(1, 1, 1, 1));
  const __m128 z_product = _mm_shuffle_ps(products, products, _MM_SHUFFLE(2, 2, 2, 2));
  const __m128 k = _mm_add_ss(_mm_add_ss(z_product, products), y_product);

  // An ordered compare: NaN (the light on the texel, a degenerate face) fails it like a negative term.
  const uint32_t lit_mask =
      static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_castps_si128(_mm_cmpge_ss(k, _mm_setzero_ps()))));

  const __m128i zero = _mm_setzero_si128();
  const __m128i channel_words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(colour)), zero);
  const __m128 channels = _mm_cvtepi32_ps(_mm_unpacklo_epi16(channel_words, zero));
  const __m128i scaled = _mm_cvttps_epi32(_mm_mul_ps(channels, _mm_shuffle_ps(k, k, _MM_SHUFFLE(0, 0, 0, 0))));

  // The truncated channels go back to their own bytes unmasked, as they came out of the product.
  const uint32_t c0 = static_cast<uint32_t>(_mm_cvtsi128_si32(scaled));
  const uint32_t c1 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(scaled, _MM_SHUFFLE(1, 1, 1, 1))));
  const uint32_t c2 = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(scaled, _MM_SHUFFLE(2, 2, 2, 2))));
  return (0xFF000000u | c2 << 16 | c1 << 8 | c0) & lit_mask;
}

// Four texels at once, one per lane, given by axis (the tile loop builds their positions in registers)
// and sharing one normal: the square root and the three divisions then serve four texels each, which is
// what the single-texel kernel leaves on the table. Returns the four colours.
inline __m128i LightFourTexelsSimd(__m128 px, __m128 py, __m128 pz, const Vector4& light_position,
                                   const Vector4& normal, uint32_t colour) {
  const __m128 nx = _mm_set1_ps(normal.x), ny = _mm_set1_ps(normal.y), nz = _mm_set1_ps(normal.z);
  const __m128 dx = _mm_sub_ps(_mm_set1_ps(light_position.x), px);
  const __m128 dy = _mm_sub_ps(_mm_set1_ps(light_position.y), py);
  const __m128 dz = _mm_sub_ps(_mm_set1_ps(light_position.z), pz);
  const __m128 length = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_add_ps(_mm_mul_ps(dy, dy), _mm_mul_ps(dz, dz))));
  const __m128 ux = _mm_div_ps(dx, length), uy = _mm_div_ps(dy, length), uz = _mm_div_ps(dz, length);
  const __m128 k = _mm_add_ps(_mm_add_ps(_mm_mul_ps(uz, nz), _mm_mul_ps(ux, nx)), _mm_mul_ps(uy, ny));
  const __m128i lit_mask = _mm_castps_si128(_mm_cmpge_ps(k, _mm_setzero_ps()));

  auto channel = [&k, colour](int shift) {
    const __m128 value = _mm_set1_ps(static_cast<float>((colour >> shift) & 0xFF));
    return _mm_slli_epi32(_mm_cvttps_epi32(_mm_mul_ps(value, k)), shift);
  };
  const __m128i packed = _mm_or_si128(_mm_set1_epi32(static_cast<int>(0xFF000000u)),
                                      _mm_or_si128(channel(16), _mm_or_si128(channel(8), channel(0))));
  return _mm_and_si128(packed, lit_mask);
}
