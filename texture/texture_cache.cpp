#include "texture/texture_cache.h"

#include <cstring>
#include <filesystem>
#include <new>
#include <unordered_set>

#include "texture/picture.h"
#include "texture/resolve_path.h"

TextureEntry* g_texture_cache = nullptr;

namespace {

// Names and files whose load failed on the current device, so that sixty-four materials naming one bad
// file read it once and show its reader's box once. Written by LoadTexture and DestroyTextureCache.
std::unordered_set<std::string> g_failed_loads;

constexpr DWORD ALPHA_MASK_4444 = 0xF000;

struct FormatSearch {
  DDPIXELFORMAT format;
  bool found;
};

HRESULT TakeFirstFourBitAlphaFormat(DDPIXELFORMAT* format, LPVOID context) {
  FormatSearch* search = static_cast<FormatSearch*>(context);
  if (format == nullptr || search == nullptr || format->dwRGBAlphaBitMask != ALPHA_MASK_4444) return D3DENUMRET_OK;
  search->format = *format;
  search->found = true;
  return D3DENUMRET_CANCEL;
}

DWORD RoundUpToPowerOfTwo(DWORD value) {
  DWORD power = 1;
  while (power < value) power <<= 1;
  return power;
}

// The texture size the device gets for a picture: each side up to a power of two, then both to the
// larger, as its texture caps demand.
void FitTextureSize(DWORD texture_caps, DWORD* width, DWORD* height) {
  if (texture_caps & D3DPTEXTURECAPS_POW2) {
    *width = RoundUpToPowerOfTwo(*width);
    *height = RoundUpToPowerOfTwo(*height);
  }
  if (texture_caps & D3DPTEXTURECAPS_SQUAREONLY) *width = *height = *width > *height ? *width : *height;
}

uint16_t PackTexel4444(const uint8_t* pixel) {
  return static_cast<uint16_t>((pixel[PICTURE_A] / 16) << 12 | (pixel[PICTURE_R] / 16) << 8 |
                               (pixel[PICTURE_G] / 16) << 4 | (pixel[PICTURE_B] / 16));
}

// The DirectDraw object that made the device's render target, which is the one that must create its
// textures. Null on failure.
IDirectDraw7* DirectDrawOfDevice(IDirect3DDevice7* device) {
  IDirectDrawSurface7* target = nullptr;
  if (FAILED(device->GetRenderTarget(&target)) || target == nullptr) return nullptr;
  IDirectDraw7* ddraw = nullptr;
  const HRESULT result = target->GetDDInterface(reinterpret_cast<LPVOID*>(&ddraw));
  target->Release();
  return SUCCEEDED(result) ? ddraw : nullptr;
}

IDirectDrawSurface7* CreateSurfaceFor(IDirect3DDevice7* device, DWORD width, DWORD height) {
  D3DDEVICEDESC7 caps = {};
  if (FAILED(device->GetCaps(&caps))) return nullptr;

  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
  desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
  desc.dwWidth = width;
  desc.dwHeight = height;
  desc.dwTextureStage = 0;
  if (IsEqualGUID(caps.deviceGUID, IID_IDirect3DHALDevice) || IsEqualGUID(caps.deviceGUID, IID_IDirect3DTnLHalDevice)) {
    desc.ddsCaps.dwCaps2 = DDSCAPS2_TEXTUREMANAGE;
  } else {
    desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
  }
  FitTextureSize(caps.dpcTriCaps.dwTextureCaps, &desc.dwWidth, &desc.dwHeight);

  FormatSearch search = {};
  device->EnumTextureFormats(TakeFirstFourBitAlphaFormat, &search);
  if (!search.found) return nullptr;
  desc.ddpfPixelFormat = search.format;

  IDirectDraw7* ddraw = DirectDrawOfDevice(device);
  if (ddraw == nullptr) return nullptr;
  IDirectDrawSurface7* surface = nullptr;
  const HRESULT result = ddraw->CreateSurface(&desc, &surface, nullptr);
  ddraw->Release();
  return SUCCEEDED(result) ? surface : nullptr;
}

// The lock must hand out room for the whole picture; a smaller surface than asked for is treated as a
// failure instead of being written past.
bool WritePicture(IDirectDrawSurface7* surface, const uint8_t* picture, DWORD width, DWORD height) {
  DDSURFACEDESC2 locked = {};
  locked.dwSize = DDSURFACEDESC2_SIZE;
  if (FAILED(surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr))) return false;
  uint8_t* texels = static_cast<uint8_t*>(locked.lpSurface);
  if (texels == nullptr || locked.lPitch < static_cast<LONG>(2 * width) || locked.dwWidth < width ||
      locked.dwHeight < height) {
    surface->Unlock(nullptr);
    return false;
  }
  const size_t pitch_bytes = static_cast<size_t>(locked.lPitch);
  for (DWORD y = 0; y < height; ++y) {
    uint8_t* row = texels + y * pitch_bytes;
    const uint8_t* pixel = picture + size_t{y} * width * PICTURE_BYTES_PER_PIXEL;
    for (DWORD x = 0; x < width; ++x, pixel += PICTURE_BYTES_PER_PIXEL) {
      const uint16_t texel = PackTexel4444(pixel);
      std::memcpy(row + 2 * x, &texel, sizeof(texel));
    }
  }
  surface->Unlock(nullptr);
  return true;
}

// Whether CreateSurfaceFor would be given a size the device takes, for a picture of these sides.
bool DeviceHoldsTexture(IDirect3DDevice7* device, DWORD width, DWORD height) {
  D3DDEVICEDESC7 caps = {};
  if (FAILED(device->GetCaps(&caps))) return false;
  FitTextureSize(caps.dpcTriCaps.dwTextureCaps, &width, &height);
  return (caps.dwMaxTextureWidth == 0 || width <= caps.dwMaxTextureWidth) &&
         (caps.dwMaxTextureHeight == 0 || height <= caps.dwMaxTextureHeight);
}

// The file that a bitmap name finds, as one path whatever the spelling: "C:\\maps\\wall.tga",
// "wall.tga" and "./wall.tga" may all name it. Empty when no file is found.
std::string SourceOfName(const char* file_name) {
  const std::string resolved = ResolveScenePath(file_name);
  if (resolved.empty()) return resolved;
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(resolved, error);
  return error ? resolved : canonical.string();
}

TextureEntry* FindTextureOfSource(const std::string& source) {
  if (source.empty()) return nullptr;
  for (TextureEntry* entry = g_texture_cache; entry != nullptr; entry = entry->next) {
    if (entry->surface != nullptr && entry->source == source) return entry;
  }
  return nullptr;
}

// The new entry takes a reference to the loaded one's surface, so either can be destroyed first.
bool ShareTexture(TextureEntry* entry, const TextureEntry& loaded, const char* file_name) {
  const size_t name_length = std::strlen(file_name);
  if (name_length >= sizeof(entry->name)) return false;
  loaded.surface->AddRef();
  entry->surface = loaded.surface;
  entry->width = loaded.width;
  entry->height = loaded.height;
  entry->source = loaded.source;
  std::memset(entry->name, 0, sizeof(entry->name));
  std::memcpy(entry->name, file_name, name_length);
  return true;
}

}  // namespace

IDirectDrawSurface7* CreateTextureSurface(IDirect3DDevice7* device, uint8_t* picture, uint16_t width, uint16_t height) {
  IDirectDrawSurface7* surface = nullptr;
  if (device != nullptr && picture != nullptr && width != 0 && height != 0) {
    surface = CreateSurfaceFor(device, width, height);
    if (surface != nullptr && !WritePicture(surface, picture, width, height)) {
      surface->Release();
      surface = nullptr;
    }
  }
  FreePicture(picture);
  return surface;
}

bool LoadTextureFile(TextureEntry* entry, IDirect3DDevice7* device, const char* file_name) {
  if (entry == nullptr || entry->surface != nullptr || device == nullptr || file_name == nullptr) return false;
  const size_t name_length = std::strlen(file_name);
  if (name_length >= sizeof(entry->name)) return false;
  uint8_t* picture = nullptr;
  if (!LoadPicture(*entry, file_name, picture)) return false;
  if (entry->claimed_width != 0 && !DeviceHoldsTexture(device, entry->claimed_width, entry->claimed_height)) {
    FreePicture(picture);
    return false;
  }
  IDirectDrawSurface7* surface = CreateTextureSurface(device, picture, entry->width, entry->height);
  if (surface == nullptr) return false;
  entry->surface = surface;
  std::memset(entry->name, 0, sizeof(entry->name));
  std::memcpy(entry->name, file_name, name_length);
  return true;
}

void DestroyTextureEntry(TextureEntry* entry) {
  if (entry == nullptr) return;
  if (entry->surface != nullptr) entry->surface->Release();
  entry->surface = nullptr;
  std::memset(entry->name, 0, sizeof(entry->name));
  entry->source.clear();
}

void LoadTexture(IDirect3DDevice7* device, const char* file_name) {
  // Sixty-four sub-materials naming one 12 MB bitmap would otherwise hold sixty-four copies of it, and
  // sixty-four naming a broken one would read it and show its reader's box sixty-four times.
  if (file_name == nullptr || FindTexture(file_name) != nullptr || g_failed_loads.count(file_name) != 0) return;
  const std::string source = SourceOfName(file_name);
  if (!source.empty() && g_failed_loads.count(source) != 0) return;
  TextureEntry* entry = new (std::nothrow) TextureEntry();
  if (entry == nullptr) return;
  TextureEntry** link = &g_texture_cache;
  while (*link != nullptr) link = &(*link)->next;
  *link = entry;
  const TextureEntry* loaded = FindTextureOfSource(source);
  if (loaded != nullptr ? ShareTexture(entry, *loaded, file_name) : LoadTextureFile(entry, device, file_name)) {
    entry->source = source;
    return;
  }
  *link = nullptr;
  DestroyTextureEntry(entry);
  delete entry;
  g_failed_loads.insert(file_name);
  if (!source.empty()) g_failed_loads.insert(source);
}

TextureEntry* FindTexture(const char* name) {
  if (name == nullptr) return nullptr;
  for (TextureEntry* entry = g_texture_cache; entry != nullptr; entry = entry->next) {
    if (std::strcmp(entry->name, name) == 0) return entry;
  }
  return nullptr;
}

void DestroyTextureCache() {
  g_failed_loads.clear();
  TextureEntry* entry = g_texture_cache;
  g_texture_cache = nullptr;
  while (entry != nullptr) {
    TextureEntry* next = entry->next;
    DestroyTextureEntry(entry);
    delete entry;
    entry = next;
  }
}
