// The renderer on the headless stand-in's device: windowed and full-screen creation, every creation
// failure with its one report and nothing left behind, the vertex buffers, and what scene setup and
// view control hand the device (materials of face groups, stage states, view and projection, lights).
#include "render/renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/test_hooks.h"
#include "scene/ase_scene.h"
#include "scene/renderable_build.h"
#include "tests/device_test_support.h"
#include "tests/scene_fixtures.h"
#include "tests/test_support.h"
#include "texture/texture_cache.h"

namespace {

bool AllInterfacesNull(const Renderer& r) {
  return r.ddraw == nullptr && r.primary == nullptr && r.back_buffer == nullptr && r.z_buffer == nullptr &&
         r.d3d == nullptr && r.device == nullptr && r.clipper == nullptr;
}

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
  c.arrange(this, window_);
  ReportTexts();
  Renderer renderer;
  EXPECT_FALSE(c.width == 0 ? renderer.CreateDeviceFromChoice(window_)
                            : renderer.CreateFullscreenDevice(window_, c.width, c.height, c.bits, c.device));
  delete g_exclusive_holder;
  g_exclusive_holder = nullptr;
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{std::string("Report: ") + c.report});
  EXPECT_TRUE(AllInterfacesNull(renderer));
  // Nothing half made is used afterwards.
  renderer.SetDefaultDeviceState();
  EXPECT_EQ(renderer.NewVertexBuffer(D3DFVF_VERTEX, 3), nullptr);
  renderer.RenderFrame();
  EXPECT_TRUE(ReportTexts().empty());
}

void Nothing(DeviceTest*, HWND) {}

INSTANTIATE_TEST_SUITE_P(
    Steps, DeviceCreationFailure,
    ::testing::Values(
        CreationFailure{"ZeroSizedClientArea", [](DeviceTest* t, HWND) {
                          t->ReplaceWindow(640, 1, true);
                          t->Pick();
                        }, 0, 0, 0, HAL, "Failed to Create Surface"},
        CreationFailure{"OnlyStencilDepthFormats", [](DeviceTest*, HWND) { SetOnlyStencilDepthFormatsForTest(true); }, 0, 0,
                        0, HAL, "failed to Create ZBuffer"},
        CreationFailure{"PalettizedDesktop", [](DeviceTest*, HWND) { SetDesktopBitsPerPixelOverride(8); }, 0, 0, 0, HAL,
                        "Must be not in palettized"},
        CreationFailure{"PalettizedMode", Nothing, 640, 480, 8, HAL, "Must be not in palettized"},
        CreationFailure{"ModeNotOffered", Nothing, 123, 45, 16, HAL, "Failed to Set DisplayMode"},
        CreationFailure{"DeviceWithoutDepthFormats", Nothing, 640, 480, 16, SOFTWARE, "Fail to Enum ZBuffer"},
        CreationFailure{"ExclusiveModeTaken", [](DeviceTest*, HWND window) {
                          g_exclusive_holder = new Renderer;
                          ASSERT_TRUE(g_exclusive_holder->CreateFullscreenDevice(window, 640, 480, 16, HAL));
                        }, 640, 480, 16, HAL, "Failed to Set CooperativeLevel"}),
    [](const ::testing::TestParamInfo<CreationFailure>& info) { return std::string(info.param.name); });

TEST_F(DeviceTest, VertexBufferFailuresNameTheirResult) {
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  const std::vector<std::pair<HRESULT, std::string>> failures = {
      {D3DERR_INVALIDVERTEXTYPE, "D3DERR_INVALIDVERTEXTYPE"}, {E_OUTOFMEMORY, "Out of memory"},
      {D3DERR_VBUF_CREATE_FAILED, "D3DERR_VBUF_CREATE_FAILED"}, {DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"}};
  for (const auto& failure : failures) {
    SetVertexBufferFailureForTest(failure.first);
    EXPECT_EQ(renderer.NewVertexBuffer(D3DFVF_VERTEX, 4), nullptr);
    EXPECT_EQ(ReportTexts(), std::vector<std::string>{"Report: " + failure.second});
  }
  SetVertexBufferFailureForTest(E_FAIL);
  EXPECT_EQ(renderer.NewVertexBuffer(D3DFVF_VERTEX, 4), nullptr);
  EXPECT_TRUE(ReportTexts().empty());
}

// Scene setup on a scene built in code: material m has diffuse red (m + 1) / 10 and sub-material s
// green (s + 1) / 10; material 0 and sub-material 2 name a bitmap. The table may lose sub-materials
// after the groups were made, which a file cannot do but the setup must survive.
struct GroupMaterialCase {
  const char* name;
  uint8_t material_count, submaterial_count, material_index;
  std::vector<uint8_t> ids;  // per face
  uint8_t submaterials_at_apply;
  bool wireframe;
  std::vector<D3DCOLORVALUE> diffuse;  // per group, in list order
  std::vector<bool> textured;
};

class GroupMaterials : public DeviceTest, public ::testing::WithParamInterface<GroupMaterialCase> {};

TEST_P(GroupMaterials, FollowTheObjectsMaterialAndItsSubMaterialsByIdAndLeaveTheStagesAsSet) {
  const GroupMaterialCase& c = GetParam();
  const std::string bitmap = std::string(KESTREL_SOURCE_DIR) + "/assets/wall.tga";
  AseScene scene;
  GeomObject* object = AddGeomObject(scene, "Box");
  SetVertices(object, {{0, 0, 0}, {0, 0, 4}, {4, 0, 0}});
  SetFaces(object, {0, 1, 2, 0, 1, 2, 0, 1, 2}, {c.ids[0], c.ids[1 % c.ids.size()], c.ids[2 % c.ids.size()]});
  object->material_index = c.material_index;
  object->wireframe_colour = {0.2f, 0.4f, 0.6f};
  object->has_wireframe_colour = c.wireframe ? 1 : 0;
  if (c.material_count != 0) {
    Material* materials = SetMaterials(scene, c.material_count, c.submaterial_count);
    for (int m = 0; m < c.material_count; ++m) materials[m].diffuse = Colour(0.1f * (m + 1), 0, 0);
    for (int s = 0; s < c.submaterial_count; ++s) materials[0].submaterials[s].diffuse = Colour(0, 0.1f * (s + 1), 0);
    std::strcpy(materials[0].bitmap_name, bitmap.c_str());
    if (c.submaterial_count > 2) std::strcpy(materials[0].submaterials[2].bitmap_name, bitmap.c_str());
  }
  AddLight(scene, {0, 0, 10});
  BuildFaceGroups(&scene, object);
  if (c.material_count != 0) scene.materials[0].submaterial_count = c.submaterials_at_apply;

  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  renderer.ApplyScene(&scene);
  std::vector<uint32_t> diffuse, expected_diffuse;
  std::vector<bool> textured;
  for (const FaceGroup* g = object->face_groups; g != nullptr; g = g->next) {
    diffuse.push_back(Pack(g->group_material.diffuse));
    textured.push_back(g->texture != nullptr && g->texture->surface != nullptr);
    if (g->texture != nullptr && g->texture->name[0] != '\0') EXPECT_EQ(bitmap, g->texture->name);
  }
  for (const D3DCOLORVALUE& colour : c.diffuse) expected_diffuse.push_back(Pack(colour));
  EXPECT_EQ(diffuse, expected_diffuse);
  EXPECT_EQ(textured, c.textured);

  renderer.DrawScene(&scene);
  const DWORD T = D3DTA_TEXTURE, D = D3DTA_DIFFUSE, C = D3DTA_CURRENT, MOD = D3DTOP_MODULATE, SEL = D3DTOP_SELECTARG1;
  const D3DTEXTURESTAGESTATETYPE states[] = {D3DTSS_TEXCOORDINDEX, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                                             D3DTSS_ALPHAARG1,     D3DTSS_ALPHAARG2,  D3DTSS_COLOROP,
                                             D3DTSS_ALPHAOP,       D3DTSS_MINFILTER,  D3DTSS_MAGFILTER};
  const DWORD expected[2][9] = {{0, T, D, T, D, MOD, SEL, D3DTFN_LINEAR, D3DTFG_LINEAR},
                                {1, T, C, T, C, MOD, SEL, D3DTFN_LINEAR, D3DTFG_LINEAR}};
  for (DWORD stage = 0; stage < 2; ++stage) {
    for (int i = 0; i < 9; ++i) {
      DWORD value = 0xDEAD;
      renderer.device->GetTextureStageState(stage, states[i], &value);
      EXPECT_EQ(value, expected[stage][i]) << "stage " << stage << " state " << states[i];
    }
  }
}

const D3DCOLORVALUE M0 = {0.1f, 0, 0, 1}, S0 = {0, 0.1f, 0, 1}, S2 = {0, 0.3f, 0, 1}, UNSET = {0, 0, 0, 0};
const D3DCOLORVALUE GREY = {0.5f, 0.5f, 0.5f, 1}, WIRE = {0.2f, 0.4f, 0.6f, 1};

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupMaterials,
    ::testing::Values(
        // One group takes the material itself, even when all its faces use one sub-material.
        GroupMaterialCase{"OneGroupTakesTheMaterialItself", 1, 2, 0, {1}, 2, false, {M0}, {true}},
        GroupMaterialCase{"SeveralTakeSubMaterialsById", 1, 3, 0, {2, 0, 2}, 3, false, {S0, S2}, {false, true}},
        GroupMaterialCase{"FewerSubMaterialsThanGroupsLeaveThemUnset", 1, 3, 0, {0, 1, 2}, 2, false,
                          {UNSET, UNSET, UNSET}, {false, false, false}},
        // Without a valid material the object is drawn in its wireframe colour, or grey.
        GroupMaterialCase{"NoTableTakesTheWireframeColour", 0, 0, 0, {0, 3}, 0, true, {WIRE}, {true}},
        GroupMaterialCase{"IndexBeyondTheTableIsGrey", 2, 0, 2, {0}, 0, false, {GREY}, {true}}),
    [](const ::testing::TestParamInfo<GroupMaterialCase>& info) { return std::string(info.param.name); });

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
  EXPECT_EQ(renderer.camera, camera);
  EXPECT_FLOAT_EQ(camera->orbit_distance, std::sqrt(925.0f));
}
