// The window half of the platform seen from a window procedure: creation and showing, SDL input turned
// into Win32 messages with Win32's packing, the menu bar's command, closing and quitting.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win32.h"
#include "platform/window_internal.h"
#include "resources/resource_ids.h"

namespace {

// Written by the test window procedure.
std::vector<MSG> g_seen;

// Records what the tests look at, swallows system keys as the viewer does, and leaves everything else to
// the default.
LRESULT TestProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SIZE || message == WM_MOVE || message == WM_CLOSE || message == WM_COMMAND ||
      (message >= WM_KEYDOWN && message <= WM_SYSKEYUP) || (message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP)) {
    g_seen.push_back(MSG{window, message, wparam, lparam, 0, {0, 0}});
  }
  if (message == WM_DESTROY) PostQuitMessage(7);
  if (message == WM_CREATE || message == WM_DESTROY || message == WM_SYSKEYDOWN) return 0;
  return DefWindowProcA(window, message, wparam, lparam);
}

// Takes every queued message to the window procedures, as the viewer's loop does.
void DrainMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::vector<MSG> SeenOf(UINT message) {
  std::vector<MSG> found;
  for (const MSG& seen : g_seen) {
    if (seen.message == message) found.push_back(seen);
  }
  return found;
}

class WindowMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartPlatform(true));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "KESTRELTEST";
    RegisterClassA(&wc);  // a second test in the same process finds it registered already
    DrainMessages();
    g_seen.clear();
    window_ = CreateWindowExA(0, "KESTRELTEST", "KESTREL", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                              480, nullptr, LoadMenuA(nullptr, MAKEINTRESOURCEA(IDR_MAIN_MENU)), nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOWNORMAL);
    window_id_ = SDL_GetWindowID(GetSdlWindow(window_));
    RECT area;
    ASSERT_TRUE(GetClientAreaInWindow(window_, &area));
    menu_px_ = area.top;
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    DrainMessages();
  }

  template <class Part>
  void Push(Part SDL_Event::*member, const Part& part) {
    SDL_Event event = {};
    event.*member = part;
    event.window.windowID = window_id_;  // the same place in every event kind used here
    SDL_PushEvent(&event);
  }
  void PushKey(SDL_Keycode key, Uint16 mod, bool down, bool repeat = false) {
    Push(&SDL_Event::key, SDL_KeyboardEvent{down ? Uint32(SDL_KEYDOWN) : Uint32(SDL_KEYUP), 0, 0,
                                            Uint8(down ? SDL_PRESSED : SDL_RELEASED), Uint8(repeat), 0, 0,
                                            SDL_Keysym{SDL_GetScancodeFromKey(key), key, mod, 0}});
  }
  void PushMotion(int x, int y, Uint32 buttons) {
    Push(&SDL_Event::motion, SDL_MouseMotionEvent{SDL_MOUSEMOTION, 0, 0, 0, buttons, x, y, 0, 0});
  }
  void PushButton(int x, int y, Uint8 button, bool down) {
    Push(&SDL_Event::button, SDL_MouseButtonEvent{down ? Uint32(SDL_MOUSEBUTTONDOWN) : Uint32(SDL_MOUSEBUTTONUP), 0, 0,
                                                  0, button, Uint8(down ? SDL_PRESSED : SDL_RELEASED), 1, 0, x, y});
  }
  void PushWindowEvent(Uint8 what, int data1 = 0, int data2 = 0) {
    Push(&SDL_Event::window, SDL_WindowEvent{SDL_WINDOWEVENT, 0, 0, what, 0, 0, 0, data1, data2});
  }

  HWND window_ = nullptr;
  Uint32 window_id_ = 0;
  int menu_px_ = 0;
};

}  // namespace

TEST_F(WindowMessages, CreationAndSizeChangesReportTheClientArea) {
  // The outer size holds the menu bar; the client area is what lies below it.
  EXPECT_GT(menu_px_, 0);
  RECT client;
  ASSERT_TRUE(GetClientRect(window_, &client));
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480 - menu_px_);
  ASSERT_EQ(SeenOf(WM_SIZE).size(), 1u);
  EXPECT_EQ(SeenOf(WM_SIZE)[0].lParam, MAKELPARAM(640, 480 - menu_px_));
  POINT origin = {0, 0};
  ASSERT_TRUE(ClientToScreen(window_, &origin));
  ASSERT_EQ(SeenOf(WM_MOVE).size(), 1u);
  EXPECT_EQ(SeenOf(WM_MOVE)[0].lParam, MAKELPARAM(origin.x, origin.y));
  EXPECT_EQ(GetActiveWindow(), window_);

  // The window system repeating the same size is not news; a new size is, and so is minimising.
  g_seen.clear();
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480);
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600);
  PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  DrainMessages();
  const std::vector<MSG> sizes = SeenOf(WM_SIZE);
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_EQ(sizes[0].lParam, MAKELPARAM(800, 600 - menu_px_));
  EXPECT_EQ(sizes[1].wParam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_EQ(sizes[1].lParam, 0);
}

TEST_F(WindowMessages, MouseMessagesCarryClientCoordinatesAndButtonFlags) {
  g_seen.clear();
  PushMotion(100, menu_px_ + 50, SDL_BUTTON_LMASK);
  PushButton(300, menu_px_ + 200, SDL_BUTTON_RIGHT, true);
  PushKey(SDLK_LCTRL, KMOD_LCTRL, true);
  PushMotion(639, menu_px_ + 460, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK);
  PushKey(SDLK_LCTRL, KMOD_NONE, false);
  PushMotion(10, menu_px_ - 5, 0);  // over the menu bar: not the window's
  PushButton(0, menu_px_, SDL_BUTTON_LEFT, true);
  DrainMessages();
  std::vector<MSG> moves = SeenOf(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(moves[0].lParam, 100 | (50 << 16));
  EXPECT_EQ(moves[1].wParam, static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON | MK_CONTROL));
  EXPECT_EQ(moves[1].lParam, MAKELPARAM(639, 460));
  std::vector<MSG> right = SeenOf(WM_RBUTTONDOWN);
  ASSERT_EQ(right.size(), 1u);
  // The motion before it said the left button was held.
  EXPECT_EQ(right[0].wParam, static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON));
  EXPECT_EQ(right[0].lParam, MAKELPARAM(300, 200));
  std::vector<MSG> left = SeenOf(WM_LBUTTONDOWN);
  ASSERT_EQ(left.size(), 1u);
  // The last motion said no button was down; the client's top-left pixel is (0, 0).
  EXPECT_EQ(left[0].wParam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(left[0].lParam, 0);
}

TEST_F(WindowMessages, KeysBecomeVirtualKeyMessages) {
  struct Case {
    SDL_Keycode key;
    Uint16 mod;
    bool down;
    bool repeat;
    UINT message;
    WPARAM vk;
    uint32_t lparam;
  };
  const uint32_t EXTENDED = 1u << 24, ALT = 1u << 29, WAS_DOWN = 1u << 30, RELEASED = 1u << 31;
  const Case cases[] = {
      {SDLK_RETURN, KMOD_LALT, true, false, WM_SYSKEYDOWN, VK_RETURN, 1 | ALT},
      {SDLK_SPACE, KMOD_NONE, true, true, WM_KEYDOWN, VK_SPACE, 1 | WAS_DOWN},
      {SDLK_SPACE, KMOD_NONE, false, false, WM_KEYUP, VK_SPACE, 1 | WAS_DOWN | RELEASED},
      {SDLK_LEFT, KMOD_NONE, true, false, WM_KEYDOWN, VK_LEFT, 1 | EXTENDED},
      {SDLK_RSHIFT, KMOD_RSHIFT, true, false, WM_KEYDOWN, VK_SHIFT, 1},
      {SDLK_a, KMOD_NONE, true, false, WM_KEYDOWN, 'A', 1},
      {SDLK_EQUALS, KMOD_NONE, true, false, WM_KEYDOWN, VK_OEM_PLUS, 1},
      {SDLK_RIGHTBRACKET, KMOD_NONE, true, false, WM_KEYDOWN, VK_OEM_6, 1},
      {SDLK_KP_MINUS, KMOD_NONE, true, false, WM_KEYDOWN, VK_SUBTRACT, 1},
      // Ctrl+Alt is AltGr: an ordinary key, though Alt is down.
      {SDLK_q, KMOD_LCTRL | KMOD_RALT, true, false, WM_KEYDOWN, 'Q', 1 | ALT},
      {SDLK_F10, KMOD_NONE, true, false, WM_SYSKEYDOWN, VK_F10, 1},
      // The viewer swallows system keys, so Alt+F4 reaches it and closes nothing on the way.
      {SDLK_F4, KMOD_LALT, true, false, WM_SYSKEYDOWN, VK_F4, 1 | ALT},
      {SDLK_F4, KMOD_LALT, false, false, WM_SYSKEYUP, VK_F4, 1 | ALT | WAS_DOWN | RELEASED},
  };
  for (const Case& c : cases) {
    g_seen.clear();
    PushKey(c.key, c.mod, c.down, c.repeat);
    DrainMessages();
    ASSERT_EQ(g_seen.size(), 1u) << SDL_GetKeyName(c.key);
    EXPECT_EQ(g_seen[0].message, c.message) << SDL_GetKeyName(c.key);
    EXPECT_EQ(g_seen[0].wParam, c.vk) << SDL_GetKeyName(c.key);
    EXPECT_EQ(static_cast<uint32_t>(g_seen[0].lParam), c.lparam) << SDL_GetKeyName(c.key);
  }
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(WindowMessages, CloseBoxDestroysAndQuitEndsTheLoop) {
  PushMotion(10, menu_px_ + 10, 0);
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  MSG msg;
  int moves_dispatched = 0;
  while (GetMessageA(&msg, nullptr, 0, 0)) {
    if (msg.message == WM_MOUSEMOVE) ++moves_dispatched;
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
  // The close came while the move was still queued: a destroyed window's messages are dropped.
  EXPECT_EQ(moves_dispatched, 0);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(GetActiveWindow(), nullptr);
  // Messages for a destroyed window go nowhere.
  EXPECT_FALSE(PostMessageA(window_, WM_USER, 0, 0));
}

TEST_F(WindowMessages, MenuItemsInTheMenuBarSendTheirCommands) {
  // Each step is one painted frame: the pointer moves, then a click is pressed and released. Items are
  // one text line apart; the View menu's second item is Lightmaps.
  struct Step {
    int x, y;
    bool click;
  };
  struct Case {
    int menu_x, item_y;
    WORD command;
  };
  for (const Case& c : {Case{14, menu_px_ + 12, ID_FILE_OPEN}, Case{58, menu_px_ + 31, ID_VIEW_LIGHTMAPS}}) {
    const Step steps[] = {{c.menu_x, menu_px_ / 2, false},
                          {c.menu_x, menu_px_ / 2, true},
                          {c.menu_x + 10, c.item_y, false},
                          {c.menu_x + 10, c.item_y, true},
                          {c.menu_x + 10, c.item_y, false}};
    g_seen.clear();
    for (const Step& step : steps) {
      PushMotion(step.x, step.y, 0);
      if (step.click) PushButton(step.x, step.y, SDL_BUTTON_LEFT, true);
      for (int frame = 0; frame < 2; ++frame) {
        DrainMessages();
        SDL_Delay(60);  // the window is then painted by the idle painter
        DrainMessages();
      }
      if (step.click) PushButton(step.x, step.y, SDL_BUTTON_LEFT, false);
    }
    for (int frame = 0; frame < 3; ++frame) {
      SDL_Delay(60);
      DrainMessages();
    }
    std::vector<MSG> commands = SeenOf(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u) << c.command;
    EXPECT_EQ(commands[0].wParam, MAKEWPARAM(c.command, 0));
    EXPECT_EQ(commands[0].lParam, 0);
    // Clicks that the menu took never reached the window as button messages.
    EXPECT_TRUE(SeenOf(WM_LBUTTONDOWN).empty());
  }
}
