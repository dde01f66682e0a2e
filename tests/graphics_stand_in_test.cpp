// The DirectDraw / Direct3D stand-in as its callers rely on it: textures read with their first locked
// row at v = 0 and re-uploaded only after a finished write, point lights on vertex normals, real
// enumerations, and the surface requests it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d.h"
#include "platform/gfx_internal.h"
#include "render/renderer.h"
#include "texture/picture.h"
#include "texture/texture_cache.h"
#include "tests/device_test_support.h"

namespace {

class StandInTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ASSERT_TRUE(renderer_.CreateFullscreenDevice(window_, 640, 480, 16, IID_IDirect3DHALDevice));
    device_ = renderer_.device;
  }
  void TearDown() override {
    renderer_.ReleaseDevice();
    DeviceTest::TearDown();
  }

  Frame DrawAndPresent(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count) {
    EXPECT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device_->DrawPrimitive(type, fvf, vertices, count, 0), D3D_OK);
    EXPECT_EQ(device_->EndScene(), D3D_OK);
    EXPECT_EQ(renderer_.primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    return LastFrame();
  }

  IDirectDrawSurface7* NewTexture(const DDPIXELFORMAT& format, DWORD width, DWORD height, HRESULT* result) {
    DDSURFACEDESC2 desc = {};
    desc.dwSize = DDSURFACEDESC2_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddpfPixelFormat = format;
    IDirectDrawSurface7* surface = nullptr;
    *result = renderer_.ddraw->CreateSurface(&desc, &surface, nullptr);
    return surface;
  }

  std::vector<DDPIXELFORMAT> TextureFormats() {
    std::vector<DDPIXELFORMAT> formats;
    device_->EnumTextureFormats(
        [](DDPIXELFORMAT* f, LPVOID context) -> HRESULT {
          static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*f);
          return D3DENUMRET_OK;
        },
        &formats);
    return formats;
  }

  DDPIXELFORMAT Format565() {
    for (const DDPIXELFORMAT& f : TextureFormats()) {
      if (f.dwRGBBitCount == 16 && f.dwRBitMask == 0xF800) return f;
    }
    ADD_FAILURE() << "no 5-6-5 texture format";
    return DDPIXELFORMAT{};
  }

  Renderer renderer_;
  IDirect3DDevice7* device_ = nullptr;
};

void WriteRows565(IDirectDrawSurface7* texture, const std::vector<std::vector<uint16_t>>& rows) {
  DDSURFACEDESC2 locked = {};
  locked.dwSize = DDSURFACEDESC2_SIZE;
  ASSERT_EQ(texture->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  for (size_t y = 0; y < rows.size(); ++y) {
    std::memcpy(static_cast<uint8_t*>(locked.lpSurface) + y * locked.lPitch, rows[y].data(), rows[y].size() * 2);
  }
  ASSERT_EQ(texture->Unlock(nullptr), DD_OK);
}

}  // namespace

TEST_F(StandInTest, TexturesReadTheFirstLockedRowAtTheTopAndUploadAfterEachWrite) {
  HRESULT result;
  IDirectDrawSurface7* texture = NewTexture(Format565(), 2, 2, &result);
  ASSERT_EQ(result, DD_OK);
  WriteRows565(texture, {{0xF800, 0x07E0}, {0x001F, 0xFFFF}});
  device_->SetTexture(0, texture);
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
  device_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
  device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  // A screen-space quad over the whole target, wound clockwise on screen.
  D3DTLVERTEX quad[6] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},     {640, 0, 0.5f, 1, 0xFFFFFFFF, 0, 1, 0},
                         {0, 480, 0.5f, 1, 0xFFFFFFFF, 0, 0, 1},   {640, 0, 0.5f, 1, 0xFFFFFFFF, 0, 1, 0},
                         {640, 480, 0.5f, 1, 0xFFFFFFFF, 0, 1, 1}, {0, 480, 0.5f, 1, 0xFFFFFFFF, 0, 0, 1}};
  Frame frame = DrawAndPresent(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 6);
  EXPECT_EQ(frame.At(100, 100), Rgb(255, 0, 0));
  EXPECT_EQ(frame.At(540, 100), Rgb(0, 255, 0));
  EXPECT_EQ(frame.At(100, 380), Rgb(0, 0, 255));
  EXPECT_EQ(frame.At(540, 380), Rgb(255, 255, 255));

  WriteRows565(texture, {{0x0000, 0x0000}, {0x001F, 0xFFFF}});
  frame = DrawAndPresent(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 6);
  EXPECT_EQ(frame.At(100, 100), Rgb(0, 0, 0));
  EXPECT_EQ(frame.At(540, 380), Rgb(255, 255, 255));

  // A stage without a texture reads white: the vertex colour comes through the modulation.
  device_->SetTexture(0, nullptr);
  device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  for (D3DTLVERTEX& v : quad) v.color = 0xFF808000;
  frame = DrawAndPresent(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, quad, 6);
  EXPECT_EQ(frame.At(320, 240), Rgb(128, 128, 0));
  texture->Release();
}

// The viewer's pairing: a material texture on stage 0 modulated by a lightmap on stage 1. Each stage
// must sample its own texture, however the two were bound and uploaded.
TEST_F(StandInTest, TwoStagesEachSampleTheirOwnTexture) {
  HRESULT result;
  IDirectDrawSurface7* material = NewTexture(Format565(), 2, 2, &result);
  ASSERT_EQ(result, DD_OK);
  IDirectDrawSurface7* lightmap = NewTexture(Format565(), 2, 2, &result);
  ASSERT_EQ(result, DD_OK);
  WriteRows565(material, {{0xF800, 0xF800}, {0xF800, 0xF800}});
  WriteRows565(lightmap, {{0xFFFF, 0x0000}, {0xFFFF, 0x0000}});
  for (DWORD stage = 0; stage < 2; ++stage) {
    device_->SetTextureStageState(stage, D3DTSS_TEXCOORDINDEX, stage);
    device_->SetTextureStageState(stage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(stage, D3DTSS_COLORARG2, stage == 0 ? D3DTA_DIFFUSE : D3DTA_CURRENT);
    device_->SetTextureStageState(stage, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTFG_POINT);
    device_->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTFN_POINT);
  }
  device_->SetTexture(0, material);
  device_->SetTexture(1, lightmap);
  struct TwoTextureVertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u0, v0, u1, v1;
  };
  // Stage 0 runs over its texture twice, stage 1 once: only the lightmap splits the picture.
  const TwoTextureVertex quad[6] = {
      {0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0, 0},       {640, 0, 0.5f, 1, 0xFFFFFFFF, 2, 0, 1, 0},
      {0, 480, 0.5f, 1, 0xFFFFFFFF, 0, 2, 0, 1},     {640, 0, 0.5f, 1, 0xFFFFFFFF, 2, 0, 1, 0},
      {640, 480, 0.5f, 1, 0xFFFFFFFF, 2, 2, 1, 1},   {0, 480, 0.5f, 1, 0xFFFFFFFF, 0, 2, 0, 1}};
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "first upload" : "after a lightmap rewrite");
    Frame frame = DrawAndPresent(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2,
                                 const_cast<TwoTextureVertex*>(quad), 6);
    EXPECT_EQ(frame.At(100, 240), Rgb(255, 0, 0));
    EXPECT_EQ(frame.At(540, 240), Rgb(0, 0, 0));
    WriteRows565(lightmap, {{0xFFFF, 0x0000}, {0xFFFF, 0x0000}});
  }
  lightmap->Release();
  material->Release();
}

TEST_F(StandInTest, PointLightsShadeByTheNormalWhileLightingIsOn) {
  // One triangle facing the viewer (-z), seen through identity transforms.
  auto triangle = [](float normal_z) {
    std::vector<D3DVERTEX> v = {{-0.5f, -0.5f, 0.5f, 0, 0, normal_z, 0, 0},
                                {0.0f, 0.5f, 0.5f, 0, 0, normal_z, 0, 0},
                                {0.5f, -0.5f, 0.5f, 0, 0, normal_z, 0, 0}};
    return v;
  };
  std::vector<D3DVERTEX> facing = triangle(-1.0f), away = triangle(1.0f);
  // Lighting off: a vertex without colour is white.
  Frame frame = DrawAndPresent(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, facing.data(), 3);
  EXPECT_EQ(frame.At(320, 240), Rgb(255, 255, 255));

  device_->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  D3DLIGHT7 light = {};
  light.dltType = D3DLIGHT_POINT;
  light.dcvDiffuse = D3DCOLORVALUE{1, 1, 1, 1};
  light.dvPosition = D3DVECTOR{0, 0, -10};
  light.dvRange = 100;
  light.dvAttenuation0 = 1;
  ASSERT_EQ(device_->SetLight(0, &light), D3D_OK);
  ASSERT_EQ(device_->LightEnable(0, TRUE), D3D_OK);
  D3DMATERIAL7 material = {};
  material.diffuse = D3DCOLORVALUE{1, 0, 0, 1};
  device_->SetMaterial(&material);
  frame = DrawAndPresent(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, facing.data(), 3);
  const Rgb lit = frame.At(320, 240);
  EXPECT_GT(lit >> 16, 200u);
  EXPECT_EQ(lit & 0xFFFF, 0u);
  frame = DrawAndPresent(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, away.data(), 3);
  EXPECT_EQ(frame.At(320, 240), Rgb(0, 0, 0));
  // Out of range, the light gives nothing.
  light.dvRange = 5;
  device_->SetLight(0, &light);
  frame = DrawAndPresent(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, facing.data(), 3);
  EXPECT_EQ(frame.At(320, 240), Rgb(0, 0, 0));

  EXPECT_EQ(device_->SetLight(0, nullptr), DDERR_INVALIDPARAMS);
  light.dltType = 9;
  EXPECT_EQ(device_->SetLight(1, &light), DDERR_INVALIDPARAMS);
}

TEST_F(StandInTest, EnumerationsOfferRealChoices) {
  const std::vector<DDPIXELFORMAT> textures = TextureFormats();
  EXPECT_GE(textures.size(), 5u);
  bool has_4444 = false, has_565 = false, has_luminance = false;
  for (const DDPIXELFORMAT& f : textures) {
    has_4444 |= f.dwRGBBitCount == 16 && f.dwRGBAlphaBitMask == 0xF000 && (f.dwFlags & DDPF_ALPHAPIXELS) != 0;
    has_565 |= f.dwRGBBitCount == 16 && f.dwRBitMask == 0xF800;
    has_luminance |= (f.dwFlags & DDPF_LUMINANCE) != 0;
  }
  EXPECT_TRUE(has_4444 && has_565 && has_luminance);
  // Callers that take the first 16-bit alpha format must skip one before the 4-4-4-4.
  EXPECT_NE(textures[0].dwRGBAlphaBitMask, 0xF000u);

  struct Found {
    std::vector<GUID> guids;
    std::vector<DWORD> caps;
  } found;
  renderer_.d3d->EnumDevices(
      [](LPSTR, LPSTR, D3DDEVICEDESC7* desc, LPVOID context) -> HRESULT {
        static_cast<Found*>(context)->guids.push_back(desc->deviceGUID);
        static_cast<Found*>(context)->caps.push_back(desc->dwDevCaps);
        return D3DENUMRET_OK;
      },
      &found);
  ASSERT_EQ(found.guids.size(), 2u);
  EXPECT_TRUE(IsEqualGUID(found.guids[0], IID_IDirect3DHALDevice));
  EXPECT_TRUE(IsEqualGUID(found.guids[1], IID_IDirect3DTnLHalDevice));
  // Hardware rasterisation is claimed only by a driver that is not a software rasterizer.
  EXPECT_EQ((found.caps[0] & D3DDEVCAPS_HWRASTERIZATION) != 0, !GetGlInfo().software);

  std::vector<std::string> modes;
  renderer_.ddraw->EnumDisplayModes(0, nullptr, &modes, [](DDSURFACEDESC2* mode, LPVOID context) -> HRESULT {
    static_cast<std::vector<std::string>*>(context)->push_back(std::to_string(mode->dwWidth) + "x" +
                                                               std::to_string(mode->dwHeight) + "x" +
                                                               std::to_string(mode->ddpfPixelFormat.dwRGBBitCount));
    return DDENUMRET_OK;
  });
  for (const char* classic : {"640x480x16", "1024x768x16", "640x480x8"}) {
    EXPECT_NE(std::find(modes.begin(), modes.end(), classic), modes.end()) << classic;
  }
}

TEST_F(StandInTest, SurfaceRequestsThatCannotBeMetAreRefused) {
  const DDPIXELFORMAT format = Format565();
  HRESULT result;
  struct Case {
    DWORD caps_hook, max_edge_hook, width, height;
    HRESULT expected;
  };
  const Case cases[] = {
      {0, 0, 3, 5, DD_OK},
      {D3DPTEXTURECAPS_POW2, 0, 3, 4, DDERR_INVALIDPARAMS},
      {D3DPTEXTURECAPS_POW2, 0, 4, 8, DD_OK},
      {D3DPTEXTURECAPS_SQUAREONLY, 0, 4, 8, DDERR_INVALIDPARAMS},
      {0, 64, 128, 16, DDERR_TOOBIGWIDTH},
      {0, 64, 16, 128, DDERR_TOOBIGHEIGHT},
      {0, 0, 0, 4, DDERR_INVALIDPARAMS},
  };
  for (const Case& c : cases) {
    SetTextureCapsForTest(c.caps_hook);
    SetMaxTextureSizeForTest(c.max_edge_hook);
    IDirectDrawSurface7* surface = NewTexture(format, c.width, c.height, &result);
    EXPECT_EQ(result, c.expected) << c.width << "x" << c.height;
    EXPECT_EQ(surface != nullptr, c.expected == DD_OK);
    if (surface != nullptr) surface->Release();
  }
  ResetGraphicsTestHooks();
  D3DDEVICEDESC7 caps = {};
  SetTextureCapsForTest(D3DPTEXTURECAPS_POW2);
  device_->GetCaps(&caps);
  EXPECT_NE(caps.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_POW2, 0u);
  ResetGraphicsTestHooks();

  IDirectDrawSurface7* texture = NewTexture(format, 4, 4, &result);
  ASSERT_NE(texture, nullptr);
  DDSURFACEDESC2 locked = {};
  locked.dwSize = DDSURFACEDESC2_SIZE;
  ASSERT_EQ(texture->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_GE(locked.lPitch, 8);
  EXPECT_EQ(texture->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(texture->Unlock(nullptr), DD_OK);
  EXPECT_EQ(texture->Unlock(nullptr), DDERR_NOTLOCKED);
  locked.dwSize = 100;
  EXPECT_EQ(texture->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
  texture->Release();

  // A DirectDraw object without a cooperative level makes no surfaces.
  IDirectDraw7* bare = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&bare), IID_IDirectDraw7, nullptr), DD_OK);
  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* surface = nullptr;
  EXPECT_EQ(bare->CreateSurface(&desc, &surface, nullptr), DDERR_NOCOOPERATIVELEVELSET);
  EXPECT_EQ(surface, nullptr);
  bare->Release();
}

TEST_F(StandInTest, TextureCacheSurfacesAreMadeOnTheDeviceWithItsCaps) {
  // The surface takes each picture and frees it.
  IDirectDrawSurface7* plain = CreateTextureSurface(device_, NewPicture(3, 2), 3, 2);
  ASSERT_NE(plain, nullptr);
  SetTextureCapsForTest(D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY);
  IDirectDrawSurface7* rounded = CreateTextureSurface(device_, NewPicture(3, 2), 3, 2);
  ASSERT_NE(rounded, nullptr);
  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  plain->GetSurfaceDesc(&desc);
  EXPECT_EQ(desc.dwWidth * 10 + desc.dwHeight, 32u);
  EXPECT_EQ(desc.ddpfPixelFormat.dwRGBAlphaBitMask, 0xF000u);
  rounded->GetSurfaceDesc(&desc);
  EXPECT_EQ(desc.dwWidth * 10 + desc.dwHeight, 44u);
  plain->Release();
  rounded->Release();
}
