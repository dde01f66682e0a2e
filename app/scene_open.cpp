#include "app/scene_open.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
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

std::string NotASceneReason(const char* path) {
  FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
  uint8_t head[4] = {};
  size_t got = 0;
  bool more = false;
  if (file != nullptr) {
    got = std::fread(head, 1, sizeof(head), file);
    more = got == sizeof(head) && std::fgetc(file) != EOF;
    std::fclose(file);
  }
  const bool utf8_mark = got >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF;
  const bool utf16_mark = got >= 2 && ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF));
  // UTF-32 puts three zero bytes beside every character of a scene's text, after its mark or without one.
  const uint32_t little = head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24;
  const uint32_t big = head[3] | head[2] << 8 | head[1] << 16 | static_cast<uint32_t>(head[0]) << 24;
  const bool utf32 = got == 4 && (little == 0xFEFF || big == 0xFEFF || (little != 0 && little < 0x80) ||
                                  (big != 0 && big < 0x80));
  std::string why;
  if (got == 0) {
    why = "it is empty";
  } else if (utf32) {
    why = "it is UTF-32 text, which is not read; save it as UTF-8 or UTF-16";
  } else if (!more && ((utf8_mark && got == 3) || (utf16_mark && got == 2))) {
    why = "it holds only a byte-order mark";
  } else {
    why = "it does not begin with *3DSMAX_ASCIIEXPORT";
  }
  return "it is not a scene file (" + why + ")";
}

AseScene* ReadScene(const char* path, std::string* why) {
  *why = SceneOpenProblem(path);
  if (!why->empty()) return nullptr;
  AseScene* fresh = new AseScene();
  if (LoadScene(fresh, path)) return fresh;
  *why = fresh->IsLoaded() ? NotASceneReason(path) : "it cannot be read";
  delete fresh;
  return nullptr;
}

void ShowScene(AseScene* fresh, const char* path) {
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
}

bool ReplaceScene(const char* path) {
  if (g_renderer == nullptr) return false;
  // Read beside the loaded scene, so that a file that is no scene costs the user nothing.
  std::string why;
  AseScene* fresh = ReadScene(path, &why);
  if (fresh == nullptr) {
    ReportPath(path, why);
    return false;
  }
  ShowScene(fresh, path);
  return true;
}

void NameSceneInTitle(const char* path) {
  RememberOpenedScene(path);
  const std::string title = "KESTREL - " + std::filesystem::path(path).filename().string();
  SetWindowTextA(g_main_window, title.c_str());
}
