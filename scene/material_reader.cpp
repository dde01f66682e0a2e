#include <cstring>

#include "math/zeroed_array.h"
#include "scene/ase_reader.h"
#include "scene/ase_reader_internal.h"

namespace {

// The shortest sub-material block, "*SUBMATERIAL 0 { }".
constexpr size_t MIN_SUBMATERIAL_BYTES = 18;

void ReleaseMaterialTable(AseScene* scene) {
  for (int i = 0; i < scene->material_count && scene->materials != nullptr; ++i) {
    DestroySubMaterials(scene->materials[i]);
  }
  DeleteArray(scene->materials);
  scene->material_count = 0;
}

void ReadColour(TextStream& stream, D3DCOLORVALUE* colour) {
  const Vector3 rgb = ReadVector3(stream);
  colour->r = rgb.x;
  colour->g = rgb.y;
  colour->b = rgb.z;
}

}  // namespace

bool ReadMaterialList(AseScene* scene) {
  TextStream& stream = *scene->scene_file;
  return ReadBlock(stream, [&](const char* token) {
    if (MatchKeywordExact(token, "*MATERIAL_COUNT")) {
      const uint8_t count = static_cast<uint8_t>(ReadInt(stream));
      if (count == 0) return;
      // A second count replaces the table; the old one goes with every sub-material it owns.
      ReleaseMaterialTable(scene);
      scene->materials = NewZeroedArray<Material>(count);
      if (scene->materials != nullptr) scene->material_count = count;
    } else if (MatchKeywordExact(token, "*MATERIAL")) {
      const uint8_t index = static_cast<uint8_t>(ReadInt(stream));
      if (index < scene->material_count) {
        ReadMaterial(scene, &scene->materials[index]);
      } else {
        SkipBlock(scene);
      }
    }
  });
}

bool ReadMaterial(AseScene* scene, Material* entry, int depth) {
  if (entry == nullptr) return false;
  // A block read again for the same entry must not strand the sub-materials of the first reading.
  DestroySubMaterials(*entry);
  *entry = Material();
  TextStream& stream = *scene->scene_file;
  return ReadBlock(stream, [&](const char* token) {
    if (MatchKeyword(token, "*MATERIAL_AMBIENT")) {
      ReadColour(stream, &entry->ambient);
    } else if (MatchKeyword(token, "*MATERIAL_DIFFUSE")) {
      ReadColour(stream, &entry->diffuse);
    } else if (MatchKeyword(token, "*MATERIAL_SPECULAR")) {
      ReadColour(stream, &entry->specular);
    } else if (MatchKeyword(token, "*MATERIAL_EMISSIVE")) {
      ReadColour(stream, &entry->emissive);
    } else if (MatchKeyword(token, "*NUMSUBMTLS")) {
      // Each level can ask for 255 entries of 332 bytes in a few bytes of text; a count the rest of the
      // file cannot back leaves the entry without sub-materials.
      const uint8_t count = static_cast<uint8_t>(ReadInt(stream));
      AllocateSubMaterials(entry, RestCanList(stream, count, MIN_SUBMATERIAL_BYTES) ? count : 0);
    } else if (MatchKeyword(token, "*SUBMATERIAL")) {
      const uint8_t index = static_cast<uint8_t>(ReadInt(stream));
      // A block with no entry to fill is skipped whole: walked by this loop, its colours and counts
      // would land in the parent. Nesting is bounded so that a hostile file cannot exhaust the stack.
      if (index >= entry->submaterial_count || depth + 1 > MAX_SUBMATERIAL_DEPTH) {
        SkipBlock(scene);
      } else {
        ReadMaterial(scene, &entry->submaterials[index], depth + 1);
      }
    } else if (MatchKeyword(token, "*MAP_AMBIENT") || MatchKeyword(token, "*MAP_DIFFUSE") ||
               MatchKeyword(token, "*MAP_SPECULAR")) {
      ReadMapBitmap(scene, entry);
    }
  });
}

void AllocateSubMaterials(Material* entry, int count) {
  if (entry == nullptr) return;
  DestroySubMaterials(*entry);
  if (count <= 0 || count > UINT8_MAX) return;
  entry->submaterials = NewZeroedArray<Material>(static_cast<size_t>(count));
  if (entry->submaterials != nullptr) entry->submaterial_count = static_cast<uint8_t>(count);
}

bool ReadMapBitmap(AseScene* scene, Material* entry) {
  TextStream& stream = *scene->scene_file;
  return ReadBlock(stream, [&](const char* token) {
    if (!MatchKeywordExact(token, "*BITMAP")) return;
    // The three map kinds share one name: the last one read wins, whole.
    char name[TOKEN_SIZE];
    ReadQuotedName(stream, name);
    if (entry == nullptr) return;
    std::memset(entry->bitmap_name, 0, sizeof(entry->bitmap_name));
    std::memcpy(entry->bitmap_name, name, sizeof(name));
    entry->has_bitmap = 1;
  });
}
