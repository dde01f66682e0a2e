// Where a tile's texels lie in space and where its triangle's vertices address it in the texture.
#include <cstddef>

#include "lightmap/lightmap.h"

void PlaceTexels(GroupLightmap* lightmap, uint32_t tile, const Vector3 corners[4], const Vector3& normal) {
  if (lightmap == nullptr || lightmap->texels == nullptr || tile >= lightmap->tile_count) return;
  const uint32_t width = lightmap->tile_width;
  const uint32_t height = lightmap->tile_height;
  const Vector3& a = corners[0];
  const Vector3& b = corners[1];
  const Vector3& d = corners[3];
  const float width_f = static_cast<float>(width);
  const float height_f = static_cast<float>(height);
  LightmapTexel* texel = lightmap->texels + size_t{tile} * width * height;
  for (uint32_t r = 0; r < height; ++r) {
    const float row = static_cast<float>(r);
    for (uint32_t c = 0; c < width; ++c, ++texel) {
      const float column = static_cast<float>(c);
      // The 0.5 is a world-space offset added to each term (1.0 in all), kept for identical texels.
      texel->position.x = (((d.x - a.x) / width_f * column + 0.5f) + ((b.x - a.x) / height_f * row + 0.5f)) + a.x;
      texel->position.y = (((d.y - a.y) / width_f * column + 0.5f) + ((b.y - a.y) / height_f * row + 0.5f)) + a.y;
      texel->position.z = (((d.z - a.z) / width_f * column + 0.5f) + ((b.z - a.z) / height_f * row + 0.5f)) + a.z;
      texel->position.w = 0.0f;
      texel->normal = Vector4{normal.x, normal.y, normal.z, 0.0f};
    }
  }
}

void MapLightmapCoords(const GroupLightmap* lightmap, uint32_t tile, float& s, float& t) {
  if (lightmap == nullptr) return;
  // A lightmap without a texture was never sized; mapping it onto the bare stack of tiles keeps the
  // coordinates finite instead of dividing by zero.
  const float surface_width = lightmap->surface_width != 0 ? static_cast<float>(lightmap->surface_width)
                                                           : static_cast<float>(lightmap->tile_width);
  const float surface_height =
      lightmap->surface_height != 0
          ? static_cast<float>(lightmap->surface_height)
          : static_cast<float>(uint64_t{lightmap->tile_height} * lightmap->tile_count);
  if (surface_width == 0.0f || surface_height == 0.0f) return;
  const float t_scale = static_cast<float>(lightmap->tile_height) / surface_height;
  const float s_scale = static_cast<float>(lightmap->tile_width) / surface_width;
  t = (static_cast<float>(tile) + t) * t_scale;
  s = s * s_scale;
}
