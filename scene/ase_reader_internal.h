// What the block readers of the scene importer share: the block loop over brace-delimited blocks, the
// value conversions with their zero-on-failure rule, and the reader entry points that call each other.
// Every reader reads scene->scene_file, returns false at the end of the file and true after its block's
// closing brace, and checks every count and index from the file before it addresses memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "scene/ase_scene.h"
#include "scene/text_stream.h"

// Walks one block from just after its keyword: every token, the closing one included, goes to on_token,
// which may read further values or run a sub-reader that consumes a nested block whole. Braces are
// counted by a token's first character only, so braces inside names and glued tokens count as written.
template <class OnToken>
bool ReadBlock(TextStream& stream, OnToken&& on_token) {
  BlockCounter counter;
  char token[TOKEN_SIZE];
  while (stream.ReadToken(token)) {
    const bool last = counter.Count(token);
    on_token(token);
    if (last) return true;
  }
  return false;
}

// Creates a node of the record's own construction, names it and appends it to its list (starting from
// the list's append hint), counting it in the list's narrow count, which wraps like the format's; the
// list is not bounded. Null when memory ran out.
template <class T, class Count>
T* AppendNewNode(T*& head, T*& last, Count& count, const char* name) {
  T* node = new (std::nothrow) T();
  if (node == nullptr) return nullptr;
  if (name != nullptr) std::strncpy(node->name, name, sizeof(node->name) - 1);
  AppendNodeAfterHint(head, last, node);
  ++count;
  return node;
}

// True when the rest of the file is long enough to list count entries of at least min_entry_bytes
// each. Arrays are sized by counts from the file, so a short hostile file could otherwise demand
// thousands of times its size in memory.
inline bool RestCanList(const TextStream& stream, uint32_t count, size_t min_entry_bytes) {
  return count <= stream.Remaining() / min_entry_bytes;
}

// One "%d"; 0 when the conversion fails, so a malformed value never keeps a stale one.
int32_t ReadInt(TextStream& stream);
// One "%f"; 0 when the conversion fails.
float ReadFloat(TextStream& stream);
// "%f %f %f"; each component that does not convert is 0.
Vector3 ReadVector3(TextStream& stream);

bool ReadGeomObject(AseScene* scene);
GeomObject* CreateGeomObject(AseScene* scene, const char* name);
bool ReadNodeTm(AseScene* scene, NodeTm* tm);

bool ReadMeshBlock(AseScene* scene, GeomObject* object);
bool ReadVertexList(AseScene* scene, GeomObject* object);
bool ReadFaceList(AseScene* scene, GeomObject* object);
bool ReadTextureVertexList(AseScene* scene, GeomObject* object);
bool ReadTextureFaceList(AseScene* scene, GeomObject* object);
bool ReadNormals(AseScene* scene, GeomObject* object);

bool ReadMaterialList(AseScene* scene);
// depth is the nesting level of entry (0 for a table entry); sub-materials nested deeper than
// MAX_SUBMATERIAL_DEPTH are skipped whole, which bounds the recursion on a hostile file.
bool ReadMaterial(AseScene* scene, Material* entry, int depth = 0);
void AllocateSubMaterials(Material* entry, int count);
bool ReadMapBitmap(AseScene* scene, Material* entry);
constexpr int MAX_SUBMATERIAL_DEPTH = 8;

bool ReadLightObject(AseScene* scene);
bool ReadCameraObject(AseScene* scene);
LightObject* CreateLightObject(AseScene* scene, const char* name);
CameraObject* CreateCameraObject(AseScene* scene);
bool ReadLightSettings(AseScene* scene, LightObject* light);
bool ReadCameraSettings(AseScene* scene, CameraObject* camera);
