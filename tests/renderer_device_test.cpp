// The renderer on the headless stand-in's device: windowed and full-screen creation, every creation
// failure with its one report and nothing left behind, and what scene setup and view control hand the
// device: materials of face groups, stage states, view and projection, lights.
#include "render/renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "scene/ase_reader.h"
#include "scene/renderable_build.h"
#include "tests/device_test_support.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"
#include "texture/resolve_path.h"
#include "texture/texture_cache.h"

namespace {

std::vector<std::string> ReportTexts() {
  std::vector<std::string> texts;
  for (const CapturedMessageBox& box : EndCaptureMessageBoxes()) texts.push_back(box.caption + ": " + box.text);
  BeginCaptureMessageBoxes();
  return texts;
}

}  // namespace

struct CreationFailure {
  const char* name;
  void (*arrange)(DeviceTest*, HWND);
  uint16_t width, height;  // full screen at this mode; 0: windowed from the picker's choice
  uint8_t bits;
  GUID device;
  const char* report;
};

const GUID HAL = IID_IDirect3DHALDevice;
const GUID SOFTWARE = {0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
Renderer* g_exclusive_holder = nullptr;  // another DirectDraw object holding exclusive mode on the window

class DeviceCreationFailure : public DeviceTest, public ::testing::WithParamInterface<CreationFailure> {};

TEST_P(DeviceCreationFailure, ShowsOneReportAndLeavesNoInterface) {
  const CreationFailure& c = GetParam();
  if (c.arrange != nullptr) c.arrange(this, window_);
  ReportTexts();
  Renderer renderer;
  EXPECT_FALSE(c.width == 0 ? renderer.CreateDeviceFromChoice(window_)
                            : renderer.CreateFullscreenDevice(window_, c.width, c.height, c.bits, c.device));
  delete g_exclusive_holder;
  g_exclusive_holder = nullptr;
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{std::string("Report: ") + c.report});
  EXPECT_TRUE(!renderer.ddraw && !renderer.primary && !renderer.back_buffer && !renderer.z_buffer && !renderer.d3d &&
              !renderer.device && !renderer.clipper);
  // Nothing half made is used afterwards.
  renderer.SetDefaultDeviceState();
  EXPECT_EQ(renderer.NewVertexBuffer(D3DFVF_VERTEX, 3), nullptr);
  renderer.RenderFrame();
  EXPECT_TRUE(ReportTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DeviceCreationFailure,
    ::testing::Values(
        CreationFailure{"ZeroSizedClientArea", [](DeviceTest* t, HWND) {
                          t->ReplaceWindow(640, 1, true);
                          t->Pick();
                        }, 0, 0, 0, HAL, "Failed to Create Surface"},
        CreationFailure{"OnlyStencilDepthFormats",
                        [](DeviceTest*, HWND) { SetOnlyStencilDepthFormatsForTest(true); }, 0, 0, 0, HAL,
                        "failed to Create ZBuffer"},
        CreationFailure{"PalettizedDesktop", [](DeviceTest*, HWND) { SetDesktopBitsPerPixelOverride(8); }, 0, 0, 0, HAL,
                        "Must be not in palettized"},
        CreationFailure{"ModeNotOffered", nullptr, 123, 45, 16, HAL, "Failed to Set DisplayMode"},
        CreationFailure{"DeviceWithoutDepthFormats", nullptr, 640, 480, 16, SOFTWARE, "Fail to Enum ZBuffer"},
        CreationFailure{"ExclusiveModeTaken", [](DeviceTest*, HWND window) {
                          g_exclusive_holder = new Renderer;
                          ASSERT_TRUE(g_exclusive_holder->CreateFullscreenDevice(window, 640, 480, 16, HAL));
                        }, 640, 480, 16, HAL, "Failed to Set CooperativeLevel"}),
    [](const ::testing::TestParamInfo<CreationFailure>& info) { return std::string(info.param.name); });

// What stage 0 shows for a group: the bitmap's name, the 4-4-4-4 texel of a one-texel colour texture,
// or "" without a texture.
std::string StageZero(const FaceGroup& group) {
  const TextureEntry* texture = group.texture;
  if (texture == nullptr || texture->surface == nullptr) return "";
  if (texture->name[0] != '\0') return texture->name;
  const std::vector<uint16_t> texels = LockedTexels(texture->surface);
  if (texels.size() < 3) return "locked";
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", texels[2]);
  return hex;
}

// Each object of the scene is one case; diffuse colours as packed ARGB, per group in list order. A
// group whose material names no bitmap shows its diffuse colour, as an object without a material shows
// its wireframe colour.
TEST_F(DeviceTest, FaceGroupsTakeTheirMaterialOrSubMaterialsByIdAndDrawWithTheStagesAsSet) {
  ScopedTempDir dir;
  AseScene scene;
  ASSERT_TRUE(LoadScene(&scene, TestDataPath("scenes/group_materials.ase").c_str()));
  scene.materials[1].submaterial_count = 2;  // fewer than the groups made: no file does it, the setup survives it
  SetScenePath((std::string(KESTREL_SOURCE_DIR) + "/assets/light.ase").c_str());  // where "wall.tga" lies
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  renderer.ApplyScene(&scene);
  SetScenePath(nullptr);
  const struct {
    const char* object;
    std::vector<uint32_t> diffuse;
    std::vector<std::string> stage_zero;
  } cases[] = {{"One", {0xFF190000}, {"wall.tga"}},  // the material itself, though all faces use sub-material 1
               {"Several", {0xFF001900, 0xFF004C00}, {"F010", "wall.tga"}},  // green 0.1 rounds to 26 of 255
               {"Fewer", {0xFF000000, 0xFF000000, 0xFF000000}, {"", "", ""}},
               {"Wire", {0xFF3F7FBF}, {"F48B"}},  // no material: the wireframe colour, or grey
               {"Grey", {0xFF7F7F7F}, {"F888"}}};  // its index just past the table
  const GeomObject* object = scene.geom_objects;
  for (const auto& c : cases) {
    ASSERT_STREQ(object->name, c.object);
    std::vector<uint32_t> diffuse;
    std::vector<std::string> stage_zero;
    for (const FaceGroup* g = object->face_groups; g != nullptr; g = g->next) {
      diffuse.push_back(Pack(g->group_material.diffuse));
      stage_zero.push_back(StageZero(*g));
    }
    EXPECT_EQ(diffuse, c.diffuse) << c.object;
    EXPECT_EQ(stage_zero, c.stage_zero) << c.object;
    object = NextNode(object);
  }

  renderer.DrawScene(&scene);
  const DWORD T = D3DTA_TEXTURE, D = D3DTA_DIFFUSE, C = D3DTA_CURRENT, MOD = D3DTOP_MODULATE, SEL = D3DTOP_SELECTARG1;
  const DWORD states[9] = {D3DTSS_TEXCOORDINDEX, D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2,
                           D3DTSS_COLOROP,       D3DTSS_ALPHAOP,    D3DTSS_MINFILTER,  D3DTSS_MAGFILTER};
  const DWORD expected[2][9] = {{0, T, D, T, D, MOD, SEL, D3DTFN_LINEAR, D3DTFG_LINEAR},
                                {1, T, C, T, C, MOD, SEL, D3DTFN_LINEAR, D3DTFG_LINEAR}};
  for (int k = 0; k < 18; ++k) {
    DWORD value = 0xDEAD;
    renderer.device->GetTextureStageState(k / 9, static_cast<D3DTEXTURESTAGESTATETYPE>(states[k % 9]), &value);
    EXPECT_EQ(value, expected[k / 9][k % 9]) << "stage " << k / 9 << " state " << states[k % 9];
  }
}

TEST_F(DeviceTest, FortyLightsShowOneBoxAndEveryOrbitMoveReachesTheDevice) {
  AseScene scene;
  SetVertices(AddGeomObject(scene, "Box"), {{-5, 0, -5}, {5, 10, 5}});
  for (int i = 0; i < 40; ++i) AddLight(scene, {static_cast<float>(i), 0, 10});
  CameraObject* camera = new CameraObject;
  camera->node_tms[0].pos = MakeVector(30, 0, 5);  // scene axes: the eye 30 along x, 5 up
  scene.cameras = camera;
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  renderer.ApplyScene(&scene);  // the device enables eight lights
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{"Report: Fail to Enable Light"});
  const std::vector<std::pair<const char*, void (*)(Renderer&, AseScene&)>> moves = {
      {"drag", [](Renderer& r, AseScene&) { r.OrbitCamera(0.5f, 8.0f, -4.0f); }},
      {"wheel", [](Renderer& r, AseScene&) { r.ZoomCamera(-2 * WHEEL_DELTA); }},
      {"frame", [](Renderer& r, AseScene& s) { r.FrameScene(&s); }},
      {"home", [](Renderer& r, AseScene& s) { r.ResetView(&s); }}};
  Matrix4 previous = renderer.view;
  for (const auto& move : moves) {
    SCOPED_TRACE(move.first);
    move.second(renderer, scene);
    const CameraObject& now = *renderer.camera;
    Matrix4 view, projection, on_device;
    ASSERT_EQ(MatrixView(view, now.orbit_eye, now.target, now.up), S_OK);
    MatrixProjection(projection, 0.7853982f, 0.75f, now.near_clip, now.far_clip);
    renderer.device->GetTransform(D3DTRANSFORMSTATE_VIEW, reinterpret_cast<D3DMATRIX*>(&on_device));
    EXPECT_EQ(0, std::memcmp(&on_device, &view, sizeof view));
    EXPECT_NE(0, std::memcmp(&on_device, &previous, sizeof view));
    previous = on_device;
    renderer.device->GetTransform(D3DTRANSFORMSTATE_PROJECTION, reinterpret_cast<D3DMATRIX*>(&on_device));
    EXPECT_EQ(0, std::memcmp(&on_device, &projection, sizeof projection));
  }
  EXPECT_FLOAT_EQ(camera->orbit_distance, std::sqrt(925.0f));
}
