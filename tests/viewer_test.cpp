// The viewer on the default scene: what the window procedure does with drags, keys, File/Open, start-up
// files that cannot be shown, and window changes.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/device_picker.h"
#include "app/scene_open.h"
#include "lightmap/lightmap.h"
#include "platform/test_hooks.h"
#include "platform/ui_internal.h"
#include "platform/window_internal.h"
#include "render/renderer.h"
#include "scene/ase_scene.h"
#include "test_support.h"
#include "tests/image_fixtures.h"
#include "tests/viewer_fixture.h"

namespace {

class ViewerTest : public ViewerFixture {
 protected:
  static void ResizeWindow(int width, int height) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    event.window.data1 = width;
    event.window.data2 = height;
    PushToWindow(event);
  }
};

std::vector<uint16_t> FirstGroupTexels() {
  const GroupLightmap* lightmap = g_scene->geom_objects->face_groups->lightmap;
  return lightmap == nullptr ? std::vector<uint16_t>{} : LockedTexels(lightmap->surface);
}

TEST_F(ViewerTest, DragsOrbitOnlyWithExactlyOneButtonAndKeysMoveTheLight) {
  Start();
  EXPECT_EQ(Title(), "KESTREL - light.ase");
  CameraObject* camera = g_renderer->camera;
  ASSERT_NE(camera, nullptr);
  const float angle = camera->orbit_angle, height = camera->orbit_eye.y, distance = camera->orbit_distance;
  EXPECT_EQ(Send(WM_LBUTTONDOWN, MK_LBUTTON, At(100, 100)), 0);
  EXPECT_EQ(Send(WM_MOUSEMOVE, MK_LBUTTON, At(200, 110)), 0);
  EXPECT_FLOAT_EQ(camera->orbit_angle, angle + 1.0f);
  EXPECT_FLOAT_EQ(camera->orbit_eye.y, height + 20.0f);
  Send(WM_MOUSEMOVE, MK_RBUTTON, At(250, 110));
  EXPECT_FLOAT_EQ(camera->orbit_distance, distance + 50.0f);
  const std::vector<float> view = ViewMatrix();
  Send(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, At(400, 300));
  Send(WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, At(500, 300));
  EXPECT_EQ(ViewMatrix(), view);
  EXPECT_EQ(last_mouse_x, 500);
  EXPECT_EQ(last_mouse_y, 300);

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
  for (int i = 0; i < 6; ++i) Send(WM_KEYDOWN, VK_LEFT);
  EXPECT_NE(FirstGroupTexels(), lit_before) << "moving the light relights";
  // Escape closes (Alt+F4 too: tests/scene_opening_test.cpp).
  Send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(g_renderer, nullptr);
  EXPECT_EQ(g_scene, nullptr);
}

// The new scene's bitmap is found beside it under the name of one of the old scene's bitmaps, but holds
// another picture.
TEST_F(ViewerTest, FileOpenReplacesTheSceneWithItsBitmapsAnimationAndTitle) {
  Start();
  Render(3);
  // Past the 127 characters a Win32 caller often allows: the choice is still taken, not read as Cancel.
  const std::string other = "other-" + std::string(150, 'x');
  std::filesystem::create_directory(other);
  std::filesystem::copy_file(TestDataPath("scenes/panel.ase"), other + "/panel.ase");
  WriteTextFile(other + "/panel.tif", OneStripTiff(std::string("\0\xFF\0", 3), 1, 1, {8, 8, 8}, 2));  // green
  QueueOpenFileAnswer(dir_.path() + "/" + other + "/panel.ase");
  EXPECT_EQ(Send(WM_COMMAND, FILE_OPEN_COMMAND), 0);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{});
  ASSERT_NE(g_scene, nullptr);
  EXPECT_STREQ(g_scene->geom_objects->name, "Panel");
  EXPECT_EQ(g_renderer->camera, g_scene->cameras);
  EXPECT_EQ(g_renderer->next_light_index, 1) << "the old scene's light is not kept on the device";
  EXPECT_EQ(animation_frame, 0u) << "the new animation starts from its first frame";
  EXPECT_EQ(Title(), "KESTREL - panel.ase");
  EXPECT_NE(ReadTextFile("out.txt").find("Lamp *CONTROL_POS_TRACK"), std::string::npos);
  EXPECT_NE(ReadTextFile("test.txt").find("Panel"), std::string::npos);
  const Frame first = Render();
  const Rgb middle = first.At(first.width / 2, first.height / 2);
  EXPECT_TRUE((middle & 0xFF00FF) == 0 && middle != 0) << "the panel fills the middle in the new bitmap's green";
  EXPECT_EQ(first.At(5, first.height - 5), Rgb(0, 0, 255));
  EXPECT_NE(Render(6).At(first.width / 2, first.height / 2), middle)
      << "the new scene's light plays";
}

// Nothing the user did not ask for changes: not the scene, not its view, not its lights.
TEST_F(ViewerTest, FilesThatCannotBeOpenedAndACancelledDialogKeepTheSceneAndItsView) {
  Start();
  Drag();
  AseScene* scene = g_scene;
  const std::vector<float> view = ViewMatrix();
  const uint8_t lights = g_renderer->next_light_index;
  QueueOpenFileCancel();
  Send(WM_COMMAND, FILE_OPEN_COMMAND);
  EXPECT_TRUE(TakeBoxes().empty());

  // A file that cannot be opened and one that is no scene; every reason's text: ProgramRun.
  WriteTextFile("notes.txt", "not a scene at all\n");
  const std::string report = ReadTextFile("test.txt");
  for (const char* path : {"missing.ase", "notes.txt"}) {
    EXPECT_FALSE(ReplaceScene(path));
    EXPECT_EQ(TakeBoxes().size(), 1u) << path;
  }
  EXPECT_EQ(ReadTextFile("test.txt"), report) << "a file that is no scene writes no report";
  EXPECT_EQ(g_scene, scene);
  EXPECT_EQ(ViewMatrix(), view);
  EXPECT_EQ(g_renderer->next_light_index, lights);
  EXPECT_EQ(Title(), "KESTREL - light.ase");
}

// A start-up file that cannot be opened or is no scene is named in a box, and the window waits empty
// (no report, keys and drags do nothing) for File/Open rather than showing an empty scene.
TEST_F(ViewerTest, AStartUpFileThatIsNoSceneIsNamedAndLeavesTheWindowEmpty) {
  WriteTextFile("empty.ase", "");
  for (const char* file : {"missing.ase", "empty.ase"}) {
    g_launch_options.scene_path = file;
    Start();
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{std::string("Report: Cannot open \"") + file + "\": " +
                                                    (file[0] == 'm' ? "there is no such file." : "it is not a scene file (it is empty).")});
    EXPECT_EQ(g_scene, nullptr);
    EXPECT_FALSE(FileExists("test.txt"));
    Send(WM_KEYDOWN, VK_LEFT);
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(300, 300));
    const Frame frame = Render();
    EXPECT_EQ(frame.At(frame.width / 2, frame.height / 2), Rgb(0, 0, 255));
    EXPECT_TRUE(ReplaceScene("light.ase"));
    EXPECT_NE(g_renderer->camera, nullptr);
    DestroyWindow(g_main_window);
    RunMessageLoop();
    std::remove("test.txt");
  }
}

// Every device re-creation keeps the user's orbit; the projection follows the window's shape.
TEST_F(ViewerTest, AltEnterTwiceReturnsToTheWindowAndTheOrbitSurvivesEveryRecreationAndMinimising) {
  Start();
  Drag();
  const std::vector<float> view = ViewMatrix();
  RECT client;
  GetClientRect(g_main_window, &client);
  EXPECT_EQ(Send(WM_SYSKEYDOWN, VK_RETURN), 0);
  ASSERT_NE(g_renderer, nullptr);
  EXPECT_EQ(g_renderer->windowed, 0);
  EXPECT_EQ(g_renderer->target_rect.right, 640);
  EXPECT_EQ(ViewMatrix(), view);
  Send(WM_SYSKEYDOWN, VK_RETURN);
  ASSERT_NE(g_renderer, nullptr);
  EXPECT_EQ(g_renderer->windowed, 1);
  EXPECT_EQ(ViewMatrix(), view);
  const Frame frame = Render();
  EXPECT_EQ(frame.width, 640);
  EXPECT_EQ(frame.height, client.bottom);
  EXPECT_FLOAT_EQ(g_renderer->camera->aspect, 0.75f);

  // Minimised: no box and nothing rendered until restored, with the scene and the orbit.
  ShowWindow(g_main_window, SW_MINIMIZE);
  Pump();
  EXPECT_FALSE(RenderIdleFrame());
  ShowWindow(g_main_window, SW_RESTORE);
  Pump();
  ASSERT_NE(g_renderer, nullptr);
  EXPECT_NE(g_scene->geom_objects->face_groups->lightmap, nullptr) << "the restored device gets the scene";
  EXPECT_EQ(ViewMatrix(), view);
  EXPECT_TRUE(RenderIdleFrame());
  EXPECT_NE(Render().At(320, 400), Rgb(0, 0, 255));

  // Twice as wide: the same orbit, and half the aspect so that nothing stretches.
  ResizeWindow(1280, 480);
  EXPECT_EQ(g_renderer->target_rect.right, 1280);
  EXPECT_EQ(ViewMatrix(), view);
  EXPECT_FLOAT_EQ(g_renderer->camera->aspect, 0.375f);
  Send(WM_KEYDOWN, 'F');  // and so does the framing view
  EXPECT_FLOAT_EQ(g_renderer->camera->aspect, 0.375f);
  EXPECT_EQ(Render().width, 1280);
  EXPECT_TRUE(TakeBoxes().empty());
}

// Resident memory of this process, in MB.
long ResidentMb() {
  long pages_total = 0, pages_resident = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages_total, &pages_resident) != 2) pages_resident = 0;
  std::fclose(statm);
  return pages_resident * 4096 / (1024 * 1024);
}

TEST_F(ViewerTest, AWindowTooLargeForASurfaceShowsOneBoxAndWaitsForTheNextSize) {
  Start();
  SDL_Window* sdl_window = GetSdlWindow(g_main_window);
  SDL_SetWindowSize(sdl_window, 20000, 20000);
  ResizeWindow(20000, 20000);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"Report: Failed to Create Surface"});
  ASSERT_NE(g_renderer, nullptr);
  EXPECT_EQ(g_renderer->GetDevice(), nullptr);
  // Loop turns long enough apart for the idle painter: nothing is shown or painted, memory holds still.
  const WindowRecord* record = FindTopLevelRecord(g_main_window);
  ASSERT_NE(record, nullptr);
  const uint32_t last_painted_ms = record->last_frame_ms;
  const long resident_before = ResidentMb();
  for (int turn = 0; turn < 12; ++turn) {
    Pump();
    EXPECT_FALSE(RenderIdleFrame() && g_renderer->GetDevice() != nullptr);
    SDL_Delay(60);
  }
  EXPECT_EQ(record->last_frame_ms, last_painted_ms);
  EXPECT_LT(ResidentMb() - resident_before, 200);
  EXPECT_TRUE(TakeBoxes().empty());

  SDL_SetWindowSize(sdl_window, 640, 480);
  ResizeWindow(640, 480);
  ASSERT_NE(g_renderer->GetDevice(), nullptr);
  const Frame frame = Render();
  EXPECT_EQ(frame.width, 640);
  EXPECT_FALSE(frame.At(frame.width / 2, frame.height / 2) == Rgb(0, 0, 255) && frame.At(10, frame.height - 10) == Rgb(0, 0, 255));
  EXPECT_TRUE(TakeBoxes().empty());
}

TEST_F(ViewerTest, AltEnterFallsBackTo1024By768WhenTheFirstModeFails) {
  Start();
  SetDisplayModeFailuresForTest(1);
  Send(WM_SYSKEYDOWN, VK_RETURN);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"Report: Failed to Set DisplayMode"});
  ASSERT_NE(g_renderer, nullptr);
  EXPECT_EQ(g_renderer->windowed, 0);
  EXPECT_EQ(g_renderer->target_rect.right, 1024);
  EXPECT_EQ(g_renderer->target_rect.bottom, 768);
  D3DDEVICEDESC7 caps = {};
  ASSERT_EQ(g_renderer->device->GetCaps(&caps), D3D_OK);
  EXPECT_TRUE(IsEqualGUID(caps.deviceGUID, IID_IDirect3DHALDevice));
  EXPECT_EQ(Render().width, 1024);
  // Back in the window, a switch where both modes fail takes the renderer and the scene away, and the
  // window only waits to be closed.
  Send(WM_SYSKEYDOWN, VK_RETURN);
  ASSERT_EQ(g_renderer->windowed, 1);
  SetDisplayModeFailuresForTest(2);
  Send(WM_SYSKEYDOWN, VK_RETURN);
  EXPECT_EQ(g_renderer, nullptr);
  EXPECT_EQ(g_scene, nullptr);
  EXPECT_EQ(Send(WM_KEYDOWN, VK_SPACE), DefWindowProcA(g_main_window, WM_KEYDOWN, VK_SPACE, 0));
}

// --device as the programs pass it: a selection in the picker's list, confirmed headless.
TEST_F(ViewerTest, PreselectedDeviceIsTheOneStarted) {
  g_launch_options.device_index = 1;
  QueuePickerPreselection(g_launch_options, true);
  Start();
  EXPECT_EQ(selected_device, 1);
}

}  // namespace
