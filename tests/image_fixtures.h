// Image files for the reader and cache tests: the small reference picture that the files under
// tests/data/images hold, a builder of handmade TIFF bytes for damaged files, and the comparison of a
// loaded common picture with the reference (which is given top row first, as files store it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/test_hooks.h"

struct TextureEntry;

// Pixels top row first, `channels` bytes each (1 grey, 3 RGB, 4 RGBA).
struct SourceImage {
  uint32_t width;
  uint32_t height;
  uint32_t channels;
  std::vector<uint8_t> samples;
};

// A width x height image whose every sample differs from its neighbours, so that a swapped channel, a
// flipped row or a shifted strip shows.
SourceImage MakeSourceImage(uint32_t width, uint32_t height, uint32_t channels);
// The common picture expected for a source: bottom row first, bytes A, B, G, R; alpha from the fourth
// channel, else `alpha`.
std::vector<uint8_t> ExpectedPicture(const SourceImage& image, uint8_t alpha);

// One directory entry for BuildTiff. values are laid out by the builder (in the value field when they
// fit, otherwise after the directory); Raw gives a value field and count exactly as stated instead.
struct TiffTag {
  uint16_t tag;
  uint16_t type;
  std::vector<uint32_t> values;
  bool raw = false;
  uint32_t raw_count = 0;
  uint32_t raw_value = 0;
  static TiffTag Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t value);
};
constexpr uint16_t TIFF_TYPE_SHORT = 3;
constexpr uint16_t TIFF_TYPE_LONG = 4;
constexpr uint32_t TIFF_DATA_OFFSET = 8;  // where BuildTiff puts `data`; the directory follows it

// Header, data, directory (tags in the given order), then the arrays. Little-endian unless big_endian.
std::string BuildTiff(const std::string& data, const std::vector<TiffTag>& tags, bool big_endian = false);

// What one reader call gave: the picture's bytes and sides on success, and the message boxes it showed.
// On failure it also checks that the reader touched neither the entry nor the picture pointer.
struct LoadedPicture {
  bool ok = false;
  uint16_t width = 0;
  uint16_t height = 0;
  std::vector<uint8_t> bytes;
  std::vector<CapturedMessageBox> boxes;
};
typedef bool (*PictureReader)(TextureEntry& entry, const char* path, uint8_t*& out_picture);
LoadedPicture LoadWithReader(PictureReader reader, const std::string& path);
