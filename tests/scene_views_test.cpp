// The viewer started headless: the default scene as the generator writes it and as it has always looked,
// and scenes that lack a camera, a light or materials, each showing its geometry, a moving light
// changing the picture and a still one never relighting; the wheel, Home and F reach the view.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lightmap/lightmap.h"
#include "tests/viewer_fixture.h"

namespace {

// Scenes from the test data, in a working folder without the default scene.
class SceneViewTest : public ViewerFixture {
 protected:
  SceneViewTest() : ViewerFixture(false) {}
  void Start(const char* file) {
    path_ = TestDataPath(std::string("scenes/") + file);
    g_launch_options.scene_path = path_.c_str();
    ViewerFixture::Start();
  }

  std::string path_;
};

TEST_F(SceneViewTest, DefaultSceneIsTheGeneratorsAndItsReportsAndFrame300AreUnchangedOutsideTheCounter) {
  ASSERT_EQ(std::system((BinaryDirPath("tools/gen_default_scene") + " " + dir_.path()).c_str()), 0);
  for (const char* name : DEFAULT_SCENE_FILES) {
    const std::string committed = ReadTextFile(std::string(KESTREL_SOURCE_DIR) + "/assets/" + name);
    EXPECT_TRUE(!committed.empty() && committed == ReadTextFile(name)) << name << " is not the generator's";
  }
  g_launch_options.frame_limit = 300;
  ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 1), 0);
  EXPECT_EQ(g_frames_rendered, 300u);
  EXPECT_EQ(g_run_failure, RunFailure::NONE);
  EXPECT_NE(ReadTextFile("test.txt").find("Camera Num = 1"), std::string::npos);
  EXPECT_NE(ReadTextFile("out.txt").find("Omni01 *CONTROL_POS_TRACK"), std::string::npos);
  EXPECT_EQ(ReadTextFile("Banner.txt").substr(0, 29), "VERTEX 0 \"Cap\"  Weight 1.0000");
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
  EXPECT_EQ(TakeBoxes(), c.boxes);
  EXPECT_NE(ReadTextFile("test.txt").find(c.report_line), std::string::npos);

  // Frame 1 shows the lightmaps as the setup made them, frame 50 as the animation left them.
  const Frame first = Render();
  EXPECT_EQ(BelowCounter(Render(49)) == BelowCounter(first), !c.light_moves);
  int geometry = 0;
  for (int y = 44; y < first.height; y += 2)
    for (int x = 0; x < first.width; x += 2) geometry += first.At(x, y) != Rgb(0, 0, 255) ? 1 : 0;
  EXPECT_GT(geometry, first.width * first.height / 40);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ViewedScenes,
    ::testing::Values(ViewedScene{"no_camera_no_light.ase", {"Report: Light Nothing", "Report: Camera is Nothing"}, "facegroup 1",
                                  false},
                      // Without a material table the report still counts no face group.
                      ViewedScene{"no_materials.ase", {}, "facegroup 0", true},
                      ViewedScene{"static_light.ase", {}, "facegroup 1", false}));

// A wall of cols x rows quads of two triangles each, four vertices to a quad, facing the camera in the
// file's y-z plane with a light in front of it; faces run row by row from the bottom.
std::string WallScene(uint32_t cols, uint32_t rows) {
  std::string text = "*3DSMAX_ASCIIEXPORT 200\n*MATERIAL_LIST { *MATERIAL_COUNT 1 *MATERIAL 0 { *MATERIAL_DIFFUSE 0.8 0.6 0.3 } }\n";
  char line[160];
  auto add = [&](const char* format, auto... values) {
    std::snprintf(line, sizeof line, format, values...);
    text += line;
  };
  add("*GEOMOBJECT { *NODE_NAME \"Wall\" *MESH { *MESH_NUMVERTEX %u *MESH_NUMFACES %u *MESH_VERTEX_LIST {\n",
      cols * rows * 4, cols * rows * 2);
  const float step = 100.0f / static_cast<float>(rows);
  for (uint32_t q = 0; q < cols * rows; ++q) {
    const float y = (static_cast<float>(q % cols) - cols / 2.0f) * step, z = (static_cast<float>(q / cols) - rows / 2.0f) * step;
    add("*MESH_VERTEX %u 0 %f %f\n*MESH_VERTEX %u 0 %f %f\n", 4 * q, y, z, 4 * q + 1, y + step, z);
    add("*MESH_VERTEX %u 0 %f %f\n*MESH_VERTEX %u 0 %f %f\n", 4 * q + 2, y + step, z + step, 4 * q + 3, y, z + step);
  }
  text += "} *MESH_FACE_LIST {\n";
  for (uint32_t q = 0; q < cols * rows; ++q) {
    add("*MESH_FACE %u: A: %u B: %u C: %u AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 *MESH_MTLID 0\n", 2 * q, 4 * q, 4 * q + 1, 4 * q + 2);
    add("*MESH_FACE %u: A: %u B: %u C: %u AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 *MESH_MTLID 0\n", 2 * q + 1, 4 * q, 4 * q + 2, 4 * q + 3);
  }
  text += "} } *MATERIAL_REF 0 }\n*LIGHTOBJECT { *NODE_NAME \"Omni\" *NODE_TM { *NODE_NAME \"Omni\" *TM_POS 40 0 20 } }\n";
  text += "*CAMERAOBJECT { *NODE_NAME \"Cam\" *NODE_TM { *NODE_NAME \"Cam\" *TM_POS 160 30 0 } *NODE_TM { *NODE_NAME \"Cam.Target\" *TM_POS 0 0 0 } }\n";
  return text;
}

// A scanned or sculpted mesh holds more vertices and faces than one draw takes: it is read whole and
// drawn in slices, each with its own lightmap, so the wall shows lit from its first row of faces to its
// last even on a device whose largest texture (2048 texels here) could not hold all its tiles at once.
TEST_F(SceneViewTest, AMeshBeyondWhatOneDrawTakesIsReadWholeAndDrawnWithItsLightmaps) {
  SetMaxTextureSizeForTest(2048);
  WriteTextFile("wall.ase", WallScene(175, 200));
  g_launch_options.scene_path = "wall.ase";
  ViewerFixture::Start();
  EXPECT_TRUE(TakeBoxes().empty());
  const GeomObject* wall = g_scene->geom_objects;
  ASSERT_NE(wall, nullptr);
  EXPECT_EQ(wall->face_count, 70000u);
  EXPECT_EQ(wall->vertex_count, 140000u);
  ASSERT_EQ(wall->face_group_count, 1);
  ASSERT_NE(wall->face_groups->lightmap, nullptr);
  for (uint32_t k = 0; k < LightmapSliceCount(wall->face_count); ++k) {
    EXPECT_NE(wall->face_groups->lightmap[k].surface, nullptr) << "slice " << k;
  }
  const Frame frame = Render();
  // The wall's rows on screen, bottom to top; each tenth must be covered and lit unevenly.
  int top = frame.height, bottom = 0;
  for (int y = 44; y < frame.height; ++y) {
    if (frame.At(frame.width / 2, y) != Rgb(0, 0, 255)) top = std::min(top, y), bottom = std::max(bottom, y);
  }
  ASSERT_GT(bottom - top, frame.height / 2);
  for (int tenth = 0; tenth < 10; ++tenth) {
    const int y = bottom - (bottom - top) * tenth / 10 - (bottom - top) / 20;
    int covered = 0;
    for (int x = 0; x < frame.width; ++x) covered += frame.At(x, y) != Rgb(0, 0, 255) ? 1 : 0;
    EXPECT_GT(covered, frame.width / 3) << "tenth " << tenth << " of the wall, row " << y;
  }
  EXPECT_NE(frame.At(frame.width / 2, (top + bottom) / 2), frame.At(frame.width / 2, top + 2)) << "unlit";
}

// Each group is drawn from the vertex buffer its vertices moved into, or, where no buffer can be made,
// from its own vertices: the same picture either way.
TEST_F(SceneViewTest, GroupsDrawAlikeFromTheirVertexBufferAndFromTheirOwnVertices) {
  Start("static_light.ase");
  const std::vector<uint8_t> from_buffer = BelowCounter(Render());
  const FaceGroup* group = g_scene->geom_objects->face_groups;
  EXPECT_TRUE(group->lightmap_vertex_buffer != nullptr && group->lightmap_vertices == nullptr);
  SetVertexBufferFailureForTest(D3DERR_VBUF_CREATE_FAILED);
  g_renderer->ApplyScene(g_scene);
  const Frame from_vertices = Render();
  ResetGraphicsTestHooks();
  group = g_scene->geom_objects->face_groups;
  EXPECT_TRUE(group->lightmap_vertex_buffer == nullptr && group->lightmap_vertices != nullptr);
  EXPECT_TRUE(BelowCounter(from_vertices) == from_buffer);
  EXPECT_TRUE(TakeBoxes().empty()) << "a buffer that cannot be made shows no box";
}

TEST_F(SceneViewTest, WheelHomeAndFReachTheView) {
  Start("no_materials.ase");
  CameraObject* scene_camera = g_renderer->camera;
  const float distance = scene_camera->orbit_distance;
  SDL_Event wheel = {};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = 2;
  PushToWindow(wheel);
  EXPECT_NEAR(scene_camera->orbit_distance, distance * 0.81f, distance * 1e-5f);
  Send(WM_KEYDOWN, 'F');
  ASSERT_NE(g_renderer->camera, scene_camera);
  ExpectVectorNear(g_renderer->camera->target, {0, 10, 0});  // the middle of floor and wall
  Send(WM_KEYDOWN, VK_HOME);
  EXPECT_FLOAT_EQ(scene_camera->orbit_distance, distance);
}

}  // namespace
