#include "scene/renderable_build.h"

#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "math/math3d.h"
#include "math/zeroed_array.h"
#include "platform/report.h"
#include "render/renderer.h"
#include "scene/ase_scene.h"
#include "skin/skin_binding.h"

namespace {

// Truncation toward zero that stays defined for any float: material colours and normals come from the
// file, so a product may be far outside 0..255 (or NaN, which gives 0).
int64_t TruncateToInt(float value) {
  if (!(value == value)) return 0;
  if (value >= 9.0e18f) return INT64_MAX;
  if (value <= -9.0e18f) return INT64_MIN;
  return static_cast<int64_t>(value);
}

uint32_t ChannelBits(float channel) { return static_cast<uint32_t>(TruncateToInt(channel * 255.0f)); }

const Material* ObjectMaterial(const AseScene& scene, const GeomObject& object) {
  if (scene.materials == nullptr || object.material_index >= scene.material_count) return nullptr;
  return &scene.materials[object.material_index];
}

}  // namespace

FaceGroup* CollectFaces(const GeomObject& object, bool any_id, uint8_t id) {
  auto belongs = [&](uint32_t f) {
    return FaceInRange(object, f) && (any_id || object.face_material_ids[f] == id);
  };
  uint32_t count = 0;
  for (uint32_t f = 0; f < object.face_count; ++f) count += belongs(f) ? 1 : 0;
  if (count == 0) return nullptr;
  VertexIndex* indices = NewZeroedArray<VertexIndex>(3 * static_cast<size_t>(count));
  FaceGroup* group = indices != nullptr ? new (std::nothrow) FaceGroup : nullptr;
  if (group == nullptr) {
    delete[] indices;
    return nullptr;
  }
  VertexIndex* out = indices;
  for (uint32_t f = 0; f < object.face_count; ++f) {
    if (!belongs(f)) continue;
    std::memcpy(out, object.faces + 3 * static_cast<size_t>(f), 3 * sizeof(VertexIndex));
    out += 3;
  }
  group->material_id = any_id ? 0 : id;
  group->face_count = count;
  group->face_indices = indices;
  return group;
}

void AppendGroup(GeomObject* object, FaceGroup* group) {
  FaceGroup** tail = &object->face_groups;
  while (*tail != nullptr) tail = &(*tail)->next;
  *tail = group;
  ++object->face_group_count;
}

namespace {

// A hand-edited file can make parents a loop, which would never end an ancestor walk. Each loop is
// opened at the link that closes it when the chain is walked from the first object in list order, so the
// object owning that link becomes a top object.
void BreakParentCycles(AseScene* scene) {
  enum : uint8_t { UNSEEN = 0, ON_PATH = 1, DONE = 2 };
  std::unordered_map<const SceneNode*, uint8_t> state;
  std::vector<SceneNode*> path;
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    path.clear();
    SceneNode* node = object;
    while (node != nullptr && state[node] == UNSEEN) {
      state[node] = ON_PATH;
      path.push_back(node);
      node = node->parent;
    }
    if (node != nullptr && state[node] == ON_PATH) SetParent(path.back(), nullptr);
    for (SceneNode* seen : path) state[seen] = DONE;
  }
}

// A cut object stands at its own rest pose, which is where its chain would have put it unanimated. Runs
// after the cycles are broken, so every upward walk ends. Each object's depth is settled once, from the
// nearest ancestor already settled and always after its parent, so the pass stays linear in the object
// count and every list it keeps is whole. Returns whether any link was cut.
bool CutLinksBeyondAncestorBudget(AseScene* scene) {
  std::unordered_map<const SceneNode*, uint32_t> depth;
  std::vector<SceneNode*> path;
  uint64_t entries = 0;
  bool cut = false;
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    path.clear();
    SceneNode* node = object;
    while (node != nullptr && depth.find(node) == depth.end()) {
      path.push_back(node);
      node = node->parent;
    }
    uint32_t next_depth = node != nullptr ? depth[node] + 1 : 0;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
      if (entries + next_depth > ANCESTOR_ENTRY_BUDGET) {
        SetParent(*it, nullptr);
        next_depth = 0;
        cut = true;
      }
      entries += next_depth;
      depth[*it] = next_depth++;
    }
  }
  return cut;
}

void CreateVertexBuffers(AseScene* scene) {
  // Without a device there is nothing to upload to; the vertex arrays stay for a later setup.
  if (g_renderer == nullptr) return;
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    // An object without vertices has nothing to draw; asking the device for an empty buffer would
    // only show a creation failure.
    if (object->render_vertices == nullptr || object->lit_vertices == nullptr) continue;
    object->vertex_buffer = g_renderer->NewVertexBuffer(D3DFVF_VERTEX, object->vertex_count);
    g_renderer->FillVertexBuffer(object->vertex_buffer, object->render_vertices, D3DFVF_VERTEX,
                                 object->vertex_count);
    object->lit_vertex_buffer = g_renderer->NewVertexBuffer(D3DFVF_LVERTEX, object->vertex_count);
    g_renderer->FillVertexBuffer(object->lit_vertex_buffer, object->lit_vertices, D3DFVF_LVERTEX,
                                 object->vertex_count);
  }
}

void BuildAncestorLists(AseScene* scene) {
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    DeleteArray(object->ancestor_matrices);
    object->ancestor_count = 0;
    uint16_t count = 0;
    for (SceneNode* p = object->parent; p != nullptr && count < UINT16_MAX; p = p->parent) ++count;
    if (count == 0) continue;
    object->ancestor_matrices = NewZeroedArray<Matrix4*>(count);
    if (object->ancestor_matrices == nullptr) continue;
    SceneNode* p = object->parent;
    for (uint16_t i = 0; i < count; ++i, p = p->parent) object->ancestor_matrices[i] = &p->local_matrix;
    object->ancestor_count = count;
  }
}

void BuildTopObjects(AseScene* scene) {
  DeleteArray(scene->top_objects);
  uint16_t count = 0;
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    if (object->parent == nullptr && count < UINT16_MAX) ++count;
  }
  scene->top_object_count = count;
  if (count == 0) return;
  scene->top_objects = NewZeroedArray<GeomObject*>(count);
  if (scene->top_objects == nullptr) {
    scene->top_object_count = 0;
    return;
  }
  uint16_t filled = 0;
  for (GeomObject* object = scene->geom_objects; object != nullptr && filled < count; object = NextNode(object)) {
    if (object->parent == nullptr) scene->top_objects[filled++] = object;
  }
}

}  // namespace

uint32_t Pack(const D3DCOLORVALUE& colour) {
  return 0xFF000000u | (ChannelBits(colour.r) << 16) | (ChannelBits(colour.g) << 8) | ChannelBits(colour.b);
}

uint32_t LightVertexColour(const Vector3& normal, const Vector3& position, const Vector3& light_position,
                           uint32_t colour) {
  const Vector3 to_light = Normalize(Subtract(light_position, position));
  const float k = Dot(normal, to_light);
  if (k < 0.0f) return 0;
  auto lit = [k](uint32_t channel) {
    return static_cast<uint32_t>(TruncateToInt(k * static_cast<float>(channel))) & 0xFFu;
  };
  return 0xFF000000u | (lit((colour >> 16) & 0xFFu) << 16) | (lit((colour >> 8) & 0xFFu) << 8) |
         lit(colour & 0xFFu);
}

void BuildFaceGroups(AseScene* scene, GeomObject* object) {
  if (scene == nullptr || object == nullptr) return;
  if (object->face_material_ids == nullptr || object->faces == nullptr) return;
  const Material* material = ObjectMaterial(*scene, *object);
  if (material == nullptr) return;

  if (material->submaterial_count == 0 || material->submaterials == nullptr) {
    if (FaceGroup* group = CollectFaces(*object, true, 0)) AppendGroup(object, group);
    return;
  }
  // Ids are compared as read: a face whose id has no sub-material is in no group and is not drawn.
  for (int s = 0; s < material->submaterial_count; ++s) {
    if (FaceGroup* group = CollectFaces(*object, false, static_cast<uint8_t>(s))) AppendGroup(object, group);
  }
  DeleteArray(object->faces);
}

void ComputeVertexColours(AseScene* scene) {
  if (scene == nullptr) return;
  const LightObject* light = scene->lights;
  Vector3 light_position = {};
  if (light != nullptr) {
    const Vector3& pos = light->node_tms[0].pos;
    light_position = MakeVector(pos.x, pos.z, pos.y);
  }
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    if (object->lit_vertices == nullptr || object->vertices == nullptr) continue;
    const Material* material = ObjectMaterial(*scene, *object);
    if (object->face_group_count <= 1 || material == nullptr) {
      const uint32_t diffuse = material != nullptr ? Pack(material->diffuse) : UNDEFINED_MATERIAL_COLOUR;
      for (uint32_t i = 0; i < object->vertex_count; ++i) {
        object->lit_vertices[i].specular = 0;
        object->lit_vertices[i].color = diffuse;
      }
      continue;
    }
    for (const FaceGroup* group = object->face_groups; group != nullptr; group = group->next) {
      if (material->submaterials == nullptr || group->material_id >= material->submaterial_count) continue;
      const Material& sub = material->submaterials[group->material_id];
      const uint32_t specular = Pack(sub.specular);
      const uint32_t ambient = Pack(sub.ambient);
      for (size_t c = 0; c < 3 * static_cast<size_t>(group->face_count); ++c) {
        const VertexIndex v = group->face_indices[c];
        if (v >= object->vertex_count) continue;
        D3DLVERTEX& lit = object->lit_vertices[v];
        lit.specular = specular;
        // Without a light there is nothing to shade by: the sub-material's ambient colour stands.
        lit.color = light != nullptr ? LightVertexColour(object->vertices[v].normal, object->vertices[v].position,
                                                         light_position, ambient)
                                     : ambient;
      }
    }
  }
}

void BuildRenderables(AseScene* scene) {
  if (scene == nullptr) return;
  for (GeomObject* object = scene->geom_objects; object != nullptr; object = NextNode(object)) {
    SplitVerticesByTexCoord(object);
    // Parents are looked up only now, so a child listed before its parent still finds it. An object that
    // names no parent has none, also in a scene that holds an object with an empty name.
    const char* parent_name = object->parent_name;
    SetParent(object, parent_name[0] != '\0' ? scene->FindGeomObject(parent_name) : nullptr);
    BindSkin(object);
    BuildFaceGroups(scene, object);
  }
  BreakParentCycles(scene);
  if (CutLinksBeyondAncestorBudget(scene)) ShowReport(ANCESTOR_BUDGET_MESSAGE);
  ComputeVertexColours(scene);
  CreateVertexBuffers(scene);
  BuildAncestorLists(scene);
  BuildTopObjects(scene);
}
