#include "math/simd_lib/light_texel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "lightmap/texel_lighting.h"

namespace {

struct RoutineCase {
  const char* name;
  TexelRoutine routine;
};

const RoutineCase ROUTINES[] = {{"simd", LightTexelSimd}, {"scalar", LightTexelScalar}};

Vector4 Point(float x, float y, float z) { return Vector4{x, y, z, 0.0f}; }

TEST(TexelRoutines, LightTheStatedTexels) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float root3 = std::sqrt(3.0f);
  struct Case {
    const char* what;
    Vector4 light;
    Vector4 normal;
    uint32_t colour;
    uint32_t expected;
  } cases[] = {
      {"light along the normal", Point(0, 5, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0xFFFFFFFF},
      {"light in the texel's plane", Point(5, 0, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0xFF000000},
      {"light behind the face", Point(0, -5, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0},
      {"light on the texel", Point(0, 0, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0},
      {"60 degrees", Point(root3, 1, 0), Point(0, 1, 0), LIGHTMAP_WHITE, 0xFF7F7F7F},
      {"channels keep their bytes", Point(0, 0, 3), Point(0, 0, 1), 0x00804020, 0xFF804020},
      {"each channel scaled", Point(0, 0, 3), Point(0, 0, 0.5f), 0x00804020, 0xFF402010},
      {"alpha of the colour ignored", Point(0, 5, 0), Point(0, 1, 0), 0x7F000000, 0xFF000000},
      {"normal of a degenerate face", Point(0, 5, 0), Point(nan, nan, nan), LIGHTMAP_WHITE, 0},
  };
  const Vector4 texel = Point(0, 0, 0);
  for (const RoutineCase& routine : ROUTINES) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(routine.name) + ": " + c.what);
      EXPECT_EQ(routine.routine(&texel, &c.light, &c.normal, c.colour), c.expected);
    }
  }
}

// Lights whose exact Lambert term is 0 or 10/255: only the order of the sums decides the last bit of k,
// and with it the sign or the channel. Each routine keeps its own order, so each gives its own colour.
TEST(TexelRoutines, KeepTheirOwnSumOrders) {
  const Vector4 texel = Point(0, 0, 0);
  const float third = 1.0f / 3.0f, two_thirds = 2.0f / 3.0f;
  const struct {
    Vector4 light, normal;
    uint32_t simd, scalar;
  } cases[] = {
      {Point(-9, 2, 8), Point(two_thirds, third, two_thirds), 0, 0xFF000000},
      {Point(-24, 16, 18), Point(two_thirds, third, two_thirds), 0xFF0A0A0A, 0xFF090909},
      {Point(-24, 18, 16), Point(two_thirds, two_thirds, third), 0xFF090909, 0xFF0A0A0A},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "light " << c.light.x << " " << c.light.y << " " << c.light.z);
    EXPECT_EQ(LightTexelSimd(&texel, &c.light, &c.normal, LIGHTMAP_WHITE), c.simd);
    EXPECT_EQ(LightTexelScalar(&texel, &c.light, &c.normal, LIGHTMAP_WHITE), c.scalar);
    alignas(16) uint32_t lanes[4];
    const __m128 zero = _mm_setzero_ps();
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), LightFourTexelsSimd(zero, zero, zero, c.light, c.normal, LIGHTMAP_WHITE));
    EXPECT_EQ(lanes[3], c.simd) << "the four-lane kernel sums in the one-texel kernel's order";
  }
}

// The tile loop of kestrel_sse lights four texels per step: each lane must give exactly what the
// one-texel kernel gives that texel, for any colour, the light on a texel and NaN normals included.
TEST(TexelRoutines, FourTexelKernelEqualsTheOneTexelKernelBitForBit) {
  std::mt19937 random(20261207);
  std::uniform_real_distribution<float> coordinate(-200.0f, 200.0f);
  std::uniform_real_distribution<float> direction(-1.0f, 1.0f);
  const Vector4 light = Point(3.5f, 40.0f, -7.25f);
  for (int i = 0; i < 25000; ++i) {
    alignas(16) float px[4], py[4], pz[4];
    for (int lane = 0; lane < 4; ++lane) {
      px[lane] = coordinate(random), py[lane] = coordinate(random), pz[lane] = coordinate(random);
    }
    if (i == 5) px[2] = light.x, py[2] = light.y, pz[2] = light.z;
    const Vector3 n = Normalize(MakeVector(direction(random), direction(random), direction(random)));
    const Vector4 normal = i == 9 ? Point(std::nanf(""), 0.0f, 1.0f) : Point(n.x, n.y, n.z);
    for (uint32_t colour : {LIGHTMAP_WHITE, 0x00123456u, 0xFFFFFFFFu}) {
      alignas(16) uint32_t lanes[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(lanes),
                      LightFourTexelsSimd(_mm_load_ps(px), _mm_load_ps(py), _mm_load_ps(pz), light, normal, colour));
      for (int lane = 0; lane < 4; ++lane) {
        const Vector4 position = Point(px[lane], py[lane], pz[lane]);
        ASSERT_EQ(lanes[lane], LightTexelSimd(&position, &light, &normal, colour)) << i << " lane " << lane;
      }
    }
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
    alignas(16) uint16_t four[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(four), PackFourRgb565(_mm_set1_epi32(static_cast<int>(c.colour))));
    EXPECT_EQ(four[3], c.pixel) << "the four-pixel packing agrees";
  }
}

}  // namespace
