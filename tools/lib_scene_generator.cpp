#include "tools/lib_scene_generator.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <initializer_list>

namespace {

// Beyond what one draw takes many times over, and still a text the generator holds in memory.
constexpr uint32_t MAX_MESH_FACES = 1u << 22;
constexpr uint32_t MAX_TABLE_ENTRIES = 255;
constexpr float OBJECT_SPACING = 120.0f;
constexpr float GRID_STEP = 2.0f;
constexpr uint32_t TICKS_PER_FRAME = 160;

// xorshift32: the same sequence on every machine, unlike the standard library's engines' distributions.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) {
    if (state_ == 0) state_ = 1;
  }
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // In [0, 1] on a grid of 1/1000, so that the printed digits never depend on float rounding.
  float Unit() { return static_cast<float>(Next() % 1001) / 1000.0f; }

 private:
  uint32_t state_;
};

class SceneText {
 public:
  explicit SceneText(std::string* out) : out_(out) {}

  // One line at the given tab depth.
  void Line(int depth, const char* format, ...) __attribute__((format(printf, 3, 4))) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    out_->append(static_cast<size_t>(depth), '\t');
    out_->append(buffer, static_cast<size_t>(std::clamp(length, 0, static_cast<int>(sizeof(buffer)) - 1)));
    out_->push_back('\n');
  }

 private:
  std::string* out_;
};

SceneGeneratorOptions Clamped(SceneGeneratorOptions options) {
  options.faces_per_object = std::min(options.faces_per_object, MAX_MESH_FACES);
  options.material_count = std::min(options.material_count, MAX_TABLE_ENTRIES);
  options.submaterial_count = std::min(options.submaterial_count, MAX_TABLE_ENTRIES);
  return options;
}

bool IsMultiMaterial(const SceneGeneratorOptions& options, uint32_t index) {
  return options.submaterial_count != 0 && index % 2 == 1;
}

// A block whose lines never vary, one per entry.
void WriteFixedBlock(SceneText& text, int depth, const char* head, std::initializer_list<const char*> lines) {
  text.Line(depth, "%s {", head);
  for (const char* line : lines) text.Line(depth + 1, "%s", line);
  text.Line(depth, "}");
}

void WriteNodeTm(SceneText& text, int depth, const char* name, float x, float y, float z) {
  text.Line(depth, "*NODE_TM {");
  text.Line(depth + 1, "*NODE_NAME \"%s\"", name);
  text.Line(depth + 1, "*INHERIT_POS 0 0 0");
  text.Line(depth + 1, "*INHERIT_ROT 0 0 0");
  text.Line(depth + 1, "*INHERIT_SCL 0 0 0");
  text.Line(depth + 1, "*TM_ROW0 1.0000\t0.0000\t0.0000");
  text.Line(depth + 1, "*TM_ROW1 0.0000\t1.0000\t0.0000");
  text.Line(depth + 1, "*TM_ROW2 0.0000\t0.0000\t1.0000");
  text.Line(depth + 1, "*TM_ROW3 %.4f\t%.4f\t%.4f", x, y, z);
  text.Line(depth + 1, "*TM_POS %.4f\t%.4f\t%.4f", x, y, z);
  text.Line(depth + 1, "*TM_ROTAXIS 0.0000\t0.0000\t0.0000");
  text.Line(depth + 1, "*TM_ROTANGLE 0.0000");
  text.Line(depth + 1, "*TM_SCALE 1.0000\t1.0000\t1.0000");
  text.Line(depth + 1, "*TM_SCALEAXIS 0.0000\t0.0000\t0.0000");
  text.Line(depth + 1, "*TM_SCALEAXISANG 0.0000");
  text.Line(depth, "}");
}

void WriteAnimation(SceneText& text, const SceneGeneratorOptions& options, const char* name, float x, float y,
                    float z) {
  if (options.animation_keys == 0) return;
  text.Line(1, "*TM_ANIMATION {");
  text.Line(2, "*NODE_NAME \"%s\"", name);
  text.Line(2, "*CONTROL_POS_TRACK {");
  for (uint32_t k = 0; k < options.animation_keys; ++k) {
    text.Line(3, "*CONTROL_POS_SAMPLE %u\t%.4f\t%.4f\t%.4f", k * TICKS_PER_FRAME, x + 0.5f * static_cast<float>(k),
              y, z);
  }
  text.Line(2, "}");
  text.Line(2, "*CONTROL_ROT_TRACK {");
  for (uint32_t k = 0; k < options.animation_keys; ++k) {
    text.Line(3, "*CONTROL_ROT_SAMPLE %u\t0.0000\t0.0000\t1.0000\t0.0100", k * TICKS_PER_FRAME);
  }
  text.Line(2, "}");
  text.Line(1, "}");
}

void WriteMaterialColours(SceneText& text, int depth, Random& random) {
  text.Line(depth, "*MATERIAL_AMBIENT %.4f\t%.4f\t%.4f", random.Unit(), random.Unit(), random.Unit());
  text.Line(depth, "*MATERIAL_DIFFUSE %.4f\t%.4f\t%.4f", random.Unit(), random.Unit(), random.Unit());
  text.Line(depth, "*MATERIAL_SPECULAR %.4f\t%.4f\t%.4f", random.Unit(), random.Unit(), random.Unit());
  text.Line(depth, "*MATERIAL_SHINE 0.1000");
}

void WriteBitmap(SceneText& text, int depth, const char* name) {
  text.Line(depth, "*MAP_DIFFUSE {");
  text.Line(depth + 1, "*MAP_NAME \"Map %s\"", name);
  text.Line(depth + 1, "*MAP_CLASS \"Bitmap\"");
  text.Line(depth + 1, "*MAP_AMOUNT 1.0000");
  text.Line(depth + 1, "*BITMAP \"maps\\%s.tga\"", name);
  text.Line(depth + 1, "*BITMAP_FILTER Pyramidal");
  text.Line(depth, "}");
}

void WriteMaterialList(SceneText& text, const SceneGeneratorOptions& options, Random& random) {
  if (options.material_count == 0) return;
  text.Line(0, "*MATERIAL_LIST {");
  text.Line(1, "*MATERIAL_COUNT %u", options.material_count);
  for (uint32_t m = 0; m < options.material_count; ++m) {
    char name[32];
    std::snprintf(name, sizeof(name), "mat%03u", m);
    text.Line(1, "*MATERIAL %u {", m);
    text.Line(2, "*MATERIAL_NAME \"%s\"", name);
    const bool multi = IsMultiMaterial(options, m);
    text.Line(2, "*MATERIAL_CLASS \"%s\"", multi ? "Multi/Sub-Object" : "Standard");
    WriteMaterialColours(text, 2, random);
    if (!multi) {
      WriteBitmap(text, 2, name);
    } else {
      text.Line(2, "*NUMSUBMTLS %u", options.submaterial_count);
      for (uint32_t s = 0; s < options.submaterial_count; ++s) {
        char sub_name[48];
        std::snprintf(sub_name, sizeof(sub_name), "%s_sub%03u", name, s);
        text.Line(2, "*SUBMATERIAL %u {", s);
        text.Line(3, "*MATERIAL_NAME \"%s\"", sub_name);
        text.Line(3, "*MATERIAL_CLASS \"Standard\"");
        WriteMaterialColours(text, 3, random);
        WriteBitmap(text, 3, sub_name);
        text.Line(2, "}");
      }
    }
    text.Line(1, "}");
  }
  text.Line(0, "}");
}

// A height field of cols x rows quads, cut to the requested face count; every quad is two triangles.
void WriteMesh(SceneText& text, const SceneGeneratorOptions& options, uint32_t object, float origin_x,
               float origin_y, Random& random) {
  const uint32_t faces = options.faces_per_object;
  const uint32_t quads = (faces + 1) / 2;
  uint32_t cols = 1;
  while (cols * cols < quads) ++cols;
  const uint32_t rows = std::max(1u, (quads + cols - 1) / cols);
  const uint32_t vertices = (cols + 1) * (rows + 1);
  const uint32_t material = options.material_count != 0 ? object % options.material_count : 0;
  const uint32_t ids = IsMultiMaterial(options, material) ? options.submaterial_count : 1;

  text.Line(1, "*MESH {");
  text.Line(2, "*TIMEVALUE 0");
  text.Line(2, "*MESH_NUMVERTEX %u", vertices);
  text.Line(2, "*MESH_NUMFACES %u", faces);
  text.Line(2, "*MESH_VERTEX_LIST {");
  for (uint32_t j = 0, v = 0; j <= rows; ++j) {
    for (uint32_t i = 0; i <= cols; ++i, ++v) {
      text.Line(3, "*MESH_VERTEX %5u\t%.4f\t%.4f\t%.4f", v, origin_x + GRID_STEP * static_cast<float>(i),
                origin_y + GRID_STEP * static_cast<float>(j), 4.0f * random.Unit());
    }
  }
  text.Line(2, "}");
  // Corners of triangle f: the quad's lower-left, lower-right and upper-right, or lower-left,
  // upper-right and upper-left.
  auto corners = [cols](uint32_t f, uint32_t out[3]) {
    const uint32_t quad = f / 2;
    const uint32_t v00 = (quad / cols) * (cols + 1) + quad % cols;
    const uint32_t v10 = v00 + 1, v01 = v00 + cols + 1, v11 = v01 + 1;
    out[0] = v00;
    out[1] = f % 2 == 0 ? v10 : v11;
    out[2] = f % 2 == 0 ? v11 : v01;
  };
  text.Line(2, "*MESH_FACE_LIST {");
  for (uint32_t f = 0; f < faces; ++f) {
    uint32_t c[3];
    corners(f, c);
    text.Line(3, "*MESH_FACE %5u:    A: %5u B: %5u C: %5u AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1 \t*MESH_MTLID %u",
              f, c[0], c[1], c[2], f % ids);
  }
  text.Line(2, "}");
  text.Line(2, "*MESH_NUMTVERTEX %u", vertices);
  text.Line(2, "*MESH_TVERTLIST {");
  for (uint32_t j = 0, v = 0; j <= rows; ++j) {
    for (uint32_t i = 0; i <= cols; ++i, ++v) {
      text.Line(3, "*MESH_TVERT %u\t%.4f\t%.4f\t0.0000", v, static_cast<float>(i) / static_cast<float>(cols),
                static_cast<float>(j) / static_cast<float>(rows));
    }
  }
  text.Line(2, "}");
  text.Line(2, "*MESH_NUMTVFACES %u", faces);
  text.Line(2, "*MESH_TFACELIST {");
  for (uint32_t f = 0; f < faces; ++f) {
    uint32_t c[3];
    corners(f, c);
    text.Line(3, "*MESH_TFACE %u\t%u\t%u\t%u", f, c[0], c[1], c[2]);
  }
  text.Line(2, "}");
  text.Line(2, "*MESH_NUMCVERTEX 0");
  text.Line(2, "*MESH_NORMALS {");
  for (uint32_t f = 0; f < faces; ++f) {
    uint32_t c[3];
    corners(f, c);
    text.Line(3, "*MESH_FACENORMAL %u\t0.0000\t0.0000\t1.0000", f);
    for (uint32_t corner : c) text.Line(4, "*MESH_VERTEXNORMAL %u\t0.0000\t0.0000\t1.0000", corner);
  }
  text.Line(2, "}");
  text.Line(1, "}");
}

void WriteGeomObject(SceneText& text, const SceneGeneratorOptions& options, uint32_t object, uint32_t grid_side,
                     Random& random) {
  char name[32];
  std::snprintf(name, sizeof(name), "Object%05u", object);
  const float x = OBJECT_SPACING * static_cast<float>(object % grid_side);
  const float y = OBJECT_SPACING * static_cast<float>(object / grid_side);
  text.Line(0, "*GEOMOBJECT {");
  text.Line(1, "*NODE_NAME \"%s\"", name);
  if (options.parent_chain > 1 && object % options.parent_chain != 0) {
    text.Line(1, "*NODE_PARENT \"Object%05u\"", object - 1);
  }
  WriteNodeTm(text, 1, name, x, y, 0.0f);
  WriteMesh(text, options, object, x, y, random);
  text.Line(1, "*PROP_MOTIONBLUR 0");
  text.Line(1, "*PROP_CASTSHADOW 1");
  text.Line(1, "*PROP_RECVSHADOW 1");
  WriteAnimation(text, options, name, x, y, 0.0f);
  if (options.material_count != 0) text.Line(1, "*MATERIAL_REF %u", object % options.material_count);
  text.Line(0, "}");
}

void WriteLight(SceneText& text, const SceneGeneratorOptions& options, uint32_t light, float extent) {
  char name[32];
  std::snprintf(name, sizeof(name), "Light%03u", light);
  const float x = extent * static_cast<float>(light + 1) / static_cast<float>(options.light_count + 1);
  const bool target = light != 0;
  text.Line(0, "*LIGHTOBJECT {");
  text.Line(1, "*NODE_NAME \"%s\"", name);
  text.Line(1, "*LIGHT_TYPE %s", target ? "Target" : "Omni");
  WriteNodeTm(text, 1, name, x, extent * 0.5f, 150.0f);
  if (target) {
    char target_name[48];
    std::snprintf(target_name, sizeof(target_name), "%s.Target", name);
    WriteNodeTm(text, 1, target_name, x, extent * 0.5f, 0.0f);
  }
  text.Line(1, "*LIGHT_SHADOWS Off");
  text.Line(1, "*LIGHT_USELIGHT 1");
  WriteFixedBlock(text, 1, "*LIGHT_SETTINGS",
                  {"*TIMEVALUE 0", "*LIGHT_COLOR 1.0000\t1.0000\t1.0000", "*LIGHT_INTENS 1.0000", "*LIGHT_ASPECT -1.0000"});
  WriteAnimation(text, options, name, x, extent * 0.5f, 150.0f);
  text.Line(0, "}");
}

void WriteCamera(SceneText& text, uint32_t camera, float extent) {
  char name[32];
  std::snprintf(name, sizeof(name), "Camera%03u", camera);
  char target_name[48];
  std::snprintf(target_name, sizeof(target_name), "%s.Target", name);
  text.Line(0, "*CAMERAOBJECT {");
  text.Line(1, "*NODE_NAME \"%s\"", name);
  text.Line(1, "*CAMERA_TYPE Target");
  WriteNodeTm(text, 1, name, extent * 0.5f, -extent - 50.0f * static_cast<float>(camera), 100.0f);
  WriteNodeTm(text, 1, target_name, extent * 0.5f, extent * 0.5f, 0.0f);
  WriteFixedBlock(text, 1, "*CAMERA_SETTINGS",
                  {"*TIMEVALUE 0", "*CAMERA_NEAR 1.0000", "*CAMERA_FAR 10000.0000", "*CAMERA_FOV 0.7854",
                   "*CAMERA_TDIST 200.0000"});
  text.Line(0, "}");
}

}  // namespace

std::string GenerateSceneText(const SceneGeneratorOptions& requested) {
  const SceneGeneratorOptions options = Clamped(requested);
  std::string out;
  SceneText text(&out);
  Random random(options.seed);
  uint32_t grid_side = 1;
  while (grid_side * grid_side < options.object_count) ++grid_side;
  const float extent = OBJECT_SPACING * static_cast<float>(grid_side);

  text.Line(0, "*3DSMAX_ASCIIEXPORT\t200");
  text.Line(0, "*COMMENT \"generated scene, seed %u\"", options.seed);
  text.Line(0, "*SCENE {");
  text.Line(1, "*SCENE_FILENAME \"generated.max\"");
  text.Line(1, "*SCENE_FIRSTFRAME 0");
  text.Line(1, "*SCENE_LASTFRAME %u", options.animation_keys != 0 ? options.animation_keys - 1 : 100);
  text.Line(1, "*SCENE_FRAMESPEED 30");
  text.Line(1, "*SCENE_TICKSPERFRAME %u", TICKS_PER_FRAME);
  text.Line(1, "*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000");
  text.Line(1, "*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000");
  text.Line(0, "}");
  WriteMaterialList(text, options, random);
  for (uint32_t object = 0; object < options.object_count; ++object) {
    WriteGeomObject(text, options, object, grid_side, random);
  }
  for (uint32_t light = 0; light < options.light_count; ++light) WriteLight(text, options, light, extent);
  for (uint32_t camera = 0; camera < options.camera_count; ++camera) WriteCamera(text, camera, extent);
  return out;
}

bool WriteGeneratedScene(const SceneGeneratorOptions& options, const std::string& path) {
  const std::string text = GenerateSceneText(options);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

SceneGeneratorOptions OptionsForSize(size_t target_bytes, SceneGeneratorOptions options) {
  // Objects differ only in digits, so the size grows by almost the same amount per object.
  options.object_count = 1;
  const size_t one = GenerateSceneText(options).size();
  options.object_count = 2;
  const size_t per_object = std::max<size_t>(1, GenerateSceneText(options).size() - one);
  const size_t fixed = one > per_object ? one - per_object : 0;
  const size_t count = target_bytes > fixed ? (target_bytes - fixed + per_object / 2) / per_object : 1;
  options.object_count = static_cast<uint32_t>(std::clamp<size_t>(count, 1, UINT32_MAX));
  return options;
}
