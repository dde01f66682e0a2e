// Finding the files a scene names, and choosing the reader by the name's extension.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/image_fixtures.h"
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

// Every name holds a valid file of the other format too, so only the extension decides.
TEST_F(ScenePathTest, ChoosesTheReaderByTheLastThreeCharactersExactly) {
  const std::string tiff = BuildTiff(std::string(12, '\x10'),
                                     {{256, TIFF_TYPE_SHORT, {2}}, {257, TIFF_TYPE_SHORT, {2}},
                                      {258, TIFF_TYPE_SHORT, {8}}, {262, TIFF_TYPE_SHORT, {2}},
                                      {273, TIFF_TYPE_LONG, {TIFF_DATA_OFFSET}}, {278, TIFF_TYPE_SHORT, {2}},
                                      {279, TIFF_TYPE_LONG, {12}}});
  std::string tga(18, '\0');
  tga[2] = 2;
  tga[12] = tga[14] = 2;
  tga += std::string(12, '\x20');
  struct Case {
    const char* name;
    const std::string* contents;
    uint8_t alpha;  // 255 from the TGA reader, 0 from the TIFF reader; 1: no reader
  } cases[] = {
      {"wall.tif", &tiff, 0},   {"WALL.TIF", &tiff, 0},  {"wall.tga", &tga, 255}, {"WALL.TGA", &tga, 255},
      {"wall.Tif", &tiff, 1},   {"wall.tiff", &tiff, 1}, {"wall.Tga", &tga, 1},   {"wall.bmp", &tga, 1},
      {"if", &tiff, 1},         {"a", &tga, 1},          {"", &tga, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.name[0] != '\0') WriteTextFile(c.name, *c.contents);
    TextureEntry entry = {};
    uint8_t* picture = nullptr;
    const bool ok = LoadPicture(entry, c.name, picture);
    ASSERT_EQ(ok, c.alpha != 1);
    if (!ok) continue;
    EXPECT_EQ(entry.width, 2);
    EXPECT_EQ(picture[PICTURE_A], c.alpha);
    FreePicture(picture);
  }
  TextureEntry entry = {};
  uint8_t* picture = nullptr;
  EXPECT_FALSE(LoadPicture(entry, nullptr, picture));
}

}  // namespace
