// The scene teardown releases vertex buffers and lightmap surfaces through their interfaces, whose
// bodies live in the platform backend. Until a test binary links that backend these weak stand-ins let
// the teardown link; a real definition, once present, takes precedence. The tests that use them never
// create an interface, so the stand-ins are never reached.
//
// The device picker's enumeration has stand-ins of the same kind that describe one primary display
// driver able to render in a window, with a hardware device of 16- and 32-bit targets over four modes.
// The picker tests that run through them assert only what also holds for the real enumeration.
#include <cstring>

#include "platform/d3d.h"
#include "platform/ddraw.h"

__attribute__((weak)) ULONG IDirect3DVertexBuffer7::Release() { return 0; }
__attribute__((weak)) ULONG IDirectDrawSurface7::Release() { return 0; }

// The lightmap textures are created, locked and unlocked through the same interfaces. These stand-ins
// fail every call, as a device without a backend would; the lightmap tests drive the tile writes
// through the locked memory's description instead.
__attribute__((weak)) extern const GUID IID_IDirect3DHALDevice = {0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};
__attribute__((weak)) extern const GUID IID_IDirect3DTnLHalDevice = {0xF5049E78, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};
__attribute__((weak)) bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
__attribute__((weak)) HRESULT IDirect3DDevice7::GetCaps(D3DDEVICEDESC7*) { return DDERR_GENERIC; }
__attribute__((weak)) HRESULT IDirect3DDevice7::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK, LPVOID) {
  return DDERR_GENERIC;
}
__attribute__((weak)) HRESULT IDirect3DDevice7::GetRenderTarget(IDirectDrawSurface7**) { return DDERR_GENERIC; }
__attribute__((weak)) HRESULT IDirectDrawSurface7::GetDDInterface(LPVOID*) { return DDERR_GENERIC; }
__attribute__((weak)) HRESULT IDirectDrawSurface7::Lock(RECT*, DDSURFACEDESC2*, DWORD, HANDLE) { return DDERR_GENERIC; }
__attribute__((weak)) HRESULT IDirectDrawSurface7::Unlock(RECT*) { return DDERR_NOTLOCKED; }
__attribute__((weak)) HRESULT IDirectDraw7::CreateSurface(DDSURFACEDESC2*, IDirectDrawSurface7**, IUnknown*) {
  return DDERR_GENERIC;
}
__attribute__((weak)) ULONG IDirectDraw7::Release() { return 0; }

__attribute__((weak)) extern const GUID IID_IDirectDraw7 = {0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
__attribute__((weak)) extern const GUID IID_IDirect3D7 = {0xF5049E77, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};

namespace {

IDirectDraw7 g_stand_in_ddraw;
IDirect3D7 g_stand_in_d3d;

}  // namespace

__attribute__((weak)) HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD /*flags*/) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  char description[] = "Primary Display Driver";
  char name[] = "display";
  callback(nullptr, description, name, context, nullptr);
  return DD_OK;
}

__attribute__((weak)) HRESULT DirectDrawCreateEx(GUID* driver_guid, LPVOID* out, REFIID iid, IUnknown* /*outer*/) {
  if (out == nullptr || driver_guid != nullptr || !IsEqualGUID(iid, IID_IDirectDraw7)) return DDERR_INVALIDPARAMS;
  *out = &g_stand_in_ddraw;
  return DD_OK;
}

__attribute__((weak)) HRESULT IDirectDraw7::QueryInterface(REFIID iid, LPVOID* out) {
  if (out == nullptr || !IsEqualGUID(iid, IID_IDirect3D7)) return E_NOINTERFACE;
  *out = &g_stand_in_d3d;
  return S_OK;
}

__attribute__((weak)) ULONG IDirect3D7::Release() { return 0; }

__attribute__((weak)) HRESULT IDirectDraw7::GetCaps(DDCAPS* hal_caps, DDCAPS* hel_caps) {
  if (hal_caps != nullptr) hal_caps->dwCaps2 = DDCAPS2_CANRENDERWINDOWED;
  if (hel_caps != nullptr) hel_caps->dwCaps2 = 0;
  return DD_OK;
}

__attribute__((weak)) HRESULT IDirectDraw7::EnumDisplayModes(DWORD /*flags*/, DDSURFACEDESC2* /*filter*/, LPVOID context,
                                                             LPDDENUMMODESCALLBACK2 callback) {
  const DWORD modes[][3] = {{640, 480, 16}, {640, 480, 32}, {800, 600, 24}, {1024, 768, 16}};
  for (const auto& m : modes) {
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = DDSURFACEDESC2_SIZE;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = m[0];
    desc.dwHeight = m[1];
    desc.ddpfPixelFormat.dwRGBBitCount = m[2];
    if (callback(&desc, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

__attribute__((weak)) HRESULT IDirect3D7::EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) {
  D3DDEVICEDESC7 desc;
  std::memset(&desc, 0, sizeof(desc));
  desc.dwDevCaps = D3DDEVCAPS_HWRASTERIZATION;
  desc.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
  desc.deviceGUID = IID_IDirect3DHALDevice;
  char description[] = "Hardware rasterisation";
  char name[] = "Direct3D HAL";
  callback(description, name, &desc, context);
  return D3D_OK;
}
