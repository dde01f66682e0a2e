#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "animation/animation_set.h"
#include "scene/ase_scene.h"
#include "tests/test_support.h"

namespace {

template <class T>
T* AddNode(T*& head, const char* name) {
  T* node = new T();
  std::snprintf(node->name, sizeof(node->name), "%s", name);
  AppendNode(head, node);
  return node;
}

std::string Track(const char* name, int position_keys) {
  std::string text = std::string("*TM_ANIMATION { *NODE_NAME \"") + name + "\" *CONTROL_POS_TRACK {\n";
  for (int i = 0; i < position_keys; ++i) text += "*CONTROL_POS_SAMPLE 0 0 0 0\n";
  return text + "} }\n";
}

int PositionKeyCount(const SceneNode* node) {
  int count = 0;
  for (const PositionKey* key = node->animation_track->position_keys; key != nullptr; key = key->next) ++count;
  return count;
}

}  // namespace

TEST(AnimationBinding, BindsByExactNameAndRebindsOnEveryLoad) {
  ScopedTempDir dir;
  AseScene scene;
  GeomObject* box01 = AddNode(scene.geom_objects, "Box01");
  GeomObject* box012 = AddNode(scene.geom_objects, "Box012");
  GeomObject* box02 = AddNode(scene.geom_objects, "Box02");
  LightObject* omni = AddNode(scene.lights, "Omni01");
  CameraObject* camera = AddNode(scene.cameras, "Camera01");
  WriteTextFile("first.ase", Track("Box012", 1) + Track("Box0", 1) + Track("box01", 1) + Track("Box02", 2) +
                                 Track("Box02", 3) + Track("Omni01", 1) + Track("Camera01", 1));
  WriteTextFile("second.ase", Track("Omni01", 4));

  AnimationSet* first = LoadAnimation(&scene, "first.ase");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(box01->animation_track, nullptr) << "bound to Box012, Box0 or box01";
  ASSERT_NE(box012->animation_track, nullptr);
  EXPECT_STREQ(box012->animation_track->node_name, "Box012");
  ASSERT_NE(box02->animation_track, nullptr);
  EXPECT_EQ(PositionKeyCount(box02), 2) << "the first track of a name wins";
  ASSERT_NE(omni->animation_track, nullptr);
  EXPECT_EQ(PositionKeyCount(omni), 1);
  EXPECT_EQ(camera->animation_track, nullptr) << "cameras are never bound";
  EXPECT_EQ(scene.current_animation, first);
  EXPECT_EQ(scene.animation_count, 1);

  // A node that the newer file does not animate loses its track.
  AnimationSet* second = LoadAnimation(&scene, "second.ase");
  EXPECT_EQ(box02->animation_track, nullptr);
  EXPECT_EQ(box012->animation_track, nullptr);
  ASSERT_NE(omni->animation_track, nullptr);
  EXPECT_EQ(PositionKeyCount(omni), 4);
  EXPECT_EQ(FindTrack(second, "Omni01"), omni->animation_track);

  // A file that cannot be read still yields a set, which unbinds everything.
  AnimationSet* third = LoadAnimation(&scene, "missing.ase");
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(omni->animation_track, nullptr);
  EXPECT_EQ(scene.animation_sets, first);
  EXPECT_EQ(first->next, second);
  EXPECT_EQ(second->next, third);
  EXPECT_EQ(third->next, nullptr);
  EXPECT_EQ(scene.current_animation, third);
  EXPECT_EQ(scene.animation_count, 3);
}
