// One frame: the frame-rate count, the clear, every face group with its texture and lightmap, one step
// of the animation, the "FPS" text and the present. Every device result is ignored here: a failed
// draw leaves that frame as it is and the next frame tries again.
#include <chrono>
#include <cstring>

#include "animation/animation_eval.h"
#include "animation/animation_set.h"
#include "lightmap/lightmap.h"
#include "render/lightmap_vertex_buffer.h"
#include "render/renderer.h"
#include "render/scene_panel.h"
#include "render/view_modes.h"
#include "scene/ase_scene.h"
#include "texture/texture_cache.h"


// Frame counting over windows of 1000 ms of GetTickCount; written only by UpdateFps, for the life of
// the process (a device re-creation does not restart it).
uint32_t fps_window_start = 0;
uint16_t fps_frame_count = 0;

uint64_t g_animation_step_total_us = 0;
uint32_t g_animation_step_count = 0;

namespace {

constexpr D3DCOLOR CLEAR_BLUE = 0x000000FF;
constexpr COLORREF OVERLAY_RED = 0x000000FF;

}  // namespace

void Renderer::RenderFrame() {
  UpdateFps();
  // A renderer left half built by a failed re-creation has a primary but may miss the rest.
  if (primary == nullptr || device == nullptr || back_buffer == nullptr) return;
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, CLEAR_BLUE, 1.0f, 0);
  device->BeginScene();
  if (g_scene != nullptr) {
    BeginViewMode(device, g_view.mode);
    DrawScene(g_scene);
    EndViewMode(device, g_view.mode);
    if (g_scene->IsAnimationPlaying()) {
      const auto start = std::chrono::steady_clock::now();
      if (const AnimationSet* set = g_scene->current_animation) {
        animation_frame = g_view.clock.FrameToPose(GetTickCount(), set->last_frame, set->frame_speed, animation_frame);
      }
      AdvanceAnimation(g_scene);
      const auto elapsed = std::chrono::steady_clock::now() - start;
      g_animation_step_total_us += static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
      ++g_animation_step_count;
    }
  }
  device->EndScene();

  char text[256];
  std::memset(text, 0, sizeof text);
  wsprintfA(text, "FPS %d", static_cast<unsigned>(fps));
  DrawOverlayText(text, 10, 10);
  DrawViewOverlays(this);

  if (windowed != 0) {
    primary->Blt(&screen_rect, back_buffer, &target_rect, DDBLT_WAIT, nullptr);
  } else {
    primary->Flip(nullptr, DDFLIP_WAIT);
  }
}

void Renderer::UpdateFps() {
  const uint32_t now = GetTickCount();
  // Unsigned difference, so the 49-day wrap of the tick count closes a window like any other.
  if (now - fps_window_start < 1000u) {
    ++fps_frame_count;
    return;
  }
  fps_window_start = now;
  fps = fps_frame_count;
  fps_frame_count = 0;
}

void Renderer::DrawScene(AseScene* scene) {
  if (scene == nullptr || scene->geom_objects == nullptr || device == nullptr) return;
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, reinterpret_cast<D3DMATRIX*>(&base_world));
    FaceGroup* group = object->face_groups;
    for (int i = 0; i < object->face_group_count && group != nullptr; ++i, group = group->next) DrawFaceGroup(group);
  }
}

void Renderer::DrawFaceGroup(FaceGroup* group) {
  if (group == nullptr || group->lightmap == nullptr || device == nullptr ||
      (group->lightmap_vertices == nullptr && group->lightmap_vertex_buffer == nullptr)) {
    return;
  }
  // The vertices do not change from frame to frame: drawn from the device's copy, not sent every time.
  IDirect3DVertexBuffer7* vertices = LightmapVertexBuffer(d3d, group);
  // A scanned or sculpted mesh can hold more triangles than one draw takes; its group is drawn in
  // slices, each with its own lightmap.
  for (uint32_t first = 0, k = 0; first < group->face_count; first += LIGHTMAP_SLICE_FACES, ++k) {
    const uint32_t faces = group->face_count - first < LIGHTMAP_SLICE_FACES ? group->face_count - first
                                                                            : LIGHTMAP_SLICE_FACES;
    BindGroupTextures(device, group, k, g_view.mode);
    if (vertices != nullptr) {
      device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, vertices, first * 3, faces * 3, D3DDP_WAIT);
    } else {
      device->DrawPrimitive(D3DPT_TRIANGLELIST, LIGHTMAP_VERTEX_FVF, group->lightmap_vertices + size_t{first} * 3,
                            faces * 3, D3DDP_WAIT);
    }
  }
}

void Renderer::DrawOverlayText(const char* text, int x, int y) {
  if (back_buffer == nullptr) return;
  HDC dc = nullptr;
  if (back_buffer->GetDC(&dc) != S_OK) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, OVERLAY_RED);
  TextOutA(dc, x, y, text, lstrlenA(text));
  back_buffer->ReleaseDC(dc);
}

void Renderer::ToggleLighting() {
  if (lighting_off != 0) {
    lighting_off = 0;
    if (device != nullptr) device->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  } else {
    lighting_off = 1;
    if (device != nullptr) device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
  }
}
