// The DirectDraw / Direct3D stand-in as its callers rely on it: textures read with their first locked
// row at v = 0 and brought up to date after each write, each stage sampling its own texture however
// the bindings change, point lights on vertex normals, states, lights and vertex formats changed between
// the draws of one scene, and the texture requests it refuses.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "platform/gfx_internal.h"
#include "texture/picture.h"
#include "texture/texture_cache.h"
#include "tests/device_test_support.h"

namespace {

// Screen-space vertices with two sets of texture coordinates.
struct TwoTextureVertex {
  float x, y, z, rhw;
  D3DCOLOR diffuse;
  float u0, v0, u1, v1;
};

// A quad over x0..x1 of the target, wound clockwise; stage 0 runs `repeat` times over its texture.
std::vector<TwoTextureVertex> Quad(float x0, float x1, float repeat = 1, D3DCOLOR diffuse = 0xFFFFFFFF) {
  const TwoTextureVertex corners[4] = {{x0, 0, 0.5f, 1, diffuse, 0, 0, 0, 0},
                                       {x1, 0, 0.5f, 1, diffuse, repeat, 0, 1, 0},
                                       {x0, 480, 0.5f, 1, diffuse, 0, repeat, 0, 1},
                                       {x1, 480, 0.5f, 1, diffuse, repeat, repeat, 1, 1}};
  return {corners[0], corners[1], corners[2], corners[1], corners[3], corners[2]};
}

// Writes 5-6-5 rows from row `top` on, locking the whole surface for row 0, else only the rows written.
void WriteRows565(IDirectDrawSurface7* texture, const std::vector<std::vector<uint16_t>>& rows, LONG top = 0) {
  DDSURFACEDESC2 locked = {};
  locked.dwSize = DDSURFACEDESC2_SIZE;
  RECT part = {0, top, static_cast<LONG>(rows[0].size()), top + static_cast<LONG>(rows.size())};
  ASSERT_EQ(texture->Lock(top == 0 ? nullptr : &part, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  uint8_t* first = static_cast<uint8_t*>(locked.lpSurface);
  for (size_t y = 0; y < rows.size(); ++y) std::memcpy(first + y * locked.lPitch, rows[y].data(), rows[y].size() * 2);
  ASSERT_EQ(texture->Unlock(top == 0 ? nullptr : &part), DD_OK);
}

class StandInTest : public FullScreenDeviceTest {
 protected:
  void SetUp() override {
    FullScreenDeviceTest::SetUp();
    device_ = renderer_.device;
    for (DWORD stage = 0; stage < 2; ++stage) device_->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTFG_POINT);
  }

  // One scene of draws of the given vertices, each after `before_draw` of its index when given.
  template <typename Vertex = TwoTextureVertex>
  Frame DrawAndPresent(const std::vector<std::vector<Vertex>>& draws, const std::function<void(size_t)>& before_draw = {},
                       DWORD fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2) {
    device_->BeginScene();
    device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    for (size_t i = 0; i < draws.size(); ++i) {
      if (before_draw) before_draw(i);
      void* vertices = const_cast<Vertex*>(draws[i].data());
      EXPECT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, fvf, vertices, static_cast<DWORD>(draws[i].size()), 0), D3D_OK);
    }
    device_->EndScene();
    EXPECT_EQ(renderer_.primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    return LastFrame();
  }

  IDirectDrawSurface7* NewTexture(DWORD width, DWORD height, HRESULT* result, IDirectDraw7* ddraw = nullptr) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = DDSURFACEDESC2_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddpfPixelFormat = DisplayFormat(16)->ddpf;  // 5-6-5
    IDirectDrawSurface7* surface = nullptr;
    *result = (ddraw != nullptr ? ddraw : renderer_.ddraw)->CreateSurface(&desc, &surface, nullptr);
    return surface;
  }

  IDirect3DDevice7* device_ = nullptr;
};

}  // namespace

// The viewer's pairing is a material texture on stage 0 modulated by a lightmap on stage 1, with the
// lightmap changing from one draw to the next. Each stage's texture is uploaded as it is bound.
TEST_F(StandInTest, TexturesShowEveryWriteOnTheirOwnStage) {
  HRESULT result;
  IDirectDrawSurface7* material = NewTexture(2, 3, &result);
  IDirectDrawSurface7* lightmaps[2] = {NewTexture(2, 2, &result), NewTexture(2, 2, &result)};
  ASSERT_EQ(result, DD_OK);
  WriteRows565(material, {{0xF800, 0x07E0}, {0x001F, 0xFFFF}, {0x0000, 0xF800}});
  device_->SetTexture(0, material);  // both stages modulate, as the viewer sets them up
  Frame frame = DrawAndPresent({Quad(0, 640)});
  EXPECT_EQ(frame.At(100, 80), Rgb(255, 0, 0));  // the first row is the top
  EXPECT_EQ(frame.At(100, 240), Rgb(0, 0, 255));
  // Two partial writes between two draws of one scene, the lower rows first: the second draw shows
  // both, and the row above them keeps its own.
  frame = DrawAndPresent({Quad(0, 320), Quad(320, 640)}, [&](size_t i) {
    if (i == 0) return;
    WriteRows565(material, {{0xFFFF, 0xF800}}, 2);
    WriteRows565(material, {{0x07E0, 0xF800}}, 1);
  });
  EXPECT_EQ(frame.At(100, 240), Rgb(0, 0, 255));  // drawn before the writes
  EXPECT_EQ(frame.At(420, 80), Rgb(255, 0, 0));
  EXPECT_EQ(frame.At(420, 240), Rgb(0, 255, 0));
  EXPECT_EQ(frame.At(420, 400), Rgb(255, 255, 255));
  WriteRows565(material, {{0xF800, 0xF800}, {0xF800, 0xF800}, {0xF800, 0xF800}});
  WriteRows565(lightmaps[0], {{0xFFFF, 0x0000}, {0xFFFF, 0x0000}});
  WriteRows565(lightmaps[1], {{0x0000, 0xFFFF}, {0x0000, 0xFFFF}});
  // Stage 0 runs over its texture twice per quad, stage 1 once: only the lightmaps split the picture.
  frame = DrawAndPresent({Quad(0, 320, 2), Quad(320, 640, 2)}, [&](size_t i) { device_->SetTexture(1, lightmaps[i]); });
  EXPECT_EQ(frame.At(40, 240), Rgb(255, 0, 0));
  EXPECT_EQ(frame.At(200, 240), Rgb(0, 0, 0));  // stage 1 on stage 0's coordinates would light it
  EXPECT_EQ(frame.At(600, 240), Rgb(255, 0, 0));
  // A stage without a texture reads white; a state changed between two draws of a scene holds from the
  // second on (here stage 1, with the lightmap dark on its left, is switched off).
  device_->SetTexture(0, nullptr);
  frame = DrawAndPresent({Quad(0, 320, 1, 0xFF808000), Quad(320, 640, 1, 0xFF808000)}, [&](size_t i) {
    device_->SetTextureStageState(1, D3DTSS_COLOROP, i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE);
  });
  EXPECT_EQ(frame.At(100, 240), Rgb(0, 0, 0));
  EXPECT_EQ(frame.At(200, 240), Rgb(128, 128, 0));
  EXPECT_EQ(frame.At(420, 240), Rgb(128, 128, 0));
  for (IDirectDrawSurface7* surface : {material, lightmaps[0], lightmaps[1]}) surface->Release();
}

// The viewer switches lights between the draws of one scene with no clear in between: each draw is lit
// by the lights enabled when it is made.
TEST_F(StandInTest, PointLightsShadeByTheNormalAndTheLightsEnabledAtEachDraw) {
  device_->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  // A white point light 10 in front, in range up to 100, a red material and a dim red ambient, so
  // that an unlit triangle still shows where it was drawn.
  D3DLIGHT7 light = {D3DLIGHT_POINT, {1, 1, 1, 1}, {}, {}, {0, 0, -10}, {}, 100, 0, 1, 0, 0, 0, 0};
  ASSERT_EQ(device_->SetLight(0, &light), D3D_OK);
  D3DMATERIAL7 material = {{1, 0, 0, 1}, {1, 0, 0, 1}, {}, {}, 0};
  device_->SetMaterial(&material);
  device_->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00404040);
  const struct {
    bool light_on;
    float normal_z;  // -1 faces the viewer and the light
    bool lit;
    const char* what;
  } draws[] = {{true, -1, true, "facing the light"},
               {false, -1, false, "drawn after the light was switched off"},
               {true, -1, true, "switched on again"},
               {true, 1, false, "facing away"}};
  // Triangles side by side across the target, seen through identity transforms.
  std::vector<std::vector<D3DVERTEX>> triangles;
  for (const auto& d : draws) {
    const float x = -0.75f + 0.5f * static_cast<float>(triangles.size());
    triangles.push_back({{x - 0.2f, -0.5f, 0.5f, 0, 0, d.normal_z, 0, 0},
                         {x, 0.5f, 0.5f, 0, 0, d.normal_z, 0, 0},
                         {x + 0.2f, -0.5f, 0.5f, 0, 0, d.normal_z, 0, 0}});
  }
  // Between the last two, a green pre-transformed quad, in another vertex format and with no state change.
  std::vector<TwoTextureVertex> quad = Quad(300, 340, 1, 0xFF00FF00);
  const Frame frame = DrawAndPresent<D3DVERTEX>(
      triangles,
      [&](size_t i) {
        ASSERT_EQ(device_->LightEnable(0, draws[i].light_on), D3D_OK);
        if (i == 3) {
          device_->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2, quad.data(), 6, 0);
        }
      },
      D3DFVF_VERTEX);
  EXPECT_EQ(frame.At(320, 240), Rgb(0, 255, 0));
  for (int i = 0; i < 4; ++i) {
    const Rgb pixel = frame.At(80 + 160 * i, 240), red = pixel >> 16;
    EXPECT_TRUE((pixel & 0xFFFF) == 0 && (draws[i].lit ? red > 200 : red > 56 && red < 72))
        << draws[i].what << ": " << std::hex << pixel;
  }
}

// Textures a device with restricted caps cannot have are refused, so callers' failure paths run; the
// texture cache rounds its surfaces to those caps itself.
TEST_F(StandInTest, TextureSurfacesFollowTheDeviceCaps) {
  HRESULT result;
  const struct {
    DWORD caps_hook, max_edge_hook, width, height;
    HRESULT expected;
  } cases[] = {
      {D3DPTEXTURECAPS_POW2, 0, 3, 4, DDERR_INVALIDPARAMS},
      {D3DPTEXTURECAPS_SQUAREONLY, 0, 4, 8, DDERR_INVALIDPARAMS},
      {0, 64, 128, 16, DDERR_TOOBIGWIDTH},
      {0, 64, 16, 128, DDERR_TOOBIGHEIGHT},
  };
  for (const auto& c : cases) {
    SetTextureCapsForTest(c.caps_hook);
    SetMaxTextureSizeForTest(c.max_edge_hook);
    EXPECT_EQ(NewTexture(c.width, c.height, &result), nullptr);
    EXPECT_EQ(result, c.expected) << c.width << "x" << c.height;
  }
  IDirectDraw7* bare = nullptr;  // without a cooperative level: no surfaces
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&bare), IID_IDirectDraw7, nullptr), DD_OK);
  EXPECT_EQ(NewTexture(4, 4, &result, bare), nullptr);
  EXPECT_EQ(result, DDERR_NOCOOPERATIVELEVELSET);
  bare->Release();
  for (DWORD caps : {0u, static_cast<DWORD>(D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY)}) {
    SetTextureCapsForTest(caps);
    IDirectDrawSurface7* surface = CreateTextureSurface(device_, NewPicture(3, 2), 3, 2);
    ASSERT_NE(surface, nullptr);
    DDSURFACEDESC2 desc = {};
    desc.dwSize = DDSURFACEDESC2_SIZE;
    surface->GetSurfaceDesc(&desc);
    EXPECT_EQ(desc.dwWidth * 10 + desc.dwHeight, caps == 0 ? 32u : 44u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBAlphaBitMask, 0xF000u);
    surface->Release();
  }
}

// A vertex buffer is drawn from the device's own copy, which follows every write to the buffer, also
// between draws from plain memory and from another part of the buffer.
TEST_F(StandInTest, VertexBuffersDrawWhatTheyLastHeld) {
  const DWORD fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2;
  D3DVERTEXBUFFERDESC desc = {sizeof(D3DVERTEXBUFFERDESC), D3DVBCAPS_WRITEONLY, fvf, 12};
  IDirect3DVertexBuffer7* buffer = nullptr;
  ASSERT_EQ(renderer_.d3d->CreateVertexBuffer(&desc, &buffer, 0), D3D_OK);
  auto fill = [&](D3DCOLOR left, D3DCOLOR right) {
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(DDLOCK_WAIT, &data, nullptr), D3D_OK);
    std::vector<TwoTextureVertex> quads = Quad(0, 200, 1, left);
    for (const TwoTextureVertex& v : Quad(440, 640, 1, right)) quads.push_back(v);
    std::memcpy(data, quads.data(), quads.size() * sizeof(TwoTextureVertex));
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
  };
  // Each part of the buffer drawn before a quad from plain memory.
  auto draw = [&] {
    const std::vector<TwoTextureVertex> middle = Quad(250, 390, 1, 0xFFFFFF00);
    const Frame frame = DrawAndPresent({middle, middle}, [&](size_t i) {
      EXPECT_EQ(device_->DrawPrimitiveVB(D3DPT_TRIANGLELIST, buffer, 6 * static_cast<DWORD>(i), 6, 0), D3D_OK);
    });
    return std::vector<Rgb>{frame.At(100, 240), frame.At(320, 240), frame.At(540, 240)};
  };
  fill(0xFFFF0000, 0xFF00FF00);
  EXPECT_EQ(draw(), (std::vector<Rgb>{Rgb(255, 0, 0), Rgb(255, 255, 0), Rgb(0, 255, 0)}));
  EXPECT_EQ(draw(), (std::vector<Rgb>{Rgb(255, 0, 0), Rgb(255, 255, 0), Rgb(0, 255, 0)}));
  fill(0xFF0000FF, 0xFFFFFFFF);
  EXPECT_EQ(draw(), (std::vector<Rgb>{Rgb(0, 0, 255), Rgb(255, 255, 0), Rgb(255, 255, 255)}));
  // Once drawn, a write-only buffer's vertices live in the device's copy; a lock hands them back whole,
  // so that a write of one vertex keeps all the others.
  void* data = nullptr;
  ASSERT_EQ(buffer->Lock(DDLOCK_WAIT, &data, nullptr), D3D_OK);
  TwoTextureVertex* held = static_cast<TwoTextureVertex*>(data);
  EXPECT_EQ(held[6].diffuse, 0xFFFFFFFFu);
  EXPECT_EQ(held[11].x, 440.0f);
  for (int v = 0; v < 6; ++v) held[v].diffuse = 0xFF00FFFF;
  ASSERT_EQ(buffer->Unlock(), D3D_OK);
  EXPECT_EQ(draw(), (std::vector<Rgb>{Rgb(0, 255, 255), Rgb(255, 255, 0), Rgb(255, 255, 255)}));
  buffer->Release();
}
