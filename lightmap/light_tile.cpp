// The texel-routine binding: compiled once per program, with KESTREL_TEXEL_SIMD choosing the routine
// that the tile lighting loop inlines.
#include "lightmap/texel_lighting.h"
#include "lightmap/texel_routine.h"
#include "math/simd_lib/light_texel.h"

#ifndef KESTREL_TEXEL_SIMD
#error "KESTREL_TEXEL_SIMD selects the texel routine (1: SSE kernel, 0: scalar routine)"
#endif

#if KESTREL_TEXEL_SIMD
#define KESTREL_TEXEL_ROUTINE LightTexelSimd
#else
#define KESTREL_TEXEL_ROUTINE LightTexelScalar
#endif

const char* TexelRoutineName() { return KESTREL_TEXEL_SIMD ? "SSE" : "scalar"; }

namespace {

// The relight's lists, kept from one relight to the next; only the window thread relights.
RelightBatch g_relight_batch;

}  // namespace

void RelightGroup(GroupLightmap* lightmap, const Vector4& light) {
  if (lightmap == nullptr) return;
  g_relight_batch.Begin(light);
  g_relight_batch.LockAndAdd(lightmap, lightmap->tile_count);
  LightBatchWith<KESTREL_TEXEL_ROUTINE>(g_relight_batch);
  g_relight_batch.UnlockAll();
}

void RelightScene(AseScene* scene, const Vector4& light) {
  RelightSceneWith<KESTREL_TEXEL_ROUTINE>(scene, light, g_relight_batch);
}
