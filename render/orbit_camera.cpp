#include "render/orbit_camera.h"

#include <cmath>

#include "scene/ase_scene.h"

namespace {

void PlaceOrbitEye(CameraObject* camera) {
  camera->orbit_eye.x = static_cast<float>(std::cos(static_cast<double>(camera->orbit_angle)) * camera->orbit_distance +
                                           camera->target.x);
  camera->orbit_eye.z = static_cast<float>(std::sin(static_cast<double>(camera->orbit_angle)) * camera->orbit_distance +
                                           camera->target.z);
}

}  // namespace

void InitOrbit(CameraObject* camera, const Vector3& eye, const Vector3& target, float near_clip, float far_clip) {
  camera->eye = eye;
  camera->target = target;
  camera->aspect = ORBIT_ASPECT;
  camera->up = MakeVector(0.0f, 1.0f, 0.0f);
  camera->far_clip = far_clip;
  camera->near_clip = near_clip;
  const double dx = static_cast<double>(eye.x) - target.x;
  const double dy = static_cast<double>(eye.y) - target.y;
  const double dz = static_cast<double>(eye.z) - target.z;
  // The hyperbolic tangent (not the arc tangent) is the camera's convention. With dx = 0 the quotient is
  // infinite and tanh gives +-1; only an eye straight above the target leaves it undefined, and 0
  // puts that eye on the +x side.
  double angle = 0.0;
  if (dx != 0.0) {
    angle = -std::tanh(dz / dx);
  } else if (dz != 0.0) {
    angle = dz > 0.0 ? -1.0 : 1.0;
  }
  camera->orbit_angle = static_cast<float>(angle);
  camera->orbit_distance = static_cast<float>(std::sqrt(dx * dx + dz * dz + dy * dy));
  camera->orbit_eye.y = target.y;
  PlaceOrbitEye(camera);
}

void MoveOrbit(CameraObject* camera, float angle_delta, float height_delta, float distance_delta) {
  camera->orbit_angle += angle_delta;
  camera->orbit_eye.y += height_delta;
  camera->orbit_distance += distance_delta;
  PlaceOrbitEye(camera);
}

bool OrbitView(const CameraObject* camera, Matrix4& view) {
  return MatrixView(view, camera->orbit_eye, camera->target, camera->up) == S_OK;
}

void OrbitProjection(const CameraObject* camera, Matrix4& projection) {
  MatrixProjection(projection, ORBIT_FIELD_OF_VIEW_RAD, camera->aspect, camera->near_clip, camera->far_clip);
}
