// Texels lit per second by each texel routine over the tiles of a generated terrain, with the light
// moving between passes as it does while the animation plays. Both routines run through the same tile
// loop that the programs inline them into.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/terrain.h"
#include "lightmap/face_frame.h"
#include "lightmap/texel_lighting.h"
#include "math/simd_lib/light_texel.h"
#include "math/zeroed_array.h"

namespace {

// The placed tiles of a terrain, made once: placing is not what is measured.
struct PlacedTiles {
  explicit PlacedTiles(uint32_t quads_per_side) {
    const TerrainMesh mesh = MakeTerrain(quads_per_side);
    lightmap.tile_width = lightmap.tile_height = LIGHTMAP_TILE_SIZE;
    lightmap.tile_count = mesh.FaceCount();
    lightmap.texels = NewZeroedArray<LightmapTexel>(size_t{lightmap.tile_count} * 64);
    for (uint32_t i = 0; i < lightmap.tile_count; ++i) {
      MeshVertex vertices[3];
      for (int k = 0; k < 3; ++k) vertices[k] = mesh.vertices[mesh.face_indices[3 * i + k]];
      FaceFrame frame = {};
      BuildFaceFrame(frame, vertices);
      PlaceTexels(&lightmap, i, frame.corners, frame.normal);
    }
  }
  ~PlacedTiles() { DeleteArray(lightmap.texels); }

  GroupLightmap lightmap = {};
};

template <TexelRoutine Routine>
void BM_LightTiles(benchmark::State& state) {
  static PlacedTiles tiles(static_cast<uint32_t>(state.range(0)));
  GroupLightmap* lightmap = &tiles.lightmap;
  uint32_t pass = 0;
  for (auto _ : state) {
    const Vector4 light = TerrainLight(pass++);
    for (uint32_t i = 0; i < lightmap->tile_count; ++i) LightTileWith<Routine>(lightmap, light, i);
    benchmark::DoNotOptimize(lightmap->texels[pass % lightmap->tile_count].colour);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * lightmap->tile_count * 64);
  state.counters["texels"] = double(lightmap->tile_count) * 64;
}

// The one-texel kernel through the same loop, for what lighting four texels per step gains: the tile
// loop takes the four-texel path only for LightTexelSimd itself.
uint32_t LightTexelSimdOneByOne(const Vector4* texel, const Vector4* light, const Vector4* normal, uint32_t colour) {
  return LightTexelSimd(texel, light, normal, colour);
}

// 64 x 64 quads: 8,192 tiles, 524,288 texels (18 MiB of texel records).
BENCHMARK_TEMPLATE(BM_LightTiles, LightTexelSimd)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_LightTiles, LightTexelSimdOneByOne)->Arg(64)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_LightTiles, LightTexelScalar)->Arg(64)->Unit(benchmark::kMillisecond);

}  // namespace
