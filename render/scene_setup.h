// What the scene setup derives from a scene beyond device state, for the view keys and the light keys:
// the bounds of all geometry and a light's rest pose. Non-finite vertex coordinates are left out of the
// bounds; a scene without vertices has empty bounds.
#pragma once

#include "render/orbit_camera.h"

struct AseScene;
struct LightObject;

SceneBounds GeometryBounds(const AseScene* scene);

// A light rests where its first node transform puts it: the pose the animation gives it with no track,
// before it is animated and after its last key. Call again after moving that position.
void PoseLightAtRest(LightObject* light);
