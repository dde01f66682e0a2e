// Per-triangle lightmaps: every face group gets a 16-bit 5-6-5 texture holding one 8 x 8 texel tile per
// triangle of the group, lit by one point light (Lambert, white) and drawn on texture stage 1.
// Building, relighting, upload and release; a tile index beyond the lightmap's tile count is never lit
// or written, and a texture that cannot be created leaves the group drawn without it.
#pragma once

#include <cstdint>

#include "math/math3d.h"
#include "platform/d3d.h"

struct AseScene;
struct FaceGroup;
struct GeomObject;
struct SceneNode;

// One texel as the texel routines see it. Texels are not kept: the relight places them again from
// their tile's terms, so that it reads 48 bytes per tile instead of a record per texel.
struct LightmapTexel {
  Vector4 position;  // w = 0
  uint32_t colour;   // byte 0 red, 1 green, 2 blue, 3 alpha
  Vector4 normal;    // w = 0
};

// Where a tile's texels lie: texel (row r, column c) is at ((column_step c + 0.5) + (row_step r + 0.5))
// + origin on each axis, rounded to float at every step, as the face frame's parallelogram spreads them.
struct LightmapTile {
  Vector3 origin;       // corner 0 of the face frame
  Vector3 column_step;  // (corner 3 - corner 0) / tile_width
  Vector3 row_step;     // (corner 1 - corner 0) / tile_height
  Vector3 normal;
};

// Tiles fill the texture row by row, tile_columns side by side: tile i has its texels at texture row
// tile_height (i / tile_columns) and column tile_width (i % tile_columns) onwards.
struct GroupLightmap {
  uint16_t tile_width;
  uint16_t tile_height;
  uint16_t surface_width;
  uint16_t surface_height;
  LightmapTile* tiles;           // owned, tile_count entries
  IDirectDrawSurface7* surface;  // owned, null when its creation failed
  uint32_t tile_count;
  uint32_t tile_columns;  // at least 1 once created
};

// 40 bytes: D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2.
struct LightmapVertex {
  Vector3 position;
  Vector3 normal;
  float tu, tv;  // stage 0: the material texture
  float s, t;    // stage 1: the lightmap
};
static_assert(sizeof(LightmapVertex) == 40, "lightmap vertices are 40 bytes");

// Texels per tile side; every triangle gets one tile.
constexpr uint16_t LIGHTMAP_TILE_SIZE = 8;
// Triangles per slice of a face group: as many as one draw takes. Each slice has its own lightmap (the
// group's `lightmap` holds one per slice), so a group of any size keeps its lightmaps on a device whose
// largest texture holds one slice's tiles.
constexpr uint32_t LIGHTMAP_SLICE_FACES = D3DMAXNUMVERTICES / 3;
inline uint32_t LightmapSliceCount(uint32_t face_count) {
  return face_count / LIGHTMAP_SLICE_FACES + (face_count % LIGHTMAP_SLICE_FACES != 0 ? 1 : 0);
}

// Builds the frames, lightmap and lightmap vertices of every face group of the object up to the first
// group that already has frames, lit for the light position (device axes, w = 0). A group whose arrays
// cannot be allocated is left without lightmap data; a triangle with a vertex index beyond the object's
// vertices keeps a zero frame, a dark tile and zero vertices. A group whose texture cannot be had at
// any layout is drawn without one, and the object shows that once.
void BuildObjectLightmaps(GeomObject* object, IDirect3DDevice7* device, const Vector4& light);

// Stores the tile sizes, allocates the zeroed tiles, lays them out for the device's texture limits and
// creates the surface (null when no layout fits or the creation fails). mesh_tile_count is the face
// count of the group's whole mesh. Returns false, with no tiles, when they cannot be allocated.
bool CreateGroupLightmap(GroupLightmap* lightmap, IDirect3DDevice7* device, uint16_t tile_width, uint16_t tile_height,
                         uint32_t tile_count, uint32_t mesh_tile_count);

// Tile columns and texture size (already widened as the caps demand); no columns when nothing fits.
struct LightmapLayout {
  uint32_t tile_columns = 0;
  uint32_t width = 0, height = 0;
};
// A group whose mesh's tiles fit in one column keeps that column, cut down by halves to its own tiles
// and a blank row; otherwise the fewest columns (from one) whose texture fits in max_width x
// max_height (0: no limit beyond 16 bits).
LightmapLayout ChooseLightmapLayout(DWORD texture_caps, DWORD max_width, DWORD max_height, uint32_t tile_width,
                                    uint32_t tile_height, uint32_t tile_count, uint32_t mesh_tile_count);
// A 16-bit 5-6-5 texture of the given size, widened as the device's texture caps demand (the final
// size is stored in surface_width and surface_height); null when there is no device, no such format,
// a size beyond 16 bits or the device's largest texture, or the surface cannot be created.
IDirectDrawSurface7* CreateLightmapSurface(GroupLightmap* lightmap, IDirect3DDevice7* device, uint32_t width,
                                           uint32_t height);
// Texture-format enumeration callback: copies the first 16-bit RGB format with red 0xF800, no alpha,
// no FourCC code and no luminance or bump bits into the DDPIXELFORMAT at destination and stops.
HRESULT FindRgb565Format(DDPIXELFORMAT* format, LPVOID destination);

// Stores where the tile's texels lie on the parallelogram of corners 0, 1 and 3, and their normal.
void PlaceTexels(GroupLightmap* lightmap, uint32_t tile, const Vector3 corners[4], const Vector3& normal);
// Lights every tile of the group with this program's texel routine and writes the 5-6-5 pixels into
// its texture under one lock, the tiles shared by the relight threads. Nothing is written without a
// texture or a lock. Part of the per-program texel binding.
void RelightGroup(GroupLightmap* lightmap, const Vector4& light);
// Maps a frame's (s, t) into the tile's place in the texture. A lightmap whose surface was never sized
// maps as if its texture were exactly its tiles.
void MapLightmapCoords(const GroupLightmap* lightmap, uint32_t tile, float& s, float& t);

// Relights every existing tile of every face group of the scene for the light position (device axes,
// w = 0) and writes the tiles into their textures, each texture under one lock for all its tiles, the
// tiles of all of them shared by the relight threads. The pixels are the same at any thread count; a
// texture whose lock fails keeps its old ones. Part of the per-program texel binding.
void RelightScene(AseScene* scene, const Vector4& light);

// Frees the tiles and releases the surface; harmless when called twice.
void ReleaseGroupLightmap(GroupLightmap* lightmap);
// Frees the frames, lightmaps and lightmap vertices of one face group and sets them to null.
void ReleaseFaceGroupLightmaps(FaceGroup* group);
// Frees the frames, lightmap and lightmap vertices of every face group of the object.
void ReleaseObjectLightmaps(GeomObject* object);
