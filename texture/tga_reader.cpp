#include "texture/tga_reader.h"

#include <vector>

#include "texture/picture.h"
#include "texture/resolve_path.h"
#include "texture/texture_cache.h"

namespace {

constexpr size_t HEADER_BYTES = 18;
constexpr size_t IMAGE_TYPE_AT = 2;
constexpr size_t WIDTH_AT = 12;
constexpr size_t HEIGHT_AT = 14;
constexpr size_t SOURCE_BYTES_PER_PIXEL = 3;

uint16_t ReadLittle16(const std::vector<uint8_t>& bytes, size_t offset) {
  return static_cast<uint16_t>(bytes[offset + 1] << 8 | bytes[offset]);
}

bool IsAcceptedImageType(uint8_t type) {
  return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

}  // namespace

bool LoadTgaPicture(TextureEntry& entry, const char* path, uint8_t*& out_picture) {
  std::vector<uint8_t> bytes;
  if (!ReadSceneFile(path, bytes) || bytes.size() < HEADER_BYTES) return false;
  if (!IsAcceptedImageType(bytes[IMAGE_TYPE_AT])) return false;
  const uint16_t width = ReadLittle16(bytes, WIDTH_AT);
  const uint16_t height = ReadLittle16(bytes, HEIGHT_AT);
  // A cut file would otherwise hand out a picture partly made of nothing; there is no length field to
  // tell a short image from a damaged one, so the whole file is refused.
  const size_t pixel_count = size_t{width} * height;
  if (pixel_count == 0 || bytes.size() - HEADER_BYTES < pixel_count * SOURCE_BYTES_PER_PIXEL) return false;
  uint8_t* picture = NewPicture(width, height);
  if (picture == nullptr) return false;
  const uint8_t* source = bytes.data() + HEADER_BYTES;
  uint8_t* target = picture;
  for (size_t p = 0; p < pixel_count; ++p, source += SOURCE_BYTES_PER_PIXEL, target += PICTURE_BYTES_PER_PIXEL) {
    target[PICTURE_A] = 255;
    target[PICTURE_B] = source[0];
    target[PICTURE_G] = source[1];
    target[PICTURE_R] = source[2];
  }
  entry.width = width;
  entry.height = height;
  out_picture = picture;
  return true;
}
