#include "platform/file_browser.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const int FILTER_PAIR_LIMIT = 64;

bool WildcardMatch(const char* name, const char* pattern) {
  // Iterative matching with one backtrack point: linear in practice, never recursive.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    char p = static_cast<char>(std::tolower(static_cast<unsigned char>(*pattern)));
    char n = static_cast<char>(std::tolower(static_cast<unsigned char>(*name)));
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern != '\0' && (*pattern == '?' || p == n)) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool LessNoCase(const BrowserEntry& a, const BrowserEntry& b) {
  if (a.is_folder != b.is_folder) return a.is_folder;
  return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
}

}  // namespace

std::vector<FileFilter> ParseFilterPairs(const char* filter) {
  std::vector<FileFilter> filters;
  if (filter == nullptr) return filters;
  const char* at = filter;
  while (*at != '\0' && static_cast<int>(filters.size()) < FILTER_PAIR_LIMIT) {
    std::string description = at;
    at += description.size() + 1;
    if (*at == '\0') break;
    std::string patterns = at;
    at += patterns.size() + 1;
    filters.push_back(FileFilter{description, patterns});
  }
  return filters;
}

bool MatchesFilePattern(const std::string& name, const std::string& patterns) {
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string pattern = patterns.substr(start, end - start);
    pattern.erase(0, pattern.find_first_not_of(' '));
    pattern.erase(pattern.find_last_not_of(' ') + 1);
    if (!pattern.empty()) {
      if (WildcardMatch(name.c_str(), pattern.c_str())) return true;
      if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
          name.find('.') == std::string::npos &&
          WildcardMatch(name.c_str(), pattern.substr(0, pattern.size() - 2).c_str())) {
        return true;
      }
    }
    start = end + 1;
  }
  return false;
}

std::string CheckChosenPath(const std::string& path, DWORD flags) {
  std::error_code error;
  fs::path chosen(path);
  fs::path parent = chosen.parent_path();
  if ((flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) != 0 && !parent.empty() && !IsFolder(parent)) {
    return path + "\nPath does not exist.\nCheck the path and try again.";
  }
  if ((flags & OFN_FILEMUSTEXIST) != 0 && (!fs::exists(chosen, error) || IsFolder(chosen))) {
    return path + "\nFile not found.\nCheck the file name and try again.";
  }
  return std::string();
}

FileBrowser::FileBrowser(std::vector<FileFilter> filters, int filter_index, const std::string& folder, DWORD flags,
                         const std::string& default_extension)
    : filters_(std::move(filters)), filter_index_(0), flags_(flags), default_extension_(default_extension) {
  if (filter_index >= 0 && filter_index < static_cast<int>(filters_.size())) filter_index_ = filter_index;
  std::error_code error;
  fs::path start = folder.empty() ? fs::current_path(error) : fs::absolute(folder, error);
  if (error || !IsFolder(start)) start = fs::current_path(error);
  folder_ = start.lexically_normal().string();
  Refresh();
}

bool FileBrowser::AtRoot() const { return fs::path(folder_) == fs::path(folder_).root_path(); }

void FileBrowser::SetFilter(int index) {
  if (index < 0 || index >= static_cast<int>(filters_.size())) return;
  filter_index_ = index;
  typed_pattern_.clear();
  Refresh();
}

bool FileBrowser::EnterFolder(const std::string& name) {
  if (name == "..") return Up();
  fs::path next = fs::path(folder_) / name;
  if (name.empty() || !IsFolder(next)) return false;
  folder_ = next.lexically_normal().string();
  Refresh();
  return true;
}

bool FileBrowser::Up() {
  if (AtRoot()) return false;
  fs::path folder(folder_);
  if (!folder.has_filename()) folder = folder.parent_path();  // a trailing separator
  folder_ = folder.parent_path().lexically_normal().string();
  Refresh();
  return true;
}

FileBrowser::Outcome FileBrowser::Submit(const std::string& text, std::string* chosen_path, std::string* message) {
  std::string typed = text;
  typed.erase(0, typed.find_first_not_of(' '));
  typed.erase(typed.find_last_not_of(' ') + 1);
  if (typed.empty()) return Outcome::NOTHING;
  std::replace(typed.begin(), typed.end(), '\\', '/');
  fs::path path = fs::path(typed).is_absolute() ? fs::path(typed) : fs::path(folder_) / typed;
  path = path.lexically_normal();
  std::string leaf = path.filename().string();
  if (HasWildcard(leaf)) {
    fs::path parent = path.parent_path();
    if (!IsFolder(parent)) {
      *message = path.string() + "\nPath does not exist.\nCheck the path and try again.";
      return Outcome::REFUSED;
    }
    folder_ = parent.string();
    typed_pattern_ = leaf;
    Refresh();
    return Outcome::LISTED;
  }
  if (IsFolder(path)) {
    folder_ = path.string();
    Refresh();
    return Outcome::LISTED;
  }
  std::error_code error;
  if (!default_extension_.empty() && !path.has_extension() && !fs::exists(path, error)) {
    path += "." + default_extension_;
  }
  std::string refusal = CheckChosenPath(path.string(), flags_);
  if (!refusal.empty()) {
    *message = refusal;
    return Outcome::REFUSED;
  }
  *chosen_path = path.string();
  return Outcome::CHOSEN;
}

void FileBrowser::Refresh() {
  entries_.clear();
  const std::string patterns =
      !typed_pattern_.empty() ? typed_pattern_ : filters_.empty() ? "*.*" : filters_[filter_index_].patterns;
  std::error_code error;
  fs::directory_iterator it(folder_, fs::directory_options::skip_permission_denied, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code kind_error;
    bool is_folder = it->is_directory(kind_error);
    if (is_folder || MatchesFilePattern(name, patterns)) entries_.push_back(BrowserEntry{name, is_folder});
  }
  std::sort(entries_.begin(), entries_.end(), LessNoCase);
}
