// What the viewer shows and how: the view mode (the scene as drawn, its lightmaps alone on white, its
// textures alone, or its edges), the scene panel and the key cheatsheet over it, and the animation's
// clock. One process-wide record, written by the keys, the menus and the command line (app/) and read
// by the frame (render/). Unknown mode names parse to false and change nothing.
#pragma once

#include <cstdint>

#include "platform/d3d.h"
#include "render/playback_clock.h"

struct FaceGroup;

enum class ViewMode { NORMAL, LIGHTMAPS, TEXTURES, WIREFRAME };
constexpr int VIEW_MODE_COUNT = 4;

struct ViewState {
  ViewMode mode = ViewMode::NORMAL;
  bool panel_shown = false;
  bool cheatsheet_shown = false;
  int panel_scroll = 0;  // first panel line shown; the panel clamps it to its lines
  const char* cheatsheet = nullptr;  // the keys, one per line; given by the shell at start-up
  PlaybackClock clock;
};

// The one view; its defaults draw every frame as the viewer always has.
extern ViewState g_view;

// "normal", "lightmaps", "textures", "wireframe".
const char* ViewModeName(ViewMode mode);
bool ParseViewMode(const char* name, ViewMode* out);

// Render state the mode needs for the whole scene, set before its groups are drawn and undone after,
// so that overlays and the next frame start from the device's usual state.
void BeginViewMode(IDirect3DDevice7* device, ViewMode mode);
void EndViewMode(IDirect3DDevice7* device, ViewMode mode);
// Binds the group's texture and the lightmap of one of its slices as the mode shows them: a stage left
// empty reads as white.
void BindGroupTextures(IDirect3DDevice7* device, const FaceGroup* group, uint32_t slice, ViewMode mode);
