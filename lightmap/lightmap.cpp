// Building the lightmaps of an object: per face group its frames, its tile texture and its two-texture
// vertices, each triangle placed in its own tile, then the whole group lit into its texture.
#include "lightmap/lightmap.h"

#include <cstddef>
#include <new>

#include "lightmap/face_frame.h"
#include "math/zeroed_array.h"
#include "platform/report.h"
#include "scene/ase_scene.h"

namespace {

// The three mesh vertices of a face, or false when one of its indices lies beyond the vertex array
// (the indices come from the file).
bool FetchFaceVertices(const GeomObject* object, const VertexIndex* indices, MeshVertex out[3]) {
  if (object->vertices == nullptr) return false;
  for (int k = 0; k < 3; ++k) {
    if (indices[k] >= object->vertex_count) return false;
    out[k] = object->vertices[indices[k]];
  }
  return true;
}

void BakeTriangle(const GeomObject* object, FaceGroup* group, uint32_t i) {
  MeshVertex mesh[3];
  if (!FetchFaceVertices(object, group->face_indices + size_t{i} * 3, mesh)) return;
  // The frame is only the bake's working record: what the relight needs of it goes into the tile, so
  // a million-triangle scene does not keep 156 MB of frames it never reads again.
  FaceFrame frame = {};
  GroupLightmap* lightmap = &group->lightmap[i / LIGHTMAP_SLICE_FACES];
  const uint32_t tile = i % LIGHTMAP_SLICE_FACES;
  BuildFaceFrame(frame, mesh);
  PlaceTexels(lightmap, tile, frame.corners, frame.normal);
  for (MeshVertex& corner : frame.vertices) MapLightmapCoords(lightmap, tile, corner.u, corner.v);
  LightmapVertex* out = group->lightmap_vertices + size_t{i} * 3;
  for (int k = 0; k < 3; ++k) {
    out[k].position = frame.vertices[k].position;
    // Flat shading from the face, so that the device's own lighting, when switched on, reaches it.
    out[k].normal = frame.normal;
    out[k].tu = mesh[k].u;
    out[k].tv = mesh[k].v;
    out[k].s = frame.vertices[k].u;
    out[k].t = frame.vertices[k].v;
  }
}

// One lightmap per slice; a group of one slice lays its tiles out against its whole mesh, as it always did.
bool CreateSliceLightmaps(const GeomObject* object, FaceGroup* group, IDirect3DDevice7* device) {
  const uint32_t slices = LightmapSliceCount(group->face_count);
  group->lightmap = new (std::nothrow) GroupLightmap[slices]();
  if (group->lightmap == nullptr) return false;
  for (uint32_t k = 0; k < slices; ++k) {
    const uint32_t first = k * LIGHTMAP_SLICE_FACES;
    const uint32_t tiles = group->face_count - first < LIGHTMAP_SLICE_FACES ? group->face_count - first
                                                                            : LIGHTMAP_SLICE_FACES;
    const uint32_t mesh_tiles = slices == 1 ? object->face_count : tiles;
    if (!CreateGroupLightmap(&group->lightmap[k], device, LIGHTMAP_TILE_SIZE, LIGHTMAP_TILE_SIZE, tiles, mesh_tiles)) {
      return false;
    }
  }
  return true;
}

// All or nothing: a group whose arrays cannot all be had is left with none of them.
bool AllocateGroupLightmaps(const GeomObject* object, FaceGroup* group, IDirect3DDevice7* device) {
  if (CreateSliceLightmaps(object, group, device)) {
    group->lightmap_vertices = NewZeroedArray<LightmapVertex>(size_t{group->face_count} * 3);
    if (group->lightmap_vertices != nullptr) return true;
  }
  ReleaseFaceGroupLightmaps(group);
  return false;
}

// The device's limits, or none when it cannot tell them (the creation then decides).
D3DDEVICEDESC7 DeviceCaps(IDirect3DDevice7* device) {
  D3DDEVICEDESC7 caps = {};
  if (device == nullptr || FAILED(device->GetCaps(&caps))) caps = D3DDEVICEDESC7{};
  return caps;
}

}  // namespace

bool CreateGroupLightmap(GroupLightmap* lightmap, IDirect3DDevice7* device, uint16_t tile_width, uint16_t tile_height,
                         uint32_t tile_count, uint32_t mesh_tile_count) {
  if (lightmap == nullptr) return false;
  lightmap->tile_width = tile_width;
  lightmap->tile_height = tile_height;
  lightmap->tile_count = tile_count;
  lightmap->tile_columns = 1;
  lightmap->tiles = NewZeroedArray<LightmapTile>(tile_count);
  if (lightmap->tiles == nullptr && tile_count != 0) return false;
  if (device == nullptr) return true;
  const D3DDEVICEDESC7 caps = DeviceCaps(device);
  const LightmapLayout layout =
      ChooseLightmapLayout(caps.dpcTriCaps.dwTextureCaps, caps.dwMaxTextureWidth, caps.dwMaxTextureHeight, tile_width,
                           tile_height, tile_count, mesh_tile_count);
  if (layout.tile_columns == 0) return true;
  lightmap->tile_columns = layout.tile_columns;
  lightmap->surface = CreateLightmapSurface(lightmap, device, layout.width, layout.height);
  return true;
}

void BuildObjectLightmaps(GeomObject* object, IDirect3DDevice7* device, const Vector4& light) {
  if (object == nullptr) return;
  // One box per kind of failure for the whole object, not one per triangle or group.
  ReportOncePerKind once;
  for (FaceGroup* group = object->face_groups; group != nullptr && group->lightmap == nullptr; group = group->next) {
    // Whatever a group holds without lightmaps is a leftover; rebuilding over it would leak it.
    ReleaseFaceGroupLightmaps(group);
    if (group->face_count == 0 || group->face_indices == nullptr) continue;
    if (!AllocateGroupLightmaps(object, group, device)) continue;
    const uint32_t slices = LightmapSliceCount(group->face_count);
    for (uint32_t k = 0; k < slices; ++k) {
      if (device != nullptr && group->lightmap[k].surface == nullptr) ShowReport("Cannot Create Lightmap");
    }
    for (uint32_t i = 0; i < group->face_count; ++i) BakeTriangle(object, group, i);
    for (uint32_t k = 0; k < slices; ++k) RelightGroup(&group->lightmap[k], light);
  }
}
