// DirectDraw surfaces: CPU memory with a pitch for textures and plain surfaces (uploaded to GL when
// drawn after a change), GL framebuffers for render targets and renderbuffers for z-buffers, the
// primary and its flip chain, locking, attaching, colour fills, and presenting by Blt or Flip.
#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>

#include "platform/gfx_internal.h"
#include "platform/window_internal.h"

namespace {

// Larger plain surfaces are refused before their size could overflow an allocation.
const DWORD MAX_PLAIN_EDGE = MAX_SURFACE_EDGE_PX;

bool IsPowerOfTwo(DWORD value) { return value != 0 && (value & (value - 1)) == 0; }

void MarkRowsWritten(IDirectDrawSurface7::State* state, DWORD top, DWORD bottom) {
  if (top >= bottom) return;
  if (state->stale_top >= state->stale_bottom) {
    state->stale_top = top;
    state->stale_bottom = bottom;
    return;
  }
  state->stale_top = std::min(state->stale_top, top);
  state->stale_bottom = std::max(state->stale_bottom, bottom);
}

IDirectDrawSurface7* WrapSurface(IDirectDrawSurface7::State* state) {
  IDirectDrawSurface7* surface = new (std::nothrow) IDirectDrawSurface7;
  if (surface == nullptr) return nullptr;
  surface->state = state;
  AcquireDirectDraw(state->dd);
  return surface;
}

IDirectDrawSurface7::State* NewState(IDirectDraw7::State* dd, SurfaceKind kind, DWORD caps, DWORD width,
                                     DWORD height) {
  IDirectDrawSurface7::State* state = new (std::nothrow) IDirectDrawSurface7::State;
  if (state == nullptr) return nullptr;
  state->dd = dd;
  state->kind = kind;
  state->caps = caps;
  state->width = width;
  state->height = height;
  return state;
}

HRESULT AllocateCpuMemory(IDirectDrawSurface7::State* state) {
  const uint64_t pitch = (uint64_t{state->width} * state->pixel_format->bytes_per_pixel + 3) & ~uint64_t{3};
  const uint64_t size = pitch * state->height;
  if (size == 0 || size > 0x7FFFFFFFu) return DDERR_TOOBIGSIZE;
  state->memory = new (std::nothrow) uint8_t[size]();
  if (state->memory == nullptr) return DDERR_OUTOFMEMORY;
  state->pitch_bytes = static_cast<LONG>(pitch);
  return DD_OK;
}

// GL surfaces live in the cooperative window's context and within the driver's size limit.
HRESULT BeginGlSurface(IDirectDraw7::State* dd, IDirectDrawSurface7::State* state) {
  const GlInfo& info = GetGlInfo();
  if (!info.usable) return DDERR_NODIRECTDRAWHW;
  if (state->width > static_cast<DWORD>(info.max_renderbuffer_size) ||
      state->height > static_cast<DWORD>(info.max_renderbuffer_size)) {
    return DDERR_TOOBIGSIZE;
  }
  if (!MakeWindowCurrent(dd->window, &state->target_owner)) return DDERR_NOHWND;
  NoteGlStateChanged();
  DrainGlErrors();
  return DD_OK;
}

// A colour render target in the cooperative window's context: RGBA8 whatever the reported format,
// so that every display depth renders alike.
HRESULT CreateRenderTarget(IDirectDraw7::State* dd, IDirectDrawSurface7::State* state) {
  const HRESULT ready = BeginGlSurface(dd, state);
  if (FAILED(ready)) return ready;
  glGenTextures(1, &state->colour_texture);
  glBindTexture(GL_TEXTURE_2D, state->colour_texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(state->width), static_cast<GLsizei>(state->height), 0,
               GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glGenFramebuffers(1, &state->framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, state->framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, state->colour_texture, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (complete) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (DrainGlErrors() || !complete) return DDERR_OUTOFVIDEOMEMORY;
  const PixelFormatInfo* format = DisplayFormat(CurrentDisplayMode(dd).bits_per_pixel);
  if (format != nullptr) state->format = format->ddpf;
  return DD_OK;
}

HRESULT CreateDepthBuffer(IDirectDraw7::State* dd, IDirectDrawSurface7::State* state, const DepthFormatInfo& depth) {
  const HRESULT ready = BeginGlSurface(dd, state);
  if (FAILED(ready)) return ready;
  glGenRenderbuffers(1, &state->depth_renderbuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, state->depth_renderbuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, depth.internal_format, static_cast<GLsizei>(state->width),
                        static_cast<GLsizei>(state->height));
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  if (DrainGlErrors()) return DDERR_OUTOFVIDEOMEMORY;
  state->format = depth.ddpf;
  state->has_stencil = depth.stencil;
  return DD_OK;
}

void DeleteGlObjects(IDirectDrawSurface7::State* state) {
  // A deleted texture leaves its units, and its name may come back for another one.
  NoteGlStateChanged();
  if (state->texture != 0 && MakeOwnerCurrent(state->texture_owner)) glDeleteTextures(1, &state->texture);
  if ((state->framebuffer != 0 || state->depth_renderbuffer != 0) && MakeOwnerCurrent(state->target_owner)) {
    glDeleteFramebuffers(1, &state->framebuffer);
    glDeleteTextures(1, &state->colour_texture);
    glDeleteRenderbuffers(1, &state->depth_renderbuffer);
  }
}

HRESULT CreateTextureOrPlain(IDirectDraw7::State* dd, const DDSURFACEDESC2& desc, IDirectDrawSurface7::State** out) {
  const DWORD caps = desc.ddsCaps.dwCaps;
  const bool texture = (caps & DDSCAPS_TEXTURE) != 0;
  if ((desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
  if (desc.dwWidth == 0 || desc.dwHeight == 0) return DDERR_INVALIDPARAMS;
  const PixelFormatInfo* format = nullptr;
  if ((desc.dwFlags & DDSD_PIXELFORMAT) != 0) {
    format = FindTextureFormat(desc.ddpfPixelFormat);
    if (format == nullptr && !texture) {
      const PixelFormatInfo* display = DisplayFormat(desc.ddpfPixelFormat.dwRGBBitCount);
      if (display != nullptr && std::memcmp(&display->ddpf, &desc.ddpfPixelFormat, sizeof(DDPIXELFORMAT)) == 0) {
        format = display;
      }
    }
    if (format == nullptr) return DDERR_INVALIDPIXELFORMAT;
  } else {
    if (texture) return DDERR_INVALIDPIXELFORMAT;
    format = DisplayFormat(CurrentDisplayMode(dd).bits_per_pixel);
    if (format == nullptr) return DDERR_INVALIDPIXELFORMAT;
  }
  if (texture) {
    const DWORD edge = MaxTextureEdge();
    if (desc.dwWidth > edge) return DDERR_TOOBIGWIDTH;
    if (desc.dwHeight > edge) return DDERR_TOOBIGHEIGHT;
    const DWORD extra = ExtraTextureCaps();
    if ((extra & D3DPTEXTURECAPS_POW2) != 0 && (!IsPowerOfTwo(desc.dwWidth) || !IsPowerOfTwo(desc.dwHeight))) {
      return DDERR_INVALIDPARAMS;
    }
    if ((extra & D3DPTEXTURECAPS_SQUAREONLY) != 0 && desc.dwWidth != desc.dwHeight) return DDERR_INVALIDPARAMS;
  } else {
    if (desc.dwWidth > MAX_PLAIN_EDGE) return DDERR_TOOBIGWIDTH;
    if (desc.dwHeight > MAX_PLAIN_EDGE) return DDERR_TOOBIGHEIGHT;
  }
  IDirectDrawSurface7::State* state =
      NewState(dd, texture ? SurfaceKind::kTexture : SurfaceKind::kPlain, caps, desc.dwWidth, desc.dwHeight);
  if (state == nullptr) return DDERR_OUTOFMEMORY;
  state->caps2 = desc.ddsCaps.dwCaps2;
  state->pixel_format = format;
  state->format = format->ddpf;
  const HRESULT result = AllocateCpuMemory(state);
  if (FAILED(result)) {
    delete state;
    return result;
  }
  *out = state;
  return DD_OK;
}

}  // namespace

HRESULT IDirectDraw7::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown* outer) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer != nullptr) return E_NOINTERFACE;
  if (desc == nullptr || desc->dwSize != DDSURFACEDESC2_SIZE) return DDERR_INVALIDPARAMS;
  if (state->cooperative_flags == 0) return DDERR_NOCOOPERATIVELEVELSET;
  const DWORD caps = (desc->dwFlags & DDSD_CAPS) != 0 ? desc->ddsCaps.dwCaps : 0;
  const bool sized = (desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != 0;

  IDirectDrawSurface7::State* made = nullptr;
  HRESULT result = DD_OK;
  if ((caps & DDSCAPS_PRIMARYSURFACE) != 0) {
    if (sized) return DDERR_INVALIDPARAMS;
    const DisplayModeInfo mode = CurrentDisplayMode(state);
    if ((caps & DDSCAPS_FLIP) != 0) {
      if (!state->exclusive) return DDERR_NOEXCLUSIVEMODE;
      if ((caps & DDSCAPS_COMPLEX) == 0 || (desc->dwFlags & DDSD_BACKBUFFERCOUNT) == 0 ||
          desc->dwBackBufferCount != 1) {
        return DDERR_INVALIDCAPS;
      }
      IDirectDrawSurface7::State* back =
          NewState(state, SurfaceKind::kRenderTarget, DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY,
                   mode.width, mode.height);
      if (back == nullptr) return DDERR_OUTOFMEMORY;
      result = CreateRenderTarget(state, back);
      IDirectDrawSurface7* back_surface = SUCCEEDED(result) ? WrapSurface(back) : nullptr;
      if (back_surface == nullptr) {
        DeleteGlObjects(back);
        delete back;
        return SUCCEEDED(result) ? DDERR_OUTOFMEMORY : result;
      }
      made = NewState(state, SurfaceKind::kFlipPrimary, caps | DDSCAPS_FRONTBUFFER, mode.width, mode.height);
      if (made == nullptr) {
        back_surface->Release();
        return DDERR_OUTOFMEMORY;
      }
      made->back_buffer = back_surface;
    } else {
      made = NewState(state, SurfaceKind::kPrimary, caps, mode.width, mode.height);
      if (made == nullptr) return DDERR_OUTOFMEMORY;
    }
    const PixelFormatInfo* format = DisplayFormat(mode.bits_per_pixel);
    if (format != nullptr) made->format = format->ddpf;
  } else if ((caps & DDSCAPS_ZBUFFER) != 0) {
    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
    if (desc->dwWidth == 0 || desc->dwHeight == 0) return DDERR_INVALIDPARAMS;
    const DepthFormatInfo* depth =
        (desc->dwFlags & DDSD_PIXELFORMAT) != 0 ? FindDepthFormat(desc->ddpfPixelFormat) : nullptr;
    if (depth == nullptr) return DDERR_INVALIDPIXELFORMAT;
    made = NewState(state, SurfaceKind::kZBuffer, caps, desc->dwWidth, desc->dwHeight);
    if (made == nullptr) return DDERR_OUTOFMEMORY;
    result = CreateDepthBuffer(state, made, *depth);
  } else if ((caps & DDSCAPS_3DDEVICE) != 0 && (caps & DDSCAPS_TEXTURE) == 0) {
    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
    // A zero-sized window gives a zero-sized target, which no device can draw into.
    if (desc->dwWidth == 0 || desc->dwHeight == 0) return DDERR_INVALIDPARAMS;
    made = NewState(state, SurfaceKind::kRenderTarget, caps, desc->dwWidth, desc->dwHeight);
    if (made == nullptr) return DDERR_OUTOFMEMORY;
    result = CreateRenderTarget(state, made);
  } else {
    DDSURFACEDESC2 plain = *desc;
    plain.ddsCaps.dwCaps = caps;
    result = CreateTextureOrPlain(state, plain, &made);
    if (FAILED(result)) return result;
  }
  if (FAILED(result)) {
    DeleteGlObjects(made);
    delete made;
    return result;
  }
  IDirectDrawSurface7* surface = WrapSurface(made);
  if (surface == nullptr) {
    if (made->back_buffer != nullptr) made->back_buffer->Release();
    DeleteGlObjects(made);
    delete[] made->memory;
    delete made;
    return DDERR_OUTOFMEMORY;
  }
  *out = surface;
  return DD_OK;
}

ULONG IDirectDrawSurface7::AddRef() { return ++state->refs; }

ULONG IDirectDrawSurface7::Release() {
  if (state->refs == 0) return 0;
  const ULONG left = --state->refs;
  if (left != 0) return left;
  IDirectDrawSurface7::State* s = state;
  DestroySurfaceDC(s);
  if (s->back_buffer != nullptr) s->back_buffer->Release();
  if (s->z_buffer != nullptr) s->z_buffer->Release();
  if (s->clipper != nullptr) s->clipper->Release();
  DeleteGlObjects(s);
  delete[] s->memory;
  IDirectDraw7::State* dd = s->dd;
  delete s;
  delete this;
  ReleaseDirectDrawChild(dd);
  return 0;
}

HRESULT IDirectDrawSurface7::GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) {
  if (caps == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  IDirectDrawSurface7* found = nullptr;
  if ((caps->dwCaps & DDSCAPS_BACKBUFFER) != 0) found = state->back_buffer;
  if ((caps->dwCaps & DDSCAPS_ZBUFFER) != 0) found = state->z_buffer;
  if (found == nullptr) return DDERR_NOTFOUND;
  found->AddRef();
  *out = found;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::AddAttachedSurface(IDirectDrawSurface7* surface) {
  if (surface == nullptr || surface == this) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface7::State* depth = surface->state;
  if (state->kind != SurfaceKind::kRenderTarget || depth->kind != SurfaceKind::kZBuffer) {
    return DDERR_CANNOTATTACHSURFACE;
  }
  if (state->z_buffer != nullptr) return DDERR_SURFACEALREADYATTACHED;
  if (depth->width != state->width || depth->height != state->height) return DDERR_CANNOTATTACHSURFACE;
  if (depth->target_owner.context != state->target_owner.context || !BindRenderTarget(state)) {
    return DDERR_CANNOTATTACHSURFACE;
  }
  NoteGlStateChanged();
  const GLenum attachment = depth->has_stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, depth->depth_renderbuffer);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (!complete) {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, 0);
    return DDERR_CANNOTATTACHSURFACE;
  }
  surface->AddRef();
  state->z_buffer = surface;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::SetClipper(IDirectDrawClipper* clipper) {
  if (clipper != nullptr) clipper->AddRef();
  if (state->clipper != nullptr) state->clipper->Release();
  state->clipper = clipper;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Blt(RECT* dest_rect, IDirectDrawSurface7* source, RECT* source_rect, DWORD flags,
                                 DDBLTFX* fx) {
  IDirectDrawSurface7::State* dest = state;
  if ((flags & DDBLT_COLORFILL) != 0) {
    if (fx == nullptr) return DDERR_INVALIDPARAMS;
    RECT area = dest_rect != nullptr ? *dest_rect : RECT{0, 0, static_cast<LONG>(dest->width), static_cast<LONG>(dest->height)};
    if (area.left < 0 || area.top < 0 || area.right > static_cast<LONG>(dest->width) ||
        area.bottom > static_cast<LONG>(dest->height) || area.left > area.right || area.top > area.bottom) {
      return DDERR_INVALIDRECT;
    }
    if (dest->memory != nullptr) {
      if (dest->locked) return DDERR_SURFACEBUSY;
      const DWORD bytes = dest->pixel_format->bytes_per_pixel;
      for (LONG y = area.top; y < area.bottom; ++y) {
        uint8_t* row = dest->memory + static_cast<size_t>(y) * static_cast<size_t>(dest->pitch_bytes);
        for (LONG x = area.left; x < area.right; ++x) std::memcpy(row + x * bytes, &fx->dwFillColor, bytes);
      }
      MarkRowsWritten(dest, static_cast<DWORD>(area.top), static_cast<DWORD>(area.bottom));
      return DD_OK;
    }
    if (dest->kind != SurfaceKind::kRenderTarget) return DDERR_UNSUPPORTED;
    if (!BindRenderTarget(dest)) return DDERR_SURFACELOST;
    NoteGlStateChanged();
    const DWORD c = fx->dwFillColor;
    glEnable(GL_SCISSOR_TEST);
    glScissor(area.left, static_cast<GLint>(dest->height) - area.bottom, area.right - area.left, area.bottom - area.top);
    glClearColor(((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    return DD_OK;
  }
  if (source == nullptr) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface7::State* from = source->state;
  RECT area = source_rect != nullptr ? *source_rect : RECT{0, 0, static_cast<LONG>(from->width), static_cast<LONG>(from->height)};
  if (area.left < 0 || area.top < 0 || area.right > static_cast<LONG>(from->width) ||
      area.bottom > static_cast<LONG>(from->height) || area.left >= area.right || area.top >= area.bottom) {
    return DDERR_INVALIDRECT;
  }
  if (dest->kind == SurfaceKind::kPrimary && from->kind == SurfaceKind::kRenderTarget) {
    HWND window = dest->clipper != nullptr ? dest->clipper->state->window : dest->dd->window;
    if (window == nullptr) return DDERR_NOHWND;
    if (dest_rect == nullptr) return PresentSurface(dest->dd, window, from, area, nullptr);
    // The destination is in screen coordinates; the window draws in client coordinates.
    POINT origin = {0, 0};
    if (ClientToScreen(window, &origin) == FALSE) return DDERR_NOHWND;
    RECT client = {dest_rect->left - origin.x, dest_rect->top - origin.y, dest_rect->right - origin.x,
                   dest_rect->bottom - origin.y};
    return PresentSurface(dest->dd, window, from, area, &client);
  }
  // Copies between CPU surfaces of one format, stretched by nearest sample.
  if (dest->memory == nullptr || from->memory == nullptr) return DDERR_UNSUPPORTED;
  if (dest->pixel_format != from->pixel_format) return DDERR_INVALIDPIXELFORMAT;
  if (dest->locked || from->locked) return DDERR_SURFACEBUSY;
  RECT to = dest_rect != nullptr ? *dest_rect : RECT{0, 0, static_cast<LONG>(dest->width), static_cast<LONG>(dest->height)};
  if (to.left < 0 || to.top < 0 || to.right > static_cast<LONG>(dest->width) ||
      to.bottom > static_cast<LONG>(dest->height) || to.left >= to.right || to.top >= to.bottom) {
    return DDERR_INVALIDRECT;
  }
  const DWORD bytes = dest->pixel_format->bytes_per_pixel;
  const LONG from_w = area.right - area.left, from_h = area.bottom - area.top;
  const LONG to_w = to.right - to.left, to_h = to.bottom - to.top;
  std::vector<uint8_t> copy;  // the source may be the destination
  copy.assign(from->memory, from->memory + static_cast<size_t>(from->pitch_bytes) * from->height);
  for (LONG y = 0; y < to_h; ++y) {
    const LONG sy = area.top + y * from_h / to_h;
    for (LONG x = 0; x < to_w; ++x) {
      const LONG sx = area.left + x * from_w / to_w;
      std::memcpy(dest->memory + static_cast<size_t>(to.top + y) * dest->pitch_bytes + (to.left + x) * bytes,
                  copy.data() + static_cast<size_t>(sy) * from->pitch_bytes + sx * bytes, bytes);
    }
  }
  MarkRowsWritten(dest, static_cast<DWORD>(to.top), static_cast<DWORD>(to.bottom));
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Flip(IDirectDrawSurface7* target_override, DWORD /*flags*/) {
  if (state->kind != SurfaceKind::kFlipPrimary || state->back_buffer == nullptr) return DDERR_NOTFLIPPABLE;
  if (target_override != nullptr && target_override != state->back_buffer) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface7::State* back = state->back_buffer->state;
  const RECT whole = {0, 0, static_cast<LONG>(back->width), static_cast<LONG>(back->height)};
  return PresentSurface(state->dd, state->dd->window, back, whole, nullptr);
}

HRESULT IDirectDrawSurface7::GetDC(HDC* dc) {
  if (dc == nullptr) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  return AcquireSurfaceDC(state, dc);
}

HRESULT IDirectDrawSurface7::ReleaseDC(HDC dc) { return ReleaseSurfaceDC(state, dc); }

HRESULT IDirectDrawSurface7::Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE /*event*/) {
  if (desc == nullptr || desc->dwSize != DDSURFACEDESC2_SIZE) return DDERR_INVALIDPARAMS;
  // Render targets, z-buffers and primaries live in GL only; nothing in the viewer reads them back.
  if (state->memory == nullptr) return DDERR_UNSUPPORTED;
  if (state->locked) return DDERR_SURFACEBUSY;
  uint8_t* first = state->memory;
  state->lock_top = 0;
  state->lock_bottom = state->height;
  if (rect != nullptr) {
    if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(state->width) ||
        rect->bottom > static_cast<LONG>(state->height) || rect->left >= rect->right || rect->top >= rect->bottom) {
      return DDERR_INVALIDRECT;
    }
    first += static_cast<size_t>(rect->top) * state->pitch_bytes + rect->left * state->pixel_format->bytes_per_pixel;
    state->lock_top = static_cast<DWORD>(rect->top);
    state->lock_bottom = static_cast<DWORD>(rect->bottom);
  }
  GetSurfaceDesc(desc);
  desc->dwFlags |= DDSD_LPSURFACE | DDSD_PITCH;
  desc->lpSurface = first;
  state->locked = true;
  state->lock_read_only = (flags & DDLOCK_READONLY) != 0;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Unlock(RECT* /*rect*/) {
  if (!state->locked) return DDERR_NOTLOCKED;
  state->locked = false;
  if (!state->lock_read_only) MarkRowsWritten(state, state->lock_top, state->lock_bottom);
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetDDInterface(LPVOID* out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  IDirectDraw7* dd = state->dd->iface;
  // A surface can outlive its application references; there is then no interface to hand out.
  if (state->dd->app_refs == 0) {
    *out = nullptr;
    return DDERR_INVALIDOBJECT;
  }
  dd->AddRef();
  *out = dd;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetSurfaceDesc(DDSURFACEDESC2* desc) {
  if (desc == nullptr || desc->dwSize != DDSURFACEDESC2_SIZE) return DDERR_INVALIDPARAMS;
  std::memset(desc, 0, sizeof(*desc));
  desc->dwSize = DDSURFACEDESC2_SIZE;
  desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc->dwWidth = state->width;
  desc->dwHeight = state->height;
  desc->ddpfPixelFormat = state->format;
  desc->ddsCaps.dwCaps = state->caps;
  desc->ddsCaps.dwCaps2 = state->caps2;
  if (state->memory != nullptr) {
    desc->dwFlags |= DDSD_PITCH;
    desc->lPitch = state->pitch_bytes;
  }
  if (state->kind == SurfaceKind::kFlipPrimary) {
    desc->dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc->dwBackBufferCount = 1;
  }
  return DD_OK;
}

bool BindRenderTarget(IDirectDrawSurface7::State* target) {
  if (target->framebuffer == 0 || !MakeOwnerCurrent(target->target_owner)) return false;
  glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
  return true;
}

GLuint PrepareTexture(IDirectDrawSurface7::State* surface, const GlOwner& owner) {
  if (surface->kind != SurfaceKind::kTexture || surface->memory == nullptr) return 0;
  if (surface->texture != 0 && surface->texture_owner.context != owner.context) {
    // Drawn by another device's context now: the old copy goes with its own context.
    if (MakeOwnerCurrent(surface->texture_owner)) glDeleteTextures(1, &surface->texture);
    NoteGlStateChanged();
    GlOwner same;
    if (!MakeWindowCurrent(owner.window, &same)) return 0;
    surface->texture = 0;
  }
  const PixelFormatInfo& format = *surface->pixel_format;
  const GLsizei width = static_cast<GLsizei>(surface->width);
  if (surface->texture == 0) {
    glGenTextures(1, &surface->texture);
    surface->texture_owner = owner;
    std::fill(std::begin(surface->sampling), std::end(surface->sampling), 0);
    glBindTexture(GL_TEXTURE_2D, surface->texture);
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(TextureStorageFormat(format)), width,
                 static_cast<GLsizei>(surface->height), 0, format.format, format.type, nullptr);
    surface->stale_top = 0;
    surface->stale_bottom = surface->height;
  }
  glBindTexture(GL_TEXTURE_2D, surface->texture);
  if (surface->stale_top < surface->stale_bottom) {
    // Row 0 of the locked memory becomes texture coordinate v = 0, as Direct3D reads it. The memory's
    // layout is the GL format's own, so the driver copies the rows as they are.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, surface->pitch_bytes / static_cast<GLint>(format.bytes_per_pixel));
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, static_cast<GLint>(surface->stale_top), width,
                    static_cast<GLsizei>(surface->stale_bottom - surface->stale_top), format.format, format.type,
                    surface->memory + static_cast<size_t>(surface->stale_top) * surface->pitch_bytes);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    surface->stale_top = surface->stale_bottom = 0;
  }
  return surface->texture;
}
