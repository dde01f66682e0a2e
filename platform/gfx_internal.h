// Insides of the DirectDraw 7 / Direct3D 7 stand-in, shared by its backend files only: the state behind
// each interface, the pixel-format and vertex-layout tables, and the OpenGL plumbing (probing, contexts,
// small programs). Nothing here is for portable code. GL objects remember the window and context they
// were made in and are deleted only while that context still exists (a destroyed context took them along).
#pragma once

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3d.h"

// What the GL driver offers, probed once per process from any context that can be made current.
struct GlInfo {
  bool usable;    // a context of version 3.3 or later was found
  bool software;  // the renderer is a software rasterizer (llvmpipe, softpipe, swrast, ...)
  GLint max_texture_size;
  GLint max_renderbuffer_size;
  bool rgb565_storage;  // GL_RGB565 is a texture format (GL 4.1, or the ES 2 compatibility extension)
  char renderer[128];
};
const GlInfo& GetGlInfo();
// Largest texture edge the device reports: GL's limit, lowered by the test hook.
DWORD MaxTextureEdge();
// Texture capabilities added by the test hook (D3DPTEXTURECAPS_POW2, D3DPTEXTURECAPS_SQUAREONLY).
DWORD ExtraTextureCaps();
bool OnlyStencilDepthFormats();
HRESULT VertexBufferFailure();
// True (and counted down) while SetDisplayMode is to fail for a test.
bool TakeDisplayModeFailure();

// A window's context as it was when GL objects were made in it.
struct GlOwner {
  HWND window = nullptr;
  void* context = nullptr;
};
// Makes the window's context current and records it; false when the window has none.
bool MakeWindowCurrent(HWND window, GlOwner* owner);
// Makes the owner's context current if it still exists; false when it is gone with its objects.
bool MakeOwnerCurrent(const GlOwner& owner);
GLuint BuildProgram(const char* vertex_source, const char* fragment_source);
// A stamp that moves whenever GL state may have changed outside a device's own draws (another context
// made current, 2D drawing, presenting, the window's UI, GL objects made or deleted). A device that
// sees it move gives GL its whole state again before drawing.
void NoteGlStateChanged();
uint64_t GlStateStamp();
// Drops pending GL errors; returns true when one of them was GL_OUT_OF_MEMORY.
bool DrainGlErrors();

// Pixel formats: the device's texture formats (in enumeration order), the display formats and the
// depth formats, each with the GL upload it needs.
struct PixelFormatInfo {
  DDPIXELFORMAT ddpf;
  DWORD bytes_per_pixel;
  GLenum internal_format, format, type;
  GLint swizzle[4];
};
const PixelFormatInfo* TextureFormats(int* count);
const PixelFormatInfo* FindTextureFormat(const DDPIXELFORMAT& ddpf);
// The internal format a texture of the format is stored in on this driver.
GLenum TextureStorageFormat(const PixelFormatInfo& format);
// The format of a display mode of the given depth (8: palettized, 16: 5-6-5, 24, 32: X8R8G8B8).
const PixelFormatInfo* DisplayFormat(DWORD bits_per_pixel);

struct DepthFormatInfo {
  DDPIXELFORMAT ddpf;
  GLenum internal_format;
  bool stencil;
};
const DepthFormatInfo* DepthFormats(int* count);  // honours the stencil-only test hook
const DepthFormatInfo* FindDepthFormat(const DDPIXELFORMAT& ddpf);

// A flexible vertex format taken apart: byte offsets of each element, -1 when absent.
struct VertexLayout {
  DWORD stride;
  int position_size;  // 3 for D3DFVF_XYZ, 4 for D3DFVF_XYZRHW
  int normal_offset;
  int diffuse_offset;
  int specular_offset;
  int texture_count;
  int texture_offset[8];
};
// False for layouts Direct3D 7 refuses (no position, blend weights, unknown bits, 1D/3D/4D coordinates).
bool DecodeVertexLayout(DWORD fvf, VertexLayout* layout);

// Display modes: what the display offers through SDL plus the classic modes it may lack (16-bit ones
// and a palettized 640 x 480 x 8), which are emulated by a desktop-sized full-screen window with the
// back buffer at the mode's size.
struct DisplayModeInfo {
  DWORD width, height, bits_per_pixel;
};
std::vector<DisplayModeInfo> ListDisplayModes();
DisplayModeInfo DesktopDisplayMode();
void FillModeDesc(const DisplayModeInfo& mode, DDSURFACEDESC2* desc);

// Drawing in window or surface pixels: a textured quad (presenting, GDI glyphs) and a flat colour
// (GDI backgrounds), made once per context.
struct Gl2dPrograms {
  GlOwner owner;
  GLuint program = 0, vertex_array = 0, vertex_buffer = 0;
  GLint texture_uniform = -1, colour_uniform = -1, use_texture_uniform = -1, target_uniform = -1;
  std::vector<float> vertices;  // scratch of Draw2dRects, kept so that drawing allocates only to grow
};
// Makes the owner's context current and the programs ready in it; false when the context is gone.
bool Prepare2dPrograms(Gl2dPrograms* programs, const GlOwner& owner);
void Release2dPrograms(Gl2dPrograms* programs);
// Draws rectangles given in pixels of the bound framebuffer of the given size (origin bottom-left),
// each as x0, y0, x1, y1 and u0, v0, u1, v1: textured when `texture` is not 0, tinted by `rgba`.
// Leaves blending, depth, culling and scissoring off.
struct Rect2d {
  float x0, y0, x1, y1, u0, v0, u1, v1;
};
void Draw2dRects(Gl2dPrograms* programs, int target_width, int target_height, const Rect2d* rects, size_t count,
                 GLuint texture, const float rgba[4], bool blend);

struct IDirectDraw7::State {
  // Application references end the cooperative level; child objects (surfaces, clippers, devices)
  // keep the state alive until the last of them goes.
  ULONG app_refs = 1;
  ULONG child_refs = 0;
  IDirectDraw7* iface = nullptr;
  DWORD cooperative_flags = 0;
  HWND window = nullptr;
  bool exclusive = false;
  bool mode_set = false;
  DisplayModeInfo mode = {};
  Gl2dPrograms programs;
};
void AcquireDirectDraw(IDirectDraw7::State* dd);
void ReleaseDirectDrawChild(IDirectDraw7::State* dd);
// The mode the object set while exclusive, or the desktop's.
DisplayModeInfo CurrentDisplayMode(const IDirectDraw7::State* dd);

enum class SurfaceKind { kPrimary, kFlipPrimary, kRenderTarget, kZBuffer, kTexture, kPlain };

struct GdiContext;

struct IDirectDrawSurface7::State {
  ULONG refs = 1;
  IDirectDraw7::State* dd = nullptr;
  SurfaceKind kind = SurfaceKind::kPlain;
  DWORD caps = 0, caps2 = 0;
  DWORD width = 0, height = 0;
  DDPIXELFORMAT format = {};
  const PixelFormatInfo* pixel_format = nullptr;
  // CPU memory of textures and plain surfaces. A lock remembers its rows; finished writes widen the
  // stale rows, [stale_top, stale_bottom), that the GL copy has not seen yet.
  uint8_t* memory = nullptr;
  LONG pitch_bytes = 0;
  bool locked = false;
  bool lock_read_only = false;
  DWORD lock_top = 0, lock_bottom = 0;
  DWORD stale_top = 0, stale_bottom = 0;
  // The GL copy of a texture, made at its first draw and then brought up to date by the stale rows.
  GLuint texture = 0;
  GlOwner texture_owner;
  GLint sampling[4] = {};  // the copy's magnification, minification, s and t wrap; 0 before they are set
  // Render targets: colour texture in a framebuffer; z-buffers: a renderbuffer.
  GlOwner target_owner;
  GLuint framebuffer = 0, colour_texture = 0, depth_renderbuffer = 0;
  bool has_stencil = false;
  IDirectDrawSurface7* back_buffer = nullptr;  // flip primary: its one back buffer (owned reference)
  IDirectDrawSurface7* z_buffer = nullptr;     // render target: the attached depth surface (owned reference)
  IDirectDrawClipper* clipper = nullptr;       // primary: owned reference
  GdiContext* dc = nullptr;                    // render targets: made by the first GetDC, reused by later ones
};

struct IDirectDrawClipper::State {
  ULONG refs = 1;
  IDirectDraw7::State* dd = nullptr;
  HWND window = nullptr;
};

struct IDirect3D7::State {
  ULONG refs = 1;
  IDirectDraw7* dd = nullptr;  // holds an application reference, as the shared COM object would
};

struct IDirect3DVertexBuffer7::State {
  ULONG refs = 1;
  D3DVERTEXBUFFERDESC desc = {};
  VertexLayout layout = {};
  uint8_t* memory = nullptr;  // null while the vertices live only in the GL copy
  DWORD size_bytes = 0;
  bool locked = false;
  bool lock_read_only = false;
  // The GL copy, made at the first draw from the buffer and sent again only after a lock that could
  // write, so that drawing vertices that did not change copies nothing.
  GLuint gl_buffer = 0;
  GlOwner gl_owner;
  bool gl_stale = true;
};
// Brings a vertex buffer's GL copy up to date in the current context; 0 when it cannot be made. A
// write-only buffer's memory is freed once its copy is made.
GLuint PrepareVertexBuffer(IDirect3DVertexBuffer7::State* buffer, const GlOwner& owner);
// Gives a buffer whose memory was freed its memory back, read from its GL copy (zeros when that copy's
// context is gone); false when it cannot be allocated.
bool TakeBackVertices(IDirect3DVertexBuffer7::State* buffer);

// The device descriptions EnumDevices offers and GetCaps reports; false for a GUID that is no device.
bool FillDeviceDesc(REFCLSID device_guid, D3DDEVICEDESC7* desc);
HRESULT CreateDeviceObject(REFCLSID device_guid, IDirectDrawSurface7* target, IDirect3DDevice7** out);

// Makes a render target's framebuffer current for drawing; false when its context is gone.
bool BindRenderTarget(IDirectDrawSurface7::State* target);
// Brings a texture surface's GL copy up to date in the current context; 0 when it cannot be made.
GLuint PrepareTexture(IDirectDrawSurface7::State* surface, const GlOwner& owner);

// Presenting: draws the source rectangle of a render target into the destination rectangle of the
// window's client area (the whole client area when null), lets the window draw its decorations, swaps.
HRESULT PresentSurface(IDirectDraw7::State* dd, HWND window, IDirectDrawSurface7::State* source,
                       const RECT& source_rect, const RECT* dest_client_rect);

// GDI over a render target: GetDC hands out a context, ReleaseDC draws what was written into it.
HRESULT AcquireSurfaceDC(IDirectDrawSurface7::State* surface, HDC* dc);
HRESULT ReleaseSurfaceDC(IDirectDrawSurface7::State* surface, HDC dc);
void DestroySurfaceDC(IDirectDrawSurface7::State* surface);
