// Finding the files a scene names, and choosing the reader by the name's extension.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/test_support.h"
#include "texture/picture.h"
#include "texture/resolve_path.h"
#include "texture/texture_cache.h"

namespace {

class ScenePathTest : public ::testing::Test {
 protected:
  void TearDown() override { SetScenePath(nullptr); }
  ScopedTempDir dir_;
};

TEST_F(ScenePathTest, TriesAsWrittenThenTheSceneFolderThenTheWorkingDirectory) {
  for (const char* folder : {"maps", "scenes", "folder.tif"}) std::filesystem::create_directories(folder);
  for (const char* file : {"maps/wall.tif", "scenes/wall.tif", "scenes/only_here.tif", "wall.tif", "floor.tif"}) {
    WriteTextFile(file, file);
  }
  SetScenePath("scenes\\level.ase");
  const std::pair<const char*, const char*> cases[] = {
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
  for (const auto& [name, expected] : cases) EXPECT_EQ(ResolveScenePath(name), expected) << name;
  EXPECT_EQ(ResolveScenePath(nullptr), "");

  SetScenePath("level.ase");  // no folder: straight to the working directory
  EXPECT_EQ(ResolveScenePath("C:\\3dsmax\\maps\\wall.tif"), "wall.tif");
  EXPECT_EQ(ResolveScenePath("C:\\3dsmax\\maps\\only_here.tif"), "");
  SetScenePath((dir_.path() + "/scenes/level.ase").c_str());
  EXPECT_EQ(ResolveScenePath("C:\\maps\\only_here.tif"), dir_.path() + "/scenes/only_here.tif");
}

// Every name holds a valid file of the other format too, so only the extension decides: the TGA reader
// makes pixels opaque, the TIFF reader leaves alpha 0.
TEST_F(ScenePathTest, ChoosesTheReaderByTheLastThreeCharactersExactly) {
  const std::string tiff = ReadTestData("images/rgb_one_strip.tif"), tga = ReadTestData("images/bottom_left.tga");
  const struct {
    const char* name;
    const std::string* contents;
    int alpha;  // -1: no reader
  } cases[] = {
      {"wall.tif", &tiff, 0},   {"WALL.TIF", &tiff, 0},  {"wall.tga", &tga, 255}, {"WALL.TGA", &tga, 255},
      {"wall.Tif", &tiff, -1},  {"wall.tiff", &tiff, -1}, {"wall.Tga", &tga, -1},  {"wall.bmp", &tga, -1},
      {"if", &tiff, -1},        {"a", &tga, -1},          {"", &tga, -1},        {nullptr, &tga, -1},
  };
  for (const auto& c : cases) {
    if (c.name != nullptr && c.name[0] != '\0') WriteTextFile(c.name, *c.contents);
    TextureEntry entry = {};
    uint8_t* picture = nullptr;
    ASSERT_EQ(LoadPicture(entry, c.name, picture), c.alpha >= 0) << (c.name != nullptr ? c.name : "null");
    if (picture == nullptr) continue;
    EXPECT_EQ(entry.width, 5);
    EXPECT_EQ(picture[PICTURE_A], c.alpha) << c.name;
    FreePicture(picture);
  }
}

}  // namespace
