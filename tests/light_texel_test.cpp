#include "math/simd_lib/light_texel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

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

// The two routines sum the length and the Lambert term in different orders, so k may differ in its
// last bits; a channel then differs by one exactly when 255 k lies within that rounding of an integer.
// Every other texel must agree exactly, whatever the alignment of its operands.
TEST(TexelRoutines, AgreeOnRandomTexelsAtEveryFourByteAlignment) {
  std::mt19937 random(20240611);
  std::uniform_real_distribution<float> coordinate(-200.0f, 200.0f);
  std::uniform_real_distribution<float> direction(-1.0f, 1.0f);
  constexpr int TEXEL_COUNT = 400001;  // odd, so no routine can lean on pairs
  // Room for three Vector4 operands shifted by 0, 4, 8 or 12 bytes from a 16-byte boundary.
  alignas(16) unsigned char storage[3 * sizeof(Vector4) + 16 + 16];
  int differences = 0;
  for (int i = 0; i < TEXEL_COUNT; ++i) {
    const size_t offset = 4 * static_cast<size_t>(i % 4);
    Vector4* texel = reinterpret_cast<Vector4*>(storage + offset);
    Vector4* light = texel + 1;
    Vector4* normal = texel + 2;
    *texel = Point(coordinate(random), coordinate(random), coordinate(random));
    *light = Point(coordinate(random), coordinate(random), coordinate(random));
    const Vector3 n = Normalize(MakeVector(direction(random), direction(random), direction(random)));
    *normal = Point(n.x, n.y, n.z);
    if (i % 1000 == 0) *light = *texel;  // the light on the texel now and then

    const uint32_t simd = LightTexelSimd(texel, light, normal, LIGHTMAP_WHITE);
    const uint32_t scalar = LightTexelScalar(texel, light, normal, LIGHTMAP_WHITE);
    if (simd == scalar) continue;
    ++differences;
    const double dx = double(light->x) - texel->x, dy = double(light->y) - texel->y, dz = double(light->z) - texel->z;
    const double k = (dx * normal->x + dy * normal->y + dz * normal->z) / std::sqrt(dx * dx + dy * dy + dz * dz);
    SCOPED_TRACE(testing::Message() << "texel " << i << " simd " << std::hex << simd << " scalar " << scalar);
    ASSERT_EQ(simd & 0xFF000000, scalar & 0xFF000000) << "only the rounding of k may differ";
    for (int shift = 0; shift < 24; shift += 8) {
      const int a = static_cast<int>((simd >> shift) & 0xFF), b = static_cast<int>((scalar >> shift) & 0xFF);
      ASSERT_LE(std::abs(a - b), 1);
    }
    const double product = 255.0 * k;
    ASSERT_LT(std::fabs(product - std::round(product)), 1e-3) << "255 k is not near an integer";
  }
  // A rounding tie, not a habit: about two texels in a million.
  EXPECT_LT(differences, TEXEL_COUNT / 10000);
}

// The tile loop of kestrel_sse lights four texels per step: each lane must give exactly what the
// one-texel kernel gives that texel, for any colour, the light on a texel and NaN normals included.
TEST(TexelRoutines, FourTexelKernelEqualsTheOneTexelKernelBitForBit) {
  std::mt19937 random(20261207);
  std::uniform_real_distribution<float> coordinate(-200.0f, 200.0f);
  std::uniform_real_distribution<float> direction(-1.0f, 1.0f);
  std::vector<LightmapTexel> texels(100000);
  for (size_t i = 0; i < texels.size(); ++i) {
    texels[i].position = Point(coordinate(random), coordinate(random), coordinate(random));
    const Vector3 n = Normalize(MakeVector(direction(random), direction(random), direction(random)));
    texels[i].normal = Point(n.x, n.y, n.z);
  }
  const Vector4 light = Point(3.5f, 40.0f, -7.25f);
  texels[5].position = light;
  texels[9].normal = Point(std::nanf(""), 0.0f, 1.0f);
  for (uint32_t colour : {LIGHTMAP_WHITE, 0x00123456u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(testing::Message() << std::hex << colour);
    for (size_t i = 0; i + 4 <= texels.size(); i += 4) LightFourTexelsSimd(&texels[i], light, colour);
    for (size_t i = 0; i < texels.size(); ++i) {
      const uint32_t one = LightTexelSimd(&texels[i].position, &light, &texels[i].normal, colour);
      ASSERT_EQ(texels[i].colour, one) << "texel " << i;
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
  }
}

}  // namespace
