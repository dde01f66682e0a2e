#include "skin/skin_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/test_hooks.h"
#include "scene/text_stream.h"
#include "skin/skin_weights.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

// A scene with the skinned meshes "Body" (three vertices) and "Arm" (one) and the bones "Hip", "Spine"
// and "Head".
struct SkinScene {
  SkinScene() {
    body = AddGeomObject(scene, "Body");
    SetVertices(body, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
    SetVertices(AddGeomObject(scene, "Arm"), {{0, 0, 0}});
    for (const char* bone : {"Hip", "Spine", "Head"}) AddGeomObject(scene, bone);
  }
  // Reads one section for Body from text that starts just after its quoted name.
  bool ReadSection(const std::string& text) {
    TextStream stream;
    stream.OpenMemory(text.data(), text.size());
    return ReadBoneSection(&scene, stream, body);
  }
  AseScene scene;
  GeomObject* body;
};

// Each mesh's filled count and every entry that is filled or holds influences, as "bone weight" pairs,
// then the reports written and the boxes shown.
std::string SkinText(const SkinScene& skin, const std::vector<CapturedMessageBox>& boxes) {
  std::ostringstream out;
  for (const GeomObject* mesh = skin.scene.geom_objects; mesh != nullptr; mesh = NextNode(mesh)) {
    if (mesh->vertex_weights == nullptr) continue;
    out << mesh->name << " weighted " << mesh->weighted_vertex_count << '\n';
    for (uint32_t v = 0; v < mesh->vertex_count; ++v) {
      const VertexWeights& entry = mesh->vertex_weights[v];
      if (v >= mesh->weighted_vertex_count && entry.influence_count == 0) continue;
      out << "  " << v << ':';
      for (int i = 0; i < entry.influence_count; ++i) {
        out << ' ' << (entry.influences[i].bone != nullptr ? entry.influences[i].bone->name : "none") << ' '
            << entry.influences[i].weight;
      }
      out << '\n';
    }
  }
  for (const char* report : {"Body.txt", "Arm.txt", "Ghost.txt"}) {
    if (FileExists(report)) out << report << ":\n" << ReadTextFile(report);
  }
  for (const CapturedMessageBox& box : boxes) out << "box " << box.caption << ": " << box.text << '\n';
  return out.str();
}

}  // namespace

// The cases of tests/data/skin/side_files.txt: each side file read for the scene must leave the weights,
// reports and boxes its data file writes.
TEST(SkinReader, EverySideFileReadsAsItsDataFileSays) {
  for (const DataCase& c : ReadDataCases("skin/side_files.txt")) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    SkinScene skin;
    WriteTextFile("rig.txt", c.input);
    BeginCaptureMessageBoxes();
    EXPECT_TRUE(LoadSkinWeights(&skin.scene, "rig.ase"));
    const std::vector<CapturedMessageBox> boxes = EndCaptureMessageBoxes();
    EXPECT_EQ(SkinText(skin, boxes), c.expected);
  }
}

// The side file is found at every length of path the system opens; a path too short to name one says so.
TEST(SkinReader, SideFileIsTheScenePathWithItsLastFourCharactersReplacedAtAnyLength) {
  const struct {
    std::string scene_path;  // under the test's folder; a number: an absolute path of that many bytes
    std::string side_file;  // written before the load; empty for none
    bool found;
    std::string box;
  } cases[] = {
      {"scene.ase", "scene.txt", true, ""},
      {"model.x", "mod.txt", true, ""},
      {"abc", ".txt", false,  // nothing to replace: not the hidden ".txt"
       "No skin weights are looked for beside \"abc\": the path is shorter than the four characters that the "
       "side file's name replaces."},
      {"none.ase", "", false, ""},
      {std::string(251, 'p') + ".ase", std::string(251, 'p') + ".txt", true, ""},  // the longest name there is
      {std::to_string(PATH_MAX - 1), "", true, ""},  // the longest path the system opens
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scene_path.substr(0, 20));
    ScopedTempDir dir;
    SkinScene skin;
    std::string scene_path = c.scene_path, side_file = c.side_file;
    if (std::isdigit(static_cast<unsigned char>(scene_path[0]))) {
      scene_path = PathOfLength(dir.path(), std::stoul(c.scene_path), ".ase");
      ASSERT_EQ(scene_path.size(), std::stoul(c.scene_path));
      side_file = scene_path.substr(0, scene_path.size() - 4) + ".txt";
    }
    if (!side_file.empty()) WriteTextFile(side_file, "*BONE \"Body\" {\n VERTEX 0 : \"Hip\" 1.0\n}\n");
    BeginCaptureMessageBoxes();
    EXPECT_EQ(LoadSkinWeights(&skin.scene, scene_path.c_str()), c.found);
    const std::vector<CapturedMessageBox> boxes = EndCaptureMessageBoxes();
    EXPECT_EQ(skin.body->weighted_vertex_count, c.found ? 1u : 0u);
    EXPECT_EQ(boxes.empty() ? "" : boxes[0].text, c.box);
  }
}

// A report that cannot be written is no reason to write one elsewhere.
TEST(SkinReader, ReportsStayInTheWorkingFolder) {
  const struct {
    const char* what;
    const char* mesh_name;  // null: Body
    const char* blocking_folder;
  } cases[] = {{"report cannot be created", nullptr, "Body.txt"}, {"mesh name that is a path", "sub/Body", "sub"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedTempDir dir;
    SkinScene skin;
    if (c.mesh_name != nullptr) std::strcpy(skin.body->name, c.mesh_name);
    if (c.blocking_folder != nullptr) std::filesystem::create_directory(c.blocking_folder);
    EXPECT_FALSE(skin.ReadSection(" { VERTEX 0 : \"Hip\" 1 }"));
    EXPECT_FALSE(std::filesystem::is_regular_file("Body.txt") || std::filesystem::exists("sub/Body.txt"));
  }
}
