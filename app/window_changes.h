// What the main window's changes do to the device and the view: a size change or Alt+Enter builds the
// device again, and the user's orbit (angle, height, distance) is carried over to the new device
// instead of starting again from the scene's camera. A minimised window keeps its device and renders
// nothing, so no device is built (and no box shown) for an empty client area. In a window the
// projection's aspect follows the client area's shape relative to the start-up size, where it stays
// 0.75, so a wide window shows more of the scene instead of stretching it.
#pragma once

#include "platform/win32.h"

// The user's orbit around the target, to carry over a rebuild of the device or a reload of the scene.
struct OrbitPose {
  bool valid = false;
  float angle = 0.0f;
  float height = 0.0f;
  float distance = 0.0f;
};
OrbitPose SaveOrbit();
// The scene setup started the orbit again from the scene's camera; this puts the eye back where the
// pose had it and gives the device that view. An invalid pose changes nothing.
void RestoreOrbit(const OrbitPose& pose);

// The client size the projection's 0.75 belongs to; taken by the start-up once the window exists.
void RememberStartUpClientSize(HWND window);

// WM_SIZE with a renderer: minimised or empty, only remembered; otherwise the device is built again for
// the new client area and the orbit kept.
void OnWindowSize(WPARAM size_type);

// Alt+Enter: from a window to full screen (640 x 480 x 16 on the T&L HAL device, else 1024 x 768 x 16
// on the HAL device; the renderer is destroyed when both fail), and from a full screen entered this way
// back to the window at its earlier size.
void ToggleFullScreen();

// False while the window is minimised: the main loop then renders nothing.
bool WindowShowsFrames();

// Forgets the minimised state and the way full screen was entered; each start-up begins here.
void ResetWindowChanges();
