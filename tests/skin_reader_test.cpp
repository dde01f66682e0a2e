#include "skin/skin_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/test_hooks.h"
#include "scene/text_stream.h"
#include "skin/skin_weights.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

// A scene with the skinned mesh "Body" (eight vertices) and the bones "Hip", "Spine" and "Head".
struct SkinScene {
  SkinScene() {
    body = AddGeomObject(scene, "Body");
    SetVertices(body, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}, {5, 0, 0}, {6, 0, 0}, {7, 0, 0}});
    hip = AddGeomObject(scene, "Hip");
    spine = AddGeomObject(scene, "Spine");
    head = AddGeomObject(scene, "Head");
  }
  // Reads one section for Body from text that starts just after its quoted name.
  bool ReadSection(const std::string& text) {
    TextStream stream;
    stream.OpenMemory(text.data(), text.size());
    return ReadBoneSection(&scene, stream, body);
  }
  const BoneInfluence& Influence(int v, int i) const { return body->vertex_weights[v].influences[i]; }
  int Count(int v) const { return body->vertex_weights[v].influence_count; }
  AseScene scene;
  GeomObject *body, *hip, *spine, *head;
};

const std::string BLEND_OF_THREE =
    " *BLEND_VERTEX 3 {\n *W 0 : \"Hip\" 0.2 *OFFSET 1 2 3\n *W 1 : \"Spine\" 0.3 *OFFSET 1 2 3\n"
    " *W 2 : \"Head\" 0.5 *OFFSET 1 2 3\n }\n";

}  // namespace

TEST(SkinReader, SideFileIsTheScenePathWithItsLastFourCharactersReplaced) {
  const struct {
    std::string scene_path;
    std::string side_file;  // written before the load; empty for none
    bool found;
  } cases[] = {
      {"scene.ase", "scene.txt", true},
      {"model.x", "mod.txt", true},
      {"abc", ".txt", false},  // nothing to replace: not the hidden ".txt"
      {"none.ase", "", false},
      {std::string(124, 'p') + ".ase", std::string(124, 'p') + ".txt", false},  // name does not fit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scene_path);
    ScopedTempDir dir;
    SkinScene skin;
    if (!c.side_file.empty()) WriteTextFile(c.side_file, "*BONE \"Body\" {\n VERTEX 0 : \"Hip\" 1.0\n}\n");
    EXPECT_EQ(LoadSkinWeights(&skin.scene, c.scene_path.c_str()), c.found);
    EXPECT_EQ(skin.body->weighted_vertex_count, c.found ? 1u : 0u);
  }
}

// Records fill entries 0, 1, 2 whatever vertex numbers they carry. A section for a mesh that is not in
// the scene is passed over token by token: its bone names are unknown too, yet must not be looked up.
TEST(SkinReader, RecordsFillEntriesInOrderAndAreReported) {
  ScopedTempDir dir;
  SkinScene skin;
  WriteTextFile("light.txt", "*BONE \"Ghost\" {\n VERTEX 0 : \"Nobody\" 1.0\n"
                             " *BLEND_VERTEX 1 { *W 0 : \"Nobody\" 1.0 *OFFSET 0 0 0 }\n}\n"
                             "*BONE \"Body\" {\n VERTEX 7 : \"Hip\" 1.0\n VERTEX 3 : \"Spine\" 0.5\n" +
                                 BLEND_OF_THREE + "}\n");
  BeginCaptureMessageBoxes();
  EXPECT_TRUE(LoadSkinWeights(&skin.scene, "light.ase"));
  EXPECT_TRUE(EndCaptureMessageBoxes().empty());
  ASSERT_EQ(skin.body->weighted_vertex_count, 3u);
  ASSERT_EQ(skin.Count(0) * 100 + skin.Count(1) * 10 + skin.Count(2), 113);
  EXPECT_EQ(skin.Influence(0, 0).bone, skin.hip);
  EXPECT_EQ(skin.Influence(1, 0).bone, skin.spine);
  EXPECT_EQ(skin.Influence(1, 0).weight, 0.5f);
  EXPECT_EQ(skin.Influence(2, 2).bone, skin.head);
  EXPECT_EQ(skin.Influence(2, 1).weight, 0.3f);
  for (int v = 3; v < 8; ++v) EXPECT_EQ(skin.Count(v), 0);
  EXPECT_EQ(ReadTextFile("Body.txt"),
            "VERTEX 0 \"Hip\"  Weight 1.000000\nVERTEX 1 \"Spine\"  Weight 0.500000\n"
            "VERTEX 2 \"Hip\"  Weight 0.200000\nVERTEX 2 \"Spine\"  Weight 0.300000\n"
            "VERTEX 2 \"Head\"  Weight 0.500000\n");
  EXPECT_FALSE(FileExists("Ghost.txt"));
}

// 258 keeps its low byte; 5 announces more records than its block holds. Either way the block ends at
// its brace, the record after it is the next entry, and the section ends at its own brace.
TEST(SkinReader, BlendVertexCountIsEightBitAndStopsAtTheEndOfItsRecords) {
  for (const char* count : {"258", "5"}) {
    SCOPED_TRACE(count);
    ScopedTempDir dir;
    SkinScene skin;
    EXPECT_TRUE(skin.ReadSection(std::string(" {\n *BLEND_VERTEX ") + count +
                                 " {\n *W 0 : \"Hip\" 0.25 *OFFSET 0 0 0\n *W 1 : \"Head\" 0.75 *OFFSET 0 0 0\n }\n"
                                 " VERTEX 1 : \"Spine\" 1.0\n}\n VERTEX 2 : \"Hip\" 1.0\n"));
    ASSERT_EQ(skin.Count(0) * 10 + skin.Count(1), 21);
    EXPECT_EQ(skin.Influence(0, 1).bone, skin.head);
    EXPECT_EQ(skin.Influence(1, 0).bone, skin.spine);
    EXPECT_EQ(skin.body->weighted_vertex_count, 2u);
  }
}

// The failing record keeps its entry without a bone (the binding reports it later); no report is
// written for the abandoned section, and the next section is still read.
TEST(SkinReader, UnknownBoneAbandonsTheSectionWithoutAReportAndScanningGoesOn) {
  ScopedTempDir dir;
  SkinScene skin;
  SetVertices(AddGeomObject(skin.scene, "Arm"), {{0, 0, 0}});
  WriteTextFile("rig.txt",
                "*BONE \"Body\" {\n VERTEX 0 : \"Hip\" 1.0\n VERTEX 1 : \"Tail\" 0.5\n VERTEX 2 : \"Hip\" 1.0\n}\n"
                "*BONE \"Arm\" {\n VERTEX 0 : \"Spine\" 1.0\n}\n");
  BeginCaptureMessageBoxes();
  EXPECT_TRUE(LoadSkinWeights(&skin.scene, "rig.ase"));
  const auto boxes = EndCaptureMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption + ": " + boxes[0].text, "Report: Fail To Search Bone : Tail");
  EXPECT_FALSE(FileExists("Body.txt"));
  EXPECT_EQ(skin.body->weighted_vertex_count, 1u);
  ASSERT_EQ(skin.Count(1) * 10 + skin.Count(2), 10);
  EXPECT_EQ(skin.Influence(1, 0).bone, nullptr);
  EXPECT_EQ(ReadTextFile("Arm.txt"), "VERTEX 0 \"Spine\"  Weight 1.000000\n");
}

TEST(SkinReader, BadInputStaysInsideTheTableAndTheWorkingFolder) {
  {
    SCOPED_TRACE("records past the last vertex, then a shorter section");
    ScopedTempDir dir;
    SkinScene skin;
    SetVertices(skin.body, {{0, 0, 0}, {1, 0, 0}});
    EXPECT_TRUE(skin.ReadSection(" {\n VERTEX 0 : \"Hip\" 1\n VERTEX 1 : \"Hip\" 1\n VERTEX 2 : \"Tail\" 1\n" +
                                 BLEND_OF_THREE + "}\n"));
    EXPECT_EQ(skin.body->weighted_vertex_count, 2u);
    // It starts again at entry 0 and leaves entry 1 as it was.
    EXPECT_TRUE(skin.ReadSection(" { VERTEX 5 : \"Spine\" 0.5 }"));
    EXPECT_EQ(skin.body->weighted_vertex_count, 1u);
    EXPECT_EQ(ReadTextFile("Body.txt"), "VERTEX 0 \"Spine\"  Weight 0.500000\nVERTEX 1 \"Hip\"  Weight 1.000000\n");
  }
  const struct {
    const char* what;
    const char* mesh_name;  // null: Body
    const char* blocking_folder;
    std::string section;
    const char* box;  // null: none
  } cases[] = {
      {"end of file before a closing quote", nullptr, nullptr, " {\n VERTEX 0 : \"Hip", nullptr},
      {"report cannot be created", nullptr, "Body.txt", " { VERTEX 0 : \"Hip\" 1 }", nullptr},
      {"mesh name that is a path", "sub/Body", "sub", " { VERTEX 0 : \"Hip\" 1 }", nullptr},
      {"overlong bone name", nullptr, nullptr, " { VERTEX 0 : \"" + std::string(300, 'b') + "\" 1 }", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedTempDir dir;
    SkinScene skin;
    if (c.mesh_name != nullptr) std::strcpy(skin.body->name, c.mesh_name);
    if (c.blocking_folder != nullptr) std::filesystem::create_directory(c.blocking_folder);
    BeginCaptureMessageBoxes();
    EXPECT_FALSE(skin.ReadSection(c.section));
    const auto boxes = EndCaptureMessageBoxes();
    ASSERT_EQ(boxes.size(), c.box != nullptr ? 1u : 0u);
    if (c.box != nullptr) {
      EXPECT_EQ(boxes[0].text, "Fail To Search Bone : " + std::string(127, 'b'));
    }
    EXPECT_FALSE(std::filesystem::is_regular_file("Body.txt") || std::filesystem::exists("sub/Body.txt"));
  }
}

TEST(SkinReader, SideFileCutAtEveryByteWritesAReportOnlyForACompleteSection) {
  const std::string text = "*BONE \"Body\" {\n VERTEX 0 : \"Hip\" 1.0\n" + BLEND_OF_THREE + "}\n";
  const size_t section_end = text.rfind('}') + 1;
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    SCOPED_TRACE(cut);
    ScopedTempDir dir;
    SkinScene skin;
    WriteTextFile("cut.txt", text.substr(0, cut));
    EXPECT_TRUE(LoadSkinWeights(&skin.scene, "cut.ase"));
    EXPECT_EQ(FileExists("Body.txt"), cut >= section_end);
    EXPECT_LE(skin.body->weighted_vertex_count, 2u);
  }
}
