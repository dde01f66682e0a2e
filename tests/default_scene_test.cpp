// The committed default scene is what the generator writes, and every bitmap it names can be found and
// read the way the scene setup will look for it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "test_support.h"
#include "texture/picture.h"
#include "texture/resolve_path.h"
#include "texture/texture_cache.h"

namespace {

const std::string ASSETS = std::string(KESTREL_SOURCE_DIR) + "/assets/";

TEST(DefaultScene, CommittedFilesMatchTheGenerator) {
  ScopedTempDir dir;
  const std::string command = BinaryDirPath("tools/gen_default_scene") + " " + dir.path();
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name : DEFAULT_SCENE_FILES) {
    bool exists = false;
    const std::string committed = ReadTextFile(ASSETS + name, &exists);
    ASSERT_TRUE(exists) << name;
    EXPECT_TRUE(committed == ReadTextFile(dir.path() + "/" + name)) << name << " differs from the generator's output";
  }
}

struct Bitmap {
  const char* name_in_scene;
  bool has_alpha_sample;
};

TEST(DefaultScene, EveryBitmapResolvesAndReadsWhole) {
  const std::string scene = ReadTextFile(ASSETS + "light.ase");
  SetScenePath((ASSETS + "light.ase").c_str());
  for (const Bitmap bitmap : {Bitmap{"C:\\3dsmax\\maps\\floor.tif", false}, Bitmap{"maps\\panel.tif", true},
                              Bitmap{"wall.tga", false}, Bitmap{"stone.tga", false}}) {
    SCOPED_TRACE(bitmap.name_in_scene);
    EXPECT_NE(scene.find(std::string("*BITMAP \"") + bitmap.name_in_scene + "\""), std::string::npos);
    const std::string path = ResolveScenePath(bitmap.name_in_scene);
    ASSERT_FALSE(path.empty());
    TextureEntry entry = {};
    uint8_t* picture = nullptr;
    ASSERT_TRUE(LoadPicture(entry, path.c_str(), picture));
    ASSERT_EQ(entry.width, 64);
    ASSERT_EQ(entry.height, 64);
    // Every quarter of the rows carries colour: a strip table read wrongly leaves later strips black.
    for (int quarter = 0; quarter < 4; ++quarter) {
      uint32_t sum = 0;
      for (int row = quarter * 16; row < quarter * 16 + 16; ++row)
        for (int x = 0; x < 64; ++x) sum += picture[(row * 64 + x) * 4 + PICTURE_R];
      EXPECT_GT(sum, 16u * 64u * 40u) << "rows of quarter " << quarter;
    }
    bool alpha_varies = false;
    for (int p = 1; p < 64 * 64; ++p) alpha_varies |= picture[p * 4 + PICTURE_A] != picture[PICTURE_A];
    if (bitmap.has_alpha_sample) {
      EXPECT_TRUE(alpha_varies);
    } else {
      EXPECT_FALSE(alpha_varies);
    }
    FreePicture(picture);
  }
  SetScenePath(nullptr);
}

}  // namespace
