// The renderable build that LoadScene runs after the file and the skin weights were read: parent links,
// the skin binding's vertex preparation, face groups by sub-material, vertex colours from the first
// light, two vertex buffers per object (through g_renderer; none without a device), the ancestor lists
// and the top objects. Parent cycles are broken and a link deeper than 64 ancestors is cut; material
// indices and ids outside the table form no group and get a fixed colour; faces naming vertices that do
// not exist are in no group.
#pragma once

#include <cstdint>

#include "platform/d3d.h"

struct AseScene;
struct FaceGroup;
struct GeomObject;
struct Vector3;
struct D3DCOLORVALUE;

// Colour of the vertices of an object whose material index is outside the table: opaque white.
constexpr uint32_t UNDEFINED_MATERIAL_COLOUR = 0xFFFFFFFFu;
// Each object keeps a pointer per ancestor and each frame multiplies through them all, so a hostile
// chain of 60,000 links would cost gigabytes; rigs and assemblies stay far shallower than this.
constexpr uint32_t MAX_ANCESTOR_DEPTH = 64;

void BuildRenderables(AseScene* scene);
// Face groups of one object by the sub-material of each face; faces stay in file order.
void BuildFaceGroups(AseScene* scene, GeomObject* object);
// A new group of the object's faces that name existing vertices and, unless any_id, have material id
// `id`; null when there is no such face. AppendGroup puts it at the end of the object's groups.
FaceGroup* CollectFaces(const GeomObject& object, bool any_id, uint8_t id);
void AppendGroup(GeomObject* object, FaceGroup* group);
// Fills the colours of every object's lit vertices: unlit material diffuse for objects of one group,
// sub-material colours lit by the first light for objects of several.
void ComputeVertexColours(AseScene* scene);
// The Lambert term of light_position seen from position, applied to the channels of colour (ARGB);
// 0 (alpha too) when the light is behind the normal.
uint32_t LightVertexColour(const Vector3& normal, const Vector3& position, const Vector3& light_position,
                           uint32_t colour);
// Opaque ARGB from a 0..1 colour, truncating each channel; components are not clamped.
uint32_t Pack(const D3DCOLORVALUE& colour);
