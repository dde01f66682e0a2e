#include "render/scene_panel.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "animation/animation_set.h"
#include "lightmap/lightmap.h"
#include "render/renderer.h"
#include "render/view_modes.h"
#include "scene/ase_scene.h"
#include "texture/picture.h"
#include "texture/resolve_path.h"

namespace {

constexpr int PANEL_LEFT_PX = 10;
constexpr int PANEL_TOP_PX = 40;  // below the "FPS" figure
constexpr int LINE_HEIGHT_PX = 24;  // the text font's line, at the size the device context draws it
constexpr int INDENT = 2;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// The file-name part, as the title bar shows it; names from the file may use either separator.
const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* c = path; *c != '\0'; ++c) {
    if (*c == '/' || *c == '\\') name = c + 1;
  }
  return name;
}

void AppendMaterialLine(const Material& material, const std::string& label, std::vector<std::string>* lines) {
  if (material.bitmap_name[0] == '\0') {
    lines->push_back(std::string(INDENT, ' ') + label + ": no texture");
    return;
  }
  lines->push_back(std::string(INDENT, ' ') + label + ": " + FileNamePart(material.bitmap_name) + " (" +
                   TextureStatusName(TextureStatusOf(material.bitmap_name)) + ")");
}

// Cameras keep no name of their own; their transform's name is the file's name for them too.
std::string NodeLabel(const SceneNode* node, const char* kind, int number) {
  if (node->name[0] != '\0') return node->name;
  if (node->node_tms[0].node_name[0] != '\0') return node->node_tms[0].node_name;
  return Format("%s %d", kind, number);
}

// Tiles and texture that faces take once lit: the tiles of a built lightmap, otherwise what a build
// without the device's size limits would make.
size_t LightmapBytes(const GroupLightmap* lightmap, uint32_t face_count, uint32_t object_face_count) {
  if (lightmap != nullptr) {
    size_t bytes = 0;
    // A group too large for one draw has one lightmap per slice.
    for (uint32_t k = 0; k < LightmapSliceCount(face_count); ++k) {
      bytes += size_t{lightmap[k].tile_count} * sizeof(LightmapTile);
      if (lightmap[k].surface != nullptr) bytes += size_t{lightmap[k].surface_width} * lightmap[k].surface_height * 2;
    }
    return bytes;
  }
  const LightmapLayout layout =
      ChooseLightmapLayout(0, 0, 0, LIGHTMAP_TILE_SIZE, LIGHTMAP_TILE_SIZE, face_count, object_face_count);
  return size_t{face_count} * sizeof(LightmapTile) + size_t{layout.width} * layout.height * 2;
}

// What the panel was last built for; a scene at the same address with other contents is another one.
struct PanelKey {
  const AseScene* scene = nullptr;
  const AnimationSet* animation = nullptr;
  uint16_t objects = 0;
  uint8_t materials = 0, lights = 0, cameras = 0;
  char path[NAME_SIZE] = {};
  bool operator==(const PanelKey& other) const {
    return scene == other.scene && animation == other.animation && objects == other.objects &&
           materials == other.materials && lights == other.lights && cameras == other.cameras &&
           std::strcmp(path, other.path) == 0;
  }
};

PanelKey KeyOf(const AseScene& scene) {
  PanelKey key;
  key.scene = &scene;
  key.animation = scene.current_animation;
  key.objects = scene.geom_object_count;
  key.materials = scene.material_count;
  key.lights = scene.light_count;
  key.cameras = scene.camera_count;
  std::memcpy(key.path, scene.file_path, sizeof key.path);
  return key;
}

// Built once per scene and reused, so that a frame with the panel allocates nothing once built.
struct PanelCache {
  PanelKey key;
  std::vector<std::string> lines;
  char playback[96] = {};
  std::string block;  // what is drawn, rebuilt each frame in the same storage
};
PanelCache g_panel;

// The whole block in one call, so that the panel costs two draws (its box and its letters) whatever
// its length.
void DrawBlock(Renderer* renderer, const char* text, int length) {
  HDC dc = nullptr;
  if (length <= 0 || renderer->back_buffer == nullptr || renderer->back_buffer->GetDC(&dc) != S_OK) return;
  // Black on the context's white box: readable over any scene, lit or dark.
  SetBkMode(dc, OPAQUE);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT at = {PANEL_LEFT_PX, PANEL_TOP_PX, 0, 0};
  DrawTextA(dc, text, length, &at, DT_LEFT | DT_TOP | DT_NOCLIP);
  renderer->back_buffer->ReleaseDC(dc);
}

// The length of the text's first rows lines, without the last one's line break.
int LengthOfLines(const char* text, int rows) {
  const char* end = text;
  for (int row = 0; *end != '\0'; ++end) {
    if (*end == '\n' && ++row == rows) break;
  }
  return static_cast<int>(end - text);
}

}  // namespace

TextureFileStatus TextureStatusOf(const char* bitmap_name) {
  if (ResolveScenePath(bitmap_name).empty()) return TextureFileStatus::MISSING;
  return HasPictureReader(bitmap_name) ? TextureFileStatus::FOUND : TextureFileStatus::NOT_SUPPORTED;
}

const char* TextureStatusName(TextureFileStatus status) {
  switch (status) {
    case TextureFileStatus::FOUND:
      return "found";
    case TextureFileStatus::MISSING:
      return "missing";
    case TextureFileStatus::NOT_SUPPORTED:
      return "not supported";
  }
  return "missing";
}

size_t LightmapMemoryBytes(const AseScene& scene) {
  size_t bytes = 0;
  for (const GeomObject* object = scene.geom_objects; object != nullptr; object = NextNode(object)) {
    // An object without a material has its one group only once the device gives it the default one.
    if (object->face_groups == nullptr) bytes += LightmapBytes(nullptr, object->face_count, object->face_count);
    const FaceGroup* group = object->face_groups;
    for (int i = 0; i < object->face_group_count && group != nullptr; ++i, group = group->next) {
      bytes += LightmapBytes(group->lightmap, group->face_count, object->face_count);
    }
  }
  return bytes;
}

void AppendSceneLines(const AseScene& scene, std::vector<std::string>* lines) {
  uint64_t faces = 0, vertices = 0;
  for (const GeomObject* object = scene.geom_objects; object != nullptr; object = NextNode(object)) {
    faces += object->face_count;
    vertices += object->vertex_count;
  }
  lines->push_back(std::string("scene ") + FileNamePart(scene.file_path));
  lines->push_back(Format("objects %u, faces %llu, vertices %llu", static_cast<unsigned>(scene.geom_object_count),
                          static_cast<unsigned long long>(faces), static_cast<unsigned long long>(vertices)));
  lines->push_back(Format("materials %u", static_cast<unsigned>(scene.material_count)));
  for (int m = 0; m < scene.material_count && scene.materials != nullptr; ++m) {
    const Material& material = scene.materials[m];
    AppendMaterialLine(material, Format("material %d", m), lines);
    for (int s = 0; s < material.submaterial_count && material.submaterials != nullptr; ++s) {
      AppendMaterialLine(material.submaterials[s], Format("material %d.%d", m, s), lines);
    }
  }
  lines->push_back(Format("lights %u", static_cast<unsigned>(scene.light_count)));
  int number = 0;
  for (const LightObject* light = scene.lights; light != nullptr; light = NextNode(light)) {
    const Vector3& at = light->node_tms[0].pos;
    const float* rgb = light->light_colour;
    lines->push_back(Format("%*s%s at %.1f %.1f %.1f, colour %.2f %.2f %.2f", INDENT, "",
                            NodeLabel(light, "light", ++number).c_str(), at.x, at.y, at.z, rgb[0], rgb[1], rgb[2]));
  }
  lines->push_back(Format("cameras %u", static_cast<unsigned>(scene.camera_count)));
  number = 0;
  for (const CameraObject* camera = scene.cameras; camera != nullptr; camera = NextNode(camera)) {
    const Vector3& at = camera->node_tms[0].pos;
    lines->push_back(Format("%*s%s at %.1f %.1f %.1f", INDENT, "", NodeLabel(camera, "camera", ++number).c_str(), at.x,
                            at.y, at.z));
  }
  const AnimationSet* set = scene.current_animation;
  if (set == nullptr) {
    lines->push_back("no animation");
  } else {
    const bool own_speed = set->frame_speed > 0;
    lines->push_back(Format("frames %d to %u, %d frames per second%s", set->first_frame, set->last_frame,
                            own_speed ? set->frame_speed : DEFAULT_FRAME_SPEED, own_speed ? "" : " (none in the file)"));
  }
  // One tile per triangle.
  lines->push_back(Format("lightmaps %llu tiles, %.1f KiB", static_cast<unsigned long long>(faces),
                          static_cast<double>(LightmapMemoryBytes(scene)) / 1024.0));
}

void FormatPlaybackLine(const AseScene& scene, const PlaybackClock& clock, char* out, int size) {
  char speed[32];
  FormatSpeed(clock.Speed(), speed, sizeof speed);
  const char* state = scene.current_animation == nullptr ? ", nothing to play"
                      : clock.IsPaused()                 ? ", paused"
                                                         : "";
  std::snprintf(out, static_cast<size_t>(size), "frame %u, speed %s%s", clock.CurrentFrame(), speed, state);
}

int PanelRowsThatFit(int client_height_px) {
  const int rows = (client_height_px - PANEL_TOP_PX) / LINE_HEIGHT_PX - 1;
  return rows > 1 ? rows : 1;
}

void DrawViewOverlays(Renderer* renderer) {
  if (renderer == nullptr || (!g_view.panel_shown && !g_view.cheatsheet_shown)) return;
  const int rows = PanelRowsThatFit(static_cast<int>(renderer->target_rect.bottom - renderer->target_rect.top));
  if (g_view.cheatsheet_shown) {
    if (g_view.cheatsheet != nullptr) DrawBlock(renderer, g_view.cheatsheet, LengthOfLines(g_view.cheatsheet, rows + 1));
    return;
  }
  if (g_scene == nullptr) return;
  const PanelKey key = KeyOf(*g_scene);
  if (!(key == g_panel.key) || g_panel.lines.empty()) {
    g_panel.key = key;
    g_panel.lines.clear();
    AppendSceneLines(*g_scene, &g_panel.lines);
  }
  // The playback line stays in view at the bottom while the scene's lines scroll above it.
  const int scene_rows = rows - 1 > 0 ? rows - 1 : 1;
  const int count = static_cast<int>(g_panel.lines.size());
  const int most = count - scene_rows;
  if (g_view.panel_scroll > most) g_view.panel_scroll = most;
  if (g_view.panel_scroll < 0) g_view.panel_scroll = 0;
  std::string& block = g_panel.block;
  block.clear();
  for (int i = g_view.panel_scroll; i < count && i < g_view.panel_scroll + scene_rows; ++i) {
    block += g_panel.lines[static_cast<size_t>(i)];
    block += '\n';
  }
  FormatPlaybackLine(*g_scene, g_view.clock, g_panel.playback, sizeof g_panel.playback);
  block += g_panel.playback;
  if (most > 0) block += "  ([ ] scroll)";
  DrawBlock(renderer, block.c_str(), static_cast<int>(block.size()));
}
