// The scene teardown releases vertex buffers and lightmap surfaces through their interfaces, whose
// bodies live in the platform backend. Until a test binary links that backend these weak stand-ins let
// the teardown link; a real definition, once present, takes precedence. The tests that use them never
// create an interface, so the stand-ins are never reached.
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
