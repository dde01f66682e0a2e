#include "texture/picture.h"

#include <cstring>

#include "math/zeroed_array.h"
#include "texture/tga_reader.h"
#include "texture/tiff_reader.h"

uint8_t* NewPicture(uint32_t width, uint32_t height) {
  if (width == 0 || height == 0 || width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE) return nullptr;
  // Both sides fit 16 bits, so the byte count fits 34 bits and cannot overflow size_t on a 64-bit host;
  // NewZeroedArray still checks it for narrower ones.
  return NewZeroedArray<uint8_t>(static_cast<size_t>(width) * height * PICTURE_BYTES_PER_PIXEL);
}

void FreePicture(uint8_t*& picture) { DeleteArray(picture); }

namespace {

enum class PictureKind { NONE, TGA, TIFF };

PictureKind KindOf(const char* file_name) {
  if (file_name == nullptr) return PictureKind::NONE;
  const size_t length = std::strlen(file_name);
  if (length < 3) return PictureKind::NONE;
  const char* extension = file_name + length - 3;
  if (std::strcmp(extension, "tga") == 0 || std::strcmp(extension, "TGA") == 0) return PictureKind::TGA;
  if (std::strcmp(extension, "tif") == 0 || std::strcmp(extension, "TIF") == 0) return PictureKind::TIFF;
  return PictureKind::NONE;
}

}  // namespace

bool HasPictureReader(const char* file_name) { return KindOf(file_name) != PictureKind::NONE; }

bool LoadPicture(TextureEntry& entry, const char* file_name, uint8_t*& out_picture) {
  switch (KindOf(file_name)) {
    case PictureKind::TGA:
      return LoadTgaPicture(entry, file_name, out_picture);
    case PictureKind::TIFF:
      return LoadTiffPicture(entry, file_name, out_picture);
    case PictureKind::NONE:
      break;
  }
  return false;
}
