// The thread's message queue and the calls that deliver messages. Input messages are queued and come
// out of PeekMessageA in order; size, move and close notifications are sent to the window procedure
// while PeekMessageA pumps SDL, as Win32 sends them. WM_QUIT comes out once the queue holds nothing else.
#include <deque>

#include "platform/ui_internal.h"

namespace {

// Written by the posting calls and PeekMessageA; one UI thread.
std::deque<MSG> g_queue;
bool g_quit_posted = false;
int g_quit_code = 0;

bool InRange(UINT message, UINT filter_min, UINT filter_max) {
  if (filter_min == 0 && filter_max == 0) return true;
  return message >= filter_min && message <= filter_max;
}

bool ForWindow(const MSG& msg, HWND window) {
  if (window == nullptr) return true;
  // (HWND)-1 asks for the messages posted to the thread itself.
  if (window == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) return msg.hwnd == nullptr;
  return msg.hwnd == window;
}

}  // namespace

void PostQueuedMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  MSG msg = {window, message, wparam, lparam, GetTickCount(), {0, 0}};
  g_queue.push_back(msg);
}

void RemoveQueuedMessages(HWND window) {
  for (auto it = g_queue.begin(); it != g_queue.end();) {
    it = it->hwnd == window ? g_queue.erase(it) : it + 1;
  }
}

bool QuitPosted() { return g_quit_posted; }

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (window != nullptr && !IsWindow(window)) return FALSE;
  PostQueuedMessage(window, message, wparam, lparam);
  return TRUE;
}

void PostQuitMessage(int exit_code) {
  g_quit_posted = true;
  g_quit_code = exit_code;
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
  if (msg == nullptr) return FALSE;
  PumpSdlEvents();
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    if (!ForWindow(*it, window) || !InRange(it->message, filter_min, filter_max)) continue;
    *msg = *it;
    if ((remove & PM_REMOVE) != 0) g_queue.erase(it);
    return TRUE;
  }
  if (g_quit_posted) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g_quit_code), 0, GetTickCount(), {0, 0}};
    if ((remove & PM_REMOVE) != 0) g_quit_posted = false;
    return TRUE;
  }
  PaintIdleWindows();
  return FALSE;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filter_min, UINT filter_max) {
  if (msg == nullptr) return -1;
  while (PeekMessageA(msg, window, filter_min, filter_max, PM_REMOVE) == FALSE) WaitForSdlEvent();
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

// No WM_CHAR is made: the only text the program takes is typed into the dialogs, which read it directly.
BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr) return FALSE;
  UINT m = msg->message;
  return m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP ? TRUE : FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr) return 0;
  switch (record->kind) {
    case WindowKind::TOP_LEVEL:
      return record->window_proc(window, message, wparam, lparam);
    case WindowKind::DIALOG:
      return SendDialogMessage(record, message, wparam, lparam);
    case WindowKind::CONTROL:
      return SendControlMessage(record, message, wparam, lparam);
  }
  return 0;
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM /*lparam*/) {
  if (!IsWindow(window)) return 0;
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DROPFILES) DragFinish(reinterpret_cast<HDROP>(wparam));
  // Alt+F4 closes the window, but only for a window procedure that leaves system keys to the default.
  if (message == WM_SYSKEYDOWN && wparam == VK_F4) {
    SendMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  return 0;
}
