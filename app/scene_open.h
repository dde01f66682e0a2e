// Opening scene files for the user: at start-up and from File/Open. A path that cannot be opened (no
// such file, a folder, unreadable) is named with the reason instead of leaving an empty window, and
// File/Open replaces the loaded scene only once the new file has been read as a scene, so a text file
// chosen by mistake leaves the user with the scene they had.
#pragma once

#include <string>

struct AseScene;

// Why the file at path cannot be opened for reading, in words for the user ("there is no such file");
// an empty string when it can be.
std::string SceneOpenProblem(const char* path);
// The words the user is shown for such a path: "Cannot open "path": why."
std::string CannotOpenText(const char* path, const std::string& why);

// Why a file that opens is still no scene, in words for the user: "it is not a scene file (it is
// empty)", or a byte-order mark alone, UTF-32 text, or no header.
std::string NotASceneReason(const char* path);

// Reads the scene at path with its skin weights into a new scene, beside whatever is loaded; null, with
// why in words for the user, when the file cannot be opened or is no scene.
AseScene* ReadScene(const char* path, std::string* why);
// Puts a scene that ReadScene gave in place of the loaded one (if any) and shows it: its bitmaps and
// lights on the device, its animation loaded and playing, its name in the title. Needs a renderer.
void ShowScene(AseScene* fresh, const char* path);

// File/Open: reads the scene at path with its skin weights and animation (playing, as at start-up),
// and when it is a scene, destroys the loaded one and applies the new one; the title then names the
// file. Otherwise shows one "Report" box naming the path and why, and changes nothing. Needs a renderer.
bool ReplaceScene(const char* path);

// "KESTREL - name.ase" in the main window's title bar; the path is remembered as the opened scene's.
void NameSceneInTitle(const char* path);
