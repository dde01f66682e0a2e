// The Renderer's device life: creation from the picker's choice or for an explicit full-screen mode,
// the state every new device starts from, and the release of every interface. A creation that fails
// shows its one "Report" box and releases what it had made, so later calls find null interfaces.
#include "render/renderer.h"

#include <cstring>

#include "platform/report.h"
#include "render/default_material.h"
#include "scene/ase_scene.h"
#include "texture/texture_cache.h"

Renderer* g_renderer = nullptr;
AseScene* g_scene = nullptr;

namespace {

template <typename Interface>
void ReleaseInterface(Interface*& pointer) {
  if (pointer != nullptr) pointer->Release();
  pointer = nullptr;
}

bool IsHalDevice(const GUID& device) {
  return IsEqualGUID(device, IID_IDirect3DHALDevice) || IsEqualGUID(device, IID_IDirect3DTnLHalDevice);
}

DDSURFACEDESC2 EmptySurfaceDesc() {
  DDSURFACEDESC2 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwSize = DDSURFACEDESC2_SIZE;
  return desc;
}

}  // namespace

HRESULT FindZBufferFormat(DDPIXELFORMAT* format, LPVOID context) {
  if (format == nullptr || context == nullptr) return D3DENUMRET_OK;
  // Depth only: a format with stencil or any other flag would not be what the device is given.
  if (format->dwFlags == DDPF_ZBUFFER) {
    std::memcpy(context, format, sizeof(DDPIXELFORMAT));
    return D3DENUMRET_CANCEL;
  }
  return D3DENUMRET_OK;
}

Renderer::Renderer() {
  MatrixIdentity(world);
  MatrixIdentity(view);
  MatrixIdentity(projection);
  MatrixIdentity(base_world);
}

Renderer::~Renderer() {
  if (g_scene != nullptr) {
    delete g_scene;
    g_scene = nullptr;
  }
  delete framing_camera;
  ReleaseDevice();
}

void Renderer::ReleaseDevice() {
  DestroyTextureCache();
  ReleaseDefaultMaterialTextures();
  ReleaseInterface(clipper);
  ReleaseInterface(z_buffer);
  ReleaseInterface(device);
  ReleaseInterface(back_buffer);
  ReleaseInterface(primary);
  ReleaseInterface(d3d);
  if (ddraw != nullptr) ddraw->RestoreDisplayMode();
  ReleaseInterface(ddraw);
  next_light_index = 0;
  target_rect = RECT{};
}

bool Renderer::Fail(const char* text) {
  ShowReport(text);
  // Nothing half made is kept: every later call finds null interfaces and does nothing.
  ReleaseDevice();
  return false;
}

bool Renderer::AttachDepthAndCreateDevice(const GUID& device_type, bool report_enum_failure) {
  DDPIXELFORMAT format;
  std::memset(&format, 0, sizeof(format));
  const HRESULT enumerated = d3d->EnumZBufferFormats(device_type, FindZBufferFormat, &format);
  if (report_enum_failure && FAILED(enumerated)) return Fail("Fail to Enum ZBuffer");
  if (format.dwSize != sizeof(DDPIXELFORMAT)) return Fail("failed to Create ZBuffer");

  DDSURFACEDESC2 desc = EmptySurfaceDesc();
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  desc.dwWidth = static_cast<DWORD>(target_rect.right - target_rect.left);
  desc.dwHeight = static_cast<DWORD>(target_rect.bottom - target_rect.top);
  desc.ddpfPixelFormat = format;
  desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | (IsHalDevice(device_type) ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
  if (FAILED(ddraw->CreateSurface(&desc, &z_buffer, nullptr))) return Fail("Failed to Create ZBuffer Surface");
  if (FAILED(back_buffer->AddAttachedSurface(z_buffer))) return Fail("Failed to Attach ZBuffer");

  DDSURFACEDESC2 mode = EmptySurfaceDesc();
  ddraw->GetDisplayMode(&mode);
  if (mode.ddpfPixelFormat.dwRGBBitCount <= 8) return Fail("Must be not in palettized");

  if (FAILED(d3d->CreateDevice(device_type, back_buffer, &device))) return Fail("Failed to create d3d device");
  D3DVIEWPORT7 viewport = {0,
                           0,
                           static_cast<DWORD>(target_rect.right - target_rect.left),
                           static_cast<DWORD>(target_rect.bottom - target_rect.top),
                           0.0f,
                           1.0f};
  if (FAILED(device->SetViewport(&viewport))) return Fail("Failed to Set viewport");
  SetDefaultDeviceState();
  return true;
}

bool Renderer::CreateFlipChain(DWORD width, DWORD height) {
  DDSURFACEDESC2 desc = EmptySurfaceDesc();
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.dwBackBufferCount = 1;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
  if (FAILED(ddraw->CreateSurface(&desc, &primary, nullptr))) return Fail("Failed to CreateSurface");
  target_rect = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  DDSCAPS2 caps = {};
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  if (FAILED(primary->GetAttachedSurface(&caps, &back_buffer))) return Fail("Failed to get Attached Surface");
  return true;
}

bool Renderer::CreateDeviceFromChoice(HWND new_window) {
  ReleaseDevice();
  window = new_window;
  DDSURFACEDESC2* mode = nullptr;
  int32_t hardware = 0;
  GetChosenDevice(this, &device_guid, &mode, &windowed, &hardware);
  if (device_guid == nullptr || mode == nullptr) return Fail("DirectDrawCreate Error");

  if (FAILED(DirectDrawCreateEx(driver_guid, reinterpret_cast<LPVOID*>(&ddraw), IID_IDirectDraw7, nullptr))) {
    return Fail("DirectDrawCreate Error");
  }
  if (FAILED(ddraw->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)))) {
    return Fail("Failed to QueryInterface");
  }
  const DWORD level = windowed != 0 ? DDSCL_NORMAL : DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;
  if (FAILED(ddraw->SetCooperativeLevel(window, level))) return Fail("Failed to Set CooperativeLevel");
  if (windowed == 0 && FAILED(ddraw->SetDisplayMode(mode->dwWidth, mode->dwHeight,
                                                    mode->ddpfPixelFormat.dwRGBBitCount, mode->dwRefreshRate, 0))) {
    return Fail("Failed to Set DisplayMode");
  }

  if (windowed == 0) {
    if (!CreateFlipChain(mode->dwWidth, mode->dwHeight)) return false;
  } else {
    DDSURFACEDESC2 desc = EmptySurfaceDesc();
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(ddraw->CreateSurface(&desc, &primary, nullptr))) return Fail("Failed to CreateSurface");
    if (FAILED(ddraw->CreateClipper(0, &clipper, nullptr))) return Fail("Failed to Create Clipper");
    clipper->SetHWnd(0, window);
    primary->SetClipper(clipper);

    GetClientRect(window, &target_rect);
    POINT corner = {target_rect.left, target_rect.top};
    ClientToScreen(window, &corner);
    screen_rect = RECT{target_rect.left + corner.x, target_rect.top + corner.y, target_rect.right + corner.x,
                       target_rect.bottom + corner.y};
    desc = EmptySurfaceDesc();
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    desc.dwWidth = static_cast<DWORD>(target_rect.right - target_rect.left);
    desc.dwHeight = static_cast<DWORD>(target_rect.bottom - target_rect.top);
    if (FAILED(ddraw->CreateSurface(&desc, &back_buffer, nullptr))) return Fail("Failed to Create Surface");
  }
  return AttachDepthAndCreateDevice(*device_guid, false);
}

bool Renderer::CreateFullscreenDevice(HWND new_window, uint16_t width, uint16_t height, uint8_t bits_per_pixel,
                                      GUID device_type) {
  // Set before the mode change, whose size messages must not rebuild the device.
  windowed = 0;
  ReleaseDevice();
  window = new_window;
  if (FAILED(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&ddraw), IID_IDirectDraw7, nullptr))) {
    return Fail("DirectDrawCreate Error");
  }
  if (FAILED(ddraw->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)))) {
    return Fail("Failed to QueryInterface");
  }
  if (FAILED(ddraw->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN))) {
    return Fail("Failed to Set CooperativeLevel");
  }
  if (FAILED(ddraw->SetDisplayMode(width, height, bits_per_pixel, 0, 0))) return Fail("Failed to Set DisplayMode");
  if (!CreateFlipChain(width, height)) return false;
  return AttachDepthAndCreateDevice(device_type, true);
}

void Renderer::SetDefaultDeviceState() {
  if (device == nullptr) return;
  D3DMATERIAL7 material;
  std::memset(&material, 0, sizeof(material));
  material.diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
  material.ambient = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
  device->SetMaterial(&material);

  MatrixIdentity(projection);
  MatrixIdentity(view);
  MatrixIdentity(world);
  device->SetTransform(D3DTRANSFORMSTATE_WORLD, reinterpret_cast<D3DMATRIX*>(&world));
  device->SetTransform(D3DTRANSFORMSTATE_VIEW, reinterpret_cast<D3DMATRIX*>(&view));
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, reinterpret_cast<D3DMATRIX*>(&projection));

  device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);

  struct StageState {
    DWORD stage, state, value;
  };
  static const StageState STAGES[] = {
      {0, D3DTSS_TEXCOORDINDEX, 0},           {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
      {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},   {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
      {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},   {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
      {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1}, {0, D3DTSS_MINFILTER, D3DTFN_LINEAR},
      {0, D3DTSS_MAGFILTER, D3DTFG_LINEAR},   {1, D3DTSS_TEXCOORDINDEX, 1},
      {1, D3DTSS_COLORARG1, D3DTA_TEXTURE},   {1, D3DTSS_COLORARG2, D3DTA_CURRENT},
      {1, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},   {1, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
      {1, D3DTSS_COLOROP, D3DTOP_MODULATE},   {1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
      {1, D3DTSS_MINFILTER, D3DTFN_LINEAR},   {1, D3DTSS_MAGFILTER, D3DTFG_LINEAR},
  };
  for (const StageState& s : STAGES) device->SetTextureStageState(s.stage, s.state, s.value);
  device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
}
