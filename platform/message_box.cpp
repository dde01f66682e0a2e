// MessageBoxA: a real blocking box with the given caption when there is a display; headless it prints
// "CAPTION: text" on standard error and answers as if OK was pressed; in a window the same line is
// written too, so that a viewer started from a terminal leaves the log. Tests capture the boxes instead.
#include <SDL.h>

#include <cstdio>

#include "platform/test_hooks.h"
#include "platform/ui_internal.h"
#include "platform/win32.h"
#include "platform/window_internal.h"

namespace {

// Written by the capture hooks and the backend start-up; read by MessageBoxA. One UI thread.
bool g_capturing = false;
std::vector<CapturedMessageBox> g_captured;
bool g_windowed_boxes = false;

}  // namespace

void BeginCaptureMessageBoxes() {
  g_capturing = true;
  g_captured.clear();
}

std::vector<CapturedMessageBox> EndCaptureMessageBoxes() {
  g_capturing = false;
  std::vector<CapturedMessageBox> boxes;
  boxes.swap(g_captured);
  return boxes;
}

void SetMessageBoxesWindowed(bool windowed) { g_windowed_boxes = windowed; }

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const char* shown_text = text != nullptr ? text : "";
  const char* shown_caption = caption != nullptr ? caption : "Error";
  if (g_capturing) {
    g_captured.push_back(CapturedMessageBox{shown_caption, shown_text, type});
    return IDOK;
  }
  std::fprintf(stderr, "%s: %s\n", shown_caption, shown_text);
  // Once the user has asked the program to end (Ctrl+C, SIGTERM), a box would only hold the end up.
  if (g_windowed_boxes && !StopRequested()) {
    // The icon is a field of its own: MB_ICONWARNING shares bits with MB_ICONERROR.
    const UINT icon = type & MB_ICONMASK;
    Uint32 flags = icon == MB_ICONERROR     ? SDL_MESSAGEBOX_ERROR
                   : icon == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING
                                            : SDL_MESSAGEBOX_INFORMATION;
    const bool ok_cancel = (type & MB_TYPEMASK) == MB_OKCANCEL;
    const Uint32 ok_flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | (ok_cancel ? 0 : SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT);
    const SDL_MessageBoxButtonData buttons[] = {
        {ok_flags, IDOK, "OK"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"},
    };
    const SDL_MessageBoxData box = {flags,   GetSdlWindow(owner), shown_caption, shown_text, ok_cancel ? 2 : 1,
                                    buttons, nullptr};
    int pressed = IDOK;
    // Closing the box without a button (pressed is then -1) is Cancel where there is one.
    if (SDL_ShowMessageBox(&box, &pressed) == 0) return ok_cancel && pressed != IDOK ? IDCANCEL : IDOK;
  }
  return IDOK;
}
