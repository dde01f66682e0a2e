#include "skin/skin_binding.h"

#include <gtest/gtest.h>

#include <vector>

#include "math/zeroed_array.h"
#include "platform/test_hooks.h"
#include "skin/skin_weights.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

// The object's faces as corner lists and its vertices' texture coordinates, for one comparison each.
std::vector<VertexIndex> Corners(const GeomObject* object) {
  return std::vector<VertexIndex>(object->faces, object->faces + 3 * object->face_count);
}
std::vector<float> Uvs(const GeomObject* object, uint32_t first = 0) {
  std::vector<float> uvs;
  for (uint32_t v = first; v < object->vertex_count; ++v) uvs.insert(uvs.end(), {object->vertices[v].u, object->vertices[v].v});
  return uvs;
}

Vector3 Xyz(const Vector4& v) { return MakeVector(v.x, v.y, v.z); }

}  // namespace

TEST(SkinBinding, SplitDuplicatesDisagreeingCornersWithTheirWeights) {
  AseScene scene;
  GeomObject* bones[4] = {AddGeomObject(scene, "B0"), AddGeomObject(scene, "B1"), AddGeomObject(scene, "B2"),
                          AddGeomObject(scene, "B3")};
  GeomObject* mesh = AddGeomObject(scene, "Mesh");
  SetVertices(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
  SetFaces(mesh, {0, 1, 2, 2, 1, 3});
  SetTextureMapping(mesh, {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {0.5f, 0.5f}, {0.25f, 0.25f}}, {0, 1, 2, 4, 5, 3});
  for (uint32_t v = 0; v < 4; ++v) AddInfluence(mesh, v, bones[v], 0.1f * static_cast<float>(v + 1));

  SplitVerticesByTexCoord(mesh);

  ASSERT_EQ(mesh->vertex_count, 6u);
  EXPECT_EQ(Corners(mesh), (std::vector<VertexIndex>{0, 1, 2, 4, 5, 3}));
  EXPECT_EQ(Uvs(mesh, 2), (std::vector<float>{0, 1, 1, 1, 0.5f, 0.5f, 0.25f, 0.25f}));
  EXPECT_EQ(mesh->vertices[4].position.y + mesh->vertices[5].position.x, 2.0f);
  EXPECT_EQ(mesh->weighted_vertex_count, 6u);
  const VertexWeights* w = mesh->vertex_weights;
  ASSERT_EQ(w[4].influence_count + w[5].influence_count, 2);
  EXPECT_EQ(w[4].influences[0].bone, bones[2]);
  EXPECT_EQ(w[4].influences[0].weight, 0.3f);
  EXPECT_EQ(w[5].influences[0].bone, bones[1]);
  // Deep copies: each entry owns its influences, so the teardown frees each once.
  EXPECT_NE(w[4].influences, w[2].influences);
  EXPECT_NE(w[5].influences, w[1].influences);
}

TEST(SkinBinding, SplitReusesMatchingAndUnassignedCornersAndStaysInBounds) {
  {
    // Vertex 1 first gets the unassigned marker itself, so the second face's corner overwrites it;
    // vertex 0 gets the same coordinate twice; vertex 4 is used by no face.
    AseScene scene;
    GeomObject* mesh = AddGeomObject(scene, "Mesh");
    SetVertices(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {9, 9, 9}});
    SetFaces(mesh, {0, 1, 2, 0, 1, 3});
    SetTextureMapping(mesh, {{0, 0}, {1000.0f, 1000.0f}, {0, 1}, {1, 0}, {1, 1}}, {0, 1, 2, 0, 3, 4});
    SplitVerticesByTexCoord(mesh);
    EXPECT_EQ(Corners(mesh), (std::vector<VertexIndex>{0, 1, 2, 0, 1, 3}));
    EXPECT_EQ(Uvs(mesh), (std::vector<float>{0, 0, 1, 0, 0, 1, 1, 1, 1000, 1000}));
    EXPECT_EQ(mesh->vertex_weights, nullptr);
  }
  {
    SCOPED_TRACE("fewer texture faces than faces, a texture index past the table, a corner past the vertices");
    AseScene scene;
    GeomObject* mesh = AddGeomObject(scene, "Mesh");
    SetVertices(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    SetFaces(mesh, {0, 1, 2, 0, 1, 9, 2, 1, 0});
    SetTextureMapping(mesh, {{0, 0}, {1, 0}, {0, 1}}, {0, 7, 1, 2, 2, 2});
    SplitVerticesByTexCoord(mesh);
    EXPECT_EQ(Corners(mesh), (std::vector<VertexIndex>{0, 1, 2, 0, 1, 9, 2, 1, 0}));
    EXPECT_EQ(Uvs(mesh), (std::vector<float>{0, 0, 1000, 1000, 1, 0}));
  }
}

TEST(SkinBinding, BindExpressesInfluencesInBoneSpaceInObjectOrder) {
  AseScene scene;
  GeomObject* early = AddGeomObject(scene, "Early");
  SetTranslation(early, MakeVector(1, 2, 3));  // file axes: the device sees (1, 3, 2)
  GeomObject* mesh = AddGeomObject(scene, "Mesh");
  NodeTm tm = {};
  tm.row0 = MakeVector(0, 1, 0);
  tm.row1 = MakeVector(-1, 0, 0);
  tm.row2 = MakeVector(0, 0, 1);
  tm.row3 = MakeVector(10, 20, 30);
  SetNodeTm(mesh, 0, tm);
  SetVertices(mesh, {{1, 3, 2}, {2, 3, 2}});
  mesh->vertices[0].normal = MakeVector(0, 1, 0);
  mesh->vertices[1].u = 0.75f;
  AddInfluence(mesh, 0, early, 1.0f);
  AddInfluence(mesh, 1, early, 0.5f);
  GeomObject* late = AddGeomObject(scene, "Late");
  SetTranslation(late, MakeVector(5, 5, 5));
  SetVertices(late, {{6, 5, 5}});
  AddInfluence(mesh, 1, late, 0.5f);

  for (GeomObject* object = scene.geom_objects; object != nullptr; object = NextNode(object)) BindSkin(object);

  // Rows 1 and 2 exchanged, and Y and Z within each row.
  const float expected_matrix[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 10, 30, 20, 1};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(mesh->node_tm_matrix.m[i], expected_matrix[i]) << i;
    EXPECT_EQ(mesh->world_matrix.m[i], expected_matrix[i]) << i;
  }
  const BoneInfluence* first = mesh->vertex_weights[0].influences;
  const BoneInfluence* second = mesh->vertex_weights[1].influences;
  ExpectVectorNear(Xyz(first[0].bone_space_position), MakeVector(0, 0, 0));
  EXPECT_EQ(first[0].bone_space_position.w, 1.0f);
  ExpectVectorNear(Xyz(second[0].bone_space_position), MakeVector(1, 0, 0));
  // A bone later in the list is still at its identity inverse when the mesh is bound.
  ExpectVectorNear(Xyz(second[1].bone_space_position), MakeVector(2, 3, 2));

  for (uint32_t j = 0; j < 2; ++j) {
    Vector3 back;
    TransformPoint(mesh->render_vertices[j].position, back, mesh->node_tm_matrix);
    ExpectVectorNear(back, mesh->vertices[j].position);
    EXPECT_EQ(mesh->lit_vertices[j].x, mesh->render_vertices[j].position.x);
    EXPECT_EQ(mesh->lit_vertices[j].z, mesh->render_vertices[j].position.z);
    EXPECT_EQ(mesh->lit_vertices[j].color, 0u);
  }
  ExpectVectorNear(mesh->render_vertices[0].normal, MakeVector(0, 1, 0));
  EXPECT_EQ(mesh->lit_vertices[1].tu, 0.75f);
  ExpectVectorNear(late->render_vertices[0].position, MakeVector(1, 0, 0));
  EXPECT_EQ(early->node_type, NODE_TYPE_BONE);
  EXPECT_EQ(mesh->node_type, NODE_TYPE_MESH);
  EXPECT_EQ(late->node_type, NODE_TYPE_MESH);  // its own binding came last
}

TEST(SkinBinding, InfluenceWithoutBoneStopsTheBindingOnce) {
  AseScene scene;
  GeomObject* bone = AddGeomObject(scene, "Bone");
  GeomObject* mesh = AddGeomObject(scene, "Mesh");
  SetTranslation(mesh, MakeVector(1, 0, 0));
  SetVertices(mesh, {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
  AddInfluence(mesh, 0, bone, 1.0f);
  AddInfluence(mesh, 1, nullptr, 1.0f);
  AddInfluence(mesh, 2, bone, 1.0f);
  BeginCaptureMessageBoxes();
  BindSkin(mesh);
  const auto boxes = EndCaptureMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption + ": " + boxes[0].text, "Report: Not Bouned Vertx");
  ExpectVectorNear(mesh->render_vertices[0].position, MakeVector(0, 0, 0));
  ExpectVectorNear(mesh->render_vertices[2].position, MakeVector(3, 0, 0));  // still the world copy
  EXPECT_EQ(mesh->vertex_weights[2].influences[0].bone_space_position.w, 0.0f);
  EXPECT_EQ(mesh->node_type, NODE_TYPE_MESH);
}
