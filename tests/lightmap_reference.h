// The relight as it was when every texel was stored, kept apart from the code under test: a texel's
// position spread over its frame's corners in this order of operations, lit by the routine, packed.
#pragma once

#include "lightmap/face_frame.h"
#include "lightmap/texel_lighting.h"

template <TexelRoutine Routine>
uint16_t ReferencePixel(const FaceFrame& frame, const Vector4& light, uint32_t r, uint32_t c) {
  const Vector3 &a = frame.corners[0], &b = frame.corners[1], &d = frame.corners[3];
  const float column = static_cast<float>(c), row = static_cast<float>(r);
  Vector4 position;
  position.x = (((d.x - a.x) / 8.0f * column + 0.5f) + ((b.x - a.x) / 8.0f * row + 0.5f)) + a.x;
  position.y = (((d.y - a.y) / 8.0f * column + 0.5f) + ((b.y - a.y) / 8.0f * row + 0.5f)) + a.y;
  position.z = (((d.z - a.z) / 8.0f * column + 0.5f) + ((b.z - a.z) / 8.0f * row + 0.5f)) + a.z;
  position.w = 0.0f;
  const Vector4 normal = {frame.normal.x, frame.normal.y, frame.normal.z, 0.0f};
  return PackRgb565(Routine(&position, &light, &normal, LIGHTMAP_WHITE));
}

