// A fixture for tests that need a device: a registered class and a 640 x 480 window (hidden, headless
// under the offscreen driver), message boxes captured, presented frames kept, and every graphics test
// hook restored afterwards. Frames are read back as R, G, B bytes, top row first.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/ddraw.h"
#include "platform/test_hooks.h"
#include "platform/win32.h"
#include "platform/window_internal.h"
#include "render/renderer.h"

using Rgb = uint32_t;
inline Rgb MakeRgb(int r, int g, int b) {
  return static_cast<Rgb>(r) << 16 | static_cast<Rgb>(g) << 8 | static_cast<Rgb>(b);
}
#define Rgb(r, g, b) MakeRgb(r, g, b)

struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  Rgb At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    return MakeRgb(p[0], p[1], p[2]);
  }
};

inline Frame LastFrame() {
  Frame frame;
  GetLastPresentedFrame(&frame.width, &frame.height, &frame.rgba);
  return frame;
}

// A 16-bit surface's texels as its lock shows them, width and height first, then the rows top first;
// empty when it cannot be locked.
inline std::vector<uint16_t> LockedTexels(IDirectDrawSurface7* surface) {
  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  if (surface == nullptr || surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return {};
  std::vector<uint16_t> texels = {static_cast<uint16_t>(desc.dwWidth), static_cast<uint16_t>(desc.dwHeight)};
  for (DWORD y = 0; y < desc.dwHeight; ++y) {
    const uint16_t* row = reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(desc.lpSurface) + y * desc.lPitch);
    texels.insert(texels.end(), row, row + desc.dwWidth);
  }
  surface->Unlock(nullptr);
  return texels;
}

// The device picker (answered OK at once when headless), run before a device is made from its choice.
int PickDevice(HWND owner);

class DeviceTest : public ::testing::Test {
 public:
  // Replaces the test's window, with a menu bar when asked (which takes height from the client area).
  void ReplaceWindow(int width, int height, bool with_menu) {
    if (window_ != nullptr) DestroyWindow(window_);
    HMENU menu = with_menu ? LoadMenuA(nullptr, MAKEINTRESOURCEA(147)) : nullptr;
    window_ = CreateWindowExA(0, "KESTREL_TEST", "test", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, menu,
                              nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }

  // Runs the picker again for the current window, as start-up does before the first device.
  void Pick() { ASSERT_GT(PickDevice(window_), 0); }

 protected:
  void SetUp() override {
    static const bool registered = [] {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; };
      wc.lpszClassName = "KESTREL_TEST";
      return RegisterClassA(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    ReplaceWindow(640, 480, false);
    BeginCaptureMessageBoxes();
    Pick();
    KeepPresentedFrames(true);
  }

  void TearDown() override {
    EndCaptureMessageBoxes();
    KeepPresentedFrames(false);
    ResetGraphicsTestHooks();
    SetDesktopBitsPerPixelOverride(0);
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
  }

  HWND window_ = nullptr;
};

// A device test on a 640 x 480, 16-bit full-screen HAL device made at set-up and released at the end.
class FullScreenDeviceTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_TRUE(renderer_.CreateFullscreenDevice(window_, 640, 480, 16, IID_IDirect3DHALDevice));
  }
  void TearDown() override {
    renderer_.ReleaseDevice();
    DeviceTest::TearDown();
  }

  Renderer renderer_;
};
