// The files one scene load reads (the scene file, its skin weight side file, every bitmap its materials
// name, in every place a bitmap is looked for), kept so that no report written into the working folder
// replaces one of them. Files are told apart by what they are, not by how their paths are spelled: a file
// that exists by its device and inode (so another spelling, a link or a hard link of it is caught), and
// any path by its folder's device and inode and its name (so a report never becomes a side file or a
// bitmap that is missing today and would be read at the next load). A path whose folder cannot be looked
// at protects only what exists.
#pragma once

#include <sys/types.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

struct AseScene;

class InputFiles {
 public:
  // role says what the file is to the user, for the note on standard error ("the scene file").
  void Add(const std::string& path, const std::string& role);

  // Where to write the report file_name (a name in the working folder): the name itself when it is none
  // of the inputs; otherwise the first of "stem-report.ext", "stem-report-2.ext", ... that is none,
  // said on standard error. Empty (also said) in the unlikely case that every try names an input.
  std::string ReportPath(const std::string& file_name) const;

  // Off for a load that only looks (the viewer's --info): every report is then left unwritten, silently.
  bool write_reports = true;

  struct Identity {
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
  };

 private:
  struct Input {
    std::string path;
    std::string role;
  };
  using FileKey = std::pair<dev_t, ino_t>;
  using PlaceKey = std::tuple<dev_t, ino_t, std::string>;  // the folder's device and inode, the name
  // The input that path would write over, or null.
  const Input* Hit(const std::string& path) const;

  // A scene names the same bitmap many times and may name thousands: each path is looked at once, and
  // a report's name is looked up, not compared with every input.
  std::vector<Input> inputs_;
  std::set<std::string> paths_added_;
  std::map<FileKey, size_t> files_;  // index into inputs_
  std::map<PlaceKey, size_t> places_;
};

// Adds the scene file at path and every place where a bitmap its materials name would be looked for to
// the scene's input_files (the skin reader adds the side file itself).
void ListSceneInputs(AseScene* scene, const char* path);
