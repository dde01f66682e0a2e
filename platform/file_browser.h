// The model behind the Open dialog, apart from its drawing: the caller's filter pairs, the folder being
// looked at with its folders and matching files, and what a typed name and Open do (walk into a
// folder, take a wildcard as the filter, or choose a file, checked against OFN_PATHMUSTEXIST and
// OFN_FILEMUSTEXIST). Names match filters without regard to case, as on the file systems the filters
// were written for. A folder that cannot be read lists nothing; nothing here throws.
#pragma once

#include <string>
#include <vector>

#include "platform/commdlg.h"

struct FileFilter {
  std::string description;
  std::string patterns;  // ';'-separated, for example "*.ASE" or "*.tga;*.tif"
};

// The zero-separated description/pattern pairs of OPENFILENAMEA.lpstrFilter, up to the empty string
// that ends them (at most 64 pairs; a description without its pattern is dropped).
std::vector<FileFilter> ParseFilterPairs(const char* filter);
// "*" and "?" wildcards; a pattern ending in ".*" also matches names without an extension, as "*.*" does.
bool MatchesFilePattern(const std::string& name, const std::string& patterns);

// Empty when `path` may be chosen under `flags`, else the warning to show.
std::string CheckChosenPath(const std::string& path, DWORD flags);

struct BrowserEntry {
  std::string name;
  bool is_folder;
};

class FileBrowser {
 public:
  FileBrowser(std::vector<FileFilter> filters, int filter_index, const std::string& folder, DWORD flags,
              const std::string& default_extension);

  const std::string& folder() const { return folder_; }
  const std::vector<BrowserEntry>& entries() const { return entries_; }
  const std::vector<FileFilter>& filters() const { return filters_; }
  int filter_index() const { return filter_index_; }
  bool AtRoot() const;

  void SetFilter(int index);
  bool EnterFolder(const std::string& name);
  bool Up();

  enum class Outcome { NOTHING, LISTED, CHOSEN, REFUSED };
  // The user typed `text` into the name field and pressed Open. CHOSEN fills `chosen_path` (absolute),
  // REFUSED fills `message`; LISTED means the view changed (a folder was entered or a wildcard taken).
  Outcome Submit(const std::string& text, std::string* chosen_path, std::string* message);

 private:
  void Refresh();

  std::vector<FileFilter> filters_;
  int filter_index_;
  std::string typed_pattern_;  // a wildcard the user typed, in force until the filter changes
  std::string folder_;
  DWORD flags_;
  std::string default_extension_;
  std::vector<BrowserEntry> entries_;
};
