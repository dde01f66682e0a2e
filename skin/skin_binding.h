// Skin binding and vertex preparation of one geometric object: the split of vertices by texture
// coordinate (SplitVerticesByTexCoord), the node matrices, bone-space influences and object-space vertex
// arrays (BindSkin), and the teardown of everything an object owns (DestroyGeometricObjectData).
// Face corners and texture-face entries come from the file unchecked: a face naming a vertex that does
// not exist takes no part in the split (nor in drawing, see FaceInRange), a texture index past the
// table gives its corner no coordinate, and the split never grows an object past what a face corner
// addresses.
#pragma once

#include <cstdint>

struct GeomObject;

// The most vertices an object can have: what a face corner addresses.
constexpr uint32_t MAX_SPLIT_VERTEX_COUNT = UINT32_MAX;

// True when face names three vertices that the object has.
bool FaceInRange(const GeomObject& object, uint32_t face);

// Gives every vertex one texture coordinate, duplicating vertices whose face corners disagree (weights
// are deep-copied along); does nothing without texture faces. Once the object holds
// MAX_SPLIT_VERTEX_COUNT vertices, a disagreeing corner keeps sharing its vertex.
void SplitVerticesByTexCoord(GeomObject* object);
// Builds the node matrices, the bone-space influences and the object-space vertex arrays; sets node types.
// An influence without a bone shows "Not Bouned Vertx" and stops the object's binding there.
void BindSkin(GeomObject* object);

// Releases the vertex buffers and frees every mesh array, face group (with its lightmap data), weight
// table and the ancestor list; leaves every pointer null and every count that sizes them 0.
void DestroyGeometricObjectData(GeomObject* object);
