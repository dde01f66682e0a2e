// The real start-up, headless, on the default scene in a private working folder: what it writes, what
// it draws, and what the window procedure does with drags, keys, the menu and window changes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/device_picker.h"
#include "app/win_main.h"
#include "lightmap/lightmap.h"
#include "platform/test_hooks.h"
#include "render/renderer.h"
#include "scene/ase_scene.h"
#include "test_support.h"

namespace {

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;

  const uint8_t* At(int x, int y) const { return &rgba[static_cast<size_t>((y * width + x) * 4)]; }
  bool IsClearBlue(int x, int y) const {
    const uint8_t* p = At(x, y);
    return p[0] == 0 && p[1] == 0 && p[2] == 255;
  }
};

// Starts the viewer in a fresh folder holding the default scene; every test ends with the window closed.
class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyDefaultScene(dir_.path());
    g_launch_options = LaunchOptions();
    BeginCaptureMessageBoxes();
    KeepPresentedFrames(true);
  }
  void TearDown() override {
    if (g_main_window != nullptr) {
      DestroyWindow(g_main_window);
      RunMessageLoop();
    }
    EXPECT_EQ(g_renderer, nullptr);
    EXPECT_EQ(g_scene, nullptr);
    KeepPresentedFrames(false);
    EndCaptureMessageBoxes();
  }

  void Start() {
    ASSERT_TRUE(StartViewer(nullptr));
    ASSERT_NE(g_renderer, nullptr);
  }
  Frame Render() {
    g_renderer->RenderFrame();
    Frame frame;
    EXPECT_TRUE(GetLastPresentedFrame(&frame.width, &frame.height, &frame.rgba));
    return frame;
  }
  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam = 0) {
    return MainWindowProc(g_main_window, message, wparam, lparam);
  }
  static LPARAM At(int x, int y) { return static_cast<LPARAM>(static_cast<uint32_t>(x) | static_cast<uint32_t>(y) << 16); }

  ScopedTempDir dir_;
};

TEST_F(ViewerTest, StartUpWritesTheReportsAndDrawsTheSceneWithItsCounter) {
  g_launch_options.frame_limit = 3;
  EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 1), 0);
  EXPECT_EQ(g_frames_rendered, 3u);
  EXPECT_NE(ReadTextFile("test.txt").find("Camera Num = 1"), std::string::npos);
  const std::string trace = ReadTextFile("out.txt");
  EXPECT_NE(trace.find("Omni01 *CONTROL_POS_TRACK"), std::string::npos);
  EXPECT_NE(trace.find("LastFrame = 300\nTicksPerFrame = 160\n"), std::string::npos);
  EXPECT_EQ(ReadTextFile("Banner.txt").substr(0, 29), "VERTEX 0 \"Cap\"  Weight 1.0000");

  Frame frame;
  ASSERT_TRUE(GetLastPresentedFrame(&frame.width, &frame.height, &frame.rgba));
  ASSERT_GT(frame.width, 100);
  ASSERT_GT(frame.height, 100);
  int scene_pixels = 0;
  for (int y = 40; y < frame.height; y += 4)
    for (int x = 0; x < frame.width; x += 4) scene_pixels += frame.IsClearBlue(x, y) ? 0 : 1;
  EXPECT_GT(scene_pixels, (frame.width / 4) * (frame.height / 4) / 3) << "the room should fill much of the view";
  // "FPS 0" in pure red from (10, 10): some red pixels there, none in the same band further right.
  int red_near = 0, red_far = 0;
  for (int y = 10; y < 24; ++y) {
    for (int x = 10; x < 60; ++x) {
      const uint8_t* p = frame.At(x, y);
      red_near += p[0] > 200 && p[1] < 60 && p[2] < 60;
      const uint8_t* q = frame.At(x + 300, y);
      red_far += q[0] > 200 && q[1] < 60 && q[2] < 60;
    }
  }
  EXPECT_GT(red_near, 10);
  EXPECT_EQ(red_far, 0);
}

TEST_F(ViewerTest, DragsOrbitTheCameraOnlyWithExactlyOneButton) {
  Start();
  CameraObject* camera = g_renderer->camera;
  ASSERT_NE(camera, nullptr);
  const float angle = camera->orbit_angle;
  const float height = camera->orbit_eye.y;
  const float distance = camera->orbit_distance;

  EXPECT_EQ(Send(WM_LBUTTONDOWN, MK_LBUTTON, At(100, 100)), 0);
  EXPECT_EQ(Send(WM_MOUSEMOVE, MK_LBUTTON, At(200, 110)), 0);
  EXPECT_FLOAT_EQ(camera->orbit_angle, angle + 1.0f);
  EXPECT_FLOAT_EQ(camera->orbit_eye.y, height + 20.0f);

  Send(WM_MOUSEMOVE, MK_RBUTTON, At(250, 110));
  EXPECT_FLOAT_EQ(camera->orbit_distance, distance + 50.0f);

  const float before_ctrl = camera->orbit_angle;
  Send(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, At(400, 300));
  Send(WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, At(500, 300));
  EXPECT_FLOAT_EQ(camera->orbit_angle, before_ctrl);
  EXPECT_EQ(last_mouse_x, 500);
  EXPECT_EQ(last_mouse_y, 300);
  // A size change rebuilds the device and starts the orbit again from the scene's camera.
  EXPECT_EQ(Send(WM_SIZE, 0, At(640, 480)), 0);
  ASSERT_NE(g_renderer, nullptr);
  EXPECT_FLOAT_EQ(g_renderer->camera->orbit_angle, angle);
  EXPECT_EQ(g_renderer->next_light_index, 1);
  ASSERT_NE(g_scene->geom_objects->face_groups, nullptr);
  EXPECT_NE(g_scene->geom_objects->face_groups->face_frames, nullptr);
}

std::vector<uint16_t> FirstGroupTexels() {
  std::vector<uint16_t> pixels;
  GroupLightmap* lightmap = g_scene->geom_objects->face_groups->lightmap;
  if (lightmap == nullptr || lightmap->surface == nullptr) return pixels;
  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  if (FAILED(lightmap->surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return pixels;
  for (DWORD row = 0; row < desc.dwHeight; ++row) {
    const uint16_t* line = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(desc.lpSurface) + row * desc.lPitch);
    pixels.insert(pixels.end(), line, line + desc.dwWidth);
  }
  lightmap->surface->Unlock(nullptr);
  return pixels;
}

TEST_F(ViewerTest, LightKeysMoveTheFirstLightAndRelight) {
  Start();
  Vector3& pos = g_scene->lights->node_tms[0].pos;
  const Vector3 start = pos;
  const std::vector<uint16_t> lit_before = FirstGroupTexels();
  ASSERT_FALSE(lit_before.empty());
  const struct {
    WPARAM key;
    float dx, dy;
  } steps[] = {{VK_LEFT, -1, 0}, {VK_RIGHT, 1, 0}, {VK_UP, 0, -1}, {VK_DOWN, 0, 1}, {VK_RETURN, 0, -1}, {VK_SHIFT, 0, 1}};
  for (const auto& step : steps) {
    const Vector3 before = pos;
    Send(WM_KEYDOWN, step.key);
    EXPECT_FLOAT_EQ(pos.x, before.x + step.dx * LIGHT_STEP);
    EXPECT_FLOAT_EQ(pos.y, before.y + step.dy * LIGHT_STEP);
    EXPECT_FLOAT_EQ(pos.z, start.z);
  }
  for (int i = 0; i < 4; ++i) Send(WM_KEYDOWN, VK_LEFT);
  EXPECT_NE(FirstGroupTexels(), lit_before) << "moving the light relights the tiles";

  EXPECT_EQ(g_renderer->lighting_off, 1) << "start-up switches lighting off once";
  EXPECT_EQ(Send(WM_KEYDOWN, VK_SPACE), 0);
  EXPECT_EQ(g_renderer->lighting_off, 0);
}

TEST_F(ViewerTest, FramesChangeAsTheLightFlies) {
  Start();
  const Frame early = Render();
  for (int i = 0; i < 60; ++i) g_renderer->RenderFrame();
  const Frame later = Render();
  ASSERT_EQ(early.rgba.size(), later.rgba.size());
  // Below the counter, so that only the scene can make the difference.
  size_t differing = 0;
  for (int y = 40; y < early.height; ++y)
    for (int x = 0; x < early.width; ++x) differing += std::memcmp(early.At(x, y), later.At(x, y), 3) != 0;
  EXPECT_GT(differing, 1000u);
}

TEST_F(ViewerTest, FileOpenReappliesTheLoadedSceneAndCancelChangesNothing) {
  Start();
  AseScene* scene = g_scene;
  const uint8_t lights_before = g_renderer->next_light_index;
  QueueOpenFileCancel();
  EXPECT_EQ(Send(WM_COMMAND, FILE_OPEN_COMMAND), 0);
  EXPECT_EQ(g_scene, scene);
  QueueOpenFileAnswer(dir_.path() + "/light.ase");
  Send(WM_COMMAND, FILE_OPEN_COMMAND);
  EXPECT_EQ(g_scene, scene);
  // Each application gives the scene's light to the device again, under the next index.
  EXPECT_EQ(g_renderer->next_light_index, lights_before + 2);
}

TEST_F(ViewerTest, WithoutASceneKeysDoNothingAndFramesShowTheClearAndTheCounter) {
  g_launch_options.scene_path = "missing.ase";
  Start();
  EXPECT_EQ(g_scene, nullptr);
  Send(WM_KEYDOWN, VK_LEFT);
  Send(WM_MOUSEMOVE, MK_LBUTTON, At(300, 300));
  const Frame frame = Render();
  EXPECT_TRUE(frame.IsClearBlue(frame.width / 2, frame.height / 2));
  EXPECT_TRUE(frame.IsClearBlue(frame.width - 5, frame.height - 5));
}

TEST_F(ViewerTest, EscapeAndTheCloseBoxEndTheLoop) {
  for (UINT message : {static_cast<UINT>(WM_KEYDOWN), static_cast<UINT>(WM_CLOSE)}) {
    Start();
    const WPARAM wparam = message == WM_KEYDOWN ? VK_ESCAPE : 0;
    MainWindowProc(g_main_window, message, wparam, 0);
    EXPECT_EQ(g_renderer, nullptr);
    EXPECT_EQ(g_scene, nullptr);
    EXPECT_EQ(RunMessageLoop(), 0);
  }
  // Alt+F4 and other system keys have no effect at all.
  Start();
  EXPECT_EQ(Send(WM_SYSKEYDOWN, VK_F4), 0);
  EXPECT_NE(g_renderer, nullptr);
}

TEST_F(ViewerTest, AltEnterGoesFullScreenOrFallsBackWithoutARenderer) {
  Start();
  EXPECT_EQ(Send(WM_SYSKEYDOWN, VK_RETURN), 0);
  if (g_renderer != nullptr) {
    EXPECT_EQ(g_renderer->windowed, 0);
    ASSERT_NE(g_scene, nullptr);
    EXPECT_NE(g_scene->geom_objects->face_groups->face_frames, nullptr) << "the new device gets the scene again";
    Render();
    // A size message while full screen leaves the device alone.
    IDirect3DDevice7* device = g_renderer->device;
    Send(WM_SIZE, 0, At(640, 480));
    EXPECT_EQ(g_renderer->device, device);
  } else {
    EXPECT_EQ(g_scene, nullptr);
    EXPECT_EQ(Send(WM_KEYDOWN, VK_SPACE), DefWindowProcA(g_main_window, WM_KEYDOWN, VK_SPACE, 0));
  }
}

// --device and --mode as the programs pass them: selections in the picker's lists, confirmed headless.
TEST_F(ViewerTest, PreselectedDeviceIsTheOneStartedAndAnIndexPastTheListKeepsTheDefault) {
  for (int32_t wanted : {1, 99}) {
    SCOPED_TRACE(wanted);
    LaunchOptions launch;
    launch.device_index = wanted;
    QueuePickerPreselection(launch, true);
    Start();
    ASSERT_GE(device_count, 2) << "the stand-in offers a software and a hardware device";
    EXPECT_EQ(selected_device, wanted < device_count ? wanted : 0);
    DestroyWindow(g_main_window);
    RunMessageLoop();
  }
}

TEST_F(ViewerTest, AMinimisedWindowNeitherCrashesNorDrawsWithMissingInterfaces) {
  Start();
  ShowWindow(g_main_window, SW_MINIMIZE);
  for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  RECT client;
  ASSERT_TRUE(GetClientRect(g_main_window, &client));
  ASSERT_EQ(client.right - client.left, 0) << "a minimised window has no client area";
  Send(WM_SIZE, SIZE_MINIMIZED, At(0, 0));
  ASSERT_NE(g_renderer, nullptr);
  for (int i = 0; i < 3; ++i) g_renderer->RenderFrame();
  Send(WM_KEYDOWN, VK_LEFT);
  Send(WM_MOUSEMOVE, MK_LBUTTON, At(10, 10));

  ShowWindow(g_main_window, SW_RESTORE);
  for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  Send(WM_SIZE, SIZE_RESTORED, At(640, 480));
  ASSERT_NE(g_renderer, nullptr);
  EXPECT_NE(g_renderer->device, nullptr) << "the restored window gets a device again";
  ASSERT_NE(g_scene, nullptr);
  EXPECT_NE(g_scene->geom_objects->face_groups->face_frames, nullptr) << "and the scene on it";
  const Frame frame = Render();
  EXPECT_FALSE(frame.IsClearBlue(frame.width / 2, frame.height - 20));
}

}  // namespace
