// What one frame costs and shows beyond its picture: the frame-rate count over GetTickCount seconds,
// no heap allocation once the first frames have run, and an "FPS" text of a screen font's size.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "app/win_main.h"
#include "render/renderer.h"
#include "render/view_modes.h"
#include "test_support.h"
#include "tests/device_test_support.h"

// Every C++ allocation of the test process is counted, the nothrow ones too, so each new meets its delete.
std::atomic<uint64_t> g_allocations{0};
void* operator new(size_t size) {
  ++g_allocations;
  if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }

TEST(FrameRate, ShowsTheFramesStartedInsideTheLastSecond) {
  Renderer renderer;
  // Tick count and figure shown: the first frame closes the window opened at 0, and the frame that
  // closes a window is counted in neither.
  const std::pair<DWORD, uint16_t> frames[] = {{50000, 0}, {50100, 0}, {50500, 0}, {50999, 0}, {51000, 3},
                                               {51200, 3}, {51999, 3}, {52000, 2}, {53500, 0}};
  for (const auto& frame : frames) {
    SetTickCountForTest(frame.first);
    renderer.UpdateFps();
    EXPECT_EQ(renderer.fps, frame.second) << "at " << frame.first << " ms";
  }
  ReleaseTickCountForTest();
  EXPECT_GE(GetTickCount(), 1000u) << "counted from boot, not from the program's start";
}

TEST(FramePath, AllocatesNothingAfterTheFirstFramesAndWritesTheCounterLarge) {
  ScopedTempDir dir;
  CopyDefaultScene(dir.path());
  g_launch_options = LaunchOptions();
  BeginCaptureMessageBoxes();
  KeepPresentedFrames(true);
  // The clock stands still: on a loaded machine a second could end inside the counted frames, and the
  // counter's first longer figure would grow its text's buffers once.
  SetTickCountForTest(GetTickCount());
  ASSERT_TRUE(StartViewer(nullptr));
  for (int i = 0; i < 3; ++i) g_renderer->RenderFrame();
  const uint64_t before = g_allocations;
  for (int i = 0; i < 20; ++i) g_renderer->RenderFrame();
  EXPECT_EQ(g_allocations - before, 0u) << "allocations in 20 frames of the animated default scene";
  // Nor with the scene panel or the key cheatsheet over it, once each has been drawn.
  for (bool* overlay : {&g_view.panel_shown, &g_view.cheatsheet_shown}) {
    *overlay = true;
    for (int i = 0; i < 3; ++i) g_renderer->RenderFrame();
    const uint64_t shown = g_allocations;
    for (int i = 0; i < 20; ++i) g_renderer->RenderFrame();
    EXPECT_EQ(g_allocations - shown, 0u) << "allocations in 20 frames with an overlay";
    *overlay = false;
  }
  ReleaseTickCountForTest();
  // The red text's rows from (10, 10): capitals of a screen font are well over the bitmap font's 7.
  const Frame frame = LastFrame();
  std::vector<int> red_rows;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 120 && (red_rows.empty() || red_rows.back() != y); ++x) {
      if (frame.At(x, y) == Rgb(255, 0, 0)) red_rows.push_back(y);
    }
  }
  ASSERT_GE(red_rows.size(), 13u);
  EXPECT_EQ(red_rows.front(), 10);
  DestroyWindow(g_main_window);
  RunMessageLoop();
  KeepPresentedFrames(false);
  EndCaptureMessageBoxes();
}
