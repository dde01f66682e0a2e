// Scene fixtures shared by the scene tests: text scenes loaded through the real file path, and scenes
// built in code for the skinning tests and the fuzz targets (objects, mesh arrays, materials and a first
// light), all owned by the AseScene and freed by its DestroyScene, so the leak checker sees the real
// teardown.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "scene/ase_scene.h"

// The header line every fixture needs, followed by body.
std::string WithHeader(const std::string& body);

// A scene of objects "N0", "N1", ... without meshes, each placed one unit further along x and, within
// each chain of the given lengths, the child of the one before; closed makes each chain's first object
// the child of its last, so the chain is one long loop.
std::string ParentChainScene(const std::vector<int>& chains, bool closed);

// Writes text to file_name in the working directory (a ScopedTempDir) and loads it with LoadScene;
// returns LoadScene's result.
bool LoadSceneText(AseScene* scene, const std::string& text, const std::string& file_name = "scene.ase");

GeomObject* AddGeomObject(AseScene& scene, const char* name, const char* parent_name = "");
// Positions are world-space, already in the device's axis order.
void SetVertices(GeomObject* object, const std::vector<Vector3>& positions);
// Three corners per face; ids sets one material id per face (all 0 when empty).
void SetFaces(GeomObject* object, std::initializer_list<VertexIndex> corners, std::initializer_list<uint8_t> ids = {});
void SetTextureMapping(GeomObject* object, std::initializer_list<TexCoord> coords,
                       std::initializer_list<VertexIndex> corners);
void SetTranslation(SceneNode* node, const Vector3& file_position);
LightObject* AddLight(AseScene& scene, const Vector3& file_position);
// Material table of `count` entries; entry 0 gets `submaterial_count` sub-materials.
Material* SetMaterials(AseScene& scene, uint8_t count, uint8_t submaterial_count = 0);
// Appends one influence to the weight entry of vertex v, creating the table on first use; the filled
// count covers every entry up to v.
void AddInfluence(GeomObject* mesh, uint32_t v, GeomObject* bone, float weight);
