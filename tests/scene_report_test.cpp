#include <gtest/gtest.h>

#include <string>

#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

// Each load rewrites "test.txt" rather than appending to it, so the second report is whole on its own.
TEST(SceneReport, ReportsAreWrittenByteForByte) {
  ScopedTempDir dir;
  for (const char* name : {"rich", "empty"}) {
    SCOPED_TRACE(name);
    AseScene scene;
    ASSERT_TRUE(LoadSceneText(&scene, ReadTestData(std::string("scenes/") + name + ".ase")));
    EXPECT_EQ(ReadTextFile("test.txt"), ReadTestData(std::string("scenes/") + name + "_report.txt"));
  }
}
