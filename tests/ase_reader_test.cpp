#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

struct ReaderCase {
  ReaderCase(const char* name, std::function<void(const AseScene&)> check, std::string body = std::string())
      : name(name), check(std::move(check)), body(std::move(body)) {}
  const char* name;
  std::function<void(const AseScene&)> check;
  std::string body;  // after the header line; empty: the section of this name in the group's data file
};

// A data file under tests/data/reader/ holds one scene body per case, each after a line "=== name";
// what comes before the first such line is a note for the reader.
std::string CaseBody(const std::string& file, const std::string& name) {
  const std::string marker = "=== " + name + "\n";
  const size_t start = file.find(marker);
  if (start == std::string::npos) return std::string();
  const size_t body = start + marker.size();
  const size_t next = file.find("\n=== ", body);
  std::string text = file.substr(body, next == std::string::npos ? std::string::npos : next - body);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

void RunCases(const char* data_name, const ReaderCase* cases, size_t count) {
  const std::string file = ReadTestData(std::string("reader/") + data_name);
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(cases[i].name);
    const std::string body = cases[i].body.empty() ? CaseBody(file, cases[i].name) : cases[i].body;
    ASSERT_FALSE(body.empty());
    ScopedTempDir dir;
    AseScene scene;
    ASSERT_TRUE(LoadSceneText(&scene, WithHeader(body)));
    cases[i].check(scene);
  }
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

const GeomObject* Nth(const AseScene& scene, int n) {
  const GeomObject* object = scene.geom_objects;
  while (object != nullptr && n-- > 0) object = NextNode(object);
  return object;
}

}  // namespace

TEST(SceneLoad, OpeningAndHeaderDecideTheLoadedFlag) {
  ScopedTempDir dir;
  struct Case {
    const char* name;
    const char* text;  // null: no file at all
    bool result;
    uint8_t loaded;
    bool report_exists;
  } cases[] = {
      {"no file", nullptr, false, 0, false},
      {"empty file", "", false, 1, true},
      {"header with letters glued on", "*3DSMAX_ASCIIEXPORTER_NOT\n", true, 1, true},
      {"other first token", "*GEOMOBJECT { *NODE_NAME \"Box\" }", false, 1, true},
      {"header with a digit glued on", "*3DSMAX_ASCIIEXPORT2 *GEOMOBJECT { *NODE_NAME \"Box\" }", true, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove("test.txt");
    std::remove("scene.ase");
    AseScene scene;
    const bool result = c.text != nullptr ? LoadSceneText(&scene, c.text) : LoadScene(&scene, "scene.ase");
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(scene.loaded, c.loaded);
    EXPECT_EQ(FileExists("test.txt"), c.report_exists);
    // Whatever did not pass the header check read nothing and reported nothing.
    if (!c.result) {
      EXPECT_EQ(scene.geom_objects, nullptr);
      if (c.report_exists) {
        EXPECT_EQ(ReadTextFile("test.txt"), "");
      }
    }
  }
  AseScene scene;
  EXPECT_FALSE(LoadScene(&scene, ""));
  EXPECT_FALSE(LoadScene(&scene, nullptr));
  EXPECT_EQ(scene.loaded, 0);
  // A folder opens like a file but has no size to read.
  ASSERT_EQ(mkdir("folder.ase", 0700), 0);
  EXPECT_FALSE(LoadScene(&scene, "folder.ase"));
  EXPECT_EQ(scene.loaded, 0);
}

TEST(SceneLoad, SceneLoadsWhenTheReportCannotBeCreated) {
  ScopedTempDir dir;
  ASSERT_EQ(mkdir("test.txt", 0700), 0);
  AseScene scene;
  EXPECT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"Box\" }")));
  EXPECT_EQ(scene.geom_object_count, 1);
}

TEST(SceneLoad, LongPathIsCutToTheFieldAndStaysTerminated) {
  ScopedTempDir dir;
  std::string folder = dir.path();
  while (folder.size() < 150) {
    folder += "/a_rather_long_folder_name";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  }
  const std::string path = folder + "/scene.ase";
  WriteTextFile(path, WithHeader("*GEOMOBJECT { *NODE_NAME \"Box\" }"));
  AseScene scene;
  ASSERT_TRUE(LoadScene(&scene, path.c_str()));
  EXPECT_EQ(std::string(scene.file_path), path.substr(0, NAME_SIZE - 1));
  EXPECT_EQ(scene.geom_object_count, 1);
}

TEST(SceneReader, BlocksNamesAndBraces) {
  const ReaderCase cases[] = {
      {"transform and animation names create no further object",
       [](const AseScene& s) {
         ASSERT_EQ(s.geom_object_count, 1);
         EXPECT_STREQ(s.geom_objects->node_tms[0].node_name, "Box");
         EXPECT_EQ(s.geom_objects->node_tms[0].pos.y, 2.0f);
       }},
      {"a name with blanks and braces is one name and keeps the braces balanced",
       [](const AseScene& s) {
         ASSERT_EQ(s.geom_object_count, 2);
         EXPECT_STREQ(s.geom_objects->name, "Box { 1 }}");
         EXPECT_STREQ(s.geom_objects->parent_name, "Root {");
         EXPECT_EQ(s.geom_objects->material_index, 4);
       }},
      {"a glued brace opens the block but hides its keyword",
       [](const AseScene& s) {
         ASSERT_EQ(s.geom_object_count, 1);
         EXPECT_STREQ(s.geom_objects->name, "Kept");
       }},
      {"keywords before the name are dropped; a name in a walked transform creates the object",
       [](const AseScene& s) {
         ASSERT_EQ(s.geom_object_count, 1);
         EXPECT_STREQ(s.geom_objects->name, "Inner");
         EXPECT_STREQ(s.geom_objects->parent_name, "");
         EXPECT_EQ(s.geom_objects->material_index, 0);
         EXPECT_EQ(s.geom_objects->node_tms[0].pos.x, 0.0f);
       }},
      {"material reference keeps its low 8 bits and needs the exact keyword",
       [](const AseScene& s) {
         EXPECT_EQ(Nth(s, 0)->material_index, 44);
         EXPECT_EQ(Nth(s, 1)->material_index, 0);
       }},
      {"scale, scale axis and its angle are kept apart",
       [](const AseScene& s) {
         const NodeTm& a = Nth(s, 0)->node_tms[0];
         EXPECT_EQ(a.scale_axis_angle, 0.5f);
         EXPECT_EQ(a.scale_axis.x, 0.0f);
         EXPECT_EQ(a.scale.x, 0.0f);
         const NodeTm& b = Nth(s, 1)->node_tms[0];
         EXPECT_EQ(b.scale_axis.z, 3.0f);
         EXPECT_EQ(b.scale.z, 0.0f);
         EXPECT_EQ(b.scale_axis_angle, 0.0f);
         const NodeTm& c = Nth(s, 2)->node_tms[0];
         EXPECT_EQ(c.scale.y, 5.0f);
         EXPECT_EQ(c.scale_axis.y, 0.0f);
         EXPECT_EQ(c.row0.z, 9.0f);
         EXPECT_EQ(c.rot_angle, 0.25f);
       }},
      {"a transform value that does not convert is stored as 0",
       [](const AseScene& s) {
         const Vector3& pos = s.geom_objects->node_tms[0].pos;
         EXPECT_EQ(pos.x, 4.0f);
         EXPECT_EQ(pos.y, 0.0f);
         EXPECT_EQ(pos.z, 0.0f);
       }},
      {"vertex lists outside a mesh block start no mesh",
       [](const AseScene& s) {
         EXPECT_EQ(s.geom_objects->vertex_count, 0u);
         EXPECT_EQ(s.geom_objects->vertices, nullptr);
       }},
      {"an overlong name is cut to 127 characters and the next keyword still counts",
       [](const AseScene& s) {
         EXPECT_EQ(std::strlen(s.geom_objects->name), 127u);
         EXPECT_EQ(s.geom_objects->material_index, 3);
       }},
      {"an overlong token is one ignored token",
       [](const AseScene& s) { EXPECT_EQ(s.geom_objects->material_index, 2); }},
      {"an unterminated name runs to the end of the file",
       [](const AseScene& s) {
         ASSERT_EQ(s.geom_object_count, 1);
         EXPECT_STREQ(s.geom_objects->name, "Open ended } *MATERIAL_REF 2");
       }},
      {"top-level blocks in any order, stray tokens between them",
       [](const AseScene& s) {
         EXPECT_EQ(s.material_count, 1);
         EXPECT_EQ(s.camera_count, 1);
         EXPECT_EQ(s.light_count, 1);
         EXPECT_EQ(s.geom_object_count, 1) << "a longer keyword still starts a geometric object block";
       }},
  };
  RunCases("blocks.txt", cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(SceneReader, MeshBlock) {
  const ReaderCase cases[] = {
      {"axes and corners are exchanged on the way in",
       [](const AseScene& s) {
         const GeomObject* m = s.geom_objects;
         EXPECT_EQ(m->vertices[0].position.x, 1.0f);
         EXPECT_EQ(m->vertices[0].position.y, 3.0f);
         EXPECT_EQ(m->vertices[0].position.z, 2.0f);
         const uint16_t faces[] = {0, 2, 1, 5, 7, 6};
         EXPECT_EQ(std::memcmp(m->faces, faces, sizeof(faces)), 0);
         EXPECT_EQ(m->face_material_ids[0], 3);
         EXPECT_EQ(m->face_material_ids[1], 44);
         EXPECT_EQ(m->texture_vertices[1].u, 0.25f);
         EXPECT_EQ(m->texture_vertices[1].v, 0.75f);
         const uint16_t tface[] = {4, 6, 5};
         EXPECT_EQ(std::memcmp(m->texture_faces, tface, sizeof(tface)), 0);
         EXPECT_EQ(m->vertices[7].normal.z, 1.0f);
         EXPECT_EQ(m->vertices[7].normal.y, 0.0f);
         EXPECT_EQ(m->vertices[0].normal.z, 0.0f) << "face normals are not vertex normals";
       }},
      {"smoothing entries that are empty or lists",
       [](const AseScene& s) {
         EXPECT_EQ(s.geom_objects->face_material_ids[0], 2);
         EXPECT_EQ(s.geom_objects->face_material_ids[1], 0);
         EXPECT_EQ(s.geom_objects->faces[3], 3);
         EXPECT_EQ(s.geom_objects->material_index, 9);
       }},
      {"surplus lines, out-of-range indices and lists before their counts are ignored",
       [](const AseScene& s) {
         const GeomObject* m = s.geom_objects;
         EXPECT_EQ(m->vertex_count, 2u);
         EXPECT_EQ(m->vertices[0].position.x, 0.0f);
         EXPECT_EQ(m->vertices[1].position.x, 0.0f);
         EXPECT_EQ(m->face_count, 1u);
         EXPECT_EQ(m->face_material_ids[0], 1);
         EXPECT_EQ(m->texture_vertex_count, 0u);
         EXPECT_EQ(m->material_index, 6);
       }},
      {"a count the 16-bit indices cannot address drops the whole mesh",
       [](const AseScene& s) {
         for (int i = 0; i < 2; ++i) {
           const GeomObject* m = Nth(s, i);
           EXPECT_EQ(m->vertex_count + m->face_count + m->texture_vertex_count, 0u);
           EXPECT_EQ(m->vertices, nullptr);
           EXPECT_EQ(m->faces, nullptr);
           EXPECT_EQ(m->texture_vertices, nullptr);
         }
         EXPECT_EQ(Nth(s, 0)->material_index, 5) << "the dropped mesh's block stays balanced";
       }},
      {"a count the rest of the file could not list drops the mesh too",
       [](const AseScene& s) {
         EXPECT_EQ(s.geom_objects->vertex_count + s.geom_objects->face_count, 0u);
         EXPECT_EQ(s.geom_objects->vertices, nullptr);
         EXPECT_EQ(s.geom_objects->material_index, 5);
       }},
      {"a second count replaces the array with a fresh one",
       [](const AseScene& s) {
         const GeomObject* m = s.geom_objects;
         ASSERT_EQ(m->vertex_count, 3u);
         EXPECT_EQ(m->vertices[1].position.x, 0.0f);
         EXPECT_EQ(m->face_count, 1u);
         EXPECT_EQ(m->texture_vertex_count, 2u);
       }},
      {"texture face count and array never disagree",
       [](const AseScene& s) {
         EXPECT_EQ(Nth(s, 0)->texture_face_count, 0u);
         EXPECT_EQ(Nth(s, 0)->texture_faces, nullptr);
         EXPECT_EQ(Nth(s, 1)->texture_face_count, 0u);
         const GeomObject* c = Nth(s, 2);
         ASSERT_EQ(c->texture_face_count, 2u);
         const uint16_t tfaces[] = {4, 6, 5, 0, 0, 0};
         EXPECT_EQ(std::memcmp(c->texture_faces, tfaces, sizeof(tfaces)), 0);
       }},
      // The first bare line takes the next eight keywords as its labels, so the real line is the
      // 65537th that the list counts: a 16-bit face number would be back at 0 there.
      {"more than 65536 face lines never wrap onto the first face",
       [](const AseScene& s) {
         EXPECT_EQ(s.geom_objects->faces[0], 0) << "the first face line took the following tokens as labels";
         EXPECT_EQ(s.geom_objects->face_material_ids[0], 0);
       },
       "*GEOMOBJECT { *NODE_NAME \"M\" *MESH { *MESH_NUMFACES 1 *MESH_FACE_LIST {" +
           Repeat(" *MESH_FACE", 65536 + 8) +
           " *MESH_FACE 9: A: 9 B: 9 C: 9 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 0 *MESH_MTLID 9 } } }"},
  };
  RunCases("mesh.txt", cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(SceneReader, MaterialList) {
  const ReaderCase cases[] = {
      {"entries no block fills stay zero-filled",
       [](const AseScene& s) {
         ASSERT_EQ(s.material_count, 2);
         EXPECT_EQ(s.materials[0].diffuse.r, 0.0f);
         EXPECT_EQ(s.materials[0].has_bitmap, 0);
         EXPECT_EQ(s.materials[1].diffuse.g, 0.25f);
         EXPECT_EQ(s.materials[1].diffuse.a, 0.0f);
       }},
      {"a count of 256 wraps to no table",
       [](const AseScene& s) {
         EXPECT_EQ(s.material_count, 0);
         EXPECT_EQ(s.materials, nullptr);
       }},
      {"sub-materials carry their own colours and bitmaps",
       [](const AseScene& s) {
         const Material& m = s.materials[0];
         ASSERT_EQ(m.submaterial_count, 3);
         EXPECT_EQ(m.submaterials[0].ambient.r, 0.1f);
         EXPECT_EQ(m.submaterials[1].specular.g, 0.2f);
         EXPECT_STREQ(m.submaterials[1].bitmap_name, "one.tga");
         EXPECT_EQ(m.submaterials[2].emissive.b, 0.3f);
         EXPECT_EQ(m.diffuse.r, 0.0f) << "a sub-material without an entry leaked into its parent";
       }},
      {"the last bitmap of the kept map kinds wins whole; other maps and filters change nothing",
       [](const AseScene& s) {
         EXPECT_EQ(s.materials[0].has_bitmap, 1);
         EXPECT_EQ(std::memcmp(s.materials[0].bitmap_name, "s.tga\0\0\0\0", 9), 0);
       }},
      {"reading an entry again replaces it and its sub-materials",
       [](const AseScene& s) {
         ASSERT_EQ(s.material_count, 2);
         EXPECT_EQ(s.materials[0].submaterial_count, 0) << "a second count must give a fresh table";
         EXPECT_EQ(s.materials[1].ambient.r, 1.0f);
       }},
      {"an entry read twice keeps only the second reading",
       [](const AseScene& s) {
         EXPECT_EQ(s.materials[0].submaterial_count, 1);
         EXPECT_EQ(s.materials[0].has_bitmap, 0);
         EXPECT_EQ(s.materials[0].diffuse.r, 0.5f);
       }},
      {"a sub-material count the rest of the file could not list gives no sub-materials",
       [](const AseScene& s) {
         EXPECT_EQ(s.materials[0].submaterial_count, 0);
         EXPECT_EQ(s.materials[0].submaterials, nullptr);
         ASSERT_EQ(s.materials[1].submaterial_count, 2) << "a block that lists its entries keeps them";
         EXPECT_EQ(s.materials[1].submaterials[1].diffuse.r, 0.5f);
       }},
      {"nesting deeper than the bound is skipped whole, without exhausting the stack",
       [](const AseScene& s) {
         int depth = 0;
         for (const Material* m = &s.materials[0]; m->submaterial_count != 0; m = &m->submaterials[0]) ++depth;
         EXPECT_GE(depth, 1);
         EXPECT_LE(depth, 100);
         EXPECT_EQ(s.geom_object_count, 1);
       },
       "*MATERIAL_LIST { *MATERIAL_COUNT 1 *MATERIAL 0 {" + Repeat(" *NUMSUBMTLS 1 *SUBMATERIAL 0 {", 100000) +
           " *MATERIAL_DIFFUSE 1 1 1" + Repeat(" }", 100000) + " } }"
           " *GEOMOBJECT { *NODE_NAME \"After\" }"},
  };
  RunCases("materials.txt", cases, sizeof(cases) / sizeof(cases[0]));
}

TEST(SceneReader, LightsAndCameras) {
  const ReaderCase cases[] = {
      {"a target light keeps two transforms, its colour, and one record",
       [](const AseScene& s) {
         ASSERT_EQ(s.light_count, 1);
         const LightObject* l = s.lights;
         EXPECT_STREQ(l->name, "Spot");
         EXPECT_STREQ(l->node_tms[0].node_name, "Spot");
         EXPECT_EQ(l->node_tms[0].pos.z, 3.0f);
         EXPECT_STREQ(l->node_tms[1].node_name, "Spot.Target");
         EXPECT_EQ(l->node_tms[1].pos.x, 4.0f);
         EXPECT_EQ(l->light_colour[0], 1.0f);
         EXPECT_EQ(l->light_colour[1], 0.5f);
         EXPECT_EQ(l->light_colour[2], 0.25f);
       }},
      {"settings and transforms before the name are dropped",
       [](const AseScene& s) {
         ASSERT_EQ(s.light_count, 1);
         EXPECT_EQ(s.lights->light_colour[0], 0.0f);
         EXPECT_EQ(s.lights->node_tms[0].pos.x, 0.0f) << "the dropped transform still counted as the first";
         EXPECT_EQ(s.lights->node_tms[1].pos.x, 2.0f);
       }},
      {"a target camera keeps its transforms and distances but never a field of view",
       [](const AseScene& s) {
         ASSERT_EQ(s.camera_count, 1);
         const CameraObject* c = s.cameras;
         EXPECT_EQ(c->node_tms[0].pos.y, 2.0f);
         EXPECT_EQ(c->node_tms[1].pos.y, 5.0f);
         EXPECT_EQ(c->near_clip, 1.5f);
         EXPECT_EQ(c->far_clip, 900.0f);
         EXPECT_EQ(c->field_of_view, 0.0f);
       }},
      {"a camera's third transform is walked, so its name makes a further camera",
       [](const AseScene& s) {
         EXPECT_EQ(s.camera_count, 2);
         EXPECT_EQ(s.cameras->node_tms[0].pos.x, 1.0f);
       }},
      {"256 lights wrap the 8-bit count while the list keeps them all",
       [](const AseScene& s) {
         EXPECT_EQ(s.light_count, 0);
         int listed = 0;
         for (const LightObject* l = s.lights; l != nullptr; l = NextNode(l)) ++listed;
         EXPECT_EQ(listed, 256);
       },
       Repeat("*LIGHTOBJECT { *NODE_NAME \"L\" }\n", 256)},
  };
  RunCases("lights.txt", cases, sizeof(cases) / sizeof(cases[0]));
}

// Every prefix of a rich scene is a file that ends somewhere inside a block, a name or a number.
TEST(SceneReader, SceneCutAtEveryByteLoadsWhatWasRead) {
  ScopedTempDir dir;
  const std::string whole = RichScene();
  for (size_t length = 0; length <= whole.size(); ++length) {
    AseScene scene;
    const bool result = LoadSceneText(&scene, whole.substr(0, length));
    ASSERT_EQ(result, length >= std::strlen("*3DSMAX_ASCIIEXPORT")) << "cut at " << length;
    scene.DestroyScene();
  }
  AseScene scene;
  ASSERT_TRUE(LoadSceneText(&scene, whole));
  EXPECT_EQ(scene.geom_object_count, 2);
  EXPECT_EQ(scene.light_count, 2);
  EXPECT_EQ(scene.camera_count, 1);
}

// Corners, texture corners, material ids and references come from the file; the build after the read
// must only use those that address something, and the report must still come out.
TEST(SceneReader, IndicesPastTheirArraysReachNoMemory) {
  ScopedTempDir dir;
  AseScene scene;
  ASSERT_TRUE(LoadSceneText(&scene, ReadTestData("scenes/indices_past_arrays.ase")));
  const GeomObject* bad = scene.geom_objects;
  ASSERT_EQ(bad->face_group_count, 1);
  EXPECT_EQ(bad->face_groups->material_id, 1);
  EXPECT_EQ(bad->face_groups->face_count, 1u) << "only the face with existing corners and a listed id";
  EXPECT_LE(bad->vertex_count, 65535u);
  const GeomObject* unmatched = NextNode(bad);
  EXPECT_EQ(unmatched->face_group_count, 0) << "a material reference past the table forms no group";
  EXPECT_NE(ReadTextFile("test.txt").find("+Name = Unmatched\n"), std::string::npos);
}
