// The command line of both programs: which scene to start on, how many frames to render, where to
// write the last frame, and whether to run without a display. Parsing never exits or prints; it says
// what to do and, for a usage error, the one line to print.
#pragma once

#include <string>

#include "app/view_keys.h"
#include "app/win_main.h"

enum class CommandLineAction { RUN, SHOW_HELP, SHOW_VERSION, SHOW_INFO, USAGE_ERROR };

struct CommandLine {
  CommandLineAction action = CommandLineAction::RUN;
  LaunchOptions launch;
  bool force_headless = false;
  bool frames_given = false;
  ViewLaunch view;
  const char* info_path = nullptr;  // for SHOW_INFO
  unsigned relight_threads = 0;  // --threads; 0 when not given: every online core
  std::string error;  // for USAGE_ERROR: one line, without the program name
};

CommandLine ParseCommandLine(int argc, char** argv);

// The headless run's defaults: a fixed number of frames and a picture of the last one.
constexpr unsigned HEADLESS_FRAMES = 300;
constexpr const char* HEADLESS_SCREENSHOT = "kestrel.png";

const char* UsageText();

// Hands --device and --mode to the device picker as selections in its two lists. With confirm (a run
// without a display, where nobody can press OK) the picker is also confirmed; otherwise the user sees
// the dialog with the choice made and confirms it. An index past a list's end selects nothing there.
void QueuePickerPreselection(const LaunchOptions& launch, bool confirm);
