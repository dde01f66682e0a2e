#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "lightmap_reference.h"
#include "lightmap/lightmap.h"
#include "math/zeroed_array.h"
#include "platform/test_hooks.h"
#include "scene_fixtures.h"

namespace {

// A mesh of random triangles (slivers and repeated vertices included) cut into face groups of the given
// sizes, with its lightmaps built without a device.
GeomObject* AddRandomMesh(AseScene& scene, uint32_t seed, std::initializer_list<uint32_t> group_sizes) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f), uv(0.0f, 4.0f);
  GeomObject* object = AddGeomObject(scene, "mesh");
  object->vertex_count = 40;
  object->vertices = NewZeroedArray<MeshVertex>(40);
  for (uint32_t i = 0; i < 40; ++i) {
    object->vertices[i] = MeshVertex{{coordinate(random), coordinate(random), coordinate(random)}, {0, 1, 0},
                                     uv(random), uv(random)};
  }
  FaceGroup** tail = &object->face_groups;
  for (uint32_t size : group_sizes) {
    FaceGroup* group = *tail = new FaceGroup;
    group->face_count = size;
    group->face_indices = NewZeroedArray<uint16_t>(size_t{size} * 3);
    for (uint32_t i = 0; i < size * 3; ++i) group->face_indices[i] = static_cast<uint16_t>(random() % 40);
    object->face_count += size;
    ++object->face_group_count;
    tail = &group->next;
  }
  BeginCaptureMessageBoxes();  // slivers have no frame to fit, and say so
  BuildObjectLightmaps(object, nullptr, Vector4{0, 80, 0, 0});
  EndCaptureMessageBoxes();
  return object;
}

// Relights every group into memory laid out in the given number of tile columns and compares each
// pixel with the reference.
template <TexelRoutine Routine>
void ExpectRelightEqualsReference(GeomObject* object, const Vector4& light, uint32_t columns) {
  for (FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
    GroupLightmap* lightmap = group->lightmap;
    ASSERT_NE(lightmap, nullptr);
    lightmap->tile_columns = columns;
    const uint32_t width = 8 * columns, height = 8 * ((group->face_count + columns - 1) / columns);
    std::vector<uint16_t> pixels(size_t{width} * height, 0xABCD);
    DDSURFACEDESC2 desc = {};
    desc.dwWidth = width, desc.dwHeight = height, desc.lPitch = static_cast<LONG>(2 * width);
    desc.lpSurface = pixels.data();
    RelightGroupWith<Routine>(lightmap, light, group->face_count, DescribeLockedTiles(*lightmap, desc));
    for (uint32_t i = 0; i < group->face_count; ++i) {
      for (uint32_t r = 0; r < 64; ++r) {
        const size_t at = (i / columns * 8 + r / 8) * size_t{width} + i % columns * 8 + r % 8;
        ASSERT_EQ(pixels[at], ReferencePixel<Routine>(group->face_frames[i], light, r / 8, r % 8))
            << "tile " << i << " texel " << r;
      }
    }
  }
}

TEST(RelightScene, EqualsTheStoredTexelRelightOnRandomScenes) {
  const Vector4 lights[] = {{0, 80, 0, 0}, {35.5f, -12.25f, 60, 0}, {1e-3f, 2e-3f, -3e-3f, 0}};
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    AseScene scene;
    GeomObject* object = AddRandomMesh(scene, seed, {37, 1, 22});
    for (const Vector4& light : lights) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " light " << light.x);
      ExpectRelightEqualsReference<LightTexelSimd>(object, light, 1 + seed % 3);
      ExpectRelightEqualsReference<LightTexelScalar>(object, light, 1 + seed % 3);
    }
  }
}

TEST(BuildObjectLightmaps, GivesEachGroupItsOwnTilesAndRebuildsOnlyAfterARelease) {
  AseScene scene;
  GeomObject* object = AddRandomMesh(scene, 7, {6, 4});
  FaceGroup* second = object->face_groups->next;
  ASSERT_NE(second->lightmap, nullptr);
  EXPECT_EQ(second->lightmap->tile_count, 4u) << "a group's lightmap holds its own faces, not the mesh's";
  EXPECT_EQ(second->lightmap->surface, nullptr);
  // Tile 1 of a bare stack of four: its t runs from 1/4 to 2/4.
  for (int k = 3; k < 6; ++k) {
    EXPECT_GE(second->lightmap_vertices[k].t, 0.25f);
    EXPECT_LE(second->lightmap_vertices[k].t, 0.5f);
  }
  const std::vector<LightmapVertex> vertices(second->lightmap_vertices, second->lightmap_vertices + 12);
  const GroupLightmap* lightmap = second->lightmap;
  RelightScene(&scene, Vector4{3, 4, 5, 0});
  RelightScene(nullptr, Vector4{});
  BuildObjectLightmaps(object, nullptr, Vector4{});
  EXPECT_EQ(second->lightmap, lightmap) << "groups that still have frames are not built again";
  EXPECT_EQ(std::memcmp(second->lightmap_vertices, vertices.data(), 12 * sizeof(LightmapVertex)), 0);

  ReleaseObjectLightmaps(object);
  for (const FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
    EXPECT_EQ(group->face_frames, nullptr);
    EXPECT_EQ(group->lightmap, nullptr);
    EXPECT_EQ(group->lightmap_vertices, nullptr);
  }
  BuildObjectLightmaps(object, nullptr, Vector4{});
  EXPECT_NE(second->lightmap, nullptr);
  ReleaseObjectLightmaps(object);
  ReleaseObjectLightmaps(object);
}

}  // namespace
