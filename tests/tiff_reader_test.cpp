#include "texture/tiff_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/test_hooks.h"
#include "tests/image_fixtures.h"
#include "tests/test_support.h"

namespace {

LoadedPicture LoadTiff(const std::string& path) { return LoadWithReader(LoadTiffPicture, path); }

// The picture that strip data (samples per pixel, rows top first) must give: bottom row first, A, B, G,
// R, alpha 0 without a fourth sample, zero past the end of the data.
std::vector<uint8_t> PictureFromStripData(const std::string& data, uint32_t width, uint32_t height) {
  std::vector<uint8_t> samples(data.begin(), data.end());
  samples.resize(size_t{width} * height * 3, 0);
  return ExpectedPicture(SourceImage{width, height, 3, samples}, 0);
}

std::string RgbSamples(uint32_t width, uint32_t height) {
  const std::vector<uint8_t> samples = MakeSourceImage(width, height, 3).samples;
  return std::string(samples.begin(), samples.end());
}

std::vector<TiffTag> RgbTags(uint32_t width, uint32_t height, std::vector<uint32_t> offsets,
                             std::vector<uint32_t> lengths, uint32_t rows_per_strip) {
  return {{256, TIFF_TYPE_SHORT, {width}},        {257, TIFF_TYPE_SHORT, {height}},
          {258, TIFF_TYPE_SHORT, {8, 8, 8}},      {262, TIFF_TYPE_SHORT, {2}},
          {273, TIFF_TYPE_LONG, std::move(offsets)}, {278, TIFF_TYPE_SHORT, {rows_per_strip}},
          {279, TIFF_TYPE_LONG, std::move(lengths)}};
}

// Each replacement takes the place of the tag of its number, or joins the end when there is none.
std::vector<TiffTag> With(std::vector<TiffTag> tags, std::initializer_list<TiffTag> replacements) {
  for (const TiffTag& replacement : replacements) {
    auto same = [&](const TiffTag& t) { return t.tag == replacement.tag; };
    const auto found = std::find_if(tags.begin(), tags.end(), same);
    if (found == tags.end()) {
      tags.push_back(replacement);
    } else {
      *found = replacement;
    }
  }
  return tags;
}

std::vector<TiffTag> Without(std::vector<TiffTag> tags, uint16_t tag) {
  tags.erase(std::remove_if(tags.begin(), tags.end(), [tag](const TiffTag& t) { return t.tag == tag; }), tags.end());
  return tags;
}

// 2 x 3 pixels in three one-row strips, stored in file order.
const std::string SMALL_BYTES = RgbSamples(2, 3);
const std::vector<TiffTag> SMALL_TAGS =
    RgbTags(2, 3, {TIFF_DATA_OFFSET, TIFF_DATA_OFFSET + 6, TIFF_DATA_OFFSET + 12}, {6, 6, 6}, 1);

TEST(TiffReader, ReadsTheLayoutsImagingToolsWrite) {
  const struct {
    const char* file;
    uint32_t channels;
  } cases[] = {{"rgb_one_strip.tif", 3},  {"rgb_strips_of_two.tif", 3}, {"rgb_strip_per_row.tif", 3},
               {"rgb_big_endian.tif", 3}, {"rgba_one_strip.tif", 4},    {"rgba_big_endian.tif", 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const LoadedPicture loaded = LoadTiff(TestDataPath(std::string("images/") + c.file));
    ASSERT_TRUE(loaded.ok);
    EXPECT_TRUE(loaded.boxes.empty());
    EXPECT_EQ(loaded.width * 10 + loaded.height, 57);
    EXPECT_EQ(loaded.bytes, ExpectedPicture(MakeSourceImage(5, 7, c.channels), 0));
  }
}

// Grey, one-bit and compressed pictures are not decoded, and their pixels may take far fewer bytes than
// there are pixels: each still loads, at its own size, as transparent black with one box.
TEST(TiffReader, FormatsNotReadLoadAsTransparentBlackWithOneBox) {
  const struct {
    const char* file;
    uint16_t width, height;
  } cases[] = {{"grey.tif", 7, 5},           {"rgb_lzw.tif", 5, 7},         {"rgb_lzw_flat.tif", 64, 64},
               {"bilevel_plain.tif", 64, 48}, {"bilevel_group4.tif", 64, 48}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const LoadedPicture loaded = LoadTiff(TestDataPath(std::string("images/") + c.file));
    ASSERT_TRUE(loaded.ok);
    ASSERT_EQ(loaded.boxes.size(), 1u);
    EXPECT_EQ(loaded.boxes[0].caption, "ERROR");
    EXPECT_EQ(loaded.boxes[0].text, "Not Supported Format");
    EXPECT_EQ(loaded.boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(loaded.width, c.width);
    EXPECT_EQ(loaded.height, c.height);
    EXPECT_EQ(loaded.bytes, std::vector<uint8_t>(size_t{c.width} * c.height * 4, 0));
  }
}

TEST(TiffReader, MissingOrUnusableTagsFailWithTheirMessage) {
  const std::vector<TiffTag>& tags = SMALL_TAGS;
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
      {"16 bits for all", With(tags, {{258, TIFF_TYPE_SHORT, {16}}}), "Error: Bits Per Sample (RGB) not 8"},
      {"16 bits for blue", With(tags, {{258, TIFF_TYPE_SHORT, {8, 8, 16}}}), "Error: Bits Per Sample (RGB) not 8"},
      {"bit sizes outside the file", With(tags, {TiffTag::Raw(258, TIFF_TYPE_SHORT, 3, 0xFFFFFF00u)}),
       "Error reading tag Bits Per Sample"},
      {"two bit sizes only", With(tags, {{258, TIFF_TYPE_SHORT, {8, 8}}}), "Error reading tag Bits Per Sample"},
      {"8 bits for all", With(tags, {{258, TIFF_TYPE_SHORT, {8}}}), ""},
      {"uncompressed said outright", With(tags, {{259, TIFF_TYPE_SHORT, {1}}}), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    WriteTextFile("t.tif", BuildTiff(SMALL_BYTES, c.tags));
    const LoadedPicture loaded = LoadTiff("t.tif");
    const bool loads = c.message != nullptr && c.message[0] == '\0';
    ASSERT_EQ(loaded.ok, loads);
    if (loads) {
      EXPECT_EQ(loaded.bytes, PictureFromStripData(SMALL_BYTES, 2, 3));
    }
    if (c.message == nullptr || loads) {
      EXPECT_TRUE(loaded.boxes.empty());
      continue;
    }
    ASSERT_EQ(loaded.boxes.size(), 1u);
    EXPECT_EQ(loaded.boxes[0].caption, "TIF Error");
    EXPECT_EQ(loaded.boxes[0].text, c.message);
    EXPECT_EQ(loaded.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
  }
}

TEST(TiffReader, RefusesStructuresThatLeaveTheFileOrCannotBeHeld) {
  const std::string good = BuildTiff(SMALL_BYTES, SMALL_TAGS);
  std::string bad_mark = good, far_directory = good, many_entries = good;
  bad_mark[1] = 'X';
  far_directory[4] = far_directory[5] = far_directory[6] = static_cast<char>(0xFF);
  many_entries[TIFF_DATA_OFFSET + SMALL_BYTES.size() + 1] = 4;  // 1024 and more entries
  auto file_with = [](std::initializer_list<TiffTag> replacements) {
    return BuildTiff(SMALL_BYTES, With(SMALL_TAGS, replacements));
  };
  const TiffTag grey = {262, TIFF_TYPE_SHORT, {1}};
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"short header", good.substr(0, 7)},
      {"unknown byte order", bad_mark},
      {"directory beyond the file", far_directory},
      {"entry count beyond the file", many_entries},
      {"strip offsets table beyond the file", file_with({TiffTag::Raw(273, TIFF_TYPE_LONG, 3, 0x7FFFFFF0u)})},
      {"strip lengths table beyond the file", file_with({TiffTag::Raw(279, TIFF_TYPE_LONG, 3, 0xFFFFFFF0u)})},
      {"zero width", file_with({{256, TIFF_TYPE_SHORT, {0}}})},
      {"zero height of a picture not read", file_with({grey, {257, TIFF_TYPE_SHORT, {0}}})},
      {"width above 16 bits", file_with({{256, TIFF_TYPE_LONG, {70000}}})},
      {"more pixels than the file has bytes", file_with({{256, TIFF_TYPE_SHORT, {60000}}, {257, TIFF_TYPE_SHORT, {60000}}})},
      {"sides whose product overflows", file_with({{256, TIFF_TYPE_LONG, {0xFFFFFFFFu}}, {257, TIFF_TYPE_LONG, {0xFFFFFFFFu}}})},
      {"picture not read, larger than any file read",
       file_with({grey, {256, TIFF_TYPE_SHORT, {65535}}, {257, TIFF_TYPE_SHORT, {1025}}})},
  };
  for (const auto& [name, file] : cases) {
    SCOPED_TRACE(name);
    ScopedTempDir dir;
    WriteTextFile("t.tif", file);
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
  const std::string all = RgbSamples(2, 4);
  auto row = [&](int r, size_t bytes = 6) { return all.substr(6 * r, bytes); };
  const uint32_t d = TIFF_DATA_OFFSET;
  struct Case {
    const char* name;
    std::string data;
    std::vector<TiffTag> tags;
    std::string strip_data;  // what the picture must be made of
  } cases[] = {
      {"stored in reverse, read in table order", row(3) + row(2) + row(1) + row(0),
       RgbTags(2, 4, {d + 18, d + 12, d + 6, d}, {6, 6, 6, 6}, 1), all},
      {"a strip beyond the file keeps its place", row(0) + row(2) + row(3),
       RgbTags(2, 4, {d, 0x7FFFFFFFu, d + 6, d + 12}, {6, 6, 6, 6}, 1), row(0) + std::string(6, '\0') + row(2) + row(3)},
      {"strips shorter than the picture", all, RgbTags(2, 4, {d, d + 6, d + 12, d + 18}, {4, 4, 4, 4}, 1),
       row(0, 4) + row(1, 4) + row(2, 4) + row(3, 4)},
      {"tables of different counts give no strips", all, RgbTags(2, 4, {d, d + 6, d + 12, d + 18}, {24}, 4), ""},
      {"two-strip SHORT lengths in the value field", all,
       With(RgbTags(2, 4, {d, d + 12}, {}, 2), {{279, TIFF_TYPE_SHORT, {12, 12}}}), all},
  };
  ScopedTempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteTextFile("t.tif", BuildTiff(c.data, c.tags));
    const LoadedPicture loaded = LoadTiff("t.tif");
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.bytes, PictureFromStripData(c.strip_data, 2, 4));
  }
  // The last strip runs past the end of the file: the part inside it is used.
  const uint32_t end = static_cast<uint32_t>(BuildTiff("", RgbTags(2, 4, {0}, {24}, 4)).size());
  WriteTextFile("t.tif", BuildTiff("", RgbTags(2, 4, {end}, {24}, 4)) + all.substr(0, 15));
  EXPECT_EQ(LoadTiff("t.tif").bytes, PictureFromStripData(all.substr(0, 15), 2, 4));
}

// Every prefix of the file: a cut file that still loads gives the full picture with some bytes zero,
// never bytes from elsewhere. (Spoiled bytes are the fuzz target's.)
TEST(TiffReader, CutFilesGiveZerosNeverOtherBytes) {
  ScopedTempDir dir;
  for (const std::string& file : {BuildTiff(SMALL_BYTES, SMALL_TAGS), ReadTestData("images/rgba_big_endian.tif")}) {
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
