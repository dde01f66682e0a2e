#include "render/default_material.h"

#include <cstring>
#include <new>

#include "scene/ase_scene.h"
#include "scene/renderable_build.h"
#include "texture/picture.h"
#include "texture/texture_cache.h"

namespace {

// One texture per colour in use, kept apart from the bitmap cache so that no file name can find them.
// Written by ColourTexture and ReleaseDefaultMaterialTextures only.
struct KnownColour {
  uint32_t rgb;
  TextureEntry entry;
  KnownColour* next;
};
KnownColour* g_colour_textures = nullptr;

float ClampUnit(float value) {
  if (!(value == value)) return DEFAULT_MATERIAL_GREY;
  return value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
}

uint8_t ChannelByte(float channel) { return static_cast<uint8_t>(ClampUnit(channel) * 255.0f + 0.5f); }

}  // namespace

TextureEntry* ColourTexture(IDirect3DDevice7* device, const D3DCOLORVALUE& colour) {
  const uint8_t r = ChannelByte(colour.r), g = ChannelByte(colour.g), b = ChannelByte(colour.b);
  const uint32_t rgb = static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
  for (KnownColour* known = g_colour_textures; known != nullptr; known = known->next) {
    if (known->rgb == rgb) return &known->entry;
  }
  uint8_t* picture = NewPicture(1, 1);
  if (picture == nullptr) return nullptr;
  picture[PICTURE_A] = 0xFF;
  picture[PICTURE_R] = r;
  picture[PICTURE_G] = g;
  picture[PICTURE_B] = b;
  IDirectDrawSurface7* surface = CreateTextureSurface(device, picture, 1, 1);
  KnownColour* made = surface != nullptr ? new (std::nothrow) KnownColour() : nullptr;
  if (made == nullptr) {
    if (surface != nullptr) surface->Release();
    return nullptr;
  }
  made->rgb = rgb;
  made->entry.width = 1;
  made->entry.height = 1;
  made->entry.surface = surface;
  made->next = g_colour_textures;
  g_colour_textures = made;
  return &made->entry;
}

void GiveDefaultMaterial(GeomObject* object, IDirect3DDevice7* device) {
  if (object == nullptr) return;
  if (object->face_groups == nullptr) {
    if (FaceGroup* group = CollectFaces(*object, true, 0)) AppendGroup(object, group);
  }
  FaceGroup* group = object->face_groups;
  if (group == nullptr) return;
  const Vector3 wire = object->wireframe_colour;
  const float grey = DEFAULT_MATERIAL_GREY;
  const D3DCOLORVALUE colour = object->has_wireframe_colour != 0
                                   ? D3DCOLORVALUE{ClampUnit(wire.x), ClampUnit(wire.y), ClampUnit(wire.z), 1.0f}
                                   : D3DCOLORVALUE{grey, grey, grey, 1.0f};
  std::memset(&group->group_material, 0, sizeof group->group_material);
  group->group_material.diffuse = colour;
  group->group_material.ambient = colour;
  group->texture = ColourTexture(device, colour);
}

void ReleaseDefaultMaterialTextures() {
  while (g_colour_textures != nullptr) {
    KnownColour* known = g_colour_textures;
    g_colour_textures = known->next;
    DestroyTextureEntry(&known->entry);
    delete known;
  }
}
