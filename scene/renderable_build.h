// The renderable build that LoadScene runs after the file and the skin weights were read: parent links,
// the skin binding's vertex preparation, face groups by sub-material, vertex colours from the first
// light, two vertex buffers per object (through g_renderer; none without a device), the ancestor lists
// and the top objects. Parent cycles are broken; links that would take the scene's ancestor lists past
// their budget are cut, with one box; material indices and ids outside the table form no group and get
// a fixed colour; faces naming vertices that do not exist are in no group.
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
// Each object keeps a pointer per ancestor and each frame multiplies through them all, so a chain of n
// links costs n(n-1)/2 of both: a hostile 60,000-link chain would take 14 GB. The budget holds a whole
// scene to 128 MiB of pointers and as many matrix products a frame, and still keeps a single chain of
// 5,793 links whole, far beyond the few hundred links of a rope, tail or chain rig.
constexpr uint64_t ANCESTOR_ENTRY_BUDGET = uint64_t{1} << 24;
// Every ancestor of an object holds a list one shorter than the one below it, so within the budget no
// list comes near what the 16-bit count can hold.
static_assert(uint64_t{UINT16_MAX} * (UINT16_MAX + 1) / 2 > ANCESTOR_ENTRY_BUDGET,
              "ancestor_count could not hold the deepest list the budget allows");
constexpr const char* ANCESTOR_BUDGET_MESSAGE =
    "Parent chains too long: some objects are drawn without their parents";

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
