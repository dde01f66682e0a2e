#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lightmap/lightmap_texture.h"
#include "math/zeroed_array.h"

namespace {

TEST(FitLightmapSurfaceSize, WidensTheTileStackAsTheCapsDemand) {
  const struct {
    const char* what;
    DWORD caps;
    uint32_t width, height, expected_width, expected_height;
  } cases[] = {
      {"three tiles, no restriction", 0, 8, 24, 8, 24},
      {"powers of two", D3DPTEXTURECAPS_POW2, 8, 24, 8, 32},
      {"powers of two, square", D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 8, 24, 32, 32},
      {"square only", D3DPTEXTURECAPS_SQUAREONLY, 8, 24, 24, 24},
      {"already powers of two", D3DPTEXTURECAPS_POW2, 8, 64, 8, 64},
      {"one tile", D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY, 8, 8, 8, 8},
      {"no power of two in 32 bits", D3DPTEXTURECAPS_POW2, 8, 0x80000001u, 8, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    uint32_t width = c.width, height = c.height;
    FitLightmapSurfaceSize(c.caps, &width, &height);
    EXPECT_EQ(width, c.expected_width);
    EXPECT_EQ(height, c.expected_height);
  }
}

// Three 8 x 8 tiles with a distinct colour per texel, and locked memory that a test describes.
struct ThreeTiles {
  ThreeTiles() {
    lightmap.tile_width = lightmap.tile_height = LIGHTMAP_TILE_SIZE;
    lightmap.tile_count = 3;
    lightmap.texels = NewZeroedArray<LightmapTexel>(3 * 64);
    for (uint32_t i = 0; i < 3 * 64; ++i) lightmap.texels[i].colour = 0xFF000000u | i * 0x010305u;
  }
  ~ThreeTiles() { DeleteArray(lightmap.texels); }

  GroupLightmap lightmap = {};
};

constexpr uint8_t UNTOUCHED = 0xAB;

// Memory as a lock hands it out: rows of pitch_bytes, wider than a tile, filled with a marker.
struct LockedMemory {
  LockedMemory(DWORD width, DWORD height, LONG pitch_bytes)
      : bytes(size_t(height) * size_t(pitch_bytes > 0 ? pitch_bytes : 0) + 2, UNTOUCHED) {
    desc.dwSize = DDSURFACEDESC2_SIZE;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.lPitch = pitch_bytes;
    desc.lpSurface = bytes.data();
  }
  uint16_t Pixel(size_t row, size_t column) const {
    uint16_t pixel;
    std::memcpy(&pixel, bytes.data() + row * desc.lPitch + column * 2, 2);
    return pixel;
  }

  std::vector<uint8_t> bytes;
  DDSURFACEDESC2 desc = {};
};

TEST(WriteTileRgb565, PacksTheTileIntoItsRowsWithThePitch) {
  ThreeTiles tiles;
  LockedMemory memory(10, 24, 24);
  const LockedTiles locked = DescribeLockedTiles(tiles.lightmap, memory.desc);
  ASSERT_EQ(locked.tile_limit, 3u);
  WriteTileRgb565(tiles.lightmap, locked, 1);
  for (size_t row = 0; row < 24; ++row) {
    for (size_t byte = 0; byte < 24; ++byte) {
      const bool in_tile_1 = row >= 8 && row < 16 && byte < 16;
      if (in_tile_1) continue;
      ASSERT_EQ(memory.bytes[row * 24 + byte], UNTOUCHED) << "row " << row << " byte " << byte;
    }
  }
  for (size_t r = 0; r < 8; ++r) {
    for (size_t c = 0; c < 8; ++c) {
      EXPECT_EQ(memory.Pixel(8 + r, c), PackRgb565(tiles.lightmap.texels[64 + r * 8 + c].colour));
    }
  }
}

TEST(WriteTileRgb565, WritesOnlyTilesInsideTheLockedMemory) {
  ThreeTiles tiles;
  alignas(2) static uint8_t odd_address[4];
  const struct {
    const char* what;
    DWORD width, height;
    LONG pitch_bytes;
    bool misaligned;
    uint32_t tile_limit;
  } cases[] = {
      {"room for two of the three tiles", 8, 16, 16, false, 2},
      {"a partial tile row is not a tile", 8, 23, 16, false, 2},
      {"more rows than tiles", 8, 64, 16, false, 3},
      {"narrower than a tile", 7, 24, 16, false, 0},
      {"pitch narrower than a tile row", 8, 24, 14, false, 0},
      {"odd pitch", 8, 24, 17, false, 0},
      {"negative pitch", 8, 24, -16, false, 0},
      {"memory not 16-bit aligned", 8, 24, 16, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LockedMemory memory(c.width, c.height, c.pitch_bytes);
    if (c.misaligned) memory.desc.lpSurface = odd_address + 1;
    const LockedTiles locked = DescribeLockedTiles(tiles.lightmap, memory.desc);
    EXPECT_EQ(locked.tile_limit, c.tile_limit);
    // The sanitizer build catches any write beyond the described memory.
    for (uint32_t tile = 0; tile < 5; ++tile) WriteTileRgb565(tiles.lightmap, locked, tile);
  }
  DDSURFACEDESC2 no_memory = {};
  no_memory.dwWidth = 8;
  no_memory.dwHeight = 24;
  no_memory.lPitch = 16;
  EXPECT_EQ(DescribeLockedTiles(tiles.lightmap, no_memory).tile_limit, 0u);
  GroupLightmap no_texels = tiles.lightmap;
  no_texels.texels = nullptr;
  LockedMemory memory(8, 24, 16);
  EXPECT_EQ(DescribeLockedTiles(no_texels, memory.desc).tile_limit, 0u);
}

}  // namespace
