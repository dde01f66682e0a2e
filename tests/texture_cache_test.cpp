// The texture cache as the scene setup uses it, on the stand-in's device: a list in load order whose
// entries may repeat, exact lookups that find the first, and pictures packed into 4-4-4-4 texels; and the
// one-texel textures of the default materials beside it.
#include "texture/texture_cache.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "render/default_material.h"
#include "render/renderer.h"
#include "scene/ase_scene.h"
#include "tests/device_test_support.h"
#include "tests/image_fixtures.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

class TextureCacheTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_TRUE(renderer_.CreateFullscreenDevice(window_, 640, 480, 16, IID_IDirect3DHALDevice));
  }
  void TearDown() override {
    DestroyTextureCache();
    ReleaseDefaultMaterialTextures();
    renderer_.ReleaseDevice();
    DeviceTest::TearDown();
  }

  ScopedTempDir dir_;
  Renderer renderer_;
};

// 2 x 2 pixels with alpha, top row first: R, G, B, A.
const uint8_t RGBA[] = {0xF0, 0x20, 0x10, 0xFF, 0x0F, 0x1F, 0x8F, 0x7F,
                        0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x10};
std::string RgbaTiff() {
  return BuildTiff(std::string(reinterpret_cast<const char*>(RGBA), sizeof(RGBA)),
                   {{256, TIFF_TYPE_SHORT, {2}}, {257, TIFF_TYPE_SHORT, {2}}, {258, TIFF_TYPE_SHORT, {8, 8, 8, 8}},
                    {262, TIFF_TYPE_SHORT, {2}}, {273, TIFF_TYPE_LONG, {TIFF_DATA_OFFSET}},
                    {278, TIFF_TYPE_SHORT, {2}}, {279, TIFF_TYPE_LONG, {16}}, {338, TIFF_TYPE_SHORT, {2}}});
}

TEST_F(TextureCacheTest, KeepsEveryLoadInOrderAndFindsTheFirstByExactName) {
  WriteTextFile("wall.tif", RgbaTiff());
  WriteTextFile("wall.bmp", RgbaTiff());
  WriteTextFile("broken.tif", "II*");
  LoadTexture(renderer_.device, "broken.tif");
  EXPECT_EQ(g_texture_cache, nullptr);
  LoadTexture(renderer_.device, "wall.tif");
  LoadTexture(renderer_.device, "wall.bmp");
  LoadTexture(renderer_.device, "wall.tif");
  LoadTexture(renderer_.device, "broken.tif");
  std::vector<TextureEntry*> entries;
  for (TextureEntry* entry = g_texture_cache; entry != nullptr; entry = entry->next) entries.push_back(entry);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_STREQ(entries[1]->name, "wall.tif");
  EXPECT_NE(entries[0]->surface, entries[1]->surface);
  EXPECT_EQ(FindTexture("wall.tif"), entries[0]);
  for (const char* other : {"Wall.tif", "WALL.TIF", "wall.ti", "wall.tif ", "wall.bmp", ""}) {
    EXPECT_EQ(FindTexture(other), nullptr) << other;
  }
  EXPECT_EQ(FindTexture(nullptr), nullptr);
  DestroyTextureCache();
  EXPECT_EQ(g_texture_cache, nullptr);
}

// Each texel keeps the high four bits of A, R, G and B in that order; the picture's bottom row (the
// image's last) is the surface's first.
TEST_F(TextureCacheTest, PacksTheHighNibblesBottomRowFirst) {
  WriteTextFile("wall.tif", RgbaTiff());
  LoadTexture(renderer_.device, "wall.tif");
  ASSERT_NE(g_texture_cache, nullptr);
  EXPECT_EQ(g_texture_cache->width * 10 + g_texture_cache->height, 22);
  DDSURFACEDESC2 locked = {};
  locked.dwSize = DDSURFACEDESC2_SIZE;
  ASSERT_EQ(g_texture_cache->surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(locked.ddpfPixelFormat.dwRGBAlphaBitMask, 0xF000u);
  std::vector<uint16_t> texels(4);
  for (int y = 0; y < 2; ++y) std::memcpy(&texels[2 * y], static_cast<uint8_t*>(locked.lpSurface) + y * locked.lPitch, 4);
  g_texture_cache->surface->Unlock(nullptr);
  EXPECT_EQ(texels, (std::vector<uint16_t>{0x0000, 0x1FFF, 0xFF21, 0x7018}));
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
    DDSURFACEDESC2 locked = {};
    locked.dwSize = DDSURFACEDESC2_SIZE;
    ASSERT_EQ(textures.back()->surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(*static_cast<uint16_t*>(locked.lpSurface), o.texel) << textures.size();
    textures.back()->surface->Unlock(nullptr);
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
