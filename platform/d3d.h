// Direct3D 7 immediate-mode subset: IDirect3D7, IDirect3DDevice7, IDirect3DVertexBuffer7 and their types.
// The device translates Direct3D 7 state into OpenGL with Direct3D 7 semantics: row vectors, left-handed
// coordinates, depth 0..1, the documented default render and texture-stage states, two texture stages,
// point lights and materials while D3DRENDERSTATE_LIGHTING is on; a stage without a texture reads white.
// Every call returns an HRESULT with the real Direct3D codes; nothing dereferences a null argument.
#pragma once

#include "platform/ddraw.h"

#define D3D_OK DD_OK
#define D3DERR_INVALID_DEVICE MAKE_DDHRESULT(705)
#define D3DERR_INITFAILED MAKE_DDHRESULT(706)
#define D3DERR_INVALIDCURRENTVIEWPORT MAKE_DDHRESULT(735)
#define D3DERR_INVALIDPRIMITIVETYPE MAKE_DDHRESULT(736)
#define D3DERR_INVALIDVERTEXTYPE MAKE_DDHRESULT(737)
#define D3DERR_TEXTURE_BADSIZE MAKE_DDHRESULT(738)
#define D3DERR_LIGHT_SET_FAILED MAKE_DDHRESULT(750)
#define D3DERR_SCENE_IN_SCENE MAKE_DDHRESULT(760)
#define D3DERR_SCENE_NOT_IN_SCENE MAKE_DDHRESULT(761)
#define D3DERR_VBUF_CREATE_FAILED MAKE_DDHRESULT(2061)
#define D3DERR_VERTEXBUFFERLOCKED MAKE_DDHRESULT(2062)
#define D3DERR_VERTEXBUFFERUNLOCKED MAKE_DDHRESULT(2063)
#define D3DERR_ZBUFFER_NOTPRESENT MAKE_DDHRESULT(2070)
#define D3DERR_STENCILBUFFER_NOTPRESENT MAKE_DDHRESULT(2071)

extern const GUID IID_IDirect3D7;            // {F5049E77-4861-11D2-A407-00A0C90629A8}
extern const GUID IID_IDirect3DHALDevice;    // {84E63DE0-46AA-11CF-816F-0000C020156E}
extern const GUID IID_IDirect3DTnLHalDevice; // {F5049E78-4861-11D2-A407-00A0C90629A8}

typedef float D3DVALUE;
typedef DWORD D3DCOLOR;  // 0xAARRGGBB

struct D3DVECTOR {
  D3DVALUE x, y, z;
};

struct D3DCOLORVALUE {
  D3DVALUE r, g, b, a;
};

// Row-major, row vectors: element _RC is row R, column C; the translation is _41, _42, _43.
struct D3DMATRIX {
  D3DVALUE _11, _12, _13, _14;
  D3DVALUE _21, _22, _23, _24;
  D3DVALUE _31, _32, _33, _34;
  D3DVALUE _41, _42, _43, _44;
};

struct D3DRECT {
  LONG x1, y1, x2, y2;
};

struct D3DVIEWPORT7 {
  DWORD dwX;
  DWORD dwY;
  DWORD dwWidth;
  DWORD dwHeight;
  D3DVALUE dvMinZ;
  D3DVALUE dvMaxZ;
};

struct D3DMATERIAL7 {  // 68 bytes
  D3DCOLORVALUE diffuse;
  D3DCOLORVALUE ambient;
  D3DCOLORVALUE specular;
  D3DCOLORVALUE emissive;
  D3DVALUE power;
};

typedef DWORD D3DLIGHTTYPE;
#define D3DLIGHT_POINT 1
#define D3DLIGHT_SPOT 2
#define D3DLIGHT_DIRECTIONAL 3
#define D3DLIGHT_RANGE_MAX 1.8446743e19f  // sqrt(FLT_MAX)

struct D3DLIGHT7 {  // 104 bytes
  D3DLIGHTTYPE dltType;
  D3DCOLORVALUE dcvDiffuse;
  D3DCOLORVALUE dcvSpecular;
  D3DCOLORVALUE dcvAmbient;
  D3DVECTOR dvPosition;
  D3DVECTOR dvDirection;
  D3DVALUE dvRange;
  D3DVALUE dvFalloff;
  D3DVALUE dvAttenuation0;
  D3DVALUE dvAttenuation1;
  D3DVALUE dvAttenuation2;
  D3DVALUE dvTheta;
  D3DVALUE dvPhi;
};

// 32-byte vertex layouts.
struct D3DVERTEX {  // D3DFVF_VERTEX
  D3DVALUE x, y, z;
  D3DVALUE nx, ny, nz;
  D3DVALUE tu, tv;
};

struct D3DLVERTEX {  // D3DFVF_LVERTEX
  D3DVALUE x, y, z;
  DWORD dwReserved;
  D3DCOLOR color;
  D3DCOLOR specular;
  D3DVALUE tu, tv;
};

struct D3DTLVERTEX {  // D3DFVF_TLVERTEX: screen position in pixels, depth 0..1, 1/w
  D3DVALUE sx, sy, sz, rhw;
  D3DCOLOR color;
  D3DCOLOR specular;
  D3DVALUE tu, tv;
};

// Flexible vertex format bits.
#define D3DFVF_XYZ 0x002
#define D3DFVF_XYZRHW 0x004
#define D3DFVF_NORMAL 0x010
#define D3DFVF_RESERVED1 0x020
#define D3DFVF_DIFFUSE 0x040
#define D3DFVF_SPECULAR 0x080
#define D3DFVF_TEXCOUNT_MASK 0xF00
#define D3DFVF_TEXCOUNT_SHIFT 8
#define D3DFVF_TEX0 0x000
#define D3DFVF_TEX1 0x100
#define D3DFVF_TEX2 0x200
#define D3DFVF_VERTEX (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)                                       // 0x112
#define D3DFVF_LVERTEX (D3DFVF_XYZ | D3DFVF_RESERVED1 | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1)  // 0x1E2
#define D3DFVF_TLVERTEX (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1)                 // 0x1C4

// Primitive capabilities (triangle caps carry the texture caps).
#define D3DPTEXTURECAPS_PERSPECTIVE 0x00000001
#define D3DPTEXTURECAPS_POW2 0x00000002
#define D3DPTEXTURECAPS_ALPHA 0x00000004
#define D3DPTEXTURECAPS_TRANSPARENCY 0x00000008
#define D3DPTEXTURECAPS_SQUAREONLY 0x00000020

struct D3DPRIMCAPS {
  DWORD dwSize;
  DWORD dwMiscCaps;
  DWORD dwRasterCaps;
  DWORD dwZCmpCaps;
  DWORD dwSrcBlendCaps;
  DWORD dwDestBlendCaps;
  DWORD dwAlphaCmpCaps;
  DWORD dwShadeCaps;
  DWORD dwTextureCaps;
  DWORD dwTextureFilterCaps;
  DWORD dwTextureBlendCaps;
  DWORD dwTextureAddressCaps;
  DWORD dwStippleWidth;
  DWORD dwStippleHeight;
};

// D3DDEVICEDESC7.dwDevCaps
#define D3DDEVCAPS_HWTRANSFORMANDLIGHT 0x00010000
#define D3DDEVCAPS_HWRASTERIZATION 0x00080000

struct D3DDEVICEDESC7 {
  DWORD dwDevCaps;
  D3DPRIMCAPS dpcLineCaps;
  D3DPRIMCAPS dpcTriCaps;
  DWORD dwDeviceRenderBitDepth;
  DWORD dwDeviceZBufferBitDepth;
  DWORD dwMinTextureWidth;
  DWORD dwMinTextureHeight;
  DWORD dwMaxTextureWidth;
  DWORD dwMaxTextureHeight;
  DWORD dwMaxTextureRepeat;
  DWORD dwMaxTextureAspectRatio;
  DWORD dwMaxAnisotropy;
  D3DVALUE dvGuardBandLeft;
  D3DVALUE dvGuardBandTop;
  D3DVALUE dvGuardBandRight;
  D3DVALUE dvGuardBandBottom;
  D3DVALUE dvExtentsAdjust;
  DWORD dwStencilCaps;
  DWORD dwFVFCaps;
  DWORD dwTextureOpCaps;
  WORD wMaxTextureBlendStages;
  WORD wMaxSimultaneousTextures;
  DWORD dwMaxActiveLights;
  D3DVALUE dvMaxVertexW;
  GUID deviceGUID;
  WORD wMaxUserClipPlanes;
  WORD wMaxVertexBlendMatrices;
  DWORD dwVertexProcessingCaps;
};

struct D3DVERTEXBUFFERDESC {  // dwSize 16
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwFVF;
  DWORD dwNumVertices;
};
#define D3DVBCAPS_SYSTEMMEMORY 0x00000800
#define D3DVBCAPS_WRITEONLY 0x00010000

typedef DWORD D3DTRANSFORMSTATETYPE;
#define D3DTRANSFORMSTATE_WORLD 1
#define D3DTRANSFORMSTATE_VIEW 2
#define D3DTRANSFORMSTATE_PROJECTION 3

typedef DWORD D3DRENDERSTATETYPE;
#define D3DRENDERSTATE_TEXTUREPERSPECTIVE 4
#define D3DRENDERSTATE_ZENABLE 7
#define D3DRENDERSTATE_FILLMODE 8
#define D3DRENDERSTATE_SHADEMODE 9
#define D3DRENDERSTATE_ZWRITEENABLE 14
#define D3DRENDERSTATE_ALPHATESTENABLE 15
#define D3DRENDERSTATE_SRCBLEND 19
#define D3DRENDERSTATE_DESTBLEND 20
#define D3DRENDERSTATE_CULLMODE 22
#define D3DRENDERSTATE_ZFUNC 23
#define D3DRENDERSTATE_ALPHAREF 24
#define D3DRENDERSTATE_ALPHAFUNC 25
#define D3DRENDERSTATE_DITHERENABLE 26
#define D3DRENDERSTATE_ALPHABLENDENABLE 27
#define D3DRENDERSTATE_FOGENABLE 28
#define D3DRENDERSTATE_SPECULARENABLE 29
#define D3DRENDERSTATE_CLIPPING 136
#define D3DRENDERSTATE_LIGHTING 137
#define D3DRENDERSTATE_AMBIENT 139
#define D3DRENDERSTATE_COLORVERTEX 141
#define D3DRENDERSTATE_LOCALVIEWER 142
#define D3DRENDERSTATE_NORMALIZENORMALS 143
#define D3DRENDERSTATE_DIFFUSEMATERIALSOURCE 145
#define D3DRENDERSTATE_SPECULARMATERIALSOURCE 146
#define D3DRENDERSTATE_AMBIENTMATERIALSOURCE 147
#define D3DRENDERSTATE_EMISSIVEMATERIALSOURCE 148

#define D3DZB_FALSE 0
#define D3DZB_TRUE 1
#define D3DCULL_NONE 1
#define D3DCULL_CW 2
#define D3DCULL_CCW 3
#define D3DCMP_NEVER 1
#define D3DCMP_LESS 2
#define D3DCMP_EQUAL 3
#define D3DCMP_LESSEQUAL 4
#define D3DCMP_GREATER 5
#define D3DCMP_NOTEQUAL 6
#define D3DCMP_GREATEREQUAL 7
#define D3DCMP_ALWAYS 8
#define D3DBLEND_ZERO 1
#define D3DBLEND_ONE 2
#define D3DBLEND_SRCCOLOR 3
#define D3DBLEND_INVSRCCOLOR 4
#define D3DBLEND_SRCALPHA 5
#define D3DBLEND_INVSRCALPHA 6
#define D3DSHADE_FLAT 1
#define D3DSHADE_GOURAUD 2
#define D3DFILL_POINT 1
#define D3DFILL_WIREFRAME 2
#define D3DFILL_SOLID 3
#define D3DMCS_MATERIAL 0
#define D3DMCS_COLOR1 1
#define D3DMCS_COLOR2 2

typedef DWORD D3DTEXTURESTAGESTATETYPE;
#define D3DTSS_COLOROP 1
#define D3DTSS_COLORARG1 2
#define D3DTSS_COLORARG2 3
#define D3DTSS_ALPHAOP 4
#define D3DTSS_ALPHAARG1 5
#define D3DTSS_ALPHAARG2 6
#define D3DTSS_TEXCOORDINDEX 11
#define D3DTSS_ADDRESS 12
#define D3DTSS_ADDRESSU 13
#define D3DTSS_ADDRESSV 14
#define D3DTSS_MAGFILTER 16
#define D3DTSS_MINFILTER 17
#define D3DTSS_MIPFILTER 18

#define D3DTOP_DISABLE 1
#define D3DTOP_SELECTARG1 2
#define D3DTOP_SELECTARG2 3
#define D3DTOP_MODULATE 4
#define D3DTOP_MODULATE2X 5
#define D3DTOP_MODULATE4X 6
#define D3DTOP_ADD 7
#define D3DTA_DIFFUSE 0x00000000
#define D3DTA_CURRENT 0x00000001
#define D3DTA_TEXTURE 0x00000002
#define D3DTA_TFACTOR 0x00000003
#define D3DTA_SPECULAR 0x00000004
#define D3DTFG_POINT 1
#define D3DTFG_LINEAR 2
#define D3DTFN_POINT 1
#define D3DTFN_LINEAR 2
#define D3DTADDRESS_WRAP 1
#define D3DTADDRESS_CLAMP 3

typedef DWORD D3DPRIMITIVETYPE;
#define D3DPT_POINTLIST 1
#define D3DPT_LINELIST 2
#define D3DPT_LINESTRIP 3
#define D3DPT_TRIANGLELIST 4
#define D3DPT_TRIANGLESTRIP 5
#define D3DPT_TRIANGLEFAN 6
#define D3DDP_WAIT 0x00000001
// The most vertices one draw call takes; a larger draw fails with DDERR_INVALIDPARAMS and draws nothing.
#define D3DMAXNUMVERTICES 0xFFFF

#define D3DCLEAR_TARGET 0x00000001
#define D3DCLEAR_ZBUFFER 0x00000002
#define D3DCLEAR_STENCIL 0x00000004

#define D3DENUMRET_CANCEL DDENUMRET_CANCEL
#define D3DENUMRET_OK DDENUMRET_OK

class IDirect3D7;
class IDirect3DDevice7;
class IDirect3DVertexBuffer7;

typedef HRESULT (*LPD3DENUMDEVICESCALLBACK7)(LPSTR description, LPSTR name, D3DDEVICEDESC7* desc, LPVOID context);
typedef HRESULT (*LPD3DENUMPIXELFORMATSCALLBACK)(DDPIXELFORMAT* format, LPVOID context);

class IDirect3D7 {
 public:
  ULONG AddRef();
  ULONG Release();
  HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context);
  HRESULT CreateDevice(REFCLSID device_guid, IDirectDrawSurface7* render_target, IDirect3DDevice7** out);
  HRESULT CreateVertexBuffer(D3DVERTEXBUFFERDESC* desc, IDirect3DVertexBuffer7** out, DWORD flags);
  HRESULT EnumZBufferFormats(REFCLSID device_guid, LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context);

  struct State;  // backend-owned
  State* state = nullptr;
};

class IDirect3DDevice7 {
 public:
  ULONG AddRef();
  ULONG Release();
  HRESULT GetCaps(D3DDEVICEDESC7* desc);
  HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context);
  HRESULT BeginScene();
  HRESULT EndScene();
  HRESULT GetRenderTarget(IDirectDrawSurface7** out);
  HRESULT Clear(DWORD rect_count, D3DRECT* rects, DWORD flags, D3DCOLOR colour, D3DVALUE z, DWORD stencil);
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
  HRESULT SetViewport(D3DVIEWPORT7* viewport);
  HRESULT GetViewport(D3DVIEWPORT7* viewport);
  HRESULT SetMaterial(D3DMATERIAL7* material);
  HRESULT SetLight(DWORD index, D3DLIGHT7* light);
  HRESULT LightEnable(DWORD index, BOOL enable);
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
  HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture);
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value);
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value);
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertex_count, DWORD flags);
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertex_count, WORD* indices,
                               DWORD index_count, DWORD flags);
  HRESULT DrawPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* buffer, DWORD start_vertex,
                          DWORD vertex_count, DWORD flags);
  HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer7* buffer, DWORD start_vertex,
                                 DWORD vertex_count, WORD* indices, DWORD index_count, DWORD flags);

  struct State;  // backend-owned
  State* state = nullptr;
};

class IDirect3DVertexBuffer7 {
 public:
  ULONG AddRef();
  ULONG Release();
  HRESULT Lock(DWORD flags, LPVOID* data, DWORD* size);
  HRESULT Unlock();
  HRESULT GetVertexBufferDesc(D3DVERTEXBUFFERDESC* desc);

  struct State;  // backend-owned
  State* state = nullptr;
};
