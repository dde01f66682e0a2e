#include "tests/image_fixtures.h"

#include <gtest/gtest.h>

#include "texture/picture.h"
#include "texture/texture_cache.h"

SourceImage MakeSourceImage(uint32_t width, uint32_t height, uint32_t channels) {
  SourceImage image{width, height, channels, {}};
  for (uint32_t i = 0; i < width * height * channels; ++i) image.samples.push_back(static_cast<uint8_t>(17 + 37 * i));
  return image;
}

std::vector<uint8_t> ExpectedPicture(const SourceImage& image, uint8_t alpha) {
  std::vector<uint8_t> picture;
  for (uint32_t row = image.height; row-- > 0;) {
    for (uint32_t x = 0; x < image.width; ++x) {
      const uint8_t* s = &image.samples[(row * image.width + x) * image.channels];
      picture.insert(picture.end(), {image.channels == 4 ? s[3] : alpha, s[2], s[1], s[0]});
    }
  }
  return picture;
}

namespace {

void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string BuildTiff(const std::string& data, const std::vector<TiffTag>& tags) {
  const uint32_t directory_offset = TIFF_DATA_OFFSET + static_cast<uint32_t>(data.size());
  std::string out = "II";
  Put(out, 42, 2);
  Put(out, directory_offset, 4);
  out += data;
  Put(out, static_cast<uint32_t>(tags.size()), 2);
  uint32_t array_offset = directory_offset + 2 + 12 * static_cast<uint32_t>(tags.size()) + 4;
  std::string arrays;
  for (const TiffTag& tag : tags) {
    Put(out, tag.tag, 2);
    Put(out, tag.type, 2);
    Put(out, tag.raw ? tag.raw_count : static_cast<uint32_t>(tag.values.size()), 4);
    const int element_bytes = tag.type == TIFF_TYPE_SHORT ? 2 : 4;
    std::string values;
    for (uint32_t v : tag.values) Put(values, v, element_bytes);
    if (tag.raw) {
      Put(out, tag.raw_value, 4);
    } else if (values.size() <= 4) {
      out += values + std::string(4 - values.size(), '\0');
    } else {
      Put(out, array_offset, 4);
      array_offset += static_cast<uint32_t>(values.size());
      arrays += values;
    }
  }
  Put(out, 0, 4);  // no next directory
  return out + arrays;
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

std::string OneStripTiff(const std::string& data, uint32_t width, uint32_t height, std::vector<uint32_t> bits,
                         uint32_t photometric, const std::vector<TiffTag>& more) {
  std::vector<TiffTag> tags = {{256, TIFF_TYPE_SHORT, {width}},       {257, TIFF_TYPE_SHORT, {height}},
                               {258, TIFF_TYPE_SHORT, std::move(bits)}, {262, TIFF_TYPE_SHORT, {photometric}},
                               {273, TIFF_TYPE_LONG, {TIFF_DATA_OFFSET}}, {278, TIFF_TYPE_SHORT, {height}},
                               {279, TIFF_TYPE_LONG, {static_cast<uint32_t>(data.size())}}};
  tags.insert(tags.end(), more.begin(), more.end());
  return BuildTiff(data, tags);
}
