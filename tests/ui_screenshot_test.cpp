// The menu bar, its File menu and the device picker as they are drawn over a window, read back from
// whole-window screenshots. With KESTREL_SCREENSHOT_DIR set the pictures are kept there; run under
// xvfb-run without SDL_VIDEODRIVER, they show a real X11 window.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/device_picker.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/win32.h"
#include "platform/window_internal.h"
#include "resources/resource_ids.h"
#include "tests/test_support.h"

namespace {

LRESULT QuietProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
  bool IsWhite(int x, int y) const { return At(x, y)[0] == 255 && At(x, y)[1] == 255 && At(x, y)[2] == 255; }
  // Pixels darker than mid grey inside the rectangle: text and frames.
  int DarkPixels(int left, int top, int right, int bottom) const {
    int dark = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) dark += At(x, y)[0] + At(x, y)[1] + At(x, y)[2] < 3 * 128 ? 1 : 0;
    }
    return dark;
  }
};

Picture LoadPicture(const std::string& path) {
  Picture picture;
  int channels = 0;
  unsigned char* pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
  if (pixels != nullptr) {
    picture.rgb.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 3);
    stbi_image_free(pixels);
  }
  return picture;
}

class UiScreenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartPlatform(false));
    RecordProperty("video_driver", SDL_GetCurrentVideoDriver());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = QuietProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "KESTRELSHOT";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, "KESTRELSHOT", "KESTREL", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                              480, nullptr, LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MAIN_MENU)), nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOWNORMAL);
    RECT area;
    GetClientAreaInWindow(window_, &area);
    menu_px_ = area.top;
    const char* keep = std::getenv("KESTREL_SCREENSHOT_DIR");
    folder_ = keep != nullptr && keep[0] != '\0' ? keep : temp_.path();
  }
  void TearDown() override {
    DestroyWindow(window_);
    ClearQueuedAnswers();
  }

  std::string PathOf(const char* name) const { return folder_ + "/" + name; }

  // Lets the idle painter draw a few frames, taking the messages they cause.
  void PaintFrames(int frames) {
    MSG msg;
    for (int i = 0; i < frames; ++i) {
      SDL_Delay(60);
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
  }

  void PushPointer(int x, int y, Uint32 type) {
    SDL_Event event = {};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
      event.motion.windowID = SDL_GetWindowID(GetSdlWindow(window_));
      event.motion.x = x;
      event.motion.y = y;
    } else {
      event.button.windowID = SDL_GetWindowID(GetSdlWindow(window_));
      event.button.button = SDL_BUTTON_LEFT;
      event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      event.button.clicks = 1;
      event.button.x = x;
      event.button.y = y;
    }
    SDL_PushEvent(&event);
  }

  ScopedTempDir temp_;
  std::string folder_;
  HWND window_ = nullptr;
  int menu_px_ = 0;
};

}  // namespace

TEST_F(UiScreenshot, MenuBarWithItsFileMenuOpen) {
  ASSERT_TRUE(RequestWindowScreenshot(window_, PathOf("menu_bar.png").c_str()));
  UpdateWindow(window_);
  ASSERT_EQ(LastScreenshotStatus(), ScreenshotStatus::WRITTEN);
  Picture bar = LoadPicture(PathOf("menu_bar.png"));
  ASSERT_EQ(bar.width, 640);
  ASSERT_EQ(bar.height, 480);
  // "File" is written in the bar, which is not the white of the class brush below it.
  EXPECT_FALSE(bar.IsWhite(320, menu_px_ / 2));
  EXPECT_GT(bar.DarkPixels(0, 0, 60, menu_px_), 10);
  EXPECT_EQ(bar.DarkPixels(0, menu_px_ + 2, 640, 480), 0);

  // The pointer on File and a click open the menu; its one item is drawn below the bar.
  SDL_WarpMouseInWindow(GetSdlWindow(window_), 14, menu_px_ / 2);
  PushPointer(14, menu_px_ / 2, SDL_MOUSEMOTION);
  PaintFrames(2);
  PushPointer(14, menu_px_ / 2, SDL_MOUSEBUTTONDOWN);
  PaintFrames(2);
  PushPointer(14, menu_px_ / 2, SDL_MOUSEBUTTONUP);
  PaintFrames(2);
  ASSERT_TRUE(RequestWindowScreenshot(window_, PathOf("menu_file_open.png").c_str()));
  PaintFrames(2);
  ASSERT_EQ(LastScreenshotStatus(), ScreenshotStatus::WRITTEN);
  Picture open = LoadPicture(PathOf("menu_file_open.png"));
  ASSERT_EQ(open.width, 640);
  EXPECT_GT(open.DarkPixels(0, menu_px_ + 2, 80, menu_px_ + 30), 10);
  EXPECT_EQ(open.DarkPixels(120, menu_px_ + 2, 640, 480), 0);
}

TEST_F(UiScreenshot, PickerDialogOverTheWindow) {
  // Three frames pass before the script plays; the third is the one kept.
  QueueDialogAnswer({DialogAnswerStep::Select(IDC_MODE_LIST, 1), DialogAnswerStep::Ok()});
  ASSERT_TRUE(RequestWindowScreenshot(window_, PathOf("device_picker.png").c_str(), 2));
  EXPECT_EQ(PickDevice(window_), 1);
  ASSERT_EQ(LastScreenshotStatus(), ScreenshotStatus::WRITTEN);
  EXPECT_EQ(device_table[selected_device].chosen_mode_index, 1);
  Picture dialog = LoadPicture(PathOf("device_picker.png"));
  ASSERT_EQ(dialog.width, 640);
  ASSERT_EQ(dialog.height, 480);
  // The dialog sits in the middle of the client area with its caption, lists and button; the corners
  // of the client area keep the class brush.
  int centre_y = menu_px_ + (480 - menu_px_) / 2;
  EXPECT_GT(dialog.DarkPixels(240, centre_y - 70, 400, centre_y + 70), 200);
  EXPECT_TRUE(dialog.IsWhite(20, 470));
  EXPECT_TRUE(dialog.IsWhite(620, menu_px_ + 20));
}
