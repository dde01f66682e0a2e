// The Direct3D 7 device on OpenGL: render, transform, light, material and texture-stage state kept as
// Direct3D documents it and given to GL before a draw when it changed (or when anything else may
// have touched GL since), shader programs that do the fixed-function vertex and two-stage pixel work,
// clears and scenes. Row vectors and depth 0..1 are converted at the shader's end.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "math/math3d.h"
#include "platform/gfx_internal.h"

namespace {

const DWORD RENDER_STATE_COUNT = 256;
const DWORD STAGE_COUNT = 8;     // states are kept for eight stages; two are drawn
const DWORD DRAWN_STAGES = 2;
const DWORD STAGE_STATE_COUNT = 32;
const DWORD MAX_ACTIVE_LIGHTS = 8;
const DWORD MAX_LIGHT_INDEX = 4096;

// Built in three variants, chosen per draw: pretransformed vertices, and transformed ones with and
// without lighting. A software rasterizer pays for a shader's untaken branches on every vertex, so
// each variant holds only what its draws use.
const char* const DEVICE_VERTEX = R"(
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec3 a_normal;
layout(location = 2) in vec4 a_diffuse;
layout(location = 3) in vec4 a_specular;
layout(location = 4) in vec2 a_uv0;
layout(location = 5) in vec2 a_uv1;
uniform mat4 u_world_view_projection;
uniform mat4 u_world;
uniform vec4 u_viewport;  // x, y, width, height in target pixels, y from the top
uniform int u_diffuse_source, u_specular_source, u_ambient_source, u_emissive_source;
uniform vec4 u_material[4];  // diffuse, ambient, specular, emissive
uniform float u_power;
uniform vec4 u_ambient;
uniform int u_light_count;
uniform int u_light_type[8];
uniform vec4 u_light_diffuse[8], u_light_specular[8], u_light_ambient[8];
uniform vec3 u_light_position[8], u_light_direction[8];
uniform vec4 u_light_range_attenuation[8];
uniform int u_specular_enable;
out vec4 v_diffuse;
out vec4 v_specular;
out vec2 v_uv0, v_uv1;

vec4 Source(int source, vec4 material) {
  if (source == 1) return a_diffuse;
  if (source == 2) return a_specular;
  return material;
}

void main() {
  v_uv0 = a_uv0;
  v_uv1 = a_uv1;
#if PRETRANSFORMED
  float w = a_position.w > 0.0 ? 1.0 / a_position.w : 1.0;
  vec2 ndc = vec2((a_position.x - u_viewport.x) / u_viewport.z * 2.0 - 1.0,
                  1.0 - (a_position.y - u_viewport.y) / u_viewport.w * 2.0);
  gl_Position = vec4(ndc * w, (a_position.z * 2.0 - 1.0) * w, w);
  v_diffuse = a_diffuse;
  v_specular = a_specular;
#else
  vec4 clip = u_world_view_projection * vec4(a_position.xyz, 1.0);
  // Direct3D clips depth to 0..w, GL to -w..w.
  gl_Position = vec4(clip.x, clip.y, clip.z * 2.0 - clip.w, clip.w);
#if !LIT
  v_diffuse = a_diffuse;
  v_specular = a_specular;
#else
  vec3 position = (u_world * vec4(a_position.xyz, 1.0)).xyz;
  vec3 normal = normalize(mat3(u_world) * a_normal);
  vec4 diffuse_material = Source(u_diffuse_source, u_material[0]);
  vec4 ambient_material = Source(u_ambient_source, u_material[1]);
  vec4 specular_material = Source(u_specular_source, u_material[2]);
  vec4 emissive_material = Source(u_emissive_source, u_material[3]);
  vec3 diffuse = vec3(0.0), specular = vec3(0.0), ambient = u_ambient.rgb;
  for (int i = 0; i < u_light_count; ++i) {
    vec3 to_light;
    float attenuation = 1.0;
    if (u_light_type[i] == 3) {
      to_light = -normalize(u_light_direction[i]);
    } else {
      vec3 offset = u_light_position[i] - position;
      float distance = length(offset);
      if (distance > u_light_range_attenuation[i].x) continue;
      to_light = distance > 0.0 ? offset / distance : vec3(0.0);
      vec3 a = u_light_range_attenuation[i].yzw;
      float divisor = a.x + a.y * distance + a.z * distance * distance;
      attenuation = divisor > 0.0 ? 1.0 / divisor : 1.0;
    }
    ambient += u_light_ambient[i].rgb * attenuation;
    float lambert = max(dot(normal, to_light), 0.0);
    diffuse += u_light_diffuse[i].rgb * lambert * attenuation;
    if (u_specular_enable != 0 && lambert > 0.0) {
      vec3 halfway = normalize(to_light + vec3(0.0, 0.0, -1.0));
      specular += u_light_specular[i].rgb * pow(max(dot(normal, halfway), 0.0), u_power) * attenuation;
    }
  }
  v_diffuse = vec4(clamp(diffuse * diffuse_material.rgb + ambient * ambient_material.rgb + emissive_material.rgb,
                         0.0, 1.0), diffuse_material.a);
  v_specular = vec4(clamp(specular * specular_material.rgb, 0.0, 1.0), 0.0);
#endif
#endif
}
)";

// Built for each combination of stage operations, specular and alpha test that a draw uses: those
// come in as constants (declared ahead of this text), so that only the chosen operations run per pixel.
const char* const DEVICE_FRAGMENT = R"(
in vec4 v_diffuse;
in vec4 v_specular;
in vec2 v_uv0, v_uv1;
uniform sampler2D u_texture0, u_texture1;
uniform int u_has_texture[2];
uniform vec4 u_texture_factor;
uniform float u_alpha_ref;
out vec4 o_colour;

vec4 Argument(int argument, vec4 current, vec4 texel) {
  int which = argument & 15;
  if (which == 0) return v_diffuse;
  if (which == 1) return current;
  if (which == 2) return texel;
  if (which == 3) return u_texture_factor;
  return v_specular;
}

float Combine(int op, float a, float b) {
  if (op == 2) return a;
  if (op == 3) return b;
  if (op == 4) return a * b;
  if (op == 5) return min(a * b * 2.0, 1.0);
  if (op == 6) return min(a * b * 4.0, 1.0);
  if (op == 7) return min(a + b, 1.0);
  return a;
}

bool Passes(float alpha) {
  if (u_alpha_func == 1) return false;
  if (u_alpha_func == 2) return alpha < u_alpha_ref;
  if (u_alpha_func == 3) return alpha == u_alpha_ref;
  if (u_alpha_func == 4) return alpha <= u_alpha_ref;
  if (u_alpha_func == 5) return alpha > u_alpha_ref;
  if (u_alpha_func == 6) return alpha != u_alpha_ref;
  if (u_alpha_func == 7) return alpha >= u_alpha_ref;
  return true;
}

void main() {
  vec4 current = v_diffuse;
  for (int stage = 0; stage < 2; ++stage) {
    if (u_colour_op[stage] == 1) break;
    // A stage with no texture bound reads white.
    vec4 texel = vec4(1.0);
    if (u_has_texture[stage] != 0) texel = stage == 0 ? texture(u_texture0, v_uv0) : texture(u_texture1, v_uv1);
    vec4 c1 = Argument(u_colour_arg1[stage], current, texel), c2 = Argument(u_colour_arg2[stage], current, texel);
    vec4 a1 = Argument(u_alpha_arg1[stage], current, texel), a2 = Argument(u_alpha_arg2[stage], current, texel);
    vec3 colour = vec3(Combine(u_colour_op[stage], c1.r, c2.r), Combine(u_colour_op[stage], c1.g, c2.g),
                       Combine(u_colour_op[stage], c1.b, c2.b));
    float alpha = u_alpha_op[stage] == 1 ? current.a : Combine(u_alpha_op[stage], a1.a, a2.a);
    current = vec4(colour, alpha);
  }
  if (u_specular_enable != 0) current.rgb = min(current.rgb + v_specular.rgb, vec3(1.0));
  // Compared in the 0..255 steps that the reference is given in.
  if (u_alpha_test != 0 && !Passes(floor(current.a * 255.0 + 0.5) / 255.0)) discard;
  o_colour = current;
}
)";

enum VertexVariant { PRETRANSFORMED, UNLIT, LIT };

// What a program is built for: the vertex variant and the pixel work the states choose.
struct ProgramKey {
  int variant;
  int stages[DRAWN_STAGES][6];  // colour operation, its two arguments, alpha operation, its two arguments
  int specular_enable, alpha_test, alpha_func;
};

struct DeviceProgram {
  GLuint program = 0;
  GLint world_view_projection, world, viewport;
  GLint diffuse_source, specular_source, ambient_source, emissive_source, material, power, ambient;
  GLint light_count, light_type, light_diffuse, light_specular, light_ambient, light_position, light_direction,
      light_range_attenuation;
  GLint specular_enable, texture0, texture1, has_texture, texture_factor, alpha_ref;
};

struct LightSlot {
  bool set = false;
  bool enabled = false;
  D3DLIGHT7 light = {};
};

void Colour4(D3DCOLOR c, float out[4]) {
  out[0] = ((c >> 16) & 0xFF) / 255.0f;
  out[1] = ((c >> 8) & 0xFF) / 255.0f;
  out[2] = (c & 0xFF) / 255.0f;
  out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

GLenum BlendFactor(DWORD blend) {
  switch (blend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    default: return GL_ONE;
  }
}

GLenum CompareFunction(DWORD compare) {
  switch (compare) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    case D3DCMP_ALWAYS: return GL_ALWAYS;
    default: return GL_LEQUAL;
  }
}

bool PrimitiveMode(D3DPRIMITIVETYPE type, GLenum* mode) {
  switch (type) {
    case D3DPT_POINTLIST: *mode = GL_POINTS; return true;
    case D3DPT_LINELIST: *mode = GL_LINES; return true;
    case D3DPT_LINESTRIP: *mode = GL_LINE_STRIP; return true;
    case D3DPT_TRIANGLELIST: *mode = GL_TRIANGLES; return true;
    case D3DPT_TRIANGLESTRIP: *mode = GL_TRIANGLE_STRIP; return true;
    case D3DPT_TRIANGLEFAN: *mode = GL_TRIANGLE_FAN; return true;
    default: return false;
  }
}

Matrix4 ToMatrix(const D3DMATRIX& m) {
  Matrix4 out;
  std::memcpy(&out, &m, sizeof(out));
  return out;
}

}  // namespace

struct IDirect3DDevice7::State {
  ULONG refs = 1;
  GUID device_guid = {};
  IDirectDrawSurface7* target = nullptr;  // owned reference
  GlOwner owner;
  std::vector<std::pair<ProgramKey, DeviceProgram>> programs;  // built as draws first need them
  GLuint vertex_array = 0, vertex_buffer = 0, index_buffer = 0;
  bool in_scene = false;
  DWORD render_states[RENDER_STATE_COUNT] = {};
  DWORD stage_states[STAGE_COUNT][STAGE_STATE_COUNT] = {};
  IDirectDrawSurface7* textures[STAGE_COUNT] = {};  // owned references
  D3DMATRIX world = {}, view = {}, projection = {};
  D3DVIEWPORT7 viewport = {};
  D3DMATERIAL7 material = {};
  std::vector<LightSlot> lights;
  // What GL was last given, so that a draw sends only what changed. A setter that changes a value
  // raises state_changed; GL use outside the device's draws moves the GL state stamp; either makes
  // the next draw send everything but the textures again.
  bool state_changed = true;
  uint64_t applied_stamp = 0;
  DWORD applied_fvf = 0;
  int applied_program = -1;
  // The GL buffer and byte offset that the vertex attributes read from.
  GLuint applied_buffer = 0;
  size_t applied_offset = 0;
  GLuint bound_textures[DRAWN_STAGES] = {};
  int has_texture[DRAWN_STAGES] = {-1, -1};
};

namespace {

// Stores a state value; only a different one makes the next draw send the state again.
template <typename T>
void Keep(IDirect3DDevice7::State* s, T* kept, const T& value) {
  if (std::memcmp(kept, &value, sizeof(T)) == 0) return;
  *kept = value;
  s->state_changed = true;
}

void SetDefaultStates(IDirect3DDevice7::State* s, bool has_depth) {
  DWORD* rs = s->render_states;
  rs[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
  rs[D3DRENDERSTATE_ZENABLE] = has_depth ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
  rs[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  rs[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRENDERSTATE_CLIPPING] = TRUE;
  rs[D3DRENDERSTATE_LIGHTING] = TRUE;
  rs[D3DRENDERSTATE_COLORVERTEX] = TRUE;
  rs[D3DRENDERSTATE_LOCALVIEWER] = TRUE;
  rs[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRENDERSTATE_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRENDERSTATE_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRENDERSTATE_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[60] = 0xFFFFFFFF;  // D3DRENDERSTATE_TEXTUREFACTOR
  for (DWORD stage = 0; stage < STAGE_COUNT; ++stage) {
    DWORD* ts = s->stage_states[stage];
    ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = stage;
    ts[D3DTSS_ADDRESS] = ts[D3DTSS_ADDRESSU] = ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    ts[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    ts[D3DTSS_MINFILTER] = D3DTFN_POINT;
  }
  D3DMATRIX identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  s->world = s->view = s->projection = identity;
}

bool BuildDeviceProgram(const ProgramKey& key, DeviceProgram* p) {
  char head[128];
  std::snprintf(head, sizeof head, "#version 330 core\n#define PRETRANSFORMED %d\n#define LIT %d\n",
                key.variant == PRETRANSFORMED ? 1 : 0, key.variant == LIT ? 1 : 0);
  const std::string vertex_source = std::string(head) + DEVICE_VERTEX;
  std::string fragment_source = "#version 330 core\n";
  const char* const STAGE_NAMES[6] = {"u_colour_op", "u_colour_arg1", "u_colour_arg2",
                                      "u_alpha_op",  "u_alpha_arg1",  "u_alpha_arg2"};
  char line[128];
  for (int i = 0; i < 6; ++i) {
    std::snprintf(line, sizeof line, "const int %s[2] = int[2](%d, %d);\n", STAGE_NAMES[i], key.stages[0][i],
                  key.stages[1][i]);
    fragment_source += line;
  }
  std::snprintf(line, sizeof line, "const int u_specular_enable = %d, u_alpha_test = %d, u_alpha_func = %d;\n",
                key.specular_enable, key.alpha_test, key.alpha_func);
  fragment_source += line;
  fragment_source += DEVICE_FRAGMENT;
  p->program = BuildProgram(vertex_source.c_str(), fragment_source.c_str());
  if (p->program == 0) return false;
  auto at = [p](const char* name) { return glGetUniformLocation(p->program, name); };
  p->world_view_projection = at("u_world_view_projection");
  p->world = at("u_world");
  p->viewport = at("u_viewport");
  p->diffuse_source = at("u_diffuse_source");
  p->specular_source = at("u_specular_source");
  p->ambient_source = at("u_ambient_source");
  p->emissive_source = at("u_emissive_source");
  p->material = at("u_material");
  p->power = at("u_power");
  p->ambient = at("u_ambient");
  p->light_count = at("u_light_count");
  p->light_type = at("u_light_type");
  p->light_diffuse = at("u_light_diffuse");
  p->light_specular = at("u_light_specular");
  p->light_ambient = at("u_light_ambient");
  p->light_position = at("u_light_position");
  p->light_direction = at("u_light_direction");
  p->light_range_attenuation = at("u_light_range_attenuation");
  p->specular_enable = at("u_specular_enable");
  p->texture0 = at("u_texture0");
  p->texture1 = at("u_texture1");
  p->has_texture = at("u_has_texture");
  p->texture_factor = at("u_texture_factor");
  p->alpha_ref = at("u_alpha_ref");
  return true;
}

ProgramKey KeyOf(const IDirect3DDevice7::State* s, const VertexLayout& layout) {
  const DWORD* rs = s->render_states;
  const bool lit = rs[D3DRENDERSTATE_LIGHTING] != 0 && layout.normal_offset >= 0;
  ProgramKey key = {};
  key.variant = layout.position_size == 4 ? PRETRANSFORMED : lit ? LIT : UNLIT;
  const D3DTEXTURESTAGESTATETYPE STAGE_STATES[6] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                                                    D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
  for (DWORD stage = 0; stage < DRAWN_STAGES; ++stage) {
    for (int i = 0; i < 6; ++i) key.stages[stage][i] = static_cast<int>(s->stage_states[stage][STAGE_STATES[i]]);
  }
  key.specular_enable = rs[D3DRENDERSTATE_SPECULARENABLE] != 0 ? 1 : 0;
  key.alpha_test = rs[D3DRENDERSTATE_ALPHATESTENABLE] != 0 ? 1 : 0;
  key.alpha_func = static_cast<int>(rs[D3DRENDERSTATE_ALPHAFUNC]);
  return key;
}

// The index of the device's program for the key, built now if it is the first draw that needs it; -1
// when it cannot be built.
int FindProgram(IDirect3DDevice7::State* s, const ProgramKey& key) {
  for (size_t i = 0; i < s->programs.size(); ++i) {
    if (std::memcmp(&s->programs[i].first, &key, sizeof key) == 0) return static_cast<int>(i);
  }
  DeviceProgram program;
  if (!BuildDeviceProgram(key, &program)) return -1;
  s->programs.emplace_back(key, program);
  return static_cast<int>(s->programs.size() - 1);
}

bool BuildDeviceObjects(IDirect3DDevice7::State* s, const VertexLayout& common_layout) {
  // The program of the starting state shows at once whether the driver compiles the device's shaders.
  if (FindProgram(s, KeyOf(s, common_layout)) < 0) return false;
  glGenVertexArrays(1, &s->vertex_array);
  glGenBuffers(1, &s->vertex_buffer);
  glGenBuffers(1, &s->index_buffer);
  return true;
}

void DeleteDeviceObjects(IDirect3DDevice7::State* s) {
  for (const auto& program : s->programs) glDeleteProgram(program.second.program);
  glDeleteVertexArrays(1, &s->vertex_array);
  glDeleteBuffers(1, &s->vertex_buffer);
  glDeleteBuffers(1, &s->index_buffer);
}

// Gives GL every piece of Direct3D state a draw depends on, but the textures.
void ApplyFixedState(IDirect3DDevice7::State* s, const VertexLayout& layout, const DeviceProgram& p) {
  IDirectDrawSurface7::State* target = s->target->state;
  const DWORD* rs = s->render_states;
  const D3DVIEWPORT7& vp = s->viewport;
  const GLint target_h = static_cast<GLint>(target->height);
  glViewport(static_cast<GLint>(vp.dwX), target_h - static_cast<GLint>(vp.dwY + vp.dwHeight),
             static_cast<GLsizei>(vp.dwWidth), static_cast<GLsizei>(vp.dwHeight));
  glDepthRange(vp.dvMinZ, vp.dvMaxZ);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_STENCIL_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  const bool depth = rs[D3DRENDERSTATE_ZENABLE] != D3DZB_FALSE && target->z_buffer != nullptr;
  if (depth) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(CompareFunction(rs[D3DRENDERSTATE_ZFUNC]));
    glDepthMask(rs[D3DRENDERSTATE_ZWRITEENABLE] != 0 ? GL_TRUE : GL_FALSE);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  // The picture keeps its orientation from clip space to the target, so the winding seen on screen is
  // GL's window winding: counter-clockwise is GL's front.
  glFrontFace(GL_CCW);
  if (rs[D3DRENDERSTATE_CULLMODE] == D3DCULL_NONE) {
    glDisable(GL_CULL_FACE);
  } else {
    glEnable(GL_CULL_FACE);
    glCullFace(rs[D3DRENDERSTATE_CULLMODE] == D3DCULL_CW ? GL_BACK : GL_FRONT);
  }
  if (rs[D3DRENDERSTATE_ALPHABLENDENABLE] != 0) {
    glEnable(GL_BLEND);
    glBlendFunc(BlendFactor(rs[D3DRENDERSTATE_SRCBLEND]), BlendFactor(rs[D3DRENDERSTATE_DESTBLEND]));
  } else {
    glDisable(GL_BLEND);
  }
  const DWORD fill = rs[D3DRENDERSTATE_FILLMODE];
  glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);

  glUseProgram(p.program);
  Matrix4 world_view, world_view_projection;
  MatrixMultiply(world_view, ToMatrix(s->world), ToMatrix(s->view));
  MatrixMultiply(world_view_projection, world_view, ToMatrix(s->projection));
  // A row-major matrix read column-major is its transpose, which is what column vectors need.
  glUniformMatrix4fv(p.world_view_projection, 1, GL_FALSE, reinterpret_cast<const float*>(&world_view_projection));
  glUniformMatrix4fv(p.world, 1, GL_FALSE, &s->world._11);
  glUniform4f(p.viewport, static_cast<float>(vp.dwX), static_cast<float>(vp.dwY), static_cast<float>(vp.dwWidth),
              static_cast<float>(vp.dwHeight));
  // Vertex colours stand in for material colours only when the vertex carries them.
  const bool colour_vertex = rs[D3DRENDERSTATE_COLORVERTEX] != 0;
  auto source = [&](DWORD state) {
    const DWORD value = colour_vertex ? rs[state] : D3DMCS_MATERIAL;
    if (value == D3DMCS_COLOR1 && layout.diffuse_offset >= 0) return 1;
    if (value == D3DMCS_COLOR2 && layout.specular_offset >= 0) return 2;
    return 0;
  };
  glUniform1i(p.diffuse_source, source(D3DRENDERSTATE_DIFFUSEMATERIALSOURCE));
  glUniform1i(p.specular_source, source(D3DRENDERSTATE_SPECULARMATERIALSOURCE));
  glUniform1i(p.ambient_source, source(D3DRENDERSTATE_AMBIENTMATERIALSOURCE));
  glUniform1i(p.emissive_source, source(D3DRENDERSTATE_EMISSIVEMATERIALSOURCE));
  glUniform4fv(p.material, 4, &s->material.diffuse.r);
  glUniform1f(p.power, s->material.power);
  float colour[4];
  Colour4(rs[D3DRENDERSTATE_AMBIENT], colour);
  glUniform4fv(p.ambient, 1, colour);

  int types[MAX_ACTIVE_LIGHTS] = {};
  float diffuse[MAX_ACTIVE_LIGHTS][4] = {}, specular[MAX_ACTIVE_LIGHTS][4] = {}, ambient[MAX_ACTIVE_LIGHTS][4] = {};
  float position[MAX_ACTIVE_LIGHTS][3] = {}, direction[MAX_ACTIVE_LIGHTS][3] = {};
  float range_attenuation[MAX_ACTIVE_LIGHTS][4] = {};
  int count = 0;
  for (const LightSlot& slot : s->lights) {
    if (!slot.enabled || count == static_cast<int>(MAX_ACTIVE_LIGHTS)) continue;
    const D3DLIGHT7& l = slot.light;
    types[count] = static_cast<int>(l.dltType);
    std::memcpy(diffuse[count], &l.dcvDiffuse, sizeof(diffuse[count]));
    std::memcpy(specular[count], &l.dcvSpecular, sizeof(specular[count]));
    std::memcpy(ambient[count], &l.dcvAmbient, sizeof(ambient[count]));
    std::memcpy(position[count], &l.dvPosition, sizeof(position[count]));
    std::memcpy(direction[count], &l.dvDirection, sizeof(direction[count]));
    range_attenuation[count][0] = l.dvRange;
    range_attenuation[count][1] = l.dvAttenuation0;
    range_attenuation[count][2] = l.dvAttenuation1;
    range_attenuation[count][3] = l.dvAttenuation2;
    ++count;
  }
  glUniform1i(p.light_count, count);
  glUniform1iv(p.light_type, MAX_ACTIVE_LIGHTS, types);
  glUniform4fv(p.light_diffuse, MAX_ACTIVE_LIGHTS, &diffuse[0][0]);
  glUniform4fv(p.light_specular, MAX_ACTIVE_LIGHTS, &specular[0][0]);
  glUniform4fv(p.light_ambient, MAX_ACTIVE_LIGHTS, &ambient[0][0]);
  glUniform3fv(p.light_position, MAX_ACTIVE_LIGHTS, &position[0][0]);
  glUniform3fv(p.light_direction, MAX_ACTIVE_LIGHTS, &direction[0][0]);
  glUniform4fv(p.light_range_attenuation, MAX_ACTIVE_LIGHTS, &range_attenuation[0][0]);
  glUniform1i(p.specular_enable, rs[D3DRENDERSTATE_SPECULARENABLE] != 0 ? 1 : 0);
  Colour4(rs[60], colour);
  glUniform4fv(p.texture_factor, 1, colour);
  glUniform1f(p.alpha_ref, (rs[D3DRENDERSTATE_ALPHAREF] & 0xFF) / 255.0f);

  glUniform1i(p.texture0, 0);
  glUniform1i(p.texture1, 1);
}

bool TextureIsCurrent(const IDirectDrawSurface7::State* surface, const IDirect3DDevice7::State* s, GLuint bound) {
  if (surface == nullptr) return bound == 0;
  return surface->texture != 0 && surface->texture == bound && surface->texture_owner.context == s->owner.context &&
         surface->stale_top >= surface->stale_bottom;
}

// Binds each drawn stage's texture, brought up to date, with its sampling; a stage whose texture,
// contents and sampling are as last drawn costs nothing.
void ApplyTextures(IDirect3DDevice7::State* s, const DeviceProgram& p, bool everything) {
  bool has_texture_changed = false;
  for (DWORD stage = 0; stage < DRAWN_STAGES; ++stage) {
    IDirectDrawSurface7::State* surface = s->textures[stage] != nullptr ? s->textures[stage]->state : nullptr;
    if (!everything && TextureIsCurrent(surface, s, s->bound_textures[stage])) continue;
    const DWORD* ts = s->stage_states[stage];
    // The unit is chosen first: preparing a texture binds it, and on another stage's unit it would
    // replace what that stage samples.
    glActiveTexture(GL_TEXTURE0 + stage);
    const GLuint texture = surface != nullptr ? PrepareTexture(surface, s->owner) : 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    if (texture != 0) {
      // Sampling belongs to the texture object in GL, which keeps it from one draw to the next.
      const GLenum names[4] = {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T};
      const GLint values[4] = {ts[D3DTSS_MAGFILTER] != D3DTFG_POINT ? GL_LINEAR : GL_NEAREST,
                               ts[D3DTSS_MINFILTER] != D3DTFN_POINT ? GL_LINEAR : GL_NEAREST,
                               ts[D3DTSS_ADDRESSU] == D3DTADDRESS_CLAMP ? GL_CLAMP_TO_EDGE : GL_REPEAT,
                               ts[D3DTSS_ADDRESSV] == D3DTADDRESS_CLAMP ? GL_CLAMP_TO_EDGE : GL_REPEAT};
      for (int i = 0; i < 4; ++i) {
        if (surface->sampling[i] == values[i]) continue;
        glTexParameteri(GL_TEXTURE_2D, names[i], values[i]);
        surface->sampling[i] = values[i];
      }
    }
    s->bound_textures[stage] = texture;
    const int has_texture = texture != 0 ? 1 : 0;
    has_texture_changed |= has_texture != s->has_texture[stage];
    s->has_texture[stage] = has_texture;
  }
  glActiveTexture(GL_TEXTURE0);
  if (everything || has_texture_changed) glUniform1iv(p.has_texture, DRAWN_STAGES, s->has_texture);
}

// Points the attributes into the bound GL_ARRAY_BUFFER, from base_bytes on.
void BindAttributes(IDirect3DDevice7::State* s, const VertexLayout& layout, size_t base_bytes) {
  const GLsizei stride = static_cast<GLsizei>(layout.stride);
  auto offset = [base_bytes](int bytes) { return reinterpret_cast<const void*>(base_bytes + static_cast<uintptr_t>(bytes)); };
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, layout.position_size, GL_FLOAT, GL_FALSE, stride, offset(0));
  if (layout.position_size == 3) glVertexAttrib4f(0, 0, 0, 0, 1);
  auto optional = [&](GLuint index, int at, GLint size, GLenum type, GLboolean normalized, const float fallback[4]) {
    if (at >= 0) {
      glEnableVertexAttribArray(index);
      glVertexAttribPointer(index, size, type, normalized, stride, offset(at));
    } else {
      glDisableVertexAttribArray(index);
      glVertexAttrib4fv(index, fallback);
    }
  };
  // Without a diffuse colour a vertex is white; without a specular one it adds nothing.
  const float zero[4] = {0, 0, 0, 0}, white[4] = {1, 1, 1, 1};
  optional(1, layout.normal_offset, 3, GL_FLOAT, GL_FALSE, zero);
  // D3DCOLOR is B, G, R, A in memory: GL reads it with the BGRA size.
  optional(2, layout.diffuse_offset, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, white);
  optional(3, layout.specular_offset, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, zero);
  for (GLuint stage = 0; stage < DRAWN_STAGES; ++stage) {
    const DWORD set = s->stage_states[stage][D3DTSS_TEXCOORDINDEX] & 0xFFFF;
    const int at = set < static_cast<DWORD>(layout.texture_count) ? layout.texture_offset[set] : -1;
    optional(4 + stage, at, 2, GL_FLOAT, GL_FALSE, zero);
  }
}

// The device whose state GL holds; another device's draw must first give GL its own again.
const IDirect3DDevice7::State* g_last_drawing_device = nullptr;

// Binds the target, gives GL what changed since the last draw and the draw's vertices: a vertex
// buffer's own GL copy, sent again only after it was written, or else a copy of the vertices into
// the device's stream buffer.
bool ApplyState(IDirect3DDevice7::State* s, const VertexLayout& layout, DWORD fvf, const uint8_t* vertices,
                DWORD vertex_count, IDirect3DVertexBuffer7::State* buffer, DWORD start_vertex) {
  if (!BindRenderTarget(s->target->state)) return false;
  if (g_last_drawing_device != s) NoteGlStateChanged();
  g_last_drawing_device = s;
  const uint64_t stamp = GlStateStamp();
  const bool everything =
      s->state_changed || s->applied_stamp != stamp || s->applied_fvf != fvf || s->applied_program < 0;
  if (everything) {
    s->applied_program = FindProgram(s, KeyOf(s, layout));
    if (s->applied_program < 0) return false;
    ApplyFixedState(s, layout, s->programs[s->applied_program].second);
  }
  ApplyTextures(s, s->programs[s->applied_program].second, everything);
  glBindVertexArray(s->vertex_array);
  GLuint source = buffer != nullptr ? PrepareVertexBuffer(buffer, s->owner) : 0;
  size_t base_bytes = size_t{start_vertex} * layout.stride;
  if (source == 0) {
    if (vertices == nullptr) return false;
    source = s->vertex_buffer;
    base_bytes = 0;
    glBindBuffer(GL_ARRAY_BUFFER, source);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(uint64_t{layout.stride} * vertex_count), vertices,
                 GL_STREAM_DRAW);
  }
  // Preparing a buffer may have moved the GL state stamp (another context made current); the
  // attributes then go again with everything else at the next draw, and now as well.
  if (everything || source != s->applied_buffer || base_bytes != s->applied_offset || GlStateStamp() != stamp) {
    BindAttributes(s, layout, base_bytes);
  }
  s->applied_buffer = source;
  s->applied_offset = base_bytes;
  s->state_changed = false;
  s->applied_stamp = stamp;
  s->applied_fvf = fvf;
  return true;
}

HRESULT Draw(IDirect3DDevice7::State* s, D3DPRIMITIVETYPE type, DWORD fvf, const uint8_t* vertices,
             DWORD vertex_count, const WORD* indices, DWORD index_count,
             IDirect3DVertexBuffer7::State* buffer = nullptr, DWORD start_vertex = 0) {
  GLenum mode;
  if (!PrimitiveMode(type, &mode)) return D3DERR_INVALIDPRIMITIVETYPE;
  VertexLayout layout;
  if (!DecodeVertexLayout(fvf, &layout)) return D3DERR_INVALIDVERTEXTYPE;
  if ((vertices == nullptr && buffer == nullptr) || (indices == nullptr && index_count != 0)) return DDERR_INVALIDPARAMS;
  if (!s->in_scene) return D3DERR_SCENE_NOT_IN_SCENE;
  if (vertex_count > D3DMAXNUMVERTICES) return DDERR_INVALIDPARAMS;
  if (vertex_count == 0 || (indices != nullptr && index_count == 0)) return D3D_OK;
  // An index past the vertices given would read outside the caller's memory.
  if (indices != nullptr) {
    for (DWORD i = 0; i < index_count; ++i) {
      if (indices[i] >= vertex_count) return DDERR_INVALIDPARAMS;
    }
  }
  if (!ApplyState(s, layout, fvf, vertices, vertex_count, buffer, start_vertex)) return DDERR_SURFACELOST;
  if (indices != nullptr) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s->index_buffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(index_count * sizeof(WORD)), indices,
                 GL_STREAM_DRAW);
    glDrawElements(mode, static_cast<GLsizei>(index_count), GL_UNSIGNED_SHORT, nullptr);
  } else {
    glDrawArrays(mode, 0, static_cast<GLsizei>(vertex_count));
  }
  glBindVertexArray(0);
  return DrainGlErrors() ? DDERR_OUTOFVIDEOMEMORY : D3D_OK;
}

HRESULT DrawFromBuffer(IDirect3DDevice7::State* s, D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* buffer,
                       DWORD start_vertex, DWORD vertex_count, const WORD* indices, DWORD index_count) {
  if (buffer == nullptr) return DDERR_INVALIDPARAMS;
  IDirect3DVertexBuffer7::State* b = buffer->state;
  if (b->locked) return D3DERR_VERTEXBUFFERLOCKED;
  if (uint64_t{start_vertex} + vertex_count > b->desc.dwNumVertices) return DDERR_INVALIDPARAMS;
  // Without memory the vertices are in the buffer's GL copy; if that cannot be had either, the draw
  // has nothing to send.
  if (b->memory == nullptr && b->gl_buffer == 0 && !TakeBackVertices(b)) return DDERR_OUTOFMEMORY;
  const uint8_t* vertices = b->memory != nullptr ? b->memory + size_t{start_vertex} * b->layout.stride : nullptr;
  return Draw(s, type, b->desc.dwFVF, vertices, vertex_count, indices, index_count, b, start_vertex);
}

}  // namespace

HRESULT CreateDeviceObject(REFCLSID device_guid, IDirectDrawSurface7* target, IDirect3DDevice7** out) {
  D3DDEVICEDESC7 desc;
  if (!FillDeviceDesc(device_guid, &desc)) return D3DERR_INVALID_DEVICE;
  IDirectDrawSurface7::State* target_state = target->state;
  if (target_state->kind != SurfaceKind::kRenderTarget || (target_state->caps & DDSCAPS_3DDEVICE) == 0) {
    return DDERR_INVALIDCAPS;
  }
  if (!BindRenderTarget(target_state)) return DDERR_SURFACELOST;
  IDirect3DDevice7* device = new (std::nothrow) IDirect3DDevice7;
  IDirect3DDevice7::State* s = new (std::nothrow) IDirect3DDevice7::State;
  if (device == nullptr || s == nullptr) {
    delete device;
    delete s;
    return DDERR_OUTOFMEMORY;
  }
  s->owner = target_state->target_owner;
  SetDefaultStates(s, target_state->z_buffer != nullptr);
  VertexLayout viewer_layout;
  DecodeVertexLayout(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, &viewer_layout);
  if (!BuildDeviceObjects(s, viewer_layout)) {
    DeleteDeviceObjects(s);
    delete device;
    delete s;
    return D3DERR_INITFAILED;
  }
  s->device_guid = device_guid;
  s->target = target;
  target->AddRef();
  s->viewport = D3DVIEWPORT7{0, 0, target_state->width, target_state->height, 0.0f, 1.0f};
  device->state = s;
  *out = device;
  return D3D_OK;
}

ULONG IDirect3DDevice7::AddRef() { return ++state->refs; }

ULONG IDirect3DDevice7::Release() {
  if (state->refs == 0) return 0;
  const ULONG left = --state->refs;
  if (left != 0) return left;
  IDirect3DDevice7::State* s = state;
  if (MakeOwnerCurrent(s->owner)) {
    DeleteDeviceObjects(s);
  }
  for (IDirectDrawSurface7* texture : s->textures) {
    if (texture != nullptr) texture->Release();
  }
  s->target->Release();
  if (g_last_drawing_device == s) g_last_drawing_device = nullptr;
  delete s;
  delete this;
  return 0;
}

HRESULT IDirect3DDevice7::GetCaps(D3DDEVICEDESC7* desc) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  FillDeviceDesc(state->device_guid, desc);
  return D3D_OK;
}

HRESULT IDirect3DDevice7::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  int count = 0;
  const PixelFormatInfo* formats = TextureFormats(&count);
  for (int i = 0; i < count; ++i) {
    DDPIXELFORMAT format = formats[i].ddpf;
    if (callback(&format, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice7::BeginScene() {
  if (state->in_scene) return D3DERR_SCENE_IN_SCENE;
  state->in_scene = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::EndScene() {
  if (!state->in_scene) return D3DERR_SCENE_NOT_IN_SCENE;
  state->in_scene = false;
  if (BindRenderTarget(state->target->state)) glFlush();
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetRenderTarget(IDirectDrawSurface7** out) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  state->target->AddRef();
  *out = state->target;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::Clear(DWORD rect_count, D3DRECT* rects, DWORD flags, D3DCOLOR colour, D3DVALUE z,
                                DWORD stencil) {
  if (rect_count != 0 && rects == nullptr) return DDERR_INVALIDPARAMS;
  if ((flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) == 0 || flags > 7) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface7::State* target = state->target->state;
  const IDirectDrawSurface7::State* depth = target->z_buffer != nullptr ? target->z_buffer->state : nullptr;
  if ((flags & D3DCLEAR_ZBUFFER) != 0 && depth == nullptr) return D3DERR_ZBUFFER_NOTPRESENT;
  if ((flags & D3DCLEAR_STENCIL) != 0 && (depth == nullptr || !depth->has_stencil)) {
    return D3DERR_STENCILBUFFER_NOTPRESENT;
  }
  if (z < 0.0f || z > 1.0f) return DDERR_INVALIDPARAMS;
  if (!BindRenderTarget(target)) return DDERR_SURFACELOST;
  float rgba[4];
  Colour4(colour, rgba);
  glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
  glClearDepth(z);
  glClearStencil(static_cast<GLint>(stencil));
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFFFFFFFF);
  GLbitfield mask = 0;
  if ((flags & D3DCLEAR_TARGET) != 0) mask |= GL_COLOR_BUFFER_BIT;
  if ((flags & D3DCLEAR_ZBUFFER) != 0) mask |= GL_DEPTH_BUFFER_BIT;
  if ((flags & D3DCLEAR_STENCIL) != 0) mask |= GL_STENCIL_BUFFER_BIT;
  // Direct3D clears only inside the viewport, and inside each rectangle when some are given.
  const D3DVIEWPORT7& vp = state->viewport;
  const D3DRECT whole = {static_cast<LONG>(vp.dwX), static_cast<LONG>(vp.dwY), static_cast<LONG>(vp.dwX + vp.dwWidth),
                         static_cast<LONG>(vp.dwY + vp.dwHeight)};
  const DWORD count = rect_count == 0 ? 1 : rect_count;
  glEnable(GL_SCISSOR_TEST);
  for (DWORD i = 0; i < count; ++i) {
    const D3DRECT r = rect_count == 0 ? whole : rects[i];
    const LONG x1 = std::max(r.x1, whole.x1), y1 = std::max(r.y1, whole.y1);
    const LONG x2 = std::min(r.x2, whole.x2), y2 = std::min(r.y2, whole.y2);
    if (x2 <= x1 || y2 <= y1) continue;
    glScissor(x1, static_cast<GLint>(target->height) - y2, x2 - x1, y2 - y1);
    glClear(mask);
  }
  glDisable(GL_SCISSOR_TEST);
  // The masks and the scissor are the draws' state too.
  state->state_changed = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetTransform(D3DTRANSFORMSTATETYPE which, D3DMATRIX* matrix) {
  if (matrix == nullptr) return DDERR_INVALIDPARAMS;
  D3DMATRIX* kept = nullptr;
  switch (which) {
    case D3DTRANSFORMSTATE_WORLD: kept = &state->world; break;
    case D3DTRANSFORMSTATE_VIEW: kept = &state->view; break;
    case D3DTRANSFORMSTATE_PROJECTION: kept = &state->projection; break;
    default: return DDERR_INVALIDPARAMS;
  }
  Keep(state, kept, *matrix);
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetTransform(D3DTRANSFORMSTATETYPE which, D3DMATRIX* matrix) {
  if (matrix == nullptr) return DDERR_INVALIDPARAMS;
  switch (which) {
    case D3DTRANSFORMSTATE_WORLD: *matrix = state->world; return D3D_OK;
    case D3DTRANSFORMSTATE_VIEW: *matrix = state->view; return D3D_OK;
    case D3DTRANSFORMSTATE_PROJECTION: *matrix = state->projection; return D3D_OK;
    default: return DDERR_INVALIDPARAMS;
  }
}

HRESULT IDirect3DDevice7::SetViewport(D3DVIEWPORT7* viewport) {
  if (viewport == nullptr) return DDERR_INVALIDPARAMS;
  const IDirectDrawSurface7::State* target = state->target->state;
  const D3DVIEWPORT7& v = *viewport;
  if (v.dwWidth == 0 || v.dwHeight == 0 || uint64_t{v.dwX} + v.dwWidth > target->width ||
      uint64_t{v.dwY} + v.dwHeight > target->height) {
    return DDERR_INVALIDPARAMS;
  }
  if (!(v.dvMinZ >= 0.0f && v.dvMaxZ <= 1.0f && v.dvMinZ <= v.dvMaxZ)) return DDERR_INVALIDPARAMS;
  Keep(state, &state->viewport, v);
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetViewport(D3DVIEWPORT7* viewport) {
  if (viewport == nullptr) return DDERR_INVALIDPARAMS;
  *viewport = state->viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetMaterial(D3DMATERIAL7* material) {
  if (material == nullptr) return DDERR_INVALIDPARAMS;
  Keep(state, &state->material, *material);
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetLight(DWORD index, D3DLIGHT7* light) {
  if (light == nullptr || index >= MAX_LIGHT_INDEX) return DDERR_INVALIDPARAMS;
  if (light->dltType < D3DLIGHT_POINT || light->dltType > D3DLIGHT_DIRECTIONAL) return DDERR_INVALIDPARAMS;
  if (light->dltType != D3DLIGHT_DIRECTIONAL && !(light->dvRange >= 0.0f && light->dvRange <= D3DLIGHT_RANGE_MAX)) {
    return DDERR_INVALIDPARAMS;
  }
  if (state->lights.size() <= index) state->lights.resize(index + 1);
  state->lights[index].set = true;
  Keep(state, &state->lights[index].light, *light);
  return D3D_OK;
}

HRESULT IDirect3DDevice7::LightEnable(DWORD index, BOOL enable) {
  if (index >= MAX_LIGHT_INDEX) return DDERR_INVALIDPARAMS;
  if (state->lights.size() <= index) state->lights.resize(index + 1);
  LightSlot& slot = state->lights[index];
  if (!slot.set) {
    // Enabling a light never set gives Direct3D's default: white, directional, along +z.
    slot.set = true;
    slot.light = D3DLIGHT7{};
    slot.light.dltType = D3DLIGHT_DIRECTIONAL;
    slot.light.dcvDiffuse = D3DCOLORVALUE{1, 1, 1, 0};
    slot.light.dvDirection = D3DVECTOR{0, 0, 1};
  }
  if (enable != FALSE && !slot.enabled) {
    DWORD active = 0;
    for (const LightSlot& other : state->lights) active += other.enabled ? 1 : 0;
    if (active >= MAX_ACTIVE_LIGHTS) return D3DERR_LIGHT_SET_FAILED;
  }
  if (slot.enabled != (enable != FALSE)) state->state_changed = true;
  slot.enabled = enable != FALSE;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetRenderState(D3DRENDERSTATETYPE which, DWORD value) {
  if (which == 0 || which >= RENDER_STATE_COUNT) return DDERR_INVALIDPARAMS;
  Keep(state, &state->render_states[which], value);
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetRenderState(D3DRENDERSTATETYPE which, DWORD* value) {
  if (value == nullptr || which == 0 || which >= RENDER_STATE_COUNT) return DDERR_INVALIDPARAMS;
  *value = state->render_states[which];
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetTexture(DWORD stage, IDirectDrawSurface7* texture) {
  if (stage >= STAGE_COUNT) return DDERR_INVALIDPARAMS;
  if (texture != nullptr && texture->state->kind != SurfaceKind::kTexture) return DDERR_INVALIDPARAMS;
  if (texture == state->textures[stage]) return D3D_OK;
  if (texture != nullptr) texture->AddRef();
  if (state->textures[stage] != nullptr) state->textures[stage]->Release();
  state->textures[stage] = texture;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE which, DWORD value) {
  if (stage >= STAGE_COUNT || which == 0 || which >= STAGE_STATE_COUNT) return DDERR_INVALIDPARAMS;
  DWORD* states = state->stage_states[stage];
  const bool changed = states[which] != value ||
                       (which == D3DTSS_ADDRESS && (states[D3DTSS_ADDRESSU] != value || states[D3DTSS_ADDRESSV] != value));
  if (!changed) return D3D_OK;
  states[which] = value;
  if (which == D3DTSS_ADDRESS) states[D3DTSS_ADDRESSU] = states[D3DTSS_ADDRESSV] = value;
  state->state_changed = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE which, DWORD* value) {
  if (value == nullptr || stage >= STAGE_COUNT || which == 0 || which >= STAGE_STATE_COUNT) return DDERR_INVALIDPARAMS;
  *value = state->stage_states[stage][which];
  return D3D_OK;
}

HRESULT IDirect3DDevice7::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertex_count,
                                        DWORD /*flags*/) {
  return Draw(state, type, fvf, static_cast<const uint8_t*>(vertices), vertex_count, nullptr, 0);
}

HRESULT IDirect3DDevice7::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertex_count,
                                               WORD* indices, DWORD index_count, DWORD /*flags*/) {
  if (indices == nullptr) return DDERR_INVALIDPARAMS;
  return Draw(state, type, fvf, static_cast<const uint8_t*>(vertices), vertex_count, indices, index_count);
}

HRESULT IDirect3DDevice7::DrawPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* buffer, DWORD start_vertex,
                                          DWORD vertex_count, DWORD /*flags*/) {
  return DrawFromBuffer(state, type, buffer, start_vertex, vertex_count, nullptr, 0);
}

HRESULT IDirect3DDevice7::DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* buffer,
                                                 DWORD start_vertex, DWORD vertex_count, WORD* indices,
                                                 DWORD index_count, DWORD /*flags*/) {
  if (indices == nullptr) return DDERR_INVALIDPARAMS;
  return DrawFromBuffer(state, type, buffer, start_vertex, vertex_count, indices, index_count);
}
