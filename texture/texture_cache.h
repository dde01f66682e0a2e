// The process-wide texture cache: one entry per loaded bitmap, in load order, each owning a 16-bit
// 4-4-4-4 texture surface of the current device. Names are kept as passed (at most 31 characters);
// lookups are exact and find the first entry. All failures are silent here (the image readers show
// their own messages): a failed load leaves the list as it was.
#pragma once

#include <cstdint>

#include "platform/d3d.h"

struct TextureEntry {
  uint16_t width;
  uint16_t height;
  char name[32];
  TextureEntry* next;
  IDirectDrawSurface7* surface;  // owned
};

// Appends an entry for file_name and loads it onto the device; on failure the entry is removed again.
void LoadTexture(IDirect3DDevice7* device, const char* file_name);
// The first entry whose name equals name exactly; null when none or name is null.
TextureEntry* FindTexture(const char* name);
// Destroys every entry (releasing its surface) and empties the list.
void DestroyTextureCache();
