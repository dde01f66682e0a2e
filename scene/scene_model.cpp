#include "scene/ase_scene.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

// The objects sorted by name, equal names in list order, as the list stood when it was made: its head
// and its last node tell whether objects were appended since.
struct GeomNameIndex {
  const GeomObject* head = nullptr;
  const GeomObject* last = nullptr;
  std::vector<GeomObject*> by_name;
};

namespace {

bool NameBefore(const GeomObject* object, const char* name) { return std::strcmp(object->name, name) < 0; }

bool IndexIsCurrent(const GeomNameIndex* index, const GeomObject* head) {
  return index != nullptr && index->head == head && (index->last == nullptr || index->last->next == nullptr);
}

}  // namespace

GeomObject* AseScene::FindGeomObject(const char* name) const {
  if (name == nullptr || geom_objects == nullptr) return nullptr;
  if (!IndexIsCurrent(geom_name_index, geom_objects)) {
    if (geom_name_index == nullptr) geom_name_index = new GeomNameIndex;
    GeomNameIndex& index = *geom_name_index;
    index.by_name.clear();
    for (GeomObject* object = geom_objects; object != nullptr; object = NextNode(object)) {
      index.by_name.push_back(object);
    }
    index.head = geom_objects;
    index.last = index.by_name.back();
    std::stable_sort(index.by_name.begin(), index.by_name.end(), [](const GeomObject* a, const GeomObject* b) {
      return std::strcmp(a->name, b->name) < 0;
    });
  }
  const std::vector<GeomObject*>& by_name = geom_name_index->by_name;
  const auto found = std::lower_bound(by_name.begin(), by_name.end(), name, NameBefore);
  return found != by_name.end() && std::strcmp((*found)->name, name) == 0 ? *found : nullptr;
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

  delete geom_name_index;
  geom_name_index = nullptr;
  last_geom_object = nullptr;
  last_light = nullptr;
  last_camera = nullptr;
}

AseScene::~AseScene() { DestroyScene(); }
