#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "animation/animation_eval.h"
#include "animation/animation_set.h"
#include "math/zeroed_array.h"
#include "scene/ase_scene.h"
#include "tests/test_support.h"

namespace {

const float S6 = std::sin(0.6f), C6 = std::cos(0.6f);

// A scene that owns one animation set; nodes and tracks are built by hand. Every node stands at the
// file position (1, 2, 3), turned by 0.5 about the file's Z axis, at unit scale.
struct AnimatedScene {
  AseScene scene;
  AnimationSet* set = new AnimationSet();
  AnimatedScene() {
    scene.animation_sets = scene.current_animation = set;
    set->last_frame = 100;
  }
  template <class T>
  T* Add(T*& head, const char* name, bool tracked) {
    T* node = new T();
    std::snprintf(node->name, sizeof(node->name), "%s", name);
    node->node_tms[0].pos = MakeVector(1, 2, 3);
    node->node_tms[0].rot_axis = MakeVector(0, 0, 1);
    node->node_tms[0].rot_angle = 0.5f;
    node->node_tms[0].scale = MakeVector(1, 1, 1);
    if (tracked) node->animation_track = AddTrack(set, name);
    AppendNode(head, node);
    return node;
  }
};

void AddRotation(AnimationTrack* track, uint32_t frame, Quaternion rotation) {
  AppendRotationKey(track, RotationKey{{}, 0, 0, frame, rotation, nullptr});
}

void AddPosition(AnimationTrack* track, uint32_t frame, Vector3 position) {
  AppendPositionKey(track, PositionKey{position, 0, frame, nullptr});
}

void ExpectMatrixNear(const Matrix4& got, const Matrix4& want, float tolerance = 1e-4f) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(got.m[i], want.m[i], tolerance) << "element " << i;
}

// Nearest ancestor first, as the scene build lists them.
void SetAncestors(SceneNode* node, std::initializer_list<SceneNode*> ancestors) {
  node->ancestor_count = static_cast<uint16_t>(ancestors.size());
  node->ancestor_matrices = NewZeroedArray<Matrix4*>(ancestors.size());
  int i = 0;
  for (SceneNode* ancestor : ancestors) node->ancestor_matrices[i++] = &ancestor->local_matrix;
}

// Rotation by q, then translation by t.
Matrix4 Pose(const Quaternion& q, const Vector3& t) {
  Matrix4 m;
  MatrixFromQuaternion(m, q.x, q.y, q.z, q.w);
  m(3, 0) = t.x;
  m(3, 1) = t.y;
  m(3, 2) = t.z;
  return m;
}

}  // namespace

TEST(AnimationEval, KeysPoseTheNodeByFrame) {
  AnimatedScene s;
  GeomObject* box = s.Add(s.scene.geom_objects, "Box", true);
  MatrixTranslation(box->node_tm_matrix, MakeVector(7, 8, 9));
  AddRotation(box->animation_track, 0, {0, 0, 0, 1});
  AddRotation(box->animation_track, 10, {0, 0, S6, C6});
  const Vector3 own_position = {1, 3, 2};  // Y and Z exchanged
  // Halfway between keys, the kernel's blend; exactly on the last key, that key's rotation.
  EvaluateNode(s.set, box, 5);
  ExpectMatrixNear(box->local_matrix, Pose({0, 0, 0.30106f, 0.97327f}, own_position));
  EvaluateNode(s.set, box, 10);
  ExpectMatrixNear(box->local_matrix, Pose({0, 0, S6, C6}, own_position));
  // Past the last key: the static pose, not the last key.
  EvaluateNode(s.set, box, 12);
  ExpectMatrixNear(box->local_matrix, box->node_tm_matrix, 0);

  // Position keys alone blend linearly under the node's own turn of -0.5 about the device's y.
  GeomObject* mover = s.Add(s.scene.geom_objects, "Mover", true);
  AddPosition(mover->animation_track, 0, {0, 0, 0});
  AddPosition(mover->animation_track, 10, {10, 20, 30});
  EvaluateNode(s.set, mover, 5);
  ExpectMatrixNear(mover->local_matrix, Pose({0, std::sin(-0.25f), 0, std::cos(-0.25f)}, {5, 10, 15}));

  // Before its first key a node keeps its own turn and its own position, not the key's.
  GeomObject* late = s.Add(s.scene.geom_objects, "Late", true);
  AddRotation(late->animation_track, 4, {0, 0, S6, C6});
  AddRotation(late->animation_track, 14, {0, 0, 0, 1});
  AddPosition(late->animation_track, 4, {50, 50, 50});
  EvaluateNode(s.set, late, 2);
  ExpectMatrixNear(late->local_matrix, Pose({0, std::sin(-0.25f), 0, std::cos(-0.25f)}, own_position));
}

TEST(AnimationEval, WorldMatricesCarryEveryAncestorOfTheSameFrame) {
  AnimatedScene s;
  // The grandchild stands first in the list, so its ancestors are posed after it.
  GeomObject* grandchild = s.Add(s.scene.geom_objects, "Grandchild", false);
  GeomObject* child = s.Add(s.scene.geom_objects, "Child", false);
  GeomObject* root = s.Add(s.scene.geom_objects, "Root", true);
  MatrixRotationAxis(root->node_tm_matrix, MakeVector(0, 0, 1), 0.3f);
  root->node_tm_matrix(3, 0) = 4;
  child->node_tm_matrix = Pose({0, S6, 0, C6}, {0, 2, 0});
  grandchild->node_tm_matrix = child->node_tm_matrix;
  grandchild->node_tm_matrix(3, 0) += 1;
  for (GeomObject* node : {root, child, grandchild}) {
    ASSERT_EQ(MatrixInvertAffine(node->inverse_node_tm_matrix, node->node_tm_matrix), S_OK);
  }
  child->parent = root;
  grandchild->parent = child;
  SetAncestors(child, {root});
  SetAncestors(grandchild, {child, root});

  // With the root past its last key (its static pose), every world matrix is the node's own transform.
  AddPosition(root->animation_track, 0, {0, 0, 0});
  AddPosition(root->animation_track, 20, {0, 0, 0});
  EvaluateNodeList(s.set, s.scene.geom_objects, 30);
  for (GeomObject* node : {root, child, grandchild}) ExpectMatrixNear(node->world_matrix, node->node_tm_matrix);
  // Moving the root carries both descendants, posed at the same frame.
  AddPosition(root->animation_track, 40, {0, 0, 10});
  EvaluateNodeList(s.set, s.scene.geom_objects, 30);
  Matrix4 want;
  MatrixMultiply3(want, grandchild->local_matrix, child->local_matrix, root->local_matrix);
  ExpectMatrixNear(grandchild->world_matrix, want);
  EXPECT_NEAR(root->local_matrix(3, 2), 5, 1e-5f);
}

TEST(AnimationEval, AdvanceLoopsBeforeLastFrameAndFollowsTheFirstLight) {
  AnimatedScene s;
  LightObject* omni = s.Add(s.scene.lights, "Omni01", true);
  s.Add(s.scene.lights, "Omni02", false);
  AddPosition(omni->animation_track, 0, {0, 0, 0});
  AddPosition(omni->animation_track, 99, {99, 0, -198});
  animation_frame = 0;
  Vector4 light = {};
  for (uint32_t step = 1; step <= 100; ++step) {
    const uint32_t posed = animation_frame;
    AdvanceAnimation(&s.scene);
    ASSERT_EQ(animation_frame, step % 100);
    ASSERT_TRUE(AnimatedLightPosition(&s.scene, &light));
    if (posed == 49) {
      EXPECT_EQ(light.x * 1000 + light.z, 49 * 1000 - 98);
    }
  }
  EXPECT_EQ(light.w, 0);
  // Without a track a light keeps the identity, and relights from the origin.
  omni->animation_track = nullptr;
  AdvanceAnimation(&s.scene);
  ASSERT_TRUE(AnimatedLightPosition(&s.scene, &light));
  EXPECT_EQ(std::fabs(light.x) + std::fabs(light.y) + std::fabs(light.z), 0);
  // Nothing plays without a current set; last_frame 1 holds the counter at 0.
  s.scene.current_animation = nullptr;
  AdvanceAnimation(&s.scene);
  EXPECT_EQ(animation_frame, 1u);
  s.scene.current_animation = s.set;
  s.set->last_frame = 1;
  AdvanceAnimation(&s.scene);
  EXPECT_EQ(animation_frame, 0u);
}
