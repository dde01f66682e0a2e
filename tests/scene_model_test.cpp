#include <gtest/gtest.h>

#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

// Lookups go through an index of the names, which must never outlive the list it was built from.
TEST(SceneModel, FindGeomObjectMatchesWholeNamesFirstInFileOrder) {
  ScopedTempDir dir;
  AseScene scene;
  EXPECT_EQ(scene.FindGeomObject("Box"), nullptr) << "an empty scene";
  ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"Gone\" }")));
  EXPECT_NE(scene.FindGeomObject("Gone"), nullptr);
  scene.DestroyScene();
  EXPECT_EQ(scene.FindGeomObject("Gone"), nullptr);
  ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"Box\" } *GEOMOBJECT { *NODE_NAME \"Box01\" }"
                                               " *GEOMOBJECT { *NODE_NAME \"box\" } *GEOMOBJECT { *NODE_NAME \"\" }"
                                               " *GEOMOBJECT { *NODE_NAME \"Box\" }")));
  const GeomObject* box = scene.geom_objects;
  EXPECT_EQ(scene.FindGeomObject("Box"), box);
  EXPECT_STREQ(scene.FindGeomObject("box")->name, "box");
  EXPECT_EQ(scene.FindGeomObject(""), NextNode(NextNode(NextNode(box))));
  for (const char* missing : {"Bo", "BOX", "Box012", "Gone"}) EXPECT_EQ(scene.FindGeomObject(missing), nullptr) << missing;
  EXPECT_EQ(scene.FindGeomObject(nullptr), nullptr);

  // Objects appended after a lookup are found too, and an earlier twin still wins.
  GeomObject* late = AddGeomObject(scene, "Late");
  AddGeomObject(scene, "Box01");
  EXPECT_EQ(scene.FindGeomObject("Late"), late);
  EXPECT_EQ(scene.FindGeomObject("Box01"), NextNode(box));
}
