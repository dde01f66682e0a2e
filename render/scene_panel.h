// The scene panel: what the loaded file holds (counts, materials and their texture files, lights,
// cameras, frames, lightmap memory) and where playback stands, as lines of plain text. The same lines
// are drawn over the picture in a window and printed by --info. Building them reads the scene only;
// a scene without animation, materials or lights says so instead of leaving a line out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct AseScene;
class PlaybackClock;
class Renderer;

// Whether a texture file named by a material can be shown: looked up where the viewer looks for it
// (resolved beside the scene last given to SetScenePath).
enum class TextureFileStatus { FOUND, MISSING, NOT_SUPPORTED };
TextureFileStatus TextureStatusOf(const char* bitmap_name);
const char* TextureStatusName(TextureFileStatus status);

// Lightmap memory: the tile records and their textures; a group whose texture was never made counts
// the texture its tiles would take.
size_t LightmapMemoryBytes(const AseScene& scene);

// The panel's lines about the file itself, which change only with the scene.
void AppendSceneLines(const AseScene& scene, std::vector<std::string>* lines);
// The panel's playback line, the current frame and the playback speed, written into out (size bytes).
void FormatPlaybackLine(const AseScene& scene, const PlaybackClock& clock, char* out, int size);

// Lines drawn per frame at most; longer panels scroll with the panel keys.
int PanelRowsThatFit(int client_height_px);
// Draws the panel or the cheatsheet (whichever g_view shows; the cheatsheet wins) over the back
// buffer through the device context's text calls. The scene lines are built once per scene.
void DrawViewOverlays(Renderer* renderer);
