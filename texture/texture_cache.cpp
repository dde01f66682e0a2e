// Placeholder until the texture cache lands.
#include "texture/texture_cache.h"

void LoadTexture(IDirect3DDevice7*, const char*) {}

TextureEntry* FindTexture(const char*) { return nullptr; }

void DestroyTextureCache() {}
