#include "render/lightmap_vertex_buffer.h"

#include <cstring>

#include "lightmap/lightmap.h"
#include "math/zeroed_array.h"
#include "scene/ase_scene.h"

namespace {

IDirect3DVertexBuffer7* MakeLightmapVertexBuffer(IDirect3D7* d3d, FaceGroup* group) {
  const uint64_t vertex_count = uint64_t{group->face_count} * 3;
  if (d3d == nullptr || group->lightmap_vertices == nullptr || vertex_count == 0 || vertex_count > 0xFFFFFFFFu) {
    return nullptr;
  }
  D3DVERTEXBUFFERDESC desc = {};
  desc.dwSize = sizeof(D3DVERTEXBUFFERDESC);
  desc.dwCaps = D3DVBCAPS_WRITEONLY;
  desc.dwFVF = LIGHTMAP_VERTEX_FVF;
  desc.dwNumVertices = static_cast<DWORD>(vertex_count);
  IDirect3DVertexBuffer7* buffer = nullptr;
  if (FAILED(d3d->CreateVertexBuffer(&desc, &buffer, 0)) || buffer == nullptr) return nullptr;
  LPVOID data = nullptr;
  DWORD size_bytes = 0;
  if (FAILED(buffer->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data, &size_bytes))) {
    buffer->Release();
    return nullptr;
  }
  const bool fits = size_bytes >= vertex_count * sizeof(LightmapVertex);
  if (fits) std::memcpy(data, group->lightmap_vertices, static_cast<size_t>(vertex_count * sizeof(LightmapVertex)));
  buffer->Unlock();
  if (!fits) {
    buffer->Release();
    return nullptr;
  }
  group->lightmap_vertex_buffer = buffer;
  // Nothing reads them again: drawn from the buffer from now on, they would only be held twice.
  DeleteArray(group->lightmap_vertices);
  return buffer;
}

}  // namespace

IDirect3DVertexBuffer7* LightmapVertexBuffer(IDirect3D7* d3d, FaceGroup* group) {
  if (group->lightmap_vertex_buffer != nullptr || group->lightmap_vertex_buffer_failed) {
    return group->lightmap_vertex_buffer;
  }
  IDirect3DVertexBuffer7* buffer = MakeLightmapVertexBuffer(d3d, group);
  group->lightmap_vertex_buffer_failed = buffer == nullptr && d3d != nullptr;
  return buffer;
}
