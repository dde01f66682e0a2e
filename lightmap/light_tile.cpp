// The texel-routine binding: compiled once per program, with KESTREL_TEXEL_SIMD choosing the routine
// that the tile lighting loop inlines.
#include "lightmap/lightmap.h"
#include "lightmap/texel_routine.h"

#ifndef KESTREL_TEXEL_SIMD
#error "KESTREL_TEXEL_SIMD selects the texel routine (1: SSE kernel, 0: scalar routine)"
#endif

const char* TexelRoutineName() { return KESTREL_TEXEL_SIMD ? "SSE" : "scalar"; }

// Placeholder until the lightmap baker lands.
void RelightScene(AseScene*, const Vector4&) {}
