#include <gtest/gtest.h>

#include "lightmap/lightmap.h"
#include "lightmap/lightmap_texture.h"
#include "math/zeroed_array.h"

namespace {

TEST(MapLightmapCoords, PlacesTheTileInTheTexture) {
  struct Case {
    const char* what;
    uint16_t surface_width, surface_height;
    uint32_t tile_count, tile_columns, tile;
    float s, t, expected_s, expected_t;
  } cases[] = {
      {"tile 2 of a texture 8 x 64", 8, 64, 8, 1, 2, 0.25f, 0.5f, 0.25f, 0.3125f},
      {"a square texture scales s by 8 / 32", 32, 32, 3, 1, 2, 1.0f, 1.0f, 0.25f, 0.75f},
      {"never sized: the bare stack of tiles", 0, 0, 4, 1, 3, 0.5f, 0.5f, 0.5f, 0.875f},
      {"tile 5 of four columns: row 1, column 1", 32, 16, 8, 4, 5, 0.5f, 0.5f, 0.375f, 0.75f},
      {"never sized, three columns of five tiles", 0, 0, 5, 3, 4, 1.0f, 0.0f, 0.6666667f, 0.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const GroupLightmap lightmap = {8,       8,       c.surface_width, c.surface_height,
                                    nullptr, nullptr, c.tile_count,    c.tile_columns};
    float s = c.s, t = c.t;
    MapLightmapCoords(&lightmap, c.tile, s, t);
    EXPECT_FLOAT_EQ(s, c.expected_s);
    EXPECT_EQ(t, c.expected_t);
  }
}

TEST(ChooseLightmapLayout, HalvesTheMeshColumnOrTakesTheFewestColumnsThatFit) {
  const DWORD POW2 = D3DPTEXTURECAPS_POW2, SQUARE = D3DPTEXTURECAPS_SQUAREONLY;
  const struct {
    const char* what;
    DWORD caps, max_edge;
    uint32_t tile_count, mesh_tile_count;
    LightmapLayout layout;
  } cases[] = {
      {"the whole mesh of 2,048 faces", 0, 16384, 2048, 2048, {1, 8, 16384}},
      {"3 of 10 faces: 80 rows halve to 40, not to 20", 0, 16384, 3, 10, {1, 8, 40}},
      {"2 of 8 faces: 64 rows halve to 32, not to 16 without the blank row", 0, 16384, 2, 8, {1, 8, 32}},
      {"3 of 25 faces: 200 rows halve to just the tiles and the blank row", 0, 16384, 3, 25, {1, 8, 25}},
      {"powers of two: 128 rows of 12 faces halve to 32", POW2, 16384, 3, 12, {1, 8, 32}},
      {"square: 80 x 80 halves to 40 x 40", SQUARE, 16384, 3, 10, {1, 40, 40}},
      {"a mesh beyond the limit: 1,500 rows of two", 0, 16384, 3000, 3000, {2, 16, 12000}},
      {"65,535 tiles", 0, 16384, 65535, 65535, {32, 256, 16384}},
      {"65,535 tiles, no limit but 16 bits", 0, 0, 65535, 65535, {9, 72, 58256}},
      {"square: as many columns as rows", SQUARE, 256, 1000, 1000, {32, 256, 256}},
      {"powers of two, square", POW2 | SQUARE, 512, 300, 300, {5, 512, 512}},
      {"more faces than the mesh", 0, 16384, 20, 10, {1, 8, 160}},
      {"nothing fits", 0, 256, 1025, 1025, {}},
      {"an edge below a tile", 0, 4, 1, 1, {}},
      {"more tiles than 32 bits of texels", 0, 0, 0xFFFFFFFF, 0xFFFFFFFF, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const LightmapLayout layout =
        ChooseLightmapLayout(c.caps, c.max_edge, c.max_edge, 8, 8, c.tile_count, c.mesh_tile_count);
    EXPECT_TRUE(layout.tile_columns == c.layout.tile_columns && layout.width == c.layout.width &&
                layout.height == c.layout.height)
        << layout.tile_columns << " columns, " << layout.width << " x " << layout.height;
  }
}

// What a stand-in's lock may hand out, for lightmaps of five tiles in two columns.
TEST(DescribeLockedTiles, AllowsOnlyTilesWhollyInsideTheLockedMemory) {
  GroupLightmap lightmap = {
      LIGHTMAP_TILE_SIZE, LIGHTMAP_TILE_SIZE, 0, 0, NewZeroedArray<LightmapTile>(5), nullptr, 5, 2};
  alignas(2) static uint8_t memory[64 * 64];
  const struct {
    const char* what;
    DWORD width, height;
    LONG pitch_bytes;
    size_t offset;
    uint32_t tile_limit;
  } cases[] = {
      {"room for all five", 16, 24, 32, 0, 5},
      {"two rows of tiles and a partial one", 16, 23, 32, 0, 4},
      {"narrower than two tiles", 15, 24, 32, 0, 0},
      {"pitch narrower than two tiles", 16, 24, 30, 0, 0},
      {"odd pitch", 16, 24, 33, 0, 0},
      {"negative pitch", 16, 24, -32, 0, 0},
      {"memory not 16-bit aligned", 16, 24, 32, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DDSURFACEDESC2 desc = {};
    desc.dwWidth = c.width, desc.dwHeight = c.height, desc.lPitch = c.pitch_bytes, desc.lpSurface = memory + c.offset;
    const LockedTiles locked = DescribeLockedTiles(lightmap, desc);
    EXPECT_EQ(locked.tile_limit, c.tile_limit);
    EXPECT_EQ(TileFirstPixel(lightmap, locked, c.tile_limit), nullptr);
    const uint8_t* tile_3 = reinterpret_cast<uint8_t*>(TileFirstPixel(lightmap, locked, 3));
    EXPECT_TRUE(c.tile_limit < 4 || tile_3 == memory + 8 * 32 + 16) << "tile 3: second row, second column";
  }
  DeleteArray(lightmap.tiles);
  EXPECT_EQ(DescribeLockedTiles(lightmap, DDSURFACEDESC2{}).tile_limit, 0u) << "no tiles: nothing to write";
}

}  // namespace
