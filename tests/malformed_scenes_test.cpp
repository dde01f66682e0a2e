// The malformed scenes under tests/data/malformed/ are the whole program's sanitizer inputs; their
// README states what each must do. These checks hold the load to that, so the README cannot drift
// from what the reader does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/test_hooks.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "texture/picture.h"
#include "texture/texture_cache.h"
#include "tests/test_support.h"

namespace {

std::string MalformedPath(const std::string& name) { return TestDataPath("malformed/" + name); }

struct LoadedScene {
  AseScene scene;
  bool ok = false;
  std::vector<std::string> boxes;
};

void LoadMalformed(const std::string& name, LoadedScene& out) {
  BeginCaptureMessageBoxes();
  out.ok = LoadScene(&out.scene, MalformedPath(name).c_str());
  for (const CapturedMessageBox& box : EndCaptureMessageBoxes()) out.boxes.push_back(box.text);
}

std::vector<std::string> ObjectNames(const AseScene& scene) {
  std::vector<std::string> names;
  for (const GeomObject* o = scene.geom_objects; o != nullptr; o = NextNode(o)) names.push_back(o->name);
  return names;
}

}  // namespace

TEST(MalformedScenes, DamagedTextKeepsWhatPrecedesTheDamage) {
  ScopedTempDir dir;
  {
    LoadedScene cut;
    LoadMalformed("truncated.ase", cut);
    EXPECT_TRUE(cut.ok);
    EXPECT_EQ(ObjectNames(cut.scene), std::vector<std::string>{"Body"});
    EXPECT_TRUE(cut.boxes.empty());
  }
  {
    LoadedScene header;
    LoadMalformed("wrong_header.ase", header);
    EXPECT_FALSE(header.ok);
    EXPECT_TRUE(header.scene.IsLoaded());
    EXPECT_EQ(header.scene.geom_object_count, 0);
  }
  {
    LoadedScene braces;
    LoadMalformed("unbalanced_braces.ase", braces);
    EXPECT_TRUE(braces.ok);
    EXPECT_EQ(ObjectNames(braces.scene), std::vector<std::string>{"Body"});
  }
  {
    // The open quote swallows the line break and the next keyword into the name.
    LoadedScene quote;
    LoadMalformed("unclosed_quote.ase", quote);
    EXPECT_TRUE(quote.ok);
    const std::vector<std::string> names = ObjectNames(quote.scene);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[1].rfind("Arm\n", 0), 0u);
    for (const std::string& name : names) EXPECT_LT(name.size(), size_t{NAME_SIZE});
  }
}

TEST(MalformedScenes, CountsBeyondTheDataDropTheirMeshes) {
  ScopedTempDir dir;
  LoadedScene counts;
  LoadMalformed("counts_beyond_data.ase", counts);
  EXPECT_TRUE(counts.ok);
  for (const GeomObject* o = counts.scene.geom_objects; o != nullptr; o = NextNode(o)) {
    EXPECT_EQ(o->vertex_count, 0u) << o->name;
    EXPECT_EQ(o->face_count, 0u) << o->name;
  }
  EXPECT_EQ(counts.scene.light_count, 1);
}

TEST(MalformedScenes, ParentCyclesAreBrokenSoEveryAncestorWalkEnds) {
  ScopedTempDir dir;
  LoadedScene cycle;
  LoadMalformed("parent_cycle.ase", cycle);
  EXPECT_TRUE(cycle.ok);
  for (const GeomObject* o = cycle.scene.geom_objects; o != nullptr; o = NextNode(o)) {
    int steps = 0;
    for (const SceneNode* p = o->parent; p != nullptr && steps <= cycle.scene.geom_object_count; p = p->parent) ++steps;
    EXPECT_LE(steps, cycle.scene.geom_object_count - 1) << o->name;
    EXPECT_NE(o->parent, o) << o->name;
  }
  EXPECT_GE(cycle.scene.top_object_count, 2);
}

TEST(MalformedScenes, MissingBonesAreReportedOncePerSection) {
  ScopedTempDir dir;
  LoadedScene bones;
  LoadMalformed("missing_bones.ase", bones);
  EXPECT_TRUE(bones.ok);
  EXPECT_EQ(bones.boxes, (std::vector<std::string>{"Fail To Search Bone : NoSuchBone", "Fail To Search Bone : Ghost",
                                                   "Not Bouned Vertx"}));
}

TEST(MalformedScenes, ImagesLyingAboutTheirSizeAreRefusedSilently) {
  ScopedTempDir dir;
  for (const char* name : {"lying.tga", "lying.tif"}) {
    TextureEntry entry = {};
    uint8_t* picture = nullptr;
    BeginCaptureMessageBoxes();
    EXPECT_FALSE(LoadPicture(entry, MalformedPath(name).c_str(), picture)) << name;
    EXPECT_TRUE(EndCaptureMessageBoxes().empty()) << name;
    EXPECT_EQ(picture, nullptr);
  }
  LoadedScene images;
  LoadMalformed("lying_images.ase", images);
  EXPECT_TRUE(images.ok);
  EXPECT_TRUE(images.boxes.empty());
}
