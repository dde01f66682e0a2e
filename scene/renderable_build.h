// The renderable build that LoadScene runs after the file and the skin weights were read: parent links,
// the skin binding's vertex preparation, face groups by sub-material, vertex colours from the first
// light, two vertex buffers per object (through g_renderer; none without a device), the ancestor lists
// and the top objects. Parent cycles are broken; material indices and ids outside the table form no
// group and get a fixed colour.
#pragma once

#include <cstdint>

#include "platform/d3d.h"

struct AseScene;
struct GeomObject;
struct Vector3;
struct D3DCOLORVALUE;

void BuildRenderables(AseScene* scene);
