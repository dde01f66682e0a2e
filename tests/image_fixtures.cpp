#include "tests/image_fixtures.h"

#include <gtest/gtest.h>

#include "texture/picture.h"
#include "texture/texture_cache.h"

SourceImage MakeSourceImage(uint32_t width, uint32_t height, uint32_t channels) {
  SourceImage image{width, height, channels, {}};
  for (uint32_t i = 0; i < width * height * channels; ++i) {
    image.samples.push_back(static_cast<uint8_t>(17 + 37 * i));
  }
  return image;
}

std::vector<uint8_t> ExpectedPicture(const SourceImage& image, uint8_t alpha) {
  std::vector<uint8_t> picture;
  for (uint32_t row = 0; row < image.height; ++row) {
    const uint32_t source_row = image.height - 1 - row;
    for (uint32_t x = 0; x < image.width; ++x) {
      const uint8_t* s = &image.samples[(source_row * image.width + x) * image.channels];
      picture.push_back(image.channels == 4 ? s[3] : alpha);
      picture.push_back(s[2]);
      picture.push_back(s[1]);
      picture.push_back(s[0]);
    }
  }
  return picture;
}

TiffTag TiffTag::Raw(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  TiffTag raw_tag{tag, type, {}};
  raw_tag.raw = true;
  raw_tag.raw_count = count;
  raw_tag.raw_value = value;
  return raw_tag;
}

namespace {

class ByteWriter {
 public:
  explicit ByteWriter(bool big_endian) : big_endian_(big_endian) {}
  void Put16(uint32_t v) { Put(v, 2); }
  void Put32(uint32_t v) { Put(v, 4); }
  void PutBytes(const std::string& bytes) { out_ += bytes; }
  size_t size() const { return out_.size(); }
  std::string& bytes() { return out_; }

 private:
  void Put(uint32_t v, int count) {
    for (int i = 0; i < count; ++i) {
      const int shift = big_endian_ ? 8 * (count - 1 - i) : 8 * i;
      out_.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
  }
  bool big_endian_;
  std::string out_;
};

void PutValues(ByteWriter& out, const TiffTag& tag) {
  for (uint32_t v : tag.values) {
    if (tag.type == TIFF_TYPE_SHORT) {
      out.Put16(v);
    } else {
      out.Put32(v);
    }
  }
}

}  // namespace

std::string BuildTiff(const std::string& data, const std::vector<TiffTag>& tags, bool big_endian) {
  const uint32_t directory_offset = TIFF_DATA_OFFSET + static_cast<uint32_t>(data.size());
  ByteWriter out(big_endian);
  out.PutBytes(big_endian ? "MM" : "II");
  out.Put16(42);
  out.Put32(directory_offset);
  out.PutBytes(data);
  out.Put16(static_cast<uint32_t>(tags.size()));
  uint32_t array_offset = directory_offset + 2 + 12 * static_cast<uint32_t>(tags.size()) + 4;
  std::vector<const TiffTag*> arrays;
  for (const TiffTag& tag : tags) {
    out.Put16(tag.tag);
    out.Put16(tag.type);
    if (tag.raw) {
      out.Put32(tag.raw_count);
      out.Put32(tag.raw_value);
      continue;
    }
    out.Put32(static_cast<uint32_t>(tag.values.size()));
    const uint32_t element_bytes = tag.type == TIFF_TYPE_SHORT ? 2 : 4;
    const uint32_t array_bytes = element_bytes * static_cast<uint32_t>(tag.values.size());
    if (array_bytes <= 4) {
      ByteWriter field(big_endian);
      PutValues(field, tag);
      field.bytes().resize(4, '\0');
      out.PutBytes(field.bytes());
    } else {
      out.Put32(array_offset);
      array_offset += array_bytes;
      arrays.push_back(&tag);
    }
  }
  out.Put32(0);  // no next directory
  for (const TiffTag* tag : arrays) PutValues(out, *tag);
  return out.bytes();
}

LoadedPicture LoadWithReader(PictureReader reader, const std::string& path) {
  LoadedPicture loaded;
  TextureEntry entry = {};
  uint8_t* picture = nullptr;
  BeginCaptureMessageBoxes();
  loaded.ok = reader(entry, path.c_str(), picture);
  loaded.boxes = EndCaptureMessageBoxes();
  if (loaded.ok) {
    loaded.width = entry.width;
    loaded.height = entry.height;
    loaded.bytes.assign(picture, picture + size_t{entry.width} * entry.height * PICTURE_BYTES_PER_PIXEL);
    FreePicture(picture);
  } else {
    EXPECT_EQ(picture, nullptr);
    EXPECT_EQ(entry.width, 0);
  }
  return loaded;
}
