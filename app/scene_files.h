// The files around the opened scene: its neighbours in its folder for next and previous, whether a
// file being written by an exporter is whole yet, and the stamps --watch compares. Nothing here opens
// a scene; each answer is a path or a yes/no for the one open path to act on. A folder or file that
// cannot be read gives an empty answer, never an error of its own.
#pragma once

#include <cstdint>
#include <string>

// The scene file `step` places after (positive) or before (negative) current among the ".ase" files
// of its folder (the extension in any case), in name order ignoring case, going round at the ends. A
// current file deleted meanwhile still has its place by name. Empty when no other such file is there.
std::string NeighbourSceneFile(const std::string& current, int step);

// True when the file holds a scene that an exporter has finished writing: it starts with the scene
// header and every brace it opens is closed again. A file cut off mid-write fails this.
bool SceneFileLooksWhole(const char* path);

// Size and modification time, to notice that a file changed; exists false when it cannot be stat'ed.
struct FileStamp {
  bool exists = false;
  int64_t size_bytes = 0;
  int64_t modified_ns = 0;
  bool operator==(const FileStamp& other) const {
    return exists == other.exists && size_bytes == other.size_bytes && modified_ns == other.modified_ns;
  }
  bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp StampOf(const char* path);

// "kestrel-N.png" with the lowest N from 1 that names no file yet in folder, with the folder in front
// unless it is empty.
std::string FreeScreenshotName(const std::string& folder);
