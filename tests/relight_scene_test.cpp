#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lightmap/lightmap.h"
#include "math/simd_lib/light_texel.h"
#include "math/zeroed_array.h"
#include "scene_fixtures.h"

namespace {

// A strip of five unit quads in the x-z plane (ten faces), each quad its own texture rectangle, cut
// into face groups of the given sizes. No device: the textures are never created, as on a device
// without a 5-6-5 format, and everything else is built.
GeomObject* AddStrip(AseScene& scene, std::initializer_list<uint32_t> group_sizes) {
  GeomObject* object = AddGeomObject(scene, "strip");
  object->vertex_count = 12;
  object->vertices = NewZeroedArray<MeshVertex>(12);
  for (uint16_t i = 0; i < 6; ++i) {
    for (uint16_t side = 0; side < 2; ++side) {
      MeshVertex& vertex = object->vertices[2 * i + side];
      vertex.position = MakeVector(float(i), 0.0f, float(side));
      vertex.u = float(i);
      vertex.v = float(side);
    }
  }
  std::vector<uint16_t> corners;
  for (uint16_t i = 0; i < 5; ++i) {
    const uint16_t a = 2 * i, b = a + 1, c = a + 2, d = a + 3;
    corners.insert(corners.end(), {a, b, c, c, b, d});
  }
  object->face_count = 10;
  FaceGroup** tail = &object->face_groups;
  uint32_t first = 0;
  for (uint32_t size : group_sizes) {
    FaceGroup* group = new FaceGroup;
    group->face_count = size;
    group->face_indices = NewZeroedArray<uint16_t>(size_t{size} * 3);
    std::copy(corners.begin() + 3 * first, corners.begin() + 3 * (first + size), group->face_indices);
    first += size;
    *tail = group;
    tail = &group->next;
    ++object->face_group_count;
  }
  return object;
}

const Vector4 OVERHEAD = {2.5f, 10.0f, 0.5f, 0.0f};
const Vector4 LOW_SIDE = {30.0f, 2.0f, -4.0f, 0.0f};

std::vector<LightmapTexel> Texels(const FaceGroup* group) {
  const GroupLightmap* lightmap = group->lightmap;
  return std::vector<LightmapTexel>(lightmap->texels, lightmap->texels + size_t{lightmap->tile_count} * 64);
}

std::vector<LightmapVertex> Vertices(const FaceGroup* group) {
  return std::vector<LightmapVertex>(group->lightmap_vertices, group->lightmap_vertices + group->face_count * 3);
}

// Every placed tile of the group lit for the light, the rest untouched since the build.
void ExpectLitFor(const FaceGroup* group, const Vector4& light) {
  const GroupLightmap* lightmap = group->lightmap;
  for (uint32_t i = 0; i < lightmap->tile_count * 64; ++i) {
    const LightmapTexel& texel = lightmap->texels[i];
    const uint32_t expected =
        i < group->face_count * 64 ? LightTexelSimd(&texel.position, &light, &texel.normal, 0x00FFFFFF) : 0;
    ASSERT_EQ(texel.colour, expected) << "texel " << i;
  }
}

TEST(RelightScene, RelightsEveryTileOfEveryGroupButMovesNothing) {
  AseScene scene;
  GeomObject* object = AddStrip(scene, {6, 4});
  BuildObjectLightmaps(object, nullptr, OVERHEAD);
  FaceGroup* groups[2] = {object->face_groups, object->face_groups->next};
  std::vector<LightmapTexel> texels[2];
  std::vector<LightmapVertex> vertices[2];
  for (int g = 0; g < 2; ++g) {
    ASSERT_NE(groups[g]->lightmap, nullptr);
    EXPECT_EQ(groups[g]->lightmap->tile_count, 10u) << "every group's texture has room for the whole mesh";
    EXPECT_EQ(groups[g]->lightmap->surface, nullptr);
    ExpectLitFor(groups[g], OVERHEAD);
    texels[g] = Texels(groups[g]);
    vertices[g] = Vertices(groups[g]);
  }
  EXPECT_EQ(vertices[1][3].s, 1.0f);
  EXPECT_EQ(vertices[1][3].t, 1.0f / 10.0f) << "the second group's second face uses tile 1";

  RelightScene(&scene, LOW_SIDE);
  for (int g = 0; g < 2; ++g) {
    SCOPED_TRACE(testing::Message() << "group " << g);
    ExpectLitFor(groups[g], LOW_SIDE);
    size_t changed = 0;
    for (size_t i = 0; i < texels[g].size(); ++i) {
      const LightmapTexel& now = groups[g]->lightmap->texels[i];
      ASSERT_EQ(std::memcmp(&now.position, &texels[g][i].position, sizeof(Vector4)), 0) << "texel " << i;
      ASSERT_EQ(std::memcmp(&now.normal, &texels[g][i].normal, sizeof(Vector4)), 0) << "texel " << i;
      if (now.colour != texels[g][i].colour) ++changed;
    }
    EXPECT_GT(changed, groups[g]->face_count * 32u) << "the light moved across the whole group";
    EXPECT_EQ(std::memcmp(groups[g]->lightmap_vertices, vertices[g].data(), vertices[g].size() * sizeof(LightmapVertex)),
              0);
  }
  RelightScene(nullptr, LOW_SIDE);
}

TEST(RelightScene, LeavesTilesBeyondTheTileCountAlone) {
  AseScene scene;
  GeomObject* object = AddStrip(scene, {10});
  // A group that claims more faces than its object's mesh: its texture only has room for the mesh.
  object->face_count = 7;
  BuildObjectLightmaps(object, nullptr, OVERHEAD);
  FaceGroup* group = object->face_groups;
  ASSERT_NE(group->lightmap, nullptr);
  ASSERT_EQ(group->lightmap->tile_count, 7u);
  // The sanitizer build catches any texel placed, lit or written past the seven tiles.
  RelightScene(&scene, LOW_SIDE);
  const LightmapTexel& last = group->lightmap->texels[7 * 64 - 1];
  EXPECT_EQ(last.colour, LightTexelSimd(&last.position, &LOW_SIDE, &last.normal, 0x00FFFFFF));
}

TEST(BuildObjectLightmaps, BuildsOnlyAfterTheOldLightmapsAreReleased) {
  AseScene scene;
  GeomObject* object = AddStrip(scene, {6, 4});
  BuildObjectLightmaps(object, nullptr, OVERHEAD);
  FaceGroup* first = object->face_groups;
  const FaceFrame* frames = first->face_frames;
  const GroupLightmap* lightmap = first->lightmap;

  BuildObjectLightmaps(object, nullptr, LOW_SIDE);
  EXPECT_EQ(first->face_frames, frames);
  EXPECT_EQ(first->lightmap, lightmap);
  for (const FaceGroup* group = first; group != nullptr; group = group->next) ExpectLitFor(group, OVERHEAD);

  // As a second apply of the scene does it.
  ReleaseObjectLightmaps(object);
  for (const FaceGroup* group = first; group != nullptr; group = group->next) {
    EXPECT_EQ(group->face_frames, nullptr);
    EXPECT_EQ(group->lightmap, nullptr);
    EXPECT_EQ(group->lightmap_vertices, nullptr);
  }
  BuildObjectLightmaps(object, nullptr, LOW_SIDE);
  for (const FaceGroup* group = first; group != nullptr; group = group->next) {
    ASSERT_NE(group->lightmap, nullptr);
    ExpectLitFor(group, LOW_SIDE);
  }
  ReleaseObjectLightmaps(object);
  ReleaseObjectLightmaps(object);
}

}  // namespace
