// The lightmap texture seen from the baker: its size under the device's texture caps, the 5-6-5 packing
// of a lit texel, and where each tile lies in the locked surface memory with its pitch. Whatever the
// lock hands out is checked once per lock; a tile whose rows would fall outside that memory, or whose
// index reaches the lightmap's tile count, gets no place to be written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lightmap/lightmap.h"
#include "platform/ddraw.h"

// Raises the texture's width and height as the triangle texture caps demand: each to a power of two
// under D3DPTEXTURECAPS_POW2, then both to the larger under D3DPTEXTURECAPS_SQUAREONLY. A value above
// 2^31 under D3DPTEXTURECAPS_POW2 has no power of two in 32 bits and comes back as 0.
void FitLightmapSurfaceSize(DWORD texture_caps, uint32_t* width, uint32_t* height);

// Byte 0 is red, byte 1 green, byte 2 blue; alpha is dropped.
inline uint16_t PackRgb565(uint32_t colour) {
  const uint32_t red = colour & 0xFF;
  const uint32_t green = (colour >> 8) & 0xFF;
  const uint32_t blue = (colour >> 16) & 0xFF;
  return static_cast<uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

// The tiles that a lock of the whole texture lets us write.
struct LockedTiles {
  uint8_t* first_row = nullptr;  // texture row 0, where tile 0 begins
  size_t pitch_bytes = 0;
  uint32_t tile_limit = 0;  // tiles below this index lie wholly inside the locked memory
  uint32_t tile_columns = 1;
};

// What the lock's descriptor allows: no tile at all when the memory is missing or not 16-bit aligned,
// the pitch is not a positive even number of bytes, or a row of tiles is wider than the texture or its
// pitch; otherwise the tiles whose rows the texture's height holds, at most the lightmap's tile count.
LockedTiles DescribeLockedTiles(const GroupLightmap& lightmap, const DDSURFACEDESC2& desc);
// Locks the rows of the texture that hold its first `tiles` tiles (DDLOCK_WAIT), so that the upload
// after the unlock carries only those. False, holding no lock and with no tile to write, when there is
// no surface, no tiles to write or the lock fails.
bool LockLightmapSurface(GroupLightmap* lightmap, uint32_t tiles, LockedTiles* out);
void UnlockLightmapSurface(GroupLightmap* lightmap);

// The first pixel of the tile's top row in the locked memory, or null when the tile may not be written.
inline uint16_t* TileFirstPixel(const GroupLightmap& lightmap, const LockedTiles& memory, uint32_t tile) {
  if (tile >= memory.tile_limit) return nullptr;
  const size_t row = tile / memory.tile_columns;
  const size_t column = tile % memory.tile_columns;
  uint8_t* bytes = memory.first_row + memory.pitch_bytes * lightmap.tile_height * row +
                   sizeof(uint16_t) * lightmap.tile_width * column;
  return reinterpret_cast<uint16_t*>(bytes);
}
