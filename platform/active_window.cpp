// The window that owns modal boxes: the most recently activated top-level window, or null.
#include "platform/win32.h"
#include "platform/window_internal.h"

namespace {

// Written by the window backend when a window is activated or destroyed; one UI thread.
HWND g_active_window = nullptr;

}  // namespace

void SetActiveWindowHandle(HWND window) { g_active_window = window; }

HWND GetActiveWindow() { return g_active_window; }
