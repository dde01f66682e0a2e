#include "math/simd_lib/light_texel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lightmap/texel_lighting.h"

namespace {

Vector4 Point(float x, float y, float z) { return Vector4{x, y, z, 0.0f}; }

uint32_t LightFourLanes(const Vector4* texel, const Vector4* light, const Vector4* normal, uint32_t colour) {
  alignas(16) uint32_t lanes[4];
  const __m128 x = _mm_set1_ps(texel->x), y = _mm_set1_ps(texel->y), z = _mm_set1_ps(texel->z);
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), LightFourTexelsSimd(x, y, z, *light, *normal, colour));
  return lanes[2];
}

// The last four lights have an exact Lambert term of 0 or 10/255: only the order of the sums (of the
// squared length, or of k) decides the last bit of k, and with it the sign or the channel. Each routine
// keeps its own order.
TEST(TexelRoutines, LightTheStatedTexelsInTheirOwnSumOrder) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), root3 = std::sqrt(3.0f);
  const float third = 1.0f / 3.0f, two_thirds = 2.0f / 3.0f;
  const struct {
    const char* what;
    Vector4 light, normal;
    uint32_t colour, simd, scalar;
  } cases[] = {
      {"light along the normal", Point(0, 5, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0xFFFFFFFF, 0xFFFFFFFF},
      {"light in the texel's plane", Point(5, 0, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0xFF000000, 0xFF000000},
      {"light behind the face", Point(0, -5, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0, 0},
      {"light on the texel", Point(0, 0, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0, 0},
      {"60 degrees", Point(root3, 1, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0xFF7F7F7F, 0xFF7F7F7F},
      {"channels keep their bytes", Point(0, 0, 3), Point(0, 0, 1), 0x00804020, 0xFF804020, 0xFF804020},
      {"each channel scaled", Point(0, 0, 3), Point(0, 0, 0.5f), 0x00804020, 0xFF402010, 0xFF402010},
      {"alpha of the colour ignored", Point(0, 5, 0), Point(0, 1, 0), 0x7F000000, 0xFF000000, 0xFF000000},
      {"normal of a degenerate face", Point(0, 5, 0), Point(nan, nan, nan), LIGHTMAP_WHITE, 0, 0},
      {"k = 0, rounded", Point(-9, 2, 8), Point(two_thirds, third, two_thirds), LIGHTMAP_WHITE, 0, 0xFF000000},
      {"k = 0, rounded through the length", Point(-3.4f, 3, 1.9f), Point(two_thirds, third, two_thirds), LIGHTMAP_WHITE,
       0, 0xFF000000},
      {"k = 10/255, x and z", Point(-24, 16, 18), Point(two_thirds, third, two_thirds), LIGHTMAP_WHITE, 0xFF0A0A0A,
       0xFF090909},
      {"k = 10/255, x and y", Point(-24, 18, 16), Point(two_thirds, two_thirds, third), LIGHTMAP_WHITE, 0xFF090909,
       0xFF0A0A0A},
  };
  const Vector4 texel = Point(0, 0, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LightTexelSimd(&texel, &c.light, &c.normal, c.colour), c.simd);
    EXPECT_EQ(LightFourLanes(&texel, &c.light, &c.normal, c.colour), c.simd);
    EXPECT_EQ(LightTexelScalar(&texel, &c.light, &c.normal, c.colour), c.scalar);
  }
}

TEST(PackRgb565, TakesRedFromByteZeroAndDropsAlpha) {
  const struct {
    uint32_t colour;
    uint16_t pixel;
  } cases[] = {{0xFFFFFFFF, 0xFFFF}, {0x00000000, 0x0000}, {0x000000FF, 0xF800}, {0x00FF0000, 0x001F},
               {0x0000FF00, 0x07E0}, {0xFF000000, 0x0000}, {0xFF7F7F7F, 0x7BEF}, {0x00070307, 0x0000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.colour);
    EXPECT_EQ(PackRgb565(c.colour), c.pixel);
  }
}

}  // namespace
