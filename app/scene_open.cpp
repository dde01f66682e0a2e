#include "app/scene_open.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "animation/animation_eval.h"
#include "animation/animation_set.h"
#include "app/file_commands.h"
#include "app/win_main.h"
#include "platform/report.h"
#include "render/renderer.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "texture/resolve_path.h"
#include "texture/texture_cache.h"

namespace {

void ReportPath(const char* path, const std::string& why) { ShowReport(CannotOpenText(path, why).c_str()); }

// The old scene's lights stay enabled on the device unless switched off; the new scene's lights then
// take the indices from 0 again.
void ForgetDeviceLights() {
  IDirect3DDevice7* device = g_renderer->GetDevice();
  for (DWORD index = 0; device != nullptr && index < g_renderer->next_light_index; ++index) {
    device->LightEnable(index, FALSE);
  }
  g_renderer->next_light_index = 0;
}

}  // namespace

std::string SceneOpenProblem(const char* path) {
  if (path == nullptr || path[0] == '\0') return "no file was named";
  struct stat status;
  if (stat(path, &status) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? "there is no such file" : std::strerror(errno);
  }
  if (S_ISDIR(status.st_mode)) return "it is a folder";
  if (!S_ISREG(status.st_mode)) return "it is not a regular file";
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return std::string("it cannot be read (") + std::strerror(errno) + ")";
  std::fclose(file);
  return "";
}

std::string CannotOpenText(const char* path, const std::string& why) {
  return std::string("Cannot open \"") + path + "\": " + why + ".";
}

bool ReplaceScene(const char* path) {
  if (g_renderer == nullptr) return false;
  const std::string problem = SceneOpenProblem(path);
  if (!problem.empty()) {
    ReportPath(path, problem);
    return false;
  }
  // Read beside the loaded scene, so that a file that is no scene costs the user nothing.
  AseScene* fresh = new AseScene();
  const bool read = LoadScene(fresh, path);
  if (!read) {
    ReportPath(path, fresh->IsLoaded() ? "it is not a scene file (it does not begin with *3DSMAX_ASCIIEXPORT)"
                                       : "it cannot be read");
    delete fresh;
    return false;
  }
  g_renderer->camera = nullptr;  // it points into the old scene
  delete g_scene;
  g_scene = fresh;
  // Cached bitmaps of the old scene would be found first under the same names.
  DestroyTextureCache();
  ForgetDeviceLights();
  SetScenePath(path);
  g_renderer->ApplyScene(fresh);
  animation_frame = 0;
  LoadAnimation(fresh, path);
  fresh->StartAnimation();
  NameSceneInTitle(path);
  return true;
}

void NameSceneInTitle(const char* path) {
  RememberOpenedScene(path);
  const std::string title = "KESTREL - " + std::filesystem::path(path).filename().string();
  SetWindowTextA(g_main_window, title.c_str());
}
