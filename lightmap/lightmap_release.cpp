#include "lightmap/face_frame.h"
#include "lightmap/lightmap.h"
#include "math/zeroed_array.h"
#include "scene/ase_scene.h"

void ReleaseGroupLightmap(GroupLightmap* lightmap) {
  if (lightmap == nullptr) return;
  DeleteArray(lightmap->tiles);
  if (lightmap->surface != nullptr) lightmap->surface->Release();
  lightmap->surface = nullptr;
}

void ReleaseFaceGroupLightmaps(FaceGroup* group) {
  if (group == nullptr) return;
  if (group->lightmap != nullptr) {
    for (uint32_t k = 0; k < LightmapSliceCount(group->face_count); ++k) ReleaseGroupLightmap(&group->lightmap[k]);
    delete[] group->lightmap;
    group->lightmap = nullptr;
  }
  DeleteArray(group->lightmap_vertices);
  if (group->lightmap_vertex_buffer != nullptr) group->lightmap_vertex_buffer->Release();
  group->lightmap_vertex_buffer = nullptr;
  group->lightmap_vertex_buffer_failed = false;
}

void ReleaseObjectLightmaps(GeomObject* object) {
  if (object == nullptr) return;
  for (FaceGroup* group = object->face_groups; group != nullptr; group = group->next) ReleaseFaceGroupLightmaps(group);
}
