// The files one scene load reads (the scene file, its skin weight side file, every bitmap its materials
// name, in every place a bitmap is looked for), kept so that no report written into the working folder
// replaces one of them. Files are told apart by what they are, not by how their paths are spelled: a file
// that exists by its device and inode (so another spelling, a link or a hard link of it is caught), and
// any path by its folder's device and inode and its name (so a report never becomes a side file or a
// bitmap that is missing today and would be read at the next load). A path whose folder cannot be looked
// at protects only what exists.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class InputFiles {
 public:
  // role says what the file is to the user, for the note on standard error ("the scene file").
  void Add(const std::string& path, const std::string& role);
  void Clear() { inputs_.clear(); }

  // Where to write the report file_name (a name in the working folder): the name itself when it is none
  // of the inputs; otherwise the first of "stem-report.ext", "stem-report-2.ext", ... that is none,
  // said on standard error. Empty (also said) in the unlikely case that every try names an input.
  std::string ReportPath(const std::string& file_name) const;

  struct Identity {
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
  };

 private:
  struct Input {
    Identity file;  // known when the file exists
    Identity folder;  // known when its folder exists
    std::string name;  // the part after the last '/'
    std::string path;
    std::string role;
  };
  // The input that path would write over, or null.
  const Input* Hit(const std::string& path) const;

  std::vector<Input> inputs_;
};
