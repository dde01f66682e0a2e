// The scene teardown releases vertex buffers and lightmap surfaces through their interfaces, whose
// bodies live in the platform backend. Until a test binary links that backend these weak stand-ins let
// the teardown link; a real definition, once present, takes precedence. The tests that use them never
// create an interface, so the stand-ins are never reached.
#include "platform/d3d.h"
#include "platform/ddraw.h"

__attribute__((weak)) ULONG IDirect3DVertexBuffer7::Release() { return 0; }
__attribute__((weak)) ULONG IDirectDrawSurface7::Release() { return 0; }
