#include "scene/renderable_build.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "animation/animation_eval.h"
#include "animation/animation_set.h"
#include "platform/test_hooks.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

// Colours come from the file, so a product may be far outside 0..255 or NaN; packing must stay defined.
TEST(RenderableBuild, PackingAnyColourStaysDefined) {
  EXPECT_EQ(Pack(D3DCOLORVALUE{1e20f, std::nanf(""), -1e20f, 0}) >> 24, 0xFFu);
}

// Rope, tail and chain rigs run to hundreds of links. The root's track moves it, so a link cut from
// its chain would stay behind at its rest pose; unit steps keep the expected sums exact.
TEST(RenderableBuild, DeepChainsKeepEveryAncestor) {
  ScopedTempDir dir;
  AseScene scene;
  BeginCaptureMessageBoxes();
  ASSERT_TRUE(LoadSceneText(&scene, ParentChainScene({1000}, false) +
                                        "*TM_ANIMATION { *NODE_NAME \"N0\" *CONTROL_POS_TRACK {"
                                        " *CONTROL_POS_SAMPLE 0 0 0 7 } }\n"));
  EXPECT_TRUE(EndCaptureMessageBoxes().empty());
  EXPECT_NE(ReadTextFile("test.txt").find("Top Objects\n---N0\n\n+Name = N0\n"), std::string::npos);

  const AnimationSet* set = LoadAnimation(&scene, "scene.ase");
  ASSERT_NE(set, nullptr);
  EvaluateNodeList(set, scene.geom_objects, 0);
  int link = 0;
  for (const GeomObject* o = scene.geom_objects; o != nullptr; o = NextNode(o), ++link) {
    ASSERT_EQ(o->ancestor_count, link) << o->name;
    ExpectVectorNear({o->world_matrix(3, 0), o->world_matrix(3, 1), o->world_matrix(3, 2)},
                     MakeVector(static_cast<float>(link), 7, 0), 0);
  }
}

// Each chain of n links holds n(n - 1) / 2 ancestor entries. Chains that spend the budget exactly are
// kept whole without a box; past it, the chain is kept whole from its root down until the budget is
// spent (5,793 links hold 5,793 * 5,792 / 2 entries, one link more would not fit) and the rest is cut
// into what still fits.
TEST(RenderableBuild, ChainsAreCutOnlyPastTheScenesAncestorBudget) {
  const struct {
    std::vector<int> chains;
    bool closed;
    std::vector<std::string> boxes;
  } cases[] = {
      // 16,776,528 + 666 + 21 + 1 = 2^24
      {{5793, 37, 7, 2}, false, {}},
      {{60000}, true, {ANCESTOR_BUDGET_MESSAGE}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chains.size());
    ScopedTempDir dir;
    AseScene scene;
    BeginCaptureMessageBoxes();
    ASSERT_TRUE(LoadSceneText(&scene, ParentChainScene(c.chains, c.closed)));
    std::vector<std::string> boxes;
    for (const CapturedMessageBox& box : EndCaptureMessageBoxes()) boxes.push_back(box.text);
    EXPECT_EQ(boxes, c.boxes);
    uint64_t entries = 0;
    uint16_t deepest = 0;
    for (const GeomObject* o = scene.geom_objects; o != nullptr; o = NextNode(o)) {
      entries += o->ancestor_count;
      deepest = std::max(deepest, o->ancestor_count);
      // Nothing between the cuts is dropped: each list is one longer than its parent's.
      ASSERT_TRUE(o->parent == nullptr || o->ancestor_count == o->parent->ancestor_count + 1) << o->name;
    }
    EXPECT_EQ(entries, ANCESTOR_ENTRY_BUDGET);
    EXPECT_EQ(deepest, 5792);
  }
}
