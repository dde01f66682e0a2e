// Image files for the reader and cache tests: the reference picture that the files under
// tests/data/images hold, a builder of handmade little-endian TIFFs for damaged files, and a reader
// call that captures what it gave.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/test_hooks.h"

struct TextureEntry;

// Pixels top row first, `channels` bytes each, every sample differing from its neighbours (17 + 37 i),
// so that a swapped channel, a flipped row or a shifted strip shows.
struct SourceImage {
  uint32_t width, height, channels;
  std::vector<uint8_t> samples;
};
SourceImage MakeSourceImage(uint32_t width, uint32_t height, uint32_t channels);
// The common picture of a source: bottom row first, bytes A, B, G, R; alpha from a fourth channel,
// else `alpha`.
std::vector<uint8_t> ExpectedPicture(const SourceImage& image, uint8_t alpha);

// One directory entry: values go in the value field when they fit, otherwise after the directory.
// Raw gives the count and value field exactly as stated instead.
struct TiffTag {
  uint16_t tag, type;
  std::vector<uint32_t> values;
  bool raw = false;
  uint32_t raw_count = 0, raw_value = 0;
  static TiffTag Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    return TiffTag{tag, type, {}, true, count, value};
  }
};
constexpr uint16_t TIFF_TYPE_SHORT = 3;
constexpr uint16_t TIFF_TYPE_LONG = 4;
constexpr uint32_t TIFF_DATA_OFFSET = 8;  // where BuildTiff puts `data`; the directory follows it
std::string BuildTiff(const std::string& data, const std::vector<TiffTag>& tags);
// width x height in one strip of `data`, with the bits of each sample, the photometric value and any
// further tags (numbered above the strip's byte count).
std::string OneStripTiff(const std::string& data, uint32_t width, uint32_t height, std::vector<uint32_t> bits,
                         uint32_t photometric, const std::vector<TiffTag>& more = {});

// What one reader call gave: the picture's bytes and sides on success, and the message boxes it showed.
// On failure it also checks that the reader touched neither the entry nor the picture pointer.
struct LoadedPicture {
  bool ok = false;
  uint16_t width = 0, height = 0;
  std::vector<uint8_t> bytes;
  std::vector<CapturedMessageBox> boxes;
};
typedef bool (*PictureReader)(TextureEntry& entry, const char* path, uint8_t*& out_picture);
LoadedPicture LoadWithReader(PictureReader reader, const std::string& path);
