// The lighting loops of the lightmap baker, written once over the texel routine: the scalar routine
// (the reference that the SIMD kernel is checked against) and the tile, group and scene loops that each
// program instantiates with its own routine so that it is inlined per texel. A tile index at or beyond
// the lightmap's tile count is neither lit nor written.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "lightmap/lightmap.h"
#include "lightmap/lightmap_texture.h"
#include "math/math3d.h"
#include "math/simd_lib/light_texel.h"
#include "scene/ase_scene.h"

// The colour the baker lights with: white, alpha left to the routine.
constexpr uint32_t LIGHTMAP_WHITE = 0x00FFFFFF;

using TexelRoutine = uint32_t (*)(const Vector4*, const Vector4*, const Vector4*, uint32_t);

// Truncation toward zero as the processor does it: a product out of the int range gives 0x80000000
// instead of undefined behaviour, and its low byte is then 0.
inline uint32_t TruncateToChannel(float value) {
  return static_cast<uint32_t>(_mm_cvttss_si32(_mm_set_ss(value))) & 0xFF;
}

inline uint32_t LightTexelScalar(const Vector4* texel_position, const Vector4* light_position, const Vector4* normal,
                                 uint32_t colour) {
  const Vector4 d = light_position->SubtractVector4(texel_position);
  // The square root instruction itself: the library call would be kept for errno on a NaN sum.
  const float length = _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(d.x * d.x + d.y * d.y + d.z * d.z)));
  const float ux = d.x / length;
  const float uy = d.y / length;
  const float uz = d.z / length;
  const float k = ux * normal->x + uy * normal->y + uz * normal->z;
  if (!(k >= 0.0f)) return 0;
  const uint32_t c2 = TruncateToChannel(k * static_cast<float>((colour >> 16) & 0xFF));
  const uint32_t c1 = TruncateToChannel(k * static_cast<float>((colour >> 8) & 0xFF));
  const uint32_t c0 = TruncateToChannel(k * static_cast<float>(colour & 0xFF));
  return 0xFF000000u | c2 << 16 | c1 << 8 | c0;
}

template <TexelRoutine Routine>
inline void LightTileWith(GroupLightmap* lightmap, const Vector4& light, uint32_t tile) {
  if (lightmap == nullptr || lightmap->texels == nullptr || tile >= lightmap->tile_count) return;
  // A tile's texels are contiguous and in row order, so one flat loop walks its rows and columns.
  const uint32_t tile_texels = uint32_t{lightmap->tile_width} * lightmap->tile_height;
  LightmapTexel* texel = lightmap->texels + size_t{tile} * tile_texels;
  LightmapTexel* const end = texel + tile_texels;
  if constexpr (Routine == &LightTexelSimd) {
    for (; end - texel >= 4; texel += 4) LightFourTexelsSimd(texel, light, LIGHTMAP_WHITE);
  }
  for (; texel != end; ++texel) {
    texel->colour = Routine(&texel->position, &light, &texel->normal, LIGHTMAP_WHITE);
  }
}

// Lights the group's first tiles and writes each into the locked texture while its texels are still in
// cache; with no lock held, memory has no tile to write and the tiles are only lit.
template <TexelRoutine Routine>
inline void RelightGroupWith(GroupLightmap* lightmap, const Vector4& light, uint32_t tiles,
                             const LockedTiles& memory) {
  for (uint32_t i = 0; i < tiles; ++i) {
    LightTileWith<Routine>(lightmap, light, i);
    WriteTileRgb565(*lightmap, memory, i);
  }
}

template <TexelRoutine Routine>
inline void RelightSceneWith(AseScene* scene, const Vector4& light) {
  if (scene == nullptr) return;
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    for (FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
      GroupLightmap* lightmap = group->lightmap;
      if (lightmap == nullptr) continue;
      const uint32_t tiles = group->face_count < lightmap->tile_count ? group->face_count : lightmap->tile_count;
      // One lock per texture and relight, not one per tile: the surface is only read when next drawn.
      LockedTiles memory;
      const bool locked = LockLightmapSurface(lightmap, &memory);
      RelightGroupWith<Routine>(lightmap, light, tiles, memory);
      if (locked) UnlockLightmapSurface(lightmap);
    }
  }
}
