#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/test_hooks.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"

namespace {

// What the load kept and built, as text, so that each case's expectation sits in its data file beside the
// scene it reads. Fields left at zero are not written, which keeps the expectations to what the case is
// about.
class SceneText {
 public:
  explicit SceneText(const AseScene& scene) : scene_(scene) {
    out_ << "counts objects " << scene.geom_object_count << " materials " << +scene.material_count << " lights "
         << +scene.light_count << " cameras " << +scene.camera_count << "\ntop";
    for (int i = 0; scene.top_objects != nullptr && i < scene.top_object_count; ++i) {
      out_ << " \"" << scene.top_objects[i]->name << '"';
    }
    out_ << '\n';
    for (int i = 0; scene.materials != nullptr && i < scene.material_count; ++i) Describe(scene.materials[i], i, "");
    for (const GeomObject* o = scene.geom_objects; o != nullptr; o = NextNode(o)) Describe(*o);
    for (const LightObject* l = scene.lights; l != nullptr; l = NextNode(l)) {
      out_ << "light \"" << l->name << '"';
      Vector("colour", {l->light_colour[0], l->light_colour[1], l->light_colour[2]});
      Transforms(*l);
    }
    for (const CameraObject* c = scene.cameras; c != nullptr; c = NextNode(c)) {
      out_ << "camera";
      Vector("near far fov", {c->near_clip, c->far_clip, c->field_of_view});
      Transforms(*c);
    }
  }
  std::string str() const { return out_.str(); }

 private:
  void Vector(const char* label, const Vector3& v) {
    if (v.x == 0 && v.y == 0 && v.z == 0) return;
    out_ << ' ' << label << ' ' << v.x << ' ' << v.y << ' ' << v.z;
  }
  void Colour(const char* label, const D3DCOLORVALUE& c) {
    Vector(label, {c.r, c.g, c.b});
    Vector("alpha", {c.a, 0, 0});
  }
  void Transforms(const SceneNode& node) {
    out_ << '\n';
    static const NodeTm EMPTY = {};
    for (int slot = 0; slot < 2; ++slot) {
      const NodeTm& tm = node.node_tms[slot];
      if (std::memcmp(&tm, &EMPTY, sizeof(tm)) == 0) continue;
      out_ << "  tm" << slot << " \"" << tm.node_name << '"';
      Vector("rotangle", {tm.rot_angle, 0, 0});
      Vector("row0", tm.row0), Vector("row1", tm.row1), Vector("row2", tm.row2), Vector("row3", tm.row3);
      Vector("pos", tm.pos), Vector("rotaxis", tm.rot_axis), Vector("scale", tm.scale);
      Vector("scaleaxis", tm.scale_axis), Vector("scaleaxisang", {tm.scale_axis_angle, 0, 0});
      out_ << '\n';
    }
  }
  void Describe(const Material& m, int index, const std::string& indent) {
    static const Material EMPTY = {};
    if (std::memcmp(&m, &EMPTY, offsetof(Material, submaterial_count) + 1) == 0 && m.submaterials == nullptr) return;
    out_ << indent << "material " << index;
    if (m.submaterial_count != 0) out_ << " subs " << +m.submaterial_count;
    Colour("diffuse", m.diffuse), Colour("ambient", m.ambient), Colour("specular", m.specular);
    Colour("emissive", m.emissive), Vector("power", {m.power, 0, 0});
    if (m.has_bitmap || m.bitmap_name[0] != 0) out_ << " bitmap " << +m.has_bitmap << " \"" << m.bitmap_name << '"';
    out_ << '\n';
    for (int s = 0; m.submaterials != nullptr && s < m.submaterial_count; ++s) {
      Describe(m.submaterials[s], s, indent + "  ");
    }
    if (m.submaterials == nullptr && m.submaterial_count != 0) out_ << indent << "  no sub-material table\n";
  }
  template <class T>
  void List(const char* label, uint32_t count, const T* array, int per_entry) {
    if (count == 0 && array == nullptr) return;
    out_ << "  " << label << ' ' << count << (array == nullptr ? " without an array" : ":");
    for (uint32_t i = 0; array != nullptr && i < count; ++i) {
      out_ << (i == 0 ? " " : ", ");
      for (int k = 0; k < per_entry; ++k) out_ << (k == 0 ? "" : " ") << +array[per_entry * i + k];
    }
    out_ << '\n';
  }
  void Describe(const GeomObject& o) {
    out_ << "object \"" << o.name << '"';
    if (o.parent_name[0] != 0) out_ << " parent \"" << o.parent_name << '"';
    if (o.material_index != 0) out_ << " material " << +o.material_index;
    if (o.ancestor_count != 0) out_ << " ancestors";
    for (int a = 0; a < o.ancestor_count; ++a) {
      for (const GeomObject* p = scene_.geom_objects; p != nullptr; p = NextNode(p)) {
        if (&p->local_matrix == o.ancestor_matrices[a]) out_ << " \"" << p->name << '"';
      }
    }
    Transforms(o);
    if (o.vertices != nullptr || o.vertex_count != 0) out_ << "  vertices " << o.vertex_count << '\n';
    for (uint32_t v = 0; o.vertices != nullptr && v < o.vertex_count; ++v) {
      static const MeshVertex ZERO = {};
      const MeshVertex& vertex = o.vertices[v];
      if (std::memcmp(&vertex, &ZERO, offsetof(MeshVertex, u)) == 0) continue;
      out_ << "    " << v;
      Vector("at", vertex.position), Vector("normal", vertex.normal);
      out_ << '\n';
    }
    List("faces", o.face_count, o.faces, 3);
    List("ids", o.face_material_ids != nullptr ? o.face_count : 0, o.face_material_ids, 1);
    List("texture vertices", o.texture_vertex_count, reinterpret_cast<const float*>(o.texture_vertices), 2);
    List("texture faces", o.texture_face_count, o.texture_faces, 3);
    for (const FaceGroup* g = o.face_groups; g != nullptr; g = g->next) {
      List(("group " + std::to_string(g->material_id)).c_str(), g->face_count, g->face_indices, 3);
    }
    if (o.lit_vertices != nullptr) out_ << "  colours diffuse/specular:" << std::hex;
    for (uint32_t v = 0; o.lit_vertices != nullptr && v < o.vertex_count; ++v) {
      out_ << ' ' << o.lit_vertices[v].color << '/' << o.lit_vertices[v].specular;
    }
    if (o.lit_vertices != nullptr) out_ << std::dec << '\n';
  }

  const AseScene& scene_;
  std::ostringstream out_;
};

// The load cases under tests/data/reader/: each body is loaded after the header line (none: the file of
// that name under tests/data/malformed/) and must give the text SceneText writes for the loaded scene,
// followed by the boxes the load showed.
TEST(SceneLoad, EveryCaseLoadsAsItsDataFileSays) {
  int cases = 0;
  for (const char* file : {"blocks.txt", "mesh.txt", "materials.txt", "lights.txt", "build.txt", "malformed.txt"}) {
    for (const DataCase& c : ReadDataCases(std::string("reader/") + file)) {
      SCOPED_TRACE(std::string(file) + ": " + c.name);
      ++cases;
      ScopedTempDir dir;
      AseScene scene;
      BeginCaptureMessageBoxes();
      const bool read = c.input.empty() ? LoadScene(&scene, TestDataPath("malformed/" + c.name).c_str())
                                        : LoadSceneText(&scene, WithHeader(c.input));
      EXPECT_TRUE(read || c.name == "wrong_header.ase");
      std::string got = SceneText(scene).str();
      for (const CapturedMessageBox& box : EndCaptureMessageBoxes()) got += "box " + box.text + "\n";
      EXPECT_EQ(got, c.expected);
    }
  }
  EXPECT_GE(cases, 40);
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// Inputs too large for a data file: each must end in bounded memory and stack and keep what follows.
TEST(SceneReader, OverlongListsAndNestingStayBounded) {
  ScopedTempDir dir;
  AseScene scene;
  // Every bare line is a face of its own, so the real line is the 65537th that the list counts: a
  // 16-bit face number would be back at 0 there.
  ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"M\" *MESH { *MESH_NUMFACES 1"
                                               " *MESH_FACE_LIST {" + Repeat(" *MESH_FACE", 65536) +
                                               " *MESH_FACE 9: A: 9 B: 9 C: 9 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 0"
                                               " *MESH_MTLID 9 } } }")));
  EXPECT_EQ(scene.geom_objects->faces[0], 0);
  EXPECT_EQ(scene.geom_objects->face_material_ids[0], 0);

  scene.DestroyScene();
  ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*MATERIAL_LIST { *MATERIAL_COUNT 1 *MATERIAL 0 {" +
                                               Repeat(" *NUMSUBMTLS 1 *SUBMATERIAL 0 {", 100000) +
                                               Repeat(" }", 100000) +
                                               " } } *GEOMOBJECT { *NODE_NAME \"After\" }")));
  int depth = 0;
  for (const Material* m = &scene.materials[0]; m->submaterial_count != 0; m = &m->submaterials[0]) ++depth;
  EXPECT_GE(depth, 1);
  EXPECT_LE(depth, 100);
  EXPECT_EQ(scene.geom_object_count, 1);
}

// Every combination of a face line's optional fields, in the exporters' order and shuffled, stands between
// two complete lines: each line is read to its end by its labels, so no line takes its neighbour's
// corners or id, and a line without a material id has id 0.
TEST(SceneReader, FaceLinesAreReadByTheirLabelsWhateverFieldsTheyHold) {
  const char* const EDGES[] = {"", " AB: 1 BC: 0 CA: 1"};
  const char* const SMOOTHING[] = {"", " *MESH_SMOOTHING", " *MESH_SMOOTHING 4", " *MESH_SMOOTHING 1,2,3"};
  const char* const IDS[] = {"", " *MESH_MTLID 7"};
  const std::string first = "*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 *MESH_MTLID 1\n";
  const std::string last = "*MESH_FACE 2: A: 6 B: 7 C: 8 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 *MESH_MTLID 2\n";
  for (bool shuffled : {false, true}) {
    for (const char* edges : EDGES) {
      for (const char* smoothing : SMOOTHING) {
        for (const char* id : IDS) {
          const std::string middle = shuffled ? std::string("*MESH_FACE 1:") + id + smoothing + edges + " C: 5 A: 3 B: 4"
                                              : std::string("*MESH_FACE 1: A: 3 B: 4 C: 5") + edges + smoothing + id;
          SCOPED_TRACE(middle);
          ScopedTempDir dir;
          AseScene scene;
          ASSERT_TRUE(LoadSceneText(&scene, WithHeader("*GEOMOBJECT { *NODE_NAME \"M\" *MESH { *MESH_NUMFACES 3\n"
                                                       "*MESH_FACE_LIST {\n" + first + middle + "\n" + last +
                                                       "} } }")));
          const GeomObject& mesh = *scene.geom_objects;
          ASSERT_EQ(mesh.face_count, 3u);
          EXPECT_EQ(std::vector<uint16_t>(mesh.faces, mesh.faces + 9), (std::vector<uint16_t>{0, 2, 1, 3, 5, 4, 6, 8, 7}));
          EXPECT_EQ(std::vector<int>(mesh.face_material_ids, mesh.face_material_ids + 3),
                    (std::vector<int>{1, id[0] != '\0' ? 7 : 0, 2}));
        }
      }
    }
  }
}

TEST(SceneLoad, OpeningAndHeaderDecideTheLoadedFlag) {
  ScopedTempDir dir;
  // No file at all, an empty file, another first token, the header with a digit glued on.
  const struct { const char* text; bool result; uint8_t loaded; } cases[] = {
      {nullptr, false, 0}, {"", false, 1}, {"*GEOMOBJECT { *NODE_NAME \"Box\" }", false, 1},
      {"*3DSMAX_ASCIIEXPORT2 *GEOMOBJECT { *NODE_NAME \"Box\" }", true, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text != nullptr ? c.text : "no file");
    std::remove("test.txt");
    AseScene scene;
    EXPECT_EQ(c.text != nullptr ? LoadSceneText(&scene, c.text) : LoadScene(&scene, "none.ase"), c.result);
    EXPECT_EQ(scene.loaded, c.loaded);
    // Whatever did not pass the header check read nothing and wrote no report.
    EXPECT_EQ(FileExists("test.txt"), c.result);
    EXPECT_TRUE(c.result || scene.geom_objects == nullptr);
  }
  AseScene scene;
  EXPECT_FALSE(LoadScene(&scene, ""));
  EXPECT_FALSE(LoadScene(&scene, nullptr));
  // A folder opens like a file but has no size to read.
  ASSERT_EQ(mkdir("folder.ase", 0700), 0);
  EXPECT_FALSE(LoadScene(&scene, "folder.ase"));
  EXPECT_EQ(scene.loaded, 0);
  // A report that cannot be created does not stop the load, and a long path is cut to its field.
  std::remove("test.txt");
  ASSERT_EQ(mkdir("test.txt", 0700), 0);
  const std::string folder = dir.path() + "/" + std::string(150, 'f');
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string path = folder + "/scene.ase";
  WriteTextFile(path, WithHeader("*GEOMOBJECT { *NODE_NAME \"Box\" }"));
  ASSERT_TRUE(LoadScene(&scene, path.c_str()));
  EXPECT_EQ(scene.geom_object_count, 1);
  EXPECT_EQ(std::string(scene.file_path), path.substr(0, NAME_SIZE - 1));
}

}  // namespace
