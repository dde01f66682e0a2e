// The DirectDraw object and what hangs off it without pixels: driver enumeration, cooperative levels,
// display modes (emulated ones included), caps, clippers, and the Direct3D object with its device and
// depth-format enumerations and vertex buffers.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/gfx_internal.h"
#include "platform/window_internal.h"

const GUID IID_IDirectDraw7 = {0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
const GUID IID_IDirect3D7 = {0xF5049E77, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};
const GUID IID_IDirect3DHALDevice = {0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}};
const GUID IID_IDirect3DTnLHalDevice = {0xF5049E78, 0x4861, 0x11D2, {0xA4, 0x07, 0x00, 0xA0, 0xC9, 0x06, 0x29, 0xA8}};

namespace {

// The one DirectDraw object holding exclusive mode; written by SetCooperativeLevel and the release.
IDirectDraw7::State* g_exclusive_owner = nullptr;

const DisplayModeInfo EMULATED_MODES[] = {{640, 480, 8},   {640, 480, 16},  {800, 600, 16},
                                          {1024, 768, 16}, {640, 480, 32},  {800, 600, 32},
                                          {1024, 768, 32}};

bool SameMode(const DisplayModeInfo& a, const DisplayModeInfo& b) {
  return a.width == b.width && a.height == b.height && a.bits_per_pixel == b.bits_per_pixel;
}

void LeaveExclusiveMode(IDirectDraw7::State* dd) {
  if (g_exclusive_owner == dd) g_exclusive_owner = nullptr;
  if (dd->mode_set && !IsHeadless()) {
    SDL_Window* window = GetSdlWindow(dd->window);
    if (window != nullptr) SDL_SetWindowFullscreen(window, 0);
  }
  dd->exclusive = false;
  dd->mode_set = false;
}

void FreeDirectDrawIfUnused(IDirectDraw7::State* dd) {
  if (dd->app_refs != 0 || dd->child_refs != 0) return;
  Release2dPrograms(&dd->programs);
  delete dd->iface;
  delete dd;
}

}  // namespace

void AcquireDirectDraw(IDirectDraw7::State* dd) { ++dd->child_refs; }

void ReleaseDirectDrawChild(IDirectDraw7::State* dd) {
  if (dd->child_refs > 0) --dd->child_refs;
  FreeDirectDrawIfUnused(dd);
}

DisplayModeInfo DesktopDisplayMode() {
  DisplayModeInfo mode = {640, 480, GetDesktopBitsPerPixel()};
  SDL_DisplayMode desktop;
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
    mode.width = static_cast<DWORD>(desktop.w);
    mode.height = static_cast<DWORD>(desktop.h);
  }
  return mode;
}

std::vector<DisplayModeInfo> ListDisplayModes() {
  std::vector<DisplayModeInfo> modes;
  auto add = [&modes](const DisplayModeInfo& mode) {
    if (DisplayFormat(mode.bits_per_pixel) == nullptr) return;
    for (const DisplayModeInfo& known : modes) {
      if (SameMode(known, mode)) return;
    }
    modes.push_back(mode);
  };
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
      SDL_DisplayMode sdl_mode;
      if (SDL_GetDisplayMode(0, i, &sdl_mode) != 0 || sdl_mode.w <= 0 || sdl_mode.h <= 0) continue;
      // 24 bits of colour stored in four bytes is a 32-bit mode to DirectDraw.
      const DWORD bits = SDL_BYTESPERPIXEL(sdl_mode.format) * 8;
      add(DisplayModeInfo{static_cast<DWORD>(sdl_mode.w), static_cast<DWORD>(sdl_mode.h), bits});
    }
  }
  for (const DisplayModeInfo& mode : EMULATED_MODES) add(mode);
  return modes;
}

void FillModeDesc(const DisplayModeInfo& mode, DDSURFACEDESC2* desc) {
  std::memset(desc, 0, sizeof(*desc));
  desc->dwSize = DDSURFACEDESC2_SIZE;
  desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
  desc->dwWidth = mode.width;
  desc->dwHeight = mode.height;
  desc->lPitch = static_cast<LONG>(mode.width * ((mode.bits_per_pixel + 7) / 8));
  desc->dwRefreshRate = 60;
  const PixelFormatInfo* format = DisplayFormat(mode.bits_per_pixel);
  if (format != nullptr) desc->ddpfPixelFormat = format->ddpf;
}

DisplayModeInfo CurrentDisplayMode(const IDirectDraw7::State* dd) {
  if (dd != nullptr && dd->mode_set) return dd->mode;
  return DesktopDisplayMode();
}

HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD /*flags*/) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  char description[] = "Primary Display Driver";
  char name[] = "display";
  callback(nullptr, description, name, context, nullptr);
  return DD_OK;
}

HRESULT DirectDrawCreateEx(GUID* driver_guid, LPVOID* out, REFIID iid, IUnknown* outer) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer != nullptr) return E_NOINTERFACE;
  if (!IsEqualGUID(iid, IID_IDirectDraw7)) return DDERR_INVALIDPARAMS;
  // Only the primary display driver exists.
  if (driver_guid != nullptr) return DDERR_INVALIDPARAMS;
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return DDERR_NODIRECTDRAWHW;
  IDirectDraw7* iface = new (std::nothrow) IDirectDraw7;
  IDirectDraw7::State* dd = new (std::nothrow) IDirectDraw7::State;
  if (iface == nullptr || dd == nullptr) {
    delete iface;
    delete dd;
    return DDERR_OUTOFMEMORY;
  }
  dd->iface = iface;
  iface->state = dd;
  *out = iface;
  return DD_OK;
}

HRESULT IDirectDraw7::QueryInterface(REFIID iid, LPVOID* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (IsEqualGUID(iid, IID_IDirectDraw7)) {
    AddRef();
    *out = this;
    return DD_OK;
  }
  if (!IsEqualGUID(iid, IID_IDirect3D7)) return E_NOINTERFACE;
  IDirect3D7* d3d = new (std::nothrow) IDirect3D7;
  IDirect3D7::State* d3d_state = new (std::nothrow) IDirect3D7::State;
  if (d3d == nullptr || d3d_state == nullptr) {
    delete d3d;
    delete d3d_state;
    return E_OUTOFMEMORY;
  }
  AddRef();
  d3d_state->dd = this;
  d3d->state = d3d_state;
  *out = d3d;
  return DD_OK;
}

ULONG IDirectDraw7::AddRef() { return ++state->app_refs; }

ULONG IDirectDraw7::Release() {
  IDirectDraw7::State* dd = state;
  if (dd->app_refs == 0) return 0;
  const ULONG left = --dd->app_refs;
  if (left == 0) {
    if (dd->window != nullptr) ForgetDevicePictures(dd->window);
    if (dd->exclusive) LeaveExclusiveMode(dd);
    FreeDirectDrawIfUnused(dd);
  }
  return left;
}

HRESULT IDirectDraw7::SetCooperativeLevel(HWND window, DWORD flags) {
  const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
  const bool fullscreen = (flags & DDSCL_FULLSCREEN) != 0;
  const bool normal = (flags & DDSCL_NORMAL) != 0;
  if (exclusive != fullscreen || normal == exclusive) return DDERR_INVALIDPARAMS;
  if (window != nullptr && GetSdlWindow(window) == nullptr) return DDERR_INVALIDPARAMS;
  if (exclusive) {
    if (window == nullptr) return DDERR_NOHWND;
    if (g_exclusive_owner != nullptr && g_exclusive_owner != state) return DDERR_EXCLUSIVEMODEALREADYSET;
    g_exclusive_owner = state;
  } else if (state->exclusive) {
    LeaveExclusiveMode(state);
  }
  state->exclusive = exclusive;
  state->cooperative_flags = flags;
  state->window = window;
  return DD_OK;
}

HRESULT IDirectDraw7::SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel, DWORD /*refresh_rate*/,
                                     DWORD flags) {
  if (flags != 0) return DDERR_INVALIDPARAMS;
  if (!state->exclusive) return DDERR_NOEXCLUSIVEMODE;
  const DisplayModeInfo wanted = {width, height, bits_per_pixel};
  bool offered = false;
  for (const DisplayModeInfo& mode : ListDisplayModes()) offered |= SameMode(mode, wanted);
  if (!offered) return DDERR_INVALIDMODE;
  if (TakeDisplayModeFailure()) return DDERR_UNSUPPORTEDMODE;
  // The mode is emulated: the window covers the desktop and the back buffer keeps the mode's size.
  if (!IsHeadless()) {
    SDL_Window* window = GetSdlWindow(state->window);
    if (window == nullptr || SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
      return DDERR_UNSUPPORTEDMODE;
    }
  }
  state->mode = wanted;
  state->mode_set = true;
  return DD_OK;
}

HRESULT IDirectDraw7::RestoreDisplayMode() {
  if (state->mode_set && !IsHeadless()) {
    SDL_Window* window = GetSdlWindow(state->window);
    if (window != nullptr) SDL_SetWindowFullscreen(window, 0);
  }
  state->mode_set = false;
  return DD_OK;
}

HRESULT IDirectDraw7::GetDisplayMode(DDSURFACEDESC2* desc) {
  if (desc == nullptr || desc->dwSize != DDSURFACEDESC2_SIZE) return DDERR_INVALIDPARAMS;
  FillModeDesc(CurrentDisplayMode(state), desc);
  return DD_OK;
}

HRESULT IDirectDraw7::EnumDisplayModes(DWORD /*flags*/, DDSURFACEDESC2* filter, LPVOID context,
                                       LPDDENUMMODESCALLBACK2 callback) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  for (const DisplayModeInfo& mode : ListDisplayModes()) {
    if (filter != nullptr) {
      if ((filter->dwFlags & DDSD_WIDTH) != 0 && filter->dwWidth != mode.width) continue;
      if ((filter->dwFlags & DDSD_HEIGHT) != 0 && filter->dwHeight != mode.height) continue;
      if ((filter->dwFlags & DDSD_PIXELFORMAT) != 0 &&
          filter->ddpfPixelFormat.dwRGBBitCount != mode.bits_per_pixel) {
        continue;
      }
    }
    DDSURFACEDESC2 desc;
    FillModeDesc(mode, &desc);
    if (callback(&desc, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

HRESULT IDirectDraw7::CreateClipper(DWORD flags, IDirectDrawClipper** out, IUnknown* outer) {
  if (out == nullptr || flags != 0) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer != nullptr) return E_NOINTERFACE;
  IDirectDrawClipper* clipper = new (std::nothrow) IDirectDrawClipper;
  IDirectDrawClipper::State* clipper_state = new (std::nothrow) IDirectDrawClipper::State;
  if (clipper == nullptr || clipper_state == nullptr) {
    delete clipper;
    delete clipper_state;
    return DDERR_OUTOFMEMORY;
  }
  clipper_state->dd = state;
  AcquireDirectDraw(state);
  clipper->state = clipper_state;
  *out = clipper;
  return DD_OK;
}

HRESULT IDirectDraw7::GetCaps(DDCAPS* hal_caps, DDCAPS* hel_caps) {
  if (hal_caps == nullptr && hel_caps == nullptr) return DDERR_INVALIDPARAMS;
  if ((hal_caps != nullptr && hal_caps->dwSize != DDCAPS_DX7_SIZE) ||
      (hel_caps != nullptr && hel_caps->dwSize != DDCAPS_DX7_SIZE)) {
    return DDERR_INVALIDPARAMS;
  }
  const bool software = GetGlInfo().software;
  for (DDCAPS* caps : {hal_caps, hel_caps}) {
    if (caps == nullptr) continue;
    std::memset(caps, 0, sizeof(*caps));
    caps->dwSize = DDCAPS_DX7_SIZE;
  }
  // The GL driver is the hardware layer; a software rasterizer is still what draws, so it is listed
  // there too, and emulation offers the same.
  if (hal_caps != nullptr) {
    hal_caps->dwCaps = DDCAPS_3D | DDCAPS_BLT | DDCAPS_BLTSTRETCH;
    hal_caps->dwCaps2 = DDCAPS2_CANRENDERWINDOWED;
    hal_caps->dwZBufferBitDepths = DDBD_16 | DDBD_24 | DDBD_32;
    hal_caps->ddsCaps.dwCaps = DDSCAPS_3DDEVICE | DDSCAPS_TEXTURE | DDSCAPS_ZBUFFER | DDSCAPS_FLIP |
                               DDSCAPS_PRIMARYSURFACE | DDSCAPS_OFFSCREENPLAIN |
                               (software ? 0u : static_cast<DWORD>(DDSCAPS_VIDEOMEMORY));
  }
  if (hel_caps != nullptr) {
    hel_caps->dwCaps = DDCAPS_BLT | DDCAPS_BLTSTRETCH;
    hel_caps->dwCaps2 = DDCAPS2_CANRENDERWINDOWED;
    hel_caps->ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  }
  return DD_OK;
}

ULONG IDirectDrawClipper::AddRef() { return ++state->refs; }

ULONG IDirectDrawClipper::Release() {
  if (state->refs == 0) return 0;
  const ULONG left = --state->refs;
  if (left == 0) {
    IDirectDraw7::State* dd = state->dd;
    delete state;
    delete this;
    ReleaseDirectDrawChild(dd);
  }
  return left;
}

HRESULT IDirectDrawClipper::SetHWnd(DWORD flags, HWND window) {
  if (flags != 0) return DDERR_INVALIDPARAMS;
  if (window != nullptr && GetSdlWindow(window) == nullptr) return DDERR_INVALIDPARAMS;
  state->window = window;
  return DD_OK;
}

ULONG IDirect3D7::AddRef() { return ++state->refs; }

ULONG IDirect3D7::Release() {
  if (state->refs == 0) return 0;
  const ULONG left = --state->refs;
  if (left == 0) {
    IDirectDraw7* dd = state->dd;
    delete state;
    delete this;
    dd->Release();
  }
  return left;
}

bool FillDeviceDesc(REFCLSID device_guid, D3DDEVICEDESC7* desc) {
  const bool tnl = IsEqualGUID(device_guid, IID_IDirect3DTnLHalDevice);
  if (!tnl && !IsEqualGUID(device_guid, IID_IDirect3DHALDevice)) return false;
  const GlInfo& info = GetGlInfo();
  std::memset(desc, 0, sizeof(*desc));
  // Honest caps: a software rasterizer is not hardware, whatever the device is called.
  if (!info.software) {
    desc->dwDevCaps = D3DDEVCAPS_HWRASTERIZATION | (tnl ? static_cast<DWORD>(D3DDEVCAPS_HWTRANSFORMANDLIGHT) : 0u);
  }
  for (D3DPRIMCAPS* caps : {&desc->dpcLineCaps, &desc->dpcTriCaps}) {
    caps->dwSize = sizeof(D3DPRIMCAPS);
    caps->dwTextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | ExtraTextureCaps();
  }
  desc->dwDeviceRenderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  desc->dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  desc->dwMinTextureWidth = desc->dwMinTextureHeight = 1;
  desc->dwMaxTextureWidth = desc->dwMaxTextureHeight = MaxTextureEdge();
  desc->dwMaxTextureRepeat = 8192;
  desc->dwMaxTextureAspectRatio = MaxTextureEdge();
  desc->wMaxTextureBlendStages = 2;
  desc->wMaxSimultaneousTextures = 2;
  desc->dwMaxActiveLights = 8;
  desc->dvMaxVertexW = 1e10f;
  desc->deviceGUID = device_guid;
  return true;
}

HRESULT IDirect3D7::EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  struct Entry {
    const GUID* guid;
    const char* description;
    const char* name;
  };
  static const Entry DEVICES[] = {
      {&IID_IDirect3DHALDevice, "Direct3D HAL", "Direct3D HAL"},
      {&IID_IDirect3DTnLHalDevice, "Direct3D T&L HAL", "Direct3D T&L HAL"},
  };
  for (const Entry& device : DEVICES) {
    D3DDEVICEDESC7 desc;
    FillDeviceDesc(*device.guid, &desc);
    char description[64], name[64];
    std::snprintf(description, sizeof(description), "%s", device.description);
    std::snprintf(name, sizeof(name), "%s", device.name);
    if (callback(description, name, &desc, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3D7::EnumZBufferFormats(REFCLSID device_guid, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                       LPVOID context) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  D3DDEVICEDESC7 desc;
  if (!FillDeviceDesc(device_guid, &desc)) return DDERR_INVALIDPARAMS;
  int count = 0;
  const DepthFormatInfo* formats = DepthFormats(&count);
  for (int i = 0; i < count; ++i) {
    // A copy, so that a callback writing into it cannot change the table.
    DDPIXELFORMAT format = formats[i].ddpf;
    if (callback(&format, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3D7::CreateDevice(REFCLSID device_guid, IDirectDrawSurface7* render_target, IDirect3DDevice7** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (render_target == nullptr) return DDERR_INVALIDPARAMS;
  return CreateDeviceObject(device_guid, render_target, out);
}

HRESULT IDirect3D7::CreateVertexBuffer(D3DVERTEXBUFFERDESC* desc, IDirect3DVertexBuffer7** out, DWORD flags) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (desc == nullptr || desc->dwSize != sizeof(D3DVERTEXBUFFERDESC) || flags != 0) return DDERR_INVALIDPARAMS;
  const HRESULT forced = VertexBufferFailure();
  if (FAILED(forced)) return forced;
  VertexLayout layout;
  if (!DecodeVertexLayout(desc->dwFVF, &layout)) return D3DERR_INVALIDVERTEXTYPE;
  if (desc->dwNumVertices == 0) return DDERR_INVALIDPARAMS;
  // The byte size must fit a DWORD; larger requests could never be locked as one block.
  const uint64_t size_bytes = uint64_t{layout.stride} * desc->dwNumVertices;
  if (size_bytes > 0x7FFFFFFFu) return E_OUTOFMEMORY;
  uint8_t* memory = new (std::nothrow) uint8_t[size_bytes]();
  IDirect3DVertexBuffer7* buffer = new (std::nothrow) IDirect3DVertexBuffer7;
  IDirect3DVertexBuffer7::State* buffer_state = new (std::nothrow) IDirect3DVertexBuffer7::State;
  if (memory == nullptr || buffer == nullptr || buffer_state == nullptr) {
    delete[] memory;
    delete buffer;
    delete buffer_state;
    return E_OUTOFMEMORY;
  }
  buffer_state->desc = *desc;
  buffer_state->layout = layout;
  buffer_state->memory = memory;
  buffer_state->size_bytes = static_cast<DWORD>(size_bytes);
  buffer->state = buffer_state;
  *out = buffer;
  return D3D_OK;
}

ULONG IDirect3DVertexBuffer7::AddRef() { return ++state->refs; }

ULONG IDirect3DVertexBuffer7::Release() {
  if (state->refs == 0) return 0;
  const ULONG left = --state->refs;
  if (left == 0) {
    if (state->gl_buffer != 0) {
      // Making the owner current moves GL away from whatever device drew last.
      NoteGlStateChanged();
      if (MakeOwnerCurrent(state->gl_owner)) glDeleteBuffers(1, &state->gl_buffer);
    }
    delete[] state->memory;
    delete state;
    delete this;
  }
  return left;
}

HRESULT IDirect3DVertexBuffer7::Lock(DWORD flags, LPVOID* data, DWORD* size) {
  if (data == nullptr) return DDERR_INVALIDPARAMS;
  if (state->locked) return D3DERR_VERTEXBUFFERLOCKED;
  if (state->memory == nullptr && !TakeBackVertices(state)) return E_OUTOFMEMORY;
  state->locked = true;
  state->lock_read_only = (flags & DDLOCK_READONLY) != 0;
  *data = state->memory;
  if (size != nullptr) *size = state->size_bytes;
  return D3D_OK;
}

HRESULT IDirect3DVertexBuffer7::Unlock() {
  if (!state->locked) return D3DERR_VERTEXBUFFERUNLOCKED;
  state->locked = false;
  if (!state->lock_read_only) state->gl_stale = true;
  return D3D_OK;
}

bool TakeBackVertices(IDirect3DVertexBuffer7::State* buffer) {
  if (buffer->memory != nullptr) return true;
  buffer->memory = new (std::nothrow) uint8_t[buffer->size_bytes]();
  if (buffer->memory == nullptr) return false;
  // Reading back makes the owner's context current, away from whatever device drew last.
  NoteGlStateChanged();
  if (buffer->gl_buffer != 0 && MakeOwnerCurrent(buffer->gl_owner)) {
    glBindBuffer(GL_ARRAY_BUFFER, buffer->gl_buffer);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(buffer->size_bytes), buffer->memory);
  }
  return true;
}

GLuint PrepareVertexBuffer(IDirect3DVertexBuffer7::State* buffer, const GlOwner& owner) {
  // The old copy's vertices are the only ones once a write-only buffer gave up its memory.
  if (buffer->gl_buffer != 0 && buffer->gl_owner.context != owner.context && !TakeBackVertices(buffer)) return 0;
  if (buffer->gl_buffer != 0 && buffer->gl_owner.context != owner.context) {
    // Drawn by another device's context now: the old copy goes with its own context.
    if (MakeOwnerCurrent(buffer->gl_owner)) glDeleteBuffers(1, &buffer->gl_buffer);
    NoteGlStateChanged();
    GlOwner same;
    if (!MakeWindowCurrent(owner.window, &same)) return 0;
    buffer->gl_buffer = 0;
  }
  if (buffer->gl_buffer == 0) {
    glGenBuffers(1, &buffer->gl_buffer);
    buffer->gl_owner = owner;
    buffer->gl_stale = true;
  }
  glBindBuffer(GL_ARRAY_BUFFER, buffer->gl_buffer);
  if (buffer->gl_stale) {
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(buffer->size_bytes), buffer->memory, GL_STATIC_DRAW);
    if (DrainGlErrors()) {
      // Out of memory: no copy to draw from; the draw sends the vertices itself.
      glDeleteBuffers(1, &buffer->gl_buffer);
      buffer->gl_buffer = 0;
      NoteGlStateChanged();
      return 0;
    }
    buffer->gl_stale = false;
    // A write-only buffer is never read by its owner: once sent, its vertices live in the GL copy
    // alone, as they would in video memory, and a later lock takes them back.
    if ((buffer->desc.dwCaps & D3DVBCAPS_WRITEONLY) != 0 && !buffer->locked) {
      delete[] buffer->memory;
      buffer->memory = nullptr;
    }
  }
  return buffer->gl_buffer;
}

HRESULT IDirect3DVertexBuffer7::GetVertexBufferDesc(D3DVERTEXBUFFERDESC* desc) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  *desc = state->desc;
  return D3D_OK;
}
