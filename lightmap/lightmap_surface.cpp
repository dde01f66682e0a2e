// The lightmap textures: creation through the device's DirectDraw object in the 5-6-5 format, the
// lock that hands out their memory, and the upload of one lit tile as 16-bit pixels.
#include <cstdint>
#include <cstring>

#include "lightmap/lightmap.h"
#include "lightmap/lightmap_texture.h"

namespace {

constexpr DWORD LIGHTMAP_SURFACE_FLAGS = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT | DDSD_TEXTURESTAGE;
static_assert(LIGHTMAP_SURFACE_FLAGS == 0x00101007, "the lightmap surface descriptor flags");
constexpr DWORD NOT_RGB_FORMATS = DDPF_LUMINANCE | DDPF_BUMPLUMINANCE | DDPF_BUMPDUDV;
// The sizes are kept in 16-bit fields.
constexpr uint32_t LARGEST_SURFACE_SIDE = UINT16_MAX;

uint32_t RoundUpToPowerOfTwo(uint32_t value) {
  // Doubling past 2^31 would wrap to 0 and never stop.
  if (value > (uint32_t{1} << 31)) return 0;
  uint32_t power = 1;
  while (power < value) power <<= 1;
  return power;
}

}  // namespace

HRESULT FindRgb565Format(DDPIXELFORMAT* format, LPVOID destination) {
  if (format == nullptr || destination == nullptr) return D3DENUMRET_OK;
  if ((format->dwFlags & NOT_RGB_FORMATS) != 0) return D3DENUMRET_OK;
  if ((format->dwFlags & DDPF_FOURCC) != 0 || format->dwFourCC != 0) return D3DENUMRET_OK;
  if ((format->dwFlags & DDPF_ALPHAPIXELS) != 0) return D3DENUMRET_OK;
  if (format->dwRGBBitCount != 16 || format->dwRBitMask != 0xF800) return D3DENUMRET_OK;
  std::memcpy(destination, format, sizeof(DDPIXELFORMAT));
  return D3DENUMRET_CANCEL;
}

IDirectDrawSurface7* CreateLightmapSurface(GroupLightmap* lightmap, IDirect3DDevice7* device, uint32_t width,
                                           uint32_t height) {
  if (lightmap == nullptr || device == nullptr) return nullptr;
  D3DDEVICEDESC7 caps = {};
  if (FAILED(device->GetCaps(&caps))) return nullptr;

  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  desc.dwFlags = LIGHTMAP_SURFACE_FLAGS;
  desc.dwTextureStage = 0;
  desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
  if (IsEqualGUID(caps.deviceGUID, IID_IDirect3DHALDevice) || IsEqualGUID(caps.deviceGUID, IID_IDirect3DTnLHalDevice)) {
    desc.ddsCaps.dwCaps2 |= DDSCAPS2_TEXTUREMANAGE;
  } else {
    desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
  }

  // A stack of many tiles outgrows the 16-bit sizes long before any device's largest texture; refuse it
  // here rather than store a wrapped size that would address the wrong rows.
  if (width > LARGEST_SURFACE_SIDE || height > LARGEST_SURFACE_SIDE) return nullptr;
  FitLightmapSurfaceSize(caps.dpcTriCaps.dwTextureCaps, &width, &height);
  if (width > LARGEST_SURFACE_SIDE || height > LARGEST_SURFACE_SIDE) return nullptr;
  desc.dwWidth = width;
  desc.dwHeight = height;
  lightmap->surface_width = static_cast<uint16_t>(width);
  lightmap->surface_height = static_cast<uint16_t>(height);
  // The creation would fail on such a device anyway; the caps say so without asking.
  if ((caps.dwMaxTextureWidth != 0 && width > caps.dwMaxTextureWidth) ||
      (caps.dwMaxTextureHeight != 0 && height > caps.dwMaxTextureHeight)) {
    return nullptr;
  }

  device->EnumTextureFormats(FindRgb565Format, &desc.ddpfPixelFormat);
  if (desc.ddpfPixelFormat.dwRGBBitCount == 0) return nullptr;

  IDirectDrawSurface7* target = nullptr;
  if (FAILED(device->GetRenderTarget(&target)) || target == nullptr) return nullptr;
  IDirectDraw7* ddraw = nullptr;
  const HRESULT interface_result = target->GetDDInterface(reinterpret_cast<LPVOID*>(&ddraw));
  target->Release();
  if (FAILED(interface_result) || ddraw == nullptr) return nullptr;
  IDirectDrawSurface7* surface = nullptr;
  const HRESULT created = ddraw->CreateSurface(&desc, &surface, nullptr);
  ddraw->Release();
  if (FAILED(created)) return nullptr;
  return surface;
}

void FitLightmapSurfaceSize(DWORD texture_caps, uint32_t* width, uint32_t* height) {
  if ((texture_caps & D3DPTEXTURECAPS_POW2) != 0) {
    *width = RoundUpToPowerOfTwo(*width);
    *height = RoundUpToPowerOfTwo(*height);
  }
  if ((texture_caps & D3DPTEXTURECAPS_SQUAREONLY) != 0) *width = *height = *width > *height ? *width : *height;
}

LockedTiles DescribeLockedTiles(const GroupLightmap& lightmap, const DDSURFACEDESC2& desc) {
  LockedTiles tiles;
  const uint32_t width = lightmap.tile_width;
  const uint32_t height = lightmap.tile_height;
  if (lightmap.texels == nullptr || width == 0 || height == 0) return tiles;
  // The lock's sizes are the stand-in's word, not ours: only rows and columns inside them are written.
  const bool usable = desc.lpSurface != nullptr && (reinterpret_cast<uintptr_t>(desc.lpSurface) & 1) == 0 &&
                      desc.lPitch > 0 && (desc.lPitch & 1) == 0 && width <= desc.dwWidth &&
                      uint64_t{width} * 2 <= static_cast<uint64_t>(desc.lPitch);
  if (!usable) return tiles;
  const uint32_t rows_of_tiles = desc.dwHeight / height;
  tiles.first_row = static_cast<uint8_t*>(desc.lpSurface);
  tiles.pitch_bytes = static_cast<size_t>(desc.lPitch);
  tiles.tile_limit = rows_of_tiles < lightmap.tile_count ? rows_of_tiles : lightmap.tile_count;
  return tiles;
}

bool LockLightmapSurface(GroupLightmap* lightmap, LockedTiles* tiles) {
  *tiles = LockedTiles();
  if (lightmap == nullptr || lightmap->surface == nullptr || lightmap->texels == nullptr) return false;
  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  // A failed lock leaves nothing to write into and nothing to unlock; the texture keeps its old pixels.
  if (FAILED(lightmap->surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return false;
  *tiles = DescribeLockedTiles(*lightmap, desc);
  return true;
}

void UnlockLightmapSurface(GroupLightmap* lightmap) { lightmap->surface->Unlock(nullptr); }

void UploadTile(GroupLightmap* lightmap, uint32_t tile) {
  LockedTiles tiles;
  if (!LockLightmapSurface(lightmap, &tiles)) return;
  WriteTileRgb565(*lightmap, tiles, tile);
  UnlockLightmapSurface(lightmap);
}
