// The common picture that both image readers produce and the texture upload consumes: width x height
// pixels of four bytes A, B, G, R, the bottom row of the image first. It is a bare zero-filled byte
// buffer whose size travels beside it (the texture entry's width and height). Sides are limited to
// what those 16-bit fields hold; NewPicture gives null for a side of 0 or above the limit, or when
// memory runs out, so no reader ever works on a buffer smaller than its dimensions claim.
#pragma once

#include <cstddef>
#include <cstdint>

struct TextureEntry;

constexpr size_t PICTURE_BYTES_PER_PIXEL = 4;
constexpr uint32_t MAX_PICTURE_SIDE = 0xFFFF;

// Byte positions inside one pixel.
constexpr size_t PICTURE_A = 0;
constexpr size_t PICTURE_B = 1;
constexpr size_t PICTURE_G = 2;
constexpr size_t PICTURE_R = 3;

uint8_t* NewPicture(uint32_t width, uint32_t height);
void FreePicture(uint8_t*& picture);

// Whether a reader matches the name's last three characters ("tga", "TGA", "tif", "TIF").
bool HasPictureReader(const char* file_name);
// Picks the reader by the last three characters of file_name: "tga"/"TGA" or "tif"/"TIF", exactly these
// spellings. True with the picture in out_picture and the entry's width and height set; false (nothing
// touched) when no reader matches, the name is shorter than three characters, or the reader fails.
bool LoadPicture(TextureEntry& entry, const char* file_name, uint8_t*& out_picture);
