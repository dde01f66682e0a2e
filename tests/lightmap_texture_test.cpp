// The lightmap textures on the stand-in's own devices: their format, their size under the texture caps
// and the largest texture, and the tiles read back from them where the lightmap vertices point.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "device_test_support.h"
#include "lightmap/lightmap.h"
#include "lightmap_reference.h"
#include "math/zeroed_array.h"
#include "render/renderer.h"
#include "scene_fixtures.h"

namespace {

// Triangles side by side on the ground, each with its own three vertices at lightmap (0, 0), (1, 0)
// and (0, 1), so vertex 0 of a face addresses the top left of its tile. Groups of the given sizes.
GeomObject* AddGround(AseScene& scene, std::initializer_list<uint32_t> group_sizes) {
  GeomObject* object = AddGeomObject(scene, "ground");
  for (uint32_t size : group_sizes) object->face_count += size;
  object->vertex_count = object->face_count * 3;
  object->vertices = NewZeroedArray<MeshVertex>(object->vertex_count);
  for (uint32_t i = 0; i < object->vertex_count; ++i) {
    const float x = static_cast<float>(i / 3 % 64), z = static_cast<float>(i / 3 / 64);
    const float u = i % 3 == 1 ? 1.0f : 0.0f, v = i % 3 == 2 ? 1.0f : 0.0f;
    object->vertices[i] = MeshVertex{{x + u, 0.0f, z + v}, {0, 1, 0}, u, v};
  }
  FaceGroup** tail = &object->face_groups;
  uint16_t vertex = 0;
  for (uint32_t size : group_sizes) {
    FaceGroup* group = *tail = new FaceGroup;
    group->face_count = size;
    group->face_indices = NewZeroedArray<uint16_t>(size_t{size} * 3);
    for (uint32_t k = 0; k < size * 3; ++k) group->face_indices[k] = vertex++;
    tail = &group->next;
  }
  return object;
}

std::vector<std::string> Reports() {
  std::vector<std::string> texts;
  for (const CapturedMessageBox& box : EndCaptureMessageBoxes()) texts.push_back(box.text);
  BeginCaptureMessageBoxes();
  return texts;
}

TEST_F(DeviceTest, LightmapTexturesHoldEveryTileWhereItsVerticesPoint) {
  const DWORD POW2_SQUARE = D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY;
  const struct {
    const char* what;
    DWORD caps, max_edge;
    uint32_t faces, width, height;
  } cases[] = {
      {"3,000 faces: two columns of the driver's largest texture", 0, 0, 3000, 16, 12000},
      {"powers of two, square, at most 256", POW2_SQUARE, 256, 300, 256, 256},
  };
  const Vector4 light = {20, 30, 10, 0};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetTextureCapsForTest(c.caps);
    SetMaxTextureSizeForTest(c.max_edge);
    Renderer renderer;
    ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
    AseScene scene;
    GeomObject* object = AddGround(scene, {c.faces});
    BuildObjectLightmaps(object, renderer.device, light);
    const FaceGroup* group = object->face_groups;
    ASSERT_NE(group->lightmap->surface, nullptr);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = DDSURFACEDESC2_SIZE;
    ASSERT_EQ(group->lightmap->surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(desc.dwWidth, c.width);
    EXPECT_EQ(desc.dwHeight, c.height);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0xF800u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwBBitMask, 0x001Fu);
    for (uint32_t i = 0; i < c.faces; ++i) {
      const LightmapVertex& corner = group->lightmap_vertices[3 * i];
      const long x = std::lround(corner.s * c.width), y = std::lround(corner.t * c.height);
      ASSERT_TRUE(x % 8 == 0 && y % 8 == 0 && x + 8 <= long(c.width) && y + 8 <= long(c.height)) << "face " << i;
      for (uint32_t r = 0; r < 8; ++r) {
        const uint16_t* row = reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(desc.lpSurface) + (y + r) * desc.lPitch);
        for (uint32_t col = 0; col < 8; ++col) {
          ASSERT_EQ(row[x + col], ReferencePixel<LightTexelSimd>(group->face_frames[i], light, r, col))
              << "face " << i << " texel " << r << ", " << col;
        }
      }
    }
    group->lightmap->surface->Unlock(nullptr);
    EXPECT_TRUE(Reports().empty());
    ReleaseObjectLightmaps(object);
  }
}

TEST_F(DeviceTest, AGroupWithoutATextureIsLitForNothingAndToldOnce) {
  SetMaxTextureSizeForTest(4);
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  DDPIXELFORMAT format = {};
  renderer.device->EnumTextureFormats(FindRgb565Format, &format);
  EXPECT_EQ(format.dwRBitMask, 0xF800u) << "the stand-in offers 5-6-5";
  AseScene scene;
  GeomObject* object = AddGround(scene, {3, 2});
  BuildObjectLightmaps(object, renderer.device, Vector4{1, 2, 3, 0});
  for (const FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
    ASSERT_NE(group->lightmap, nullptr);
    EXPECT_EQ(group->lightmap->surface, nullptr);
    EXPECT_NE(group->lightmap_vertices, nullptr) << "the group is still drawn";
  }
  EXPECT_EQ(Reports(), std::vector<std::string>{"Cannot Create Lightmap"});
  RelightScene(&scene, Vector4{});
  GroupLightmap lightmap = {};
  EXPECT_EQ(CreateLightmapSurface(&lightmap, renderer.device, 8, 8), nullptr) << "beyond the largest texture";
  ReleaseObjectLightmaps(object);
}

}  // namespace
