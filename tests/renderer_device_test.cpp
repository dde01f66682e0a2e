// The renderer's device on the headless stand-in: windowed and full-screen creation rendered and read
// back, every creation failure with its one report and nothing left behind, and the vertex buffers.
#include "render/renderer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/test_hooks.h"
#include "platform/window_internal.h"
#include "tests/device_test_support.h"

namespace {

bool AllInterfacesNull(const Renderer& r) {
  return r.ddraw == nullptr && r.primary == nullptr && r.back_buffer == nullptr && r.z_buffer == nullptr &&
         r.d3d == nullptr && r.device == nullptr && r.clipper == nullptr;
}

std::vector<std::string> ReportTexts() {
  std::vector<std::string> texts;
  for (const CapturedMessageBox& box : EndCaptureMessageBoxes()) {
    texts.push_back(box.caption + ": " + box.text);
  }
  BeginCaptureMessageBoxes();
  return texts;
}

void ClearBlue(IDirect3DDevice7* device) {
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0), D3D_OK);
}

}  // namespace

TEST_F(DeviceTest, WindowedDeviceRendersIntoTheClientAreaAndPresentsByBlit) {
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  EXPECT_TRUE(ReportTexts().empty());
  ASSERT_NE(renderer.device, nullptr);
  ASSERT_NE(renderer.clipper, nullptr);
  EXPECT_EQ(renderer.windowed, 1);
  RECT client;
  ASSERT_TRUE(GetClientRect(window_, &client));
  EXPECT_EQ(renderer.target_rect.right, client.right);
  EXPECT_EQ(renderer.target_rect.bottom, client.bottom);

  // The state every new device starts from, read back from the device.
  DWORD value = 0;
  renderer.device->GetRenderState(D3DRENDERSTATE_LIGHTING, &value);
  EXPECT_EQ(value, static_cast<DWORD>(FALSE));
  renderer.device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTOP_MODULATE));
  renderer.device->GetTextureStageState(0, D3DTSS_COLORARG2, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTA_DIFFUSE));

  ASSERT_EQ(renderer.device->BeginScene(), D3D_OK);
  ClearBlue(renderer.device);
  // A red triangle in the upper half, wound clockwise on screen; the same triangle wound the other way
  // is culled by the default culling.
  const D3DLVERTEX red[3] = {{-0.5f, 0.2f, 0.5f, 0, 0xFFFF0000, 0, 0, 0},
                             {0.0f, 0.9f, 0.5f, 0, 0xFFFF0000, 0, 0, 0},
                             {0.5f, 0.2f, 0.5f, 0, 0xFFFF0000, 0, 0, 0}};
  const D3DLVERTEX green_ccw[3] = {{-0.5f, -0.2f, 0.5f, 0, 0xFF00FF00, 0, 0, 0},
                                   {0.0f, -0.9f, 0.5f, 0, 0xFF00FF00, 0, 0, 0},
                                   {0.5f, -0.2f, 0.5f, 0, 0xFF00FF00, 0, 0, 0}};
  EXPECT_EQ(renderer.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, const_cast<D3DLVERTEX*>(red), 3, 0),
            D3D_OK);
  EXPECT_EQ(
      renderer.device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX, const_cast<D3DLVERTEX*>(green_ccw), 3, 0),
      D3D_OK);
  ASSERT_EQ(renderer.device->EndScene(), D3D_OK);
  ASSERT_EQ(renderer.primary->Blt(&renderer.screen_rect, renderer.back_buffer, nullptr, DDBLT_WAIT, nullptr), DD_OK);

  Frame frame = LastFrame();
  ASSERT_EQ(frame.width, client.right);
  ASSERT_EQ(frame.height, client.bottom);
  EXPECT_EQ(frame.At(2, 2), Rgb(0, 0, 255));
  EXPECT_EQ(frame.At(frame.width / 2, frame.height / 4), Rgb(255, 0, 0));       // upper half: drawn
  EXPECT_EQ(frame.At(frame.width / 2, frame.height * 3 / 4), Rgb(0, 0, 255));  // lower half: culled
}

TEST_F(DeviceTest, FullscreenDeviceAt640x480x16FlipsAndCarriesGdiText) {
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateFullscreenDevice(window_, 640, 480, 16, IID_IDirect3DTnLHalDevice));
  EXPECT_TRUE(ReportTexts().empty());
  EXPECT_EQ(renderer.windowed, 0);
  EXPECT_EQ(renderer.clipper, nullptr);
  EXPECT_EQ(renderer.target_rect.right, 640);
  EXPECT_EQ(renderer.target_rect.bottom, 480);
  DDSURFACEDESC2 mode = {};
  mode.dwSize = DDSURFACEDESC2_SIZE;
  ASSERT_EQ(renderer.ddraw->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);

  ASSERT_EQ(renderer.device->BeginScene(), D3D_OK);
  ClearBlue(renderer.device);
  ASSERT_EQ(renderer.device->EndScene(), D3D_OK);
  HDC dc = nullptr;
  ASSERT_EQ(renderer.back_buffer->GetDC(&dc), DD_OK);
  HDC second = nullptr;
  EXPECT_EQ(renderer.back_buffer->GetDC(&second), DDERR_DCALREADYCREATED);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 0));
  EXPECT_TRUE(TextOutA(dc, 10, 10, "FPS 60", 6));
  ASSERT_EQ(renderer.back_buffer->ReleaseDC(dc), DD_OK);
  EXPECT_FALSE(TextOutA(dc, 10, 10, "late", 4));  // a released context is refused, not written through
  ASSERT_EQ(renderer.primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);

  Frame frame = LastFrame();
  ASSERT_EQ(frame.width, 640);
  ASSERT_EQ(frame.height, 480);
  int yellow = 0;
  for (int y = 10; y < 24; ++y) {
    for (int x = 10; x < 60; ++x) yellow += frame.At(x, y) == Rgb(255, 255, 0) ? 1 : 0;
  }
  EXPECT_GT(yellow, 20);
  EXPECT_EQ(frame.At(5, 5), Rgb(0, 0, 255));
  EXPECT_EQ(frame.At(10, 40), Rgb(0, 0, 255));

  // A second creation releases the first device and builds anew; twice released is harmless.
  ASSERT_TRUE(renderer.CreateFullscreenDevice(window_, 640, 480, 16, IID_IDirect3DHALDevice));
  renderer.ReleaseDevice();
  renderer.ReleaseDevice();
  EXPECT_TRUE(AllInterfacesNull(renderer));
}

struct CreationFailure {
  const char* name;
  void (*arrange)(DeviceTest*);
  bool (*create)(Renderer*, HWND);
  const char* report;
};

bool CreateWindowed(Renderer* r, HWND window) { return r->CreateDeviceFromChoice(window); }
bool CreateFullscreen8(Renderer* r, HWND window) {
  return r->CreateFullscreenDevice(window, 640, 480, 8, IID_IDirect3DHALDevice);
}
bool CreateFullscreenOddMode(Renderer* r, HWND window) {
  return r->CreateFullscreenDevice(window, 123, 45, 16, IID_IDirect3DHALDevice);
}
bool CreateFullscreenUnknownDevice(Renderer* r, HWND window) {
  const GUID software = {0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
  return r->CreateFullscreenDevice(window, 640, 480, 16, software);
}
bool CreateFullscreenTwice(Renderer* r, HWND window) {
  // Another DirectDraw object holds exclusive mode on the window.
  Renderer holder;
  if (!holder.CreateFullscreenDevice(window, 640, 480, 16, IID_IDirect3DHALDevice)) return true;
  ReportTexts();
  const bool created = r->CreateFullscreenDevice(window, 640, 480, 16, IID_IDirect3DHALDevice);
  holder.ReleaseDevice();
  return created;
}

class DeviceCreationFailure : public DeviceTest, public ::testing::WithParamInterface<CreationFailure> {};

TEST_P(DeviceCreationFailure, ShowsOneReportAndLeavesNoInterface) {
  const CreationFailure& c = GetParam();
  c.arrange(this);
  Renderer renderer;
  EXPECT_FALSE(c.create(&renderer, window_));
  EXPECT_EQ(ReportTexts(), std::vector<std::string>{std::string("Report: ") + c.report});
  EXPECT_TRUE(AllInterfacesNull(renderer));
  // Nothing half made is used afterwards.
  renderer.SetDefaultDeviceState();
  EXPECT_EQ(renderer.NewVertexBuffer(D3DFVF_VERTEX, 3), nullptr);
  renderer.ReleaseDevice();
  EXPECT_TRUE(ReportTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, DeviceCreationFailure,
    ::testing::Values(
        CreationFailure{"ZeroSizedClientArea", [](DeviceTest* t) {
                          t->ReplaceWindow(640, 1, true);
                          t->Pick();
                        }, CreateWindowed,
                        "Failed to Create Surface"},
        CreationFailure{"OnlyStencilDepthFormats", [](DeviceTest*) { SetOnlyStencilDepthFormatsForTest(true); },
                        CreateWindowed, "failed to Create ZBuffer"},
        CreationFailure{"PalettizedDesktop", [](DeviceTest*) { SetDesktopBitsPerPixelOverride(8); }, CreateWindowed,
                        "Must be not in palettized"},
        CreationFailure{"PalettizedMode", [](DeviceTest*) {}, CreateFullscreen8, "Must be not in palettized"},
        CreationFailure{"ModeNotOffered", [](DeviceTest*) {}, CreateFullscreenOddMode, "Failed to Set DisplayMode"},
        CreationFailure{"DeviceWithoutDepthFormats", [](DeviceTest*) {}, CreateFullscreenUnknownDevice,
                        "Fail to Enum ZBuffer"},
        CreationFailure{"ExclusiveModeTaken", [](DeviceTest*) {}, CreateFullscreenTwice,
                        "Failed to Set CooperativeLevel"}),
    [](const ::testing::TestParamInfo<CreationFailure>& info) { return std::string(info.param.name); });

TEST_F(DeviceTest, FindZBufferFormatTakesTheFirstDepthOnlyFormat) {
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  std::vector<DWORD> flags;
  renderer.d3d->EnumZBufferFormats(
      IID_IDirect3DHALDevice,
      [](DDPIXELFORMAT* f, LPVOID context) -> HRESULT {
        static_cast<std::vector<DWORD>*>(context)->push_back(f->dwFlags);
        return D3DENUMRET_OK;
      },
      &flags);
  ASSERT_GE(flags.size(), 3u);
  EXPECT_EQ(flags[0], static_cast<DWORD>(DDPF_ZBUFFER | DDPF_STENCILBUFFER));  // skipped by the search
  DDPIXELFORMAT found = {};
  renderer.d3d->EnumZBufferFormats(IID_IDirect3DHALDevice, FindZBufferFormat, &found);
  EXPECT_EQ(found.dwSize, 32u);
  EXPECT_EQ(found.dwFlags, static_cast<DWORD>(DDPF_ZBUFFER));
  EXPECT_EQ(found.dwZBufferBitDepth, 16u);
  // The z-buffer of a hardware device is asked for in video memory.
  DDSURFACEDESC2 desc = {};
  desc.dwSize = DDSURFACEDESC2_SIZE;
  ASSERT_EQ(renderer.z_buffer->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_NE(desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
}

struct BufferFailure {
  HRESULT result;
  const char* report;  // null: no box
};

class VertexBufferFailure : public DeviceTest, public ::testing::WithParamInterface<BufferFailure> {};

TEST_P(VertexBufferFailure, ShowsTheResultsTextOrNothing) {
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  SetVertexBufferFailureForTest(GetParam().result);
  EXPECT_EQ(renderer.NewVertexBuffer(D3DFVF_VERTEX, 4), nullptr);
  const std::vector<std::string> texts = ReportTexts();
  if (GetParam().report == nullptr) {
    EXPECT_TRUE(texts.empty());
  } else {
    EXPECT_EQ(texts, std::vector<std::string>{std::string("Report: ") + GetParam().report});
  }
}

INSTANTIATE_TEST_SUITE_P(Results, VertexBufferFailure,
                         ::testing::Values(BufferFailure{D3DERR_INVALIDVERTEXTYPE, "D3DERR_INVALIDVERTEXTYPE"},
                                           BufferFailure{E_OUTOFMEMORY, "Out of memory"},
                                           BufferFailure{D3DERR_VBUF_CREATE_FAILED, "D3DERR_VBUF_CREATE_FAILED"},
                                           BufferFailure{DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"},
                                           BufferFailure{E_FAIL, nullptr}),
                         [](const ::testing::TestParamInfo<BufferFailure>& info) {
                           std::string name = info.param.report != nullptr ? info.param.report : "OtherFailure";
                           for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

TEST_F(DeviceTest, VertexBuffersRefuseBadRequestsAndCopyOnlyThe32ByteLayouts) {
  Renderer renderer;
  ASSERT_TRUE(renderer.CreateDeviceFromChoice(window_));
  // The stand-in's own refusals reach the same texts.
  EXPECT_EQ(renderer.NewVertexBuffer(0x10000 | D3DFVF_XYZ, 3), nullptr);
  EXPECT_EQ(renderer.NewVertexBuffer(D3DFVF_VERTEX, 0), nullptr);
  EXPECT_EQ(ReportTexts(), (std::vector<std::string>{"Report: D3DERR_INVALIDVERTEXTYPE", "Report: DDERR_INVALIDPARAMS"}));

  std::vector<uint8_t> source(3 * 40);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i + 1);
  auto contents = [](IDirect3DVertexBuffer7* buffer) {
    LPVOID data = nullptr;
    DWORD size = 0;
    EXPECT_EQ(buffer->Lock(DDLOCK_WAIT, &data, &size), D3D_OK);
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    buffer->Unlock();
    return bytes;
  };

  IDirect3DVertexBuffer7* lit = renderer.NewVertexBuffer(D3DFVF_LVERTEX, 3);
  ASSERT_NE(lit, nullptr);
  EXPECT_TRUE(renderer.FillVertexBuffer(lit, source.data(), D3DFVF_LVERTEX, 3));
  EXPECT_EQ(contents(lit), std::vector<uint8_t>(source.begin(), source.begin() + 96));

  const DWORD two_sets = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;
  IDirect3DVertexBuffer7* wide = renderer.NewVertexBuffer(two_sets, 3);
  ASSERT_NE(wide, nullptr);
  EXPECT_TRUE(renderer.FillVertexBuffer(wide, source.data(), two_sets, 3));
  EXPECT_EQ(contents(wide), std::vector<uint8_t>(120, 0));

  // A buffer that cannot be locked keeps what it held.
  LPVOID held = nullptr;
  ASSERT_EQ(lit->Lock(0, &held, nullptr), D3D_OK);
  std::vector<uint8_t> other(96, 0xEE);
  EXPECT_FALSE(renderer.FillVertexBuffer(lit, other.data(), D3DFVF_LVERTEX, 3));
  lit->Unlock();
  EXPECT_EQ(contents(lit), std::vector<uint8_t>(source.begin(), source.begin() + 96));
  EXPECT_FALSE(renderer.FillVertexBuffer(nullptr, source.data(), D3DFVF_VERTEX, 3));
  EXPECT_TRUE(ReportTexts().empty());
  lit->Release();
  wide->Release();
}
