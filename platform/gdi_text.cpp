// GDI text on a render target: GetDC hands out a device context that records TextOutA calls with the
// colour and background mode in force, and ReleaseDC draws them over the surface in a fixed bitmap
// font of the size of a Windows screen font. A handle that is not a live context makes the GDI calls
// fail as GDI does, never crash.
// DrawTextA blocks (panels, cheatsheets) come back every frame with nearly the same lines, and setting
// up their thousands of letter strokes each frame costs a software rasteriser a good part of a cheap
// frame: each line is drawn once into a strip of a texture kept per context, with the very pixels the
// strokes would have left, and the block is then its strips copied onto the target (or, where a copy
// cannot do, one textured quad a line, all in one draw).
#include <stb/stb_easy_font.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "platform/gfx_internal.h"

// Twice the bitmap font's own size: its capitals are 7 pixels tall, the screen font a Windows user
// reads is about 16.
const float FONT_SCALE = 2.0f;
const int LINE_PX = 24;  // the font's 12-unit line, scaled

// The strip texture: wide enough for any panel line, tall enough for a full-height panel's lines
// and a few that change under it.
const int STRIP_TEXTURE_WIDTH = 1024;
const int STRIP_COUNT = 64;
// Above the letters of the widest line a strip holds, so that reusing a strip allocates nothing.
const size_t STRIP_KEY_RESERVE = 256;

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
    bool lines;  // from DrawTextA: a block of lines, drawn through the strips
  };
  std::vector<Run> runs;
  // One line of a block as drawn into the strip texture, with what its pixels depend on.
  struct Strip {
    std::string text;
    int width = -1;  // -1: holds nothing yet
    COLORREF text_colour = 0, background_colour = 0;
    int background_mode = OPAQUE;
    uint64_t last_used = 0;
  };
  GLuint strip_texture = 0;
  bool can_copy = false;  // the context copies between textures (GL 4.3)
  std::vector<Strip> strips;
  uint64_t strip_clock = 0;
  std::vector<uint8_t> strip_pixels;
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

// The font's strokes of a zero-terminated text, as quads of 16-byte vertices, four per stroke.
int PrintStrokes(GdiContext* context, char* text, size_t length) {
  context->quads.resize(length * 270 + 64);
  unsigned char unused_colour[4] = {255, 255, 255, 255};
  return stb_easy_font_print(0, 0, text, unused_colour, context->quads.data(),
                             static_cast<int>(context->quads.size() * sizeof(float)));
}

void PutColour(uint8_t* pixel, COLORREF colour, uint8_t alpha) {
  pixel[0] = colour & 0xFF;
  pixel[1] = (colour >> 8) & 0xFF;
  pixel[2] = (colour >> 16) & 0xFF;
  pixel[3] = alpha;
}

bool PrepareStrips(GdiContext* context) {
  if (context->strip_texture != 0) return true;
  context->strips.resize(STRIP_COUNT);
  for (GdiContext::Strip& strip : context->strips) strip.text.reserve(STRIP_KEY_RESERVE);
  context->strip_pixels.resize(size_t{STRIP_TEXTURE_WIDTH} * LINE_PX * 4);
  NoteGlStateChanged();
  glGenTextures(1, &context->strip_texture);
  glBindTexture(GL_TEXTURE_2D, context->strip_texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, STRIP_TEXTURE_WIDTH, STRIP_COUNT * LINE_PX, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               nullptr);
  // Drawn texel for pixel, so nearest sampling gives back exactly the strokes put in.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  context->can_copy = major > 4 || (major == 4 && minor >= 3);
  if (DrainGlErrors()) {
    glDeleteTextures(1, &context->strip_texture);
    context->strip_texture = 0;
    return false;
  }
  return true;
}

// The strip holding this line at this width and in these colours, drawing it into the least
// recently used strip when none does.
int StripFor(GdiContext* context, const GdiContext::Run& run, char* line, size_t length, int width) {
  int oldest = 0;
  for (int i = 0; i < STRIP_COUNT; ++i) {
    GdiContext::Strip& strip = context->strips[static_cast<size_t>(i)];
    if (strip.width == width && strip.text_colour == run.text_colour &&
        strip.background_colour == run.background_colour && strip.background_mode == run.background_mode &&
        strip.text.size() == length && std::memcmp(strip.text.data(), line, length) == 0) {
      strip.last_used = context->strip_clock;
      return i;
    }
    if (strip.last_used < context->strips[static_cast<size_t>(oldest)].last_used) oldest = i;
  }
  GdiContext::Strip& strip = context->strips[static_cast<size_t>(oldest)];
  strip.text.assign(line, length);
  strip.width = width;
  strip.text_colour = run.text_colour;
  strip.background_colour = run.background_colour;
  strip.background_mode = run.background_mode;
  strip.last_used = context->strip_clock;
  // What the flat box and the stroke quads would leave: the background (none when transparent), then
  // each stroke's pixels, whose corners fall on whole pixels.
  uint8_t* pixels = context->strip_pixels.data();
  const uint8_t background_alpha = run.background_mode == OPAQUE ? 255 : 0;
  for (int p = 0; p < width * LINE_PX; ++p) PutColour(pixels + size_t(p) * 4, run.background_colour, background_alpha);
  const int quad_count = PrintStrokes(context, line, length);
  for (int q = 0; q < quad_count; ++q) {
    const float* v = &context->quads[static_cast<size_t>(q) * 16];
    const int x0 = static_cast<int>(FONT_SCALE * v[0]), x1 = std::min(width, static_cast<int>(FONT_SCALE * v[8]));
    const int y0 = static_cast<int>(FONT_SCALE * v[1]), y1 = std::min(LINE_PX, static_cast<int>(FONT_SCALE * v[9]));
    for (int row = std::max(0, y0); row < y1; ++row) {
      for (int column = std::max(0, x0); column < x1; ++column) {
        // Rows bottom up, as GL keeps them, so that a strip can be copied as it is.
        PutColour(pixels + (size_t(LINE_PX - 1 - row) * width + column) * 4, run.text_colour, 255);
      }
    }
  }
  glBindTexture(GL_TEXTURE_2D, context->strip_texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, oldest * LINE_PX, width, LINE_PX, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  return oldest;
}

// False when the block does not fit the strips, for the stroke-by-stroke drawing.
bool DrawRunInStrips(Gl2dPrograms* programs, GdiContext* context, const GdiContext::Run& run, int width,
                     int height) {
  char* text = &context->run_text[0];
  const int block_width = static_cast<int>(FONT_SCALE) * stb_easy_font_width(text);
  const int line_count = stb_easy_font_height(text) / 12;
  if (block_width <= 0 || block_width > STRIP_TEXTURE_WIDTH || line_count > STRIP_COUNT ||
      !PrepareStrips(context)) {
    return false;
  }
  ++context->strip_clock;
  NoteGlStateChanged();
  context->rects.clear();
  const float texture_height = static_cast<float>(STRIP_COUNT * LINE_PX);
  // An opaque block wholly on the target is copied strip by strip, which a software rasteriser does
  // as a plain memory copy; anything else is drawn.
  const bool copy = context->can_copy && run.background_mode == OPAQUE && run.x >= 0 && run.y >= 0 &&
                    run.x + block_width <= width && run.y + line_count * LINE_PX <= height;
  char* line = text;
  for (int i = 0; i < line_count; ++i) {
    char* end = std::strchr(line, '\n');
    if (end != nullptr) *end = '\0';
    const int strip = StripFor(context, run, line, std::strlen(line), block_width);
    // y runs down in GDI and up in GL; the strip's first row is the line's top.
    const int top = height - (run.y + i * LINE_PX);
    if (copy) {
      glCopyImageSubData(context->strip_texture, GL_TEXTURE_2D, 0, 0, strip * LINE_PX, 0,
                         context->surface->colour_texture, GL_TEXTURE_2D, 0, run.x, top - LINE_PX, 0, block_width,
                         LINE_PX, 1);
    } else {
      context->rects.push_back(Rect2d{static_cast<float>(run.x), static_cast<float>(top - LINE_PX),
                                      static_cast<float>(run.x + block_width), static_cast<float>(top), 0,
                                      strip * LINE_PX / texture_height,
                                      block_width / static_cast<float>(STRIP_TEXTURE_WIDTH),
                                      (strip + 1) * LINE_PX / texture_height});
    }
    if (end == nullptr) break;
    line = end + 1;
  }
  if (copy) return true;
  const float white[4] = {1, 1, 1, 1};
  Draw2dRects(programs, width, height, context->rects.data(), context->rects.size(), context->strip_texture, white,
              run.background_mode != OPAQUE);
  return true;
}

void DrawRun(Gl2dPrograms* programs, GdiContext* context, const GdiContext::Run& run, int width, int height) {
  context->run_text.assign(context->texts, run.text_start, run.text_length);
  char* text = &context->run_text[0];
  const int quad_count = PrintStrokes(context, text, run.text_length);
  const float x = static_cast<float>(run.x), y = static_cast<float>(run.y);
  float rgba[4];
  if (run.lines && DrawRunInStrips(programs, context, run, width, height)) return;
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
  if (context->strip_texture != 0) {
    NoteGlStateChanged();
    if (MakeOwnerCurrent(surface->target_owner)) glDeleteTextures(1, &context->strip_texture);
  }
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
                                          context->background_colour, context->background_mode, lines});
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
