#include "bench/terrain.h"

#include <cmath>

namespace {

constexpr float TERRAIN_SIZE = 1000.0f;

}  // namespace

TerrainMesh MakeTerrain(uint32_t quads_per_side) {
  const uint32_t side = quads_per_side + 1;
  TerrainMesh mesh;
  mesh.vertices.resize(size_t{side} * side);
  const float step = TERRAIN_SIZE / static_cast<float>(quads_per_side);
  for (uint32_t row = 0; row < side; ++row) {
    for (uint32_t column = 0; column < side; ++column) {
      MeshVertex& vertex = mesh.vertices[row * side + column];
      const float x = static_cast<float>(column) * step;
      const float z = static_cast<float>(row) * step;
      vertex.position = MakeVector(x, 40.0f * std::sin(x * 0.013f) * std::cos(z * 0.011f), z);
      vertex.u = static_cast<float>(column) * 0.25f;
      vertex.v = static_cast<float>(row) * 0.25f;
    }
  }
  const auto at = [side](uint32_t r, uint32_t c) { return static_cast<uint16_t>(r * side + c); };
  for (uint32_t row = 0; row < quads_per_side; ++row) {
    for (uint32_t column = 0; column < quads_per_side; ++column) {
      const uint16_t quad[6] = {at(row, column),     at(row + 1, column), at(row, column + 1),
                                at(row, column + 1), at(row + 1, column), at(row + 1, column + 1)};
      mesh.face_indices.insert(mesh.face_indices.end(), quad, quad + 6);
    }
  }
  return mesh;
}

Vector4 TerrainLight(uint32_t pass) {
  const float angle_rad = 0.05f * static_cast<float>(pass);
  const float centre = 0.5f * TERRAIN_SIZE;
  return Vector4{centre + 400.0f * std::cos(angle_rad), 150.0f, centre + 400.0f * std::sin(angle_rad), 0.0f};
}
