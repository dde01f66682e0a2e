// The viewer's watch-and-inspect controls: the keys and the View and Animation menu commands that
// switch the view mode, the scene panel, the cheatsheet and the lighting and drive the animation's
// transport, and the command-line options that set the same things before the first frame. Keys and
// commands that are not these are left to the caller; option values that do not parse are usage errors.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"
#include "render/view_modes.h"

// What the command line asked of the view; applied by ApplyLaunchView once the start-up scene is in.
struct ViewLaunch {
  bool timed_playback = false;  // a window: frames follow the clock
  ViewMode mode = ViewMode::NORMAL;
  bool hold_frame = false;
  uint32_t frame = 0;
  double speed = 1.0;
  bool panel = false;
  bool lighting = false;
};
// Written by the entry point before WinMain, read by ApplyLaunchView.
extern ViewLaunch g_view_launch;

// Starts the view afresh from g_view_launch (every start-up, so runs in one process do not inherit).
void ApplyLaunchView();

// True when the key or menu command was one of these and has been done.
bool HandleViewKey(WPARAM key);
bool HandleViewCommand(WORD command);

// Every key of the viewer with what it does, one per line, for --help and the cheatsheet.
const char* KeyHelpText();

// One of --view, --frame, --speed (with its value) or --panel, --lighting (without): TAKEN with the
// value consumed, FLAG when no value was used, NOT_VIEW_OPTION for any other option, and ERROR with a
// one-line reason.
enum class ViewOptionResult { NOT_VIEW_OPTION, FLAG, TAKEN, ERROR };
ViewOptionResult ParseViewOption(const char* option, const char* value, ViewLaunch* launch, std::string* error);
