#include "lightmap/face_frame.h"

#include <cstring>

#include "platform/report.h"

namespace {

// The bounds start inside out, so the first vertex sets both ends; coordinates beyond them are not
// expected from an export.
constexpr float UV_BOUND = 10000.0f;

// The corner slots in lightmap coordinates (0, 0), (0, 1), (1, 1), (1, 0).
enum Corner { CORNER_00 = 0, CORNER_01 = 1, CORNER_11 = 2, CORNER_10 = 3 };

void SetCorner(CornerSlot corners[4], int corner, const Vector3& position) {
  corners[corner].position = position;
  corners[corner].present = 1;
}

void SetPoint(PointSlot& slot, const Vector3& position, float s, float t) {
  slot.position = position;
  slot.s = s;
  slot.t = t;
}

}  // namespace

void CompleteParallelogram(CornerSlot corners[4]) {
  const Vector3& c0 = corners[CORNER_00].position;
  const Vector3& c1 = corners[CORNER_01].position;
  const Vector3& c2 = corners[CORNER_11].position;
  const Vector3& c3 = corners[CORNER_10].position;
  for (int pass = 0; pass < 4; ++pass) {
    if (!corners[CORNER_00].present) SetCorner(corners, CORNER_00, Add(Add(Subtract(c3, c2), Subtract(c1, c2)), c2));
    if (!corners[CORNER_01].present) SetCorner(corners, CORNER_01, Add(Add(Subtract(c0, c3), Subtract(c2, c3)), c3));
    if (!corners[CORNER_11].present) SetCorner(corners, CORNER_11, Add(Add(Subtract(c1, c0), Subtract(c3, c0)), c0));
    if (!corners[CORNER_10].present) SetCorner(corners, CORNER_10, Add(Add(Subtract(c0, c1), Subtract(c2, c1)), c1));
  }
}

void SolveFromTwoCorners(CornerSlot corners[4], const Vector3& point, float s, float t) {
  const auto present = [corners](int a, int b) { return corners[a].present && corners[b].present; };
  const Vector3& c0 = corners[CORNER_00].position;
  const Vector3& c1 = corners[CORNER_01].position;
  const Vector3& c2 = corners[CORNER_11].position;
  const Vector3& c3 = corners[CORNER_10].position;
  // The diagonal pairs solve P(s, t) for the opposite corner; an adjacent pair leaves the point on the
  // far side, where one coordinate alone places it.
  if (present(CORNER_01, CORNER_10)) {
    const Vector3 sum = Subtract(Subtract(point, ScaleVector(t, c1)), ScaleVector(s, c3));
    SetCorner(corners, CORNER_00, DivideVector(sum, (1.0f - t) - s));
  } else if (present(CORNER_00, CORNER_11)) {
    const Vector3 sum = Subtract(Subtract(point, ScaleVector(1.0f - t, c0)), ScaleVector(s, c2));
    SetCorner(corners, CORNER_01, DivideVector(sum, t - s));
  } else if (present(CORNER_01, CORNER_11)) {
    SetCorner(corners, CORNER_00, Subtract(point, ScaleVector(s, Subtract(c2, c1))));
  } else if (present(CORNER_00, CORNER_10)) {
    SetCorner(corners, CORNER_01, Subtract(point, ScaleVector(s, Subtract(c3, c0))));
  } else if (present(CORNER_11, CORNER_10)) {
    SetCorner(corners, CORNER_00, Subtract(point, ScaleVector(t, Subtract(c2, c3))));
  } else if (present(CORNER_00, CORNER_01)) {
    SetCorner(corners, CORNER_10, Subtract(point, ScaleVector(t, Subtract(c1, c0))));
  } else {
    ShowReport("Cannot Calc");
    std::memset(corners, 100, 4 * sizeof(CornerSlot));
  }
}

void SolveFromOneCorner(CornerSlot corners[4], const PointSlot& u_edge, const PointSlot& v_edge) {
  const Vector3& p1 = v_edge.position;
  const Vector3& p2 = u_edge.position;
  const float s1 = v_edge.s;
  const float t2 = u_edge.t;
  const Vector3& c0 = corners[CORNER_00].position;
  const Vector3& c1 = corners[CORNER_01].position;
  const Vector3& c2 = corners[CORNER_11].position;
  const Vector3& c3 = corners[CORNER_10].position;
  if (corners[CORNER_01].present) {
    const Vector3 sum = Add(Subtract(p1, ScaleVector(s1, p2)), ScaleVector(s1, ScaleVector(t2, c1)));
    SetCorner(corners, CORNER_00, DivideVector(sum, (s1 * t2 - s1) + 1.0f));
    SolveFromTwoCorners(corners, p2, s1, t2);
  } else if (corners[CORNER_11].present) {
    const Vector3 blend = Subtract(Add(ScaleVector(s1, p2), ScaleVector(t2, c2)), MultiplyVector(ScaleVector(s1, c2), t2));
    const Vector3 sum = Subtract(Add(blend, p1), p2);
    SetCorner(corners, CORNER_10, DivideVector(sum, s1 + (t2 - s1 * t2)));
    SolveFromTwoCorners(corners, p2, s1, t2);
  } else if (corners[CORNER_10].present) {
    const Vector3 sum = Add(Subtract(p2, ScaleVector(t2, p1)), ScaleVector(t2, ScaleVector(s1, c3)));
    SetCorner(corners, CORNER_00, DivideVector(sum, (t2 * s1 - t2) + 1.0f));
    SolveFromTwoCorners(corners, p1, s1, t2);
  } else if (corners[CORNER_00].present) {
    const Vector3 sum = Subtract(Subtract(p2, ScaleVector(t2, p1)), ScaleVector(s1 * t2 - t2, c0));
    SetCorner(corners, CORNER_10, DivideVector(sum, 1.0f - s1 * t2));
    SolveFromTwoCorners(corners, p1, s1, t2);
  } else {
    ShowReport("Cannot Calc 1V");
    std::memset(corners, 0, 4 * sizeof(CornerSlot));
    return;
  }
  CompleteParallelogram(corners);
}

void FitUvRectangle(FaceFrame& frame, const MeshVertex vertices[3], MeshVertex out_corners[4]) {
  std::memset(out_corners, 0, 4 * sizeof(MeshVertex));
  CornerSlot corners[4] = {};
  PointSlot interior = {};
  PointSlot u_edge = {};
  PointSlot v_edge = {};
  uint8_t corner_count = 0;
  uint8_t interior_count = 0;
  uint8_t u_edge_count = 0;
  uint8_t v_edge_count = 0;

  float umin = UV_BOUND, vmin = UV_BOUND, umax = -UV_BOUND, vmax = -UV_BOUND;
  for (int i = 0; i < 3; ++i) {
    const float u = vertices[i].u;
    const float v = vertices[i].v;
    if (u > umax) umax = u;
    if (u < umin) umin = u;
    if (v > vmax) vmax = v;
    if (v < vmin) vmin = v;
  }

  for (int i = 0; i < 3; ++i) {
    MeshVertex& entry = frame.vertices[i];
    entry = vertices[i];
    const float u = entry.u;
    const float v = entry.v;
    const Vector3& position = entry.position;
    const bool u_inside = umin < u && u < umax;
    const bool v_inside = vmin < v && v < vmax;
    float s = 0.0f;
    float t = 0.0f;
    // Exact compares: a vertex on a side gets exactly 0 or 1, never the result of a division.
    if (u == umin && v == vmin) {
      SetCorner(corners, CORNER_00, position);
      ++corner_count;
    } else if (u == umin && v == vmax) {
      SetCorner(corners, CORNER_01, position);
      t = 1.0f;
      ++corner_count;
    } else if (u == umax && v == vmax) {
      SetCorner(corners, CORNER_11, position);
      s = t = 1.0f;
      ++corner_count;
    } else if (u == umax && v == vmin) {
      SetCorner(corners, CORNER_10, position);
      s = 1.0f;
      ++corner_count;
    } else if (v == vmax && u_inside) {
      s = InverseLerp(u, umax, umin);
      t = 1.0f;
      SetPoint(v_edge, position, s, t);
      ++v_edge_count;
    } else if (v == vmin && u_inside) {
      s = InverseLerp(u, umax, umin);
      SetPoint(v_edge, position, s, t);
      ++v_edge_count;
    } else if (u == umax && v_inside) {
      s = 1.0f;
      t = InverseLerp(v, vmax, vmin);
      SetPoint(u_edge, position, s, t);
      ++u_edge_count;
    } else if (u == umin && v_inside) {
      t = InverseLerp(v, vmax, vmin);
      SetPoint(u_edge, position, s, t);
      ++u_edge_count;
    } else if (v_inside) {
      s = InverseLerp(u, umax, umin);
      t = InverseLerp(v, vmax, vmin);
      SetPoint(interior, position, s, t);
      ++interior_count;
    } else {
      // Only coordinates that are not numbers get here; the vertex keeps them as its (s, t).
      ShowReport("hohoho");
      continue;
    }
    entry.u = s;
    entry.v = t;
  }

  if (corner_count == 3) {
    CompleteParallelogram(corners);
  } else if (corner_count == 2) {
    const PointSlot* point = nullptr;
    if (interior_count == 1) {
      point = &interior;
    } else if (u_edge_count == 1) {
      point = &u_edge;
    } else if (v_edge_count == 1) {
      point = &v_edge;
    } else {
      ShowReport("cannot Calc");
      std::memset(out_corners, 100, 4 * sizeof(MeshVertex));
      return;
    }
    SolveFromTwoCorners(corners, point->position, point->s, point->t);
    CompleteParallelogram(corners);
  } else if (corner_count == 1) {
    SolveFromOneCorner(corners, u_edge, v_edge);
  } else if (corner_count == 0) {
    ShowReport("0");
    return;
  }
  for (int k = 0; k < 4; ++k) out_corners[k].position = corners[k].position;
}

bool BuildFaceFrame(FaceFrame& frame, const MeshVertex vertices[3]) {
  std::memset(frame.corners, 0, sizeof(frame.corners));
  frame.normal = FaceNormal(vertices[0].position, vertices[1].position, vertices[2].position);
  MeshVertex block[4] = {};
  FitUvRectangle(frame, vertices, block);
  for (int k = 0; k < 4; ++k) frame.corners[k] = block[k].position;
  return true;
}
