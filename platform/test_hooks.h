// Hooks for tests and automation, beyond the Win32 surface: capture of the modal boxes that would
// otherwise block or print. Portable code never calls these; tests and the headless driver do.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

struct CapturedMessageBox {
  std::string caption;
  std::string text;
  UINT type;
};

// While capturing, MessageBoxA records each box, answers IDOK, and neither shows nor prints it.
void BeginCaptureMessageBoxes();
std::vector<CapturedMessageBox> EndCaptureMessageBoxes();

// True when message boxes are shown as real windows (a display is available and not forced headless).
// The platform backend sets it when it starts; headless until then.
void SetMessageBoxesWindowed(bool windowed);
