// The stand-in's pixel formats and vertex layouts: which texture, display and depth formats exist, in
// which order the devices offer them, how each one reaches OpenGL, and how an FVF code is taken apart.
#include "platform/gfx_internal.h"

namespace {

DDPIXELFORMAT MakeFormat(DWORD flags, DWORD bits, DWORD red, DWORD green, DWORD blue, DWORD alpha) {
  DDPIXELFORMAT f = {};
  f.dwSize = sizeof(DDPIXELFORMAT);
  f.dwFlags = flags;
  f.dwRGBBitCount = bits;
  f.dwRBitMask = red;
  f.dwGBitMask = green;
  f.dwBBitMask = blue;
  f.dwRGBAlphaBitMask = alpha;
  return f;
}

const GLint IDENTITY[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};

PixelFormatInfo MakeInfo(const DDPIXELFORMAT& ddpf, GLenum internal_format, GLenum format, GLenum type,
                         const GLint* swizzle) {
  PixelFormatInfo info = {};
  info.ddpf = ddpf;
  info.bytes_per_pixel = ddpf.dwRGBBitCount / 8;
  info.internal_format = internal_format;
  info.format = format;
  info.type = type;
  for (int i = 0; i < 4; ++i) info.swizzle[i] = swizzle[i];
  return info;
}

struct FormatTables {
  PixelFormatInfo textures[8];
  PixelFormatInfo displays[4];  // 8, 16, 24, 32 bits
  DepthFormatInfo depths[4];    // with stencil first, then depth only
};

FormatTables BuildTables() {
  const GLint opaque[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ONE};
  const GLint luminance_alpha[4] = {GL_RED, GL_RED, GL_RED, GL_GREEN};
  const GLint luminance[4] = {GL_RED, GL_RED, GL_RED, GL_ONE};
  const DWORD rgb = DDPF_RGB;
  const DWORD rgba = DDPF_RGB | DDPF_ALPHAPIXELS;
  FormatTables t = {};
  // Order matters to callers that take the first match: formats they must skip come before the ones
  // they look for, so their filters are exercised.
  t.textures[0] = MakeInfo(MakeFormat(rgba, 16, 0x7C00, 0x03E0, 0x001F, 0x8000), GL_RGB5_A1, GL_BGRA,
                           GL_UNSIGNED_SHORT_1_5_5_5_REV, IDENTITY);
  t.textures[1] = MakeInfo(MakeFormat(rgba, 16, 0x0F00, 0x00F0, 0x000F, 0xF000), GL_RGBA4, GL_BGRA,
                           GL_UNSIGNED_SHORT_4_4_4_4_REV, IDENTITY);
  t.textures[2] = MakeInfo(MakeFormat(DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 16, 0x00FF, 0, 0, 0xFF00), GL_RG8, GL_RG,
                           GL_UNSIGNED_BYTE, luminance_alpha);
  t.textures[3] = MakeInfo(MakeFormat(rgb, 16, 0x7C00, 0x03E0, 0x001F, 0), GL_RGB5_A1, GL_BGRA,
                           GL_UNSIGNED_SHORT_1_5_5_5_REV, opaque);
  t.textures[4] = MakeInfo(MakeFormat(rgb, 16, 0xF800, 0x07E0, 0x001F, 0), GL_RGB565, GL_RGB,
                           GL_UNSIGNED_SHORT_5_6_5, IDENTITY);
  t.textures[5] = MakeInfo(MakeFormat(rgba, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000), GL_RGBA8, GL_BGRA,
                           GL_UNSIGNED_BYTE, IDENTITY);
  t.textures[6] = MakeInfo(MakeFormat(rgb, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0), GL_RGBA8, GL_BGRA,
                           GL_UNSIGNED_BYTE, opaque);
  t.textures[7] = MakeInfo(MakeFormat(DDPF_LUMINANCE, 8, 0xFF, 0, 0, 0), GL_R8, GL_RED, GL_UNSIGNED_BYTE, luminance);

  t.displays[0] = MakeInfo(MakeFormat(DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0), GL_R8, GL_RED,
                           GL_UNSIGNED_BYTE, luminance);
  t.displays[1] = t.textures[4];
  t.displays[2] = MakeInfo(MakeFormat(rgb, 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0), GL_RGB8, GL_BGR,
                           GL_UNSIGNED_BYTE, IDENTITY);
  t.displays[3] = t.textures[6];

  auto depth = [](DWORD flags, DWORD bits, DWORD stencil_bits, DWORD z_mask, DWORD stencil_mask) {
    DDPIXELFORMAT f = {};
    f.dwSize = sizeof(DDPIXELFORMAT);
    f.dwFlags = flags;
    f.dwZBufferBitDepth = bits;
    f.dwStencilBitDepth = stencil_bits;
    f.dwZBitMask = z_mask;
    f.dwStencilBitMask = stencil_mask;
    return f;
  };
  const DWORD zs = DDPF_ZBUFFER | DDPF_STENCILBUFFER;
  t.depths[0] = {depth(zs, 32, 8, 0xFFFFFF00, 0x000000FF), GL_DEPTH24_STENCIL8, true};
  // GL has no 15-bit depth; the stored precision is higher than the one reported, never lower.
  t.depths[1] = {depth(zs, 16, 1, 0x0000FFFE, 0x00000001), GL_DEPTH24_STENCIL8, true};
  t.depths[2] = {depth(DDPF_ZBUFFER, 16, 0, 0x0000FFFF, 0), GL_DEPTH_COMPONENT16, false};
  t.depths[3] = {depth(DDPF_ZBUFFER, 32, 0, 0xFFFFFF00, 0), GL_DEPTH_COMPONENT24, false};
  return t;
}

const FormatTables& Tables() {
  static const FormatTables tables = BuildTables();
  return tables;
}

// Flags that tell formats apart; DDPF_PALETTEINDEXED8 and the like are compared too.
bool SameColourFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
  return a.dwFlags == b.dwFlags && a.dwRGBBitCount == b.dwRGBBitCount && a.dwRBitMask == b.dwRBitMask &&
         a.dwGBitMask == b.dwGBitMask && a.dwBBitMask == b.dwBBitMask && a.dwRGBAlphaBitMask == b.dwRGBAlphaBitMask;
}

}  // namespace

const PixelFormatInfo* TextureFormats(int* count) {
  *count = 8;
  return Tables().textures;
}

GLenum TextureStorageFormat(const PixelFormatInfo& format) {
  // 16-bit 5-6-5 storage came with GL 4.1; older drivers widen the texels to 8 bits a channel.
  if (format.internal_format == GL_RGB565 && !GetGlInfo().rgb565_storage) return GL_RGB8;
  return format.internal_format;
}

const PixelFormatInfo* FindTextureFormat(const DDPIXELFORMAT& ddpf) {
  for (const PixelFormatInfo& info : Tables().textures) {
    if (SameColourFormat(info.ddpf, ddpf)) return &info;
  }
  return nullptr;
}

const PixelFormatInfo* DisplayFormat(DWORD bits_per_pixel) {
  switch (bits_per_pixel) {
    case 8: return &Tables().displays[0];
    case 16: return &Tables().displays[1];
    case 24: return &Tables().displays[2];
    case 32: return &Tables().displays[3];
    default: return nullptr;
  }
}

const DepthFormatInfo* DepthFormats(int* count) {
  *count = OnlyStencilDepthFormats() ? 2 : 4;
  return Tables().depths;
}

const DepthFormatInfo* FindDepthFormat(const DDPIXELFORMAT& ddpf) {
  int count = 0;
  const DepthFormatInfo* formats = DepthFormats(&count);
  for (int i = 0; i < count; ++i) {
    const DDPIXELFORMAT& f = formats[i].ddpf;
    if (f.dwFlags == ddpf.dwFlags && f.dwZBufferBitDepth == ddpf.dwZBufferBitDepth &&
        f.dwZBitMask == ddpf.dwZBitMask && f.dwStencilBitDepth == ddpf.dwStencilBitDepth &&
        f.dwStencilBitMask == ddpf.dwStencilBitMask) {
      return &formats[i];
    }
  }
  return nullptr;
}

bool DecodeVertexLayout(DWORD fvf, VertexLayout* layout) {
  const DWORD KNOWN = D3DFVF_XYZ | D3DFVF_XYZRHW | D3DFVF_NORMAL | D3DFVF_RESERVED1 | D3DFVF_DIFFUSE |
                      D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
  // Bits 16 and up choose 1D/3D/4D texture coordinates, which nothing here draws.
  if ((fvf & ~KNOWN) != 0) return false;
  const DWORD position = fvf & 0x00E;
  if (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW) return false;
  // Transformed vertices are already lit: Direct3D refuses a normal with them.
  if (position == D3DFVF_XYZRHW && (fvf & D3DFVF_NORMAL) != 0) return false;
  const int texture_count = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  if (texture_count > 8) return false;

  VertexLayout l = {};
  l.position_size = position == D3DFVF_XYZ ? 3 : 4;
  int offset = 4 * l.position_size;
  l.normal_offset = l.diffuse_offset = l.specular_offset = -1;
  if ((fvf & D3DFVF_NORMAL) != 0) {
    l.normal_offset = offset;
    offset += 12;
  }
  if ((fvf & D3DFVF_RESERVED1) != 0) offset += 4;
  if ((fvf & D3DFVF_DIFFUSE) != 0) {
    l.diffuse_offset = offset;
    offset += 4;
  }
  if ((fvf & D3DFVF_SPECULAR) != 0) {
    l.specular_offset = offset;
    offset += 4;
  }
  l.texture_count = texture_count;
  for (int i = 0; i < 8; ++i) {
    l.texture_offset[i] = i < texture_count ? offset + 8 * i : -1;
  }
  l.stride = static_cast<DWORD>(offset + 8 * texture_count);
  *layout = l;
  return true;
}
