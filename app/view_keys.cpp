#include "app/view_keys.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "render/renderer.h"
#include "resources/resource_ids.h"

ViewLaunch g_view_launch;

namespace {

// Lines the panel moves per scroll key.
constexpr int PANEL_SCROLL_LINES = 5;

// Short lines: the cheatsheet shows them over a 640-pixel window.
const char KEY_HELP[] =
    "Keys:\n"
    "  arrows, Enter and Shift move the first light\n"
    "  Space switches Direct3D lighting\n"
    "  Home returns to the scene's camera\n"
    "  F frames the whole scene\n"
    "  Alt+Enter: full screen and back; Escape quits\n"
    "  1 2 3 4: normal, lightmaps, textures, wireframe\n"
    "  K pauses and resumes\n"
    "  J and L step a frame back and forward\n"
    "  - and = play slower and faster (1/8x to 8x)\n"
    "  Backspace goes back to the first frame\n"
    "  I shows the scene panel; [ and ] scroll it\n"
    "  F1 shows this list of keys\n"
    "  Page Down, Page Up: next, previous scene file\n"
    "  F5 opens the scene again\n"
    "  F12 saves the picture as kestrel-N.png\n"
    "  Ctrl+O opens a scene; Ctrl+Q quits\n"
    "Menus: File/Open loads another scene, as does\n"
    "  dropping a file on the window; File, View and\n"
    "  Animation do what these keys do.\n";

void ToggleLighting() {
  if (g_renderer != nullptr) g_renderer->ToggleLighting();
}

void StepPaused(int frames) {
  if (!g_view.clock.IsPaused()) g_view.clock.SetPaused(true);
  g_view.clock.Step(frames);
}

// One table for keys and menu commands, so that a menu item always does what its key does.
struct ViewAction {
  WPARAM key;
  WPARAM other_key;  // the numeric keypad's or another spelling; 0 when none
  WORD command;
  void (*run)();
};

const ViewAction VIEW_ACTIONS[] = {
    {'1', 0, ID_VIEW_NORMAL, [] { g_view.mode = ViewMode::NORMAL; }},
    {'2', 0, ID_VIEW_LIGHTMAPS, [] { g_view.mode = ViewMode::LIGHTMAPS; }},
    {'3', 0, ID_VIEW_TEXTURES, [] { g_view.mode = ViewMode::TEXTURES; }},
    {'4', 0, ID_VIEW_WIREFRAME, [] { g_view.mode = ViewMode::WIREFRAME; }},
    {0, 0, ID_VIEW_LIGHTING, ToggleLighting},  // the key, Space, is the shell's own
    {'I', 0, ID_VIEW_PANEL, [] { g_view.panel_shown = !g_view.panel_shown; }},
    {VK_F1, 0, ID_VIEW_CHEATSHEET, [] { g_view.cheatsheet_shown = !g_view.cheatsheet_shown; }},
    {VK_OEM_4, 0, 0, [] { g_view.panel_scroll -= PANEL_SCROLL_LINES; }},
    {VK_OEM_6, 0, 0, [] { g_view.panel_scroll += PANEL_SCROLL_LINES; }},
    {'K', 0, ID_ANIMATION_PAUSE, [] { g_view.clock.TogglePause(); }},
    {'J', 0, ID_ANIMATION_STEP_BACK, [] { StepPaused(-1); }},
    {'L', 0, ID_ANIMATION_STEP_FORWARD, [] { StepPaused(1); }},
    {VK_OEM_MINUS, VK_SUBTRACT, ID_ANIMATION_SLOWER, [] { g_view.clock.Slower(); }},
    {VK_OEM_PLUS, VK_ADD, ID_ANIMATION_FASTER, [] { g_view.clock.Faster(); }},
    {VK_BACK, 0, ID_ANIMATION_FIRST_FRAME, [] { g_view.clock.Rewind(); }},
};

bool ParseFrame(const char* text, uint32_t* out) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFul) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

void ApplyLaunchView() {
  g_view = ViewState();
  g_view.cheatsheet = KEY_HELP;
  g_view.mode = g_view_launch.mode;
  g_view.panel_shown = g_view_launch.panel;
  g_view.clock.SetTimed(g_view_launch.timed_playback);
  g_view.clock.SetSpeed(g_view_launch.speed);
  if (g_view_launch.hold_frame) g_view.clock.HoldAt(g_view_launch.frame);
  if (g_view_launch.lighting) ToggleLighting();
}

bool HandleViewKey(WPARAM key) {
  if (key == 0) return false;
  for (const ViewAction& action : VIEW_ACTIONS) {
    if (action.key == key || action.other_key == key) {
      action.run();
      return true;
    }
  }
  return false;
}

bool HandleViewCommand(WORD command) {
  if (command == 0) return false;
  for (const ViewAction& action : VIEW_ACTIONS) {
    if (action.command == command) {
      action.run();
      return true;
    }
  }
  return false;
}

const char* KeyHelpText() { return KEY_HELP; }

ViewOptionResult ParseViewOption(const char* option, const char* value, ViewLaunch* launch, std::string* error) {
  if (std::strcmp(option, "--panel") == 0) {
    launch->panel = true;
    return ViewOptionResult::FLAG;
  }
  if (std::strcmp(option, "--lighting") == 0) {
    launch->lighting = true;
    return ViewOptionResult::FLAG;
  }
  const bool takes_value = std::strcmp(option, "--view") == 0 || std::strcmp(option, "--frame") == 0 ||
                           std::strcmp(option, "--speed") == 0;
  if (!takes_value) return ViewOptionResult::NOT_VIEW_OPTION;
  if (value == nullptr || value[0] == '\0') {
    *error = std::string(option) + " needs a value";
    return ViewOptionResult::ERROR;
  }
  if (std::strcmp(option, "--view") == 0) {
    if (ParseViewMode(value, &launch->mode)) return ViewOptionResult::TAKEN;
    *error = "--view needs normal, lightmaps, textures or wireframe";
  } else if (std::strcmp(option, "--frame") == 0) {
    if (ParseFrame(value, &launch->frame)) {
      launch->hold_frame = true;
      return ViewOptionResult::TAKEN;
    }
    *error = "--frame needs a frame number from 0";
  } else {
    if (ParseSpeed(value, &launch->speed)) return ViewOptionResult::TAKEN;
    *error = "--speed needs a number from 1/8 to 8, such as 0.5, 1/4 or 2";
  }
  return ViewOptionResult::ERROR;
}
