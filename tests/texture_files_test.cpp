// Finding the files a scene names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/test_support.h"
#include "texture/resolve_path.h"

namespace {

class ScenePathTest : public ::testing::Test {
 protected:
  void TearDown() override { SetScenePath(nullptr); }
  ScopedTempDir dir_;
};

TEST_F(ScenePathTest, TriesAsWrittenThenTheSceneFolderThenTheWorkingDirectory) {
  std::filesystem::create_directories("maps");
  std::filesystem::create_directories("scenes");
  std::filesystem::create_directories("folder.tif");
  WriteTextFile("maps/wall.tif", "as written");
  WriteTextFile("scenes/wall.tif", "scene folder");
  WriteTextFile("scenes/only_here.tif", "scene folder");
  WriteTextFile("wall.tif", "working directory");
  WriteTextFile("floor.tif", "working directory");
  SetScenePath("scenes\\level.ase");
  struct Case {
    const char* name;
    const char* expected;
  } cases[] = {
      {"maps\\wall.tif", "maps/wall.tif"},
      {"maps/wall.tif", "maps/wall.tif"},
      {"C:\\3dsmax\\maps\\wall.tif", "scenes/wall.tif"},
      {"C:\\3dsmax\\maps\\only_here.tif", "scenes/only_here.tif"},
      {"D:/textures/floor.tif", "floor.tif"},
      {"C:\\maps\\absent.tif", ""},
      {"C:\\maps\\", ""},
      {"folder.tif", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ResolveScenePath(c.name), c.expected);
  }
  EXPECT_EQ(ResolveScenePath(nullptr), "");

  SetScenePath("level.ase");  // no folder: straight to the working directory
  EXPECT_EQ(ResolveScenePath("C:\\3dsmax\\maps\\wall.tif"), "wall.tif");
  EXPECT_EQ(ResolveScenePath("C:\\3dsmax\\maps\\only_here.tif"), "");
  SetScenePath((dir_.path() + "/scenes/level.ase").c_str());
  EXPECT_EQ(ResolveScenePath("C:\\maps\\only_here.tif"), dir_.path() + "/scenes/only_here.tif");
}

TEST_F(ScenePathTest, ReadsTheWholeResolvedFile) {
  std::filesystem::create_directories("scenes");
  const std::string contents("\x00\xFF binary \r\n\x1A", 13);
  WriteTextFile("scenes/wall.tga", contents);
  SetScenePath("scenes/level.ase");
  std::vector<uint8_t> bytes = {7};
  ASSERT_TRUE(ReadSceneFile("C:\\maps\\wall.tga", bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), contents);
  std::vector<uint8_t> untouched = {7};
  EXPECT_FALSE(ReadSceneFile("C:\\maps\\absent.tga", untouched));
  EXPECT_EQ(untouched, std::vector<uint8_t>{7});
}

}  // namespace
