// Finding and reading the files that a scene names (material bitmaps). Scenes are usually written on
// another machine, so a name such as "C:\maps\wall.tif" is tried in three places: as written with '\'
// taken as a separator, then its file-name part in the scene file's folder, then that file-name part in
// the working directory. The first regular file found wins; callers keep the name as written.
// Reading never throws: a missing file, a read error, a file above the size limit or a failed
// allocation all give false with the output left untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Larger image files are refused rather than read into memory: a texture of the 16-bit sides the cache
// holds is far smaller, and it bounds what a hostile file can make the readers allocate.
constexpr size_t MAX_SCENE_FILE_BYTES = 256u << 20;

// Remembers the folder of the scene file at scene_path for the second lookup; null or a bare file name
// means "no folder" (the lookup is skipped). Written by the scene setup before it loads a scene and
// its bitmaps; read only by ResolveScenePath.
void SetScenePath(const char* scene_path);

// The folder part of a scene path, with '/' as its separator and ending in one ("" for a bare name).
std::string SceneFolderOf(const char* scene_path);
// The places to look for a name read from a scene in scene_folder (SceneFolderOf), in the order tried.
std::vector<std::string> ScenePathCandidates(const char* name, const std::string& scene_folder);

// The path to open for a name read from a scene, or an empty string when none of the three places holds
// a regular file of that name. A place whose path would be longer than the system allows is named in a
// "Report" box and passed over.
std::string ResolveScenePath(const char* name);

// Resolves name and reads the whole file into bytes.
bool ReadSceneFile(const char* name, std::vector<uint8_t>& bytes);
