// The application shell: the entry point with its fixed start-up order, the one main window, the
// message loop that renders whenever the queue is empty, and the window procedure that turns keys,
// drags, the menu and window changes into calls on the renderer and the scene. Messages that need a
// renderer or a scene do nothing without one, so a window left without a device stays safe to use.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32.h"

// The main window; set right after it is created, read by the picker, the dialogs and the tests.
extern HWND g_main_window;
// Client position of the last mouse move or left-button press; written only by MainWindowProc.
extern uint16_t last_mouse_x;
extern uint16_t last_mouse_y;

// How far one key press moves the scene's first light.
constexpr float LIGHT_STEP = 1.2f;
constexpr int MAIN_MENU_ID = 147;
constexpr WORD FILE_OPEN_COMMAND = 40015;
// As long as a path the system can open (PATH_MAX): a longer choice in the Open dialog was taken as
// Cancel, in silence.
constexpr int OPEN_PATH_SIZE = 4096;

// What the command line chose; the defaults are the interactive viewer on "light.ase". Written by the
// command line before WinMain runs, read by WinMain.
struct LaunchOptions {
  const char* scene_path = "light.ase";
  uint32_t frame_limit = 0;  // 0: until the window closes
  const char* screenshot_path = nullptr;  // PNG of the last presented frame, written at the end
  int32_t device_index = -1;  // picker preselection; -1 keeps the picker's own
  int32_t mode_index = -1;
  // Where nobody can choose another file (headless), a start-up scene that cannot be opened ends the run.
  bool end_without_scene = false;
  bool scene_named = false;  // false: the default scene, looked for beside the installed program too
  bool watch = false;  // open the scene again whenever its file changes on disk
};
extern LaunchOptions g_launch_options;

// Why the last run ended early or failed, for the exit status; written by StartViewer and
// RunMessageLoop, read by the entry point. WinMain itself returns 0 in every case.
enum class RunFailure { NONE, NO_SCENE, BAD_PRESELECTION, SCREENSHOT };
extern RunFailure g_run_failure;
extern std::string g_run_failure_text;
// Frames rendered by the main loop of the last WinMain and the last "FPS" figure drawn; written by the
// loop, read by the command line's summary.
extern uint32_t g_frames_rendered;
extern uint16_t g_last_fps;

int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);
// WinMain's two halves, apart for tests that drive the window between them. StartViewer runs the
// start-up up to the loop and is false when the program would end there; RunMessageLoop returns 0
// once WM_QUIT arrives.
bool StartViewer(HINSTANCE instance);
int RunMessageLoop();
// The loop's work when the queue is empty: one frame, unless there is no renderer or the window is
// minimised. True when a frame was rendered.
bool RenderIdleFrame();
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// path_out: a zeroed buffer of OPEN_PATH_SIZE bytes, left untouched unless a file was chosen.
bool AskOpenFileName(char* path_out);
