#include "scene/ase_reader.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "scene/ase_reader_internal.h"
#include "scene/renderable_build.h"
#include "scene/scene_report.h"
#include "skin/skin_reader.h"

namespace {

constexpr const char* HEADER_KEYWORD = "*3DSMAX_ASCIIEXPORT";
constexpr const char* REPORT_FILE_NAME = "test.txt";

void CloseStreams(AseScene* scene) {
  if (scene->report_file != nullptr) std::fclose(scene->report_file);
  scene->report_file = nullptr;
  scene->scene_file = nullptr;
}

}  // namespace

int32_t ReadInt(TextStream& stream) {
  int32_t value = 0;
  stream.Scan("%d", &value);
  return value;
}

float ReadFloat(TextStream& stream) {
  float value = 0;
  stream.Scan("%f", &value);
  return value;
}

Vector3 ReadVector3(TextStream& stream) {
  Vector3 value = {0, 0, 0};
  stream.Scan("%f %f %f", &value.x, &value.y, &value.z);
  return value;
}

bool LoadScene(AseScene* scene, const char* path) {
  if (scene == nullptr) return false;
  if (path == nullptr || path[0] == '\0') {
    scene->loaded = 0;
    return false;
  }
  // The whole file is held in memory for the length of the load only.
  TextStream stream;
  if (!stream.Open(path)) {
    scene->loaded = 0;
    return false;
  }
  scene->loaded = 1;
  scene->scene_file = &stream;

  char token[TOKEN_SIZE];
  if (!stream.ReadToken(token) || !MatchKeyword(token, HEADER_KEYWORD)) {
    CloseStreams(scene);
    return false;
  }
  // The field is 128 bytes; a longer path is cut so that it stays terminated.
  std::memset(scene->file_path, 0, sizeof(scene->file_path));
  std::strncpy(scene->file_path, path, sizeof(scene->file_path) - 1);

  ReadSceneBlocks(scene);
  // Every file the scene reads is known, and the side file read, before the first report is written,
  // so that no report replaces one of them.
  ListSceneInputs(scene, path);
  // Skin weights must be on the meshes before the build binds them, and the report prints what the
  // build produced.
  LoadSkinWeights(scene, path);
  BuildRenderables(scene);
  const std::string report_path = scene->input_files.ReportPath(REPORT_FILE_NAME);
  scene->report_file = report_path.empty() ? nullptr : std::fopen(report_path.c_str(), "wt");
  WriteSceneReport(scene);
  CloseStreams(scene);
  return true;
}

bool ReadSceneBlocks(AseScene* scene) {
  if (scene == nullptr || scene->scene_file == nullptr) return false;
  TextStream& stream = *scene->scene_file;
  char token[TOKEN_SIZE];
  // The top level counts no braces: a desynchronised block ends at the next top-level keyword.
  while (stream.ReadToken(token)) {
    if (MatchKeyword(token, "*GEOMOBJECT")) {
      ReadGeomObject(scene);
    } else if (MatchKeyword(token, "*MATERIAL_LIST")) {
      ReadMaterialList(scene);
    } else if (MatchKeyword(token, "*LIGHTOBJECT")) {
      ReadLightObject(scene);
    } else if (MatchKeyword(token, "*CAMERAOBJECT")) {
      ReadCameraObject(scene);
    }
  }
  return false;
}

bool SkipBlock(AseScene* scene) {
  if (scene == nullptr || scene->scene_file == nullptr) return false;
  return ReadBlock(*scene->scene_file, [](const char*) {});
}
