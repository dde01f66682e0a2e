// Per-triangle lightmaps: every face group gets a 16-bit 5-6-5 texture holding one 8 x 8 texel tile per
// triangle of its object, lit by one point light (Lambert, white) and drawn on texture stage 1.
// Building, relighting, upload and release; a tile index beyond the lightmap's tile count is never lit
// or written, and a texture that cannot be created leaves the group drawn without it.
#pragma once

#include <cstdint>

#include "math/math3d.h"
#include "platform/d3d.h"

struct AseScene;
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

// Relights every existing tile of every face group of the scene for the light position (device axes,
// w = 0) and writes the tiles into their textures. Part of the per-program texel binding.
void RelightScene(AseScene* scene, const Vector4& light);

// Frees texels and releases the surface; harmless when called twice.
void ReleaseGroupLightmap(GroupLightmap* lightmap);
// Frees the frames, lightmap and lightmap vertices of every face group of the object.
void ReleaseObjectLightmaps(GeomObject* object);
