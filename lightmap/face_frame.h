// Face lightmap frame of one triangle: its unit normal, the four corners in space of the parallelogram
// that the triangle's texture-coordinate rectangle spans in its plane, and the lightmap coordinates
// (s, t) of its three vertices. Failures are told with ShowReport and the bake goes on.
#pragma once

#include "math/math3d.h"
#include "scene/ase_scene.h"

struct FaceFrame {
  Vector3 normal;
  Vector3 corners[4];  // lightmap coordinates (0, 0), (0, 1), (1, 1), (1, 0)
  MeshVertex vertices[3];  // copies with u, v replaced by the lightmap s, t
};
