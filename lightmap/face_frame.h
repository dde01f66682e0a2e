// Face lightmap frame of one triangle: its unit normal, the four corners in space of the parallelogram
// that the triangle's texture-coordinate rectangle spans in its plane, and the lightmap coordinates
// (s, t) of its three vertices. Failures are told with ShowReport and the bake goes on.
#pragma once

#include <cstdint>

#include "math/math3d.h"
#include "scene/ase_scene.h"

struct FaceFrame {
  Vector3 normal;
  Vector3 corners[4];  // lightmap coordinates (0, 0), (0, 1), (1, 1), (1, 0)
  MeshVertex vertices[3];  // copies with u, v replaced by the lightmap s, t
};

// Working slots of one rectangle fit. Slots hold raw bytes on the failure paths (every corner filled
// with the byte 100 so that it counts as present), so they are plain records.
struct CornerSlot {
  Vector3 position;
  uint32_t present;
};
struct PointSlot {
  Vector3 position;
  float s, t;
};

// Fills the frame of the triangle (vertices in face order) and returns true.
bool BuildFaceFrame(FaceFrame& frame, const MeshVertex vertices[3]);
// Classifies the vertices against their texture-coordinate rectangle, writes their lightmap (s, t) into
// frame.vertices and the four corner positions into out_corners (a position in the first 12 bytes of
// each 32-byte record); the failure paths leave the block zero or filled with the byte 100.
void FitUvRectangle(FaceFrame& frame, const MeshVertex vertices[3], MeshVertex out_corners[4]);
// Sets every missing corner from the other three, in four passes over corners 0 to 3.
void CompleteParallelogram(CornerSlot corners[4]);
// Sets the one corner that the first present pair and the point at (s, t) determine.
void SolveFromTwoCorners(CornerSlot corners[4], const Vector3& point, float s, float t);
// Solves the missing corners from the one present corner and the two edge points.
void SolveFromOneCorner(CornerSlot corners[4], const PointSlot& u_edge, const PointSlot& v_edge);
