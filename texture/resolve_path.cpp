#include "texture/resolve_path.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

#include "math/math3d.h"

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

void SetScenePath(const char* scene_path) {
  g_scene_folder.clear();
  if (scene_path == nullptr) return;
  const std::string folder_and_name = WithForwardSlashes(scene_path);
  const std::string name = FileNamePart(scene_path);
  g_scene_folder = folder_and_name.substr(0, folder_and_name.size() - name.size());
}

std::string ResolveScenePath(const char* name) {
  if (name == nullptr || name[0] == '\0') return std::string();
  const std::string as_written = WithForwardSlashes(name);
  if (IsRegularFile(as_written)) return as_written;
  const std::string file_name = FileNamePart(name);
  if (file_name.empty()) return std::string();
  if (!g_scene_folder.empty()) {
    const std::string in_scene_folder = g_scene_folder + file_name;
    if (IsRegularFile(in_scene_folder)) return in_scene_folder;
  }
  if (IsRegularFile(file_name)) return file_name;
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
