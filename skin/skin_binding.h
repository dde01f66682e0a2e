// Skin binding and vertex preparation of one geometric object: the split of vertices by texture
// coordinate (SplitVerticesByTexCoord), the node matrices, bone-space influences and object-space vertex
// arrays (BindSkin), and the teardown of everything an object owns (DestroyGeometricObjectData).
#pragma once

struct GeomObject;

// Gives every vertex one texture coordinate, duplicating vertices whose face corners disagree (weights
// are deep-copied along); does nothing without texture faces.
void SplitVerticesByTexCoord(GeomObject* object);
// Builds the node matrices, the bone-space influences and the object-space vertex arrays; sets node types.
void BindSkin(GeomObject* object);

// Releases the vertex buffers and frees every mesh array, face group (with its lightmap data), weight
// table and the ancestor list; leaves every pointer null and every count that sizes them 0.
void DestroyGeometricObjectData(GeomObject* object);
