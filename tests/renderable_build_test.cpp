#include "scene/renderable_build.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

std::vector<uint16_t> GroupFaces(const FaceGroup* group) {
  return std::vector<uint16_t>(group->face_indices, group->face_indices + 3 * group->face_count);
}

// Material 0 has three sub-materials, material 1 none.
void SetTwoMaterials(AseScene& scene) {
  Material* materials = SetMaterials(scene, 2, 3);
  materials[0].diffuse = Colour(0.9f, 0.9f, 0.9f);
  materials[0].submaterials[0].ambient = Colour(1.0f, 0.5f, 0.0f);
  materials[0].submaterials[0].specular = Colour(0.0f, 0.0f, 1.0f);
  materials[0].submaterials[2].ambient = Colour(0.0f, 1.0f, 0.0f);
  materials[1].diffuse = Colour(0.2f, 0.4f, 0.6f);
}

}  // namespace

TEST(RenderableBuild, FacesAreGroupedBySubMaterialInFaceOrder) {
  AseScene scene;
  SetTwoMaterials(scene);
  GeomObject* multi = AddGeomObject(scene, "Multi");
  SetVertices(multi, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}});
  // Face 2 names a sub-material that does not exist, face 4 a vertex that does not exist.
  SetFaces(multi, {0, 1, 2, 1, 2, 3, 2, 3, 4, 0, 2, 4, 0, 1, 9}, {2, 0, 5, 2, 0});
  GeomObject* single = AddGeomObject(scene, "Single");
  SetVertices(single, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  SetFaces(single, {0, 1, 2, 2, 1, 0, 0, 1, 3}, {4, 0, 0});
  single->material_index = 1;
  GeomObject* outside = AddGeomObject(scene, "Outside");
  SetVertices(outside, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  SetFaces(outside, {0, 1, 2});
  outside->material_index = 2;

  for (GeomObject* object = scene.geom_objects; object != nullptr; object = NextNode(object)) {
    BuildFaceGroups(&scene, object);
  }

  ASSERT_EQ(multi->face_group_count, 2);
  const FaceGroup* first = multi->face_groups;
  EXPECT_EQ(first->material_id, 0);
  EXPECT_EQ(GroupFaces(first), (std::vector<uint16_t>{1, 2, 3}));
  ASSERT_NE(first->next, nullptr);
  EXPECT_EQ(first->next->material_id, 2);
  EXPECT_EQ(GroupFaces(first->next), (std::vector<uint16_t>{0, 1, 2, 0, 2, 4}));
  EXPECT_EQ(first->next->next, nullptr);
  EXPECT_EQ(multi->faces, nullptr);

  // Without sub-materials the ids do not matter; the faces stay with the object.
  ASSERT_EQ(single->face_group_count, 1);
  EXPECT_EQ(single->face_groups->material_id, 0);
  EXPECT_EQ(GroupFaces(single->face_groups), (std::vector<uint16_t>{0, 1, 2, 2, 1, 0}));
  EXPECT_NE(single->faces, nullptr);

  EXPECT_EQ(outside->face_group_count, 0);
  EXPECT_EQ(outside->face_groups, nullptr);
}

TEST(RenderableBuild, VertexColoursComeFromTheMaterialAndTheFirstLight) {
  EXPECT_EQ(Pack(Colour(0.5f, 1.0f, 0.25f)), 0xFF7FFF3Fu);
  // Colours from the file may be anything; packing must stay defined.
  EXPECT_EQ(Pack(D3DCOLORVALUE{1e20f, std::nanf(""), -1e20f, 0}) >> 24, 0xFFu);

  for (bool with_light : {true, false}) {
    SCOPED_TRACE(with_light ? "lit" : "no light");
    AseScene scene;
    SetTwoMaterials(scene);
    if (with_light) AddLight(scene, MakeVector(0, 0, 10));  // file axes: the device sees (0, 10, 0)
    GeomObject* multi = AddGeomObject(scene, "Multi");
    SetVertices(multi, {{0, 0, 0}, {0, 0, 1}, {10, 0, 0}, {10, 0, 1}, {11, 0, 0}});
    multi->vertices[0].normal = MakeVector(0, 1, 0);  // straight at the light
    multi->vertices[1].normal = MakeVector(0, -1, 0);  // away from it
    for (int v = 2; v < 5; ++v) multi->vertices[v].normal = MakeVector(0, 1, 0);
    SetFaces(multi, {0, 1, 2, 2, 3, 4}, {0, 2});
    GeomObject* single = AddGeomObject(scene, "Single");
    SetVertices(single, {{0, 0, 0}, {1, 0, 0}});
    single->vertices[0].normal = MakeVector(0, -1, 0);
    SetFaces(single, {0, 1, 0});
    single->material_index = 1;
    GeomObject* outside = AddGeomObject(scene, "Outside");
    SetVertices(outside, {{0, 0, 0}});
    outside->material_index = 9;

    BuildRenderables(&scene);

    const D3DLVERTEX* lit = multi->lit_vertices;
    EXPECT_EQ(lit[0].color, 0xFFFF7F00u);
    EXPECT_EQ(lit[0].specular, 0xFF0000FFu);
    EXPECT_EQ(lit[1].color, with_light ? 0u : 0xFFFF7F00u);
    // Shared by both groups: the later group's colour, lit at 45 degrees (trunc(255 * 0.7071) = 180).
    EXPECT_EQ(lit[2].color, with_light ? 0xFF00B400u : 0xFF00FF00u);
    EXPECT_EQ(lit[2].specular, 0xFF000000u);
    for (int v = 0; v < 2; ++v) {
      EXPECT_EQ(single->lit_vertices[v].color, 0xFF336699u);
      EXPECT_EQ(single->lit_vertices[v].specular, 0u);
    }
    EXPECT_EQ(outside->lit_vertices[0].color, UNDEFINED_MATERIAL_COLOUR);
  }
}

TEST(RenderableBuild, ParentsAncestorsAndTopObjectsAfterTheWholeFile) {
  AseScene scene;
  AddLight(scene, MakeVector(0, 0, 0));
  std::strcpy(scene.lights->name, "Lamp");
  GeomObject* child = AddGeomObject(scene, "Child", "Root2");  // listed before its parent
  GeomObject* root = AddGeomObject(scene, "Root");
  GeomObject* lit_child = AddGeomObject(scene, "LitChild", "Lamp");  // lights are not parents
  GeomObject* root2 = AddGeomObject(scene, "Root2", "Root");
  GeomObject* grandchild = AddGeomObject(scene, "Grandchild", "Child");
  AddGeomObject(scene, "Orphan", "Missing");

  BuildRenderables(&scene);

  EXPECT_EQ(child->parent, root2);
  EXPECT_EQ(root2->parent, root);
  EXPECT_EQ(lit_child->parent, nullptr);
  ASSERT_EQ(grandchild->ancestor_count, 3);
  EXPECT_EQ(grandchild->ancestor_matrices[0], &child->local_matrix);
  EXPECT_EQ(grandchild->ancestor_matrices[1], &root2->local_matrix);
  EXPECT_EQ(grandchild->ancestor_matrices[2], &root->local_matrix);
  EXPECT_EQ(root->ancestor_count, 0);
  EXPECT_EQ(root->ancestor_matrices, nullptr);

  ASSERT_EQ(scene.top_object_count, 3);
  EXPECT_STREQ(scene.top_objects[0]->name, "Root");
  EXPECT_STREQ(scene.top_objects[1]->name, "LitChild");
  EXPECT_STREQ(scene.top_objects[2]->name, "Orphan");
}

TEST(RenderableBuild, ParentCyclesAreOpenedSoTheWalksEnd) {
  AseScene scene;
  GeomObject* x = AddGeomObject(scene, "X", "Y");
  GeomObject* y = AddGeomObject(scene, "Y", "X");
  GeomObject* self = AddGeomObject(scene, "Self", "Self");
  GeomObject* w = AddGeomObject(scene, "W", "X");

  BuildRenderables(&scene);

  // Walking from X, the link that closes the loop is Y's.
  EXPECT_EQ(x->parent, y);
  EXPECT_EQ(y->parent, nullptr);
  EXPECT_EQ(self->parent, nullptr);
  ASSERT_EQ(w->ancestor_count, 2);
  EXPECT_EQ(w->ancestor_matrices[0], &x->local_matrix);
  EXPECT_EQ(w->ancestor_matrices[1], &y->local_matrix);
  ASSERT_EQ(scene.top_object_count, 2);
  EXPECT_EQ(scene.top_objects[0], y);
  EXPECT_EQ(scene.top_objects[1], self);
}

TEST(RenderableBuild, HostileParentChainsAreCutToBoundedAncestorLists) {
  ScopedTempDir dir;
  // Uncut, this chain's ancestor lists alone would take 3.6 GB.
  constexpr int LINKS = 30000;
  for (bool closed : {false, true}) {
    SCOPED_TRACE(closed ? "closed into a loop" : "open chain");
    AseScene scene;
    ASSERT_TRUE(LoadSceneText(&scene, ParentChainScene(LINKS, closed)));
    ASSERT_EQ(scene.geom_object_count, LINKS);
    size_t pointers = 0;
    for (const GeomObject* o = scene.geom_objects; o != nullptr; o = NextNode(o)) {
      ASSERT_LE(o->ancestor_count, MAX_ANCESTOR_DEPTH) << o->name;
      pointers += o->ancestor_count;
      // Nothing between the cuts is dropped: each list is its parent's with the parent in front.
      if (o->parent == nullptr) {
        EXPECT_EQ(o->ancestor_count, 0) << o->name;
        continue;
      }
      const SceneNode* parent = o->parent;
      ASSERT_EQ(o->ancestor_count, parent->ancestor_count + 1) << o->name;
      EXPECT_EQ(o->ancestor_matrices[0], &o->parent->local_matrix);
      for (uint16_t j = 0; j < parent->ancestor_count; ++j) {
        ASSERT_EQ(o->ancestor_matrices[j + 1], parent->ancestor_matrices[j]) << o->name;
      }
    }
    EXPECT_LE(pointers, size_t{LINKS} * MAX_ANCESTOR_DEPTH);
    EXPECT_EQ(scene.top_object_count, (LINKS + MAX_ANCESTOR_DEPTH) / (MAX_ANCESTOR_DEPTH + 1));
    if (!closed) {
      // The deepest link kept is the one at the cap; the next starts a chain of its own.
      const GeomObject* deepest = scene.FindGeomObject(("N" + std::to_string(MAX_ANCESTOR_DEPTH)).c_str());
      const GeomObject* cut = scene.FindGeomObject(("N" + std::to_string(MAX_ANCESTOR_DEPTH + 1)).c_str());
      ASSERT_NE(deepest, nullptr);
      ASSERT_NE(cut, nullptr);
      EXPECT_EQ(deepest->ancestor_count, MAX_ANCESTOR_DEPTH);
      EXPECT_EQ(cut->parent, nullptr);
      EXPECT_EQ(NextNode(cut)->parent, cut);
    }
  }
}
