// Skin binding and vertex preparation of one geometric object: the split of vertices by texture
// coordinate (SplitVerticesByTexCoord), the node matrices, bone-space influences and object-space vertex
// arrays (BindSkin), and the teardown of everything an object owns (DestroyGeometricObjectData).
#pragma once

struct GeomObject;

// Releases the vertex buffers and frees every mesh array, face group (with its lightmap data), weight
// table and the ancestor list; leaves every pointer null and every count that sizes them 0.
void DestroyGeometricObjectData(GeomObject* object);
