// A generated terrain for the lightmap benchmarks: a square grid of hills in device axes (y up), two
// triangles per quad, each with its own texture-coordinate rectangle, so that every tile is lit from
// its own plane and angle. Meant for benchmarks only.
#pragma once

#include <cstdint>
#include <vector>

#include "math/math3d.h"
#include "scene/ase_scene.h"

struct TerrainMesh {
  std::vector<MeshVertex> vertices;
  std::vector<uint16_t> face_indices;  // 3 per triangle
  uint32_t FaceCount() const { return static_cast<uint32_t>(face_indices.size() / 3); }
};

// quads_per_side^2 * 2 triangles; quads_per_side at most 255 (vertex indices are 16-bit).
TerrainMesh MakeTerrain(uint32_t quads_per_side);
// The light of the given pass: circling above the terrain, w = 0.
Vector4 TerrainLight(uint32_t pass);
