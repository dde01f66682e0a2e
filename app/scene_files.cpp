#include "app/scene_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Case-blind first, so that "B.ase" sits between "a.ase" and "c.ase"; the bytes break ties so that
// the order is total and "A.ase" and "a.ase" both keep a place.
bool NameBefore(const std::string& a, const std::string& b) {
  const std::string la = Lowered(a), lb = Lowered(b);
  return la != lb ? la < lb : a < b;
}

bool IsSceneName(const fs::path& name) { return Lowered(name.extension().string()) == ".ase"; }

}  // namespace

std::string NeighbourSceneFile(const std::string& current, int step) {
  if (current.empty() || step == 0) return "";
  const fs::path current_path(current);
  const fs::path folder = current_path.has_parent_path() ? current_path.parent_path() : fs::path(".");
  const std::string current_name = current_path.filename().string();
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code type_error;
    if (!it->is_regular_file(type_error) || !IsSceneName(it->path().filename())) continue;
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), NameBefore);
  // Where current stands (or would stand, when it is gone) among the others.
  const auto at = std::lower_bound(names.begin(), names.end(), current_name, NameBefore);
  const bool present = at != names.end() && *at == current_name;
  const long count = static_cast<long>(names.size()) - (present ? 1 : 0);
  if (count <= 0) return "";
  std::vector<std::string> others(names.begin(), names.end());
  if (present) others.erase(others.begin() + (at - names.begin()));
  // Index of the first other name after current's place; stepping forward from current lands there.
  const long after = at - names.begin();
  const long forward = step > 0 ? step - 1 : step;
  long index = (after + forward) % count;
  if (index < 0) index += count;
  const fs::path chosen = current_path.has_parent_path() ? folder / others[static_cast<size_t>(index)]
                                                         : fs::path(others[static_cast<size_t>(index)]);
  return chosen.string();
}

bool SceneFileLooksWhole(const char* path) {
  FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
  if (file == nullptr) return false;
  // Braces inside quoted names do not count; a quote stays open only to the end of its line.
  long depth = 0;
  bool quoted = false;
  bool any_block = false;
  bool sound = true;
  std::string head;
  for (int c = std::fgetc(file); c != EOF && sound; c = std::fgetc(file)) {
    if (head.size() < 64 && c != 0) head.push_back(static_cast<char>(c));
    if (c == '"') quoted = !quoted;
    if (c == '\n') quoted = false;
    if (quoted) continue;
    if (c == '{') {
      ++depth;
      any_block = true;
    } else if (c == '}') {
      sound = --depth >= 0;
    }
  }
  std::fclose(file);
  const bool headed = head.find("*3DSMAX_ASCIIEXPORT") != std::string::npos;
  return sound && headed && any_block && depth == 0;
}

FileStamp StampOf(const char* path) {
  FileStamp stamp;
  struct stat status;
  if (path == nullptr || stat(path, &status) != 0) return stamp;
  stamp.exists = true;
  stamp.size_bytes = static_cast<int64_t>(status.st_size);
  stamp.modified_ns = static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
  return stamp;
}

std::string FreeScreenshotName(const std::string& folder) {
  const fs::path base = folder.empty() ? fs::path() : fs::path(folder);
  for (unsigned number = 1;; ++number) {
    const fs::path candidate = base / ("kestrel-" + std::to_string(number) + ".png");
    std::error_code error;
    if (!fs::exists(candidate, error) && !error) return candidate.string();
    if (number == 100000) return candidate.string();  // a folder this full gets the last one overwritten
  }
}
