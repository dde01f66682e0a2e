// MessageBoxA: a real blocking box with the given caption when there is a display; headless it prints
// "CAPTION: text" on standard error and answers as if OK was pressed. Tests capture the boxes instead.
#include <SDL.h>

#include <cstdio>

#include "platform/test_hooks.h"
#include "platform/win32.h"

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

int MessageBoxA(HWND /*owner*/, LPCSTR text, LPCSTR caption, UINT type) {
  const char* shown_text = text != nullptr ? text : "";
  const char* shown_caption = caption != nullptr ? caption : "Error";
  if (g_capturing) {
    g_captured.push_back(CapturedMessageBox{shown_caption, shown_text, type});
    return IDOK;
  }
  if (g_windowed_boxes) {
    const Uint32 flags = (type & MB_ICONERROR) == MB_ICONERROR ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    if (SDL_ShowSimpleMessageBox(flags, shown_caption, shown_text, nullptr) == 0) return IDOK;
  }
  std::fprintf(stderr, "%s: %s\n", shown_caption, shown_text);
  return IDOK;
}
