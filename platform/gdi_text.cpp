// GDI text on a render target: GetDC hands out a device context that records TextOutA calls with the
// colour and background mode in force, and ReleaseDC draws them over the surface in a fixed bitmap
// font of the size of a Windows screen font. A handle that is not a live context makes the GDI calls
// fail as GDI does, never crash.
#include <stb/stb_easy_font.h>

#include <algorithm>
#include <new>
#include <string>

#include "platform/gfx_internal.h"

// Twice the bitmap font's own size: its capitals are 7 pixels tall, the screen font a Windows user
// reads is about 16.
const float FONT_SCALE = 2.0f;

// One per render target, made at its first GetDC and reused by every later one, so that drawing text
// each frame allocates nothing once the buffers have grown to the text drawn.
struct GdiContext {
  IDirectDrawSurface7::State* surface = nullptr;
  bool live = false;  // handed out by GetDC and not yet released
  COLORREF text_colour = RGB(0, 0, 0);
  COLORREF background_colour = RGB(255, 255, 255);
  int background_mode = OPAQUE;
  struct Run {
    int x, y;
    size_t text_start, text_length;  // in `texts`
    COLORREF text_colour, background_colour;
    int background_mode;
  };
  std::vector<Run> runs;
  std::string texts;
  // Scratch space of the drawing.
  std::string run_text;
  std::vector<float> quads;
  std::vector<Rect2d> rects;
};

namespace {

#define CLR_INVALID 0xFFFFFFFFu

// Every context of a surface that still exists; written by GetDC and the surface's destruction.
std::vector<GdiContext*> g_contexts;

GdiContext* FindContext(HDC dc) {
  GdiContext* context = reinterpret_cast<GdiContext*>(dc);
  const bool known = std::find(g_contexts.begin(), g_contexts.end(), context) != g_contexts.end();
  return known && context->live ? context : nullptr;
}

void ColourOf(COLORREF colour, float rgba[4]) {
  rgba[0] = (colour & 0xFF) / 255.0f;
  rgba[1] = ((colour >> 8) & 0xFF) / 255.0f;
  rgba[2] = ((colour >> 16) & 0xFF) / 255.0f;
  rgba[3] = 1.0f;
}

void DrawRun(Gl2dPrograms* programs, GdiContext* context, const GdiContext::Run& run, int width, int height) {
  context->run_text.assign(context->texts, run.text_start, run.text_length);
  char* text = &context->run_text[0];
  // The font's quads are 16-byte vertices, four per character stroke.
  context->quads.resize(run.text_length * 270 + 64);
  unsigned char unused_colour[4] = {255, 255, 255, 255};
  const int quad_count = stb_easy_font_print(0, 0, text, unused_colour, context->quads.data(),
                                             static_cast<int>(context->quads.size() * sizeof(float)));
  const float x = static_cast<float>(run.x), y = static_cast<float>(run.y);
  float rgba[4];
  if (run.background_mode == OPAQUE) {
    const float text_w = FONT_SCALE * static_cast<float>(stb_easy_font_width(text));
    const float text_h = FONT_SCALE * static_cast<float>(stb_easy_font_height(text));
    const Rect2d box = {x, height - y - text_h, x + text_w, height - y, 0, 0, 0, 0};
    ColourOf(run.background_colour, rgba);
    Draw2dRects(programs, width, height, &box, 1, 0, rgba, false);
  }
  context->rects.clear();
  for (int q = 0; q < quad_count; ++q) {
    const float* v = &context->quads[static_cast<size_t>(q) * 16];
    // Corners 0 and 2 are opposite; y runs down in GDI and up in GL.
    context->rects.push_back(Rect2d{x + FONT_SCALE * v[0], height - (y + FONT_SCALE * v[9]), x + FONT_SCALE * v[8],
                                    height - (y + FONT_SCALE * v[1]), 0, 0, 0, 0});
  }
  ColourOf(run.text_colour, rgba);
  Draw2dRects(programs, width, height, context->rects.data(), context->rects.size(), 0, rgba, false);
}

}  // namespace

HRESULT AcquireSurfaceDC(IDirectDrawSurface7::State* surface, HDC* dc) {
  if (surface->kind != SurfaceKind::kRenderTarget) return DDERR_CANTCREATEDC;
  GdiContext* context = surface->dc;
  if (context == nullptr) {
    context = new (std::nothrow) GdiContext;
    if (context == nullptr) return DDERR_OUTOFMEMORY;
    context->surface = surface;
    surface->dc = context;
    g_contexts.push_back(context);
  } else if (context->live) {
    return DDERR_DCALREADYCREATED;
  }
  // Every GetDC starts from the defaults of a new device context.
  context->live = true;
  context->text_colour = RGB(0, 0, 0);
  context->background_colour = RGB(255, 255, 255);
  context->background_mode = OPAQUE;
  context->runs.clear();
  context->texts.clear();
  *dc = reinterpret_cast<HDC>(context);
  return DD_OK;
}

HRESULT ReleaseSurfaceDC(IDirectDrawSurface7::State* surface, HDC dc) {
  GdiContext* context = FindContext(dc);
  if (context == nullptr || context != surface->dc) return DDERR_NODC;
  context->live = false;
  if (context->runs.empty()) return DD_OK;
  if (!BindRenderTarget(surface) || !Prepare2dPrograms(&surface->dd->programs, surface->target_owner)) {
    return DDERR_SURFACELOST;
  }
  // Prepare2dPrograms may have changed the binding while building.
  BindRenderTarget(surface);
  for (const GdiContext::Run& run : context->runs) {
    DrawRun(&surface->dd->programs, context, run, static_cast<int>(surface->width), static_cast<int>(surface->height));
  }
  return DD_OK;
}

void DestroySurfaceDC(IDirectDrawSurface7::State* surface) {
  GdiContext* context = surface->dc;
  if (context == nullptr) return;
  g_contexts.erase(std::remove(g_contexts.begin(), g_contexts.end(), context), g_contexts.end());
  delete context;
  surface->dc = nullptr;
}

int SetBkMode(HDC dc, int mode) {
  GdiContext* context = FindContext(dc);
  if (context == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  const int previous = context->background_mode;
  context->background_mode = mode;
  return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  GdiContext* context = FindContext(dc);
  if (context == nullptr) return CLR_INVALID;
  const COLORREF previous = context->text_colour;
  context->text_colour = colour & 0x00FFFFFF;
  return previous;
}

namespace {

// The bitmap font draws printable ASCII and, where asked, breaks lines at '\n'; anything else takes the
// width of a space.
bool AddRun(GdiContext* context, int x, int y, LPCSTR text, int length, bool lines) {
  if (length == 0) return true;
  const size_t start = context->texts.size();
  context->texts.append(text, static_cast<size_t>(length));
  for (size_t i = start; i < context->texts.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(context->texts[i]);
    if ((c < 32 && !(lines && c == '\n')) || c > 126) context->texts[i] = ' ';
  }
  context->runs.push_back(GdiContext::Run{x, y, start, static_cast<size_t>(length), context->text_colour,
                                          context->background_colour, context->background_mode});
  return true;
}

}  // namespace

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  GdiContext* context = FindContext(dc);
  if (context == nullptr || length < 0 || (text == nullptr && length > 0)) return FALSE;
  return AddRun(context, x, y, text, length, false) ? TRUE : FALSE;
}

int DrawTextA(HDC dc, LPCSTR text, int length, RECT* rect, UINT format) {
  GdiContext* context = FindContext(dc);
  if (context == nullptr || rect == nullptr || text == nullptr || (format & ~DT_NOCLIP) != 0) return 0;
  if (length < 0) length = lstrlenA(text);  // -1: up to the terminating zero, as GDI takes it
  if (length == 0) return 0;
  AddRun(context, rect->left, rect->top, text, length, true);
  // The font's own measure: 12 units a line, the last one counted when it holds anything.
  int lines = 0;
  for (int i = 0; i < length; ++i) lines += text[i] == '\n' ? 1 : 0;
  if (text[length - 1] != '\n') ++lines;
  return static_cast<int>(FONT_SCALE * 12.0f * static_cast<float>(lines));
}
