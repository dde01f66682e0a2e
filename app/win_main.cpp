#include "app/win_main.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/device_picker.h"
#include "app/file_commands.h"
#include "app/scene_open.h"
#include "app/view_keys.h"
#include "app/window_changes.h"
#include "lightmap/lightmap.h"
#include "platform/commdlg.h"
#include "platform/report.h"
#include "platform/test_hooks.h"
#include "render/renderer.h"
#include "render/scene_setup.h"
#include "scene/ase_scene.h"

HWND g_main_window = nullptr;
uint16_t last_mouse_x = 0;
uint16_t last_mouse_y = 0;
LaunchOptions g_launch_options;
uint32_t g_frames_rendered = 0;
uint16_t g_last_fps = 0;
RunFailure g_run_failure = RunFailure::NONE;
std::string g_run_failure_text;

namespace {

// How long the loop waits between looks at the queue while there is nothing to render.
constexpr DWORD MINIMISED_WAIT_MS = 10;

void DestroyRenderer() {
  delete g_renderer;  // destroys the scene, then releases the device and the texture cache
  g_renderer = nullptr;
}

void OpenFromMenu() {
  char path[OPEN_PATH_SIZE];
  std::memset(path, 0, sizeof path);
  // A cancelled dialog changes nothing at all: the scene, its view and its lights stay as they are.
  if (!AskOpenFileName(path)) return;
  if (g_renderer != nullptr) ReplaceScene(path);
}

bool Fail(RunFailure failure, const std::string& text) {
  g_run_failure = failure;
  g_run_failure_text = text;
  return false;
}

// --device and --mode name entries of lists that exist only once the devices are enumerated.
bool PreselectionFits() {
  const LaunchOptions& launch = g_launch_options;
  if (device_count == 0) return true;  // the start-up ends silently anyway
  if (launch.device_index >= device_count) {
    return Fail(RunFailure::BAD_PRESELECTION, "--device " + std::to_string(launch.device_index) +
                                                  " is past the list: the devices are 0 to " +
                                                  std::to_string(device_count - 1));
  }
  const int32_t device = launch.device_index >= 0 ? launch.device_index : selected_device;
  const uint32_t modes = device_table[device].mode_count;
  if (launch.mode_index >= 0 && static_cast<uint32_t>(launch.mode_index) >= modes) {
    return Fail(RunFailure::BAD_PRESELECTION, "--mode " + std::to_string(launch.mode_index) +
                                                  " is past the list: the modes of device " + std::to_string(device) +
                                                  " are 0 to " + std::to_string(modes - 1));
  }
  return true;
}

// The start-up scene, through the same open path as File/Open; a file that cannot be opened or is no
// scene is named with the reason instead of leaving a silent empty window.
bool OpenStartUpScene(const char* path) {
  std::string problem;
  AseScene* scene = ReadScene(path, &problem);
  if (scene == nullptr) {
    const std::string text = CannotOpenText(path, problem);
    std::fprintf(stderr, "kestrel: %s\n", text.c_str());
    if (g_launch_options.end_without_scene) return Fail(RunFailure::NO_SCENE, text);
    ShowReport(text.c_str());
    return true;
  }
  ShowScene(scene, path);
  return true;
}

void DragMouse(WPARAM buttons, LPARAM lparam) {
  const uint16_t x = LOWORD(lparam);
  const uint16_t y = HIWORD(lparam);
  const int32_t dx = static_cast<int32_t>(x) - static_cast<int32_t>(last_mouse_x);
  const int32_t dy = static_cast<int32_t>(y) - static_cast<int32_t>(last_mouse_y);
  // Exact comparisons: a second button or a modifier key held turns the drag into a plain move.
  if (buttons == MK_LBUTTON) {
    g_renderer->OrbitCamera(static_cast<float>(dx / 100.0), static_cast<float>(dy * 2.0), 0.0f);
  } else if (buttons == MK_RBUTTON) {
    g_renderer->OrbitCamera(0.0f, 0.0f, static_cast<float>(dx));
  }
  last_mouse_x = x;
  last_mouse_y = y;
}

bool IsLightKey(WPARAM key) {
  return key == VK_RETURN || key == VK_SHIFT || key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN;
}

void MoveFirstLight(WPARAM key) {
  if (g_scene == nullptr || g_scene->lights == nullptr) return;
  Vector3& pos = g_scene->lights->node_tms[0].pos;
  switch (key) {
    case VK_RETURN:
    case VK_UP:
      pos.y -= LIGHT_STEP;
      break;
    case VK_SHIFT:
    case VK_DOWN:
      pos.y += LIGHT_STEP;
      break;
    case VK_LEFT:
      pos.x -= LIGHT_STEP;
      break;
    case VK_RIGHT:
      pos.x += LIGHT_STEP;
      break;
    default:
      return;
  }
  // A light without a track rests where the keys put it, also while the animation plays.
  PoseLightAtRest(g_scene->lights);
  Vector4 light;
  light.x = pos.x;
  light.y = pos.z;
  light.z = pos.y;
  light.w = 0.0f;
  RelightScene(g_scene, light);
}

bool CreateMainWindow(HINSTANCE instance) {
  WNDCLASSA window_class;
  std::memset(&window_class, 0, sizeof window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = MainWindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(32512));
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = "KESTREL";
  RegisterClassA(&window_class);
  g_main_window = CreateWindowExA(0, "KESTREL", "KESTREL", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480,
                                  nullptr, LoadMenuA(instance, MAKEINTRESOURCEA(MAIN_MENU_ID)), instance, nullptr);
  if (g_main_window == nullptr) return false;
  ShowWindow(g_main_window, SW_SHOWNORMAL);
  UpdateWindow(g_main_window);
  return true;
}

}  // namespace

bool StartViewer(HINSTANCE instance) {
  g_frames_rendered = 0;
  g_last_fps = 0;
  g_run_failure = RunFailure::NONE;
  g_run_failure_text.clear();
  ResetWindowChanges();
  // Without a window there is nothing to pick a device for or to render into.
  if (!CreateMainWindow(instance)) return false;
  RememberStartUpClientSize(g_main_window);
  EnumerateDevices();
  if (!PreselectionFits()) return false;
  if (RunPickerDialog(g_main_window) == -1) return false;
  if (g_renderer == nullptr) {
    g_renderer = new Renderer();
    if (!g_renderer->CreateDeviceFromChoice(g_main_window)) {
      DestroyRenderer();
      return false;
    }
  }
  g_renderer->ToggleLighting();
  const std::string scene_path = StartUpScenePath(g_launch_options.scene_path, g_launch_options.scene_named);
  if (!OpenStartUpScene(scene_path.c_str())) {
    DestroyWindow(g_main_window);
    g_main_window = nullptr;
    return false;
  }
  ApplyLaunchView();
  return true;
}

bool RenderIdleFrame() {
  if (g_renderer == nullptr || !WindowShowsFrames()) return false;
  if (g_launch_options.screenshot_path != nullptr && g_frames_rendered + 1 == g_launch_options.frame_limit) {
    KeepPresentedFrames(true);
  }
  BeforeFrame();
  g_renderer->RenderFrame();
  AfterFrame();
  ++g_frames_rendered;
  g_last_fps = g_renderer->fps;
  if (g_launch_options.frame_limit != 0 && g_frames_rendered == g_launch_options.frame_limit) {
    DestroyWindow(g_main_window);
  }
  return true;
}

int RunMessageLoop() {
  // Keeping a frame reads it back from GL: with a frame limit only the last one, the one saved, is kept.
  const bool screenshot = g_launch_options.screenshot_path != nullptr;
  if (screenshot && g_launch_options.frame_limit == 0) KeepPresentedFrames(true);
  MSG msg;
  for (;;) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      WatchOpenedScene();
      const bool drew = RenderIdleFrame();
      // A renderer whose device could not be built again draws nothing: wait for the next change
      // instead of spinning a core.
      if (g_renderer != nullptr && (!drew || g_renderer->GetDevice() == nullptr)) Sleep(MINIMISED_WAIT_MS);
    }
  }
  if (screenshot) {
    if (!SaveLastPresentedFrame(g_launch_options.screenshot_path)) {
      Fail(RunFailure::SCREENSHOT, std::string("could not write the screenshot \"") +
                                       g_launch_options.screenshot_path + "\" (was a frame presented?)");
    }
    KeepPresentedFrames(false);
  }
  g_main_window = nullptr;
  return 0;
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!StartViewer(instance)) return 0;
  return RunMessageLoop();
}

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SYSKEYDOWN:
      // System keys get no default processing; Alt+F4 closes as the close box does.
      if (wparam == VK_RETURN && g_renderer != nullptr) ToggleFullScreen();
      if (wparam == VK_F4) SendMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_COMMAND:
      if (HandleViewCommand(LOWORD(wparam))) return 0;
      if (RunFileCommand(window, LOWORD(wparam))) return 0;
      if (LOWORD(wparam) != FILE_OPEN_COMMAND) break;
      OpenFromMenu();
      return 0;
    case WM_DROPFILES:
      OpenDroppedFiles(reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_MOUSEMOVE:
      if (g_renderer != nullptr) DragMouse(wparam, lparam);
      return 0;
    case WM_MOUSEWHEEL:
      if (g_renderer != nullptr) g_renderer->ZoomCamera(GET_WHEEL_DELTA_WPARAM(wparam));
      return 0;
    case WM_LBUTTONDOWN:
      last_mouse_x = LOWORD(lparam);
      last_mouse_y = HIWORD(lparam);
      return 0;
    case WM_KEYDOWN:
      if (RunFileKey(window, wparam)) return 0;
      if (wparam == VK_SPACE && g_renderer != nullptr) {
        g_renderer->ToggleLighting();
        return 0;
      }
      if (wparam == VK_ESCAPE) {
        DestroyWindow(window);
      } else if ((wparam == VK_HOME || wparam == 'F') && g_renderer != nullptr) {
        // Home: the scene's own view again; F: all of the scene's geometry in view.
        wparam == VK_HOME ? g_renderer->ResetView(g_scene) : g_renderer->FrameScene(g_scene);
      } else if (IsLightKey(wparam)) {
        MoveFirstLight(wparam);
      } else {
        HandleViewKey(wparam);
      }
      break;
    case WM_DESTROY:
      if (g_renderer != nullptr) DestroyRenderer();
      PostQuitMessage(0);
      return 0;
    case WM_MOVE:
      if (g_renderer != nullptr) g_renderer->OnMove();
      return 0;
    case WM_SIZE:
      if (g_renderer != nullptr) OnWindowSize(wparam);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    default:
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

bool AskOpenFileName(char* path_out) {
  static const char FILTER[] = "3DS MAX ASE (*.ase)\0*.ASE\0ASE Files (*.*)\0*.*\0";
  char chosen[OPEN_PATH_SIZE];
  std::memset(chosen, 0, sizeof chosen);
  OPENFILENAMEA dialog;
  std::memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = 76;
  dialog.hwndOwner = GetActiveWindow();
  dialog.lpstrFilter = FILTER;
  dialog.nFilterIndex = 1;
  // The dialog starts where the scene on show came from, as the user last opened from there.
  const std::string folder = std::filesystem::path(OpenedScenePath()).parent_path().string();
  if (!folder.empty()) dialog.lpstrInitialDir = folder.c_str();
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = OPEN_PATH_SIZE;
  dialog.Flags = OFN_READONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (GetOpenFileNameA(&dialog) == 0) return false;
  // The dialog writes at most nMaxFile - 1 characters, so the copy always fits the caller's buffer.
  const int length = lstrlenA(chosen);
  std::memcpy(path_out, chosen, static_cast<size_t>(length < OPEN_PATH_SIZE ? length : OPEN_PATH_SIZE - 1));
  return true;
}
