// The lightmap textures: their layout of tiles under the device's limits, creation through the device's
// DirectDraw object in the 5-6-5 format, and the lock that hands out their memory.
#include <algorithm>
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

  // The sizes are kept in 16 bits; refuse a larger one here rather than store a wrapped size that
  // would address the wrong rows.
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

namespace {

struct TextureLimits {
  DWORD caps;
  uint64_t width, height;
  bool Fit(uint32_t* width_io, uint32_t* height_io) const {
    FitLightmapSurfaceSize(caps, width_io, height_io);
    return *width_io != 0 && *height_io != 0 && *width_io <= width && *height_io <= height;
  }
};

// The texture a group always had: one column as high as its mesh's tiles, halved while its own tiles
// and a blank row still fit. Halving only scales every texture coordinate by a power of two, so the
// sampler lands on the same texels to the last bit and the picture stays as it was.
bool FitOneColumn(const TextureLimits& limits, uint32_t tile_width, uint32_t tile_height, uint32_t tile_count,
                  uint32_t mesh_tile_count, LightmapLayout* layout) {
  const uint64_t mesh_height = uint64_t{tile_height} * mesh_tile_count;
  if (mesh_tile_count < tile_count || mesh_height > limits.height) return false;
  uint32_t width = tile_width, height = static_cast<uint32_t>(mesh_height);
  if (!limits.Fit(&width, &height)) return false;
  const uint64_t needed = uint64_t{tile_height} * tile_count + (tile_count < mesh_tile_count ? 1 : 0);
  const bool square = (limits.caps & D3DPTEXTURECAPS_SQUAREONLY) != 0;
  while (height % 2 == 0 && height / 2 >= needed && (!square || height / 2 >= tile_width)) {
    height /= 2;
    if (square) width = height;
  }
  *layout = LightmapLayout{1, width, height};
  return true;
}

}  // namespace

LightmapLayout ChooseLightmapLayout(DWORD texture_caps, DWORD max_width, DWORD max_height, uint32_t tile_width,
                                    uint32_t tile_height, uint32_t tile_count, uint32_t mesh_tile_count) {
  LightmapLayout layout;
  if (tile_width == 0 || tile_height == 0 || tile_count == 0) return layout;
  const TextureLimits limits = {
      texture_caps, max_width != 0 && max_width < LARGEST_SURFACE_SIDE ? max_width : LARGEST_SURFACE_SIDE,
      max_height != 0 && max_height < LARGEST_SURFACE_SIDE ? max_height : LARGEST_SURFACE_SIDE};
  if (FitOneColumn(limits, tile_width, tile_height, tile_count, mesh_tile_count, &layout)) return layout;
  // Past tile_count columns every tile row is one row, so more columns cannot help.
  for (uint64_t columns = 1; columns <= tile_count && columns * tile_width <= limits.width; ++columns) {
    const uint64_t height = (tile_count + columns - 1) / columns * tile_height;
    if (height > limits.height) continue;
    uint32_t width = static_cast<uint32_t>(columns * tile_width), fitted_height = static_cast<uint32_t>(height);
    if (limits.Fit(&width, &fitted_height)) return LightmapLayout{static_cast<uint32_t>(columns), width, fitted_height};
  }
  return layout;
}

LockedTiles DescribeLockedTiles(const GroupLightmap& lightmap, const DDSURFACEDESC2& desc) {
  LockedTiles tiles;
  const uint32_t columns = lightmap.tile_columns != 0 ? lightmap.tile_columns : 1;
  const uint64_t row_width = uint64_t{lightmap.tile_width} * columns;
  const uint32_t height = lightmap.tile_height;
  if (lightmap.tiles == nullptr || row_width == 0 || height == 0) return tiles;
  // The lock's sizes are the stand-in's word, not ours: only rows and columns inside them are written.
  const bool usable = desc.lpSurface != nullptr && (reinterpret_cast<uintptr_t>(desc.lpSurface) & 1) == 0 &&
                      desc.lPitch > 0 && (desc.lPitch & 1) == 0 && row_width <= desc.dwWidth &&
                      row_width * 2 <= static_cast<uint64_t>(desc.lPitch);
  if (!usable) return tiles;
  const uint64_t writable = uint64_t{desc.dwHeight / height} * columns;
  tiles.first_row = static_cast<uint8_t*>(desc.lpSurface);
  tiles.pitch_bytes = static_cast<size_t>(desc.lPitch);
  tiles.tile_columns = columns;
  tiles.tile_limit = writable < lightmap.tile_count ? static_cast<uint32_t>(writable) : lightmap.tile_count;
  return tiles;
}

bool LockLightmapSurface(GroupLightmap* lightmap, uint32_t tiles, LockedTiles* out) {
  *out = LockedTiles();
  if (lightmap == nullptr || lightmap->surface == nullptr || lightmap->tiles == nullptr) return false;
  const uint32_t columns = lightmap->tile_columns != 0 ? lightmap->tile_columns : 1;
  const uint64_t wanted = std::min(tiles, lightmap->tile_count);
  const uint64_t rows = (wanted + columns - 1) / columns * lightmap->tile_height;
  if (rows == 0) return false;
  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  RECT relit_rows = {0, 0, static_cast<LONG>(lightmap->surface_width), static_cast<LONG>(rows)};
  const bool part = rows < lightmap->surface_height && lightmap->surface_width != 0;
  // A failed lock leaves nothing to write into and nothing to unlock; the texture keeps its old pixels.
  if (FAILED(lightmap->surface->Lock(part ? &relit_rows : nullptr, &desc, DDLOCK_WAIT, nullptr))) return false;
  // The memory past the locked rows is not ours to write.
  if (part && desc.dwHeight > rows) desc.dwHeight = static_cast<DWORD>(rows);
  *out = DescribeLockedTiles(*lightmap, desc);
  return true;
}

void UnlockLightmapSurface(GroupLightmap* lightmap) { lightmap->surface->Unlock(nullptr); }
