// The File menu's commands beyond Open and their keys: next and previous scene file of the opened
// scene's folder (Page Down, Page Up), reload (F5), a numbered picture of the window (F12), Exit
// (Ctrl+Q; Alt+F4 too), Ctrl+O for Open, a file dropped on the window, and --watch. Every way of
// opening ends in ReplaceScene, so each fails the one way File/Open does: a box, and the scene stays.
#pragma once

#include <string>

#include "platform/win32.h"

// True when the command or key was one of these and has been handled.
bool RunFileCommand(HWND window, WORD command_id);
bool RunFileKey(HWND window, WPARAM virtual_key);
// WM_DROPFILES: opens the first file dropped, then frees the drop.
void OpenDroppedFiles(HDROP drop);

// The scene last opened (start-up or any replace), by the path it was opened with; empty before one.
const std::string& OpenedScenePath();
void RememberOpenedScene(const char* path);

// Opens the opened scene's file again, keeping the view the user has. With whole_only, a file that is
// not whole yet (still being written) is left alone and false returned.
bool ReloadOpenedScene(bool whole_only);
// With --watch, called by the loop between frames: looks at the file a few times a second and
// reloads once it has changed and stayed the same for one look and reads whole.
void WatchOpenedScene();

// Frames: the picture key asks for the next presented frame, which the loop then saves.
void BeforeFrame();
void AfterFrame();

// The start-up scene: the one named, or else "light.ase" in the working folder, or else the default
// scene installed beside the program (bin/../share/kestrel/light.ase) when there is one.
std::string StartUpScenePath(const char* path, bool named);
