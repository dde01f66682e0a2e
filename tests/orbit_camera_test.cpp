// The orbit camera as the scene setup places it and as drags move it.
#include <gtest/gtest.h>

#include <cmath>

#include "render/orbit_camera.h"
#include "scene/ase_scene.h"
#include "tests/test_support.h"

namespace {

struct PlacementCase {
  const char* name;
  Vector3 eye;
  Vector3 target;
  float angle_rad;
  float distance;
  Vector3 orbit_eye;
};

TEST(OrbitCamera, SetupPlacesTheEyeOnTheCircleAtTheTargetsHeight) {
  const float above = std::sqrt(125.0f);
  const PlacementCase cases[] = {
      {"eye on +x", {10, 0, 0}, {0, 0, 0}, 0.0f, 10.0f, {10, 0, 0}},
      // The eye drops to the target's height but keeps the full three-dimensional distance.
      {"eye 5 above, 10 away", {10, 5, 0}, {0, 0, 0}, 0.0f, above, {above, 0, 0}},
      // Straight above: the quotient is 0/0; the eye starts on the +x side.
      {"eye straight above", {2, 7, 3}, {2, 1, 3}, 0.0f, 6.0f, {8, 1, 3}},
      {"offset target", {14, 2, 0}, {4, 2, 0}, 0.0f, 10.0f, {14, 2, 0}},
  };
  for (const PlacementCase& c : cases) {
    SCOPED_TRACE(c.name);
    CameraObject camera;
    InitOrbit(&camera, c.eye, c.target, 1.0f, 2000.0f);
    EXPECT_FLOAT_EQ(camera.orbit_angle, c.angle_rad);
    EXPECT_FLOAT_EQ(camera.orbit_distance, c.distance);
    ExpectVectorNear(camera.orbit_eye, c.orbit_eye);
    EXPECT_FLOAT_EQ(camera.aspect, 0.75f);
    EXPECT_FLOAT_EQ(camera.up.y, 1.0f);
    EXPECT_FLOAT_EQ(camera.near_clip, 1.0f);
    EXPECT_FLOAT_EQ(camera.far_clip, 2000.0f);
    Matrix4 view;
    EXPECT_TRUE(OrbitView(&camera, view));
  }
}

TEST(OrbitCamera, AngleIsTheHyperbolicTangentAndStaysFiniteWhenDxIsZero) {
  CameraObject camera;
  InitOrbit(&camera, {10, 0, 5}, {0, 0, 0}, 1.0f, 2000.0f);
  EXPECT_FLOAT_EQ(camera.orbit_angle, static_cast<float>(-std::tanh(0.5)));
  InitOrbit(&camera, {0, 0, 5}, {0, 0, 0}, 1.0f, 2000.0f);
  EXPECT_FLOAT_EQ(camera.orbit_angle, -1.0f);
  InitOrbit(&camera, {0, 0, -5}, {0, 0, 0}, 1.0f, 2000.0f);
  EXPECT_FLOAT_EQ(camera.orbit_angle, 1.0f);
}

TEST(OrbitCamera, DragsTurnRaiseAndPassThroughTheTarget) {
  CameraObject camera;
  InitOrbit(&camera, {10, 0, 0}, {0, 0, 0}, 1.0f, 2000.0f);
  MoveOrbit(&camera, 1.0f, 20.0f, 0.0f);
  EXPECT_FLOAT_EQ(camera.orbit_angle, 1.0f);
  EXPECT_NEAR(camera.orbit_eye.x, 10.0f * std::cos(1.0f), 1e-5f);
  EXPECT_NEAR(camera.orbit_eye.z, 10.0f * std::sin(1.0f), 1e-5f);
  EXPECT_FLOAT_EQ(camera.orbit_eye.y, 20.0f);

  CameraObject other;
  InitOrbit(&other, {10, 0, 0}, {0, 0, 0}, 1.0f, 2000.0f);
  MoveOrbit(&other, 0.0f, 0.0f, -20.0f);
  EXPECT_FLOAT_EQ(other.orbit_distance, -10.0f);
  EXPECT_NEAR(other.orbit_eye.x, -10.0f, 1e-5f);
}

TEST(OrbitCamera, AnEyeOnTheTargetKeepsThePreviousView) {
  CameraObject camera;
  InitOrbit(&camera, {10, 0, 0}, {0, 0, 0}, 1.0f, 2000.0f);
  Matrix4 view;
  ASSERT_TRUE(OrbitView(&camera, view));
  const Matrix4 before = view;
  MoveOrbit(&camera, 0.0f, 0.0f, -10.0f);
  EXPECT_FALSE(OrbitView(&camera, view));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(view.m[i], before.m[i]);
}

}  // namespace
