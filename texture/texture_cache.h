// The process-wide texture cache: one entry per bitmap name loaded, in load order, each holding a 16-bit
// 4-4-4-4 texture surface of the current device. Each file is read and uploaded once: a name loaded
// again adds nothing, and another name for a file already loaded (another spelling of its path) gets an
// entry sharing that file's surface; a name or file that failed is not tried again until the cache is
// emptied. Names are kept as passed, up to the length of a material's bitmap name; lookups are exact.
// All failures are silent here (the image readers show their own messages): a failed load leaves the
// list as it was, and a name too long for the entry is refused rather than cut, so no entry ever stands
// for a different name.
#pragma once

#include <cstdint>
#include <string>

#include "platform/d3d.h"

// As long as a material's bitmap name field: scene bitmap names are usually whole Windows paths, far
// longer than a short file name.
constexpr int TEXTURE_NAME_SIZE = 256;

struct TextureEntry {
  uint16_t width;
  uint16_t height;
  // The sides the file claims, when its picture was not read and one pixel stands in for it; 0 otherwise.
  uint16_t claimed_width;
  uint16_t claimed_height;
  char name[TEXTURE_NAME_SIZE];
  TextureEntry* next;
  IDirectDrawSurface7* surface;  // one reference owned; entries of the same file share the surface
  std::string source;  // the file read, as one canonical path; empty when unknown
};

// Head of the list, null when empty. Written only by LoadTexture and DestroyTextureCache.
extern TextureEntry* g_texture_cache;

// Appends an entry for file_name and loads it onto the device, unless an entry of that name exists; an
// entry of the same file lends its surface instead of a second read. On failure the entry is removed.
void LoadTexture(IDirect3DDevice7* device, const char* file_name);
// The first entry whose name equals name exactly; null when none or name is null.
TextureEntry* FindTexture(const char* name);
// Destroys every entry (releasing its surface), empties the list and forgets the failed loads.
void DestroyTextureCache();

// Fills one entry from the file: fails when the entry already has a surface, there is no device, the
// name does not fit, no reader matches its extension, the reader fails or the surface cannot be made.
// A picture that was not read fails too where the device could not hold a texture of its claimed size,
// so that it draws as a picture of that size would.
bool LoadTextureFile(TextureEntry* entry, IDirect3DDevice7* device, const char* file_name);
// A texture surface holding the picture (A, B, G, R bytes, width x height) in the first 4-4-4-4 format
// with a 0xF000 alpha mask that the device offers, sized up to powers of two or a square when the
// device requires it; only the picture's corner is written. Takes ownership of picture, which is freed
// whatever happens. Null on any failure.
IDirectDrawSurface7* CreateTextureSurface(IDirect3DDevice7* device, uint8_t* picture, uint16_t width, uint16_t height);
// Releases the entry's reference to its surface, if any, and clears its name.
void DestroyTextureEntry(TextureEntry* entry);
