#include "scene/input_files.h"

#include <sys/stat.h>

#include <cstdio>

#include "scene/ase_scene.h"
#include "texture/resolve_path.h"

namespace {

struct SplitPath {
  std::string folder;
  std::string name;
};

SplitPath Split(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

using Identity = InputFiles::Identity;

Identity IdentityOf(const std::string& path) {
  Identity identity;
  struct stat status;
  if (!path.empty() && stat(path.c_str(), &status) == 0) {
    identity.known = true;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
  }
  return identity;
}

// "test.txt" gives "test-report.txt" for try 1 and "test-report-2.txt" for try 2; a name without an
// extension gets the suffix at its end.
std::string ReportNameForTry(const std::string& file_name, int attempt) {
  const size_t dot = file_name.find_last_of('.');
  const bool has_extension = dot != std::string::npos && dot != 0;
  const std::string stem = has_extension ? file_name.substr(0, dot) : file_name;
  const std::string extension = has_extension ? file_name.substr(dot) : "";
  return stem + "-report" + (attempt > 1 ? "-" + std::to_string(attempt) : "") + extension;
}

void ListMaterialBitmaps(InputFiles& inputs, const Material& material, const std::string& scene_folder) {
  if (material.bitmap_name[0] != '\0') {
    for (const std::string& place : ScenePathCandidates(material.bitmap_name, scene_folder)) {
      inputs.Add(place, "the bitmap");
    }
  }
  for (int i = 0; material.submaterials != nullptr && i < material.submaterial_count; ++i) {
    ListMaterialBitmaps(inputs, material.submaterials[i], scene_folder);
  }
}

}  // namespace

void ListSceneInputs(AseScene* scene, const char* path) {
  scene->input_files.Add(path, "the scene file");
  const std::string scene_folder = SceneFolderOf(path);
  for (int i = 0; scene->materials != nullptr && i < scene->material_count; ++i) {
    ListMaterialBitmaps(scene->input_files, scene->materials[i], scene_folder);
  }
}

void InputFiles::Add(const std::string& path, const std::string& role) {
  if (path.empty() || !paths_added_.insert(path).second) return;
  const size_t index = inputs_.size();
  inputs_.push_back(Input{path, role});
  const SplitPath split = Split(path);
  const Identity file = IdentityOf(path);
  if (file.known) files_.emplace(FileKey(file.device, file.inode), index);
  const Identity folder = IdentityOf(split.folder);
  if (folder.known) places_.emplace(PlaceKey(folder.device, folder.inode, split.name), index);
}

const InputFiles::Input* InputFiles::Hit(const std::string& path) const {
  const Identity file = IdentityOf(path);
  if (file.known) {
    const auto found = files_.find(FileKey(file.device, file.inode));
    if (found != files_.end()) return &inputs_[found->second];
  }
  const SplitPath split = Split(path);
  const Identity folder = IdentityOf(split.folder);
  if (folder.known) {
    const auto found = places_.find(PlaceKey(folder.device, folder.inode, split.name));
    if (found != places_.end()) return &inputs_[found->second];
  }
  return nullptr;
}

std::string InputFiles::ReportPath(const std::string& file_name) const {
  if (!write_reports) return std::string();
  const Input* hit = Hit(file_name);
  if (hit == nullptr) return file_name;
  // Each input can turn away only the names that are it, so this many tries find a free name unless
  // the folder is full of links to the inputs.
  const int tries = static_cast<int>(inputs_.size()) + 8;
  for (int attempt = 1; attempt <= tries; ++attempt) {
    const std::string other = ReportNameForTry(file_name, attempt);
    if (Hit(other) != nullptr) continue;
    std::fprintf(stderr, "kestrel: the report \"%s\" is written to \"%s\" instead, so as not to replace %s \"%s\"\n",
                 file_name.c_str(), other.c_str(), hit->role.c_str(), hit->path.c_str());
    return other;
  }
  std::fprintf(stderr, "kestrel: the report \"%s\" is not written, so as not to replace %s \"%s\"\n",
               file_name.c_str(), hit->role.c_str(), hit->path.c_str());
  return std::string();
}
