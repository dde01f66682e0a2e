// The reports written into the working folder while a scene loads ("test.txt", "out.txt" and one per
// skinned mesh) against the files the scene reads: no report may replace or cut one, however its path
// is spelled, and the inputs are read before any report is written. The path limits of what is built
// from the scene's path are here too.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "animation/animation_set.h"
#include "platform/test_hooks.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"
#include "texture/resolve_path.h"

namespace {

// A skinned mesh with one vertex and its bone, a material naming the bitmap, and a scene block for the
// animation trace.
std::string SkinnedScene(const std::string& mesh, const std::string& bitmap) {
  return WithHeader("*SCENE { *SCENE_FIRSTFRAME 0 *SCENE_LASTFRAME 10 *SCENE_TICKSPERFRAME 160 }\n"
                    "*MATERIAL_LIST { *MATERIAL_COUNT 1 *MATERIAL 0 { *MAP_DIFFUSE { *BITMAP \"" + bitmap + "\" } } }\n"
                    "*GEOMOBJECT { *NODE_NAME \"" + mesh + "\" *MESH { *MESH_NUMVERTEX 1\n"
                    "*MESH_VERTEX_LIST { *MESH_VERTEX 0 1 2 3 } } *MATERIAL_REF 0 }\n"
                    "*GEOMOBJECT { *NODE_NAME \"Hip\" }\n");
}

std::string SideFile(const std::string& mesh) { return "*BONE \"" + mesh + "\" {\n VERTEX 0 : \"Hip\" 1.0\n}\n"; }

// Each case loads the scene and its animation in a fresh working folder; every file it wrote before
// must read the same afterwards, and the three reports must stand where the case says.
TEST(ReportNames, NoReportReplacesAFileTheSceneReads) {
  for (const DataCase& data : ReadDataCases("report_names.txt")) {
    SCOPED_TRACE(data.name);
    struct {
      std::string scene_path, side_path, link, mesh, bitmap, bitmap_file;
      uint32_t weighted;
      std::string scene_report, trace, mesh_report;
    } c;
    std::istringstream(data.input) >> c.scene_path >> c.side_path >> c.link >> c.mesh >> c.bitmap >> c.bitmap_file >>
        c.weighted;
    std::istringstream(data.expected) >> c.scene_report >> c.trace >> c.mesh_report;
    for (std::string* word : {&c.side_path, &c.bitmap_file}) word->erase(*word == "-" ? 0 : word->size());
    ScopedTempDir dir;
    std::filesystem::create_directory("scenes");
    const std::string scene_text = SkinnedScene(c.mesh, c.bitmap);
    WriteTextFile(c.scene_path, scene_text);
    std::vector<std::pair<std::string, std::string>> inputs = {{c.scene_path, scene_text}};
    if (!c.side_path.empty()) inputs.emplace_back(c.side_path, SideFile(c.mesh));
    if (!c.bitmap_file.empty()) inputs.emplace_back(c.bitmap_file, "not really a picture");
    for (const auto& [path, text] : inputs) WriteTextFile(path, text);
    if (c.link == "s") std::filesystem::create_symlink(c.side_path, "test.txt");
    if (c.link == "h") std::filesystem::create_hard_link(c.side_path, "test.txt");

    testing::internal::CaptureStderr();
    AseScene scene;
    ASSERT_TRUE(LoadScene(&scene, c.scene_path.c_str()));
    ASSERT_NE(LoadAnimation(&scene, c.scene_path.c_str()), nullptr);
    const std::string notes = testing::internal::GetCapturedStderr();

    for (const auto& [path, text] : inputs) EXPECT_EQ(ReadTextFile(path), text) << path;
    EXPECT_EQ(scene.geom_objects->weighted_vertex_count, c.weighted);
    EXPECT_EQ(ReadTextFile(c.scene_report).rfind("Material Num = 1\n", 0), 0u) << c.scene_report;
    EXPECT_NE(ReadTextFile(c.trace).find("TicksPerFrame = 160\n"), std::string::npos) << c.trace;
    if (c.weighted != 0) {
      EXPECT_EQ(ReadTextFile(c.mesh_report), "VERTEX 0 \"Hip\"  Weight 1.000000\n");
    }
    // One note on standard error for each report that went elsewhere, and none otherwise.
    size_t renamed = 0;
    for (const auto& [meant, used] : {std::pair<std::string, std::string>{"test.txt", c.scene_report},
                                      {"out.txt", c.trace},
                                      {c.mesh + ".txt", c.mesh_report}}) {
      if (meant == used) continue;
      ++renamed;
      EXPECT_NE(notes.find("kestrel: the report \"" + meant + "\" is written to \"" + used + "\" instead, so as not "
                           "to replace "),
                std::string::npos)
          << notes;
    }
    size_t lines = 0;
    for (size_t at = notes.find("kestrel: "); at != std::string::npos; at = notes.find("kestrel: ", at + 1)) ++lines;
    EXPECT_EQ(lines, renamed) << notes;
  }
}

// The scene's path at every length the system opens: the side file's weights load, a bitmap beside
// the scene is found, and a place to look that would be longer than any path is named in a box.
TEST(ReportNames, PathsBuiltFromTheScenePathWorkUpToTheSystemLimit) {
  for (size_t length : {size_t{123}, size_t{124}, size_t{128}, size_t{1000}, size_t{PATH_MAX - 1}}) {
    SCOPED_TRACE(length);
    ScopedTempDir dir;
    const std::string scene_path = PathOfLength(dir.path(), length, ".ase");
    ASSERT_EQ(scene_path.size(), length);
    const std::string folder = scene_path.substr(0, scene_path.rfind('/') + 1);
    WriteTextFile(scene_path, SkinnedScene("Body", "C:\\maps\\w.tga"));
    WriteTextFile(scene_path.substr(0, length - 4) + ".txt", SideFile("Body"));
    const bool bitmap_fits = folder.size() + 5 < PATH_MAX;
    if (bitmap_fits) WriteTextFile(folder + "w.tga", "bitmap");
    AseScene scene;
    BeginCaptureMessageBoxes();
    ASSERT_TRUE(LoadScene(&scene, scene_path.c_str()));
    EXPECT_EQ(scene.geom_objects->weighted_vertex_count, 1u);
    SetScenePath(scene_path.c_str());
    EXPECT_EQ(ResolveScenePath("C:\\maps\\w.tga"), folder + "w.tga");
    // A name longer than the scene's own cannot be looked for beside the deepest scene.
    const std::string long_name(length - folder.size() + 10, 'b');
    ResolveScenePath(long_name.c_str());
    const std::vector<CapturedMessageBox> boxes = EndCaptureMessageBoxes();
    if (length == PATH_MAX - 1) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, "Cannot look for the bitmap \"" + long_name + "\" at \"" + folder + long_name +
                                   "\": the path is longer than the system allows (" + std::to_string(PATH_MAX - 1) +
                                   " bytes).");
    } else {
      EXPECT_TRUE(boxes.empty());
    }
    SetScenePath(nullptr);
  }
}

}  // namespace
