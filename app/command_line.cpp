#include "app/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/test_hooks.h"
#include "resources/resource_ids.h"

namespace {

// More relight threads than this would only share the same cores.
constexpr long MAX_RELIGHT_THREADS = 1024;

// Whole decimal numbers only: "12x", "-3" and values past the 32-bit range are refused, not cut.
bool ParseCount(const char* text, long max, long* out) {
  if (text == nullptr || *text < '0' || *text > '9') return false;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || value > max) return false;
  *out = value;
  return true;
}

}  // namespace

const char* UsageText() {
  static const std::string text = std::string(
         "usage: kestrel [--scene PATH] [--frames N] [--screenshot FILE.png] [--headless]\n"
         "               [--device N] [--mode N] [--view MODE] [--frame N] [--speed X]\n"
         "               [--panel] [--lighting] [--watch] [--threads N] [--info SCENE]\n"
         "               [--help] [--version] [SCENE]\n"
         "  SCENE, --scene PATH   start on this scene (and its animation) instead of light.ase\n"
         "  --frames N            quit after N frames (headless: 300 unless given)\n"
         "  --screenshot FILE.png write the last frame there (headless: kestrel.png)\n"
         "  --headless            render offscreen even where there is a display\n"
         "  --device N, --mode N  pick entry N (from 0) of the picker's Devices and Modes lists\n"
         "  --view MODE           normal, lightmaps (alone, on white), textures (alone), wireframe\n"
         "  --frame N             show animation frame N, paused\n"
         "  --speed X             play X times as fast, 1/8 to 8 (headless: X frames per frame)\n"
         "  --panel               show the scene panel; --lighting: Direct3D lighting on\n"
         "  --watch               open the scene again whenever its file changes, keeping the view\n"
         "  --threads N           relight on N threads (default: every online core)\n"
         "  --info SCENE          print what the scene holds and exit, without a window\n"
         "  --help, --version     this text; the version and texel routine\n"
         "In a window the animation plays at the scene's own frame speed; headless runs show\n"
         "  one animation frame per rendered frame.\n"
         "Mouse: left drag turns the view around its target and raises or lowers the eye;\n"
         "  right drag moves the eye nearer or further; the wheel zooms towards the target.\n") +
         KeyHelpText() +
         "Exit status: 0, 1 when the scene or the screenshot cannot be opened, 2 for bad usage.\n";
  return text.c_str();
}

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine result;
  auto fail = [&result](const std::string& text) {
    result.action = CommandLineAction::USAGE_ERROR;
    result.error = text;
    return result;
  };
  bool options_ended = false;
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    // A plain argument is the scene, as file viewers take it; after "--" even one that begins with '-'.
    const bool plain = options_ended || option[0] != '-' || option[1] == '\0';
    if (plain || std::strcmp(option, "--scene") == 0) {
      const char* scene = plain ? option : value;
      if (scene == nullptr || scene[0] == '\0') return fail(plain ? "the scene's name is empty" : "--scene needs a value");
      if (result.launch.scene_named) {
        return fail(std::string("only one scene can be opened; '") + scene + "' is a second one");
      }
      result.launch.scene_named = true;
      result.launch.scene_path = scene;
      if (!plain) ++i;
      continue;
    }
    if (std::strcmp(option, "--") == 0) {
      options_ended = true;
      continue;
    }
    if (std::strcmp(option, "--help") == 0) {
      result.action = CommandLineAction::SHOW_HELP;
      return result;
    }
    if (std::strcmp(option, "--version") == 0) {
      result.action = CommandLineAction::SHOW_VERSION;
      return result;
    }
    if (std::strcmp(option, "--headless") == 0) {
      result.force_headless = true;
      continue;
    }
    std::string view_error;
    switch (ParseViewOption(option, value, &result.view, &view_error)) {
      case ViewOptionResult::ERROR:
        return fail(view_error);
      case ViewOptionResult::TAKEN:
        ++i;
        continue;
      case ViewOptionResult::FLAG:
        continue;
      case ViewOptionResult::NOT_VIEW_OPTION:
        break;
    }
    if (std::strcmp(option, "--info") == 0) {
      if (value == nullptr || value[0] == '\0') return fail("--info needs a scene file");
      result.action = CommandLineAction::SHOW_INFO;
      result.info_path = value;
      return result;
    }
    if (std::strcmp(option, "--watch") == 0) {
      result.launch.watch = true;
      continue;
    }
    const bool takes_value = std::strcmp(option, "--frames") == 0 ||
                             std::strcmp(option, "--screenshot") == 0 || std::strcmp(option, "--device") == 0 ||
                             std::strcmp(option, "--mode") == 0 || std::strcmp(option, "--threads") == 0;
    if (!takes_value) return fail(std::string("unknown option '") + option + "' (try --help)");
    if (value == nullptr || value[0] == '\0') return fail(std::string(option) + " needs a value");
    ++i;
    long number = 0;
    if (std::strcmp(option, "--screenshot") == 0) {
      result.launch.screenshot_path = value;
    } else if (std::strcmp(option, "--frames") == 0) {
      if (!ParseCount(value, 0x7FFFFFFFL, &number) || number == 0) return fail("--frames needs a number above 0");
      result.launch.frame_limit = static_cast<uint32_t>(number);
      result.frames_given = true;
    } else if (std::strcmp(option, "--threads") == 0) {
      if (!ParseCount(value, MAX_RELIGHT_THREADS, &number) || number == 0) {
        return fail("--threads needs a number from 1 to " + std::to_string(MAX_RELIGHT_THREADS));
      }
      result.relight_threads = static_cast<unsigned>(number);
    } else if (!ParseCount(value, 0xFFFF, &number)) {
      return fail(std::string(option) + " needs a number from 0 to 65535");
    } else if (std::strcmp(option, "--device") == 0) {
      result.launch.device_index = static_cast<int32_t>(number);
    } else {
      result.launch.mode_index = static_cast<int32_t>(number);
    }
  }
  return result;
}

void QueuePickerPreselection(const LaunchOptions& launch, bool confirm) {
  std::vector<DialogAnswerStep> steps;
  if (launch.device_index >= 0) steps.push_back(DialogAnswerStep::Select(IDC_DEVICE_LIST, launch.device_index));
  if (launch.mode_index >= 0) steps.push_back(DialogAnswerStep::Select(IDC_MODE_LIST, launch.mode_index));
  if (steps.empty()) return;
  if (confirm) steps.push_back(DialogAnswerStep::Ok());
  QueueDialogAnswer(steps);
}
