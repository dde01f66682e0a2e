// The orbit camera's arithmetic: where the eye sits on its circle around the target, kept in the scene's
// CameraObject so that it survives frames and is reset by every scene setup. Pure functions of the
// camera record (no device), so the view follows exactly from these fields. Never produces a NaN angle:
// an eye straight above or below its target starts at angle 0; framing stays finite whatever the
// geometry holds (points with a NaN or infinite coordinate are left out of the bounds).
#pragma once

#include "math/math3d.h"

struct CameraObject;

// Stores eye, target, clip distances, aspect 0.75 and up (0, 1, 0), then puts the orbit eye at the
// target's height, at the full distance from eye to target, at the angle -tanh(dz / dx).
void InitOrbit(CameraObject* camera, const Vector3& eye, const Vector3& target, float near_clip, float far_clip);

// Turns, raises and pushes the eye; nothing is clamped or wrapped (a distance below 0 puts the eye on
// the far side of the target).
void MoveOrbit(CameraObject* camera, float angle_delta, float height_delta, float distance_delta);

// View and projection for the camera's current orbit. False, leaving view untouched, when the eye
// coincides with the target (or looks along up), so the caller keeps the view it had.
bool OrbitView(const CameraObject* camera, Matrix4& view);
void OrbitProjection(const CameraObject* camera, Matrix4& projection);

// An axis-aligned box around geometry, in device axes; empty until a finite point is added.
struct SceneBounds {
  Vector3 min = {};
  Vector3 max = {};
  bool empty = true;
};
void AddToBounds(SceneBounds& bounds, const Vector3& point);

// An orbit that shows the whole box in the 45-degree view: target at its centre, eye in front, to the
// right and above, near and far planes around it with room to zoom. An empty box frames the origin.
void FrameOrbit(CameraObject* camera, const SceneBounds& bounds);

// The wheel: each notch (positive toward the target) moves the eye a tenth of its way along its line of
// sight; it never passes the target (it stops at the near plane, or where it is when already closer).
void ZoomOrbit(CameraObject* camera, float notches);

constexpr float ORBIT_FIELD_OF_VIEW_RAD = 0.7853982f;
constexpr float ORBIT_ASPECT = 0.75f;
