// Keeping the view and the device matched to the user and the window: mouse orbiting, the wheel and
// the framing key, re-creation on a size change (throttled), and the copy target after a move.
#include "render/orbit_camera.h"
#include "render/renderer.h"
#include "render/scene_setup.h"
#include "scene/ase_scene.h"

namespace {

// Each size message costs at least this much, which throttles re-creation while a border is dragged.
constexpr DWORD RESIZE_THROTTLE_MS = 200;

}  // namespace

void Renderer::OrbitCamera(float angle_delta, float height_delta, float distance_delta) {
  if (camera == nullptr) return;
  MoveOrbit(camera, angle_delta, height_delta, distance_delta);
  SendOrbitView();
}

void Renderer::ZoomCamera(int wheel_delta) {
  if (camera == nullptr) return;
  ZoomOrbit(camera, static_cast<float>(wheel_delta) / WHEEL_DELTA);
  SendOrbitView();
}

void Renderer::FrameScene(const AseScene* scene) {
  if (scene == nullptr) return;
  if (framing_camera == nullptr) framing_camera = new CameraObject();
  camera = framing_camera;
  FrameOrbit(camera, GeometryBounds(scene));
  camera->aspect = view_aspect;  // the window may have been resized since start-up
  far_plane = camera->far_clip;
  near_plane = camera->near_clip;
  SendOrbitView();
}

void Renderer::SendOrbitView() {
  if (camera == nullptr) return;
  // An eye on the target gives no view; the device keeps the previous one.
  OrbitView(camera, view);
  OrbitProjection(camera, projection);
  if (device == nullptr) return;
  device->SetTransform(D3DTRANSFORMSTATE_VIEW, reinterpret_cast<D3DMATRIX*>(&view));
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, reinterpret_cast<D3DMATRIX*>(&projection));
}

void Renderer::OnResize() {
  if (windowed == 0) return;
  // A minimised window has no client area, so the re-creation fails after its report; the scene is
  // then applied again only by a later size message that succeeds.
  if (CreateDeviceFromChoice(window) && g_scene != nullptr) ApplyScene(g_scene);
  Sleep(RESIZE_THROTTLE_MS);
}

void Renderer::OnMove() {
  if (windowed == 0) return;
  GetClientRect(window, &target_rect);
  POINT corner = {target_rect.left, target_rect.top};
  ClientToScreen(window, &corner);
  screen_rect = target_rect;
  screen_rect.left += corner.x;
  screen_rect.right += corner.x;
  screen_rect.top += corner.y;
  screen_rect.bottom += corner.y;
}
