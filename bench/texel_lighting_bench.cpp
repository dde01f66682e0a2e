// Texels lit per second by each texel routine over the tiles of a generated terrain, with the light
// moving between passes as it does while the animation plays. Both routines run through the same tile
// loop that the programs inline them into, writing 5-6-5 pixels as a relight does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench/terrain.h"
#include "lightmap/face_frame.h"
#include "lightmap/texel_lighting.h"
#include "math/simd_lib/light_texel.h"
#include "math/zeroed_array.h"

namespace {

// The placed tiles of a terrain and the texture memory they are lit into, made once: placing is not
// what is measured. Small enough to stay in cache, so the rate is the tile loop's own.
struct PlacedTiles {
  explicit PlacedTiles(uint32_t quads_per_side) {
    const TerrainMesh mesh = MakeTerrain(quads_per_side);
    lightmap.tile_width = lightmap.tile_height = LIGHTMAP_TILE_SIZE;
    lightmap.tile_count = mesh.FaceCount();
    lightmap.tile_columns = 1;
    lightmap.tiles = NewZeroedArray<LightmapTile>(lightmap.tile_count);
    for (uint32_t i = 0; i < lightmap.tile_count; ++i) {
      MeshVertex vertices[3];
      for (int k = 0; k < 3; ++k) vertices[k] = mesh.vertices[mesh.face_indices[3 * i + k]];
      FaceFrame frame = {};
      BuildFaceFrame(frame, vertices);
      PlaceTexels(&lightmap, i, frame.corners, frame.normal);
    }
    pixels.resize(size_t{lightmap.tile_count} * 64);
    DDSURFACEDESC2 desc = {};
    desc.dwWidth = LIGHTMAP_TILE_SIZE;
    desc.dwHeight = lightmap.tile_count * LIGHTMAP_TILE_SIZE;
    desc.lPitch = LIGHTMAP_TILE_SIZE * sizeof(uint16_t);
    desc.lpSurface = pixels.data();
    locked = DescribeLockedTiles(lightmap, desc);
  }
  ~PlacedTiles() { DeleteArray(lightmap.tiles); }

  GroupLightmap lightmap = {};
  std::vector<uint16_t> pixels;
  LockedTiles locked;
};

template <TexelRoutine Routine>
void BM_LightTiles(benchmark::State& state) {
  static PlacedTiles tiles(static_cast<uint32_t>(state.range(0)));
  uint32_t pass = 0;
  for (auto _ : state) {
    RelightGroupWith<Routine>(&tiles.lightmap, TerrainLight(pass++), tiles.lightmap.tile_count, tiles.locked);
    benchmark::DoNotOptimize(tiles.pixels[pass % tiles.pixels.size()]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * tiles.lightmap.tile_count * 64);
  state.counters["texels"] = double(tiles.lightmap.tile_count) * 64;
}

// The one-texel kernel through the same loop, for what lighting four texels per step gains: the tile
// loop takes the four-texel path only for LightTexelSimd itself.
uint32_t LightTexelSimdOneByOne(const Vector4* texel, const Vector4* light, const Vector4* normal, uint32_t colour) {
  return LightTexelSimd(texel, light, normal, colour);
}

// 32 x 32 quads: 2,048 tiles, 131,072 texels; 96 KiB of tiles and 256 KiB of pixels stay in the
// 2 MiB second-level cache.
BENCHMARK_TEMPLATE(BM_LightTiles, LightTexelSimd)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_LightTiles, LightTexelSimdOneByOne)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_LightTiles, LightTexelScalar)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
