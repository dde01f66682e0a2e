// Where a tile's texels lie in space and where its triangle's vertices address it in the texture.
#include "lightmap/lightmap.h"

namespace {

Vector3 Step(const Vector3& from, const Vector3& to, float texels) {
  return Vector3{(to.x - from.x) / texels, (to.y - from.y) / texels, (to.z - from.z) / texels};
}

}  // namespace

void PlaceTexels(GroupLightmap* lightmap, uint32_t tile, const Vector3 corners[4], const Vector3& normal) {
  if (lightmap == nullptr || lightmap->tiles == nullptr || tile >= lightmap->tile_count) return;
  LightmapTile& terms = lightmap->tiles[tile];
  terms.origin = corners[0];
  terms.column_step = Step(corners[0], corners[3], static_cast<float>(lightmap->tile_width));
  terms.row_step = Step(corners[0], corners[1], static_cast<float>(lightmap->tile_height));
  terms.normal = normal;
}

void MapLightmapCoords(const GroupLightmap* lightmap, uint32_t tile, float& s, float& t) {
  if (lightmap == nullptr) return;
  const uint32_t columns = lightmap->tile_columns != 0 ? lightmap->tile_columns : 1;
  const uint32_t tile_row = tile / columns;
  const uint32_t tile_column = tile % columns;
  // A lightmap without a texture was never sized; mapping it onto the bare tiles keeps the coordinates
  // finite instead of dividing by zero.
  const uint64_t tile_rows = (uint64_t{lightmap->tile_count} + columns - 1) / columns;
  const float surface_width = lightmap->surface_width != 0
                                  ? static_cast<float>(lightmap->surface_width)
                                  : static_cast<float>(uint64_t{lightmap->tile_width} * columns);
  const float surface_height = lightmap->surface_height != 0
                                   ? static_cast<float>(lightmap->surface_height)
                                   : static_cast<float>(uint64_t{lightmap->tile_height} * tile_rows);
  if (surface_width == 0.0f || surface_height == 0.0f) return;
  const float t_scale = static_cast<float>(lightmap->tile_height) / surface_height;
  const float s_scale = static_cast<float>(lightmap->tile_width) / surface_width;
  t = (static_cast<float>(tile_row) + t) * t_scale;
  // A tile in the first column keeps its s exactly as a one-column texture maps it.
  s = tile_column == 0 ? s * s_scale : (static_cast<float>(tile_column) + s) * s_scale;
}
