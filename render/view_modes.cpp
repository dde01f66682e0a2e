#include "render/view_modes.h"

#include <cstring>

#include "lightmap/lightmap.h"
#include "scene/ase_scene.h"
#include "texture/texture_cache.h"

ViewState g_view;

namespace {

const char* const VIEW_MODE_NAMES[VIEW_MODE_COUNT] = {"normal", "lightmaps", "textures", "wireframe"};

}  // namespace

const char* ViewModeName(ViewMode mode) {
  const int index = static_cast<int>(mode);
  return index >= 0 && index < VIEW_MODE_COUNT ? VIEW_MODE_NAMES[index] : "normal";
}

bool ParseViewMode(const char* name, ViewMode* out) {
  if (name == nullptr) return false;
  for (int i = 0; i < VIEW_MODE_COUNT; ++i) {
    if (std::strcmp(name, VIEW_MODE_NAMES[i]) == 0) {
      *out = static_cast<ViewMode>(i);
      return true;
    }
  }
  return false;
}

void BeginViewMode(IDirect3DDevice7* device, ViewMode mode) {
  if (device != nullptr && mode == ViewMode::WIREFRAME) device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
}

void EndViewMode(IDirect3DDevice7* device, ViewMode mode) {
  if (device != nullptr && mode == ViewMode::WIREFRAME) device->SetRenderState(D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID);
}

void BindGroupTextures(IDirect3DDevice7* device, const FaceGroup* group, uint32_t slice, ViewMode mode) {
  IDirectDrawSurface7* texture = group->texture != nullptr ? group->texture->surface : nullptr;
  IDirectDrawSurface7* lightmap = group->lightmap != nullptr ? group->lightmap[slice].surface : nullptr;
  // Edges in the diffuse colour read best over the clear; the lightmaps alone show the relit tiles on
  // white, the textures alone show what the lightmaps darken.
  if (mode == ViewMode::LIGHTMAPS || mode == ViewMode::WIREFRAME) texture = nullptr;
  if (mode == ViewMode::TEXTURES || mode == ViewMode::WIREFRAME) lightmap = nullptr;
  device->SetTexture(0, texture);
  device->SetTexture(1, lightmap);
}
