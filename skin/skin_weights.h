// Skin weights: per mesh vertex, the bones that drive it and their weights, read from the text side file
// next to the scene (the scene path with its last four characters replaced by ".txt"). Bones and meshes
// are geometric objects found by exact name. Records beyond the mesh's vertex count are ignored, names are
// truncated to 127 characters, and an unknown bone abandons its section with "Fail To Search Bone : %s".
#pragma once

#include <cstdint>

#include "math/math3d.h"

struct AseScene;
struct GeomObject;
class TextStream;

struct BoneInfluence {
  GeomObject* bone;  // not owned
  float weight;
  Vector4 bone_space_position;  // filled by BindSkin; w = 1
};

struct VertexWeights {
  uint8_t influence_count;
  BoneInfluence* influences;  // owned, influence_count entries
};

// Frees the influences of the first count entries, then the table.
void DestroyVertexWeights(VertexWeights* table, uint32_t count);
