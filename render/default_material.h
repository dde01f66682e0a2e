// The material of objects that name none: exports without a material table, or with an index beyond
// it, would otherwise draw nothing. Such an object gets one face group of all its faces, drawn with a
// neutral material of its "*WIREFRAME_COLOR" (mid grey without one) carried by a one-texel texture.
// Face groups whose material names no bitmap are carried the same way in that material's diffuse colour.
// The textures belong to the current device and go with it; colours outside 0..1 (or NaN) are clamped.
#pragma once

#include "platform/d3d.h"

struct GeomObject;
struct TextureEntry;

constexpr float DEFAULT_MATERIAL_GREY = 0.5f;

// Gives the object its default face group (made once, on the first call) the default material and its
// texture; an object without faces that name existing vertices gets no group.
void GiveDefaultMaterial(GeomObject* object, IDirect3DDevice7* device);
// The one-texel texture of the colour (one per colour in use, shared); null when it cannot be made.
TextureEntry* ColourTexture(IDirect3DDevice7* device, const D3DCOLORVALUE& colour);
// Releases every default texture; groups that pointed at them are given new ones by the next call.
void ReleaseDefaultMaterialTextures();
