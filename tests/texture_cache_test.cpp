// The texture cache as the scene setup uses it, on the stand-in's device: a list in load order with one
// read and one surface per file, exact lookups, and pictures packed into 4-4-4-4 texels; and the one-texel
// textures of the default materials beside it.
#include "texture/texture_cache.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "render/default_material.h"
#include "scene/ase_scene.h"
#include "tests/device_test_support.h"
#include "tests/image_fixtures.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

class TextureCacheTest : public FullScreenDeviceTest {
 protected:
  void TearDown() override {
    DestroyTextureCache();
    ReleaseDefaultMaterialTextures();
    FullScreenDeviceTest::TearDown();
  }

  ScopedTempDir dir_;
};

// 2 x 2 pixels with alpha, top row first: R, G, B, A.
const uint8_t RGBA[] = {0xF0, 0x20, 0x10, 0xFF, 0x0F, 0x1F, 0x8F, 0x7F,
                        0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x10};
std::string RgbaTiff() {
  return OneStripTiff(std::string(reinterpret_cast<const char*>(RGBA), sizeof(RGBA)), 2, 2, {8, 8, 8, 8}, 2,
                      {{338, TIFF_TYPE_SHORT, {2}}});
}

// Each file is read and uploaded once, however many materials name it and however they spell its path:
// a name loaded again adds nothing, another spelling of a loaded file shares its surface (the file is
// rewritten in between, so a second read would show), and a failed load leaves nothing behind.
TEST_F(TextureCacheTest, ReadsEachFileOnceAndFindsEntriesByExactName) {
  WriteTextFile("wall.tif", RgbaTiff());
  WriteTextFile("wall.bmp", RgbaTiff());
  WriteTextFile("broken.tif", "II*");
  std::filesystem::create_directory("maps");
  WriteTextFile("maps/floor.tif", RgbaTiff());
  LoadTexture(renderer_.device, "broken.tif");
  EXPECT_EQ(g_texture_cache, nullptr);
  for (int i = 0; i < 64; ++i) LoadTexture(renderer_.device, "wall.tif");
  ASSERT_NE(g_texture_cache, nullptr);
  // Each texel keeps the high four bits of A, R, G and B in that order; the picture's bottom row (the
  // image's last) is the surface's first.
  EXPECT_EQ(g_texture_cache->width * 10 + g_texture_cache->height, 22);
  const std::vector<uint16_t> first_texels = LockedTexels(g_texture_cache->surface);
  EXPECT_EQ(first_texels, (std::vector<uint16_t>{2, 2, 0x0000, 0x1FFF, 0xFF21, 0x7018}));
  WriteTextFile("wall.tif", std::string(RgbaTiff().size(), '\0'));
  for (const char* name : {"wall.bmp", "./wall.tif", "C:\\maps\\wall.tif", "maps/floor.tif", "broken.tif"}) {
    LoadTexture(renderer_.device, name);
  }
  std::vector<std::string> names;
  std::vector<TextureEntry*> entries;
  for (TextureEntry* entry = g_texture_cache; entry != nullptr; entry = entry->next) {
    names.push_back(entry->name);
    entries.push_back(entry);
  }
  ASSERT_EQ(names, (std::vector<std::string>{"wall.tif", "./wall.tif", "C:\\maps\\wall.tif", "maps/floor.tif"}));
  EXPECT_EQ(entries[1]->surface, entries[0]->surface);
  EXPECT_EQ(entries[2]->surface, entries[0]->surface);
  EXPECT_EQ(LockedTexels(entries[2]->surface), first_texels);
  EXPECT_NE(entries[3]->surface, entries[0]->surface) << "a file of the same contents is another file";
  EXPECT_EQ(FindTexture("wall.tif"), entries[0]);
  EXPECT_EQ(FindTexture("./wall.tif"), entries[1]);
  for (const char* other : {"Wall.tif", "WALL.TIF", "wall.ti", "wall.tif ", "wall.bmp", ""}) {
    EXPECT_EQ(FindTexture(other), nullptr) << other;
  }
  EXPECT_EQ(FindTexture(nullptr), nullptr);
  DestroyTextureCache();
  EXPECT_EQ(g_texture_cache, nullptr);

  // A file whose reader fails is read, and its box shown, once under all its names until the cache is
  // emptied (a new device, another scene), when it is tried again.
  WriteTextFile("deep.tif", OneStripTiff(std::string(48, '\0'), 2, 2, {16}, 2));
  for (int pass = 0; pass < 2; ++pass) {
    BeginCaptureMessageBoxes();
    for (const char* name : {"deep.tif", "./deep.tif", "deep.tif", "C:\\maps\\deep.tif"}) LoadTexture(renderer_.device, name);
    EXPECT_EQ(EndCaptureMessageBoxes().size(), 1u) << "pass " << pass;
    EXPECT_EQ(g_texture_cache, nullptr);
    DestroyTextureCache();
  }
}

// A TIFF that is not read loads as one transparent black pixel whatever size its header claims, except
// where the device could not hold a texture of the claimed size: there, as such a picture, it gets none.
TEST_F(TextureCacheTest, APictureNotReadTakesOnePixelAndIsRefusedWhereItsClaimWouldBe) {
  SetMaxTextureSizeForTest(64);
  const struct {
    uint32_t width, height;
    bool loaded;
  } cases[] = {{64, 64, true}, {65, 8, false}, {8, 65, false}, {1, 1, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    WriteTextFile("grey.tif", OneStripTiff(std::string(4, '\0'), c.width, c.height, {8}, 1));
    BeginCaptureMessageBoxes();
    LoadTexture(renderer_.device, "grey.tif");
    EXPECT_EQ(EndCaptureMessageBoxes().size(), 1u);
    ASSERT_EQ(g_texture_cache != nullptr, c.loaded);
    if (c.loaded) {
      EXPECT_EQ(g_texture_cache->width * 10 + g_texture_cache->height, 11);
      EXPECT_EQ(LockedTexels(g_texture_cache->surface), (std::vector<uint16_t>{1, 1, 0}));
    }
    DestroyTextureCache();
  }
}

// Objects without a material are drawn in their wireframe colour, mid grey without one, through a
// one-texel texture per colour in use: objects of one colour share it, any other colour has its own.
TEST_F(TextureCacheTest, DefaultMaterialsHaveOneTexturePerColour) {
  const float nan = std::nanf("");
  const struct {
    bool has_wireframe;
    Vector3 wireframe;
    uint16_t texel;
  } objects[] = {
      {true, {0.2f, 0.4f, 0.6f}, 0xF369}, {true, {0.2f, 0.4f, 0.8f}, 0xF36C}, {true, {0.4f, 0.2f, 0.6f}, 0xF639},
      {true, {0.2f, 0.5f, 0.6f}, 0xF389}, {true, {0.2f, 0.4f, 0.6f}, 0xF369}, {false, {0.2f, 0.4f, 0.6f}, 0xF888},
      {true, {2.0f, -1.0f, nan}, 0xFF08},
  };
  AseScene scene;
  std::vector<TextureEntry*> textures;
  for (const auto& o : objects) {
    GeomObject* object = AddGeomObject(scene, "Box");
    SetVertices(object, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    SetFaces(object, {0, 1, 2});
    object->has_wireframe_colour = o.has_wireframe ? 1 : 0;
    object->wireframe_colour = o.wireframe;
    GiveDefaultMaterial(object, renderer_.device);
    ASSERT_NE(object->face_groups, nullptr);
    textures.push_back(object->face_groups->texture);
    ASSERT_NE(textures.back(), nullptr);
    EXPECT_EQ(LockedTexels(textures.back()->surface), (std::vector<uint16_t>{1, 1, o.texel})) << textures.size();
  }
  for (size_t i = 0; i < textures.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      EXPECT_EQ(textures[i] == textures[j], objects[i].texel == objects[j].texel) << i << ", " << j;
    }
  }
  // The textures go with their device: the next device gives the objects textures of its own.
  renderer_.ReleaseDevice();
  ASSERT_TRUE(renderer_.CreateFullscreenDevice(window_, 640, 480, 16, IID_IDirect3DHALDevice));
  GeomObject* object = scene.geom_objects;
  GiveDefaultMaterial(object, renderer_.device);
  EXPECT_EQ(object->face_group_count, 1) << "the object's group is made once";
  IDirectDraw7* owner = nullptr;
  ASSERT_EQ(object->face_groups->texture->surface->GetDDInterface(reinterpret_cast<LPVOID*>(&owner)), DD_OK);
  EXPECT_EQ(owner, renderer_.ddraw);
  owner->Release();
}

}  // namespace
