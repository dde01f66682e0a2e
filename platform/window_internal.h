// Shared between the platform backend files (the window/UI side and the graphics side); not for
// portable code. The window side owns SDL, every window, its OpenGL context and Dear ImGui; the graphics
// side renders into a window's context and calls back before each present so the UI can draw over it.
#pragma once

#include "platform/win32.h"

struct SDL_Window;

void SetActiveWindowHandle(HWND window);

// The SDL window and OpenGL context (an SDL_GLContext) behind a window handle; null for a handle that
// is unknown or destroyed. The context is the window's only one; callers make it current.
SDL_Window* GetSdlWindow(HWND window);
void* GetGlContext(HWND window);

// The client area (below the menu bar) in the SDL window's pixel coordinates, origin top-left.
bool GetClientAreaInWindow(HWND window, RECT* area);

// True when there is no display: SDL's offscreen driver with Mesa's EGL, modal UI answered at once.
bool IsHeadless();

// Called by the graphics side with the window's context current, after the frame was drawn into the
// client area and before the swap: draws the menu bar and any open UI of the window over the frame.
void DrawWindowDecorations(HWND window);
