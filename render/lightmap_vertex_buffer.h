// The drawn vertices of a face group kept on the device: its lightmap vertices moved once into a
// write-only vertex buffer (the group's own array is freed then), so that a frame draws them without
// sending them again. A buffer that cannot be made gives null and leaves the group's array, from
// which it is drawn as before; no box is shown.
#pragma once

#include "platform/d3d.h"

struct FaceGroup;

// The layout of a LightmapVertex: position, normal, texture and lightmap coordinates.
constexpr DWORD LIGHTMAP_VERTEX_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;

// The group's buffer, made and filled from its lightmap vertices at the first call. Whoever wants to
// change the vertices afterwards locks the buffer, or releases the group's lightmaps and builds them
// again.
IDirect3DVertexBuffer7* LightmapVertexBuffer(IDirect3D7* d3d, FaceGroup* group);
