#include "tests/scene_fixtures.h"

#include <algorithm>
#include <cstring>

#include "math/zeroed_array.h"
#include "scene/ase_reader.h"
#include "skin/skin_weights.h"
#include "tests/test_support.h"

std::string WithHeader(const std::string& body) { return "*3DSMAX_ASCIIEXPORT\t200\n" + body; }

std::string ParentChainScene(const std::vector<int>& chains, bool closed) {
  std::string body;
  int first = 0;
  for (const int links : chains) {
    for (int i = first; i < first + links; ++i) {
      const int parent = i > first ? i - 1 : closed ? first + links - 1 : -1;
      const std::string index = std::to_string(i);
      body += "*GEOMOBJECT {\n*NODE_NAME \"N" + index + "\"\n";
      if (parent >= 0) body += "*NODE_PARENT \"N" + std::to_string(parent) + "\"\n";
      body += "*NODE_TM {\n*TM_ROW0 1 0 0\n*TM_ROW1 0 1 0\n*TM_ROW2 0 0 1\n*TM_ROW3 " + index +
              " 0 0\n*TM_ROTAXIS 0 0 1\n*TM_SCALE 1 1 1\n}\n}\n";
    }
    first += links;
  }
  return WithHeader(body);
}

bool LoadSceneText(AseScene* scene, const std::string& text, const std::string& file_name) {
  WriteTextFile(file_name, text);
  return LoadScene(scene, file_name.c_str());
}

GeomObject* AddGeomObject(AseScene& scene, const char* name, const char* parent_name) {
  GeomObject* object = new GeomObject;
  std::strncpy(object->name, name, NAME_SIZE - 1);
  std::strncpy(object->parent_name, parent_name, NAME_SIZE - 1);
  AppendNode(scene.geom_objects, object);
  ++scene.geom_object_count;
  return object;
}

void SetVertices(GeomObject* object, const std::vector<Vector3>& positions) {
  DeleteArray(object->vertices);
  object->vertex_count = static_cast<uint32_t>(positions.size());
  object->vertices = NewZeroedArray<MeshVertex>(positions.size());
  size_t i = 0;
  for (const Vector3& p : positions) object->vertices[i++].position = p;
}

void SetFaces(GeomObject* object, std::initializer_list<VertexIndex> corners,
             std::initializer_list<uint8_t> ids) {
  object->face_count = static_cast<uint32_t>(corners.size() / 3);
  object->faces = NewZeroedArray<VertexIndex>(corners.size());
  object->face_material_ids = NewZeroedArray<uint8_t>(object->face_count);
  std::copy(corners.begin(), corners.end(), object->faces);
  std::copy(ids.begin(), ids.end(), object->face_material_ids);
}

void SetTextureMapping(GeomObject* object, std::initializer_list<TexCoord> coords,
                       std::initializer_list<VertexIndex> corners) {
  object->texture_vertex_count = static_cast<uint32_t>(coords.size());
  object->texture_vertices = NewZeroedArray<TexCoord>(coords.size());
  std::copy(coords.begin(), coords.end(), object->texture_vertices);
  object->texture_face_count = static_cast<uint32_t>(corners.size() / 3);
  object->texture_faces = NewZeroedArray<VertexIndex>(corners.size());
  std::copy(corners.begin(), corners.end(), object->texture_faces);
}

void SetTranslation(SceneNode* node, const Vector3& file_position) {
  NodeTm tm = {};
  tm.row0 = MakeVector(1, 0, 0);
  tm.row1 = MakeVector(0, 1, 0);
  tm.row2 = MakeVector(0, 0, 1);
  tm.row3 = file_position;
  tm.pos = file_position;
  SetNodeTm(node, 0, tm);
}

LightObject* AddLight(AseScene& scene, const Vector3& file_position) {
  LightObject* light = new LightObject;
  SetTranslation(light, file_position);
  AppendNode(scene.lights, light);
  ++scene.light_count;
  return light;
}

Material* SetMaterials(AseScene& scene, uint8_t count, uint8_t submaterial_count) {
  scene.material_count = count;
  scene.materials = NewZeroedArray<Material>(count);
  scene.materials[0].submaterial_count = submaterial_count;
  scene.materials[0].submaterials = NewZeroedArray<Material>(submaterial_count);
  return scene.materials;
}

void AddInfluence(GeomObject* mesh, uint32_t v, GeomObject* bone, float weight) {
  if (mesh->vertex_weights == nullptr) mesh->vertex_weights = NewZeroedArray<VertexWeights>(mesh->vertex_count);
  VertexWeights& entry = mesh->vertex_weights[v];
  BoneInfluence* grown = NewZeroedArray<BoneInfluence>(entry.influence_count + 1u);
  std::copy(entry.influences, entry.influences + entry.influence_count, grown);
  grown[entry.influence_count].bone = bone;
  grown[entry.influence_count].weight = weight;
  delete[] entry.influences;
  entry.influences = grown;
  ++entry.influence_count;
  if (mesh->weighted_vertex_count < v + 1) mesh->weighted_vertex_count = v + 1;
}
