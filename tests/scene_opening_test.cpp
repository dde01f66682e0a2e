// Opening scenes the ways people do: the neighbours of a file in its folder, a file an exporter is
// still writing, reload and --watch keeping the view, a dropped file, the picture key, the File menu's
// keys, the report boxes once per opened scene, quick key taps and the stop signals.
#include <imgui.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/file_commands.h"
#include "app/scene_files.h"
#include "platform/ui_internal.h"
#include "resources/resource_ids.h"
#include "tests/viewer_fixture.h"

namespace fs = std::filesystem;

namespace {

void Touch(const std::string& path) { WriteTextFile(path, "x"); }

TEST(SceneFiles, NeighboursGoByNameInAnyCaseAndRoundTheEnds) {
  ScopedTempDir dir;
  for (const char* name : {"b.ASE", "a.ase", "C.Ase", "notes.txt", "d.ase.bak", "e"}) Touch(name);
  fs::create_directory("folder.ase");
  fs::create_directory("one");
  Touch("one/only.ase");
  // Round the ends; a non-scene current, or one deleted meanwhile, still has its place by name.
  std::istringstream lines(ReadTestData("neighbours.txt"));
  for (std::string line; std::getline(lines, line);) {
    std::string current, expected;
    int step = 0;
    if (line.rfind('#', 0) == 0 || !(std::istringstream(line) >> current >> step >> expected)) continue;
    EXPECT_EQ(NeighbourSceneFile(current == "-" ? "" : current, step), expected == "-" ? "" : expected) << line;
  }
  EXPECT_EQ(NeighbourSceneFile(dir.path() + "/b.ASE", 1), dir.path() + "/C.Ase");
}

// A cut between two top-level blocks looks whole; --watch waits for the file to hold still for that.
TEST(SceneFiles, AFileCutInsideABlockIsNotWhole) {
  ScopedTempDir dir;
  const std::string scene = ReadTestData("scenes/panel.ase");
  int cuts_inside = 0;
  for (size_t cut = 0; cut < scene.size(); ++cut) {
    const std::string part = scene.substr(0, cut);
    if (std::count(part.begin(), part.end(), '{') == std::count(part.begin(), part.end(), '}')) continue;
    ++cuts_inside;
    WriteTextFile("cut.ase", part);
    EXPECT_FALSE(SceneFileLooksWhole("cut.ase")) << cut;
  }
  EXPECT_GT(cuts_inside, 2000);
  // Whole, a brace inside a quoted name, no header, a stray closing brace.
  for (const auto& [text, whole] : std::vector<std::pair<std::string, bool>>{
           {scene, true}, {"*3DSMAX_ASCIIEXPORT 200\n*COMMENT \"a { in a name\"\n*SCENE {\n}\n", true},
           {"*SCENE {\n}\n", false}, {"*3DSMAX_ASCIIEXPORT 200\n*SCENE {\n}\n}\n{\n", false}}) {
    WriteTextFile("some.ase", text);
    EXPECT_EQ(SceneFileLooksWhole("some.ase"), whole) << text;
  }
  EXPECT_FALSE(SceneFileLooksWhole("missing.ase"));
}

// The viewer on the default scene and three test scenes in one folder.
class SceneOpening : public ViewerFixture {
 protected:
  void SetUp() override {
    ViewerFixture::SetUp();
    for (const char* name : {"no_camera_no_light.ase", "panel.ase", "static_light.ase"}) {
      fs::copy_file(TestDataPath(std::string("scenes/") + name), name);
    }
  }
  void TearDown() override {
    ViewerFixture::TearDown();
    ReleaseTickCountForTest();
  }
  void Start(const char* scene) {
    g_launch_options.scene_path = scene;
    ViewerFixture::Start();
  }
  static SDL_Event Key(SDL_Keycode key, Uint16 mod, bool down) {
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = SDL_GetWindowID(GetSdlWindow(g_main_window));
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym = SDL_Keysym{SDL_GetScancodeFromKey(key), key, mod, 0};
    return event;
  }
};

TEST_F(SceneOpening, ASceneShowsItsBoxesOncePerOpeningWhateverTheDeviceGoesThrough) {
  Start("no_camera_no_light.ase");
  const std::vector<std::string> boxes = {"Report: Light Nothing", "Report: Camera is Nothing"};
  EXPECT_EQ(TakeBoxes(), boxes);
  Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
  Send(WM_SYSKEYDOWN, VK_RETURN);  // full screen and back
  Send(WM_SYSKEYDOWN, VK_RETURN);
  Send(WM_SIZE, SIZE_MINIMIZED, 0);
  Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
  g_renderer->OnResize();
  ASSERT_NE(g_renderer, nullptr);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{});
  // Opening it again is a new opening: its boxes show again, once.
  EXPECT_TRUE(RunFileKey(g_main_window, VK_F5));
  EXPECT_EQ(TakeBoxes(), boxes);
  Send(WM_SYSKEYDOWN, VK_RETURN);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{});
}

TEST_F(SceneOpening, NextAndPreviousFollowTheFolderAndNameTheFileInTheTitle) {
  Start("light.ase");
  const struct {
    WPARAM key;
    const char* title;
  } steps[] = {{VK_NEXT, "no_camera_no_light.ase"}, {VK_NEXT, "panel.ase"}, {VK_NEXT, "static_light.ase"},
               {VK_NEXT, "light.ase"}, {VK_PRIOR, "static_light.ase"}};
  for (const auto& step : steps) {
    Send(WM_KEYDOWN, step.key);
    EXPECT_EQ(Title(), std::string("KESTREL - ") + step.title);
    EXPECT_EQ(OpenedScenePath(), step.title);
  }
  // The menu's commands are the keys'.
  Send(WM_COMMAND, ID_FILE_PREVIOUS);
  EXPECT_EQ(Title(), "KESTREL - panel.ase");
  fs::remove("panel.ase");
  Send(WM_COMMAND, ID_FILE_NEXT);
  EXPECT_EQ(Title(), "KESTREL - static_light.ase");
  TakeBoxes();
}

TEST_F(SceneOpening, ReloadAndWatchKeepTheViewAndAHalfWrittenFileKeepsTheOldScene) {
  const std::string whole = ReadTextFile("light.ase");
  g_launch_options.watch = true;
  SetTickCountForTest(1000);
  Start("light.ase");
  Drag();
  const std::vector<float> view = ViewMatrix();
  AseScene* first = g_scene;
  Send(WM_COMMAND, ID_FILE_RELOAD);
  EXPECT_NE(g_scene, first);
  EXPECT_EQ(ViewMatrix(), view);

  DWORD now_ms = 1000;
  auto look = [&now_ms](int times) {
    for (int i = 0; i < times; ++i) {
      now_ms += 300;
      SetTickCountForTest(now_ms);
      WatchOpenedScene();
    }
  };
  look(2);
  AseScene* before = g_scene;
  WriteTextFile("light.ase", whole.substr(0, whole.size() / 2));  // the exporter is half way
  look(4);
  EXPECT_EQ(g_scene, before) << "a half-written file never replaces the scene";
  WriteTextFile("light.ase", whole);
  look(1);
  EXPECT_EQ(g_scene, before) << "a file still changing is left for one more look";
  look(1);
  EXPECT_NE(g_scene, before);
  EXPECT_EQ(ViewMatrix(), view);
  before = g_scene;
  look(4);
  EXPECT_EQ(g_scene, before) << "an unchanged file is not read again";
  fs::remove("light.ase");
  look(4);
  EXPECT_EQ(g_scene, before);
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{});
}

TEST_F(SceneOpening, ADroppedFileOpensAndThePictureKeyWritesNumberedFiles) {
  Start("light.ase");
  SDL_Event drop = {};
  drop.type = SDL_DROPFILE;
  drop.drop.file = SDL_strdup((dir_.path() + "/panel.ase").c_str());
  PushToWindow(drop);
  EXPECT_EQ(Title(), "KESTREL - panel.ase");
  EXPECT_STREQ(g_scene->geom_objects->name, "Panel");

  Touch("kestrel-2.png");  // pictures take the first free number
  for (const char* name : {"kestrel-1.png", "kestrel-3.png"}) {
    Send(WM_KEYDOWN, VK_F12);
    EXPECT_FALSE(FileExists(name)) << "saved with the next frame";
    EXPECT_TRUE(RenderIdleFrame());
    EXPECT_TRUE(FileExists(name));
  }
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{});
}

TEST_F(SceneOpening, CtrlQAltF4AndStopSignalsCloseAsTheCloseBoxDoes) {
  const struct {
    const char* how;
    SDL_Keycode key;
    Uint16 mod;
    int signal;
  } ways[] = {{"Ctrl+Q", SDLK_q, KMOD_LCTRL, 0}, {"Alt+F4", SDLK_F4, KMOD_LALT, 0},
              {"SIGTERM", 0, 0, SIGTERM}, {"SIGINT", 0, 0, SIGINT}};
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    Start("light.ase");
    if (way.signal != 0) {
      std::raise(way.signal);
      Pump();
    } else {
      PushToWindow(Key(way.key, way.mod, true));
      PushToWindow(Key(way.key, way.mod, false));
    }
    EXPECT_EQ(g_renderer, nullptr);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(g_main_window, nullptr);
  }
  // Q alone is no quit.
  Start("light.ase");
  PushToWindow(Key(SDLK_q, KMOD_NONE, true));
  EXPECT_NE(g_renderer, nullptr);
}

// ImGui reads key state once per frame: a press and release between two frames must still be seen.
TEST_F(SceneOpening, AKeyTappedBetweenTwoFramesIsSeenPressedByTheUi) {
  Start("light.ase");
  WindowRecord* record = FindTopLevelRecord(g_main_window);
  ASSERT_NE(record, nullptr);
  ASSERT_NE(record->imgui, nullptr);
  SDL_Event down = Key(SDLK_RETURN, KMOD_NONE, true), up = Key(SDLK_RETURN, KMOD_NONE, false);
  SDL_PushEvent(&down);
  SDL_PushEvent(&up);
  PumpSdlEvents();  // not PeekMessageA, whose idle painting would draw a frame of its own
  std::vector<bool> seen;
  for (int frame = 0; frame < 3; ++frame) {
    ASSERT_TRUE(RenderIdleFrame());
    ImGui::SetCurrentContext(record->imgui);
    seen.push_back(ImGui::GetIO().KeysDown[SDL_SCANCODE_RETURN]);
  }
  EXPECT_EQ(seen, (std::vector<bool>{true, false, false}));
}

// The program on its own: a stop signal while it draws ends it through its own shutdown (the summary
// printed, no death by the signal) long before the frames asked for are done. The picture of a run's
// last frame is kept only at the frame limit, so a stopped run names the missing picture (status 1).
TEST(StopSignals, SigtermAndSigintEndTheProgramThroughItsShutdown) {
  ScopedTempDir dir;
  CopyDefaultScene(dir.path());
  for (const char* signal : {"TERM", "INT"}) {
    SCOPED_TRACE(signal);
    const CommandRun run = RunBuiltProgram("kestrel_sse", "--headless --frames 100000000 light.ase",
                                           std::string("timeout --preserve-status -k 60 -s ") + signal + " 3");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out.rfind("kestrel: ", 0), 0u);
    EXPECT_NE(run.err.find("could not write the screenshot"), std::string::npos);
  }
}

}  // namespace
