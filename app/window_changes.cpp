#include "app/window_changes.h"

#include "app/win_main.h"
#include "render/orbit_camera.h"
#include "render/renderer.h"
#include "scene/ase_scene.h"

namespace {

// Written by the start-up and the window procedure only.
LONG g_start_up_client_width = 0;
LONG g_start_up_client_height = 0;
bool g_minimised = false;
bool g_fullscreen_from_window = false;

// Relative to the start-up client area, so the start-up picture keeps its exact 0.75.
float ClientAspect() {
  RECT client;
  if (!GetClientRect(g_main_window, &client)) return ORBIT_ASPECT;
  const LONG width = client.right - client.left;
  const LONG height = client.bottom - client.top;
  if (width <= 0 || height <= 0 || g_start_up_client_width <= 0 || g_start_up_client_height <= 0) return ORBIT_ASPECT;
  if (width == g_start_up_client_width && height == g_start_up_client_height) return ORBIT_ASPECT;
  return static_cast<float>(static_cast<double>(ORBIT_ASPECT) * g_start_up_client_width * height /
                            (static_cast<double>(g_start_up_client_height) * width));
}

void SwitchToFullScreen() {
  if (!g_renderer->CreateFullscreenDevice(g_main_window, 640, 480, 16, IID_IDirect3DTnLHalDevice)) {
    g_renderer->ReleaseDevice();
    if (!g_renderer->CreateFullscreenDevice(g_main_window, 1024, 768, 16, IID_IDirect3DHALDevice)) {
      // The window and its loop stay; without a renderer they only wait to be closed.
      delete g_renderer;
      g_renderer = nullptr;
      return;
    }
  }
  // Both full-screen modes are 4:3, which is what 0.75 stands for.
  g_renderer->view_aspect = ORBIT_ASPECT;
  if (g_scene != nullptr) g_renderer->ApplyScene(g_scene);
}

void ReturnToWindow() {
  // Releasing the full-screen device gives the display and the window their earlier modes back.
  g_renderer->ReleaseDevice();
  g_fullscreen_from_window = false;
  if (!g_renderer->CreateDeviceFromChoice(g_main_window)) return;
  g_renderer->view_aspect = ClientAspect();
  if (g_scene != nullptr) g_renderer->ApplyScene(g_scene);
}

}  // namespace

OrbitPose SaveOrbit() {
  OrbitPose pose;
  const CameraObject* camera = g_renderer != nullptr ? g_renderer->camera : nullptr;
  if (camera == nullptr) return pose;
  pose.valid = true;
  pose.angle = camera->orbit_angle;
  pose.height = camera->orbit_eye.y;
  pose.distance = camera->orbit_distance;
  return pose;
}

// The scene setup on the new device started the orbit again from the scene's camera; a zero move then
// places the eye where the user had it and gives the device that view.
void RestoreOrbit(const OrbitPose& pose) {
  if (!pose.valid || g_renderer == nullptr || g_renderer->camera == nullptr) return;
  CameraObject* camera = g_renderer->camera;
  camera->orbit_angle = pose.angle;
  camera->orbit_eye.y = pose.height;
  camera->orbit_distance = pose.distance;
  g_renderer->OrbitCamera(0.0f, 0.0f, 0.0f);
}

void RememberStartUpClientSize(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  g_start_up_client_width = client.right - client.left;
  g_start_up_client_height = client.bottom - client.top;
}

void OnWindowSize(WPARAM size_type) {
  RECT client = {};
  GetClientRect(g_main_window, &client);
  g_minimised = size_type == SIZE_MINIMIZED || client.right <= client.left || client.bottom <= client.top;
  // No device can be built for an empty client area; the one there is waits for the restore.
  if (g_minimised || g_renderer->windowed == 0) return;
  const OrbitPose pose = SaveOrbit();
  g_renderer->view_aspect = ClientAspect();
  g_renderer->OnResize();
  RestoreOrbit(pose);
}

void ToggleFullScreen() {
  const OrbitPose pose = SaveOrbit();
  if (g_renderer->windowed == 0 && g_fullscreen_from_window) {
    ReturnToWindow();
  } else {
    const bool from_window = g_renderer->windowed != 0;
    SwitchToFullScreen();
    if (g_renderer == nullptr) return;
    g_fullscreen_from_window = g_fullscreen_from_window || from_window;
  }
  RestoreOrbit(pose);
}

bool WindowShowsFrames() { return !g_minimised; }

void ResetWindowChanges() {
  g_minimised = false;
  g_fullscreen_from_window = false;
}
