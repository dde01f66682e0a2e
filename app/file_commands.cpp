#include "app/file_commands.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/scene_files.h"
#include "app/scene_open.h"
#include "app/win_main.h"
#include "app/window_changes.h"
#include "platform/test_hooks.h"
#include "render/renderer.h"
#include "resources/resource_ids.h"

namespace {

// How often --watch looks at the file; a change counts once it has held for one look.
constexpr DWORD WATCH_LOOK_MS = 250;

// Written by RememberOpenedScene (the start-up and ReplaceScene); read by the commands.
std::string g_opened_scene_path;
// Written by the picture key, read and cleared around the next frame.
bool g_picture_asked = false;
bool g_keeping_for_picture = false;

struct WatchState {
  std::string path;
  FileStamp applied;  // the file as last opened
  FileStamp seen;     // the file at the last look
  bool refused = false;  // seen was looked at and is not whole: wait for another change
  DWORD last_look_ms = 0;
};
WatchState g_watch;

void OpenNeighbour(int step) {
  const std::string next = NeighbourSceneFile(g_opened_scene_path, step);
  if (!next.empty()) ReplaceScene(next.c_str());
}

void Quit(HWND window) { SendMessageA(window, WM_CLOSE, 0, 0); }

void OpenFromMenu(HWND window) { SendMessageA(window, WM_COMMAND, MAKEWPARAM(FILE_OPEN_COMMAND, 0), 0); }

}  // namespace

bool RunFileCommand(HWND window, WORD command_id) {
  switch (command_id) {
    case ID_FILE_NEXT: OpenNeighbour(1); return true;
    case ID_FILE_PREVIOUS: OpenNeighbour(-1); return true;
    case ID_FILE_RELOAD: ReloadOpenedScene(false); return true;
    case ID_FILE_PICTURE: g_picture_asked = g_renderer != nullptr; return true;
    case ID_FILE_EXIT: Quit(window); return true;
    default: return false;
  }
}

bool RunFileKey(HWND window, WPARAM virtual_key) {
  const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (ctrl && virtual_key == 'O') {
    OpenFromMenu(window);
    return true;
  }
  if (ctrl && virtual_key == 'Q') return RunFileCommand(window, ID_FILE_EXIT);
  switch (virtual_key) {
    case VK_NEXT: return RunFileCommand(window, ID_FILE_NEXT);
    case VK_PRIOR: return RunFileCommand(window, ID_FILE_PREVIOUS);
    case VK_F5: return RunFileCommand(window, ID_FILE_RELOAD);
    case VK_F12: return RunFileCommand(window, ID_FILE_PICTURE);
    default: return false;
  }
}

void OpenDroppedFiles(HDROP drop) {
  char path[4096];
  if (DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0) > 0 && DragQueryFileA(drop, 0, path, sizeof path) < sizeof path) {
    ReplaceScene(path);
  }
  DragFinish(drop);
}

const std::string& OpenedScenePath() { return g_opened_scene_path; }

void RememberOpenedScene(const char* path) { g_opened_scene_path = path != nullptr ? path : ""; }

bool ReloadOpenedScene(bool whole_only) {
  if (g_renderer == nullptr || g_opened_scene_path.empty()) return false;
  const std::string path = g_opened_scene_path;  // ReplaceScene writes the remembered one
  if (whole_only && !SceneFileLooksWhole(path.c_str())) return false;
  const OrbitPose pose = SaveOrbit();
  if (!ReplaceScene(path.c_str())) return false;
  RestoreOrbit(pose);
  return true;
}

void WatchOpenedScene() {
  if (!g_launch_options.watch || g_opened_scene_path.empty()) return;
  const DWORD now_ms = GetTickCount();
  if (g_watch.path == g_opened_scene_path && now_ms - g_watch.last_look_ms < WATCH_LOOK_MS) return;
  g_watch.last_look_ms = now_ms;
  const FileStamp stamp = StampOf(g_opened_scene_path.c_str());
  if (g_watch.path != g_opened_scene_path) {
    g_watch = WatchState{g_opened_scene_path, stamp, stamp, false, now_ms};
    return;
  }
  if (stamp == g_watch.applied) return;
  if (stamp != g_watch.seen) {
    // Still being written, or just written: look again once it has held still.
    g_watch.seen = stamp;
    g_watch.refused = false;
    return;
  }
  if (!stamp.exists || g_watch.refused) return;
  if (!ReloadOpenedScene(true)) {
    // Not whole, or no scene: the old one stays until the file changes again.
    g_watch.refused = true;
    return;
  }
  g_watch.applied = stamp;
  g_watch.seen = stamp;
}

void BeforeFrame() {
  if (!g_picture_asked) return;
  KeepPresentedFrames(true);
  g_keeping_for_picture = true;
}

void AfterFrame() {
  if (!g_keeping_for_picture) return;
  g_picture_asked = false;
  g_keeping_for_picture = false;
  const std::string name = FreeScreenshotName("");
  if (SaveLastPresentedFrame(name.c_str())) {
    std::fprintf(stderr, "kestrel: saved the picture as %s\n", name.c_str());
  } else {
    std::fprintf(stderr, "kestrel: could not save the picture as %s\n", name.c_str());
  }
  // A run with --screenshot keeps every frame for its own picture at the end.
  if (g_launch_options.screenshot_path == nullptr) KeepPresentedFrames(false);
}

std::string StartUpScenePath(const char* path, bool named) {
  if (named || path == nullptr || access(path, F_OK) == 0) return path != nullptr ? path : "";
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return path;
  const std::filesystem::path installed = program.parent_path().parent_path() / "share" / "kestrel" / path;
  return access(installed.c_str(), F_OK) == 0 ? installed.string() : path;
}
