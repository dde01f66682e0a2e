// --info: what a scene file holds, printed as the scene panel's lines, without a window or a device.
// Loading writes the load's usual reports into the working directory, as any load does.
#pragma once

// Prints the lines to standard output and returns 0; returns 1 after one line on standard error when
// the file cannot be opened or is no scene.
int PrintSceneInfo(const char* path);
