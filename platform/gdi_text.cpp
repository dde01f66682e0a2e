// GDI text on a render target: GetDC hands out a device context that records TextOutA calls with the
// colour and background mode in force, and ReleaseDC draws them over the surface in a fixed bitmap
// font. A handle that is not a live context makes the GDI calls fail as GDI does, never crash.
#include <stb/stb_easy_font.h>

#include <algorithm>
#include <string>

#include "platform/gfx_internal.h"

struct GdiContext {
  IDirectDrawSurface7::State* surface = nullptr;
  COLORREF text_colour = RGB(0, 0, 0);
  COLORREF background_colour = RGB(255, 255, 255);
  int background_mode = OPAQUE;
  struct Run {
    int x, y;
    std::string text;
    COLORREF text_colour, background_colour;
    int background_mode;
  };
  std::vector<Run> runs;
};

namespace {

#define CLR_INVALID 0xFFFFFFFFu

// Contexts handed out and not yet released; written by GetDC and ReleaseDC.
std::vector<GdiContext*> g_live_contexts;

GdiContext* FindContext(HDC dc) {
  GdiContext* context = reinterpret_cast<GdiContext*>(dc);
  return std::find(g_live_contexts.begin(), g_live_contexts.end(), context) != g_live_contexts.end() ? context
                                                                                                      : nullptr;
}

void ForgetContext(GdiContext* context) {
  g_live_contexts.erase(std::remove(g_live_contexts.begin(), g_live_contexts.end(), context), g_live_contexts.end());
  delete context;
}

void ColourOf(COLORREF colour, float rgba[4]) {
  rgba[0] = (colour & 0xFF) / 255.0f;
  rgba[1] = ((colour >> 8) & 0xFF) / 255.0f;
  rgba[2] = ((colour >> 16) & 0xFF) / 255.0f;
  rgba[3] = 1.0f;
}

void DrawRun(Gl2dPrograms* programs, const GdiContext::Run& run, int width, int height) {
  // The font's quads are 16-byte vertices, four per character stroke.
  std::vector<char> text(run.text.begin(), run.text.end());
  text.push_back('\0');
  std::vector<float> quads(run.text.size() * 270 + 64);
  unsigned char unused_colour[4] = {255, 255, 255, 255};
  const int quad_count = stb_easy_font_print(static_cast<float>(run.x), static_cast<float>(run.y), text.data(),
                                             unused_colour, quads.data(), static_cast<int>(quads.size() * 4));
  float rgba[4];
  if (run.background_mode == OPAQUE) {
    const float text_w = static_cast<float>(stb_easy_font_width(text.data()));
    const float text_h = static_cast<float>(stb_easy_font_height(text.data()));
    const Rect2d box = {static_cast<float>(run.x), height - run.y - text_h, run.x + text_w, static_cast<float>(height - run.y),
                        0, 0, 0, 0};
    ColourOf(run.background_colour, rgba);
    Draw2dRects(programs, width, height, &box, 1, 0, rgba, false);
  }
  std::vector<Rect2d> rects;
  rects.reserve(static_cast<size_t>(quad_count));
  for (int q = 0; q < quad_count; ++q) {
    const float* v = &quads[static_cast<size_t>(q) * 16];
    // Corners 0 and 2 are opposite; y runs down in GDI and up in GL.
    rects.push_back(Rect2d{v[0], height - v[9], v[8], height - v[1], 0, 0, 0, 0});
  }
  ColourOf(run.text_colour, rgba);
  Draw2dRects(programs, width, height, rects.data(), rects.size(), 0, rgba, false);
}

}  // namespace

HRESULT AcquireSurfaceDC(IDirectDrawSurface7::State* surface, HDC* dc) {
  if (surface->kind != SurfaceKind::kRenderTarget) return DDERR_CANTCREATEDC;
  if (surface->dc != nullptr) return DDERR_DCALREADYCREATED;
  GdiContext* context = new GdiContext;
  context->surface = surface;
  surface->dc = context;
  g_live_contexts.push_back(context);
  *dc = reinterpret_cast<HDC>(context);
  return DD_OK;
}

HRESULT ReleaseSurfaceDC(IDirectDrawSurface7::State* surface, HDC dc) {
  GdiContext* context = FindContext(dc);
  if (context == nullptr || context != surface->dc) return DDERR_NODC;
  surface->dc = nullptr;
  HRESULT result = DD_OK;
  if (!context->runs.empty()) {
    if (BindRenderTarget(surface) && Prepare2dPrograms(&surface->dd->programs, surface->target_owner)) {
      // Prepare2dPrograms may have changed the binding while building.
      BindRenderTarget(surface);
      for (const GdiContext::Run& run : context->runs) {
        DrawRun(&surface->dd->programs, run, static_cast<int>(surface->width), static_cast<int>(surface->height));
      }
    } else {
      result = DDERR_SURFACELOST;
    }
  }
  ForgetContext(context);
  return result;
}

void DestroySurfaceDC(IDirectDrawSurface7::State* surface) {
  if (surface->dc == nullptr) return;
  ForgetContext(surface->dc);
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

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  GdiContext* context = FindContext(dc);
  if (context == nullptr || length < 0 || (text == nullptr && length > 0)) return FALSE;
  if (length == 0) return TRUE;
  // The bitmap font draws printable ASCII; anything else takes the width of a space.
  std::string shown(text, static_cast<size_t>(length));
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = ' ';
  }
  context->runs.push_back(GdiContext::Run{x, y, shown, context->text_colour, context->background_colour,
                                          context->background_mode});
  return TRUE;
}
