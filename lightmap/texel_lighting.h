// The lighting loops of the lightmap baker, written once over the texel routine: the scalar routine
// (the reference that the SIMD kernel is checked against) and the tile, group and scene loops that each
// program instantiates with its own routine so that it is inlined per texel. Texels are placed again
// from their tile's terms and lit straight into the locked texture; a tile index at or beyond the
// lightmap's tile count, or outside the locked memory, is neither lit nor written. A relight cuts the
// tiles into pieces that the relight threads share; each tile is still lit by the same loop.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "lightmap/lightmap.h"
#include "lightmap/lightmap_texture.h"
#include "lightmap/relight_batch.h"
#include "lightmap/relight_threads.h"
#include "math/math3d.h"
#include "math/simd_lib/light_texel.h"
#include "scene/ase_scene.h"

// The colour the baker lights with: white, alpha left to the routine.
constexpr uint32_t LIGHTMAP_WHITE = 0x00FFFFFF;

using TexelRoutine = uint32_t (*)(const Vector4*, const Vector4*, const Vector4*, uint32_t);

// Truncation toward zero as the processor does it: a product out of the int range gives 0x80000000
// instead of undefined behaviour, and its low byte is then 0.
inline uint32_t TruncateToChannel(float value) {
  return static_cast<uint32_t>(_mm_cvttss_si32(_mm_set_ss(value))) & 0xFF;
}

inline uint32_t LightTexelScalar(const Vector4* texel_position, const Vector4* light_position, const Vector4* normal,
                                 uint32_t colour) {
  const Vector4 d = light_position->SubtractVector4(texel_position);
  // The square root instruction itself: the library call would be kept for errno on a NaN sum.
  const float length = _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(d.x * d.x + d.y * d.y + d.z * d.z)));
  const float ux = d.x / length;
  const float uy = d.y / length;
  const float uz = d.z / length;
  const float k = ux * normal->x + uy * normal->y + uz * normal->z;
  if (!(k >= 0.0f)) return 0;
  const uint32_t c2 = TruncateToChannel(k * static_cast<float>((colour >> 16) & 0xFF));
  const uint32_t c1 = TruncateToChannel(k * static_cast<float>((colour >> 8) & 0xFF));
  const uint32_t c0 = TruncateToChannel(k * static_cast<float>(colour & 0xFF));
  return 0xFF000000u | c2 << 16 | c1 << 8 | c0;
}

// The column (or row) term of one axis, rounded to float after the product and after the offset.
inline float TexelTerm(float step, uint32_t index) { return step * static_cast<float>(index) + 0.5f; }

// The texel as the build placed it: the sum is taken in the build's order so the position is its own.
// Each operand is stored whole, as the routines load it, so the load is forwarded from the store.
inline LightmapTexel TexelAt(const LightmapTile& tile, uint32_t row, uint32_t column) {
  const Vector3& o = tile.origin;
  const Vector3& cs = tile.column_step;
  const Vector3& rs = tile.row_step;
  const float x = (TexelTerm(cs.x, column) + TexelTerm(rs.x, row)) + o.x;
  const float y = (TexelTerm(cs.y, column) + TexelTerm(rs.y, row)) + o.y;
  const float z = (TexelTerm(cs.z, column) + TexelTerm(rs.z, row)) + o.z;
  LightmapTexel texel;
  _mm_storeu_ps(&texel.position.x, _mm_set_ps(0.0f, z, y, x));
  _mm_storeu_ps(&texel.normal.x, _mm_set_ps(0.0f, tile.normal.z, tile.normal.y, tile.normal.x));
  texel.colour = 0;
  return texel;
}

// Four 32-bit colours as 5-6-5 pixels, as PackRgb565 packs each, sign-extended in their 32-bit lanes
// so that the signed pack to 16 bits keeps their bits instead of saturating.
inline __m128i Rgb565Lanes(__m128i colour) {
  const __m128i red = _mm_slli_epi32(_mm_and_si128(colour, _mm_set1_epi32(0xF8)), 8);
  const __m128i green = _mm_srli_epi32(_mm_and_si128(colour, _mm_set1_epi32(0xFC00)), 5);
  const __m128i blue = _mm_srli_epi32(_mm_and_si128(colour, _mm_set1_epi32(0xF80000)), 19);
  return _mm_srai_epi32(_mm_slli_epi32(_mm_or_si128(red, _mm_or_si128(green, blue)), 16), 16);
}

// One axis of a tile's texel positions, four columns at a time: the column terms are made once per
// tile, the row term once per row, with the same operations as TexelAt.
struct TileAxis {
  TileAxis(float column_step, float origin, uint32_t first_column) : origin(_mm_set1_ps(origin)) {
    const __m128 columns = _mm_add_ps(_mm_set1_ps(static_cast<float>(first_column)), _mm_set_ps(3, 2, 1, 0));
    column_terms = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(column_step), columns), _mm_set1_ps(0.5f));
  }
  __m128 At(__m128 row_term) const { return _mm_add_ps(_mm_add_ps(column_terms, row_term), origin); }

  __m128 origin;
  __m128 column_terms;
};

// Four texels given by axis lit by a one-texel routine: each lane becomes a texel operand, stored whole.
template <TexelRoutine Routine>
inline __m128i LightFourTexelsWith(__m128 px, __m128 py, __m128 pz, const Vector4& light, const Vector4& normal) {
  __m128 pw = _mm_setzero_ps();
  _MM_TRANSPOSE4_PS(px, py, pz, pw);
  Vector4 positions[4];
  _mm_storeu_ps(&positions[0].x, px);
  _mm_storeu_ps(&positions[1].x, py);
  _mm_storeu_ps(&positions[2].x, pz);
  _mm_storeu_ps(&positions[3].x, pw);
  uint32_t colours[4];
  for (int lane = 0; lane < 4; ++lane) colours[lane] = Routine(&positions[lane], &light, &normal, LIGHTMAP_WHITE);
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(colours));
}

// Four texels given by axis, lit by the program's routine.
template <TexelRoutine Routine>
inline __m128i LightFourWith(__m128 px, __m128 py, __m128 pz, const Vector4& light, const Vector4& normal) {
  if constexpr (Routine == &LightTexelSimd) {
    return LightFourTexelsSimd(px, py, pz, light, normal, LIGHTMAP_WHITE);
  } else {
    return LightFourTexelsWith<Routine>(px, py, pz, light, normal);
  }
}

// Lights the tile and writes its pixels, row by row, from first_pixel on with the given pitch. Both
// programs place the texels alike, four columns at a time; only the routine that lights them differs.
// The colours go straight into the pixels: nothing else reads them.
template <TexelRoutine Routine>
inline void LightTileWith(const GroupLightmap& lightmap, const Vector4& light, uint32_t tile, uint16_t* first_pixel,
                          size_t pitch_bytes) {
  const LightmapTile& terms = lightmap.tiles[tile];
  const uint32_t width = lightmap.tile_width;
  // Copies that the pixel stores cannot alias, so they stay in registers.
  const Vector4 here = light;
  const Vector4 normal = {terms.normal.x, terms.normal.y, terms.normal.z, 0.0f};
  const Vector3& cs = terms.column_step;
  const Vector3& rs = terms.row_step;
  const Vector3& o = terms.origin;
  uint32_t c = 0;
  if (width == 8) {
    // Both halves of a row at once: each row term serves eight texels and one store writes the row.
    const TileAxis x0(cs.x, o.x, 0), y0(cs.y, o.y, 0), z0(cs.z, o.z, 0);
    const TileAxis x4(cs.x, o.x, 4), y4(cs.y, o.y, 4), z4(cs.z, o.z, 4);
    uint8_t* row_bytes = reinterpret_cast<uint8_t*>(first_pixel);
    for (uint32_t r = 0; r < lightmap.tile_height; ++r, row_bytes += pitch_bytes) {
      const __m128 rx = _mm_set1_ps(TexelTerm(rs.x, r));
      const __m128 ry = _mm_set1_ps(TexelTerm(rs.y, r));
      const __m128 rz = _mm_set1_ps(TexelTerm(rs.z, r));
      const __m128i left = LightFourWith<Routine>(x0.At(rx), y0.At(ry), z0.At(rz), here, normal);
      const __m128i right = LightFourWith<Routine>(x4.At(rx), y4.At(ry), z4.At(rz), here, normal);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row_bytes), _mm_packs_epi32(Rgb565Lanes(left), Rgb565Lanes(right)));
    }
    c = width;
  }
  for (; c + 4 <= width; c += 4) {
    const TileAxis x(cs.x, o.x, c), y(cs.y, o.y, c), z(cs.z, o.z, c);
    uint8_t* row_bytes = reinterpret_cast<uint8_t*>(first_pixel + c);
    for (uint32_t r = 0; r < lightmap.tile_height; ++r, row_bytes += pitch_bytes) {
      const __m128i colours =
          LightFourWith<Routine>(x.At(_mm_set1_ps(TexelTerm(rs.x, r))), y.At(_mm_set1_ps(TexelTerm(rs.y, r))),
                                 z.At(_mm_set1_ps(TexelTerm(rs.z, r))), here, normal);
      const __m128i lanes = Rgb565Lanes(colours);
      _mm_storel_epi64(reinterpret_cast<__m128i*>(row_bytes), _mm_packs_epi32(lanes, lanes));
    }
  }
  // Columns that do not make a step of four.
  const uint32_t first_column = c;
  uint8_t* row_bytes = reinterpret_cast<uint8_t*>(first_pixel);
  for (uint32_t r = 0; first_column < width && r < lightmap.tile_height; ++r, row_bytes += pitch_bytes) {
    uint16_t* pixel = reinterpret_cast<uint16_t*>(row_bytes);
    for (c = first_column; c < width; ++c) {
      const LightmapTexel texel = TexelAt(terms, r, c);
      pixel[c] = PackRgb565(Routine(&texel.position, &here, &texel.normal, LIGHTMAP_WHITE));
    }
  }
}

// Lights the group's first tiles straight into the locked texture; a tile that the lock does not hold
// is not lit, since nothing would see it.
template <TexelRoutine Routine>
inline void RelightGroupWith(const GroupLightmap* lightmap, const Vector4& light, uint32_t tiles,
                             const LockedTiles& memory) {
  if (lightmap == nullptr || lightmap->tiles == nullptr) return;
  if (tiles > lightmap->tile_count) tiles = lightmap->tile_count;
  for (uint32_t i = 0; i < tiles; ++i) {
    uint16_t* first_pixel = TileFirstPixel(*lightmap, memory, i);
    if (first_pixel == nullptr) return;
    LightTileWith<Routine>(*lightmap, light, i, first_pixel, memory.pitch_bytes);
  }
}

// Lights the batch's pieces [first, end); the relight threads call it with a RelightBatch as context.
// A piece's tiles go through the same tile loop in the same order whichever thread takes it, so every
// pixel is the same at any thread count.
template <TexelRoutine Routine>
void LightBatchPieces(void* context, uint32_t first, uint32_t end) {
  const RelightBatch& batch = *static_cast<const RelightBatch*>(context);
  const Vector4 light = batch.light;
  for (uint32_t p = first; p < end; ++p) {
    const RelightBatch::Piece& piece = batch.pieces[p];
    const RelightBatch::Group& group = batch.groups[piece.group];
    for (uint32_t i = piece.first_tile; i < piece.end_tile; ++i) {
      LightTileWith<Routine>(*group.lightmap, light, i, TileFirstPixel(*group.lightmap, group.memory, i),
                             group.memory.pitch_bytes);
    }
  }
}

// Lights every piece of the batch on the relight threads and returns when all are written. A batch of
// few tiles is over before a sleeping worker would be awake, so it stays on the asking thread.
template <TexelRoutine Routine>
inline void LightBatchWith(RelightBatch& batch) {
  const uint32_t pieces = static_cast<uint32_t>(batch.pieces.size());
  if (batch.tile_total < RELIGHT_TILES_TO_SHARE) {
    LightBatchPieces<Routine>(&batch, 0, pieces);
  } else {
    RunOnRelightThreads(pieces, 1, &LightBatchPieces<Routine>, &batch);
  }
}

// Relights every lightmap of the scene: each texture locked once for the whole relight, the tiles of
// all of them shared by the relight threads, then every texture unlocked. A texture whose lock fails
// is left as it was.
template <TexelRoutine Routine>
inline void RelightSceneWith(AseScene* scene, const Vector4& light, RelightBatch& batch) {
  if (scene == nullptr) return;
  batch.Begin(light);
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    for (FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
      if (group->lightmap == nullptr) continue;
      for (uint32_t k = 0; k < LightmapSliceCount(group->face_count); ++k) {
        batch.LockAndAdd(&group->lightmap[k], group->lightmap[k].tile_count);
      }
    }
  }
  LightBatchWith<Routine>(batch);
  batch.UnlockAll();
}
