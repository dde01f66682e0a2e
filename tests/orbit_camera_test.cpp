// The orbit camera as the scene setup places it, as drags and the wheel move it, and as framing puts
// it around a scene's geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "render/orbit_camera.h"
#include "render/scene_setup.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

struct PlacementCase {
  const char* name;
  Vector3 eye, target;
  float angle_rad, distance;
  Vector3 orbit_eye;
};

TEST(OrbitCamera, SetupPlacesTheEyeOnTheCircleAtTheTargetsHeight) {
  const float above = std::sqrt(125.0f);
  const PlacementCase cases[] = {
      // The eye drops to the target's height but keeps the full three-dimensional distance.
      {"eye 5 above, 10 away", {14, 7, 0}, {4, 2, 0}, 0.0f, above, {4 + above, 2, 0}},
      // The hyperbolic tangent of dz / dx, not the arc tangent.
      {"tanh angle", {10, 0, 5}, {0, 0, 0}, -0.46211716f, above, {10.007641f, 0, -4.9846897f}},
      // dx = 0 gives -1 from the infinite quotient; straight above (0/0) starts on the +x side.
      {"dx zero", {0, 0, 5}, {0, 0, 0}, -1.0f, 5.0f, {5 * std::cos(1.0f), 0, -5 * std::sin(1.0f)}},
      {"eye straight above", {2, 7, 3}, {2, 1, 3}, 0.0f, 6.0f, {8, 1, 3}},
  };
  for (const PlacementCase& c : cases) {
    SCOPED_TRACE(c.name);
    CameraObject camera;
    InitOrbit(&camera, c.eye, c.target, 1.0f, 2000.0f);
    EXPECT_FLOAT_EQ(camera.orbit_angle, c.angle_rad);
    EXPECT_FLOAT_EQ(camera.orbit_distance, c.distance);
    ExpectVectorNear(camera.orbit_eye, c.orbit_eye);
  }
}

TEST(OrbitCamera, DragsPassThroughTheTargetAndAnEyeOnTheTargetKeepsTheView) {
  CameraObject camera;
  InitOrbit(&camera, {10, 0, 0}, {0, 0, 0}, 1.0f, 2000.0f);
  Matrix4 view;
  ASSERT_TRUE(OrbitView(&camera, view));
  const Matrix4 before = view;
  MoveOrbit(&camera, 0.0f, 0.0f, -10.0f);
  EXPECT_FALSE(OrbitView(&camera, view));
  EXPECT_EQ(0, std::memcmp(&view, &before, sizeof view));
  MoveOrbit(&camera, 1.0f, 20.0f, -10.0f);
  ExpectVectorNear(camera.orbit_eye, {-10.0f * std::cos(1.0f), 20.0f, -10.0f * std::sin(1.0f)});
}

TEST(OrbitCamera, WheelMovesATenthOfTheWayPerNotchAndNeverPassesTheTarget) {
  CameraObject camera;
  InitOrbit(&camera, {10, 0, 0}, {0, 0, 0}, 1.0f, 2000.0f);
  MoveOrbit(&camera, 0.0f, 10.0f, 0.0f);  // raised: the eye slides along its line of sight
  ZoomOrbit(&camera, 1.0f);
  ExpectVectorNear(camera.orbit_eye, {9, 9, 0}, 1e-4f);
  ZoomOrbit(&camera, -2.0f);
  EXPECT_NEAR(camera.orbit_distance, 9.0f / 0.81f, 1e-4f);
  ZoomOrbit(&camera, 200.0f);
  EXPECT_NEAR(std::hypot(camera.orbit_distance, camera.orbit_eye.y), 1.0f, 1e-5f);  // the near plane
  // Closer than the near plane already (a right drag went there): the wheel holds it, keeping the side.
  InitOrbit(&camera, {10, 0, 0}, {0, 0, 0}, 1.0f, 2000.0f);
  MoveOrbit(&camera, 0.0f, 0.0f, -10.5f);
  ZoomOrbit(&camera, 3.0f);
  EXPECT_FLOAT_EQ(camera.orbit_distance, -0.5f);
}

struct FramingCase {
  const char* name;
  std::vector<Vector3> points;
  Vector3 target;
  bool whole_box_in_view;
};

TEST(OrbitCamera, FramingShowsTheWholeBoxAndStaysFiniteOnAnyBounds) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const FramingCase cases[] = {
      {"room", {{-10, 0, -10}, {10, 5, 10}}, {0, 2.5f, 0}, true},
      {"one point far out", {{1000, 2000, 3000}}, {1000, 2000, 3000}, true},
      {"no geometry", {}, {0, 0, 0}, true},
      {"non-finite points left out", {{nan, 0, 0}, {1, 1, 1}, {0, inf, 0}, {3, 3, 3}, {-inf, 0, 0}}, {2, 2, 2}, true},
      {"the whole float range", {{-3e38f, -3e38f, -3e38f}, {3e38f, 3e38f, 3e38f}}, {0, 0, 0}, false},
  };
  for (const FramingCase& c : cases) {
    SCOPED_TRACE(c.name);
    AseScene scene;  // an object without a mesh and one holding the points
    AddGeomObject(scene, "Empty");
    SetVertices(AddGeomObject(scene, "Points"), c.points);
    const SceneBounds bounds = GeometryBounds(&scene);
    CameraObject camera;
    FrameOrbit(&camera, bounds);
    ExpectVectorNear(camera.target, c.target, 1e-4f);
    EXPECT_TRUE(std::isfinite(camera.orbit_distance) && std::isfinite(camera.orbit_eye.y) && camera.near_clip > 0);
    // From the front right, looking down at half a radian.
    EXPECT_FLOAT_EQ(camera.orbit_angle, -0.78539816f);
    if (c.whole_box_in_view) {
      EXPECT_NEAR(std::atan2(camera.orbit_eye.y - c.target.y, camera.orbit_distance), 0.5, 1e-3);
    }
    Matrix4 view, projection, both;
    ASSERT_TRUE(OrbitView(&camera, view));
    ASSERT_EQ(MatrixProjection(projection, ORBIT_FIELD_OF_VIEW_RAD, 0.75f, camera.near_clip, camera.far_clip), S_OK);
    MatrixMultiply(both, view, projection);
    for (int corner = 0; corner < 8 && c.whole_box_in_view; ++corner) {
      const Vector3 p = {(corner & 1) ? bounds.max.x : bounds.min.x, (corner & 2) ? bounds.max.y : bounds.min.y,
                         (corner & 4) ? bounds.max.z : bounds.min.z};
      float clip[4];  // the corner in clip space (row vector times matrix)
      for (int k = 0; k < 4; ++k) clip[k] = p.x * both(0, k) + p.y * both(1, k) + p.z * both(2, k) + both(3, k);
      EXPECT_TRUE(std::fabs(clip[0]) <= clip[3] && std::fabs(clip[1]) <= clip[3]) << "corner " << corner;
      EXPECT_TRUE(clip[2] > 0.0f && clip[2] < clip[3]) << "corner " << corner;
    }
  }
}

}  // namespace
