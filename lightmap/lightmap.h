// Per-triangle lightmaps: every face group gets a 16-bit 5-6-5 texture holding one 8 x 8 texel tile per
// triangle of its object, lit by one point light (Lambert, white) and drawn on texture stage 1.
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

struct LightmapTexel {
  Vector4 position;  // w = 0
  uint32_t colour;  // byte 0 red, 1 green, 2 blue, 3 alpha
  Vector4 normal;  // w = 0
};

struct GroupLightmap {
  uint16_t tile_width;
  uint16_t tile_height;
  uint16_t surface_width;
  uint16_t surface_height;
  LightmapTexel* texels;  // owned, tile_count * tile_width * tile_height
  IDirectDrawSurface7* surface;  // owned, null when its creation failed
  uint32_t tile_count;
};

// 40 bytes: D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2.
struct LightmapVertex {
  Vector3 position;
  Vector3 normal;
  float tu, tv;  // stage 0: the material texture
  float s, t;  // stage 1: the lightmap
};
static_assert(sizeof(LightmapVertex) == 40, "lightmap vertices are 40 bytes");

// Texels per tile side; every triangle gets one tile.
constexpr uint16_t LIGHTMAP_TILE_SIZE = 8;

// Builds the frames, lightmap and lightmap vertices of every face group of the object up to the first
// group that already has frames, lit for the light position (device axes, w = 0). A group whose arrays
// cannot be allocated is left without lightmap data; a triangle with a vertex index beyond the object's
// vertices keeps a zero frame, an unlit tile and zero vertices.
void BuildObjectLightmaps(GeomObject* object, IDirect3DDevice7* device, const Vector4& light);

// Stores the tile sizes, allocates the zeroed texels and creates the surface (null when that fails).
// Returns false, with no texels, when the texel array cannot be allocated.
bool CreateGroupLightmap(GroupLightmap* lightmap, IDirect3DDevice7* device, uint16_t tile_width, uint16_t tile_height,
                         uint32_t tile_count);
// A 16-bit 5-6-5 texture of the given size, widened as the device's texture caps demand (the final
// size is stored in surface_width and surface_height); null when there is no device, no such format,
// a size beyond 16 bits or the device's largest texture, or the surface cannot be created.
IDirectDrawSurface7* CreateLightmapSurface(GroupLightmap* lightmap, IDirect3DDevice7* device, uint32_t width,
                                           uint32_t height);
// Texture-format enumeration callback: copies the first 16-bit RGB format with red 0xF800, no alpha,
// no FourCC code and no luminance or bump bits into the DDPIXELFORMAT at destination and stops.
HRESULT FindRgb565Format(DDPIXELFORMAT* format, LPVOID destination);

// Spreads the tile's texels over the parallelogram of corners 0, 1 and 3 and gives them the normal.
void PlaceTexels(GroupLightmap* lightmap, uint32_t tile, const Vector3 corners[4], const Vector3& normal);
// Lights the tile's texels with this program's texel routine. Part of the per-program texel binding.
void LightTile(GroupLightmap* lightmap, const Vector4& light, uint32_t tile);
// Writes the tile's texels into the surface as 5-6-5 pixels, under one lock of the whole surface.
// Nothing is written when there is no surface, the lock fails, or the tile lies at or beyond the tile
// count or outside the memory the lock hands out.
void UploadTile(GroupLightmap* lightmap, uint32_t tile);
// Maps a frame's (s, t) into the tile's place in the texture. A lightmap whose surface was never sized
// maps as if its texture were exactly the stack of tiles.
void MapLightmapCoords(const GroupLightmap* lightmap, uint32_t tile, float& s, float& t);

// Relights every existing tile of every face group of the scene for the light position (device axes,
// w = 0) and writes the tiles into their textures, each texture under one lock for all its tiles.
// Part of the per-program texel binding.
void RelightScene(AseScene* scene, const Vector4& light);

// Frees texels and releases the surface; harmless when called twice.
void ReleaseGroupLightmap(GroupLightmap* lightmap);
// Frees the frames, lightmap and lightmap vertices of one face group and sets them to null.
void ReleaseFaceGroupLightmaps(FaceGroup* group);
// Frees the frames, lightmap and lightmap vertices of every face group of the object.
void ReleaseObjectLightmaps(GeomObject* object);
