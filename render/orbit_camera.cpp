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

namespace {

bool IsFinite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Radii outside these would give clip planes the projection refuses (too close together) or distances
// that overflow a float once the eye is placed.
constexpr double MIN_FRAMED_RADIUS = 0.01;
constexpr double MAX_FRAMED_RADIUS = 1.0e30;
// The eye looks down on the box from this height angle, from the front right.
constexpr double FRAMING_ELEVATION_RAD = 0.5;
constexpr double FRAMING_ANGLE_RAD = -0.78539816339744831;
// A little air between the box's bounding sphere and the edges of the view.
constexpr double FRAMING_MARGIN = 1.1;
constexpr double ZOOM_STEP_PER_NOTCH = 0.9;
constexpr double MAX_ZOOM_REACH = MAX_FRAMED_RADIUS * 16.0;

}  // namespace

void AddToBounds(SceneBounds& bounds, const Vector3& point) {
  if (!IsFinite(point)) return;
  if (bounds.empty) {
    bounds.min = bounds.max = point;
    bounds.empty = false;
    return;
  }
  bounds.min = MakeVector(std::fmin(bounds.min.x, point.x), std::fmin(bounds.min.y, point.y),
                          std::fmin(bounds.min.z, point.z));
  bounds.max = MakeVector(std::fmax(bounds.max.x, point.x), std::fmax(bounds.max.y, point.y),
                          std::fmax(bounds.max.z, point.z));
}

void FrameOrbit(CameraObject* camera, const SceneBounds& bounds) {
  // Halves before the sum, in double, so a box spanning the whole float range has a finite centre.
  const Vector3 low = bounds.empty ? Vector3{} : bounds.min;
  const Vector3 high = bounds.empty ? Vector3{} : bounds.max;
  const double cx = 0.5 * low.x + 0.5 * high.x, cy = 0.5 * low.y + 0.5 * high.y, cz = 0.5 * low.z + 0.5 * high.z;
  const double ex = 0.5 * high.x - 0.5 * low.x, ey = 0.5 * high.y - 0.5 * low.y, ez = 0.5 * high.z - 0.5 * low.z;
  // Far from the origin the eye needs some distance to differ from the target in float.
  const double far_out = std::fmax(std::fabs(cx), std::fmax(std::fabs(cy), std::fabs(cz)));
  double radius = std::sqrt(ex * ex + ey * ey + ez * ez);
  radius = std::fmin(std::fmax(radius, std::fmax(MIN_FRAMED_RADIUS, far_out * 1.0e-4)), MAX_FRAMED_RADIUS);
  const double half_height_rad = ORBIT_FIELD_OF_VIEW_RAD / 2.0;  // the narrower half-angle at aspect 0.75
  const double distance = radius / std::sin(half_height_rad) * FRAMING_MARGIN;

  const Vector3 target = MakeVector(static_cast<float>(cx), static_cast<float>(cy), static_cast<float>(cz));
  InitOrbit(camera, target, target, static_cast<float>(radius * 0.05), static_cast<float>((distance + radius) * 4.0));
  camera->orbit_angle = static_cast<float>(FRAMING_ANGLE_RAD);
  camera->orbit_distance = static_cast<float>(distance * std::cos(FRAMING_ELEVATION_RAD));
  camera->orbit_eye.y = static_cast<float>(cy + distance * std::sin(FRAMING_ELEVATION_RAD));
  PlaceOrbitEye(camera);
  camera->eye = camera->orbit_eye;
}

void ZoomOrbit(CameraObject* camera, float notches) {
  // The eye moves along its line of sight, so its height above the target shrinks with the radius.
  const double radius = camera->orbit_distance;
  const double height = static_cast<double>(camera->orbit_eye.y) - camera->target.y;
  const double reach = std::sqrt(radius * radius + height * height);
  if (!(reach > 0.0) || !std::isfinite(reach)) return;
  double next = reach * std::pow(ZOOM_STEP_PER_NOTCH, static_cast<double>(notches));
  const double closest = std::fmin(reach, static_cast<double>(camera->near_clip));
  if (!(next >= closest)) next = closest;
  next = std::fmin(next, std::fmax(reach, MAX_ZOOM_REACH));
  const double scale = next / reach;
  camera->orbit_eye.y = static_cast<float>(camera->target.y + height * scale);
  MoveOrbit(camera, 0.0f, 0.0f, static_cast<float>(radius * scale - radius));
}
