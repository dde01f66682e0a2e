// Start-up and shutdown of SDL for the stand-in, the choice between a display and the offscreen driver,
// the kernel's timing and module calls, and the display settings.
#include <SDL.h>
#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/ui_internal.h"
#include "platform/window_internal.h"

namespace {

// Written by StartPlatform / StopPlatform only; read everywhere through IsHeadless and the start check.
bool g_started = false;
bool g_start_failed = false;
bool g_headless = true;
// Written by the test hook of either half; 0 means the desktop's own depth.
DWORD g_desktop_bits_override = 0;

// The image base Win32 programs traditionally load at: small enough for GetWindowLongA's 32-bit LONG.
HINSTANCE const MODULE_HANDLE = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

bool NoDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 == nullptr || x11[0] == '\0') && (wayland == nullptr || wayland[0] == '\0');
}

bool InitVideo(bool offscreen) {
  if (offscreen) SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
  // A click that activates the window is also a click in it, as on Win32.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // SDL's own handlers would turn the signals into SDL_QUIT, which closes nothing here.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  InstallStopSignals();
  return SDL_Init(SDL_INIT_VIDEO) == 0;
}

int PinLibrary(struct dl_phdr_info* info, size_t, void*) {
  if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0') return 0;
  void* handle = dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  if (handle != nullptr) dlclose(handle);
  return 0;
}

}  // namespace

// The GL vendor libraries that glvnd loads for a context are unloaded again when the process ends,
// and what they still hold is then reported as leaked from an unknown module. Keeping every loaded
// library resident until exit leaves those allocations reachable, where they belong.
void PinLoadedLibraries() { dl_iterate_phdr(PinLibrary, nullptr); }

bool StartPlatform(bool force_headless) {
  if (g_started) return true;
  bool offscreen = force_headless || NoDisplay();
  bool ok = InitVideo(offscreen);
  if (!ok && !offscreen) {
    std::fprintf(stderr, "kestrel: the display does not open (%s); running headless\n", SDL_GetError());
    SDL_Quit();
    ok = InitVideo(true);
  }
  if (!ok) {
    std::fprintf(stderr, "kestrel: SDL video does not start: %s\n", SDL_GetError());
    g_start_failed = true;
    return false;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  g_headless = driver == nullptr || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
  g_started = true;
  g_start_failed = false;
  SetMessageBoxesWindowed(!g_headless);
  return true;
}

bool EnsurePlatformStarted() {
  if (g_started) return true;
  if (g_start_failed) return false;
  return StartPlatform(false);
}

void StopPlatform() {
  if (!g_started) return;
  for (WindowRecord* record : TopLevelRecords()) DestroyWindow(record->handle);
  PinLoadedLibraries();
  SDL_Quit();
  g_started = false;
  g_headless = true;
  SetMessageBoxesWindowed(false);
}

bool IsHeadless() {
  EnsurePlatformStarted();
  return g_headless;
}

DWORD BitsPerPixelOfSdlFormat(uint32_t sdl_pixel_format) {
  if (SDL_BYTESPERPIXEL(sdl_pixel_format) == 4) return 32;
  return SDL_BITSPERPIXEL(sdl_pixel_format);
}

DWORD GetDesktopBitsPerPixel() {
  if (g_desktop_bits_override != 0) return g_desktop_bits_override;
  SDL_DisplayMode mode;
  if (!EnsurePlatformStarted() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return 32;
  return BitsPerPixelOfSdlFormat(mode.format);
}

void SetDesktopBitsPerPixelOverride(DWORD bits_per_pixel) { g_desktop_bits_override = bits_per_pixel; }

BOOL EnumDisplaySettingsA(LPCSTR device_name, DWORD mode_number, DEVMODEA* mode) {
  // Only the primary display exists, and callers must say which layout they filled in.
  if (mode == nullptr || mode->dmSize != DEVMODEA_SIZE || device_name != nullptr) return FALSE;
  if (!EnsurePlatformStarted()) return FALSE;
  SDL_DisplayMode sdl_mode;
  DWORD bits = 0;
  if (mode_number == ENUM_CURRENT_SETTINGS || mode_number == ENUM_REGISTRY_SETTINGS) {
    if (SDL_GetDesktopDisplayMode(0, &sdl_mode) != 0) return FALSE;
    bits = GetDesktopBitsPerPixel();
  } else {
    if (mode_number >= static_cast<DWORD>(SDL_GetNumDisplayModes(0))) return FALSE;
    if (SDL_GetDisplayMode(0, static_cast<int>(mode_number), &sdl_mode) != 0) return FALSE;
    bits = BitsPerPixelOfSdlFormat(sdl_mode.format);
  }
  mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
  mode->dmBitsPerPel = bits;
  mode->dmPelsWidth = static_cast<DWORD>(sdl_mode.w);
  mode->dmPelsHeight = static_cast<DWORD>(sdl_mode.h);
  mode->dmDisplayFrequency = static_cast<DWORD>(sdl_mode.refresh_rate);
  return TRUE;
}

HINSTANCE GetModuleHandleA(LPCSTR name) { return name == nullptr ? MODULE_HANDLE : nullptr; }

namespace {

// Written only by the tick test hooks; while set, GetTickCount answers the fixed value.
bool g_tick_count_fixed = false;
DWORD g_fixed_tick_count = 0;

}  // namespace

void SetTickCountForTest(DWORD milliseconds) {
  g_tick_count_fixed = true;
  g_fixed_tick_count = milliseconds;
}

void ReleaseTickCountForTest() { g_tick_count_fixed = false; }

// Milliseconds since the machine started, wrapping after 49.7 days like the real count. Counting from
// the program's own start instead would put the first reading near 0, where a caller's one-second
// window that also starts at 0 is still open.
DWORD GetTickCount() {
  if (g_tick_count_fixed) return g_fixed_tick_count;
  timespec now = {};
  if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t milliseconds = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(milliseconds);
}

void Sleep(DWORD milliseconds) { SDL_Delay(milliseconds); }
