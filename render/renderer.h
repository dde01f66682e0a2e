// The Renderer: the one owner of every DirectDraw 7 and Direct3D 7 interface, the frame-rate figure,
// the orbit camera binding and (through g_scene) the loaded scene. Device creation shows one "Report"
// box on failure and leaves whatever it created for the next creation or ReleaseDevice to release;
// every operation checks its interfaces, so a partly built renderer never touches a null one.
#pragma once

#include <cstdint>

#include "math/math3d.h"
#include "platform/d3d.h"

struct AseScene;
struct CameraObject;
struct FaceGroup;

class Renderer {
 public:
  Renderer();
  ~Renderer();  // destroys g_scene, then releases the device
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // Device set-up and teardown.
  bool CreateDeviceFromChoice(HWND window);
  bool CreateFullscreenDevice(HWND window, uint16_t width, uint16_t height, uint8_t bits_per_pixel, GUID device_type);
  void ReleaseDevice();
  void SetDefaultDeviceState();
  IDirect3DDevice7* GetDevice() const { return device; }

  // Vertex buffers for the renderable build; failures show one box and give null.
  IDirect3DVertexBuffer7* NewVertexBuffer(DWORD fvf, DWORD vertex_count);
  bool FillVertexBuffer(IDirect3DVertexBuffer7* buffer, const void* source, DWORD fvf, DWORD vertex_count);

  // Scene setup.
  void ApplyScene(AseScene* scene);
  void AddLight(const Vector3& direction, const Vector3& position, D3DLIGHTTYPE type);
  void SetupCamera(const Vector3& eye, const Vector3& target, float near_clip, float far_clip);

  // Frames.
  void RenderFrame();
  void UpdateFps();
  void DrawScene(AseScene* scene);
  void DrawFaceGroup(FaceGroup* group);
  void DrawOverlayText(const char* text, int x, int y);
  void ToggleLighting();

  // View control.
  void OrbitCamera(float angle_delta, float height_delta, float distance_delta);
  void OnResize();
  void OnMove();
  // Beyond the mouse: the wheel (WHEEL_DELTA per notch, positive toward the target), Home back to the
  // scene's own view and F to frame all of the scene's geometry.
  void ZoomCamera(int wheel_delta);
  void ResetView(const AseScene* scene);
  void FrameScene(const AseScene* scene);
  // Gives the device the view and projection of the camera's orbit; an eye on its target keeps the view.
  void SendOrbitView();

  // Creation steps shared by both ways of creating the device; false after the step's one report.
  bool Fail(const char* text);
  bool CreateFlipChain(DWORD width, DWORD height);
  bool AttachDepthAndCreateDevice(const GUID& device_type, bool report_enum_failure);

  GUID* driver_guid = nullptr;
  GUID* device_guid = nullptr;
  float far_plane = 0.0f;
  float near_plane = 0.0f;
  uint8_t lighting_off = 0;
  Matrix4 world;
  Matrix4 view;
  Matrix4 projection;
  Matrix4 base_world;
  CameraObject* camera = nullptr;
  CameraObject* framing_camera = nullptr;  // owned: the orbit of a scene without a camera, and of F
  uint16_t fps = 0;
  HWND window = nullptr;
  IDirectDraw7* ddraw = nullptr;
  IDirectDrawSurface7* primary = nullptr;
  IDirectDrawSurface7* back_buffer = nullptr;
  IDirectDrawSurface7* z_buffer = nullptr;
  IDirect3D7* d3d = nullptr;
  IDirect3DDevice7* device = nullptr;
  IDirectDrawClipper* clipper = nullptr;
  RECT target_rect = {};
  RECT screen_rect = {};
  uint8_t next_light_index = 0;
  int32_t windowed = 1;
  // Aspect the camera set-up gives the projection; the shell keeps it matched to the window's shape.
  float view_aspect = 0.75f;
};

// EnumZBufferFormats callback: takes the first depth-only format (no stencil, no other flag) into the
// 32-byte DDPIXELFORMAT the context points at and stops.
HRESULT FindZBufferFormat(DDPIXELFORMAT* format, LPVOID context);

// The device picker's choice (held beside the picker): sets the renderer's driver GUID and gives the
// chosen device GUID, the full-screen mode, whether to render windowed, and whether it rasterises in
// hardware.
void GetChosenDevice(Renderer* renderer, GUID** device_guid, DDSURFACEDESC2** mode, int32_t* windowed,
                     int32_t* hardware);

// The one renderer: set at start-up, null before and after; read wherever the device is needed.
extern Renderer* g_renderer;
// The one loaded scene, owned by the renderer: set when a scene is opened (app/scene_open), destroyed
// with the renderer.
extern AseScene* g_scene;
// Time spent in the animation steps of RenderFrame (posing and relighting) and their number; written
// only by RenderFrame, read by the headless summary.
extern uint64_t g_animation_step_total_us;
extern uint32_t g_animation_step_count;
