// Entry point of kestrel_sse and kestrel_scalar: reads the command line, decides between a window and
// a headless run, starts the viewer and, headless, prints what the run achieved.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/scene_info.h"
#include "app/view_keys.h"
#include "app/win_main.h"
#include "lightmap/relight_threads.h"
#include "lightmap/texel_routine.h"
#include "render/renderer.h"

namespace {

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

// Tried before any frame is rendered, so that a run never ends with its picture lost. An empty file
// left by the try is removed again.
std::string ScreenshotProblem(const char* path) {
  struct stat status;
  const bool existed = stat(path, &status) == 0;
  if (existed && S_ISDIR(status.st_mode)) return "it is a folder";
  FILE* file = std::fopen(path, "ab");
  if (file == nullptr) return std::strerror(errno);
  std::fclose(file);
  if (!existed) std::remove(path);
  return "";
}

int ExitStatus() {
  switch (g_run_failure) {
    case RunFailure::NONE:
      return 0;
    case RunFailure::BAD_PRESELECTION:
      std::fprintf(stderr, "kestrel: %s\n", g_run_failure_text.c_str());
      return 2;
    case RunFailure::NO_SCENE:  // already named when it happened
      return 1;
    case RunFailure::SCREENSHOT:
      std::fprintf(stderr, "kestrel: %s\n", g_run_failure_text.c_str());
      return 1;
  }
  return 1;
}

int RunViewer(CommandLine& command) {
  const bool headless = command.force_headless || !HasDisplay();
  if (headless) {
    // The offscreen driver renders through EGL without any display; a caller's own choice stands.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!command.frames_given) command.launch.frame_limit = HEADLESS_FRAMES;
    if (command.launch.screenshot_path == nullptr) command.launch.screenshot_path = HEADLESS_SCREENSHOT;
    command.launch.end_without_scene = true;
  }
  if (command.launch.screenshot_path != nullptr) {
    const std::string problem = ScreenshotProblem(command.launch.screenshot_path);
    if (!problem.empty()) {
      std::fprintf(stderr, "kestrel: cannot write the screenshot \"%s\": %s\n", command.launch.screenshot_path,
                   problem.c_str());
      return 1;
    }
  }
  // The relight's threads are made once, before the first scene is lit, and live for the whole run.
  const unsigned asked = command.relight_threads != 0 ? command.relight_threads : OnlineCoreCount();
  if (!StartRelightThreads(asked)) {
    std::fprintf(stderr, "kestrel: cannot start %u relight threads; relighting on one\n", asked);
  }
  g_launch_options = command.launch;
  g_view_launch = command.view;
  g_view_launch.timed_playback = !headless;
  QueuePickerPreselection(command.launch, headless);

  const auto start = std::chrono::steady_clock::now();
  WinMain(nullptr, nullptr, nullptr, 1);
  const double elapsed_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const unsigned threads = RelightThreadCount();
  StopRelightThreads();
  if (headless && g_run_failure != RunFailure::NO_SCENE && g_run_failure != RunFailure::BAD_PRESELECTION) {
    const double average = elapsed_s > 0.0 ? g_frames_rendered / elapsed_s : 0.0;
    const double relight_ms =
        g_animation_step_count != 0 ? g_animation_step_total_us / 1000.0 / g_animation_step_count : 0.0;
    std::printf("kestrel: %u frames in %.2f s, %.1f frames per second on average, last \"FPS %u\", "
                "%.3f ms per frame animating and relighting (%s, %u relight threads)\n",
                g_frames_rendered, elapsed_s, average, static_cast<unsigned>(g_last_fps), relight_ms, TexelRoutineName(),
                threads);
  }
  return ExitStatus();
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine command = ParseCommandLine(argc, argv);
  switch (command.action) {
    case CommandLineAction::SHOW_HELP:
      std::fputs(UsageText(), stdout);
      return 0;
    case CommandLineAction::SHOW_VERSION:
      std::printf("kestrel %s (texel routine: %s)\n", KESTREL_VERSION, TexelRoutineName());
      return 0;
    case CommandLineAction::SHOW_INFO:
      // No window and no device: any message the load shows goes to standard error.
      setenv("SDL_VIDEODRIVER", "offscreen", 0);
      return PrintSceneInfo(command.info_path);
    case CommandLineAction::USAGE_ERROR:
      std::fprintf(stderr, "kestrel: %s\n", command.error.c_str());
      return 2;
    case CommandLineAction::RUN:
      break;
  }
  return RunViewer(command);
}
