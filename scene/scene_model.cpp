#include "scene/ase_scene.h"

#include <cstring>

#include "animation/animation_set.h"
#include "math/zeroed_array.h"
#include "skin/skin_binding.h"

SceneNode::SceneNode() {
  MatrixIdentity(local_matrix);
  MatrixIdentity(world_matrix);
  MatrixIdentity(node_tm_matrix);
  MatrixIdentity(inverse_node_tm_matrix);
}

const NodeTm& GetNodeTm(const SceneNode* node, int slot) { return node->node_tms[slot != 0 ? 1 : 0]; }

void SetNodeTm(SceneNode* node, int slot, const NodeTm& tm) { node->node_tms[slot != 0 ? 1 : 0] = tm; }

const char* GetName(const SceneNode* node) { return node->name; }

const char* GetParentName(const SceneNode* node) { return node->parent_name; }

SceneNode* GetParent(const SceneNode* node) { return node->parent; }

void SetParent(SceneNode* node, SceneNode* parent) { node->parent = parent; }

int32_t GetNodeType(const SceneNode* node) { return node->node_type; }

D3DMATERIAL7 MaterialColourBlock(const Material& material) {
  D3DMATERIAL7 block;
  block.diffuse = material.diffuse;
  block.ambient = material.ambient;
  block.specular = material.specular;
  block.emissive = material.emissive;
  block.power = material.power;
  return block;
}

GeomObject* AseScene::FindGeomObject(const char* name) const {
  if (name == nullptr) return nullptr;
  for (GeomObject* object = geom_objects; object != nullptr; object = NextNode(object)) {
    if (std::strcmp(object->name, name) == 0) return object;
  }
  return nullptr;
}

// Sub-materials can nest in a file; every level is released.
void DestroySubMaterials(Material& material) {
  for (int i = 0; i < material.submaterial_count && material.submaterials != nullptr; ++i) {
    DestroySubMaterials(material.submaterials[i]);
  }
  DeleteArray(material.submaterials);
  material.submaterial_count = 0;
}

namespace {

template <class T>
void DeleteList(T*& head) {
  while (head != nullptr) {
    T* next = NextNode(head);
    delete[] head->ancestor_matrices;
    delete head;
    head = next;
  }
}

}  // namespace

void AseScene::DestroyScene() {
  while (geom_objects != nullptr) {
    GeomObject* next = NextNode(geom_objects);
    DestroyGeometricObjectData(geom_objects);
    delete geom_objects;
    geom_objects = next;
  }
  geom_object_count = 0;

  while (animation_sets != nullptr) {
    AnimationSet* next = animation_sets->next;
    DestroyAnimationSet(animation_sets);
    delete animation_sets;
    animation_sets = next;
  }
  current_animation = nullptr;
  animation_count = 0;

  for (int i = 0; i < material_count && materials != nullptr; ++i) DestroySubMaterials(materials[i]);
  DeleteArray(materials);
  material_count = 0;

  DeleteList(cameras);
  camera_count = 0;
  DeleteList(lights);
  light_count = 0;

  DeleteArray(top_objects);
  top_object_count = 0;
}

AseScene::~AseScene() { DestroyScene(); }
