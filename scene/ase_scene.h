// The scene model: one loaded ".ase" scene with its geometric objects, lights and cameras (singly
// linked lists in file order), its material table, top objects and animation sets, and the records
// that the import, skinning, lightmap and render stages attach to them. Records are plain and
// fixed-size; constructors zero every field; DestroyScene frees everything the scene owns, in a fixed
// order, and leaves the pointers null. Counts keep the narrow widths of the format (8-bit materials,
// lights and cameras, 16-bit objects and ancestors); the lists themselves are not bounded.
#pragma once

#include <cstdint>
#include <cstdio>

#include "math/math3d.h"
#include "platform/d3d.h"
#include "scene/input_files.h"

class TextStream;
struct AnimationSet;
struct AnimationTrack;
struct VertexWeights;
struct GroupLightmap;
struct LightmapVertex;
struct TextureEntry;
struct GeomNameIndex;

constexpr int NAME_SIZE = 128;
constexpr int BITMAP_NAME_SIZE = 256;

constexpr int32_t NODE_TYPE_MESH = 4004;  // set by the skin binding on every bound object
constexpr int32_t NODE_TYPE_BONE = 4005;  // set on every object that serves as a bone

// One "*NODE_TM" block, values as written in the file (the file's own axis order).
struct NodeTm {
  char node_name[NAME_SIZE];
  float rot_angle;
  Vector3 row0;
  Vector3 row1;
  Vector3 row2;
  Vector3 row3;
  Vector3 pos;
  Vector3 rot_axis;
  Vector3 scale;
  Vector3 scale_axis;
  float scale_axis_angle;
};
static_assert(sizeof(NodeTm) == 232, "NodeTm is the 232-byte record");

// 32 bytes in the D3DVERTEX layout: position, normal, texture coordinates.
struct MeshVertex {
  Vector3 position;
  Vector3 normal;
  float u, v;
};
static_assert(sizeof(MeshVertex) == 32, "MeshVertex has the D3DVERTEX layout");
static_assert(sizeof(D3DLVERTEX) == 32, "lit vertices have the D3DLVERTEX layout");

// A face corner: an index into its object's vertex arrays, or into its texture vertices. Wider than the
// 16 bits of the format's counts, so that a scanned or sculpted mesh of more vertices keeps its faces.
using VertexIndex = uint32_t;

struct TexCoord {
  float u, v;
};

// The material table entry; its first fields are a D3DMATERIAL7 colour block.
struct Material {
  D3DCOLORVALUE diffuse = {};
  D3DCOLORVALUE ambient = {};
  D3DCOLORVALUE specular = {};
  D3DCOLORVALUE emissive = {};
  float power = 0;
  char bitmap_name[BITMAP_NAME_SIZE] = {};
  uint8_t has_bitmap = 0;
  uint8_t submaterial_count = 0;
  Material* submaterials = nullptr;  // owned, submaterial_count entries
};

// The 68-byte colour block (diffuse to power) of a material, as the device takes it.
D3DMATERIAL7 MaterialColourBlock(const Material& material);
// Frees the sub-materials of an entry at every nesting depth and leaves it with none.
void DestroySubMaterials(Material& material);

// The faces of one object that share one sub-material, with what the renderer and the lightmaps add.
struct FaceGroup {
  uint8_t material_id = 0;
  uint32_t face_count = 0;
  VertexIndex* face_indices = nullptr;  // owned, 3 per face, into the object's vertex arrays
  D3DMATERIAL7 group_material = {};
  TextureEntry* texture = nullptr;  // not owned: an entry of the texture cache
  GroupLightmap* lightmap = nullptr;  // owned array, one per slice of LIGHTMAP_SLICE_FACES faces
  LightmapVertex* lightmap_vertices = nullptr;  // owned, 3 per face; null once moved into the buffer
  // Owned: the lightmap vertices as the device keeps them, moved there at the first draw.
  IDirect3DVertexBuffer7* lightmap_vertex_buffer = nullptr;
  // Set when the buffer could not be made, so that each frame does not try again; cleared with the
  // lightmaps, so that a rebuild on a new device tries once more.
  bool lightmap_vertex_buffer_failed = false;
  FaceGroup* next = nullptr;
};

// The common head of every named object. Not polymorphic: each list deletes its nodes as their own type.
struct SceneNode {
  SceneNode();  // names and transforms zero-filled, the four matrices identity

  int32_t node_type = 0;
  char name[NAME_SIZE] = {};
  char parent_name[NAME_SIZE] = {};
  NodeTm node_tms[2] = {};  // slot 0: the object itself; slot 1: the target of a light or camera
  AnimationTrack* animation_track = nullptr;  // not owned
  SceneNode* parent = nullptr;  // not owned: a geometric object
  Matrix4 local_matrix;
  Matrix4 world_matrix;
  Matrix4 node_tm_matrix;
  Matrix4 inverse_node_tm_matrix;
  Matrix4** ancestor_matrices = nullptr;  // owned array of pointers to the ancestors' local_matrix, parent first
  uint16_t ancestor_count = 0;
  SceneNode* next = nullptr;
};

const NodeTm& GetNodeTm(const SceneNode* node, int slot);
void SetNodeTm(SceneNode* node, int slot, const NodeTm& tm);
const char* GetName(const SceneNode* node);
const char* GetParentName(const SceneNode* node);
SceneNode* GetParent(const SceneNode* node);
void SetParent(SceneNode* node, SceneNode* parent);
int32_t GetNodeType(const SceneNode* node);

struct GeomObject : SceneNode {
  GeomObject() = default;

  IDirect3DVertexBuffer7* vertex_buffer = nullptr;  // owned
  IDirect3DVertexBuffer7* lit_vertex_buffer = nullptr;  // owned
  uint8_t* face_material_ids = nullptr;  // owned, one per face
  VertexIndex* faces = nullptr;  // owned, 3 vertex indices per face
  FaceGroup* face_groups = nullptr;  // owned
  uint8_t face_group_count = 0;
  uint32_t face_count = 0;
  uint32_t texture_face_count = 0;
  uint32_t vertex_count = 0;
  uint32_t texture_vertex_count = 0;
  uint8_t material_index = 0;
  uint32_t weighted_vertex_count = 0;
  MeshVertex* vertices = nullptr;  // owned, vertex_count entries
  MeshVertex* render_vertices = nullptr;  // owned, vertex_count entries, object space
  VertexWeights* vertex_weights = nullptr;  // owned, vertex_count entries or none
  D3DLVERTEX* lit_vertices = nullptr;  // owned, vertex_count entries
  VertexIndex* texture_faces = nullptr;  // owned, 3 texture-vertex indices per texture face
  TexCoord* texture_vertices = nullptr;  // owned, texture_vertex_count entries
  // "*WIREFRAME_COLOR" as read (red, green, blue): the colour an object without a material is drawn in.
  Vector3 wireframe_colour = {};
  uint8_t has_wireframe_colour = 0;
};

struct LightObject : SceneNode {
  LightObject() = default;

  D3DLIGHT7 d3d_light = {};
  float light_colour[3] = {};  // red, green, blue
};

struct CameraObject : SceneNode {
  CameraObject() = default;

  float orbit_distance = 0;
  float orbit_angle = 0;  // radians, around the target in the x-z plane
  float field_of_view = 0;  // never read from the file: stays 0
  float near_clip = 0;
  float far_clip = 0;
  float aspect = 0;
  Vector3 eye = {};
  Vector3 target = {};
  Vector3 orbit_eye = {};
  Vector3 up = {};
};

template <class T>
T* NextNode(const T* node) {
  return static_cast<T*>(node->next);
}

struct AseScene {
  AseScene() = default;
  ~AseScene();  // DestroyScene
  AseScene(const AseScene&) = delete;
  AseScene& operator=(const AseScene&) = delete;

  bool IsLoaded() const { return loaded != 0; }
  void StartAnimation() { play_animation = 1; }
  bool IsAnimationPlaying() const { return play_animation != 0; }
  GeomObject* GetGeomObjects() const { return geom_objects; }
  LightObject* GetLights() const { return lights; }
  CameraObject* GetCameras() const { return cameras; }
  Material* GetMaterials() const { return materials; }
  uint8_t GetMaterialCount() const { return material_count; }
  uint8_t GetLightCount() const { return light_count; }
  // The first geometric object whose name equals name exactly (case-sensitive); null when none. Looks
  // names up in an index made on first use and remade after appends, so names must not change once a
  // node is listed.
  GeomObject* FindGeomObject(const char* name) const;
  // Frees every object, animation set, material, camera, light and the top objects, in that order.
  void DestroyScene();

  uint8_t animation_count = 0;
  char file_path[NAME_SIZE] = {};
  uint8_t loaded = 0;
  uint8_t play_animation = 0;
  TextStream* scene_file = nullptr;  // open only during LoadScene
  FILE* report_file = nullptr;  // "test.txt", open only during LoadScene
  GeomObject** top_objects = nullptr;  // owned array
  GeomObject* geom_objects = nullptr;
  uint16_t geom_object_count = 0;
  uint8_t material_count = 0;
  uint8_t light_count = 0;
  uint8_t camera_count = 0;
  uint16_t top_object_count = 0;
  Material* materials = nullptr;  // owned, material_count entries
  LightObject* lights = nullptr;
  CameraObject* cameras = nullptr;
  AnimationSet* animation_sets = nullptr;  // owned, in load order
  AnimationSet* current_animation = nullptr;
  // The files the load read, which no report may replace: filled by LoadScene, the skin reader and the
  // animation load.
  InputFiles input_files;

  // Lookup aids, not part of the model: every parent and bone lookup would otherwise walk the list,
  // and every append too, which makes a file of many small objects take quadratic time.
  mutable GeomNameIndex* geom_name_index = nullptr;  // owned, made by FindGeomObject
  GeomObject* last_geom_object = nullptr;  // the readers' append hints: nodes of their lists, or null
  LightObject* last_light = nullptr;
  CameraObject* last_camera = nullptr;
};

// Appends a node at the end of a list that keeps file order.
template <class T>
void AppendNode(T*& head, T* node) {
  if (head == nullptr) {
    head = node;
    return;
  }
  SceneNode* last = head;
  while (last->next != nullptr) last = last->next;
  last->next = node;
}

// AppendNode that starts its walk to the end at hint (a node of the list, or null for the head) and
// leaves the new node as the hint, so that appending many nodes in a row stays linear.
template <class T>
void AppendNodeAfterHint(T*& head, T*& hint, T* node) {
  if (head == nullptr) {
    head = node;
    hint = node;
    return;
  }
  SceneNode* last = hint != nullptr ? hint : head;
  while (last->next != nullptr) last = last->next;
  last->next = node;
  hint = node;
}
