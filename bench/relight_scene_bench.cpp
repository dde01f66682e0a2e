// Texels relit per second over a whole generated scene, for both texel routines: every tile of every
// group lit, packed to 5-6-5 and written row by row into texture memory with its pitch, as a relight
// does between one lock and one unlock of each texture. Beside it, the machine's memory bandwidth
// measured in the same run, so that the relight's bytes per second read as a fraction of what memory
// allows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bench/terrain.h"
#include "lightmap/lightmap_texture.h"
#include "lightmap/texel_lighting.h"
#include "math/simd_lib/light_texel.h"
#include "math/zeroed_array.h"
#include "scene/ase_scene.h"

namespace {

// 5 x 5 terrains of 32 x 32 quads: 25 objects of 2,048 faces, 51,200 triangles, 3,276,800 texels.
constexpr uint32_t SCENE_SIDE = 5;
constexpr uint32_t QUADS_PER_SIDE = 32;
constexpr float TERRAIN_SPACING = 1000.0f;

// Per texel a relight reads its record and writes it all back (the colour lies in every cache line of
// the array), and stores a 2-byte pixel, whose line is first read for ownership.
constexpr double RELIGHT_BYTES_PER_TEXEL = 2.0 * sizeof(LightmapTexel) + 2.0 * sizeof(uint16_t);

// The scene built once, as ApplyScene leaves it, with a block of memory per texture standing for
// what its lock hands out: 16-bit pixels, a pitch of one tile row.
struct RelightBenchScene {
  RelightBenchScene() {
    const TerrainMesh mesh = MakeTerrain(QUADS_PER_SIDE);
    for (uint32_t k = 0; k < SCENE_SIDE * SCENE_SIDE; ++k) {
      GeomObject* object = new GeomObject;
      AppendNode(scene.geom_objects, object);
      ++scene.geom_object_count;
      object->vertex_count = static_cast<uint32_t>(mesh.vertices.size());
      object->vertices = NewZeroedArray<MeshVertex>(mesh.vertices.size());
      const float dx = TERRAIN_SPACING * static_cast<float>(k % SCENE_SIDE);
      const float dz = TERRAIN_SPACING * static_cast<float>(k / SCENE_SIDE);
      for (uint32_t i = 0; i < object->vertex_count; ++i) {
        object->vertices[i] = mesh.vertices[i];
        object->vertices[i].position.x += dx;
        object->vertices[i].position.z += dz;
      }
      object->face_count = mesh.FaceCount();
      FaceGroup* group = new FaceGroup;
      group->face_count = object->face_count;
      group->face_indices = NewZeroedArray<uint16_t>(mesh.face_indices.size());
      std::memcpy(group->face_indices, mesh.face_indices.data(), mesh.face_indices.size() * sizeof(uint16_t));
      object->face_groups = group;
      object->face_group_count = 1;
      BuildObjectLightmaps(object, nullptr, SceneLight(0));

      GroupLightmap* lightmap = group->lightmap;
      const uint32_t rows = uint32_t{lightmap->tile_height} * lightmap->tile_count;
      textures.emplace_back(size_t{rows} * lightmap->tile_width);
      DDSURFACEDESC2 desc = {};
      desc.dwSize = DDSURFACEDESC2_SIZE;
      desc.dwWidth = lightmap->tile_width;
      desc.dwHeight = rows;
      desc.lPitch = static_cast<LONG>(lightmap->tile_width * sizeof(uint16_t));
      desc.lpSurface = textures.back().data();
      locked.push_back(DescribeLockedTiles(*lightmap, desc));
      texel_count += uint64_t{lightmap->tile_count} * lightmap->tile_width * lightmap->tile_height;
    }
  }

  // Circling over the whole scene, as a light moves while the animation plays.
  static Vector4 SceneLight(uint32_t pass) {
    const float angle_rad = 0.05f * static_cast<float>(pass);
    const float centre = 0.5f * TERRAIN_SPACING * SCENE_SIDE;
    return Vector4{centre + 1500.0f * std::cos(angle_rad), 300.0f, centre + 1500.0f * std::sin(angle_rad), 0.0f};
  }

  AseScene scene;
  std::vector<std::vector<uint16_t>> textures;
  std::vector<LockedTiles> locked;  // one per face group, in scene order
  uint64_t texel_count = 0;
};

RelightBenchScene& BenchScene() {
  static RelightBenchScene scene;
  return scene;
}

template <TexelRoutine Routine>
void BM_RelightScene(benchmark::State& state) {
  RelightBenchScene& bench = BenchScene();
  uint32_t pass = 0;
  for (auto _ : state) {
    const Vector4 light = RelightBenchScene::SceneLight(pass++);
    size_t g = 0;
    for (GeomObject* object = bench.scene.geom_objects; object != nullptr; object = NextNode(object)) {
      for (FaceGroup* group = object->face_groups; group != nullptr; group = group->next, ++g) {
        RelightGroupWith<Routine>(group->lightmap, light, group->face_count, bench.locked[g]);
      }
    }
    benchmark::DoNotOptimize(bench.textures[pass % bench.textures.size()][pass % 64]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations() * bench.texel_count));
  state.SetBytesProcessed(int64_t(double(state.iterations()) * double(bench.texel_count) * RELIGHT_BYTES_PER_TEXEL));
  state.counters["texels"] = double(bench.texel_count);
  state.counters["bytes_per_texel"] = RELIGHT_BYTES_PER_TEXEL;
}

BENCHMARK_TEMPLATE(BM_RelightScene, LightTexelSimd)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_TEMPLATE(BM_RelightScene, LightTexelScalar)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Far beyond every cache, like the relight's 118 MB of texel records.
constexpr size_t STREAM_BYTES = size_t{256} << 20;

// Bytes read plus bytes written.
void BM_MemoryCopy(benchmark::State& state) {
  std::vector<uint8_t> source(STREAM_BYTES, 1), destination(STREAM_BYTES, 0);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), STREAM_BYTES);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 2 * int64_t(STREAM_BYTES));
}
BENCHMARK(BM_MemoryCopy)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Read and written back in place, as the relight treats its texel records.
void BM_MemoryUpdateInPlace(benchmark::State& state) {
  std::vector<uint32_t> words(STREAM_BYTES / sizeof(uint32_t), 1);
  for (auto _ : state) {
    for (uint32_t& word : words) word += 3;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 2 * int64_t(STREAM_BYTES));
}
BENCHMARK(BM_MemoryUpdateInPlace)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
