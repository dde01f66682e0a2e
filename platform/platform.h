// The platform stand-in as the entry point and tools see it: start-up (windowed where there is a
// display, headless otherwise or when asked), shutdown, and screenshots of a whole window with its
// menu bar. Start-up falls back to headless when the display cannot be opened; it fails only when
// not even the offscreen driver starts.
#pragma once

#include "platform/win32.h"

// Starts SDL's video with a real display, or with the offscreen driver when `force_headless` is set,
// when neither DISPLAY nor WAYLAND_DISPLAY is set, or when the display does not open. Wires message
// boxes to real windows when not headless. Calling it again does nothing and returns true.
bool StartPlatform(bool force_headless);
// Destroys every window that is left and shuts SDL down.
void StopPlatform();
bool IsHeadless();

// Arms a capture of a coming presented frame of the window (the menu bar and any open UI included):
// the next one, or the one after `frames_to_skip` more, written as a PNG file just before its swap.
// Frames presented by the renderer, by a modal dialog and by idle painting all count. False for an
// unknown window or an empty path.
bool RequestWindowScreenshot(HWND window, const char* png_path, int frames_to_skip = 0);
enum class ScreenshotStatus { NONE, PENDING, WRITTEN, FAILED };
ScreenshotStatus LastScreenshotStatus();
