#include "tools/lib_scene_generator.h"

#include <gtest/gtest.h>

#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

// Later benchmarks and fuzz seeds trust that the generator's scene is what its options say.
TEST(SceneGenerator, GeneratedSceneLoadsAsItsOptionsDescribe) {
  ScopedTempDir dir;
  SceneGeneratorOptions options;
  options.object_count = 7;
  options.faces_per_object = 33;  // odd: the last quad is cut in half
  options.material_count = 3;
  options.submaterial_count = 2;
  options.light_count = 2;
  options.camera_count = 2;
  options.animation_keys = 3;
  options.parent_chain = 3;
  AseScene scene;
  ASSERT_TRUE(LoadSceneText(&scene, GenerateSceneText(options)));
  EXPECT_EQ(scene.geom_object_count, 7);
  EXPECT_EQ(scene.material_count, 3);
  EXPECT_EQ(scene.materials[1].submaterial_count, 2);
  EXPECT_EQ(scene.materials[0].has_bitmap, 1);
  EXPECT_EQ(scene.light_count, 2);
  EXPECT_EQ(scene.camera_count, 2);
  EXPECT_EQ(scene.top_object_count, 3) << "objects 0, 3 and 6 start the parent chains";
  uint32_t index = 0;
  for (const GeomObject* object = scene.geom_objects; object != nullptr; object = NextNode(object), ++index) {
    SCOPED_TRACE(object->name);
    EXPECT_EQ(object->face_count, 33u);
    EXPECT_EQ(object->material_index, index % 3);
    uint32_t grouped = 0;
    for (const FaceGroup* g = object->face_groups; g != nullptr; g = g->next) grouped += g->face_count;
    EXPECT_EQ(grouped, 33u) << "every face names existing vertices and sub-materials";
    EXPECT_EQ(object->face_group_count, index % 3 == 1 ? 2 : 1);
  }
  EXPECT_STRNE(scene.lights->next->node_tms[1].node_name, "") << "later lights have targets";
}

TEST(SceneGenerator, SameOptionsSameBytesLimitsClampedSizeMet) {
  SceneGeneratorOptions options;
  options.object_count = 2;
  options.faces_per_object = 20;
  EXPECT_EQ(GenerateSceneText(options), GenerateSceneText(options));

  ScopedTempDir dir;
  SceneGeneratorOptions huge;
  huge.object_count = 1;
  huge.faces_per_object = 70000;
  huge.material_count = 300;
  huge.submaterial_count = 0;
  AseScene scene;
  ASSERT_TRUE(LoadSceneText(&scene, GenerateSceneText(huge)));
  EXPECT_EQ(scene.geom_objects->face_count, 70000u);
  EXPECT_EQ(scene.material_count, 255);

  options.faces_per_object = 100;
  const size_t target = 2u << 20;
  const size_t size = GenerateSceneText(OptionsForSize(target, options)).size();
  EXPECT_GT(size, target * 95 / 100);
  EXPECT_LT(size, target * 105 / 100);
}
