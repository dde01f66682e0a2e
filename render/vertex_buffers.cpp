// Placeholder until the device code lands: no device, so no vertex buffers.
#include "render/renderer.h"

IDirect3DVertexBuffer7* Renderer::NewVertexBuffer(DWORD, DWORD) { return nullptr; }

bool Renderer::FillVertexBuffer(IDirect3DVertexBuffer7*, const void*, DWORD, DWORD) { return false; }
