// The skin-weight side file on arbitrary text, read against a scene held in memory that has two meshes
// (one textured, so the split copies weights) and a chain of bones, then bound and built as a load
// would do, so that whatever weights the reader leaves are also consumed.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "scene/ase_scene.h"
#include "scene/renderable_build.h"
#include "skin/skin_reader.h"
#include "tests/scene_fixtures.h"

namespace {

void BuildSkinScene(AseScene& scene) {
  GeomObject* body = AddGeomObject(scene, "Body", "Hip");
  SetVertices(body, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}});
  SetFaces(body, {0, 1, 2, 0, 2, 3, 3, 4, 5}, {0, 1, 0});
  SetTextureMapping(body, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 1, 2, 3, 2, 1, 0, 0, 0});
  GeomObject* arm = AddGeomObject(scene, "Arm", "Spine");
  SetVertices(arm, {{2, 0, 0}, {3, 0, 0}, {3, 1, 0}});
  SetFaces(arm, {0, 1, 2});
  GeomObject* hip = AddGeomObject(scene, "Hip");
  SetTranslation(hip, {0, 0, 1});
  GeomObject* spine = AddGeomObject(scene, "Spine", "Hip");
  SetTranslation(spine, {0, 0, 2});
  AddGeomObject(scene, "Head", "Spine");
  AddGeomObject(scene, "Bone with a long name and spaces", "Head");
  SetMaterials(scene, 1, 2);
  AddLight(scene, {5, 5, 5});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteFuzzInput("scene.txt", data, size);
  ScopedBoxCapture boxes;
  AseScene scene;
  BuildSkinScene(scene);
  // Relative to the work folder: the reports are written there too.
  LoadSkinWeights(&scene, "scene.ase");
  BuildRenderables(&scene);
  return 0;
}
