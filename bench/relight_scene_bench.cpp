// Texels relit per second over the default scene and over generated scenes up to ten times the
// last-level cache, for both texel routines: every tile of every group lit, packed to 5-6-5 and written
// row by row into texture memory with its pitch, as a relight does between one lock and one unlock of
// each texture. Beside it, the machine's memory bandwidth
// measured in the same run, so that the relight's bytes per second read as a fraction of what memory
// allows.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/terrain.h"
#include "lightmap/lightmap_texture.h"
#include "lightmap/relight_batch.h"
#include "lightmap/relight_threads.h"
#include "lightmap/texel_lighting.h"
#include "math/simd_lib/light_texel.h"
#include "math/zeroed_array.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"

namespace {

constexpr float TERRAIN_SPACING = 1000.0f;
constexpr uint32_t QUADS_PER_SIDE = 32;  // 2,048 faces per terrain object

// Per texel a relight reads 1/64 of its tile's terms and stores a 2-byte pixel, whose line is first
// read for ownership.
constexpr double RELIGHT_BYTES_PER_TEXEL = sizeof(LightmapTile) / 64.0 + 2.0 * sizeof(uint16_t);

// A scene as ApplyScene leaves it, with a block of memory per texture standing for what its lock hands
// out: 16-bit pixels, a pitch of one texture row.
struct RelightBenchScene {
  // side x side terrains of 2,048 faces, spread over the ground.
  explicit RelightBenchScene(uint32_t side) {
    const TerrainMesh mesh = MakeTerrain(QUADS_PER_SIDE);
    for (uint32_t k = 0; k < side * side; ++k) {
      GeomObject* object = new GeomObject;
      AppendNode(scene.geom_objects, object);
      ++scene.geom_object_count;
      object->vertex_count = static_cast<uint32_t>(mesh.vertices.size());
      object->vertices = NewZeroedArray<MeshVertex>(mesh.vertices.size());
      const float dx = TERRAIN_SPACING * static_cast<float>(k % side);
      const float dz = TERRAIN_SPACING * static_cast<float>(k / side);
      for (uint32_t i = 0; i < object->vertex_count; ++i) {
        object->vertices[i] = mesh.vertices[i];
        object->vertices[i].position.x += dx;
        object->vertices[i].position.z += dz;
      }
      object->face_count = mesh.FaceCount();
      FaceGroup* group = new FaceGroup;
      group->face_count = object->face_count;
      group->face_indices = NewZeroedArray<VertexIndex>(mesh.face_indices.size());
      std::copy(mesh.face_indices.begin(), mesh.face_indices.end(), group->face_indices);
      object->face_groups = group;
      object->face_group_count = 1;
    }
    const float centre = 0.5f * TERRAIN_SPACING * static_cast<float>(side);
    centre_ = Vector4{centre, 300.0f, centre, 0.0f};
    radius_ = 0.6f * TERRAIN_SPACING * static_cast<float>(side);
    Build();
  }

  // The scene that the program opens by default, lit around its own first light.
  RelightBenchScene() {
    std::string folder = (std::filesystem::temp_directory_path() / "kestrel-bench-XXXXXX").string();
    char cwd[4096];
    // The report goes to the working folder; keep it out of the source tree.
    if (mkdtemp(folder.data()) == nullptr || getcwd(cwd, sizeof cwd) == nullptr || chdir(folder.c_str()) != 0) return;
    const bool loaded = LoadScene(&scene, KESTREL_SOURCE_DIR "/assets/light.ase");
    if (chdir(cwd) != 0) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (!loaded || scene.lights == nullptr) return;
    const Vector3& light = scene.lights->node_tms[0].pos;
    centre_ = Vector4{light.x, light.z, light.y, 0.0f};
    radius_ = 20.0f;
    Build();
  }

  void Build() {
    for (GeomObject* object = scene.geom_objects; object != nullptr; object = NextNode(object)) {
      BuildObjectLightmaps(object, nullptr, Light(0));
      for (FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
        const GroupLightmap* lightmap = group->lightmap;
        if (lightmap == nullptr) continue;
        // Without a device the tiles stay in one column.
        const uint32_t rows = uint32_t{lightmap->tile_height} * lightmap->tile_count;
        textures.emplace_back(size_t{rows} * lightmap->tile_width);
        DDSURFACEDESC2 desc = {};
        desc.dwSize = DDSURFACEDESC2_SIZE;
        desc.dwWidth = lightmap->tile_width;
        desc.dwHeight = rows;
        desc.lPitch = static_cast<LONG>(lightmap->tile_width * sizeof(uint16_t));
        desc.lpSurface = textures.back().data();
        locked.push_back(DescribeLockedTiles(*lightmap, desc));
        texel_count += uint64_t{group->face_count} * lightmap->tile_width * lightmap->tile_height;
      }
    }
  }

  // Circling over the scene, as a light moves while the animation plays.
  Vector4 Light(uint32_t pass) const {
    const float angle_rad = 0.05f * static_cast<float>(pass);
    return Vector4{centre_.x + radius_ * std::cos(angle_rad), centre_.y, centre_.z + radius_ * std::sin(angle_rad),
                   0.0f};
  }

  AseScene scene;
  std::vector<std::vector<uint16_t>> textures;
  std::vector<LockedTiles> locked;  // one per lit face group, in scene order
  uint64_t texel_count = 0;

 private:
  Vector4 centre_ = {};
  float radius_ = 0.0f;
};

// 0: the default scene; otherwise side x side terrains. 5 x 5 is 51,200 triangles; 8 x 8 is 131,072
// triangles, 8.4 M texels: their records and pixels as stored until now (319 MB) were ten times the
// 32 MiB last-level cache; their tile terms and pixels now take 23 MB. 30 x 30 is 1.8 M triangles,
// whose tile terms and pixels (324 MB) are ten times that cache.
RelightBenchScene& BenchScene(int64_t side) {
  static std::map<int64_t, std::unique_ptr<RelightBenchScene>> scenes;
  std::unique_ptr<RelightBenchScene>& scene = scenes[side];
  if (!scene) {
    scene = side == 0 ? std::make_unique<RelightBenchScene>()
                      : std::make_unique<RelightBenchScene>(static_cast<uint32_t>(side));
  }
  return *scene;
}

template <TexelRoutine Routine>
void BM_RelightScene(benchmark::State& state) {
  RelightBenchScene& bench = BenchScene(state.range(0));
  if (bench.texel_count == 0) {
    state.SkipWithError("no scene");
    return;
  }
  uint32_t pass = 0;
  for (auto _ : state) {
    const Vector4 light = bench.Light(pass++);
    size_t g = 0;
    for (GeomObject* object = bench.scene.geom_objects; object != nullptr; object = NextNode(object)) {
      for (FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
        if (group->lightmap == nullptr) continue;
        RelightGroupWith<Routine>(group->lightmap, light, group->face_count, bench.locked[g++]);
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

void SceneSizes(benchmark::internal::Benchmark* bench) {
  bench->Arg(0)->Arg(5)->Arg(8)->Arg(30)->Unit(benchmark::kMillisecond)->MinTime(1.0);
}
BENCHMARK_TEMPLATE(BM_RelightScene, LightTexelSimd)->Apply(SceneSizes);
BENCHMARK_TEMPLATE(BM_RelightScene, LightTexelScalar)->Apply(SceneSizes);

double ProcessCpuSeconds() {
  timespec now = {};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

// The relight as the programs run it: every group's tiles cut into pieces that the relight threads
// share, at the thread count of the second argument. Items per second over the one-thread figure is the
// scaling; the texels are the same bytes at any count.
template <TexelRoutine Routine>
void BM_RelightSceneThreads(benchmark::State& state) {
  RelightBenchScene& bench = BenchScene(state.range(0));
  const unsigned threads = static_cast<unsigned>(state.range(1));
  if (bench.texel_count == 0 || !StartRelightThreads(threads)) {
    state.SkipWithError("no scene or no threads");
    return;
  }
  RelightBatch batch;
  uint32_t pass = 0;
  const double cpu_start_s = ProcessCpuSeconds();
  for (auto _ : state) {
    batch.Begin(bench.Light(pass++));
    size_t g = 0;
    for (GeomObject* object = bench.scene.geom_objects; object != nullptr; object = NextNode(object)) {
      for (FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
        if (group->lightmap != nullptr) batch.Add(group->lightmap, group->face_count, bench.locked[g++]);
      }
    }
    LightBatchWith<Routine>(batch);
    benchmark::DoNotOptimize(bench.textures[pass % bench.textures.size()][pass % 64]);
    benchmark::ClobberMemory();
  }
  const double cpu_s = ProcessCpuSeconds() - cpu_start_s;
  StopRelightThreads();
  state.SetItemsProcessed(int64_t(state.iterations() * bench.texel_count));
  state.counters["threads"] = threads;
  // Processor time of all threads per relight: the same as on one thread when sharing costs nothing,
  // whatever else the machine runs, so it shows the overhead where the wall time cannot.
  state.counters["all_threads_cpu_ms"] = 1000.0 * cpu_s / double(state.iterations());
}

// 8 x 8 terrains (131,072 triangles) and 22 x 22 (991,232 triangles, the size of the million-triangle
// scene), from one thread up to twice the cores.
void ScenesAndThreads(benchmark::internal::Benchmark* bench) {
  const int64_t cores = static_cast<int64_t>(OnlineCoreCount());
  for (int64_t side : {8, 22}) {
    for (int64_t threads = 1; threads <= 2 * cores; threads = threads < cores && threads * 2 > cores ? cores : threads * 2) {
      bench->Args({side, threads});
    }
  }
  bench->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
}
BENCHMARK_TEMPLATE(BM_RelightSceneThreads, LightTexelSimd)->Apply(ScenesAndThreads);
BENCHMARK_TEMPLATE(BM_RelightSceneThreads, LightTexelScalar)->Apply(ScenesAndThreads);

// Far beyond every cache: 256 MiB each way.
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
BENCHMARK(BM_MemoryCopy)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Read and written back in place, as the relight treats its texel records.
void BM_MemoryUpdateInPlace(benchmark::State& state) {
  std::vector<uint32_t> words(STREAM_BYTES / sizeof(uint32_t), 1);
  for (auto _ : state) {
    for (uint32_t& word : words) word += 3;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 2 * int64_t(STREAM_BYTES));
}
BENCHMARK(BM_MemoryUpdateInPlace)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
