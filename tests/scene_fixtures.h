// Scene fixtures shared by the scene import tests: a rich handmade scene (materials with sub-materials
// and bitmaps, a target camera, a target light and a plain one, objects with parents, animation blocks
// that must be skipped) and a helper that loads a scene text through the real file path.
#pragma once

#include <string>

struct AseScene;

extern const char RICH_SCENE[];

// The header line every fixture needs, followed by body.
std::string WithHeader(const std::string& body);

// Writes text to file_name in the working directory (a ScopedTempDir) and loads it with LoadScene;
// returns LoadScene's result.
bool LoadSceneText(AseScene* scene, const std::string& text, const std::string& file_name = "scene.ase");
