// The viewer started headless: the default scene as the generator writes it and as it has always looked,
// and scenes that lack a camera, a light or materials, each showing its geometry, a moving light
// changing the picture and a still one never relighting; the wheel, Home and F reach the view.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "animation/animation_eval.h"
#include "app/win_main.h"
#include "render/renderer.h"
#include "scene/ase_scene.h"
#include "tests/device_test_support.h"
#include "tests/test_support.h"

namespace {

class SceneViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_launch_options = LaunchOptions();
    BeginCaptureMessageBoxes();
    KeepPresentedFrames(true);
  }
  void TearDown() override {
    if (g_main_window != nullptr) {
      DestroyWindow(g_main_window);
      RunMessageLoop();
    }
    KeepPresentedFrames(false);
    EndCaptureMessageBoxes();
  }
  void Start(const char* file) {
    path_ = TestDataPath(std::string("scenes/") + file);
    g_launch_options.scene_path = path_.c_str();
    ASSERT_TRUE(StartViewer(nullptr));
  }

  ScopedTempDir dir_;
  std::string path_;
};

TEST_F(SceneViewTest, DefaultSceneIsTheGeneratorsAndItsFrame300IsUnchangedOutsideTheCounter) {
  ASSERT_EQ(std::system((BinaryDirPath("tools/gen_default_scene") + " " + dir_.path()).c_str()), 0);
  for (const char* name : DEFAULT_SCENE_FILES) {
    const std::string committed = ReadTextFile(std::string(KESTREL_SOURCE_DIR) + "/assets/" + name);
    EXPECT_TRUE(!committed.empty() && committed == ReadTextFile(name)) << name << " is not the generator's";
  }
  g_launch_options.frame_limit = 300;
  animation_frame = 0;  // the count runs for the process, across the tests run in it
  ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 1), 0);
  // Red, green and blue outside the counter, hashed; see the frame written here before taking a new hash.
  const Frame frame = LastFrame();
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (int y = 0; y < frame.height; ++y) {
    for (int x = y < 40 ? 160 : 0; x < frame.width; ++x) {
      const uint8_t* pixel = &frame.rgba[(static_cast<size_t>(y) * frame.width + x) * 4];
      for (int c = 0; c < 3; ++c) hash = (hash ^ pixel[c]) * 1099511628211ull;
    }
  }
  const std::string written = BinaryDirPath("default-frame-300.png");
  SaveLastPresentedFrame(written.c_str());
  EXPECT_EQ(hash, std::stoull(ReadTestData("default_frame_300.hash"), nullptr, 16)) << "see " << written;
}

// The rows below the frame counter, whose figure depends on the machine's speed.
std::vector<uint8_t> BelowCounter(const Frame& f) { return {f.rgba.begin() + 44 * 4 * f.width, f.rgba.end()}; }

struct ViewedScene {
  const char* file;
  std::vector<std::string> boxes;
  const char* report_line;
  bool light_moves;
};

void PrintTo(const ViewedScene& scene, std::ostream* out) { *out << scene.file; }
class ViewedScenes : public SceneViewTest, public ::testing::WithParamInterface<ViewedScene> {};

TEST_P(ViewedScenes, ShowTheirGeometryAndRelightOnlyAsTheLightMoves) {
  const ViewedScene& c = GetParam();
  Start(c.file);
  std::vector<std::string> boxes;
  for (const CapturedMessageBox& box : EndCaptureMessageBoxes()) boxes.push_back(box.text);
  EXPECT_EQ(boxes, c.boxes);
  EXPECT_NE(ReadTextFile("test.txt").find(c.report_line), std::string::npos);

  // Frame 1 shows the lightmaps as the setup made them, frame 50 as the animation left them.
  g_renderer->RenderFrame();
  const Frame first = LastFrame();
  for (int i = 1; i < 50; ++i) g_renderer->RenderFrame();
  EXPECT_EQ(BelowCounter(LastFrame()) == BelowCounter(first), !c.light_moves);
  int geometry = 0;
  for (int y = 44; y < first.height; y += 2)
    for (int x = 0; x < first.width; x += 2) geometry += first.At(x, y) != Rgb(0, 0, 255) ? 1 : 0;
  EXPECT_GT(geometry, first.width * first.height / 40);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ViewedScenes,
    ::testing::Values(ViewedScene{"no_camera_no_light.ase", {"Light Nothing", "Camera is Nothing"}, "facegroup 1",
                                  false},
                      // Without a material table the report still counts no face group.
                      ViewedScene{"no_materials.ase", {}, "facegroup 0", true},
                      ViewedScene{"static_light.ase", {}, "facegroup 1", false}));

// Each group is drawn from the vertex buffer its vertices moved into, or, where no buffer can be made,
// from its own vertices: the same picture either way.
TEST_F(SceneViewTest, GroupsDrawAlikeFromTheirVertexBufferAndFromTheirOwnVertices) {
  Start("static_light.ase");
  g_renderer->RenderFrame();
  const std::vector<uint8_t> from_buffer = BelowCounter(LastFrame());
  const FaceGroup* group = g_scene->geom_objects->face_groups;
  EXPECT_TRUE(group->lightmap_vertex_buffer != nullptr && group->lightmap_vertices == nullptr);
  SetVertexBufferFailureForTest(D3DERR_VBUF_CREATE_FAILED);
  g_renderer->ApplyScene(g_scene);
  g_renderer->RenderFrame();
  ResetGraphicsTestHooks();
  group = g_scene->geom_objects->face_groups;
  EXPECT_TRUE(group->lightmap_vertex_buffer == nullptr && group->lightmap_vertices != nullptr);
  EXPECT_TRUE(BelowCounter(LastFrame()) == from_buffer);
  EXPECT_TRUE(EndCaptureMessageBoxes().empty()) << "a buffer that cannot be made shows no box";
  BeginCaptureMessageBoxes();
}

TEST_F(SceneViewTest, WheelHomeAndFReachTheView) {
  Start("no_materials.ase");
  CameraObject* scene_camera = g_renderer->camera;
  const float distance = scene_camera->orbit_distance;
  SDL_Event wheel = {};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.windowID = SDL_GetWindowID(GetSdlWindow(g_main_window));
  wheel.wheel.y = 2;
  SDL_PushEvent(&wheel);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_NEAR(scene_camera->orbit_distance, distance * 0.81f, distance * 1e-5f);
  MainWindowProc(g_main_window, WM_KEYDOWN, 'F', 0);
  ASSERT_NE(g_renderer->camera, scene_camera);
  ExpectVectorNear(g_renderer->camera->target, {0, 10, 0});  // the middle of floor and wall
  MainWindowProc(g_main_window, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_FLOAT_EQ(scene_camera->orbit_distance, distance);
}

}  // namespace
