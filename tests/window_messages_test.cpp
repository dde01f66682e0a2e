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

struct Seen {
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};
// Written by the test window procedures.
std::vector<Seen> g_seen;
CREATESTRUCTA g_create = {};

bool Recorded(UINT message) {
  return message == WM_CREATE || message == WM_SIZE || message == WM_MOVE || message == WM_ACTIVATE ||
         message == WM_CLOSE || message == WM_DESTROY || message == WM_COMMAND ||
         (message >= WM_KEYDOWN && message <= WM_SYSKEYUP) || (message >= WM_MOUSEMOVE && message <= WM_MBUTTONUP);
}

LRESULT Record(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (Recorded(message)) g_seen.push_back(Seen{window, message, wparam, lparam});
  if (message == WM_CREATE) g_create = *reinterpret_cast<const CREATESTRUCTA*>(lparam);
  if (message == WM_DESTROY) PostQuitMessage(7);
  return 0;
}

// Leaves everything else to the default, system keys included.
LRESULT DefaultingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Record(window, message, wparam, lparam);
  return message == WM_CREATE || message == WM_DESTROY ? 0 : DefWindowProcA(window, message, wparam, lparam);
}

// Swallows system keys, as the viewer does.
LRESULT SwallowingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SYSKEYDOWN) return Record(window, message, wparam, lparam);
  return DefaultingProc(window, message, wparam, lparam);
}

void RegisterTestClass(const char* name, WNDPROC proc) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = name;
  RegisterClassA(&wc);  // a second test in the same process finds it registered already
}

HWND OpenWindow(const char* class_name, bool with_menu) {
  HMENU menu = with_menu ? LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU)) : nullptr;
  HWND window = CreateWindowExA(0, class_name, "KESTREL", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                                480, nullptr, menu, GetModuleHandleA(nullptr), nullptr);
  if (window != nullptr) ShowWindow(window, SW_SHOWNORMAL);
  return window;
}

// Takes every queued message to the window procedures, as the viewer's loop does.
std::vector<MSG> DrainMessages() {
  std::vector<MSG> taken;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    taken.push_back(msg);
    if (msg.message == WM_QUIT) break;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return taken;
}

std::vector<Seen> SeenOf(UINT message) {
  std::vector<Seen> found;
  for (const Seen& seen : g_seen) {
    if (seen.message == message) found.push_back(seen);
  }
  return found;
}

class WindowMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartPlatform(true));
    RegisterTestClass("KESTRELTEST", DefaultingProc);
    RegisterTestClass("KESTRELSWALLOW", SwallowingProc);
    DrainMessages();
    g_seen.clear();
    window_ = OpenWindow("KESTRELTEST", true);
    ASSERT_NE(window_, nullptr);
    window_id_ = SDL_GetWindowID(GetSdlWindow(window_));
    RECT area;
    ASSERT_TRUE(GetClientAreaInWindow(window_, &area));
    menu_px_ = area.top;
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    DrainMessages();
  }

  void PushKey(SDL_Keycode key, Uint16 mod, bool down, bool repeat = false) {
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = window_id_;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = mod;
    SDL_PushEvent(&event);
  }
  void PushMotion(int x, int y, Uint32 buttons) {
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = window_id_;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.state = buttons;
    SDL_PushEvent(&event);
  }
  void PushButton(int x, int y, Uint8 button, bool down) {
    SDL_Event event = {};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = window_id_;
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
  }
  void PushWindowEvent(Uint8 what, int data1 = 0, int data2 = 0) {
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = window_id_;
    event.window.event = what;
    event.window.data1 = data1;
    event.window.data2 = data2;
    SDL_PushEvent(&event);
  }

  HWND window_ = nullptr;
  Uint32 window_id_ = 0;
  int menu_px_ = 0;
};

}  // namespace

TEST_F(WindowMessages, CreationAndShowingReportTheClientArea) {
  EXPECT_EQ(g_create.cx, 640);
  EXPECT_EQ(g_create.cy, 480);
  EXPECT_STREQ(g_create.lpszClass, "KESTRELTEST");
  // The outer size holds the menu bar; the client area is what lies below it.
  EXPECT_GT(menu_px_, 0);
  RECT client;
  ASSERT_TRUE(GetClientRect(window_, &client));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480 - menu_px_);
  std::vector<Seen> sizes = SeenOf(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].wparam, static_cast<WPARAM>(SIZE_RESTORED));
  EXPECT_EQ(sizes[0].lparam, MAKELPARAM(640, 480 - menu_px_));
  POINT origin = {0, 0};
  ASSERT_TRUE(ClientToScreen(window_, &origin));
  std::vector<Seen> moves = SeenOf(WM_MOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].lparam, MAKELPARAM(origin.x, origin.y));
  EXPECT_EQ(GetActiveWindow(), window_);
  ASSERT_EQ(SeenOf(WM_ACTIVATE).size(), 1u);
  EXPECT_EQ(LOWORD(SeenOf(WM_ACTIVATE)[0].wparam), WA_ACTIVE);

  // The window system repeating the same size is not news; a new size is.
  g_seen.clear();
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480);
  PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600);
  DrainMessages();
  sizes = SeenOf(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].lparam, MAKELPARAM(800, 600 - menu_px_));
  PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  DrainMessages();
  EXPECT_EQ(SeenOf(WM_SIZE).back().wparam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_EQ(SeenOf(WM_SIZE).back().lparam, 0);

  HWND plain = OpenWindow("KESTRELTEST", false);
  ASSERT_TRUE(GetClientRect(plain, &client));
  EXPECT_EQ(client.bottom, 480);
  EXPECT_EQ(GetActiveWindow(), plain);
  EXPECT_EQ(SeenOf(WM_ACTIVATE).back().window, plain);
  DestroyWindow(plain);
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
  std::vector<Seen> moves = SeenOf(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[0].wparam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(moves[0].lparam, 100 | (50 << 16));
  EXPECT_EQ(moves[1].wparam, static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON | MK_CONTROL));
  EXPECT_EQ(LOWORD(moves[1].lparam), 639);
  EXPECT_EQ(HIWORD(moves[1].lparam), 460);
  std::vector<Seen> right = SeenOf(WM_RBUTTONDOWN);
  ASSERT_EQ(right.size(), 1u);
  // The motion before it said the left button was held.
  EXPECT_EQ(right[0].wparam, static_cast<WPARAM>(MK_LBUTTON | MK_RBUTTON));
  EXPECT_EQ(right[0].lparam, MAKELPARAM(300, 200));
  std::vector<Seen> left = SeenOf(WM_LBUTTONDOWN);
  ASSERT_EQ(left.size(), 1u);
  // The last motion said no button was down; the client's top-left pixel is (0, 0).
  EXPECT_EQ(left[0].wparam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(left[0].lparam, 0);
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
      {SDLK_RETURN, KMOD_NONE, true, false, WM_KEYDOWN, VK_RETURN, 1},
      {SDLK_SPACE, KMOD_NONE, true, true, WM_KEYDOWN, VK_SPACE, 1 | WAS_DOWN},
      {SDLK_SPACE, KMOD_NONE, false, false, WM_KEYUP, VK_SPACE, 1 | WAS_DOWN | RELEASED},
      {SDLK_LEFT, KMOD_NONE, true, false, WM_KEYDOWN, VK_LEFT, 1 | EXTENDED},
      {SDLK_DOWN, KMOD_LSHIFT, true, false, WM_KEYDOWN, VK_DOWN, 1 | EXTENDED},
      {SDLK_RSHIFT, KMOD_RSHIFT, true, false, WM_KEYDOWN, VK_SHIFT, 1},
      {SDLK_ESCAPE, KMOD_NONE, true, false, WM_KEYDOWN, VK_ESCAPE, 1},
      {SDLK_a, KMOD_NONE, true, false, WM_KEYDOWN, 'A', 1},
      {SDLK_7, KMOD_NONE, true, false, WM_KEYDOWN, '7', 1},
      // Ctrl+Alt is AltGr: an ordinary key, though Alt is down.
      {SDLK_q, KMOD_LCTRL | KMOD_RALT, true, false, WM_KEYDOWN, 'Q', 1 | ALT},
      {SDLK_F10, KMOD_NONE, true, false, WM_SYSKEYDOWN, VK_F10, 1},
      {SDLK_F4, KMOD_LALT, false, false, WM_SYSKEYUP, VK_F4, 1 | ALT | WAS_DOWN | RELEASED},
  };
  for (const Case& c : cases) {
    g_seen.clear();
    PushKey(c.key, c.mod, c.down, c.repeat);
    DrainMessages();
    ASSERT_EQ(g_seen.size(), 1u) << SDL_GetKeyName(c.key);
    EXPECT_EQ(g_seen[0].message, c.message) << SDL_GetKeyName(c.key);
    EXPECT_EQ(g_seen[0].wparam, c.vk) << SDL_GetKeyName(c.key);
    EXPECT_EQ(static_cast<uint32_t>(g_seen[0].lparam), c.lparam) << SDL_GetKeyName(c.key);
  }
}

TEST_F(WindowMessages, AltF4ClosesOnlyThroughTheDefaultProcedure) {
  HWND swallowing = OpenWindow("KESTRELSWALLOW", true);
  ASSERT_NE(swallowing, nullptr);
  Uint32 swallowing_id = SDL_GetWindowID(GetSdlWindow(swallowing));
  std::swap(window_id_, swallowing_id);
  PushKey(SDLK_F4, KMOD_LALT, true);
  std::swap(window_id_, swallowing_id);
  DrainMessages();
  EXPECT_TRUE(IsWindow(swallowing));
  EXPECT_TRUE(SeenOf(WM_CLOSE).empty());
  DestroyWindow(swallowing);
  DrainMessages();

  g_seen.clear();
  PushKey(SDLK_F4, KMOD_LALT, true);
  std::vector<MSG> taken = DrainMessages();
  EXPECT_FALSE(IsWindow(window_));
  ASSERT_EQ(SeenOf(WM_CLOSE).size(), 1u);
  ASSERT_EQ(SeenOf(WM_DESTROY).size(), 1u);
  ASSERT_FALSE(taken.empty());
  EXPECT_EQ(taken.back().message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(taken.back().wParam, 7u);
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
  // Messages for a destroyed window go nowhere, and calls on it fail.
  EXPECT_FALSE(PostMessageA(window_, WM_USER, 0, 0));
  RECT client;
  EXPECT_FALSE(GetClientRect(window_, &client));
  EXPECT_EQ(SendMessageA(window_, WM_CLOSE, 0, 0), 0);
}

TEST_F(WindowMessages, FileOpenInTheMenuBarSendsItsCommand) {
  // Each step is one painted frame: the pointer moves, then a click is pressed and released.
  struct Step {
    int x, y;
    bool click;
  };
  const Step steps[] = {{14, menu_px_ / 2, false}, {14, menu_px_ / 2, true}, {24, menu_px_ + 12, false},
                        {24, menu_px_ + 12, true}, {24, menu_px_ + 12, false}};
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
  std::vector<Seen> commands = SeenOf(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wparam, MAKEWPARAM(ID_FILE_OPEN, 0));
  EXPECT_EQ(commands[0].lparam, 0);
  // Clicks that the menu took never reached the window as button messages.
  EXPECT_TRUE(SeenOf(WM_LBUTTONDOWN).empty());
}
