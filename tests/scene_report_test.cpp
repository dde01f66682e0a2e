#include <gtest/gtest.h>

#include <string>

#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

TEST(SceneReport, HeaderOnlySceneWritesTheEmptySkeleton) {
  ScopedTempDir dir;
  AseScene scene;
  ASSERT_TRUE(LoadSceneText(&scene, "*3DSMAX_ASCIIEXPORT 200\n*COMMENT \"nothing here\"\n"));
  EXPECT_EQ(ReadTextFile("test.txt"),
            "Material Num = 0\n"
            "\n\n"
            "Camera Num = 0\n"
            "Light Num = 0\n"
            "\n"
            "Geometry\n"
            "Top Objects\n"
            "\n");
}

TEST(SceneReport, RichSceneIsReportedByteForByte) {
  ScopedTempDir dir;
  AseScene scene;
  ASSERT_TRUE(LoadSceneText(&scene, RichScene()));
  EXPECT_EQ(ReadTextFile("test.txt"), ReadTestData("scenes/rich_report.txt"));
}

// A second load replaces the report of the first rather than appending to it.
TEST(SceneReport, EachLoadRewritesTheReport) {
  ScopedTempDir dir;
  {
    AseScene scene;
    ASSERT_TRUE(LoadSceneText(&scene, RichScene()));
  }
  AseScene scene;
  ASSERT_TRUE(LoadSceneText(&scene, "*3DSMAX_ASCIIEXPORT\n", "empty.ase"));
  EXPECT_EQ(ReadTextFile("test.txt").rfind("Material Num = 0\n", 0), 0u);
}
