#include "skin/skin_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "math/zeroed_array.h"
#include "platform/report.h"
#include "scene/ase_scene.h"
#include "scene/text_stream.h"
#include "skin/skin_weights.h"

namespace {

constexpr char SIDE_FILE_SUFFIX[] = ".txt";
constexpr size_t REPLACED_SUFFIX_LENGTH = 4;  // the scene's own extension, whatever it is

// Gives entry an array of count zeroed influences, dropping what an earlier section left there.
// False (entry left empty) when count is 0 or the array cannot be had.
bool ResetInfluences(VertexWeights& entry, uint8_t count) {
  DeleteArray(entry.influences);
  entry.influence_count = 0;
  entry.influences = NewZeroedArray<BoneInfluence>(count);
  if (entry.influences == nullptr) return false;
  entry.influence_count = count;
  return true;
}

// The bone of one record; an unknown name tells the user once and ends the section.
GeomObject* FindBone(const AseScene* scene, const char* bone_name) {
  GeomObject* bone = scene->FindGeomObject(bone_name);
  if (bone == nullptr) {
    char message[TOKEN_SIZE + 32];
    std::snprintf(message, sizeof(message), "Fail To Search Bone : %s", bone_name);
    ShowReport(message);
  }
  return bone;
}

// Reads "one token, %d %s, quoted bone name, %f weight" as the records of both kinds begin (the
// "VERTEX" keyword is the leading token of its record and has been read already).
void ReadInfluenceRecord(TextStream& stream, char* bone_name, float* weight) {
  int32_t number = 0;
  char token[TOKEN_SIZE] = {};
  stream.Scan("%d %s", &number, token);
  ReadQuotedName(stream, bone_name);
  *weight = 0.0f;
  stream.Scan("%f", weight);
}

// The report lists every influence of every entry; one whose bone is unknown (a section abandoned part
// way) has no name to print and is left out.
bool WriteWeightReport(const AseScene* scene, const GeomObject* mesh) {
  // The mesh name comes from the file: a separator in it would put the report outside the working folder.
  if (std::strchr(mesh->name, '/') != nullptr) return false;
  const std::string report_path = scene->input_files.ReportPath(std::string(mesh->name) + SIDE_FILE_SUFFIX);
  if (report_path.empty()) return false;
  FILE* report = std::fopen(report_path.c_str(), "wt");
  if (report == nullptr) return false;
  for (uint32_t v = 0; v < mesh->vertex_count && mesh->vertex_weights != nullptr; ++v) {
    const VertexWeights& entry = mesh->vertex_weights[v];
    for (int k = 0; k < entry.influence_count; ++k) {
      const BoneInfluence& influence = entry.influences[k];
      if (influence.bone == nullptr) continue;
      std::fprintf(report, "VERTEX %d \"%s\"  Weight %f\n", static_cast<int>(v), influence.bone->name,
                   static_cast<double>(influence.weight));
    }
  }
  std::fclose(report);
  return true;
}

}  // namespace

bool ReadBoneSection(AseScene* scene, TextStream& stream, GeomObject* mesh) {
  if (scene == nullptr || mesh == nullptr) return false;
  if (mesh->vertex_weights == nullptr) mesh->vertex_weights = NewZeroedArray<VertexWeights>(mesh->vertex_count);
  // With no table (a mesh without vertices) every record is read and dropped, like records past the end.
  const uint32_t entry_limit = mesh->vertex_weights != nullptr ? mesh->vertex_count : 0;

  uint32_t entry = 0;
  BlockCounter braces;
  char token[TOKEN_SIZE];
  char bone_name[TOKEN_SIZE];
  for (;;) {
    if (!stream.ReadToken(token)) return false;
    const bool section_ends = braces.Count(token);

    if (MatchKeyword(token, "VERTEX")) {
      float weight = 0.0f;
      ReadInfluenceRecord(stream, bone_name, &weight);
      // Records past the table's end have no entry to go to; they are consumed and ignored.
      if (entry < entry_limit) {
        VertexWeights& target = mesh->vertex_weights[entry];
        if (ResetInfluences(target, 1)) target.influences[0].weight = weight;
        GeomObject* bone = FindBone(scene, bone_name);
        if (bone == nullptr) return false;
        if (target.influences != nullptr) target.influences[0].bone = bone;
        ++entry;
        mesh->weighted_vertex_count = entry;
      }
    } else if (MatchKeyword(token, "*BLEND_VERTEX")) {
      int32_t declared = 0;
      stream.Scan("%d", &declared);
      const uint8_t count = static_cast<uint8_t>(declared);
      VertexWeights* target = entry < entry_limit ? &mesh->vertex_weights[entry] : nullptr;
      if (target != nullptr && !ResetInfluences(*target, count)) target = nullptr;
      char skipped[TOKEN_SIZE];
      stream.ReadToken(skipped);
      bool closed_early = false;
      for (int i = 0; i < count; ++i) {
        if (!stream.ReadToken(skipped)) return false;
        // A count larger than the records that follow meets the record block's closing brace: the
        // influences read so far are the entry, and that brace is the token that ends the records.
        if (skipped[0] == '}') {
          if (target != nullptr) target->influence_count = static_cast<uint8_t>(i);
          closed_early = true;
          break;
        }
        float weight = 0.0f;
        ReadInfluenceRecord(stream, bone_name, &weight);
        float offset[3] = {};
        stream.Scan("%s %f %f %f", skipped, &offset[0], &offset[1], &offset[2]);
        if (target == nullptr) continue;
        target->influences[i].weight = weight;
        GeomObject* bone = FindBone(scene, bone_name);
        if (bone == nullptr) return false;
        target->influences[i].bone = bone;
      }
      if (!closed_early) stream.ReadToken(skipped);
      if (entry < entry_limit) {
        ++entry;
        mesh->weighted_vertex_count = entry;
      }
    }

    if (section_ends) return WriteWeightReport(scene, mesh);
  }
}

bool LoadSkinWeights(AseScene* scene, const char* scene_path) {
  if (scene == nullptr || scene_path == nullptr) return false;
  // A path too short to have four characters to replace has no side file; cutting it shorter still would
  // open some other file.
  const size_t path_length = std::strlen(scene_path);
  if (path_length < REPLACED_SUFFIX_LENGTH) {
    ShowReport(("No skin weights are looked for beside \"" + std::string(scene_path) +
                "\": the path is shorter than the four characters that the side file's name replaces.")
                   .c_str());
    return false;
  }
  // As long as the scene's own path, so it opens wherever the scene did.
  const std::string side_path = std::string(scene_path, path_length - REPLACED_SUFFIX_LENGTH) + SIDE_FILE_SUFFIX;
  scene->input_files.Add(side_path, "the scene's skin weight file");

  TextStream stream;
  if (!stream.Open(side_path.c_str())) return false;
  char token[TOKEN_SIZE];
  char mesh_name[TOKEN_SIZE];
  while (stream.ReadToken(token)) {
    if (!MatchKeyword(token, "*BONE")) continue;
    ReadQuotedName(stream, mesh_name);
    // A section for a mesh that is not in the scene is not skipped as a unit: its tokens pass through
    // this loop, where only another "*BONE" means anything.
    GeomObject* mesh = scene->FindGeomObject(mesh_name);
    if (mesh != nullptr) ReadBoneSection(scene, stream, mesh);
  }
  return true;
}
