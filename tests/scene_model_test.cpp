#include <gtest/gtest.h>

#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

TEST(SceneModel, FindGeomObjectMatchesWholeNamesFirstInFileOrder) {
  AseScene scene;
  EXPECT_EQ(scene.FindGeomObject("Box"), nullptr) << "an empty scene";
  GeomObject* box = AddGeomObject(scene, "Box");
  AddGeomObject(scene, "Box01");
  AddGeomObject(scene, "box");
  GeomObject* unnamed = AddGeomObject(scene, "");
  AddGeomObject(scene, "Box");
  EXPECT_EQ(scene.FindGeomObject("Box"), box);
  EXPECT_EQ(scene.FindGeomObject(""), unnamed);
  EXPECT_EQ(scene.FindGeomObject("Bo"), nullptr);
  EXPECT_EQ(scene.FindGeomObject("BOX"), nullptr);
  EXPECT_EQ(scene.FindGeomObject("Box012"), nullptr);
  EXPECT_EQ(scene.FindGeomObject(nullptr), nullptr);

  // Objects appended after a lookup are found too, and an earlier twin still wins.
  GeomObject* late = AddGeomObject(scene, "Late");
  AddGeomObject(scene, "Box01");
  EXPECT_EQ(scene.FindGeomObject("Late"), late);
  EXPECT_STREQ(scene.FindGeomObject("Box01")->name, "Box01");
  EXPECT_EQ(scene.FindGeomObject("Box01"), NextNode(box));
}

// The readers append from a hint rather than from the head; whatever else appends in between, the lists
// keep file order, and a scene destroyed and loaded again starts its lists afresh.
TEST(SceneModel, ListsKeepFileOrderAcrossReadersAndOtherAppends) {
  ScopedTempDir dir;
  AseScene scene;
  ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"A\" } *LIGHTOBJECT { *NODE_NAME \"L1\" }"
                                               " *GEOMOBJECT { *NODE_NAME \"B\" } *LIGHTOBJECT { *NODE_NAME \"L2\" }")));
  AddGeomObject(scene, "C");
  EXPECT_EQ(scene.FindGeomObject("C"), NextNode(NextNode(scene.geom_objects)));
  EXPECT_STREQ(NextNode(scene.lights)->name, "L2");

  scene.DestroyScene();
  EXPECT_EQ(scene.FindGeomObject("A"), nullptr);
  ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"D\" } *GEOMOBJECT { *NODE_NAME \"E\" }")));
  EXPECT_EQ(scene.geom_object_count, 2);
  EXPECT_STREQ(scene.geom_objects->name, "D");
  EXPECT_EQ(scene.FindGeomObject("E"), NextNode(scene.geom_objects));
  EXPECT_EQ(scene.FindGeomObject("C"), nullptr);
}
