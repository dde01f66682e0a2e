// Presenting a render target into its window (scaled into the client area, decorations drawn over it,
// then swapped), the small 2D program that does it and that GDI text uses, and the kept copy of the
// last presented frame that tests and screenshots read. Keeping reads the frame back from GL, so it is
// asked for only where the frame will be read.
#include <SDL.h>
#include <stb/stb_image_write.h>

#include <cstring>

#include "platform/gfx_internal.h"
#include "platform/test_hooks.h"
#include "platform/window_internal.h"

namespace {

// Written by PresentSurface while keeping is on; read by the test hooks.
struct PresentedFrame {
  bool keep = false;
  bool valid = false;
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  std::vector<uint8_t> row;  // scratch of the row flip
};
PresentedFrame g_presented;

const char* const VERTEX_2D = R"(#version 330 core
layout(location = 0) in vec2 a_position;
layout(location = 1) in vec2 a_uv;
uniform vec2 u_target;
out vec2 v_uv;
void main() {
  v_uv = a_uv;
  gl_Position = vec4(a_position / u_target * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const FRAGMENT_2D = R"(#version 330 core
in vec2 v_uv;
uniform sampler2D u_texture;
uniform vec4 u_colour;
uniform int u_use_texture;
out vec4 o_colour;
void main() {
  o_colour = u_use_texture != 0 ? texture(u_texture, v_uv) * u_colour : u_colour;
}
)";

void KeepFrame(IDirectDrawSurface7::State* source, const RECT& rect) {
  if (!BindRenderTarget(source)) return;
  NoteGlStateChanged();
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const size_t row_bytes = static_cast<size_t>(width) * 4;
  g_presented.rgba.resize(row_bytes * height);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(rect.left, static_cast<GLint>(source->height) - rect.bottom, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
               g_presented.rgba.data());
  // GL's rows run bottom-up.
  g_presented.row.resize(row_bytes);
  for (int y = 0; y < height / 2; ++y) {
    uint8_t* top = &g_presented.rgba[static_cast<size_t>(y) * row_bytes];
    uint8_t* bottom = &g_presented.rgba[static_cast<size_t>(height - 1 - y) * row_bytes];
    std::memcpy(g_presented.row.data(), top, row_bytes);
    std::memcpy(top, bottom, row_bytes);
    std::memcpy(bottom, g_presented.row.data(), row_bytes);
  }
  g_presented.width = width;
  g_presented.height = height;
  g_presented.valid = true;
}

}  // namespace

bool Prepare2dPrograms(Gl2dPrograms* programs, const GlOwner& owner) {
  if (programs->program != 0 && programs->owner.context != owner.context) Release2dPrograms(programs);
  if (!MakeOwnerCurrent(owner)) return false;
  if (programs->program != 0) return true;
  NoteGlStateChanged();
  programs->program = BuildProgram(VERTEX_2D, FRAGMENT_2D);
  if (programs->program == 0) return false;
  programs->owner = owner;
  programs->texture_uniform = glGetUniformLocation(programs->program, "u_texture");
  programs->colour_uniform = glGetUniformLocation(programs->program, "u_colour");
  programs->use_texture_uniform = glGetUniformLocation(programs->program, "u_use_texture");
  programs->target_uniform = glGetUniformLocation(programs->program, "u_target");
  glGenVertexArrays(1, &programs->vertex_array);
  glGenBuffers(1, &programs->vertex_buffer);
  glBindVertexArray(programs->vertex_array);
  glBindBuffer(GL_ARRAY_BUFFER, programs->vertex_buffer);
  glEnableVertexAttribArray(0);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), reinterpret_cast<void*>(2 * sizeof(float)));
  glBindVertexArray(0);
  return true;
}

void Release2dPrograms(Gl2dPrograms* programs) {
  if (programs->program != 0 && MakeOwnerCurrent(programs->owner)) {
    glDeleteProgram(programs->program);
    glDeleteVertexArrays(1, &programs->vertex_array);
    glDeleteBuffers(1, &programs->vertex_buffer);
  }
  *programs = Gl2dPrograms();
}

void Draw2dRects(Gl2dPrograms* programs, int target_width, int target_height, const Rect2d* rects, size_t count,
                 GLuint texture, const float rgba[4], bool blend) {
  if (count == 0) return;
  std::vector<float>& vertices = programs->vertices;
  vertices.clear();
  for (size_t i = 0; i < count; ++i) {
    const Rect2d& r = rects[i];
    const float corners[6][4] = {{r.x0, r.y0, r.u0, r.v0}, {r.x1, r.y0, r.u1, r.v0}, {r.x1, r.y1, r.u1, r.v1},
                                 {r.x0, r.y0, r.u0, r.v0}, {r.x1, r.y1, r.u1, r.v1}, {r.x0, r.y1, r.u0, r.v1}};
    for (const auto& corner : corners) vertices.insert(vertices.end(), corner, corner + 4);
  }
  NoteGlStateChanged();
  glViewport(0, 0, target_width, target_height);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_STENCIL_TEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (blend) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    glDisable(GL_BLEND);
  }
  glUseProgram(programs->program);
  glUniform2f(programs->target_uniform, static_cast<float>(target_width), static_cast<float>(target_height));
  glUniform4fv(programs->colour_uniform, 1, rgba);
  glUniform1i(programs->use_texture_uniform, texture != 0 ? 1 : 0);
  glUniform1i(programs->texture_uniform, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBindVertexArray(programs->vertex_array);
  glBindBuffer(GL_ARRAY_BUFFER, programs->vertex_buffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)), vertices.data(),
               GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(count * 6));
  glBindVertexArray(0);
  glDisable(GL_BLEND);
}

HRESULT PresentSurface(IDirectDraw7::State* dd, HWND window, IDirectDrawSurface7::State* source,
                       const RECT& source_rect, const RECT* dest_client_rect) {
  if (source->framebuffer == 0) return DDERR_INVALIDPARAMS;
  if (GetSdlWindow(window) == nullptr) return DDERR_SURFACELOST;
  // Without shared contexts the colour texture can only be drawn in the context that made it.
  if (source->target_owner.window != window || !MakeOwnerCurrent(source->target_owner)) return DDERR_SURFACELOST;
  if (g_presented.keep) KeepFrame(source, source_rect);
  if (!Prepare2dPrograms(&dd->programs, source->target_owner)) return DDERR_GENERIC;

  SDL_Window* sdl_window = GetSdlWindow(window);
  int window_w = 0, window_h = 0, drawable_w = 0, drawable_h = 0;
  SDL_GetWindowSize(sdl_window, &window_w, &window_h);
  SDL_GL_GetDrawableSize(sdl_window, &drawable_w, &drawable_h);
  if (window_w <= 0 || window_h <= 0 || drawable_w <= 0 || drawable_h <= 0) return DD_OK;
  const float scale_x = static_cast<float>(drawable_w) / window_w;
  const float scale_y = static_cast<float>(drawable_h) / window_h;
  RECT area = {0, 0, window_w, window_h};
  GetClientAreaInWindow(window, &area);
  RECT dest = dest_client_rect != nullptr ? *dest_client_rect
                                          : RECT{0, 0, area.right - area.left, area.bottom - area.top};
  const float left = (area.left + dest.left) * scale_x, right = (area.left + dest.right) * scale_x;
  const float top = drawable_h - (area.top + dest.top) * scale_y;
  const float bottom = drawable_h - (area.top + dest.bottom) * scale_y;
  const float w = static_cast<float>(source->width), h = static_cast<float>(source->height);
  // The colour texture's first row is the bottom of the picture.
  const Rect2d quad = {left,
                       bottom,
                       right,
                       top,
                       source_rect.left / w,
                       1.0f - source_rect.bottom / h,
                       source_rect.right / w,
                       1.0f - source_rect.top / h};
  NoteGlStateChanged();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (dest_client_rect == nullptr) {
    glViewport(0, 0, drawable_w, drawable_h);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  const float white[4] = {1, 1, 1, 1};
  Draw2dRects(&dd->programs, drawable_w, drawable_h, &quad, 1, source->colour_texture, white, false);
  DrawWindowDecorations(window);
  SDL_GL_SwapWindow(sdl_window);
  return DD_OK;
}

void KeepPresentedFrames(bool keep) {
  g_presented.keep = keep;
  if (!keep) g_presented = PresentedFrame();
}

bool GetLastPresentedFrame(int* width, int* height, std::vector<uint8_t>* rgba) {
  if (!g_presented.valid || width == nullptr || height == nullptr || rgba == nullptr) return false;
  *width = g_presented.width;
  *height = g_presented.height;
  *rgba = g_presented.rgba;
  return true;
}

bool SaveLastPresentedFrame(const char* png_path) {
  if (!g_presented.valid || png_path == nullptr || png_path[0] == '\0') return false;
  // The alpha a clear leaves in the target is not part of what the screen shows: the picture is opaque.
  std::vector<uint8_t> rgb(g_presented.rgba.size() / 4 * 3);
  for (size_t i = 0, o = 0; i + 3 < g_presented.rgba.size(); i += 4, o += 3) std::memcpy(&rgb[o], &g_presented.rgba[i], 3);
  return stbi_write_png(png_path, g_presented.width, g_presented.height, 3, rgb.data(), g_presented.width * 3) != 0;
}
