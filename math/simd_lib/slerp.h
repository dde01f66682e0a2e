// SlerpQuaternion: the rotation-key interpolation kernel, four SSE lanes (x, y, z, w in memory order).
// It takes the shorter arc by negating q0, blends linearly when the two are closer than 0.95 (or the
// dot product is not a number), and otherwise weights by polynomial estimates of the angle; the result
// is not renormalised. Operands are loaded and stored unaligned, and both inputs are read before out
// is written, so out may be q0 or q1.
#pragma once

#include "math/math3d.h"

void SlerpQuaternion(Quaternion* out, const Quaternion* q0, const Quaternion* q1, float t);
