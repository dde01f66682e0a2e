// Placeholder until the device code lands: the process-wide pointers and an inert renderer.
#include "render/renderer.h"

Renderer* g_renderer = nullptr;
AseScene* g_scene = nullptr;

Renderer::Renderer() {
  MatrixIdentity(world);
  MatrixIdentity(view);
  MatrixIdentity(projection);
  MatrixIdentity(base_world);
}

Renderer::~Renderer() {}
