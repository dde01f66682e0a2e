#include <gtest/gtest.h>

#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

// Lookups go through an index of the names, which must never outlive the list it was built from; how
// names match is among the load cases of tests/data/reader/build.txt.
TEST(SceneModel, TheNameIndexFollowsTheList) {
  ScopedTempDir dir;
  AseScene scene;
  EXPECT_EQ(scene.FindGeomObject("Box"), nullptr) << "an empty scene";
  EXPECT_EQ(scene.FindGeomObject(nullptr), nullptr);
  ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"Gone\" }")));
  scene.DestroyScene();
  EXPECT_EQ(scene.FindGeomObject("Gone"), nullptr);
  ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"Box\" }"
                                               " *GEOMOBJECT { *NODE_NAME \"Box01\" }")));
  EXPECT_EQ(scene.FindGeomObject("Gone"), nullptr);
  // Objects appended after a lookup are found too, and an earlier twin still wins.
  GeomObject* late = AddGeomObject(scene, "Late");
  AddGeomObject(scene, "Box01");
  EXPECT_EQ(scene.FindGeomObject("Late"), late);
  EXPECT_EQ(scene.FindGeomObject("Box01"), NextNode(scene.geom_objects));
}
