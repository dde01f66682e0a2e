// Lightmaps built and relit, into plain memory and into the stand-in's own textures: every tile is
// found where its vertices point and holds what the relight of stored texels would have written, at
// any number of relight threads, and a texture that cannot be locked is passed over.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "device_test_support.h"
#include "lightmap/face_frame.h"
#include "lightmap/lightmap.h"
#include "lightmap/relight_threads.h"
#include "lightmap/texel_lighting.h"
#include "math/zeroed_array.h"
#include "platform/gfx_internal.h"
#include "render/renderer.h"
#include "scene_fixtures.h"

namespace {

// Random triangles with their own three vertices and random texture coordinates, in face groups of
// the given sizes.
GeomObject* AddRandomMesh(AseScene& scene, uint32_t seed, std::initializer_list<uint32_t> group_sizes) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f), uv(0.0f, 4.0f);
  GeomObject* object = AddGeomObject(scene, "mesh");
  for (uint32_t size : group_sizes) object->face_count += size;
  object->vertex_count = object->face_count * 3;
  object->vertices = NewZeroedArray<MeshVertex>(object->vertex_count);
  for (uint32_t i = 0; i < object->vertex_count; ++i) {
    object->vertices[i] = {{coordinate(random), coordinate(random), coordinate(random)}, {}, uv(random), uv(random)};
  }
  FaceGroup** tail = &object->face_groups;
  VertexIndex vertex = 0;
  for (uint32_t size : group_sizes) {
    FaceGroup* group = *tail = new FaceGroup;
    group->face_count = size;
    group->face_indices = NewZeroedArray<VertexIndex>(size_t{size} * 3);
    for (uint32_t k = 0; k < size * 3; ++k) group->face_indices[k] = vertex++;
    tail = &group->next;
    ++object->face_group_count;
  }
  return object;
}

// The relight as it was when every texel was stored: its position spread over the frame's corners in
// this order of operations, lit by the routine, packed to 5-6-5.
template <TexelRoutine Routine>
uint16_t ReferencePixel(const FaceFrame& frame, const Vector4& light, uint32_t r, uint32_t c) {
  const Vector3 &a = frame.corners[0], &b = frame.corners[1], &d = frame.corners[3];
  const float column = static_cast<float>(c), row = static_cast<float>(r);
  Vector4 position = {(((d.x - a.x) / 8.0f * column + 0.5f) + ((b.x - a.x) / 8.0f * row + 0.5f)) + a.x,
                      (((d.y - a.y) / 8.0f * column + 0.5f) + ((b.y - a.y) / 8.0f * row + 0.5f)) + a.y,
                      (((d.z - a.z) / 8.0f * column + 0.5f) + ((b.z - a.z) / 8.0f * row + 0.5f)) + a.z, 0.0f};
  const Vector4 normal = {frame.normal.x, frame.normal.y, frame.normal.z, 0.0f};
  const uint32_t colour = Routine(&position, &light, &normal, LIGHTMAP_WHITE);
  return static_cast<uint16_t>((colour & 0xF8) << 8 | (colour & 0xFC00) >> 5 | (colour & 0xF80000) >> 19);
}

// Lights with the bits of the texel's position, so that the pixels show a position that is not the
// build's to the last bit.
uint32_t PositionBits(const Vector4* position, const Vector4*, const Vector4*, uint32_t) {
  uint32_t bits[3], hash = 0;
  std::memcpy(bits, position, sizeof bits);
  for (uint32_t b : bits) hash = (hash ^ b) * 0x9E3779B1u;
  return hash ^ hash >> 15;
}

// Each tile's top left is the smallest (s, t) of its three vertices, on the texture's tile grid.
template <TexelRoutine Routine>
void ExpectTilesWhereVerticesPoint(const GeomObject* object, const FaceGroup* group, const Vector4& light,
                                   const DDSURFACEDESC2& texture) {
  // The bake keeps no frames; the reference builds them again from the mesh.
  std::vector<FaceFrame> frames(group->face_count);
  for (uint32_t i = 0; i < group->face_count; ++i) {
    MeshVertex corners[3];
    for (int k = 0; k < 3; ++k) corners[k] = object->vertices[group->face_indices[3 * i + k]];
    BuildFaceFrame(frames[i], corners);
  }
  for (uint32_t i = 0; i < group->face_count; ++i) {
    const LightmapVertex* v = group->lightmap_vertices + 3 * i;
    const long x = std::lround(std::fmin(v[0].s, std::fmin(v[1].s, v[2].s)) * texture.dwWidth);
    const long y = std::lround(std::fmin(v[0].t, std::fmin(v[1].t, v[2].t)) * texture.dwHeight);
    ASSERT_TRUE(x % 8 == 0 && y % 8 == 0 && x + 8 <= long(texture.dwWidth) && y + 8 <= long(texture.dwHeight))
        << "face " << i << " at " << x << ", " << y;
    for (uint32_t r = 0; r < 8; ++r) {
      const uint8_t* row = static_cast<const uint8_t*>(texture.lpSurface) + (y + r) * texture.lPitch + 2 * x;
      for (uint32_t c = 0; c < 8; ++c) {
        uint16_t pixel;
        std::memcpy(&pixel, row + 2 * c, 2);
        ASSERT_EQ(pixel, ReferencePixel<Routine>(frames[i], light, r, c)) << "face " << i << " " << r << c;
      }
    }
  }
}

TEST(RelightScene, EqualsTheStoredTexelRelightOnRandomScenes) {
  const Vector4 lights[] = {{0, 80, 0, 0}, {35.5f, -12.25f, 60, 0}, {1e-3f, 2e-3f, -3e-3f, 0}};
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    AseScene scene;
    GeomObject* object = AddRandomMesh(scene, seed, {37});
    BuildObjectLightmaps(object, nullptr, lights[0]);  // no device: the tiles map onto their bare stack
    FaceGroup* group = object->face_groups;
    std::vector<uint16_t> pixels(8 * 8 * 37);
    DDSURFACEDESC2 desc = {};
    desc.dwWidth = 8, desc.dwHeight = 8 * 37, desc.lPitch = 16, desc.lpSurface = pixels.data();
    for (const Vector4& light : lights) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " light " << light.x);
      RelightGroupWith<LightTexelSimd>(group->lightmap, light, 37, DescribeLockedTiles(*group->lightmap, desc));
      ExpectTilesWhereVerticesPoint<LightTexelSimd>(object, group, light, desc);
      RelightGroupWith<LightTexelScalar>(group->lightmap, light, 37, DescribeLockedTiles(*group->lightmap, desc));
      ExpectTilesWhereVerticesPoint<LightTexelScalar>(object, group, light, desc);
      RelightGroupWith<PositionBits>(group->lightmap, light, 37, DescribeLockedTiles(*group->lightmap, desc));
      ExpectTilesWhereVerticesPoint<PositionBits>(object, group, light, desc);
    }
  }
}

TEST(BuildObjectLightmaps, GivesEachGroupItsOwnTilesAndRebuildsOnlyAfterARelease) {
  AseScene scene;
  GeomObject* object = AddRandomMesh(scene, 7, {6, 4});
  BuildObjectLightmaps(object, nullptr, Vector4{});
  FaceGroup* second = object->face_groups->next;
  ASSERT_NE(second->lightmap, nullptr);
  EXPECT_EQ(second->lightmap->tile_count, 4u) << "a group's lightmap holds its own faces, not the mesh's";
  const GroupLightmap* lightmap = second->lightmap;
  BuildObjectLightmaps(object, nullptr, Vector4{});
  EXPECT_EQ(second->lightmap, lightmap) << "groups that still have lightmaps are not built again";
  ReleaseObjectLightmaps(object);
  EXPECT_TRUE(second->lightmap == nullptr && second->lightmap_vertices == nullptr);
  BuildObjectLightmaps(object, nullptr, Vector4{});
  EXPECT_NE(second->lightmap, nullptr);
  ReleaseObjectLightmaps(object);
  ReleaseObjectLightmaps(object);
}

TEST_F(DeviceTest, LightmapTexturesHoldEveryTileWhereItsVerticesPoint) {
  const DWORD POW2_SQUARE = D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY;
  const struct {
    const char* what;
    DWORD caps, max_edge;
    std::initializer_list<uint32_t> groups;
    DWORD width, height;  // of the first group's texture; 0 for none, told once
    DWORD relit_rows;     // of the first group's texture, what its next upload carries
  } cases[] = {
      {"3,000 faces: two columns of the driver's largest texture", 0, 0, {3000}, 16, 12000, 12000},
      {"powers of two, square, at most 256", POW2_SQUARE, 256, {300}, 256, 256, 240},
      {"3 of 10 faces: the mesh's 80 rows halved", 0, 0, {3, 7}, 8, 40, 24},
      {"no texture at an edge of 4 texels", 0, 4, {3, 2}, 0, 0, 0},
  };
  const Vector4 light = {20, 30, 10, 0};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetTextureCapsForTest(c.caps);
    SetMaxTextureSizeForTest(c.max_edge);
    Renderer renderer;
    ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
    AseScene scene;
    GeomObject* object = AddRandomMesh(scene, 11, c.groups);
    BuildObjectLightmaps(object, renderer.device, light);
    const std::vector<CapturedMessageBox> boxes = EndCaptureMessageBoxes();
    BeginCaptureMessageBoxes();
    ASSERT_EQ(boxes.size(), c.width == 0 ? 1u : 0u);
    EXPECT_TRUE(c.width != 0 || boxes[0].text == "Cannot Create Lightmap");
    RelightScene(&scene, light);
    if (c.width != 0) {
      EXPECT_EQ(object->face_groups->lightmap->surface->state->stale_bottom, c.relit_rows)
          << "the rows that the next upload carries";
    }
    for (const FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
      ASSERT_NE(group->lightmap_vertices, nullptr) << "the group is drawn, with or without its lightmap";
      ASSERT_EQ(group->lightmap->surface != nullptr, c.width != 0);
      if (c.width == 0) continue;
      DDSURFACEDESC2 desc = {};
      desc.dwSize = DDSURFACEDESC2_SIZE;
      ASSERT_EQ(group->lightmap->surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
      const bool sized = group != object->face_groups || (desc.dwWidth == c.width && desc.dwHeight == c.height);
      EXPECT_TRUE(sized) << desc.dwWidth << " x " << desc.dwHeight;
      // The format that FindRgb565Format picked from the stand-in's list.
      EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
      EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask | desc.ddpfPixelFormat.dwRGBAlphaBitMask, 0xF800u);
      ExpectTilesWhereVerticesPoint<LightTexelSimd>(object, group, light, desc);
      group->lightmap->surface->Unlock(nullptr);
    }
    ReleaseObjectLightmaps(object);
  }
}

// Every lightmap texture of the scene, as its lock shows it: width, height and the 16-bit pixels.
std::vector<std::vector<uint16_t>> TexturePixels(const GeomObject* object) {
  std::vector<std::vector<uint16_t>> textures;
  for (const FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
    textures.push_back(LockedTexels(group->lightmap->surface));
    EXPECT_FALSE(textures.back().empty()) << "a lock was left held";
  }
  return textures;
}

// Odd tile counts, groups of less than one piece and of several with a short last one, one and two
// columns of tiles: the pixels of one thread are the pixels of any other count.
TEST_F(DeviceTest, RelightOnAnyNumberOfThreadsWritesTheSamePixels) {
  for (DWORD max_edge : {DWORD{0}, DWORD{2048}}) {
    SCOPED_TRACE(testing::Message() << "largest texture edge " << max_edge);
    SetMaxTextureSizeForTest(max_edge);
    Renderer renderer;
    ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
    AseScene scene;
    GeomObject* object = AddRandomMesh(scene, 5, {1, 37, 129, 301, 3});
    // Enough tiles that the workers take pieces while the asking thread lights its own.
    AddRandomMesh(scene, 6, {4097, 8191});
    std::vector<std::vector<std::vector<uint16_t>>> pictures;
    for (unsigned threads : {1u, 2u, 3u, 7u}) {
      ASSERT_TRUE(StartRelightThreads(threads));
      for (GeomObject* o = scene.geom_objects; o != nullptr; o = NextNode(o)) {
        ReleaseObjectLightmaps(o);
        BuildObjectLightmaps(o, renderer.device, Vector4{20, 30, 10, 0});
      }
      RelightScene(&scene, Vector4{-15.5f, 40, 22, 0});
      pictures.push_back(TexturePixels(object));
      for (std::vector<uint16_t>& texture : TexturePixels(NextNode(object))) pictures.back().push_back(texture);
      EXPECT_EQ(pictures.back(), pictures.front()) << threads << " threads";
    }
    ASSERT_EQ(pictures.front().size(), 7u);
    EXPECT_EQ(pictures.front()[3][0], max_edge == 0 ? 8 : 16) << "301 tiles in two columns at 2,048 texels";
    for (GeomObject* o = scene.geom_objects; o != nullptr; o = NextNode(o)) ReleaseObjectLightmaps(o);
  }
  StopRelightThreads();
}

// A texture already locked elsewhere cannot be locked by the relight: it keeps its pixels, the others
// are relit, and every lock taken is given back.
TEST_F(DeviceTest, RelightPassesOverATextureItCannotLock) {
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  AseScene scene;
  GeomObject* object = AddRandomMesh(scene, 9, {5, 7, 9});
  BuildObjectLightmaps(object, renderer.device, Vector4{20, 30, 10, 0});
  ASSERT_TRUE(StartRelightThreads(3));
  const std::vector<std::vector<uint16_t>> before = TexturePixels(object);
  IDirectDrawSurface7* held = object->face_groups->next->lightmap->surface;
  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  ASSERT_EQ(held->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  RelightScene(&scene, Vector4{-15.5f, 40, 22, 0});
  held->Unlock(nullptr);
  const std::vector<std::vector<uint16_t>> after = TexturePixels(object);
  EXPECT_NE(after[0], before[0]);
  EXPECT_EQ(after[1], before[1]) << "the texture that could not be locked keeps its pixels";
  EXPECT_NE(after[2], before[2]);
  RelightScene(&scene, Vector4{-15.5f, 40, 22, 0});
  EXPECT_EQ(TexturePixels(object)[0], after[0]);
  EXPECT_NE(TexturePixels(object)[1], before[1]) << "relit once it can be locked";
  StopRelightThreads();
  ReleaseObjectLightmaps(object);
}

}  // namespace
