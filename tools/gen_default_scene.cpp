// Writes the default scene into a folder (assets/ unless one is given): "light.ase", its skin side file
// "light.txt" and the bitmaps its materials name. The scene is a room open towards a target camera, a
// pedestal/column/cap chain, a banner skinned to the chain and an omni light that flies through the
// room for 300 frames. Everything is computed from integers and fixed formats, so every run writes the
// same bytes. Exits 2 on a usage error, 1 when a file cannot be written.
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int LAST_FRAME = 300;
constexpr int TICKS_PER_FRAME = 160;
constexpr int KEY_EVERY_FRAMES = 10;
constexpr int TEXTURE_SIZE = 64;
constexpr double PI = 3.14159265358979323846;

struct Vec3 {
  double x, y, z;
};

Vec3 Add(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Scale(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 Normalise(Vec3 a) {
  const double length = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
  return length > 0.0 ? Scale(a, 1.0 / length) : a;
}

struct Face {
  int a, b, c, material_id;
};

// A mesh in the file's own z-up, right-handed frame; faces wind counter-clockwise seen from the front,
// as the exporter writes them.
struct Mesh {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
  std::vector<double> us, vs;
  std::vector<Face> faces;

  // A rectangle from origin along edge_u and edge_v (front side is edge_u x edge_v), cut into
  // cells_u x cells_v quads; the texture repeats `repeat` times across it.
  // The texture repeats repeat_u times along edge_u and repeat_v times along edge_v.
  void AddQuad(Vec3 origin, Vec3 edge_u, Vec3 edge_v, int cells_u, int cells_v, double repeat_u, double repeat_v,
               int material_id) {
    const Vec3 normal = Normalise(Cross(edge_u, edge_v));
    const int first = static_cast<int>(positions.size());
    for (int j = 0; j <= cells_v; ++j) {
      for (int i = 0; i <= cells_u; ++i) {
        const double s = static_cast<double>(i) / cells_u;
        const double t = static_cast<double>(j) / cells_v;
        positions.push_back(Add(origin, Add(Scale(edge_u, s), Scale(edge_v, t))));
        normals.push_back(normal);
        us.push_back(s * repeat_u);
        vs.push_back(t * repeat_v);
      }
    }
    const int row = cells_u + 1;
    for (int j = 0; j < cells_v; ++j) {
      for (int i = 0; i < cells_u; ++i) {
        const int v00 = first + j * row + i;
        const int v10 = v00 + 1;
        const int v01 = v00 + row;
        const int v11 = v01 + 1;
        faces.push_back({v00, v10, v11, material_id});
        faces.push_back({v00, v11, v01, material_id});
      }
    }
  }

  // An axis-aligned box standing on its base centre, all six sides facing out.
  void AddBox(Vec3 base, double width, double depth, double height, int material_id) {
    const double x0 = base.x - width / 2, x1 = base.x + width / 2;
    const double y0 = base.y - depth / 2, y1 = base.y + depth / 2;
    const double z0 = base.z, z1 = base.z + height;
    AddQuad({x0, y0, z1}, {width, 0, 0}, {0, depth, 0}, 1, 1, 1.0, 1.0, material_id);    // top
    AddQuad({x0, y1, z0}, {width, 0, 0}, {0, -depth, 0}, 1, 1, 1.0, 1.0, material_id);   // bottom
    AddQuad({x1, y0, z0}, {0, depth, 0}, {0, 0, height}, 1, 2, 1.0, 1.0, material_id);   // +x
    AddQuad({x0, y1, z0}, {0, -depth, 0}, {0, 0, height}, 1, 2, 1.0, 1.0, material_id);  // -x
    AddQuad({x0, y0, z0}, {width, 0, 0}, {0, 0, height}, 1, 2, 1.0, 1.0, material_id);   // -y
    AddQuad({x1, y1, z0}, {-width, 0, 0}, {0, 0, height}, 1, 2, 1.0, 1.0, material_id);  // +y
  }
};

class Writer {
 public:
  void Line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    text_ += std::string(static_cast<size_t>(depth_), '\t');
    text_ += line;
    text_ += '\n';
  }
  void Open(const char* head) {
    Line("%s {", head);
    ++depth_;
  }
  void Close() {
    --depth_;
    Line("}");
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  int depth_ = 0;
};

void WriteNodeTm(Writer& out, const char* name, Vec3 pos) {
  out.Open("*NODE_TM");
  out.Line("*NODE_NAME \"%s\"", name);
  out.Line("*INHERIT_POS 0 0 0");
  out.Line("*INHERIT_ROT 0 0 0");
  out.Line("*INHERIT_SCL 0 0 0");
  out.Line("*TM_ROW0 1.0000 0.0000 0.0000");
  out.Line("*TM_ROW1 0.0000 1.0000 0.0000");
  out.Line("*TM_ROW2 0.0000 0.0000 1.0000");
  out.Line("*TM_ROW3 %.4f %.4f %.4f", pos.x, pos.y, pos.z);
  out.Line("*TM_POS %.4f %.4f %.4f", pos.x, pos.y, pos.z);
  out.Line("*TM_ROTAXIS 0.0000 0.0000 0.0000");
  out.Line("*TM_ROTANGLE 0.0000");
  out.Line("*TM_SCALE 1.0000 1.0000 1.0000");
  out.Line("*TM_SCALEAXIS 0.0000 0.0000 0.0000");
  out.Line("*TM_SCALEAXISANG 0.0000");
  out.Close();
}

void WriteMesh(Writer& out, const Mesh& mesh) {
  out.Open("*MESH");
  out.Line("*TIMEVALUE 0");
  out.Line("*MESH_NUMVERTEX %zu", mesh.positions.size());
  out.Line("*MESH_NUMFACES %zu", mesh.faces.size());
  out.Open("*MESH_VERTEX_LIST");
  for (size_t i = 0; i < mesh.positions.size(); ++i) {
    const Vec3& p = mesh.positions[i];
    out.Line("*MESH_VERTEX %5zu\t%.4f\t%.4f\t%.4f", i, p.x, p.y, p.z);
  }
  out.Close();
  out.Open("*MESH_FACE_LIST");
  for (size_t i = 0; i < mesh.faces.size(); ++i) {
    const Face& f = mesh.faces[i];
    out.Line("*MESH_FACE %5zu:    A: %5d B: %5d C: %5d AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1 \t*MESH_MTLID %d",
             i, f.a, f.b, f.c, f.material_id);
  }
  out.Close();
  out.Line("*MESH_NUMTVERTEX %zu", mesh.us.size());
  out.Open("*MESH_TVERTLIST");
  for (size_t i = 0; i < mesh.us.size(); ++i) out.Line("*MESH_TVERT %5zu\t%.4f\t%.4f\t0.0000", i, mesh.us[i], mesh.vs[i]);
  out.Close();
  // Texture faces follow the geometric faces one to one, so no vertex needs splitting.
  out.Line("*MESH_NUMTVFACES %zu", mesh.faces.size());
  out.Open("*MESH_TFACELIST");
  for (size_t i = 0; i < mesh.faces.size(); ++i) {
    const Face& f = mesh.faces[i];
    out.Line("*MESH_TFACE %5zu\t%d\t%d\t%d", i, f.a, f.b, f.c);
  }
  out.Close();
  out.Open("*MESH_NORMALS");
  for (size_t i = 0; i < mesh.faces.size(); ++i) {
    const Face& f = mesh.faces[i];
    const Vec3& n = mesh.normals[static_cast<size_t>(f.a)];
    out.Line("*MESH_FACENORMAL %zu\t%.4f\t%.4f\t%.4f", i, n.x, n.y, n.z);
    for (int corner : {f.a, f.b, f.c}) {
      const Vec3& m = mesh.normals[static_cast<size_t>(corner)];
      out.Line("\t*MESH_VERTEXNORMAL %d\t%.4f\t%.4f\t%.4f", corner, m.x, m.y, m.z);
    }
  }
  out.Close();
  out.Close();
}

void WriteGeomObject(Writer& out, const char* name, const char* parent, Vec3 pivot, const Mesh& mesh, int material_ref) {
  out.Open("*GEOMOBJECT");
  out.Line("*NODE_NAME \"%s\"", name);
  if (parent != nullptr) out.Line("*NODE_PARENT \"%s\"", parent);
  WriteNodeTm(out, name, pivot);
  WriteMesh(out, mesh);
  out.Line("*PROP_MOTIONBLUR 0");
  out.Line("*PROP_CASTSHADOW 1");
  out.Line("*PROP_RECVSHADOW 1");
  out.Line("*MATERIAL_REF %d", material_ref);
  out.Close();
}

void WriteColours(Writer& out, double r, double g, double b) {
  out.Line("*MATERIAL_AMBIENT %.4f %.4f %.4f", r * 0.3, g * 0.3, b * 0.3);
  out.Line("*MATERIAL_DIFFUSE %.4f %.4f %.4f", r, g, b);
  out.Line("*MATERIAL_SPECULAR 0.9000 0.9000 0.9000");
  out.Line("*MATERIAL_SHINE 0.1000");
  out.Line("*MATERIAL_TRANSPARENCY 0.0000");
}

void WriteDiffuseMap(Writer& out, const char* bitmap) {
  out.Open("*MAP_DIFFUSE");
  out.Line("*MAP_NAME \"Map #%s\"", bitmap);
  out.Line("*MAP_CLASS \"Bitmap\"");
  out.Line("*MAP_SUBNO 1");
  out.Line("*MAP_AMOUNT 1.0000");
  out.Line("*BITMAP \"%s\"", bitmap);
  out.Line("*MAP_TYPE Screen");
  out.Line("*UVW_U_OFFSET 0.0000");
  out.Line("*UVW_V_OFFSET 0.0000");
  out.Line("*UVW_U_TILING 1.0000");
  out.Line("*UVW_V_TILING 1.0000");
  out.Line("*BITMAP_FILTER Pyramidal");
  out.Close();
}

void WriteMaterial(Writer& out, const char* head, const char* name, double r, double g, double b, const char* bitmap) {
  out.Open(head);
  out.Line("*MATERIAL_NAME \"%s\"", name);
  out.Line("*MATERIAL_CLASS \"Standard\"");
  WriteColours(out, r, g, b);
  if (bitmap != nullptr) WriteDiffuseMap(out, bitmap);
  out.Close();
}

void WriteMaterials(Writer& out) {
  out.Open("*MATERIAL_LIST");
  out.Line("*MATERIAL_COUNT 3");
  out.Open("*MATERIAL 0");
  out.Line("*MATERIAL_NAME \"Room\"");
  out.Line("*MATERIAL_CLASS \"Multi/Sub-Object\"");
  WriteColours(out, 0.8, 0.8, 0.8);
  out.Line("*NUMSUBMTLS 3");
  WriteMaterial(out, "*SUBMATERIAL 0", "Floor", 0.9, 0.85, 0.75, "C:\\3dsmax\\maps\\floor.tif");
  WriteMaterial(out, "*SUBMATERIAL 1", "Bricks", 0.95, 0.9, 0.85, "wall.tga");
  WriteMaterial(out, "*SUBMATERIAL 2", "Panels", 0.85, 0.9, 0.95, "maps\\panel.tif");
  out.Close();
  WriteMaterial(out, "*MATERIAL 1", "Stone", 0.9, 0.9, 0.9, "stone.tga");
  WriteMaterial(out, "*MATERIAL 2", "Cloth", 0.9, 0.3, 0.25, nullptr);
  out.Close();
}

void WriteCamera(Writer& out, Vec3 eye, Vec3 target) {
  out.Open("*CAMERAOBJECT");
  out.Line("*NODE_NAME \"Camera01\"");
  out.Line("*CAMERA_TYPE Target");
  WriteNodeTm(out, "Camera01", eye);
  WriteNodeTm(out, "Camera01.Target", target);
  out.Open("*CAMERA_SETTINGS");
  out.Line("*TIMEVALUE 0");
  out.Line("*CAMERA_NEAR 1.0000");
  out.Line("*CAMERA_FAR 1000.0000");
  out.Line("*CAMERA_FOV 0.7854");
  out.Line("*CAMERA_TDIST %.4f", 50.0);
  out.Close();
  out.Close();
}

// The light's path: a loop around the chain that sweeps close to each wall and rises and sinks, so
// the falloff on the floor and walls visibly travels. Exact at every key frame, closed at the end.
Vec3 LightPosition(int frame) {
  const double turn = 2.0 * PI * frame / LAST_FRAME;
  return {-2.0 + 13.0 * std::cos(turn), 12.0 * std::sin(turn), 7.0 + 4.0 * std::sin(2.0 * turn)};
}

void WriteLight(Writer& out) {
  out.Open("*LIGHTOBJECT");
  out.Line("*NODE_NAME \"Omni01\"");
  out.Line("*LIGHT_TYPE Omni");
  WriteNodeTm(out, "Omni01", LightPosition(0));
  out.Line("*LIGHT_SHADOWS Off");
  out.Line("*LIGHT_USELIGHT 1");
  out.Line("*LIGHT_SPOTSHAPE Circle");
  out.Line("*LIGHT_USEGLOBAL 0");
  out.Line("*LIGHT_ABSMAPBIAS 0");
  out.Line("*LIGHT_OVERSHOOT 0");
  out.Open("*LIGHT_SETTINGS");
  out.Line("*TIMEVALUE 0");
  out.Line("*LIGHT_COLOR 1.0000 1.0000 1.0000");
  out.Line("*LIGHT_INTENS 1.0000");
  out.Line("*LIGHT_ASPECT -1.0000");
  out.Line("*LIGHT_TDIST -1.0000");
  out.Line("*LIGHT_MAPBIAS 1.0000");
  out.Line("*LIGHT_MAPRANGE 4.0000");
  out.Line("*LIGHT_MAPSIZE 512");
  out.Line("*LIGHT_RAYBIAS 0.0000");
  out.Close();
  out.Open("*TM_ANIMATION");
  out.Line("*NODE_NAME \"Omni01\"");
  out.Open("*CONTROL_POS_TRACK");
  for (int frame = 0; frame <= LAST_FRAME; frame += KEY_EVERY_FRAMES) {
    const Vec3 p = LightPosition(frame);
    out.Line("*CONTROL_POS_SAMPLE %d\t%.4f\t%.4f\t%.4f", frame * TICKS_PER_FRAME, p.x, p.y, p.z);
  }
  out.Close();
  // Relative steps about the vertical axis: the light turns once around itself over the loop.
  out.Open("*CONTROL_ROT_TRACK");
  const double step_rad = 2.0 * PI * KEY_EVERY_FRAMES / LAST_FRAME;
  for (int frame = 0; frame <= LAST_FRAME; frame += KEY_EVERY_FRAMES) {
    out.Line("*CONTROL_ROT_SAMPLE %d\t0.0000\t0.0000\t1.0000\t%.4f", frame * TICKS_PER_FRAME, frame == 0 ? 0.0 : step_rad);
  }
  out.Close();
  out.Close();
  out.Close();
}

constexpr Vec3 PEDESTAL_BASE = {-8.0, -6.0, 0.0};
constexpr Vec3 COLUMN_BASE = {-8.0, -6.0, 3.0};
constexpr Vec3 CAP_BASE = {-8.0, -6.0, 11.0};
constexpr double BANNER_X = -5.8;

std::string SceneText() {
  Writer out;
  out.Line("*3DSMAX_ASCIIEXPORT\t200");
  out.Line("*COMMENT \"AsciiExport Version  2.00 - generated default scene\"");
  out.Open("*SCENE");
  out.Line("*SCENE_FILENAME \"light.max\"");
  out.Line("*SCENE_FIRSTFRAME 0");
  out.Line("*SCENE_LASTFRAME %d", LAST_FRAME);
  out.Line("*SCENE_FRAMESPEED 30");
  out.Line("*SCENE_TICKSPERFRAME %d", TICKS_PER_FRAME);
  out.Line("*SCENE_BACKGROUND_STATIC 0.0000 0.0000 0.0000");
  out.Line("*SCENE_AMBIENT_STATIC 0.1000 0.1000 0.1000");
  out.Close();
  WriteMaterials(out);

  // The room: floor, back wall and two side walls, open towards +x where the camera stands. Large
  // faces on purpose: each triangle gets one 8 x 8 lightmap tile, so few big cells show the falloff.
  // The floor runs on past the walls to under the camera, so that the bottom of the view is floor.
  Mesh room;
  room.AddQuad({-20, -20, 0}, {50, 0, 0}, {0, 40, 0}, 5, 4, 5.0, 4.0, 0);  // floor, up
  room.AddQuad({-20, -20, 0}, {0, 40, 0}, {0, 0, 18}, 4, 2, 3.0, 3.0, 1);  // back wall, facing +x
  room.AddQuad({20, -20, 0}, {-40, 0, 0}, {0, 0, 18}, 4, 2, 2.0, 2.0, 2);  // wall at -y, facing +y
  room.AddQuad({-20, 20, 0}, {40, 0, 0}, {0, 0, 18}, 4, 2, 2.0, 2.0, 2);   // wall at +y, facing -y
  WriteGeomObject(out, "Room", nullptr, {0, 0, 0}, room, 0);

  Mesh pedestal, column, cap, crate;
  pedestal.AddBox(PEDESTAL_BASE, 5, 5, 3, 0);
  column.AddBox(COLUMN_BASE, 2, 2, 8, 0);
  cap.AddBox(CAP_BASE, 4, 4, 1.5, 0);
  crate.AddBox({4, 9, 0}, 5, 5, 5, 0);
  WriteGeomObject(out, "Pedestal", nullptr, PEDESTAL_BASE, pedestal, 1);
  WriteGeomObject(out, "Column", "Pedestal", COLUMN_BASE, column, 1);
  WriteGeomObject(out, "Cap", "Column", CAP_BASE, cap, 1);
  WriteGeomObject(out, "Crate", nullptr, {4, 9, 0}, crate, 1);

  // The banner hangs from the cap in front of the column, facing the camera: two columns of four vertices.
  Mesh banner;
  banner.AddQuad({BANNER_X, -4.5, 10.5}, {0, -3, 0}, {0, 0, -6}, 1, 3, 1.0, 1.0, 0);
  WriteGeomObject(out, "Banner", "Cap", {BANNER_X, -6, 10.5}, banner, 2);

  WriteLight(out);
  WriteCamera(out, {38, 0, 14}, {-2, 0, 7});
  return out.Text();
}

// The banner's top row follows the cap, its bottom row the column, the rows between blend both.
std::string SkinText() {
  std::string text = "*BONE \"Banner\" {\n";
  char line[256];
  for (int vertex = 0; vertex < 8; ++vertex) {
    const int row = vertex / 2;
    if (row == 0 || row == 3) {
      std::snprintf(line, sizeof line, "\tVERTEX %d BONE \"%s\" 1.000000\n", vertex, row == 0 ? "Cap" : "Column");
      text += line;
      continue;
    }
    const double cap_weight = row == 1 ? 0.75 : 0.25;
    text += "\t*BLEND_VERTEX 2 {\n";
    std::snprintf(line, sizeof line, "\t\t*BLEND_BONE %d BONE \"Cap\" %.6f OFFSET 0.0 0.0 0.0\n", vertex, cap_weight);
    text += line;
    std::snprintf(line, sizeof line, "\t\t*BLEND_BONE %d BONE \"Column\" %.6f OFFSET 0.0 0.0 0.0\n", vertex, 1.0 - cap_weight);
    text += line;
    text += "\t}\n";
  }
  text += "}\n";
  return text;
}

// Pictures are kept top row first, four bytes R, G, B, A per pixel.
struct Picture {
  int width = TEXTURE_SIZE;
  int height = TEXTURE_SIZE;
  std::vector<uint8_t> rgba = std::vector<uint8_t>(TEXTURE_SIZE * TEXTURE_SIZE * 4);

  void Set(int x, int y, int r, int g, int b, int a) {
    uint8_t* p = &rgba[static_cast<size_t>((y * width + x) * 4)];
    auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    p[0] = clamp(r);
    p[1] = clamp(g);
    p[2] = clamp(b);
    p[3] = clamp(a);
  }
};

// Small deterministic grain, so flat colours do not look like untextured faces.
int Grain(int x, int y, int amplitude) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<int>((h ^ (h >> 16)) % static_cast<uint32_t>(2 * amplitude + 1)) - amplitude;
}

Picture FloorTiles() {
  Picture picture;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const bool grout = x % 32 < 2 || y % 32 < 2;
      const bool dark = ((x / 32) + (y / 32)) % 2 == 1;
      const int g = Grain(x, y, 10);
      if (grout) picture.Set(x, y, 70 + g, 64 + g, 58 + g, 255);
      else if (dark) picture.Set(x, y, 150 + g, 112 + g, 80 + g, 255);
      else picture.Set(x, y, 215 + g, 190 + g, 150 + g, 255);
    }
  }
  return picture;
}

Picture Bricks() {
  Picture picture;
  for (int y = 0; y < picture.height; ++y) {
    const int course = y / 8;
    for (int x = 0; x < picture.width; ++x) {
      const int shifted = x + (course % 2) * 8;
      const bool mortar = y % 8 == 0 || shifted % 16 == 0;
      const int g = Grain(x, y, 14) + ((shifted / 16 + course) % 3) * 10;
      if (mortar) picture.Set(x, y, 200 + g / 3, 196 + g / 3, 186 + g / 3, 255);
      else picture.Set(x, y, 168 + g, 72 + g / 2, 52 + g / 2, 255);
    }
  }
  return picture;
}

// Panels carry a fourth sample (kept as alpha): opaque in the panel, lower along its frame.
Picture Panels() {
  Picture picture;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const int edge = std::min(std::min(x % 32, 31 - x % 32), std::min(y % 32, 31 - y % 32));
      const int g = Grain(x, y, 6);
      if (edge < 2) picture.Set(x, y, 60 + g, 70 + g, 90 + g, 160);
      else if (edge < 4) picture.Set(x, y, 200 + g, 210 + g, 225 + g, 224);
      else picture.Set(x, y, 120 + g + edge, 150 + g + edge, 185 + g + edge, 255);
    }
  }
  return picture;
}

Picture Stone() {
  Picture picture;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const double vein = std::sin((x + y * 0.5) * 0.25 + std::sin(y * 0.2) * 2.0);
      const int base = 185 + static_cast<int>(vein * 35.0) + Grain(x, y, 8);
      picture.Set(x, y, base, base - 4, base - 12, 255);
    }
  }
  return picture;
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A little-endian, uncompressed RGB(A) TIFF cut into strips of rows_per_strip rows.
std::string TiffBytes(const Picture& picture, bool with_alpha, int rows_per_strip) {
  const int samples = with_alpha ? 4 : 3;
  const uint32_t row_bytes = static_cast<uint32_t>(picture.width * samples);
  const uint32_t strip_count = static_cast<uint32_t>((picture.height + rows_per_strip - 1) / rows_per_strip);
  std::string pixels;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = &picture.rgba[static_cast<size_t>((y * picture.width + x) * 4)];
      pixels.append(reinterpret_cast<const char*>(p), static_cast<size_t>(samples));
    }
  }
  const uint32_t pixels_at = 8;
  const uint32_t bits_at = pixels_at + static_cast<uint32_t>(pixels.size());
  const uint32_t offsets_at = bits_at + 2u * static_cast<uint32_t>(samples);
  const uint32_t counts_at = offsets_at + 4u * strip_count;
  const uint32_t directory_at = counts_at + 4u * strip_count;

  std::string out = "II";
  Put16(out, 42);
  Put32(out, directory_at);
  out += pixels;
  for (int s = 0; s < samples; ++s) Put16(out, 8);
  for (uint32_t s = 0; s < strip_count; ++s) Put32(out, pixels_at + s * row_bytes * static_cast<uint32_t>(rows_per_strip));
  for (uint32_t s = 0; s < strip_count; ++s) {
    const uint32_t rows = std::min<uint32_t>(static_cast<uint32_t>(rows_per_strip), static_cast<uint32_t>(picture.height) - s * static_cast<uint32_t>(rows_per_strip));
    Put32(out, rows * row_bytes);
  }
  struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
  };
  const uint32_t strip_field = strip_count == 1 ? pixels_at : offsets_at;
  const uint32_t count_field = strip_count == 1 ? row_bytes * static_cast<uint32_t>(picture.height) : counts_at;
  std::vector<Entry> entries = {
      {256, 4, 1, static_cast<uint32_t>(picture.width)},
      {257, 4, 1, static_cast<uint32_t>(picture.height)},
      {258, 3, static_cast<uint32_t>(samples), bits_at},
      {259, 3, 1, 1},
      {262, 3, 1, 2},
      {273, 4, strip_count, strip_field},
      {277, 3, 1, static_cast<uint32_t>(samples)},
      {278, 4, 1, static_cast<uint32_t>(rows_per_strip)},
      {279, 4, strip_count, count_field},
      {284, 3, 1, 1},
  };
  if (with_alpha) entries.push_back({338, 3, 1, 2});
  Put16(out, static_cast<uint32_t>(entries.size()));
  for (const Entry& e : entries) {
    Put16(out, e.tag);
    Put16(out, e.type);
    Put32(out, e.count);
    Put32(out, e.value);
  }
  Put32(out, 0);
  return out;
}

// An uncompressed 24-bit TGA with the usual bottom-left origin.
std::string TgaBytes(const Picture& picture) {
  std::string out(18, '\0');
  out[2] = 2;
  out[12] = static_cast<char>(picture.width & 0xFF);
  out[13] = static_cast<char>(picture.width >> 8);
  out[14] = static_cast<char>(picture.height & 0xFF);
  out[15] = static_cast<char>(picture.height >> 8);
  out[16] = 24;
  for (int y = picture.height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = &picture.rgba[static_cast<size_t>((y * picture.width + x) * 4)];
      out += static_cast<char>(p[2]);
      out += static_cast<char>(p[1]);
      out += static_cast<char>(p[0]);
    }
  }
  return out;
}

bool WriteFile(const std::string& folder, const char* name, const std::string& bytes) {
  const std::string path = folder + "/" + name;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "gen_default_scene: cannot write %s\n", path.c_str());
    return false;
  }
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!whole || !closed) std::fprintf(stderr, "gen_default_scene: cannot write %s\n", path.c_str());
  return whole && closed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || argv[1][0] == '-'))) {
    std::fprintf(stderr, "usage: gen_default_scene [FOLDER]   (writes light.ase, light.txt and its bitmaps; default assets)\n");
    return 2;
  }
  const std::string folder = argc == 2 ? argv[1] : "assets";
  // The bitmaps are written under the plain file names: the scene names some of them by Windows
  // paths, which are resolved to the file name in the scene's folder.
  const bool ok = WriteFile(folder, "light.ase", SceneText()) && WriteFile(folder, "light.txt", SkinText()) &&
                  WriteFile(folder, "floor.tif", TiffBytes(FloorTiles(), false, 16)) &&
                  WriteFile(folder, "panel.tif", TiffBytes(Panels(), true, 64)) &&
                  WriteFile(folder, "wall.tga", TgaBytes(Bricks())) && WriteFile(folder, "stone.tga", TgaBytes(Stone()));
  return ok ? 0 : 1;
}
