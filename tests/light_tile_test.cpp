#include <gtest/gtest.h>

#include <cstring>

#include "lightmap/lightmap.h"
#include "lightmap/texel_lighting.h"
#include "math/simd_lib/light_texel.h"
#include "math/zeroed_array.h"

namespace {

// A lightmap of 8 x 8 tiles without a texture, as the baker makes it before the surface exists.
struct TileStack {
  explicit TileStack(uint32_t tile_count) {
    lightmap.tile_width = LIGHTMAP_TILE_SIZE;
    lightmap.tile_height = LIGHTMAP_TILE_SIZE;
    lightmap.tile_count = tile_count;
    lightmap.texels = NewZeroedArray<LightmapTexel>(size_t{tile_count} * 64);
  }
  ~TileStack() { DeleteArray(lightmap.texels); }
  LightmapTexel& Texel(uint32_t tile, int row, int column) { return lightmap.texels[tile * 64 + row * 8 + column]; }

  GroupLightmap lightmap = {};
};

const Vector3 CORNERS[4] = {{0, 0, 0}, {0, 16, 0}, {8, 16, 0}, {8, 0, 0}};
const Vector3 UP = {0, 0, 1};

TEST(PlaceTexels, SpreadsColumnsAlongSAndRowsAlongT) {
  TileStack stack(3);
  stack.Texel(2, 3, 4).colour = 0x12345678;
  PlaceTexels(&stack.lightmap, 2, CORNERS, UP);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) {
      SCOPED_TRACE(testing::Message() << "row " << r << " column " << c);
      const LightmapTexel& texel = stack.Texel(2, r, c);
      // Column step (8 - 0) / 8 along x, row step 16 / 8 along y, each term offset by 0.5 in world units.
      EXPECT_EQ(texel.position.x, c + 1.0f);
      EXPECT_EQ(texel.position.y, 2.0f * r + 1.0f);
      EXPECT_EQ(texel.position.z, 1.0f);
      EXPECT_EQ(texel.position.w, 0.0f);
      const Vector4 normal = {0, 0, 1, 0};
      EXPECT_EQ(std::memcmp(&texel.normal, &normal, sizeof(Vector4)), 0);
    }
  }
  EXPECT_EQ(stack.Texel(2, 3, 4).colour, 0x12345678u) << "placing leaves the colour alone";
  for (uint32_t tile = 0; tile < 2; ++tile) {
    EXPECT_EQ(stack.Texel(tile, 0, 0).position.x, 0.0f) << "tile " << tile << " was not asked for";
  }
}

TEST(PlaceTexels, IgnoresATileBeyondTheCount) {
  TileStack stack(1);
  PlaceTexels(&stack.lightmap, 1, CORNERS, UP);  // the sanitizer build catches any write past the texels
  PlaceTexels(&stack.lightmap, 0xFFFFFFFF, CORNERS, UP);
  EXPECT_EQ(stack.Texel(0, 7, 7).position.x, 0.0f);
}

// Both routines through the one tile loop; the programs bind one each.
template <TexelRoutine Routine>
void ExpectTileLit() {
  TileStack stack(2);
  PlaceTexels(&stack.lightmap, 0, CORNERS, UP);
  PlaceTexels(&stack.lightmap, 1, CORNERS, UP);
  const Vector4 light = {4, 8, 10, 0};
  LightTileWith<Routine>(&stack.lightmap, light, 1);
  for (int i = 0; i < 64; ++i) {
    const LightmapTexel& texel = stack.lightmap.texels[64 + i];
    EXPECT_EQ(texel.colour, Routine(&texel.position, &light, &texel.normal, LIGHTMAP_WHITE));
    EXPECT_EQ(texel.colour >> 24, 0xFFu) << "the light is in front of every texel";
  }
  EXPECT_EQ(stack.Texel(0, 0, 0).colour, 0u) << "only the asked tile is lit";
  LightTileWith<Routine>(&stack.lightmap, light, 2);
  LightTileWith<Routine>(&stack.lightmap, light, 0x10000);
  const Vector4 behind = {4, 8, -10, 0};
  LightTileWith<Routine>(&stack.lightmap, behind, 1);
  EXPECT_EQ(stack.Texel(1, 4, 4).colour, 0u) << "relighting from behind darkens the tile";
}

TEST(LightTile, LightsOnlyTheAskedTileWithEitherRoutine) {
  {
    SCOPED_TRACE("simd");
    ExpectTileLit<LightTexelSimd>();
  }
  {
    SCOPED_TRACE("scalar");
    ExpectTileLit<LightTexelScalar>();
  }
  GroupLightmap empty = {};
  empty.tile_count = 4;
  LightTile(&empty, Vector4{}, 0);  // no texels: nothing to light
  LightTile(nullptr, Vector4{}, 0);
}

TEST(MapLightmapCoords, PlacesTheTileInTheTexture) {
  struct Case {
    const char* what;
    uint16_t surface_width, surface_height;
    uint32_t tile_count, tile;
    float s, t, expected_s, expected_t;
  } cases[] = {
      {"tile 2 of a texture 8 x 64", 8, 64, 8, 2, 0.25f, 0.5f, 0.25f, 0.3125f},
      {"top edge of the first tile", 8, 24, 3, 0, 1.0f, 0.0f, 1.0f, 0.0f},
      {"t = 1 is the top of the next tile", 8, 32, 3, 1, 0.0f, 1.0f, 0.0f, 0.5f},
      {"a square texture scales s by 8 / 32", 32, 32, 3, 2, 1.0f, 1.0f, 0.25f, 0.75f},
      {"never sized: the bare stack of tiles", 0, 0, 4, 3, 0.5f, 0.5f, 0.5f, 0.875f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GroupLightmap lightmap = {};
    lightmap.tile_width = lightmap.tile_height = LIGHTMAP_TILE_SIZE;
    lightmap.surface_width = c.surface_width;
    lightmap.surface_height = c.surface_height;
    lightmap.tile_count = c.tile_count;
    float s = c.s, t = c.t;
    MapLightmapCoords(&lightmap, c.tile, s, t);
    EXPECT_EQ(s, c.expected_s);
    EXPECT_EQ(t, c.expected_t);
  }
}

}  // namespace
