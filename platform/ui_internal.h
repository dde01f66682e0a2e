// Insides of the window/UI half of the platform stand-in, shared by its backend files only: the table
// of window records behind every HWND (top-level windows, dialogs, dialog controls), the thread's
// message queue, the SDL event translation and the Dear ImGui frames drawn over a window.
// A handle is looked up on every call; a null or destroyed one finds no record, never a dangling one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "resources/resources.h"

struct SDL_Window;
struct ImGuiContext;
union SDL_Event;

enum class WindowKind { TOP_LEVEL, DIALOG, CONTROL };

struct ComboItem {
  std::string text;
  LPARAM data;
};

struct WindowRecord {
  HWND handle = nullptr;
  WindowKind kind = WindowKind::TOP_LEVEL;
  HWND parent = nullptr;  // a dialog's owner, a control's dialog
  HINSTANCE instance = nullptr;
  DWORD style = 0;
  std::string title;
  bool destroying = false;

  // Top-level windows.
  WNDPROC window_proc = nullptr;
  const MenuResource* menu = nullptr;
  COLORREF background = RGB(255, 255, 255);
  SDL_Window* sdl_window = nullptr;
  void* gl_context = nullptr;
  ImGuiContext* imgui = nullptr;
  int x_px = 0, y_px = 0;  // outer position on the screen, as SDL reports it
  int width_px = 0, height_px = 0;  // outer size, the menu bar included
  bool visible = false;
  bool minimized = false;
  bool maximized = false;
  // What the window procedure was last told by WM_SIZE and WM_MOVE, so that the window system
  // repeating a size or position (common on X11 after mapping) does not rebuild the device again.
  bool size_reported = false;
  WPARAM reported_size_type = 0;
  LPARAM reported_size = 0;
  bool move_reported = false;
  LPARAM reported_move = 0;
  uint32_t last_frame_ms = 0;  // when a frame was last presented in this window, by anyone
  bool menu_open = false;      // a menu popup was open in the last frame
  int pending_command = 0;     // a menu command chosen during the frame, posted after it
  unsigned snapshot_texture = 0;  // the client area under an open menu, shown behind modal UI
  int snapshot_width = 0, snapshot_height = 0;
  std::string screenshot_path;  // armed capture of a coming frame
  int screenshot_frames_to_skip = 0;
  bool nav_keyboard = false;
  // Where the last mouse event put the pointer, for drivers that give no window the pointer's focus.
  bool pointer_known = false;
  int pointer_x_px = 0, pointer_y_px = 0;    // keyboard navigation for the modal UI drawn over this window
  // Scancodes of keys that went down since the UI's last frame, and the releases held back so that a
  // key pressed and released between two frames is still seen down by one (pending: for the coming
  // frame to see the press; ready: to be fed before the frame after it).
  // A device presents its pictures into this window: idle painting would only put the brush's white
  // between two of them, so it leaves the window alone until the device is released.
  bool device_presents = false;
  std::vector<int> keys_down_unseen;
  std::vector<int> key_ups_pending;
  std::vector<int> key_ups_ready;

  // Dialogs.
  DLGPROC dialog_proc = nullptr;
  const DialogResource* dialog_template = nullptr;
  bool dialog_ended = false;
  INT_PTR dialog_result = 0;
  std::vector<HWND> controls;

  // Dialog controls.
  const DialogControlResource* control = nullptr;
  std::vector<ComboItem> combo_items;
  int combo_selection = -1;
};

// Window table.
WindowRecord* FindWindowRecord(HWND window);  // null for null, unknown or destroyed handles
WindowRecord* FindTopLevelRecord(HWND window);
WindowRecord* NewWindowRecord(WindowKind kind);
void DeleteWindowRecord(HWND window);  // frees the record only; SDL and GL teardown is the caller's
std::vector<WindowRecord*> TopLevelRecords();
WindowRecord* RecordOfSdlWindowId(uint32_t window_id);
int MenuBarHeightPx(const WindowRecord& record);  // 0 without a menu or in full screen
void ReportSizeIfChanged(WindowRecord* record);
// Makes the window the active one, telling the window losing activation and this one by WM_ACTIVATE.
void ActivateWindow(HWND window);
void DeactivateWindow(HWND window);
void ReportMoveIfChanged(WindowRecord* record);

// SIGINT and SIGTERM only note a stop request; the event pump acts on it.
void InstallStopSignals();
bool StopRequested();
void ForgetStopRequest();

// Start-up: SDL video, driver choice. Every entry point that needs SDL calls this first.
bool EnsurePlatformStarted();
void PinLoadedLibraries();

// The thread's message queue.
void PostQueuedMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// An HDROP holding one dropped file's name, for WM_DROPFILES; DragFinish frees it.
HDROP NewDrop(const char* file);
void RemoveQueuedMessages(HWND window);
bool QuitPosted();
LRESULT SendDialogMessage(WindowRecord* dialog, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT SendControlMessage(WindowRecord* control, UINT message, WPARAM wparam, LPARAM lparam);

// SDL events: translates every pending one into queued messages and ImGui input.
void PumpSdlEvents();
// Sleeps until an event arrives or idle painting is due.
void WaitForSdlEvent();
// While a modal UI runs over `owner`, input to it reaches only ImGui and its close box cancels the UI.
void SetModalOwner(HWND owner);
HWND ModalOwner();
bool TakeModalCancelRequest();

// Frames of Dear ImGui over a window. Begin makes the window's context current (remembering what was
// current) and starts a frame with the menu bar; End renders it into the window's back buffer,
// writes an armed screenshot, and with `present` swaps and restores the previous context.
bool CreateWindowUi(WindowRecord* record);
void DestroyWindowUi(WindowRecord* record);
void FeedUiEvent(WindowRecord* record, const SDL_Event& event);
bool UiWantsMouse(const WindowRecord& record);
bool UiWantsKeyboard(const WindowRecord& record);
enum class FrameBackground { NONE, BRUSH, SNAPSHOT_OR_BRUSH };
bool BeginUiFrame(WindowRecord* record, FrameBackground background, bool menu_enabled);
void EndUiFrame(WindowRecord* record, bool present);
// Paints windows nobody has presented lately (no renderer yet, or none any more): the class brush
// under the menu bar, so that the menu stays usable.
void PaintIdleWindows();
void PaintWindowNow(WindowRecord* record);

// A modal UI drawn with ImGui over its owner window. RunModalLoop pumps events and draws frames until
// Done(); the owner's close box and a vanished owner end it through Cancel().
class ModalUi {
 public:
  virtual ~ModalUi() = default;
  virtual void Draw() = 0;        // inside a frame
  virtual void AfterFrame() = 0;  // outside any frame: safe to send messages that change the UI's model
  virtual void Cancel() = 0;
  virtual bool Done() const = 0;
};
void RunModalLoop(HWND owner, ModalUi* ui);
void ClearOpenFileAnswers();
