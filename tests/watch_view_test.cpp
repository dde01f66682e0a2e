// Watching and inspecting, driven as a user does: the view modes against the normal picture of the
// default scene, Direct3D lighting that lights instead of blackening, the transport keys and their
// menu commands, the panel and cheatsheet over the picture, and --info against the counts of the test
// scenes.

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "render/view_modes.h"
#include "resources/resource_ids.h"
#include "tests/viewer_fixture.h"

namespace {

// Rows under the frame counter, whose figure depends on the machine's speed.
constexpr int BELOW_COUNTER = 44;

struct Picture {
  Frame frame;
  Picture(Frame f) : frame(std::move(f)) {}  // NOLINT: every rendered frame is a picture
  friend bool operator==(const Picture& a, const Picture& b) {
    const size_t skip = static_cast<size_t>(BELOW_COUNTER) * a.frame.width * 4;
    return a.frame.width == b.frame.width && a.frame.height == b.frame.height &&
           std::equal(a.frame.rgba.begin() + skip, a.frame.rgba.end(), b.frame.rgba.begin() + skip);
  }
  bool IsClear(int x, int y) const { return frame.At(x, y) == Rgb(0, 0, 255); }
  int Channel(int x, int y, int c) const { return frame.rgba[(static_cast<size_t>(y) * frame.width + x) * 4 + c]; }
  template <class F>
  void ForGeometry(F f) const {
    for (int y = BELOW_COUNTER; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x)
        if (!IsClear(x, y)) f(x, y);
  }
  int ClearCount() const {
    int count = frame.width * (frame.height - BELOW_COUNTER);
    ForGeometry([&](int, int) { --count; });
    return count;
  }
};

using WatchTest = ViewerFixture;

TEST_F(WatchTest, EachViewModeShowsItsPartOfTheNormalPictureAndLightingLightsIt) {
  Start();
  Send(WM_KEYDOWN, 'K');  // one pose for all the pictures
  const Picture normal = Render(2);
  Send(WM_KEYDOWN, '2');
  const Picture lightmaps = Render();
  Send(WM_KEYDOWN, '3');
  const Picture textures = Render();
  Send(WM_COMMAND, ID_VIEW_WIREFRAME);
  EXPECT_EQ(g_view.mode, ViewMode::WIREFRAME);
  const Picture wireframe = Render();
  Send(WM_COMMAND, ID_VIEW_NORMAL);
  EXPECT_TRUE(Render() == normal) << "back to normal is the picture it was";

  EXPECT_FALSE(lightmaps == normal);
  EXPECT_FALSE(textures == normal);
  // The lightmaps alone are white light on white surfaces: every lit pixel is a grey (as far as the
  // lightmap's 5-6-5 texels tell one).
  int coloured = 0;
  lightmaps.ForGeometry([&](int x, int y) {
    const int r = lightmaps.Channel(x, y, 0), g = lightmaps.Channel(x, y, 1), b = lightmaps.Channel(x, y, 2);
    coloured += std::max({r, g, b}) - std::min({r, g, b}) > 8;
  });
  EXPECT_EQ(coloured, 0);
  // The normal picture is the textures darkened by the lightmaps, never brighter than the textures.
  int brighter = 0;
  textures.ForGeometry([&](int x, int y) {
    for (int c = 0; c < 3; ++c) brighter += normal.Channel(x, y, c) > textures.Channel(x, y, c) + 1;
  });
  EXPECT_EQ(brighter, 0);
  // The edges leave most of the clear showing, yet draw lines.
  EXPECT_GT(wireframe.ClearCount(), normal.ClearCount() + normal.frame.width * normal.frame.height / 4);
  EXPECT_LT(wireframe.ClearCount(), normal.frame.width * (normal.frame.height - BELOW_COUNTER));

  // Device lighting lights the surfaces, and off leaves the picture as it was.
  const Picture& unlit = normal;
  Send(WM_KEYDOWN, VK_SPACE);
  ASSERT_EQ(g_renderer->lighting_off, 0);
  const Picture lit = Render();
  long long sum = 0;
  int pixels = 0;
  lit.ForGeometry([&](int x, int y) {
    sum += lit.Channel(x, y, 0) + lit.Channel(x, y, 1) + lit.Channel(x, y, 2);
    ++pixels;
  });
  ASSERT_GT(pixels, 0);
  EXPECT_GT(sum / pixels, 60) << "lit surfaces turned black";
  EXPECT_FALSE(lit == unlit);
  Send(WM_COMMAND, ID_VIEW_LIGHTING);
  EXPECT_TRUE(Render() == unlit);
}

TEST_F(WatchTest, TransportKeysAndMenuCommandsDriveTheFrameAndHoldTheLight) {
  Start();
  Render(10);
  const uint32_t shown = g_view.clock.CurrentFrame();
  EXPECT_EQ(shown, 9u);
  Send(WM_KEYDOWN, 'K');
  const Picture held = Render(2);
  const Picture later = Render(5);
  EXPECT_EQ(g_view.clock.CurrentFrame(), shown);
  EXPECT_TRUE(later == held) << "a paused scene, its light included, stays still";
  struct Step {
    UINT message;
    WPARAM key;
    uint32_t frame;
  };
  const Step steps[] = {
      {WM_KEYDOWN, 'L', shown + 1},
      {WM_KEYDOWN, 'J', shown},
      {WM_COMMAND, ID_ANIMATION_STEP_BACK, shown - 1},
      {WM_COMMAND, ID_ANIMATION_STEP_FORWARD, shown},
      {WM_KEYDOWN, VK_BACK, 0},
      {WM_KEYDOWN, 'J', 299},
      {WM_COMMAND, ID_ANIMATION_FIRST_FRAME, 0},
  };
  for (const Step& step : steps) {
    Send(step.message, step.key);
    Render();
    EXPECT_EQ(g_view.clock.CurrentFrame(), step.frame) << step.key;
    EXPECT_TRUE(g_view.clock.IsPaused());
  }
  for (WPARAM key : {VK_OEM_PLUS, VK_ADD}) Send(WM_KEYDOWN, key);
  EXPECT_EQ(g_view.clock.Speed(), 4.0);
  for (WPARAM key : {VK_OEM_MINUS, VK_SUBTRACT, VK_OEM_MINUS}) Send(WM_KEYDOWN, key);
  EXPECT_EQ(g_view.clock.Speed(), 0.5);
  for (WPARAM command : {ID_ANIMATION_FASTER, ID_ANIMATION_FASTER, ID_ANIMATION_SLOWER}) Send(WM_COMMAND, command);
  EXPECT_EQ(g_view.clock.Speed(), 1.0);
  Send(WM_COMMAND, ID_ANIMATION_PAUSE);
  Render(3);
  EXPECT_FALSE(g_view.clock.IsPaused());
  EXPECT_EQ(g_view.clock.CurrentFrame(), 2u) << "resumed from the first frame";
}

TEST_F(WatchTest, HeldFrameIsThePictureThatPlayingToItShows) {
  g_view_launch.hold_frame = true;
  g_view_launch.frame = 150;
  Start();
  const Picture held = Render(2);
  EXPECT_TRUE(Render(3) == held);
  EXPECT_EQ(g_view.clock.CurrentFrame(), 150u);
  DestroyWindow(g_main_window);
  RunMessageLoop();

  g_view_launch = ViewLaunch();
  animation_frame = 0;
  Start();
  // A drawn frame shows the pose that the frame before it made: frame 150 is posed by the 151st.
  EXPECT_TRUE(Render(152) == held);
}

TEST_F(WatchTest, PanelAndCheatsheetDrawOverThePictureFromKeysMenusAndTheCommandLine) {
  g_view_launch.panel = true;
  g_view_launch.mode = ViewMode::LIGHTMAPS;
  g_view_launch.lighting = true;
  Start();
  EXPECT_TRUE(g_view.panel_shown);
  EXPECT_EQ(g_view.mode, ViewMode::LIGHTMAPS);
  EXPECT_EQ(g_renderer->lighting_off, 0);
  Send(WM_KEYDOWN, 'K');
  const Picture with_panel = Render(2);
  Send(WM_KEYDOWN, 'I');
  const Picture without = Render();
  EXPECT_FALSE(with_panel == without);
  Send(WM_COMMAND, ID_VIEW_PANEL);
  EXPECT_TRUE(Render() == with_panel);
  Send(WM_KEYDOWN, VK_F1);
  const Picture cheatsheet = Render();
  EXPECT_FALSE(cheatsheet == with_panel);
  Send(WM_COMMAND, ID_VIEW_CHEATSHEET);
  EXPECT_TRUE(Render() == with_panel);
  // The panel's lines fit this window, so scrolling stays at the top.
  for (int i = 0; i < 4; ++i) Send(WM_KEYDOWN, VK_OEM_6);
  EXPECT_TRUE(Render() == with_panel);
  EXPECT_EQ(g_view.panel_scroll, 0);
}

TEST_F(WatchTest, PanelIsOneBoxOfItsLinesKeptInTheContextDrawnAsTheirStrokesAndFollowsTheFrame) {
  g_view_launch.panel = true;
  g_view_launch.hold_frame = true;
  Start();
  const Picture first = Render(2);
  // 16 lines of the default scene and the playback line, 24 pixels each (the context's font), from y 40.
  const int bottom = 40 + 17 * 24;
  int white_inside = 0, white_below = 0;
  for (int y = 40; y < bottom; ++y) white_inside += first.frame.At(11, y) == Rgb(255, 255, 255);
  for (int y = bottom + 2; y < bottom + 20; ++y) white_below += first.frame.At(11, y) == Rgb(255, 255, 255);
  EXPECT_GT(white_inside, (bottom - 40) * 3 / 4);
  EXPECT_EQ(white_below, 0);
  // FNV-1a of red, green and blue below the counter, taken when each letter stroke was drawn alone.
  uint64_t hash = 1469598103934665603ull;
  for (size_t i = static_cast<size_t>(BELOW_COUNTER) * first.frame.width * 4; i < first.frame.rgba.size(); ++i) {
    if (i % 4 != 3) hash = (hash ^ first.frame.rgba[i]) * 1099511628211ull;
  }
  EXPECT_EQ(hash, 0xd57e2cc99ae278bcull);
  // Another playback line, the cheatsheet's lines over the same context, then the panel again.
  Send(WM_KEYDOWN, 'L');
  const Picture stepped = Render(2);
  EXPECT_FALSE(stepped == first);
  Send(WM_KEYDOWN, VK_F1);
  EXPECT_FALSE(Render() == stepped);
  Send(WM_KEYDOWN, VK_F1);
  EXPECT_TRUE(Render() == stepped);
}

TEST_F(WatchTest, LongPanelsScrollWithinTheirLines) {
  // The panel fixture with 40 materials: far more lines than a 640 x 480 window holds.
  std::string scene = ReadTestData("scenes/panel.ase");
  std::string materials = "*MATERIAL_COUNT 40\n";
  for (int m = 0; m < 40; ++m) {
    materials += "\t*MATERIAL " + std::to_string(m) + " {\n\t\t*MATERIAL_DIFFUSE 0.8 0.6 0.2\n\t}\n";
  }
  const size_t list = scene.find("*MATERIAL_COUNT 1");
  ASSERT_NE(list, std::string::npos);
  scene.replace(list, scene.find("*GEOMOBJECT") - list - 2, materials);
  WriteTextFile("long.ase", scene);
  g_launch_options.scene_path = "long.ase";
  g_view_launch.panel = true;
  g_view_launch.hold_frame = true;
  Start();
  const Picture top = Render(2);
  Send(WM_KEYDOWN, VK_OEM_6);
  const Picture scrolled = Render();
  EXPECT_EQ(g_view.panel_scroll, 5);
  EXPECT_FALSE(scrolled == top);
  for (int i = 0; i < 20; ++i) Send(WM_KEYDOWN, VK_OEM_6);
  Render();
  const int end = g_view.panel_scroll;
  // 40 material lines and 8 others; what is left below the last scroll position fills the rows.
  EXPECT_GT(end, 20);
  EXPECT_LT(end, 48);
  for (int i = 0; i < 20; ++i) Send(WM_KEYDOWN, VK_OEM_4);
  EXPECT_TRUE(Render() == top);
  EXPECT_EQ(g_view.panel_scroll, 0);
}

CommandRun RunInfo(const std::string& path) { return RunBuiltProgram("kestrel_sse", "--info '" + path + "'"); }

TEST(SceneInfo, PrintsTheCountsOfTheTestScenesAndFailsOnNoScene) {
  ScopedTempDir dir;
  for (const DataCase& c : ReadDataCases("scenes/info.txt")) {
    const CommandRun run = RunInfo(TestDataPath("scenes/" + c.name));
    EXPECT_EQ(run.status, 0) << c.name;
    EXPECT_EQ(run.out.rfind("scene " + c.name + "\n", 0), 0u) << run.out;
    std::istringstream lines(c.expected);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '$') line.back() = '\n';
      EXPECT_NE(run.out.find(line), std::string::npos) << c.name << ": " << line;
    }
  }
  // The default scene, beside its textures: each is found, and a name no reader takes is not supported.
  CopyDefaultScene(dir.path());
  const CommandRun default_scene = RunInfo("light.ase");
  EXPECT_NE(default_scene.out.find("objects 6, faces 174, vertices 211"), std::string::npos) << default_scene.out;
  EXPECT_NE(default_scene.out.find("  material 0.1: wall.tga (found)"), std::string::npos);
  for (const char* report : {"test.txt", "out.txt", "Banner.txt"}) EXPECT_FALSE(FileExists(report)) << report;
  WriteTextFile("wall.bmp", "BM");
  std::string scene = ReadTextFile("light.ase");
  scene.replace(scene.find("\"wall.tga\"") + 1, 8, "wall.bmp");
  WriteTextFile("bmp.ase", scene);
  EXPECT_NE(RunInfo("bmp.ase").out.find("  material 0.1: wall.bmp (not supported)"), std::string::npos);

  EXPECT_EQ(RunInfo("no_such.ase").status, 1);
  EXPECT_EQ(RunInfo(dir.path()).status, 1);
  EXPECT_EQ(RunInfo(TestDataPath("scenes/rich_report.txt")).status, 1);
}

}  // namespace
