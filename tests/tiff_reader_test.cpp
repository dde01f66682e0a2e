#include "texture/tiff_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/test_hooks.h"
#include "tests/image_fixtures.h"
#include "tests/test_support.h"
#include "texture/texture_cache.h"

namespace {

LoadedPicture LoadTiff(const std::string& path) { return LoadWithReader(LoadTiffPicture, path); }

// The picture that strip data (samples per pixel, rows top first) must give: bottom row first, A, B, G,
// R, alpha 0 without a fourth sample, zero past the end of the data.
std::vector<uint8_t> PictureFromStripData(const std::vector<uint8_t>& data, uint32_t width, uint32_t height,
                                          uint32_t samples) {
  std::vector<uint8_t> padded = data;
  padded.resize(std::max<size_t>(data.size(), size_t{width} * height * samples), 0);
  SourceImage source{width, height, samples, std::vector<uint8_t>(padded.begin(), padded.begin() + width * height * samples)};
  return ExpectedPicture(source, 0);
}

std::vector<TiffTag> RgbTags(uint32_t width, uint32_t height, std::vector<uint32_t> offsets,
                             std::vector<uint32_t> lengths, uint32_t rows_per_strip) {
  return {{256, TIFF_TYPE_SHORT, {width}},        {257, TIFF_TYPE_SHORT, {height}},
          {258, TIFF_TYPE_SHORT, {8, 8, 8}},      {262, TIFF_TYPE_SHORT, {2}},
          {273, TIFF_TYPE_LONG, std::move(offsets)}, {278, TIFF_TYPE_SHORT, {rows_per_strip}},
          {279, TIFF_TYPE_LONG, std::move(lengths)}};
}

std::vector<TiffTag> Replaced(std::vector<TiffTag> tags, const TiffTag& replacement) {
  for (TiffTag& tag : tags) {
    if (tag.tag == replacement.tag) tag = replacement;
  }
  return tags;
}

std::vector<TiffTag> Without(std::vector<TiffTag> tags, uint16_t tag) {
  tags.erase(std::remove_if(tags.begin(), tags.end(), [tag](const TiffTag& t) { return t.tag == tag; }), tags.end());
  return tags;
}

// 2 x 3 pixels in three one-row strips, stored in file order.
const std::vector<uint8_t> SMALL_DATA = MakeSourceImage(2, 3, 3).samples;
std::string SmallDataBytes() { return std::string(SMALL_DATA.begin(), SMALL_DATA.end()); }
std::vector<TiffTag> SmallTags() {
  return RgbTags(2, 3, {TIFF_DATA_OFFSET, TIFF_DATA_OFFSET + 6, TIFF_DATA_OFFSET + 12}, {6, 6, 6}, 1);
}

TEST(TiffReader, ReadsWhatImageMagickAndLibtiffWrite) {
  struct Case {
    const char* name;
    uint32_t channels;
    std::vector<std::pair<const char*, const char*>> steps;
  } cases[] = {
      {"one strip", 3, {{"convert", "in.ppm -type TrueColor -compress none out.tif"}}},
      {"strips of two rows, the last short", 3,
       {{"convert", "in.ppm -type TrueColor -compress none -define tiff:rows-per-strip=2 out.tif"}}},
      {"one strip per row", 3, {{"convert", "in.ppm -type TrueColor -compress none -define tiff:rows-per-strip=1 out.tif"}}},
      {"big-endian", 3,
       {{"convert", "in.ppm -type TrueColor -compress none one.tif"}, {"tiffcp", "-B -c none -r 3 one.tif out.tif"}}},
      {"alpha sample", 4, {{"convert", "in.pam -type TrueColorAlpha -compress none out.tif"}}},
      {"alpha sample, big-endian strips", 4,
       {{"convert", "in.pam -type TrueColorAlpha -compress none one.tif"}, {"tiffcp", "-B -c none -r 2 one.tif out.tif"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    const SourceImage source = MakeSourceImage(5, 7, c.channels);
    WriteNetpbm(c.channels == 4 ? "in.pam" : "in.ppm", source);
    bool made = true;
    for (const auto& step : c.steps) made = made && RunTool(step.first, step.second);
    if (!made) continue;
    const LoadedPicture loaded = LoadTiff("out.tif");
    ASSERT_TRUE(loaded.ok);
    EXPECT_TRUE(loaded.boxes.empty());
    EXPECT_EQ(loaded.width, 5);
    EXPECT_EQ(loaded.height, 7);
    EXPECT_EQ(loaded.bytes, ExpectedPicture(source, 0));
  }
}

TEST(TiffReader, GreyscaleIsNotSupportedAndLoadsTransparentBlack) {
  ScopedTempDir dir;
  WriteNetpbm("in.pgm", MakeSourceImage(7, 5, 1));
  ASSERT_TRUE(RunTool("convert", "in.pgm -compress none grey.tif"));
  const LoadedPicture loaded = LoadTiff("grey.tif");
  ASSERT_TRUE(loaded.ok);
  ASSERT_EQ(loaded.boxes.size(), 1u);
  EXPECT_EQ(loaded.boxes[0].caption, "ERROR");
  EXPECT_EQ(loaded.boxes[0].text, "Not Supported Format");
  EXPECT_EQ(loaded.boxes[0].type, static_cast<UINT>(MB_OK));
  EXPECT_EQ(loaded.width, 7);
  EXPECT_EQ(loaded.height, 5);
  EXPECT_EQ(loaded.bytes, std::vector<uint8_t>(7 * 5 * 4, 0));
}

TEST(TiffReader, MissingOrUnusableTagsFailWithTheirMessage) {
  const std::vector<TiffTag> tags = SmallTags();
  struct Case {
    const char* name;
    std::vector<TiffTag> tags;
    const char* message;  // null: fails without a box; empty: loads
  } cases[] = {
      {"no width", Without(tags, 256), "Error reading tag Image Width"},
      {"no height", Without(tags, 257), "Error reading tag Image Height"},
      {"no bits per sample", Without(tags, 258), "Error reading tag BitsPerSample"},
      {"no rows per strip", Without(tags, 278), nullptr},
      {"no strip byte counts", Without(tags, 279), nullptr},
      {"no photometric", Without(tags, 262), "Error reading tag PhotometricInterpretation"},
      {"16 bits for all", Replaced(tags, {258, TIFF_TYPE_SHORT, {16}}), "Error: Bits Per Sample (RGB) not 8"},
      {"16 bits for blue", Replaced(tags, {258, TIFF_TYPE_SHORT, {8, 8, 16}}), "Error: Bits Per Sample (RGB) not 8"},
      {"bit sizes outside the file", Replaced(tags, TiffTag::Raw(258, TIFF_TYPE_SHORT, 3, 0xFFFFFF00u)),
       "Error reading tag Bits Per Sample"},
      {"two bit sizes only", Replaced(tags, {258, TIFF_TYPE_SHORT, {8, 8}}), "Error reading tag Bits Per Sample"},
      {"8 bits for all", Replaced(tags, {258, TIFF_TYPE_SHORT, {8}}), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    WriteTextFile("t.tif", BuildTiff(SmallDataBytes(), c.tags));
    const LoadedPicture loaded = LoadTiff("t.tif");
    if (c.message != nullptr && c.message[0] == '\0') {
      EXPECT_TRUE(loaded.ok);
      EXPECT_TRUE(loaded.boxes.empty());
      EXPECT_EQ(loaded.bytes, PictureFromStripData(SMALL_DATA, 2, 3, 3));
      continue;
    }
    EXPECT_FALSE(loaded.ok);
    if (c.message == nullptr) {
      EXPECT_TRUE(loaded.boxes.empty());
      continue;
    }
    ASSERT_EQ(loaded.boxes.size(), 1u);
    EXPECT_EQ(loaded.boxes[0].caption, "TIF Error");
    EXPECT_EQ(loaded.boxes[0].text, c.message);
    EXPECT_EQ(loaded.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  }
}

std::string WithEntryCount(std::string file, uint16_t count) {
  const uint32_t directory = TIFF_DATA_OFFSET + static_cast<uint32_t>(SMALL_DATA.size());
  file[directory] = static_cast<char>(count & 0xFF);
  file[directory + 1] = static_cast<char>(count >> 8);
  return file;
}

TEST(TiffReader, RefusesStructuresThatLeaveTheFileOrCannotBeHeld) {
  const std::string good = BuildTiff(SmallDataBytes(), SmallTags());
  std::string bad_mark = good;
  bad_mark[1] = 'X';
  std::string far_directory = good;
  far_directory[4] = far_directory[5] = far_directory[6] = static_cast<char>(0xFF);
  const std::vector<TiffTag> tags = SmallTags();
  struct Case {
    const char* name;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"short header", good.substr(0, 7)},
      {"unknown byte order", bad_mark},
      {"directory beyond the file", far_directory},
      {"entry count beyond the file", WithEntryCount(good, 1000)},
      {"strip offsets table beyond the file", BuildTiff(SmallDataBytes(), Replaced(tags, TiffTag::Raw(273, TIFF_TYPE_LONG, 3, 0x7FFFFFF0u)))},
      {"strip lengths table beyond the file", BuildTiff(SmallDataBytes(), Replaced(tags, TiffTag::Raw(279, TIFF_TYPE_LONG, 3, 0xFFFFFFF0u)))},
      {"zero width", BuildTiff(SmallDataBytes(), Replaced(tags, {256, TIFF_TYPE_SHORT, {0}}))},
      {"zero height", BuildTiff(SmallDataBytes(), Replaced(tags, {257, TIFF_TYPE_SHORT, {0}}))},
      {"width above 16 bits", BuildTiff(SmallDataBytes(), Replaced(tags, {256, TIFF_TYPE_LONG, {70000}}))},
      {"more pixels than the file has bytes", BuildTiff(SmallDataBytes(), Replaced(Replaced(tags, {256, TIFF_TYPE_SHORT, {60000}}), {257, TIFF_TYPE_SHORT, {60000}}))},
      {"sides whose product overflows", BuildTiff(SmallDataBytes(), Replaced(Replaced(tags, {256, TIFF_TYPE_LONG, {0xFFFFFFFFu}}), {257, TIFF_TYPE_LONG, {0xFFFFFFFFu}}))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    WriteTextFile("t.tif", c.file);
    TiffImage image;
    BeginCaptureMessageBoxes();
    EXPECT_FALSE(ReadTiff(image, "t.tif"));
    EXPECT_TRUE(EndCaptureMessageBoxes().empty());
    EXPECT_EQ(image.entries, nullptr);
    EXPECT_EQ(image.pixels_bgra, nullptr);
  }
  ScopedTempDir dir;
  TiffImage image;
  EXPECT_FALSE(ReadTiff(image, "absent.tif"));
}

TEST(TiffReader, StripsJoinInTableOrderAndMissingBytesStayZero) {
  // 2 x 4 pixels, one row (6 bytes) per strip.
  const std::vector<uint8_t> rows = MakeSourceImage(2, 4, 3).samples;
  auto row = [&](int r) { return std::string(rows.begin() + 6 * r, rows.begin() + 6 * r + 6); };
  auto take = [&](std::initializer_list<std::pair<int, int>> ranges) {  // (row, bytes) in order
    std::vector<uint8_t> data;
    for (auto [r, bytes] : ranges) data.insert(data.end(), rows.begin() + 6 * r, rows.begin() + 6 * r + bytes);
    return data;
  };
  const uint32_t d = TIFF_DATA_OFFSET;
  const std::vector<uint8_t> zeros(6, 0);
  auto with_zero_row = [&](int zero_row) {
    std::vector<uint8_t> data = rows;
    std::fill(data.begin() + 6 * zero_row, data.begin() + 6 * zero_row + 6, 0);
    return data;
  };
  struct Case {
    const char* name;
    std::string data;
    std::vector<TiffTag> tags;
    std::vector<uint8_t> strip_data;  // what the picture must be made of
  } cases[] = {
      {"stored in reverse, read in table order", row(3) + row(2) + row(1) + row(0),
       RgbTags(2, 4, {d + 18, d + 12, d + 6, d}, {6, 6, 6, 6}, 1), rows},
      {"a strip beyond the file keeps its place", row(0) + row(2) + row(3),
       RgbTags(2, 4, {d, 0x7FFFFFFFu, d + 6, d + 12}, {6, 6, 6, 6}, 1), with_zero_row(1)},
      {"strips shorter than the picture", row(0) + row(1) + row(2) + row(3),
       RgbTags(2, 4, {d, d + 6, d + 12, d + 18}, {4, 4, 4, 4}, 1), take({{0, 4}, {1, 4}, {2, 4}, {3, 4}})},
      {"tables of different counts give no strips", row(0) + row(1) + row(2) + row(3),
       RgbTags(2, 4, {d, d + 6, d + 12, d + 18}, {24}, 4), {}},
      {"two-strip SHORT lengths in the value field", row(0) + row(1) + row(2) + row(3),
       Replaced(RgbTags(2, 4, {d, d + 12}, {}, 2), {279, TIFF_TYPE_SHORT, {12, 12}}), rows},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    WriteTextFile("t.tif", BuildTiff(c.data, c.tags));
    const LoadedPicture loaded = LoadTiff("t.tif");
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.bytes, PictureFromStripData(c.strip_data, 2, 4, 3));
  }
  // The last strip runs past the end of the file: the part inside it is used.
  ScopedTempDir dir;
  std::string cut = BuildTiff("", RgbTags(2, 4, {0}, {24}, 4));
  const uint32_t data_at = static_cast<uint32_t>(cut.size());
  cut = BuildTiff("", RgbTags(2, 4, {data_at}, {24}, 4)) + row(0) + row(1) + row(2).substr(0, 3);
  WriteTextFile("t.tif", cut);
  const LoadedPicture loaded = LoadTiff("t.tif");
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.bytes, PictureFromStripData(take({{0, 6}, {1, 6}, {2, 3}}), 2, 4, 3));
}

// Every prefix of the file: a cut file that still loads gives the full picture with some bytes zero,
// never bytes from elsewhere. (Spoiled bytes are the fuzz target's.)
TEST(TiffReader, CutFilesGiveZerosNeverOtherBytes) {
  ScopedTempDir dir;
  std::vector<std::string> files = {BuildTiff(SmallDataBytes(), SmallTags())};
  WriteNetpbm("in.pam", MakeSourceImage(3, 4, 4));
  if (RunTool("convert", "in.pam -type TrueColorAlpha -compress none one.tif") &&
      RunTool("tiffcp", "-B -c none -r 1 one.tif mm.tif")) {
    files.push_back(ReadTextFile("mm.tif"));
  }
  for (const std::string& file : files) {
    WriteTextFile("full.tif", file);
    const LoadedPicture full = LoadTiff("full.tif");
    ASSERT_TRUE(full.ok);
    for (size_t i = 0; i < file.size(); ++i) {
      WriteTextFile("t.tif", file.substr(0, i));
      const LoadedPicture loaded = LoadTiff("t.tif");
      if (!loaded.ok) continue;
      ASSERT_EQ(loaded.bytes.size(), full.bytes.size()) << "cut at " << i;
      for (size_t b = 0; b < loaded.bytes.size(); ++b) {
        if (loaded.bytes[b] != 0) {
          ASSERT_EQ(loaded.bytes[b], full.bytes[b]) << "cut at " << i;
        }
      }
    }
  }
}

}  // namespace
