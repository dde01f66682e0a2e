#include "app/scene_info.h"

#include <cstdio>
#include <string>
#include <vector>

#include "animation/animation_set.h"
#include "app/scene_open.h"
#include "render/playback_clock.h"
#include "render/scene_panel.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "texture/resolve_path.h"

int PrintSceneInfo(const char* path) {
  const std::string problem = SceneOpenProblem(path);
  if (!problem.empty()) {
    std::fprintf(stderr, "kestrel: %s\n", CannotOpenText(path, problem).c_str());
    return 1;
  }
  AseScene scene;
  // Asking what a file holds leaves no reports behind in the working folder.
  scene.input_files.write_reports = false;
  if (!LoadScene(&scene, path)) {
    std::fprintf(stderr, "kestrel: %s\n",
                 CannotOpenText(path, "it is not a scene file (it does not begin with *3DSMAX_ASCIIEXPORT)").c_str());
    return 1;
  }
  SetScenePath(path);
  LoadAnimation(&scene, path);
  std::vector<std::string> lines;
  AppendSceneLines(scene, &lines);
  // The clock a viewer would start with.
  PlaybackClock clock;
  char playback[96];
  FormatPlaybackLine(scene, clock, playback, sizeof playback);
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::printf("%s\n", playback);
  return 0;
}
