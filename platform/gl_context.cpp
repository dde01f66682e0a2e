// OpenGL plumbing of the graphics stand-in: the one-time driver probe, making window contexts current,
// program building, and the test hooks that lower what the driver reports.
#include <SDL.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/gfx_internal.h"
#include "platform/test_hooks.h"
#include "platform/ui_internal.h"
#include "platform/window_internal.h"

namespace {

// Written by the test hooks only; read wherever capabilities are reported or enforced.
struct GraphicsHooks {
  DWORD texture_caps = 0;
  DWORD max_texture_edge = 0;
  bool only_stencil_depth = false;
  HRESULT vertex_buffer_failure = S_OK;
  int display_mode_failures = 0;
};
GraphicsHooks g_hooks;

// Moved by NoteGlStateChanged, read by the devices before each draw.
uint64_t g_gl_state_stamp = 1;

// Written once by the first successful probe.
GlInfo g_gl_info = {};
bool g_gl_probed = false;

bool ContainsNoCase(const char* text, const char* word) {
  char lowered[sizeof(g_gl_info.renderer)];
  size_t i = 0;
  for (; text[i] != '\0' && i + 1 < sizeof(lowered); ++i) {
    lowered[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
  }
  lowered[i] = '\0';
  return std::strstr(lowered, word) != nullptr;
}

bool HasExtension(const char* name) {
  GLint count = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; ++i) {
    const char* extension = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
    if (extension != nullptr && std::strcmp(extension, name) == 0) return true;
  }
  return false;
}

void QueryCurrentContext() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (version == nullptr || renderer == nullptr) return;
  int major = 0, minor = 0;
  std::sscanf(version, "%d.%d", &major, &minor);
  g_gl_info.usable = major > 3 || (major == 3 && minor >= 3);
  std::snprintf(g_gl_info.renderer, sizeof(g_gl_info.renderer), "%s", renderer);
  static const char* const SOFTWARE_NAMES[] = {"llvmpipe", "softpipe", "swrast", "software", "lavapipe"};
  g_gl_info.software = false;
  for (const char* name : SOFTWARE_NAMES) g_gl_info.software |= ContainsNoCase(renderer, name);
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &g_gl_info.max_texture_size);
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &g_gl_info.max_renderbuffer_size);
  g_gl_info.rgb565_storage = major > 4 || (major == 4 && minor >= 1) || HasExtension("GL_ARB_ES2_compatibility");
  DrainGlErrors();
  g_gl_probed = true;
}

}  // namespace

const GlInfo& GetGlInfo() {
  if (g_gl_probed) return g_gl_info;
  if (SDL_GL_GetCurrentContext() != nullptr) {
    QueryCurrentContext();
    return g_gl_info;
  }
  GlOwner owner;
  if (MakeWindowCurrent(GetActiveWindow(), &owner)) {
    QueryCurrentContext();
    return g_gl_info;
  }
  // No window to ask yet (enumeration runs before any device): a hidden window of our own answers.
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return g_gl_info;
  NoteGlStateChanged();
  SDL_Window* probe = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (probe == nullptr) return g_gl_info;
  SDL_GLContext context = SDL_GL_CreateContext(probe);
  if (context != nullptr) {
    // The vendor libraries this context loaded must outlive it, or their allocations read as leaks.
    PinLoadedLibraries();
    QueryCurrentContext();
    SDL_GL_MakeCurrent(probe, nullptr);
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(probe);
  return g_gl_info;
}

void NoteGlStateChanged() { ++g_gl_state_stamp; }
uint64_t GlStateStamp() { return g_gl_state_stamp; }

DWORD MaxTextureEdge() {
  const GlInfo& info = GetGlInfo();
  DWORD edge = info.max_texture_size > 0 ? static_cast<DWORD>(info.max_texture_size) : 0;
  if (g_hooks.max_texture_edge != 0 && g_hooks.max_texture_edge < edge) edge = g_hooks.max_texture_edge;
  return edge;
}

DWORD ExtraTextureCaps() { return g_hooks.texture_caps; }
bool OnlyStencilDepthFormats() { return g_hooks.only_stencil_depth; }
HRESULT VertexBufferFailure() { return g_hooks.vertex_buffer_failure; }

void SetTextureCapsForTest(DWORD texture_caps) {
  g_hooks.texture_caps = texture_caps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY);
}
void SetMaxTextureSizeForTest(DWORD edge) { g_hooks.max_texture_edge = edge; }
void SetOnlyStencilDepthFormatsForTest(bool only_stencil) { g_hooks.only_stencil_depth = only_stencil; }
void SetVertexBufferFailureForTest(HRESULT result) { g_hooks.vertex_buffer_failure = result; }
void SetDisplayModeFailuresForTest(int count) { g_hooks.display_mode_failures = count; }
bool TakeDisplayModeFailure() {
  if (g_hooks.display_mode_failures <= 0) return false;
  --g_hooks.display_mode_failures;
  return true;
}
void ResetGraphicsTestHooks() { g_hooks = GraphicsHooks(); }

bool MakeWindowCurrent(HWND window, GlOwner* owner) {
  SDL_Window* sdl_window = GetSdlWindow(window);
  void* context = GetGlContext(window);
  if (sdl_window == nullptr || context == nullptr) return false;
  if (SDL_GL_GetCurrentContext() != context) {
    NoteGlStateChanged();
    if (SDL_GL_MakeCurrent(sdl_window, context) != 0) return false;
  }
  owner->window = window;
  owner->context = context;
  return true;
}

bool MakeOwnerCurrent(const GlOwner& owner) {
  if (owner.context == nullptr || GetGlContext(owner.window) != owner.context) return false;
  GlOwner same;
  return MakeWindowCurrent(owner.window, &same);
}

namespace {

GLuint CompileShader(GLenum type, const char* source) {
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == GL_TRUE) return shader;
  char log[1024] = {};
  glGetShaderInfoLog(shader, sizeof(log) - 1, nullptr, log);
  std::fprintf(stderr, "graphics: shader does not compile: %s\n", log);
  glDeleteShader(shader);
  return 0;
}

}  // namespace

GLuint BuildProgram(const char* vertex_source, const char* fragment_source) {
  GLuint vertex = CompileShader(GL_VERTEX_SHADER, vertex_source);
  GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, fragment_source);
  GLuint program = 0;
  if (vertex != 0 && fragment != 0) {
    program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
      char log[1024] = {};
      glGetProgramInfoLog(program, sizeof(log) - 1, nullptr, log);
      std::fprintf(stderr, "graphics: program does not link: %s\n", log);
      glDeleteProgram(program);
      program = 0;
    }
  }
  if (vertex != 0) glDeleteShader(vertex);
  if (fragment != 0) glDeleteShader(fragment);
  return program;
}

bool DrainGlErrors() {
  bool out_of_memory = false;
  // Bounded: a lost context can report errors forever.
  for (int i = 0; i < 32; ++i) {
    GLenum error = glGetError();
    if (error == GL_NO_ERROR) break;
    out_of_memory |= error == GL_OUT_OF_MEMORY;
  }
  return out_of_memory;
}
