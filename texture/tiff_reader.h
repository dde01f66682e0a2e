// Reads the first image of a TIFF file into the common picture: uncompressed RGB strips of 8-bit
// samples, with a fourth sample taken as alpha when the file has ExtraSamples, in either byte order.
// Every offset and count from the file is checked against its length: a directory or strip table that
// leaves the file, or an RGB picture larger than the file could hold (more pixels than bytes), refuses
// the file without a message; strip data that ends early or lies outside the file leaves those pixels
// zero. Missing tags and sample sizes other than 8 show the "TIF Error" boxes and fail; other colour
// models and compressed strips show "Not Supported Format" and load as one transparent black pixel,
// which draws as a transparent black picture of any size does, whatever size the header claims.
#pragma once

#include <cstdint>

struct TextureEntry;

constexpr uint16_t TIFF_LITTLE_ENDIAN = 0x4949;  // "II"
constexpr uint16_t TIFF_BIG_ENDIAN = 0x4D4D;     // "MM"

// One 12-byte directory entry. value holds the 4-byte value field decoded as one 32-bit number in the
// file's byte order: the value itself when it fits there, otherwise the offset of the values.
struct TiffEntry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  uint32_t value = 0;
};

// The working state of one read. Owns entries and pixels_bgra; DestroyTiffImage frees them.
struct TiffImage {
  uint16_t entry_count = 0;
  uint16_t byte_order = 0;
  uint16_t version = 0;
  uint32_t first_directory_offset = 0;
  TiffEntry* entries = nullptr;
  uint16_t found_tag = 0;
  uint16_t found_type = 0;
  uint32_t found_count = 0;
  uint32_t found_value = 0;
  uint8_t* pixels_bgra = nullptr;  // width x height x 4: B, G, R, A in file row order; null when not read
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t rows_per_strip = 0;
  uint32_t strip_byte_count = 0;
};

// True when the file was read, also after "Not Supported Format"; false on any failure, with the
// image's buffers freed. The path is resolved as a name read from a scene.
bool ReadTiff(TiffImage& image, const char* path);
// The first entry with that tag becomes the found entry; false (found entry unchanged) when none.
bool FindTag(TiffImage& image, uint16_t tag);
void DestroyTiffImage(TiffImage& image);

// Reads path into a new common picture (bottom row first) and sets the entry's width and height, and
// the claimed sides of a picture not read (0 for one read); on failure nothing is touched.
bool LoadTiffPicture(TextureEntry& entry, const char* path, uint8_t*& out_picture);
