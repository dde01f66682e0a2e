#include "texture/tiff_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "math/zeroed_array.h"
#include "platform/win32.h"
#include "texture/picture.h"
#include "texture/resolve_path.h"
#include "texture/texture_cache.h"

namespace {

constexpr uint16_t TAG_IMAGE_WIDTH = 256;
constexpr uint16_t TAG_IMAGE_LENGTH = 257;
constexpr uint16_t TAG_BITS_PER_SAMPLE = 258;
constexpr uint16_t TAG_COMPRESSION = 259;
constexpr uint16_t TAG_PHOTOMETRIC = 262;
constexpr uint16_t TAG_STRIP_OFFSETS = 273;
constexpr uint16_t TAG_ROWS_PER_STRIP = 278;
constexpr uint16_t TAG_STRIP_BYTE_COUNTS = 279;
constexpr uint16_t TAG_EXTRA_SAMPLES = 338;

constexpr uint16_t TYPE_SHORT = 3;
constexpr uint32_t PHOTOMETRIC_RGB = 2;
constexpr uint32_t COMPRESSION_NONE = 1;
constexpr uint32_t HEADER_BYTES = 8;
constexpr uint32_t ENTRY_BYTES = 12;

// Bounds-checked little- or big-endian reads of the whole file held in memory.
class TiffBytes {
 public:
  TiffBytes(const std::vector<uint8_t>& bytes, bool big_endian) : bytes_(bytes), big_endian_(big_endian) {}

  uint64_t size() const { return bytes_.size(); }
  const uint8_t* data() const { return bytes_.data(); }
  bool big_endian() const { return big_endian_; }
  bool Holds(uint64_t offset, uint64_t length) const { return offset <= size() && length <= size() - offset; }

  bool Read16(uint64_t offset, uint16_t& out) const {
    if (!Holds(offset, 2)) return false;
    const uint8_t* p = bytes_.data() + offset;
    out = big_endian_ ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
    return true;
  }

  bool Read32(uint64_t offset, uint32_t& out) const {
    if (!Holds(offset, 4)) return false;
    const uint8_t* p = bytes_.data() + offset;
    const uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
    out = big_endian_ ? (b0 << 24 | b1 << 16 | b2 << 8 | b3) : (b3 << 24 | b2 << 16 | b1 << 8 | b0);
    return true;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  bool big_endian_;
};

uint32_t ElementBytes(const TiffEntry& entry) { return entry.type == TYPE_SHORT ? 2 : 4; }

// Values that fit the 4-byte value field lie in it, larger arrays at the offset it holds. The tools
// write StripByteCounts as SHORT, often two of them inside the field, so the element size follows the
// type: 16 bits for SHORT, 32 for everything else.
bool ValuesAreInline(const TiffEntry& entry) { return uint64_t{entry.count} * ElementBytes(entry) <= 4; }

bool ReadEntryElement(const TiffBytes& file, const TiffEntry& entry, uint32_t index, uint32_t& out) {
  if (index >= entry.count) return false;
  if (ValuesAreInline(entry)) {
    if (ElementBytes(entry) == 4) {
      out = entry.value;
    } else {
      // The field's first two bytes hold element 0 in either order; value decoded them as its
      // high half (big-endian) or low half (little-endian).
      const bool high_half = file.big_endian() == (index == 0);
      out = high_half ? entry.value >> 16 : entry.value & 0xFFFF;
    }
    return true;
  }
  const uint64_t offset = entry.value + uint64_t{index} * ElementBytes(entry);
  if (ElementBytes(entry) == 4) return file.Read32(offset, out);
  uint16_t element = 0;
  if (!file.Read16(offset, element)) return false;
  out = element;
  return true;
}

bool EntryValuesInFile(const TiffBytes& file, const TiffEntry& entry) {
  return ValuesAreInline(entry) || file.Holds(entry.value, uint64_t{entry.count} * ElementBytes(entry));
}

TiffEntry FoundEntry(const TiffImage& image) {
  return TiffEntry{image.found_tag, image.found_type, image.found_count, image.found_value};
}

// The first value of a tag; false only when the tag is absent. A present tag whose values cannot be
// read (no values, or an array outside the file) gives its raw value field, which the later size
// checks judge like any other number.
bool FindTagValue(TiffImage& image, const TiffBytes& file, uint16_t tag, uint32_t& out) {
  if (!FindTag(image, tag)) return false;
  if (!ReadEntryElement(file, FoundEntry(image), 0, out)) out = image.found_value;
  return true;
}

void ShowTiffError(const char* text) { MessageBoxA(GetActiveWindow(), text, "TIF Error", MB_OK | MB_ICONERROR); }

bool ReadDirectory(TiffImage& image, const TiffBytes& file) {
  if (!file.Read16(image.first_directory_offset, image.entry_count)) return false;
  const uint64_t first_entry = uint64_t{image.first_directory_offset} + 2;
  if (!file.Holds(first_entry, uint64_t{image.entry_count} * ENTRY_BYTES)) return false;
  if (image.entry_count == 0) return true;
  image.entries = NewZeroedArray<TiffEntry>(image.entry_count);
  if (image.entries == nullptr) return false;
  for (uint32_t i = 0; i < image.entry_count; ++i) {
    const uint64_t at = first_entry + uint64_t{i} * ENTRY_BYTES;
    TiffEntry& entry = image.entries[i];
    file.Read16(at, entry.tag);
    file.Read16(at + 2, entry.type);
    file.Read32(at + 4, entry.count);
    file.Read32(at + 8, entry.value);
  }
  return true;
}

// Where the strips lie: one offset and one length per strip, when both tables have the same count.
struct StripTables {
  TiffEntry offsets;
  TiffEntry lengths;
  uint32_t strip_count = 0;
};

// False when a strip table itself lies outside the file: without it no strip can be placed.
bool FindStripTables(TiffImage& image, const TiffBytes& file, StripTables& tables) {
  if (FindTag(image, TAG_STRIP_OFFSETS)) tables.offsets = FoundEntry(image);
  if (FindTag(image, TAG_STRIP_BYTE_COUNTS)) tables.lengths = FoundEntry(image);
  if (tables.offsets.count != tables.lengths.count) return true;
  if (!EntryValuesInFile(file, tables.offsets) || !EntryValuesInFile(file, tables.lengths)) return false;
  tables.strip_count = tables.offsets.count;
  return true;
}

// The strips concatenated in table order, cut to the first `needed` bytes. Each strip keeps its declared
// place in the sequence even when part of it lies outside the file, so a damaged strip costs only its
// own pixels, which stay zero.
uint8_t* GatherStripData(const TiffBytes& file, const StripTables& tables, uint64_t needed) {
  uint8_t* data = NewZeroedArray<uint8_t>(needed);
  if (data == nullptr) return nullptr;
  uint64_t position = 0;
  for (uint32_t i = 0; i < tables.strip_count && position < needed; ++i) {
    uint32_t offset = 0;
    uint32_t length = 0;
    ReadEntryElement(file, tables.offsets, i, offset);
    ReadEntryElement(file, tables.lengths, i, length);
    const uint64_t in_file = offset < file.size() ? std::min<uint64_t>(length, file.size() - offset) : 0;
    const uint64_t taken = std::min(in_file, needed - position);
    std::memcpy(data + position, file.data() + offset, taken);
    position += length;
  }
  return data;
}

// The three sample sizes: one value for all, or three values; false when they cannot be read.
bool ReadRgbBitsPerSample(TiffImage& image, const TiffBytes& file, uint32_t bits[3]) {
  if (!FindTag(image, TAG_BITS_PER_SAMPLE)) return false;
  const TiffEntry entry = FoundEntry(image);
  if (entry.count == 1) {
    if (!ReadEntryElement(file, entry, 0, bits[0])) return false;
    bits[1] = bits[2] = bits[0];
    return true;
  }
  for (uint32_t i = 0; i < 3; ++i) {
    if (!ReadEntryElement(file, entry, i, bits[i])) return false;
  }
  return true;
}

bool ConvertRgb(TiffImage& image, const TiffBytes& file, const StripTables& tables, uint32_t samples) {
  uint32_t bits[3] = {};
  if (!ReadRgbBitsPerSample(image, file, bits)) {
    ShowTiffError("Error reading tag Bits Per Sample");
    return false;
  }
  if (bits[0] != 8 || bits[1] != 8 || bits[2] != 8) {
    ShowTiffError("Error: Bits Per Sample (RGB) not 8");
    return false;
  }
  const uint64_t pixel_count = uint64_t{image.width} * image.height;
  uint8_t* data = GatherStripData(file, tables, pixel_count * samples);
  if (data == nullptr) return false;
  for (uint64_t p = 0; p < pixel_count; ++p) {
    const uint8_t* source = data + samples * p;
    uint8_t* pixel = image.pixels_bgra + 4 * p;
    pixel[0] = source[2];
    pixel[1] = source[1];
    pixel[2] = source[0];
    if (samples == 4) pixel[3] = source[3];
  }
  DeleteArray(data);
  return true;
}

// Compressed strips cannot be taken as raw samples; a file without the tag is uncompressed.
bool IsUncompressed(TiffImage& image, const TiffBytes& file) {
  uint32_t compression = COMPRESSION_NONE;
  FindTagValue(image, file, TAG_COMPRESSION, compression);
  return compression == COMPRESSION_NONE;
}

// Sides come from the file, so they are judged before the pixel buffer is made. Samples that are read
// take at least a byte per pixel, so a picture with more pixels than the file has bytes is damaged or
// hostile. A format that is not read needs no buffer at all (a compressed or one-bit page is far smaller
// than its pixel count); its claimed size is still held to that of the largest file the readers take.
bool PictureSizeIsPlausible(const TiffImage& image, uint64_t file_bytes, bool readable) {
  if (image.width == 0 || image.height == 0 || image.width > MAX_PICTURE_SIDE || image.height > MAX_PICTURE_SIDE) {
    return false;
  }
  const uint64_t pixel_count = uint64_t{image.width} * image.height;
  if (readable) return pixel_count <= file_bytes;
  return pixel_count * PICTURE_BYTES_PER_PIXEL <= MAX_SCENE_FILE_BYTES;
}

bool ReadTiffFile(TiffImage& image, const std::vector<uint8_t>& bytes) {
  if (bytes.size() < HEADER_BYTES) return false;
  image.byte_order = static_cast<uint16_t>(bytes[1] << 8 | bytes[0]);
  if (image.byte_order != TIFF_LITTLE_ENDIAN && image.byte_order != TIFF_BIG_ENDIAN) return false;
  const TiffBytes file(bytes, image.byte_order == TIFF_BIG_ENDIAN);
  file.Read16(2, image.version);
  file.Read32(4, image.first_directory_offset);
  if (!ReadDirectory(image, file)) return false;

  StripTables tables;
  if (!FindStripTables(image, file, tables)) return false;
  const uint32_t samples = FindTag(image, TAG_EXTRA_SAMPLES) ? 4 : 3;

  if (!FindTagValue(image, file, TAG_IMAGE_WIDTH, image.width)) {
    ShowTiffError("Error reading tag Image Width");
    return false;
  }
  if (!FindTagValue(image, file, TAG_IMAGE_LENGTH, image.height)) {
    ShowTiffError("Error reading tag Image Height");
    return false;
  }
  if (!FindTag(image, TAG_BITS_PER_SAMPLE)) {
    ShowTiffError("Error reading tag BitsPerSample");
    return false;
  }
  if (!FindTagValue(image, file, TAG_ROWS_PER_STRIP, image.rows_per_strip)) return false;
  if (!FindTagValue(image, file, TAG_STRIP_BYTE_COUNTS, image.strip_byte_count)) return false;
  uint32_t photometric = 0;
  if (!FindTagValue(image, file, TAG_PHOTOMETRIC, photometric)) {
    ShowTiffError("Error reading tag PhotometricInterpretation");
    return false;
  }

  const bool readable = photometric == PHOTOMETRIC_RGB && IsUncompressed(image, file);
  if (!PictureSizeIsPlausible(image, bytes.size(), readable)) return false;
  if (!readable) {
    MessageBoxA(GetActiveWindow(), "Not Supported Format", "ERROR", MB_OK);
    return true;
  }
  image.pixels_bgra = NewZeroedArray<uint8_t>(size_t{image.width} * image.height * 4);
  if (image.pixels_bgra == nullptr) return false;
  return ConvertRgb(image, file, tables, samples);
}

}  // namespace

bool FindTag(TiffImage& image, uint16_t tag) {
  if (image.entries == nullptr) return false;
  for (uint32_t i = 0; i < image.entry_count; ++i) {
    const TiffEntry& entry = image.entries[i];
    if (entry.tag != tag) continue;
    image.found_tag = entry.tag;
    image.found_type = entry.type;
    image.found_count = entry.count;
    image.found_value = entry.value;
    return true;
  }
  return false;
}

void DestroyTiffImage(TiffImage& image) {
  DeleteArray(image.entries);
  DeleteArray(image.pixels_bgra);
  image.entry_count = 0;
}

bool ReadTiff(TiffImage& image, const char* path) {
  DestroyTiffImage(image);
  std::vector<uint8_t> bytes;
  if (!ReadSceneFile(path, bytes)) return false;
  if (ReadTiffFile(image, bytes)) return true;
  DestroyTiffImage(image);
  return false;
}

bool LoadTiffPicture(TextureEntry& entry, const char* path, uint8_t*& out_picture) {
  TiffImage image;
  if (!ReadTiff(image, path)) return false;
  // What stands in for a picture that was not read is transparent black everywhere, so one pixel of it
  // samples the same as the header's claimed size would, at a cost that no header can raise.
  const bool stand_in = image.pixels_bgra == nullptr;
  const uint32_t claimed_width = image.width, claimed_height = image.height;
  if (stand_in) image.width = image.height = 1;
  uint8_t* picture = NewPicture(image.width, image.height);
  if (picture == nullptr) {
    DestroyTiffImage(image);
    return false;
  }
  const size_t width = image.width;
  for (size_t row = 0; row < image.height && image.pixels_bgra != nullptr; ++row) {
    const uint8_t* source = image.pixels_bgra + (image.height - 1 - row) * width * 4;
    uint8_t* target = picture + row * width * PICTURE_BYTES_PER_PIXEL;
    for (size_t x = 0; x < width; ++x, source += 4, target += PICTURE_BYTES_PER_PIXEL) {
      target[PICTURE_A] = source[3];
      target[PICTURE_B] = source[0];
      target[PICTURE_G] = source[1];
      target[PICTURE_R] = source[2];
    }
  }
  entry.width = static_cast<uint16_t>(image.width);
  entry.height = static_cast<uint16_t>(image.height);
  entry.claimed_width = static_cast<uint16_t>(stand_in ? claimed_width : 0);
  entry.claimed_height = static_cast<uint16_t>(stand_in ? claimed_height : 0);
  DestroyTiffImage(image);
  out_picture = picture;
  return true;
}
