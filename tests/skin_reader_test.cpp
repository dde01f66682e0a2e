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
  AseScene scene;
  GeomObject* body;
  GeomObject* hip;
  GeomObject* spine;
  GeomObject* head;
};

const char BLEND_OF_THREE[] =
    "  *BLEND_VERTEX 3 {\n"
    "    *W 0 : \"Hip\" 0.2 *OFFSET 1 2 3\n"
    "    *W 1 : \"Spine\" 0.3 *OFFSET 1 2 3\n"
    "    *W 2 : \"Head\" 0.5 *OFFSET 1 2 3\n"
    "  }\n";

}  // namespace

TEST(SkinReader, SideFileIsTheScenePathWithItsLastFourCharactersReplaced) {
  struct Case {
    std::string scene_path;
    std::string side_file;  // written before the load; empty for none
    bool found;
  };
  const Case cases[] = {
      {"scene.ase", "scene.txt", true},
      {"model.x", "mod.txt", true},
      {"abc", ".txt", false},  // nothing to replace: not the hidden ".txt"
      {"none.ase", "", false},
      {std::string(124, 'p') + ".ase", std::string(124, 'p') + ".txt", false},  // name does not fit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scene_path);
    ScopedTempDir dir;
    SkinScene skin;
    if (!c.side_file.empty()) WriteTextFile(c.side_file, "*BONE \"Body\" {\n VERTEX 0 : \"Hip\" 1.0\n}\n");
    EXPECT_EQ(LoadSkinWeights(&skin.scene, c.scene_path.c_str()), c.found);
    EXPECT_EQ(skin.body->weighted_vertex_count, c.found ? 1u : 0u);
  }
}

TEST(SkinReader, RecordsFillEntriesInOrderWhateverTheirNumbersAndAreReported) {
  ScopedTempDir dir;
  SkinScene skin;
  // The section for a mesh that is not in the scene is passed over token by token: its bone names are
  // unknown too, yet they must not be looked up.
  WriteTextFile("light.txt", std::string("*BONE \"Ghost\" {\n VERTEX 0 : \"Nobody\" 1.0\n"
                                         " *BLEND_VERTEX 1 { *W 0 : \"Nobody\" 1.0 *OFFSET 0 0 0 }\n}\n"
                                         "*BONE \"Body\" {\n"
                                         "  VERTEX 7 : \"Hip\" 1.0\n"
                                         "  VERTEX 3 : \"Spine\" 0.5\n") +
                                 BLEND_OF_THREE + "}\n");
  BeginCaptureMessageBoxes();
  EXPECT_TRUE(LoadSkinWeights(&skin.scene, "light.ase"));
  EXPECT_TRUE(EndCaptureMessageBoxes().empty());

  ASSERT_NE(skin.body->vertex_weights, nullptr);
  EXPECT_EQ(skin.body->weighted_vertex_count, 3u);
  const VertexWeights* w = skin.body->vertex_weights;
  ASSERT_EQ(w[0].influence_count, 1);
  EXPECT_EQ(w[0].influences[0].bone, skin.hip);
  ASSERT_EQ(w[1].influence_count, 1);
  EXPECT_EQ(w[1].influences[0].bone, skin.spine);
  EXPECT_FLOAT_EQ(w[1].influences[0].weight, 0.5f);
  ASSERT_EQ(w[2].influence_count, 3);
  EXPECT_EQ(w[2].influences[2].bone, skin.head);
  EXPECT_FLOAT_EQ(w[2].influences[1].weight, 0.3f);
  for (int v = 3; v < 8; ++v) EXPECT_EQ(w[v].influence_count, 0);

  EXPECT_EQ(ReadTextFile("Body.txt"),
            "VERTEX 0 \"Hip\"  Weight 1.000000\n"
            "VERTEX 1 \"Spine\"  Weight 0.500000\n"
            "VERTEX 2 \"Hip\"  Weight 0.200000\n"
            "VERTEX 2 \"Spine\"  Weight 0.300000\n"
            "VERTEX 2 \"Head\"  Weight 0.500000\n");
  EXPECT_FALSE(FileExists("Ghost.txt"));
}

TEST(SkinReader, BlendVertexCountIsEightBitAndStopsAtTheEndOfItsRecords) {
  struct Case {
    const char* count;
    int influences;
  };
  // 258 keeps its low byte; 5 announces more records than its block holds.
  for (const Case& c : {Case{"258", 2}, Case{"5", 2}}) {
    SCOPED_TRACE(c.count);
    ScopedTempDir dir;
    SkinScene skin;
    const std::string text = std::string(" {\n *BLEND_VERTEX ") + c.count +
                             " {\n *W 0 : \"Hip\" 0.25 *OFFSET 0 0 0\n *W 1 : \"Head\" 0.75 *OFFSET 0 0 0\n }\n"
                             " VERTEX 1 : \"Spine\" 1.0\n}\n VERTEX 2 : \"Hip\" 1.0\n";
    EXPECT_TRUE(skin.ReadSection(text));
    const VertexWeights* w = skin.body->vertex_weights;
    ASSERT_EQ(w[0].influence_count, c.influences);
    EXPECT_EQ(w[0].influences[1].bone, skin.head);
    // The record after the blend block is the next entry, and the section ends at its own brace.
    ASSERT_EQ(w[1].influence_count, 1);
    EXPECT_EQ(w[1].influences[0].bone, skin.spine);
    EXPECT_EQ(skin.body->weighted_vertex_count, 2u);
  }
}

TEST(SkinReader, UnknownBoneAbandonsTheSectionWithoutAReportAndScanningGoesOn) {
  ScopedTempDir dir;
  SkinScene skin;
  GeomObject* arm = AddGeomObject(skin.scene, "Arm");
  SetVertices(arm, {{0, 0, 0}});
  WriteTextFile("rig.txt",
                "*BONE \"Body\" {\n VERTEX 0 : \"Hip\" 1.0\n VERTEX 1 : \"Tail\" 0.5\n VERTEX 2 : \"Hip\" 1.0\n}\n"
                "*BONE \"Arm\" {\n VERTEX 0 : \"Spine\" 1.0\n}\n");
  BeginCaptureMessageBoxes();
  EXPECT_TRUE(LoadSkinWeights(&skin.scene, "rig.ase"));
  const auto boxes = EndCaptureMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Report");
  EXPECT_EQ(boxes[0].text, "Fail To Search Bone : Tail");

  EXPECT_FALSE(FileExists("Body.txt"));
  EXPECT_EQ(skin.body->weighted_vertex_count, 1u);
  // The failing record has its entry, without a bone: the binding reports it later.
  ASSERT_EQ(skin.body->vertex_weights[1].influence_count, 1);
  EXPECT_EQ(skin.body->vertex_weights[1].influences[0].bone, nullptr);
  EXPECT_EQ(skin.body->vertex_weights[2].influence_count, 0);
  EXPECT_EQ(ReadTextFile("Arm.txt"), "VERTEX 0 \"Spine\"  Weight 1.000000\n");
}

TEST(SkinReader, BadInputStaysInsideTheTableAndTheWorkingFolder) {
  {
    SCOPED_TRACE("records past the last vertex");
    ScopedTempDir dir;
    SkinScene skin;
    SetVertices(skin.body, {{0, 0, 0}, {1, 0, 0}});
    EXPECT_TRUE(skin.ReadSection(std::string(" {\n VERTEX 0 : \"Hip\" 1\n VERTEX 1 : \"Hip\" 1\n"
                                             " VERTEX 2 : \"Tail\" 1\n") +
                                 BLEND_OF_THREE + "}\n"));
    EXPECT_EQ(skin.body->weighted_vertex_count, 2u);
    // A second, shorter section starts again at entry 0 and leaves entry 1 as it was.
    EXPECT_TRUE(skin.ReadSection(" { VERTEX 5 : \"Spine\" 0.5 }"));
    EXPECT_EQ(skin.body->weighted_vertex_count, 1u);
    EXPECT_EQ(ReadTextFile("Body.txt"), "VERTEX 0 \"Spine\"  Weight 0.500000\nVERTEX 1 \"Hip\"  Weight 1.000000\n");
  }
  {
    SCOPED_TRACE("end of file before a closing quote");
    ScopedTempDir dir;
    SkinScene skin;
    EXPECT_FALSE(skin.ReadSection(" {\n VERTEX 0 : \"Hip"));
    EXPECT_FALSE(FileExists("Body.txt"));
  }
  {
    SCOPED_TRACE("report cannot be created");
    ScopedTempDir dir;
    SkinScene skin;
    std::filesystem::create_directory("Body.txt");
    EXPECT_FALSE(skin.ReadSection(" { VERTEX 0 : \"Hip\" 1 }"));
    EXPECT_EQ(skin.body->weighted_vertex_count, 1u);
  }
  {
    SCOPED_TRACE("mesh name that is a path");
    ScopedTempDir dir;
    SkinScene skin;
    std::filesystem::create_directory("sub");
    std::strcpy(skin.body->name, "sub/Body");
    EXPECT_FALSE(skin.ReadSection(" { VERTEX 0 : \"Hip\" 1 }"));
    EXPECT_FALSE(FileExists("sub/Body.txt"));
  }
  {
    SCOPED_TRACE("overlong bone name");
    ScopedTempDir dir;
    SkinScene skin;
    BeginCaptureMessageBoxes();
    EXPECT_FALSE(skin.ReadSection(" { VERTEX 0 : \"" + std::string(300, 'b') + "\" 1 }"));
    const auto boxes = EndCaptureMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Fail To Search Bone : " + std::string(127, 'b'));
  }
}

TEST(SkinReader, SideFileCutAtEveryByteWritesAReportOnlyForACompleteSection) {
  const std::string text = std::string("*BONE \"Body\" {\n VERTEX 0 : \"Hip\" 1.0\n") + BLEND_OF_THREE + "}\n";
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
