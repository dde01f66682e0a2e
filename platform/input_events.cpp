// SDL events become Win32 messages: keys with virtual-key codes (Alt held makes them system keys, so
// Alt+Enter is WM_SYSKEYDOWN with VK_RETURN), mouse messages in client coordinates below the menu bar
// with MK_* flags, the wheel in notches of WHEEL_DELTA, and size, move and close notifications. Every
// event also reaches the window's ImGui context; what ImGui takes (the menu bar, an open menu, a modal
// dialog) does not reach the window.
#include <SDL.h>

#include "platform/ui_internal.h"
#include "platform/window_internal.h"

namespace {

// Written by the event pump and the modal loop; one UI thread.
HWND g_modal_owner = nullptr;
bool g_modal_cancel_requested = false;
// Modifier and button state as the translated events tell it, so that events a test pushes carry
// their own state rather than the real keyboard's.
Uint16 g_modifiers = KMOD_NONE;
Uint32 g_buttons = 0;
// Keys down as the translated key messages tell it, by virtual-key code.
bool g_keys_down[256] = {};

// Short enough that idle windows are painted on time while GetMessageA waits.
const Uint32 IDLE_WAIT_MS = 15;

WPARAM VirtualKeyOf(SDL_Keycode key, bool* extended) {
  *extended = false;
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<WPARAM>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<WPARAM>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<WPARAM>(VK_F1 + (key - SDLK_F1));
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return static_cast<WPARAM>(VK_NUMPAD0 + 1 + (key - SDLK_KP_1));
  switch (key) {
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: return VK_CONTROL;
    case SDLK_LALT: return VK_MENU;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    // US-layout names of the keys that carry these characters.
    case SDLK_EQUALS: case SDLK_PLUS: return VK_OEM_PLUS;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    default: break;
  }
  // The keys of the separate block carry the extended-key bit, as on a PC keyboard.
  *extended = true;
  switch (key) {
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_RALT: return VK_MENU;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    default: break;
  }
  *extended = false;
  return 0;
}

WPARAM MouseKeyFlags(Uint32 buttons) {
  WPARAM flags = 0;
  if ((buttons & SDL_BUTTON_LMASK) != 0) flags |= MK_LBUTTON;
  if ((buttons & SDL_BUTTON_RMASK) != 0) flags |= MK_RBUTTON;
  if ((buttons & SDL_BUTTON_MMASK) != 0) flags |= MK_MBUTTON;
  if ((g_modifiers & KMOD_SHIFT) != 0) flags |= MK_SHIFT;
  if ((g_modifiers & KMOD_CTRL) != 0) flags |= MK_CONTROL;
  return flags;
}

WindowRecord* TargetOf(uint32_t window_id, SDL_Window* focus) {
  WindowRecord* record = RecordOfSdlWindowId(window_id);
  if (record == nullptr && focus != nullptr) record = RecordOfSdlWindowId(SDL_GetWindowID(focus));
  if (record == nullptr) record = FindTopLevelRecord(GetActiveWindow());
  return record;
}

void TranslateKey(WindowRecord* record, const SDL_KeyboardEvent& key) {
  bool extended = false;
  WPARAM vk = VirtualKeyOf(key.keysym.sym, &extended);
  if (vk == 0) return;
  bool down = key.type == SDL_KEYDOWN;
  bool alt = (key.keysym.mod & KMOD_ALT) != 0;
  bool ctrl = (key.keysym.mod & KMOD_CTRL) != 0;
  // Win32 makes a key a system key when Alt is held without Ctrl (AltGr is Ctrl+Alt), and F10 and Alt
  // itself are always system keys.
  bool system = (alt && !ctrl) || vk == VK_F10 || vk == VK_MENU;
  uint32_t lparam = 1;  // repeat count
  if (extended) lparam |= 1u << 24;
  if (alt) lparam |= 1u << 29;
  if (!down) lparam |= (1u << 30) | (1u << 31);
  if (down && key.repeat != 0) lparam |= 1u << 30;
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  g_keys_down[vk & 0xFF] = down;
  PostQueuedMessage(record->handle, message, vk, static_cast<LPARAM>(lparam));
}

// True when (x, y) in the SDL window lies in the client area; gives it packed as Win32 packs it.
bool ClientPoint(const WindowRecord& record, int x, int y, LPARAM* lparam) {
  RECT client;
  if (GetClientRect(record.handle, &client) == FALSE) return false;
  int client_y = y - MenuBarHeightPx(record);
  if (x < 0 || client_y < 0 || x >= client.right || client_y >= client.bottom) return false;
  *lparam = MAKELPARAM(x, client_y);
  return true;
}

bool InputGoesToWindow(const WindowRecord& record, bool mouse) {
  if (record.handle == g_modal_owner) return false;
  return mouse ? !UiWantsMouse(record) : !UiWantsKeyboard(record);
}

void HandleMouseButton(WindowRecord* record, const SDL_Event& event) {
  const SDL_MouseButtonEvent& button = event.button;
  bool down = button.type == SDL_MOUSEBUTTONDOWN;
  Uint32 mask = SDL_BUTTON(button.button);
  g_buttons = down ? (g_buttons | mask) : (g_buttons & ~mask);
  FeedUiEvent(record, event);
  LPARAM lparam = 0;
  if (!InputGoesToWindow(*record, true) || !ClientPoint(*record, button.x, button.y, &lparam)) return;
  UINT message = 0;
  if (button.button == SDL_BUTTON_LEFT) message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
  if (button.button == SDL_BUTTON_RIGHT) message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
  if (button.button == SDL_BUTTON_MIDDLE) message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
  if (message != 0) PostQueuedMessage(record->handle, message, MouseKeyFlags(g_buttons), lparam);
}

void HandleMouseWheel(WindowRecord* record, const SDL_Event& event) {
  FeedUiEvent(record, event);
  if (!InputGoesToWindow(*record, true)) return;
  const SDL_MouseWheelEvent& wheel = event.wheel;
  const int notches = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -wheel.y : wheel.y;
  if (notches == 0) return;
  int x = 0, y = 0;
  SDL_GetMouseState(&x, &y);
  const WPARAM wparam = MAKEWPARAM(MouseKeyFlags(g_buttons), notches * WHEEL_DELTA);
  PostQueuedMessage(record->handle, WM_MOUSEWHEEL, wparam, MAKELPARAM(record->x_px + x, record->y_px + y));
}

void HandleWindowEvent(WindowRecord* record, const SDL_Event& event) {
  const SDL_WindowEvent& window = event.window;
  FeedUiEvent(record, event);
  switch (window.event) {
    case SDL_WINDOWEVENT_MOVED:
      record->x_px = window.data1;
      record->y_px = window.data2;
      ReportMoveIfChanged(record);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED:
      record->width_px = window.data1;
      record->height_px = window.data2;
      ReportSizeIfChanged(record);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      record->minimized = true;
      ReportSizeIfChanged(record);
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      record->minimized = false;
      record->maximized = true;
      ReportSizeIfChanged(record);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      record->minimized = false;
      record->maximized = false;
      ReportSizeIfChanged(record);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      g_modifiers = static_cast<Uint16>(SDL_GetModState());
      ActivateWindow(record->handle);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // A modal UI keeps its owner active, as a dialog's owner stays the active window's owner on Win32.
      if (record->handle != g_modal_owner) DeactivateWindow(record->handle);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      if (record->handle == g_modal_owner) {
        g_modal_cancel_requested = true;
      } else {
        SendMessageA(record->handle, WM_CLOSE, 0, 0);
      }
      break;
    default:
      break;
  }
}

void HandleEvent(const SDL_Event& event) {
  WindowRecord* record = nullptr;
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      record = TargetOf(event.key.windowID, SDL_GetKeyboardFocus());
      g_modifiers = event.key.keysym.mod;
      if (record == nullptr) return;
      // Keys reach only the window with the keyboard focus, which on Win32 is the active one; window
      // managers do not always say so first, and Ctrl+O's dialog needs an active owner.
      if (GetActiveWindow() == nullptr && record->handle != g_modal_owner) ActivateWindow(record->handle);
      FeedUiEvent(record, event);
      if (InputGoesToWindow(*record, false)) TranslateKey(record, event.key);
      return;
    case SDL_TEXTINPUT:
    case SDL_TEXTEDITING:
      record = TargetOf(event.text.windowID, SDL_GetKeyboardFocus());
      if (record != nullptr) FeedUiEvent(record, event);
      return;
    case SDL_MOUSEMOTION: {
      record = TargetOf(event.motion.windowID, SDL_GetMouseFocus());
      g_buttons = event.motion.state;
      if (record == nullptr) return;
      FeedUiEvent(record, event);
      LPARAM lparam = 0;
      if (InputGoesToWindow(*record, true) && ClientPoint(*record, event.motion.x, event.motion.y, &lparam)) {
        PostQueuedMessage(record->handle, WM_MOUSEMOVE, MouseKeyFlags(g_buttons), lparam);
      }
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      record = TargetOf(event.button.windowID, SDL_GetMouseFocus());
      if (record != nullptr) HandleMouseButton(record, event);
      return;
    case SDL_MOUSEWHEEL:
      record = TargetOf(event.wheel.windowID, SDL_GetMouseFocus());
      if (record != nullptr) HandleMouseWheel(record, event);
      return;
    case SDL_WINDOWEVENT:
      record = RecordOfSdlWindowId(event.window.windowID);
      if (record != nullptr) HandleWindowEvent(record, event);
      return;
    case SDL_DROPFILE:
      record = TargetOf(event.drop.windowID, SDL_GetMouseFocus());
      // A drop on a window behind a modal dialog is refused, as that window takes no input then.
      if (record != nullptr && record->handle != g_modal_owner && event.drop.file != nullptr) {
        PostQueuedMessage(record->handle, WM_DROPFILES, reinterpret_cast<WPARAM>(NewDrop(event.drop.file)), 0);
      }
      SDL_free(event.drop.file);
      return;
    default:
      return;  // SDL_QUIT among them: windows close one by one through their close boxes
  }
}

}  // namespace

void PumpSdlEvents() {
  if (!EnsurePlatformStarted()) return;
  SDL_Event event;
  while (SDL_PollEvent(&event) != 0) HandleEvent(event);
  if (!StopRequested()) return;
  // A modal dialog is cancelled first; the request stays until its owner can be closed.
  if (g_modal_owner != nullptr) {
    g_modal_cancel_requested = true;
    return;
  }
  ForgetStopRequest();
  for (WindowRecord* window : TopLevelRecords()) {
    if (!window->destroying) SendMessageA(window->handle, WM_CLOSE, 0, 0);
  }
}

int16_t GetKeyState(int virtual_key) {
  bool down = false;
  switch (virtual_key) {
    case VK_CONTROL: down = (g_modifiers & KMOD_CTRL) != 0; break;
    case VK_SHIFT: down = (g_modifiers & KMOD_SHIFT) != 0; break;
    case VK_MENU: down = (g_modifiers & KMOD_ALT) != 0; break;
    default: down = virtual_key >= 0 && virtual_key < 256 && g_keys_down[virtual_key]; break;
  }
  return down ? static_cast<int16_t>(0x8000) : 0;
}

void WaitForSdlEvent() {
  if (!EnsurePlatformStarted()) return;
  SDL_WaitEventTimeout(nullptr, static_cast<int>(IDLE_WAIT_MS));
}

void SetModalOwner(HWND owner) {
  g_modal_owner = owner;
  g_modal_cancel_requested = false;
}

HWND ModalOwner() { return g_modal_owner; }

bool TakeModalCancelRequest() {
  bool requested = g_modal_cancel_requested;
  g_modal_cancel_requested = false;
  return requested;
}
