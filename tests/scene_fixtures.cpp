#include "tests/scene_fixtures.h"

#include <algorithm>
#include <cstring>

#include "math/zeroed_array.h"
#include "scene/ase_reader.h"
#include "skin/skin_weights.h"
#include "tests/test_support.h"

const char RICH_SCENE[] = R"(*3DSMAX_ASCIIEXPORT	200
*COMMENT "handmade { scene }"
*SCENE {
	*SCENE_FILENAME "rich.max"
	*SCENE_FIRSTFRAME 0
	*SCENE_LASTFRAME 100
	*SCENE_BACKGROUND_STATIC 0.0 0.0 0.0
}
*MATERIAL_LIST {
	*MATERIAL_COUNT 2
	*MATERIAL 0 {
		*MATERIAL_NAME "Wall"
		*MATERIAL_CLASS "Standard"
		*MATERIAL_AMBIENT 0.1 0.2 0.3
		*MATERIAL_DIFFUSE 0.5 0.6 0.7
		*MATERIAL_SPECULAR 0.9 0.8 0.75
		*MATERIAL_SHINE 0.25
		*MAP_DIFFUSE {
			*MAP_NAME "Map #1"
			*MAP_CLASS "Bitmap"
			*MAP_AMOUNT 1.0
			*BITMAP "C:\maps\wall.tga"
			*BITMAP_FILTER Pyramidal
		}
	}
	*MATERIAL 1 {
		*MATERIAL_NAME "Multi"
		*MATERIAL_CLASS "Multi/Sub-Object"
		*MATERIAL_AMBIENT 0.0 0.0 0.0
		*MATERIAL_DIFFUSE 0.25 0.25 0.25
		*MATERIAL_SPECULAR 1.0 1.0 1.0
		*NUMSUBMTLS 2
		*SUBMATERIAL 0 {
			*MATERIAL_NAME "Floor"
			*MATERIAL_AMBIENT 0.2 0.2 0.2
			*MATERIAL_DIFFUSE 0.4 0.3 0.2
			*MATERIAL_SPECULAR 0.5 0.5 0.5
			*MAP_DIFFUSE {
				*BITMAP "floor.tif"
			}
		}
		*SUBMATERIAL 1 {
			*MATERIAL_NAME "Trim"
			*MATERIAL_AMBIENT 0.0 0.1 0.0
			*MATERIAL_DIFFUSE 0.0 1.0 0.0
			*MATERIAL_SPECULAR 0.0 0.0 0.0
			*MAP_BUMP {
				*BITMAP "bump.tga"
			}
		}
	}
}
*GEOMOBJECT {
	*NODE_NAME "Child"
	*NODE_PARENT "Base"
	*NODE_TM {
		*NODE_NAME "Child"
		*INHERIT_POS 0 0 0
		*TM_ROW0 1.0 0.0 0.0
		*TM_ROW1 0.0 1.0 0.0
		*TM_ROW2 0.0 0.0 1.0
		*TM_ROW3 5.0 6.0 7.0
		*TM_POS 5.0 6.0 7.0
		*TM_ROTAXIS 0.0 0.0 1.0
		*TM_ROTANGLE 0.0
		*TM_SCALE 1.0 1.0 1.0
		*TM_SCALEAXIS 0.0 0.0 0.0
		*TM_SCALEAXISANG 0.0
	}
	*MESH {
		*TIMEVALUE 0
		*MESH_NUMVERTEX 3
		*MESH_NUMFACES 1
		*MESH_VERTEX_LIST {
			*MESH_VERTEX 0 0.0 0.0 0.0
			*MESH_VERTEX 1 1.0 0.0 0.0
			*MESH_VERTEX 2 0.0 1.0 0.0
		}
		*MESH_FACE_LIST {
			*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 1
		}
	}
	*PROP_MOTIONBLUR 0
	*WIREFRAME_COLOR 0.5 0.5 0.5
	*MATERIAL_REF 1
}
*GEOMOBJECT {
	*NODE_NAME "Base"
	*NODE_TM {
		*NODE_NAME "Base"
		*TM_ROW0 0.0 -1.0 0.0
		*TM_ROW1 1.0 0.0 0.0
		*TM_ROW2 0.0 0.0 1.0
		*TM_ROW3 -10.5 0.0 2.25
		*TM_POS -10.5 0.0 2.25
		*TM_ROTAXIS 0.0 0.0 -1.0
		*TM_ROTANGLE 1.5708
		*TM_SCALE 2.0 2.0 2.0
		*TM_SCALEAXIS 0.0 0.0 0.0
		*TM_SCALEAXISANG 0.0
	}
	*MESH {
		*TIMEVALUE 0
		*MESH_NUMVERTEX 4
		*MESH_NUMFACES 2
		*MESH_VERTEX_LIST {
			*MESH_VERTEX 0 -1.0 -1.0 0.0
			*MESH_VERTEX 1 1.0 -1.0 0.0
			*MESH_VERTEX 2 1.0 1.0 0.0
			*MESH_VERTEX 3 -1.0 1.0 0.0
		}
		*MESH_FACE_LIST {
			*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 *MESH_MTLID 0
			*MESH_FACE 1: A: 0 B: 2 C: 3 AB: 0 BC: 1 CA: 1 *MESH_SMOOTHING *MESH_MTLID 0
		}
		*MESH_NUMTVERTEX 4
		*MESH_TVERTLIST {
			*MESH_TVERT 0 0.0 0.0 0.0
			*MESH_TVERT 1 1.0 0.0 0.0
			*MESH_TVERT 2 1.0 1.0 0.0
			*MESH_TVERT 3 0.0 1.0 0.0
		}
		*MESH_NUMTVFACES 2
		*MESH_TFACELIST {
			*MESH_TFACE 0 0 1 2
			*MESH_TFACE 1 0 2 3
		}
		*MESH_NUMCVERTEX 0
		*MESH_NORMALS {
			*MESH_FACENORMAL 0 0.0 0.0 1.0
				*MESH_VERTEXNORMAL 0 0.0 0.0 1.0
				*MESH_VERTEXNORMAL 1 0.0 0.0 1.0
				*MESH_VERTEXNORMAL 2 0.0 0.0 1.0
			*MESH_FACENORMAL 1 0.0 0.0 1.0
				*MESH_VERTEXNORMAL 0 0.0 0.0 1.0
				*MESH_VERTEXNORMAL 2 0.0 0.0 1.0
				*MESH_VERTEXNORMAL 3 0.0 0.0 1.0
		}
	}
	*TM_ANIMATION {
		*NODE_NAME "Base"
		*CONTROL_POS_TRACK {
			*CONTROL_POS_SAMPLE 0 -10.5 0.0 2.25
			*CONTROL_POS_SAMPLE 160 -9.5 0.0 2.25
		}
	}
	*MATERIAL_REF 0
}
*LIGHTOBJECT {
	*NODE_NAME "Omni01"
	*LIGHT_TYPE Target
	*NODE_TM {
		*NODE_NAME "Omni01"
		*TM_ROW0 1.0 0.0 0.0
		*TM_ROW1 0.0 1.0 0.0
		*TM_ROW2 0.0 0.0 1.0
		*TM_ROW3 0.0 -50.0 80.0
		*TM_POS 0.0 -50.0 80.0
		*TM_ROTAXIS 0.0 0.0 0.0
		*TM_ROTANGLE 0.0
		*TM_SCALE 1.0 1.0 1.0
	}
	*NODE_TM {
		*NODE_NAME "Omni01.Target"
		*TM_ROW0 1.0 0.0 0.0
		*TM_ROW1 0.0 1.0 0.0
		*TM_ROW2 0.0 0.0 1.0
		*TM_ROW3 1.0 2.0 3.0
		*TM_POS 1.0 2.0 3.0
		*TM_SCALE 1.0 1.0 1.0
	}
	*LIGHT_SHADOWS Off
	*LIGHT_USELIGHT 1
	*LIGHT_SETTINGS {
		*TIMEVALUE 0
		*LIGHT_COLOR 1.0 0.5 0.25
		*LIGHT_INTENS 3.0
		*LIGHT_ASPECT -1.0
		*LIGHT_TDIST 240.0
	}
	*TM_ANIMATION {
		*NODE_NAME "Omni01"
		*CONTROL_POS_TRACK {
			*CONTROL_POS_SAMPLE 0 0.0 -50.0 80.0
		}
	}
}
*LIGHTOBJECT {
	*NODE_NAME "Fill Light"
	*LIGHT_TYPE Omni
	*NODE_TM {
		*NODE_NAME "Fill Light"
		*TM_POS 4.0 -3.0 2.0
	}
	*LIGHT_SETTINGS {
		*LIGHT_COLOR 0.2 0.2 0.2
	}
}
*CAMERAOBJECT {
	*NODE_NAME "Camera01"
	*CAMERA_TYPE Target
	*NODE_TM {
		*NODE_NAME "Camera01"
		*TM_ROW0 1.0 0.0 0.0
		*TM_ROW1 0.0 0.0 1.0
		*TM_ROW2 0.0 -1.0 0.0
		*TM_ROW3 0.0 -200.0 50.0
		*TM_POS 0.0 -200.0 50.0
		*TM_ROTAXIS -1.0 0.0 0.0
		*TM_ROTANGLE 1.5708
		*TM_SCALE 1.0 1.0 1.0
	}
	*NODE_TM {
		*NODE_NAME "Camera01.Target"
		*TM_ROW3 0.0 0.0 10.0
		*TM_POS 0.0 0.0 10.0
		*TM_SCALE 1.0 1.0 1.0
	}
	*CAMERA_SETTINGS {
		*TIMEVALUE 0
		*CAMERA_NEAR 1.5
		*CAMERA_FAR 1000.0
		*CAMERA_FOV 0.7854
		*CAMERA_TDIST 210.0
	}
	*TM_ANIMATION {
		*NODE_NAME "Camera01"
		*CONTROL_POS_TRACK {
			*CONTROL_POS_SAMPLE 0 0.0 -200.0 50.0
		}
	}
}
)";

std::string WithHeader(const std::string& body) { return "*3DSMAX_ASCIIEXPORT\t200\n" + body; }

std::string ParentChainScene(int links, bool closed) {
  std::string body;
  for (int i = 0; i < links; ++i) {
    const int parent = i > 0 ? i - 1 : closed ? links - 1 : -1;
    body += "*GEOMOBJECT {\n*NODE_NAME \"N" + std::to_string(i) + "\"\n";
    if (parent >= 0) body += "*NODE_PARENT \"N" + std::to_string(parent) + "\"\n";
    body += "}\n";
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

void SetVertices(GeomObject* object, std::initializer_list<Vector3> positions) {
  DeleteArray(object->vertices);
  object->vertex_count = static_cast<uint32_t>(positions.size());
  object->vertices = NewZeroedArray<MeshVertex>(positions.size());
  size_t i = 0;
  for (const Vector3& p : positions) object->vertices[i++].position = p;
}

void SetFaces(GeomObject* object, std::initializer_list<uint16_t> corners,
             std::initializer_list<uint8_t> ids) {
  object->face_count = static_cast<uint32_t>(corners.size() / 3);
  object->faces = NewZeroedArray<uint16_t>(corners.size());
  object->face_material_ids = NewZeroedArray<uint8_t>(object->face_count);
  std::copy(corners.begin(), corners.end(), object->faces);
  std::copy(ids.begin(), ids.end(), object->face_material_ids);
}

void SetTextureMapping(GeomObject* object, std::initializer_list<TexCoord> coords,
                       std::initializer_list<uint16_t> corners) {
  object->texture_vertex_count = static_cast<uint32_t>(coords.size());
  object->texture_vertices = NewZeroedArray<TexCoord>(coords.size());
  std::copy(coords.begin(), coords.end(), object->texture_vertices);
  object->texture_face_count = static_cast<uint32_t>(corners.size() / 3);
  object->texture_faces = NewZeroedArray<uint16_t>(corners.size());
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

D3DCOLORVALUE Colour(float r, float g, float b) { return D3DCOLORVALUE{r, g, b, 1.0f}; }

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
