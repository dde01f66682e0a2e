// The window half of the platform (windows over SDL, the picker's device table) is built beside the
// graphics half; until a test binary links it, these weak stand-ins give the graphics tests plain
// hidden SDL windows with an OpenGL context each, no menu bar, and a windowed HAL device as the
// picker's choice. A real definition, once present, takes precedence; this file then goes.
#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <vector>

#include "platform/window_internal.h"
#include "render/renderer.h"

namespace {

struct StandInWindow {
  HWND handle;
  SDL_Window* sdl_window;
  SDL_GLContext context;
  int menu_bar_px;
};

// Height the window loses to a menu bar, as the real window draws one.
const int MENU_BAR_PX = 20;

// Written by the stand-in window calls; one test thread.
std::vector<StandInWindow> g_windows;
uintptr_t g_next_handle = 0x1000;
DWORD g_desktop_bits_override = 0;

// The GL vendor libraries loaded for a context are unloaded at exit, and what they hold would then be
// reported as leaked from an unknown module; kept resident, it stays reachable and suppressible.
int PinLibrary(struct dl_phdr_info* info, size_t, void*) {
  if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0') return 0;
  void* handle = dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  if (handle != nullptr) dlclose(handle);
  return 0;
}

StandInWindow* Find(HWND window) {
  for (StandInWindow& w : g_windows) {
    if (w.handle == window) return &w;
  }
  return nullptr;
}

}  // namespace

__attribute__((weak)) bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

__attribute__((weak)) ATOM RegisterClassA(const WNDCLASSA* wc) { return wc != nullptr ? 1 : 0; }

__attribute__((weak)) HMENU LoadMenuA(HINSTANCE, LPCSTR) { return reinterpret_cast<HMENU>(uintptr_t{147}); }

__attribute__((weak)) HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int width, int height, HWND,
                                           HMENU menu, HINSTANCE, LPVOID) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_Window* sdl_window = SDL_CreateWindow("", 0, 0, width > 0 ? width : 640, height > 0 ? height : 480,
                                            SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (sdl_window == nullptr) return nullptr;
  SDL_GLContext context = SDL_GL_CreateContext(sdl_window);
  if (context == nullptr) {
    SDL_DestroyWindow(sdl_window);
    return nullptr;
  }
  dl_iterate_phdr(PinLibrary, nullptr);
  HWND handle = reinterpret_cast<HWND>(g_next_handle++);
  g_windows.push_back(StandInWindow{handle, sdl_window, context, menu != nullptr ? MENU_BAR_PX : 0});
  SetActiveWindowHandle(handle);
  return handle;
}

__attribute__((weak)) BOOL DestroyWindow(HWND window) {
  for (size_t i = 0; i < g_windows.size(); ++i) {
    if (g_windows[i].handle != window) continue;
    SDL_GL_MakeCurrent(g_windows[i].sdl_window, nullptr);
    SDL_GL_DeleteContext(g_windows[i].context);
    SDL_DestroyWindow(g_windows[i].sdl_window);
    g_windows.erase(g_windows.begin() + static_cast<long>(i));
    if (GetActiveWindow() == window) SetActiveWindowHandle(nullptr);
    return TRUE;
  }
  return FALSE;
}

__attribute__((weak)) BOOL IsWindow(HWND window) { return Find(window) != nullptr ? TRUE : FALSE; }

__attribute__((weak)) BOOL GetClientRect(HWND window, RECT* rect) {
  StandInWindow* w = Find(window);
  if (w == nullptr || rect == nullptr) return FALSE;
  int width = 0, height = 0;
  SDL_GetWindowSize(w->sdl_window, &width, &height);
  *rect = RECT{0, 0, width, height > w->menu_bar_px ? height - w->menu_bar_px : 0};
  return TRUE;
}

__attribute__((weak)) BOOL ClientToScreen(HWND window, POINT* point) {
  StandInWindow* w = Find(window);
  if (w == nullptr || point == nullptr) return FALSE;
  int x = 0, y = 0;
  SDL_GetWindowPosition(w->sdl_window, &x, &y);
  point->x += x;
  point->y += y;
  return TRUE;
}

__attribute__((weak)) SDL_Window* GetSdlWindow(HWND window) {
  StandInWindow* w = Find(window);
  return w != nullptr ? w->sdl_window : nullptr;
}

__attribute__((weak)) void* GetGlContext(HWND window) {
  StandInWindow* w = Find(window);
  return w != nullptr ? w->context : nullptr;
}

__attribute__((weak)) bool GetClientAreaInWindow(HWND window, RECT* area) {
  StandInWindow* w = Find(window);
  if (w == nullptr || area == nullptr || GetClientRect(window, area) == FALSE) return false;
  area->top += w->menu_bar_px;
  area->bottom += w->menu_bar_px;
  return true;
}

__attribute__((weak)) bool IsHeadless() { return true; }

__attribute__((weak)) void DrawWindowDecorations(HWND) {}

__attribute__((weak)) DWORD GetDesktopBitsPerPixel() {
  return g_desktop_bits_override != 0 ? g_desktop_bits_override : 32;
}

__attribute__((weak)) void SetDesktopBitsPerPixelOverride(DWORD bits_per_pixel) {
  g_desktop_bits_override = bits_per_pixel;
}

__attribute__((weak)) int PickDevice(HWND owner) { return owner != nullptr ? 2 : -1; }

__attribute__((weak)) void GetChosenDevice(Renderer* renderer, GUID** device_guid, DDSURFACEDESC2** mode,
                                           int32_t* windowed, int32_t* hardware) {
  static GUID hal = IID_IDirect3DHALDevice;
  static DDSURFACEDESC2 desktop = {};
  desktop.dwSize = DDSURFACEDESC2_SIZE;
  renderer->driver_guid = nullptr;
  *device_guid = &hal;
  *mode = &desktop;
  *windowed = 1;
  *hardware = 0;
}
