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

// One track of `keys` position keys, so that which of two same-named tracks was bound shows.
std::string Track(const char* name, int keys) {
  std::string text = std::string("*TM_ANIMATION { *NODE_NAME \"") + name + "\" *CONTROL_POS_TRACK {\n";
  for (int i = 0; i < keys; ++i) text += "*CONTROL_POS_SAMPLE 0 0 0 0\n";
  return text + "} }\n";
}

int KeysOfBoundTrack(const SceneNode* node) {
  if (node->animation_track == nullptr) return 0;
  int count = 0;
  for (const PositionKey* key = node->animation_track->position_keys; key != nullptr; key = key->next) ++count;
  return count;
}

}  // namespace

// Exact names only (Box01 takes none of Box012, Box0, box01), the first track of a name, lights but
// never cameras; every load appends a set and rebinds every node, even when its file cannot be read.
TEST(AnimationBinding, BindsByExactNameAndRebindsOnEveryLoad) {
  ScopedTempDir dir;
  AseScene scene;
  SceneNode* nodes[] = {AddNode(scene.geom_objects, "Box01"), AddNode(scene.geom_objects, "Box012"),
                        AddNode(scene.geom_objects, "Box02"), AddNode(scene.lights, "Omni01"),
                        AddNode(scene.cameras, "Camera01")};
  WriteTextFile("first.ase", Track("Box012", 1) + Track("Box0", 1) + Track("box01", 1) + Track("Box02", 2) +
                                 Track("Box02", 3) + Track("Omni01", 1) + Track("Camera01", 1));
  WriteTextFile("second.ase", Track("Omni01", 4));
  const struct {
    const char* file;
    int keys[5];  // of the track bound to each node, 0 for none
  } loads[] = {{"first.ase", {0, 1, 2, 1, 0}}, {"second.ase", {0, 0, 0, 4, 0}}, {"missing.ase", {0, 0, 0, 0, 0}}};
  AnimationSet* previous = nullptr;
  for (const auto& load : loads) {
    SCOPED_TRACE(load.file);
    AnimationSet* set = LoadAnimation(&scene, load.file);
    ASSERT_NE(set, nullptr);
    for (int n = 0; n < 5; ++n) EXPECT_EQ(KeysOfBoundTrack(nodes[n]), load.keys[n]) << nodes[n]->name;
    EXPECT_EQ(scene.current_animation, set);
    EXPECT_EQ(previous != nullptr ? previous->next : scene.animation_sets, set);
    EXPECT_EQ(set->next, nullptr);
    previous = set;
  }
  EXPECT_EQ(scene.animation_count, 3);
}
