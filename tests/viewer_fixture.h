// The real start-up, headless, in a private working folder (holding the default scene unless a test
// says otherwise): every test ends with the window closed and the renderer and scene gone, every hook
// and queued answer restored, so that tests run in one process do not inherit.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "animation/animation_eval.h"
#include "app/command_line.h"
#include "app/view_keys.h"
#include "app/win_main.h"
#include "render/renderer.h"
#include "scene/ase_scene.h"
#include "tests/device_test_support.h"
#include "tests/test_support.h"

class ViewerFixture : public ::testing::Test {
 protected:
  explicit ViewerFixture(bool with_default_scene = true) : with_default_scene_(with_default_scene) {}
  void SetUp() override {
    if (with_default_scene_) CopyDefaultScene(dir_.path());
    g_launch_options = LaunchOptions();
    g_view_launch = ViewLaunch();
    animation_frame = 0;  // the count runs for the process
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
    ResetGraphicsTestHooks();
    ClearQueuedAnswers();
  }

  void Start() {
    ASSERT_TRUE(StartViewer(nullptr));
    ASSERT_NE(g_renderer, nullptr);
  }
  Frame Render(int frames = 1) {
    for (int i = 0; i < frames; ++i) g_renderer->RenderFrame();
    return LastFrame();
  }
  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam = 0) {
    return MainWindowProc(g_main_window, message, wparam, lparam);
  }
  static LPARAM At(int x, int y) { return static_cast<LPARAM>(static_cast<uint32_t>(x) | static_cast<uint32_t>(y) << 16); }
  // WM_QUIT is left for the loop, which must see it to end.
  static void Pump() {
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
      if (msg.message == WM_QUIT) return PostQuitMessage(static_cast<int>(msg.wParam));
      DispatchMessageA(&msg);
    }
  }
  static void PushToWindow(SDL_Event event) {
    // Every event kind but a drop keeps its window where a window event does.
    const Uint32 window = SDL_GetWindowID(GetSdlWindow(g_main_window));
    (event.type == SDL_DROPFILE ? event.drop.windowID : event.window.windowID) = window;
    SDL_PushEvent(&event);
    Pump();
  }
  // The boxes shown since the last call, as "caption: text".
  static std::vector<std::string> TakeBoxes() {
    std::vector<std::string> texts;
    for (const CapturedMessageBox& box : EndCaptureMessageBoxes()) texts.push_back(box.caption + ": " + box.text);
    BeginCaptureMessageBoxes();
    return texts;
  }

  static std::string Title() {
    char title[128] = {};
    GetWindowTextA(g_main_window, title, sizeof title);
    return title;
  }
  static std::vector<float> ViewMatrix() {
    D3DMATRIX m = {};
    if (g_renderer->device != nullptr) g_renderer->device->GetTransform(D3DTRANSFORMSTATE_VIEW, &m);
    return std::vector<float>(&m._11, &m._11 + 16);
  }
  // A drag that moves all three orbit values away from the scene camera's.
  void Drag() {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, At(100, 100));
    Send(WM_MOUSEMOVE, MK_LBUTTON, At(150, 105));
    Send(WM_MOUSEMOVE, MK_RBUTTON, At(160, 105));
  }

  ScopedTempDir dir_;

 private:
  bool with_default_scene_;
};
