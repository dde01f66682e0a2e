#include "texture/resolve_path.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "math/math3d.h"
#include "platform/report.h"

namespace {

// Written by SetScenePath (the scene setup); read by ResolveScenePath. One UI thread.
std::string g_scene_folder;

std::string WithForwardSlashes(const char* path) {
  std::string converted(path);
  for (char& c : converted) {
    if (c == '\\') c = '/';
  }
  return converted;
}

// The part after the last separator of either kind. FileNameFromPath splits at backslashes only, so the
// path is handed to it with every separator spelled that way.
std::string FileNamePart(const char* path) {
  std::string backslashed(path);
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  std::vector<char> name(backslashed.size() + 1, '\0');
  FileNameFromPath(name.data(), backslashed.c_str());
  return std::string(name.data());
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::string SceneFolderOf(const char* scene_path) {
  if (scene_path == nullptr) return std::string();
  const std::string folder_and_name = WithForwardSlashes(scene_path);
  const std::string name = FileNamePart(scene_path);
  return folder_and_name.substr(0, folder_and_name.size() - name.size());
}

void SetScenePath(const char* scene_path) { g_scene_folder = SceneFolderOf(scene_path); }

std::vector<std::string> ScenePathCandidates(const char* name, const std::string& scene_folder) {
  std::vector<std::string> candidates;
  if (name == nullptr || name[0] == '\0') return candidates;
  candidates.push_back(WithForwardSlashes(name));
  const std::string file_name = FileNamePart(name);
  if (file_name.empty()) return candidates;
  if (!scene_folder.empty()) candidates.push_back(scene_folder + file_name);
  candidates.push_back(file_name);
  return candidates;
}

std::string ResolveScenePath(const char* name) {
  for (const std::string& candidate : ScenePathCandidates(name, g_scene_folder)) {
    // A scene deep in the folder tree can make its folder and a long bitmap name together longer than
    // any path the system opens; the user learns which one, rather than finding the bitmap missing.
    if (candidate.size() >= PATH_MAX) {
      ShowReport(("Cannot look for the bitmap \"" + std::string(name) + "\" at \"" + candidate +
                  "\": the path is longer than the system allows (" + std::to_string(PATH_MAX - 1) + " bytes).")
                     .c_str());
      continue;
    }
    if (IsRegularFile(candidate)) return candidate;
  }
  return std::string();
}

bool ReadSceneFile(const char* name, std::vector<uint8_t>& bytes) {
  const std::string path = ResolveScenePath(name);
  if (path.empty()) return false;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::vector<uint8_t> contents;
  bool ok = true;
  uint8_t chunk[65536];
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof(chunk), file);
    if (got == 0) break;
    if (contents.size() + got > MAX_SCENE_FILE_BYTES) {
      ok = false;
      break;
    }
    try {
      contents.insert(contents.end(), chunk, chunk + got);
    } catch (const std::bad_alloc&) {
      ok = false;
      break;
    }
  }
  if (std::ferror(file)) ok = false;
  std::fclose(file);
  if (!ok) return false;
  bytes.swap(contents);
  return true;
}
