// Shared between the platform backend files (the window/UI side and the graphics side); not for
// portable code. The window side owns SDL, every window, its OpenGL context and Dear ImGui; the graphics
// side renders into a window's context and calls back before each present so the UI can draw over it.
// The window side may make other contexts current between the graphics side's calls (idle painting,
// modal dialogs) but always restores the one that was current before it returns.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct SDL_Window;

void SetActiveWindowHandle(HWND window);

// The SDL window and OpenGL context (an SDL_GLContext) behind a window handle; null for a handle that
// is unknown or destroyed. The context is the window's only one; callers make it current. It has a
// 24-bit depth and 8-bit stencil default framebuffer, and is destroyed right after WM_DESTROY returns.
SDL_Window* GetSdlWindow(HWND window);
void* GetGlContext(HWND window);

// The client area (below the menu bar) in the SDL window's pixel coordinates, origin top-left. In full
// screen the menu bar is not shown and the client area is the whole window.
bool GetClientAreaInWindow(HWND window, RECT* area);

// True when there is no display: SDL's offscreen driver with Mesa's EGL, modal UI answered at once.
bool IsHeadless();

// Called by the graphics side with the window's context current, after the frame was drawn into the
// client area and before the swap: draws the menu bar and any open UI of the window over the frame.
// It draws into the default framebuffer whatever framebuffer is bound, and restores the bindings.
void DrawWindowDecorations(HWND window);
// The device that presented into the window is gone: idle painting takes the window over again.
void ForgetDevicePictures(HWND window);
// The longest edge a plain surface may have. A window larger than that gets no device, and is not
// painted either: its window-sized GL buffers would take gigabytes and a core on every paint.
const int MAX_SURFACE_EDGE_PX = 16384;

// Bits per pixel as DirectDraw names a pixel format: 24 bits of colour stored in 32 (SDL's RGB888)
// count as 32, as a 32-bit desktop does.
DWORD BitsPerPixelOfSdlFormat(uint32_t sdl_pixel_format);
// The desktop's depth as EnumDisplaySettingsA reports it; SetDesktopBitsPerPixelOverride(0) restores
// the real one. One override serves both halves, so the picker's desktop entry and the display modes agree.
DWORD GetDesktopBitsPerPixel();
void SetDesktopBitsPerPixelOverride(DWORD bits_per_pixel);
