// The drawn vertices of a face group kept on the device: its lightmap vertices copied once into a
// write-only vertex buffer, so that a frame draws them without sending them again. A buffer that
// cannot be made gives null, and the group is drawn from its own memory as before; no box is shown.
#pragma once

#include "platform/d3d.h"

struct FaceGroup;

// The group's buffer, made and filled from its lightmap vertices at the first call. Whoever changes
// the lightmap vertices afterwards releases the buffer (ReleaseFaceGroupLightmaps does) so that the
// next call fills a new one.
IDirect3DVertexBuffer7* LightmapVertexBuffer(IDirect3D7* d3d, FaceGroup* group);
