// DirectDraw 7 subset: driver enumeration, the DirectDraw object, surfaces, clippers.
// Surfaces are CPU memory with a row pitch; Lock hands out pointer and pitch. Texture surfaces are
// uploaded to OpenGL when they are next drawn after a change; the back buffer and z-buffer of a device
// are its OpenGL render target. Every call returns an HRESULT with the real DirectDraw codes, and calls
// that can fail for real (a surface too large, a mode that cannot be set, a zero-sized client area) do.
#pragma once

#include "platform/win32.h"

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)

#define DD_OK S_OK
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_CANNOTATTACHSURFACE MAKE_DDHRESULT(10)
#define DDERR_INVALIDCAPS MAKE_DDHRESULT(100)
#define DDERR_INVALIDMODE MAKE_DDHRESULT(120)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDPIXELFORMAT MAKE_DDHRESULT(145)
#define DDERR_INVALIDRECT MAKE_DDHRESULT(150)
#define DDERR_NOCOOPERATIVELEVELSET MAKE_DDHRESULT(212)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_SURFACEALREADYATTACHED MAKE_DDHRESULT(410)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_TOOBIGHEIGHT MAKE_DDHRESULT(470)
#define DDERR_TOOBIGSIZE MAKE_DDHRESULT(480)
#define DDERR_TOOBIGWIDTH MAKE_DDHRESULT(490)
#define DDERR_OUTOFVIDEOMEMORY MAKE_DDHRESULT(380)
#define DDERR_NODIRECTDRAWHW MAKE_DDHRESULT(565)
#define DDERR_NOHWND MAKE_DDHRESULT(569)
#define DDERR_EXCLUSIVEMODEALREADYSET MAKE_DDHRESULT(581)
#define DDERR_NOTFLIPPABLE MAKE_DDHRESULT(582)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_CANTCREATEDC MAKE_DDHRESULT(585)
#define DDERR_NODC MAKE_DDHRESULT(586)
#define DDERR_UNSUPPORTEDMODE MAKE_DDHRESULT(590)
#define DDERR_DCALREADYCREATED MAKE_DDHRESULT(620)

extern const GUID IID_IDirectDraw7;  // {15E65EC0-3B9C-11D2-B92F-00609797EA5B}

// DDPIXELFORMAT.dwFlags
#define DDPF_ALPHAPIXELS 0x00000001
#define DDPF_ALPHA 0x00000002
#define DDPF_FOURCC 0x00000004
#define DDPF_PALETTEINDEXED8 0x00000020
#define DDPF_RGB 0x00000040
#define DDPF_ZBUFFER 0x00000400
#define DDPF_STENCILBUFFER 0x00004000
#define DDPF_LUMINANCE 0x00020000
#define DDPF_BUMPLUMINANCE 0x00040000
#define DDPF_BUMPDUDV 0x00080000

struct DDPIXELFORMAT {  // 32 bytes
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  union {
    DWORD dwRGBBitCount;
    DWORD dwZBufferBitDepth;
    DWORD dwLuminanceBitCount;
  };
  union {
    DWORD dwRBitMask;
    DWORD dwStencilBitDepth;
    DWORD dwLuminanceBitMask;
  };
  union {
    DWORD dwGBitMask;
    DWORD dwZBitMask;
  };
  union {
    DWORD dwBBitMask;
    DWORD dwStencilBitMask;
  };
  union {
    DWORD dwRGBAlphaBitMask;
    DWORD dwRGBZBitMask;
  };
};

struct DDSCAPS2 {
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCaps3;
  DWORD dwCaps4;
};

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

// DDSURFACEDESC2.dwFlags
#define DDSD_CAPS 0x00000001
#define DDSD_HEIGHT 0x00000002
#define DDSD_WIDTH 0x00000004
#define DDSD_PITCH 0x00000008
#define DDSD_BACKBUFFERCOUNT 0x00000020
#define DDSD_ZBUFFERBITDEPTH 0x00000040
#define DDSD_LPSURFACE 0x00000800
#define DDSD_PIXELFORMAT 0x00001000
#define DDSD_REFRESHRATE 0x00040000
#define DDSD_TEXTURESTAGE 0x00100000

// DDSCAPS2.dwCaps
#define DDSCAPS_ALPHA 0x00000002
#define DDSCAPS_BACKBUFFER 0x00000004
#define DDSCAPS_COMPLEX 0x00000008
#define DDSCAPS_FLIP 0x00000010
#define DDSCAPS_FRONTBUFFER 0x00000020
#define DDSCAPS_OFFSCREENPLAIN 0x00000040
#define DDSCAPS_PRIMARYSURFACE 0x00000200
#define DDSCAPS_SYSTEMMEMORY 0x00000800
#define DDSCAPS_TEXTURE 0x00001000
#define DDSCAPS_3DDEVICE 0x00002000
#define DDSCAPS_VIDEOMEMORY 0x00004000
#define DDSCAPS_ZBUFFER 0x00020000
#define DDSCAPS_MIPMAP 0x00400000
#define DDSCAPS_LOCALVIDMEM 0x10000000
// DDSCAPS2.dwCaps2
#define DDSCAPS2_TEXTUREMANAGE 0x00000010

struct DDSURFACEDESC2 {  // dwSize 124 in the original layout; callers set 124 and the stand-in checks it
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  union {
    LONG lPitch;
    DWORD dwLinearSize;
  };
  DWORD dwBackBufferCount;
  union {
    DWORD dwMipMapCount;
    DWORD dwRefreshRate;
  };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage;
};
#define DDSURFACEDESC2_SIZE 124

// DDCAPS.dwCaps2
#define DDCAPS2_CANRENDERWINDOWED 0x00080000
// DDCAPS.dwCaps
#define DDCAPS_3D 0x00000001
#define DDCAPS_BLT 0x00000040
#define DDCAPS_BLTSTRETCH 0x00000200

struct DDCAPS {  // dwSize 380 (the DirectX 7 size); the fields the viewer reads
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCKeyCaps;
  DWORD dwFXCaps;
  DWORD dwPalCaps;
  DWORD dwZBufferBitDepths;
  DWORD dwVidMemTotal;
  DWORD dwVidMemFree;
  DDSCAPS2 ddsCaps;
};
#define DDCAPS_DX7_SIZE 380

struct DDBLTFX {
  DWORD dwSize;
  DWORD dwFillColor;
};

// Cooperative levels.
#define DDSCL_FULLSCREEN 0x00000001
#define DDSCL_ALLOWREBOOT 0x00000002
#define DDSCL_NORMAL 0x00000008
#define DDSCL_EXCLUSIVE 0x00000010

// Lock, Blt and Flip flags.
#define DDLOCK_SURFACEMEMORYPTR 0x00000000
#define DDLOCK_WAIT 0x00000001
#define DDLOCK_READONLY 0x00000010
#define DDLOCK_WRITEONLY 0x00000020
#define DDBLT_COLORFILL 0x00000400
#define DDBLT_WAIT 0x01000000
#define DDFLIP_WAIT 0x00000001

// Enumeration.
#define DDENUM_ATTACHEDSECONDARYDEVICES 0x00000001
#define DDENUM_DETACHEDSECONDARYDEVICES 0x00000002
#define DDENUM_NONDISPLAYDEVICES 0x00000004
#define DDENUMRET_CANCEL 0
#define DDENUMRET_OK 1

// Render bit depths (D3DDEVICEDESC7.dwDeviceRenderBitDepth).
#define DDBD_1 0x00004000
#define DDBD_2 0x00002000
#define DDBD_4 0x00001000
#define DDBD_8 0x00000800
#define DDBD_16 0x00000400
#define DDBD_24 0x00000200
#define DDBD_32 0x00000100

class IDirectDraw7;
class IDirectDrawSurface7;
class IDirectDrawClipper;
class IUnknown;

typedef BOOL (*LPDDENUMCALLBACKEXA)(GUID* guid, LPSTR description, LPSTR name, LPVOID context, HMONITOR monitor);
typedef HRESULT (*LPDDENUMMODESCALLBACK2)(DDSURFACEDESC2* mode, LPVOID context);

HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags);
HRESULT DirectDrawCreateEx(GUID* driver_guid, LPVOID* out, REFIID iid, IUnknown* outer);

// Reference-counted like COM: each creation hands out one reference, Release frees at zero.
class IDirectDraw7 {
 public:
  HRESULT QueryInterface(REFIID iid, LPVOID* out);
  ULONG AddRef();
  ULONG Release();
  HRESULT SetCooperativeLevel(HWND window, DWORD flags);
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel, DWORD refresh_rate, DWORD flags);
  HRESULT RestoreDisplayMode();
  HRESULT GetDisplayMode(DDSURFACEDESC2* desc);
  HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC2* filter, LPVOID context, LPDDENUMMODESCALLBACK2 callback);
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown* outer);
  HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** out, IUnknown* outer);
  HRESULT GetCaps(DDCAPS* hal_caps, DDCAPS* hel_caps);

  struct State;  // backend-owned
  State* state = nullptr;
};

class IDirectDrawSurface7 {
 public:
  ULONG AddRef();
  ULONG Release();
  HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out);
  HRESULT AddAttachedSurface(IDirectDrawSurface7* surface);
  HRESULT SetClipper(IDirectDrawClipper* clipper);
  HRESULT Blt(RECT* dest_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags, DDBLTFX* fx);
  HRESULT Flip(IDirectDrawSurface7* target_override, DWORD flags);
  HRESULT GetDC(HDC* dc);
  HRESULT ReleaseDC(HDC dc);
  HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event);
  HRESULT Unlock(RECT* rect);
  HRESULT GetDDInterface(LPVOID* out);
  HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc);

  struct State;  // backend-owned
  State* state = nullptr;
};

class IDirectDrawClipper {
 public:
  ULONG AddRef();
  ULONG Release();
  HRESULT SetHWnd(DWORD flags, HWND window);

  struct State;  // backend-owned
  State* state = nullptr;
};
