// Vertex buffers for the renderable build: created write-only through the Direct3D object, filled by
// one copy of 32-byte vertices. A failed creation shows at most one box, by result code.
#include <cstring>

#include "platform/report.h"
#include "render/renderer.h"

IDirect3DVertexBuffer7* Renderer::NewVertexBuffer(DWORD fvf, DWORD vertex_count) {
  if (d3d == nullptr) return nullptr;
  D3DVERTEXBUFFERDESC desc = {};
  desc.dwSize = sizeof(D3DVERTEXBUFFERDESC);
  desc.dwCaps = D3DVBCAPS_WRITEONLY;
  desc.dwFVF = fvf;
  desc.dwNumVertices = vertex_count;
  IDirect3DVertexBuffer7* buffer = nullptr;
  const HRESULT result = d3d->CreateVertexBuffer(&desc, &buffer, 0);
  if (SUCCEEDED(result)) return buffer;
  switch (result) {
    case D3DERR_INVALIDVERTEXTYPE: ShowReport("D3DERR_INVALIDVERTEXTYPE"); break;
    case E_OUTOFMEMORY: ShowReport("Out of memory"); break;
    case D3DERR_VBUF_CREATE_FAILED: ShowReport("D3DERR_VBUF_CREATE_FAILED"); break;
    case DDERR_INVALIDPARAMS: ShowReport("DDERR_INVALIDPARAMS"); break;
    default: break;
  }
  return nullptr;
}

bool Renderer::FillVertexBuffer(IDirect3DVertexBuffer7* buffer, const void* source, DWORD fvf, DWORD vertex_count) {
  if (buffer == nullptr) return false;
  LPVOID data = nullptr;
  DWORD size_bytes = 0;
  if (FAILED(buffer->Lock(DDLOCK_WAIT, &data, &size_bytes))) return false;
  // Only the 32-byte layouts are copied; the buffer's own size bounds the copy.
  if ((fvf == D3DFVF_VERTEX || fvf == D3DFVF_TLVERTEX || fvf == D3DFVF_LVERTEX) && source != nullptr) {
    const uint64_t wanted = uint64_t{vertex_count} * 32;
    std::memcpy(data, source, static_cast<size_t>(wanted < size_bytes ? wanted : size_bytes));
  }
  buffer->Unlock();
  return true;
}
