#include "texture/tiff_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/test_hooks.h"
#include "tests/image_fixtures.h"
#include "tests/test_support.h"

namespace {

LoadedPicture LoadTiff(const std::string& path) { return LoadWithReader(LoadTiffPicture, path); }

// The boxes shown, as "caption: text" lines; each box's style is checked on the way.
std::string Boxes(const LoadedPicture& loaded) {
  std::string lines;
  for (const CapturedMessageBox& box : loaded.boxes) {
    EXPECT_EQ(box.type, static_cast<UINT>(box.caption == "TIF Error" ? MB_OK | MB_ICONERROR : MB_OK));
    lines += box.caption + ": " + box.text + "\n";
  }
  return lines;
}

std::string RgbSamples(uint32_t width, uint32_t height) {
  const std::vector<uint8_t> samples = MakeSourceImage(width, height, 3).samples;
  return std::string(samples.begin(), samples.end());
}

// The picture that strip data (three samples per pixel, rows top first) must give: zero past its end.
std::vector<uint8_t> PictureFromStripData(const std::string& data, uint32_t width, uint32_t height) {
  std::vector<uint8_t> samples(data.begin(), data.end());
  samples.resize(size_t{width} * height * 3, 0);
  return ExpectedPicture(SourceImage{width, height, 3, samples}, 0);
}

std::vector<TiffTag> RgbTags(uint32_t width, uint32_t height, std::vector<uint32_t> offsets,
                             std::vector<uint32_t> lengths, uint32_t rows_per_strip) {
  return {{256, TIFF_TYPE_SHORT, {width}},        {257, TIFF_TYPE_SHORT, {height}},
          {258, TIFF_TYPE_SHORT, {8, 8, 8}},      {262, TIFF_TYPE_SHORT, {2}},
          {273, TIFF_TYPE_LONG, std::move(offsets)}, {278, TIFF_TYPE_SHORT, {rows_per_strip}},
          {279, TIFF_TYPE_LONG, std::move(lengths)}};
}

// Each replacement drops the tag of its number and joins the end, unless it is of type 0, which only drops.
std::vector<TiffTag> With(std::vector<TiffTag> tags, std::initializer_list<TiffTag> replacements) {
  for (const TiffTag& replacement : replacements) {
    const auto found = std::find_if(tags.begin(), tags.end(), [&](const TiffTag& t) { return t.tag == replacement.tag; });
    if (found != tags.end()) tags.erase(found);
    if (replacement.type != 0) tags.push_back(replacement);
  }
  return tags;
}

// Files from imaging tools (tests/data/images/README.md): the reference picture in the layouts they
// choose, and pictures the reader does not decode, grey, one-bit or compressed, whose pixels may take far
// fewer bytes than there are pixels. Those load as one transparent black pixel with one box: a picture
// of their claimed size would cost that size to draw the same thing.
TEST(TiffReader, ReadsWhatImagingToolsWrite) {
  const struct {
    const char* file;
    uint16_t width, height;
    uint32_t channels;  // 0: not decoded
  } cases[] = {{"rgb_one_strip.tif", 5, 7, 3},  {"rgb_strips_of_two.tif", 5, 7, 3}, {"rgb_strip_per_row.tif", 5, 7, 3},
               {"rgb_big_endian.tif", 5, 7, 3}, {"rgba_one_strip.tif", 5, 7, 4},    {"rgba_big_endian.tif", 5, 7, 4},
               {"grey.tif", 7, 5, 0},           {"rgb_lzw.tif", 5, 7, 0},           {"rgb_lzw_flat.tif", 64, 64, 0},
               {"bilevel_plain.tif", 64, 48, 0}, {"bilevel_group4.tif", 64, 48, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const LoadedPicture loaded = LoadTiff(TestDataPath(std::string("images/") + c.file));
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(Boxes(loaded), c.channels == 0 ? "ERROR: Not Supported Format\n" : "");
    EXPECT_EQ(loaded.width * 100 + loaded.height, c.channels == 0 ? 101 : c.width * 100 + c.height);
    EXPECT_EQ(loaded.bytes, c.channels == 0 ? std::vector<uint8_t>(4, 0)
                                            : ExpectedPicture(MakeSourceImage(5, 7, c.channels), 0));
  }
}

// A 2 x 3 picture in three one-row strips, changed one way per case.
TEST(TiffReader, TagsAndSizesDecideBetweenPictureBoxAndRefusal) {
  const std::string data = RgbSamples(2, 3);
  const uint32_t d = TIFF_DATA_OFFSET;
  const std::vector<TiffTag> tags = RgbTags(2, 3, {d, d + 6, d + 12}, {6, 6, 6}, 1);
  auto with = [&](std::initializer_list<TiffTag> replacements) { return BuildTiff(data, With(tags, replacements)); };
  auto without = [&](uint16_t tag) { return with({{tag, 0, {}}}); };
  const std::string good = BuildTiff(data, tags);
  std::string bad_mark = good, far_directory = good, many_entries = good;
  bad_mark[1] = 'X';
  far_directory[4] = far_directory[5] = far_directory[6] = static_cast<char>(0xFF);
  many_entries[d + data.size() + 1] = 4;  // 1024 and more entries
  const TiffTag grey = {262, TIFF_TYPE_SHORT, {1}};
  const std::string not_read = "ERROR: Not Supported Format\n", bits = "TIF Error: Error reading tag Bits Per Sample\n";
  enum Result { PICTURE, BLACK, REFUSED };
  const struct {
    const char* name;
    std::string file;
    Result result;
    std::string boxes;
  } cases[] = {
      {"as built", good, PICTURE, ""},
      {"8 bits for all", with({{258, TIFF_TYPE_SHORT, {8}}}), PICTURE, ""},
      {"uncompressed said outright", with({{259, TIFF_TYPE_SHORT, {1}}}), PICTURE, ""},
      {"grey", with({grey}), BLACK, not_read},
      {"compressed", with({{259, TIFF_TYPE_SHORT, {5}}}), BLACK, not_read},
      {"no width", without(256), REFUSED, "TIF Error: Error reading tag Image Width\n"},
      {"no height", without(257), REFUSED, "TIF Error: Error reading tag Image Height\n"},
      {"no bits per sample", without(258), REFUSED, "TIF Error: Error reading tag BitsPerSample\n"},
      {"no rows per strip", without(278), REFUSED, ""},
      {"no strip byte counts", without(279), REFUSED, ""},
      {"no photometric", without(262), REFUSED, "TIF Error: Error reading tag PhotometricInterpretation\n"},
      {"16 bits for all", with({{258, TIFF_TYPE_SHORT, {16}}}), REFUSED, "TIF Error: Error: Bits Per Sample (RGB) not 8\n"},
      {"16 bits for blue", with({{258, TIFF_TYPE_SHORT, {8, 8, 16}}}), REFUSED,
       "TIF Error: Error: Bits Per Sample (RGB) not 8\n"},
      {"bit sizes outside the file", with({TiffTag::Raw(258, TIFF_TYPE_SHORT, 3, 0xFFFFFF00u)}), REFUSED, bits},
      {"two bit sizes only", with({{258, TIFF_TYPE_SHORT, {8, 8}}}), REFUSED, bits},
      {"empty", "", REFUSED, ""},
      {"short header", good.substr(0, 7), REFUSED, ""},
      {"unknown byte order", bad_mark, REFUSED, ""},
      {"directory beyond the file", far_directory, REFUSED, ""},
      {"entry count beyond the file", many_entries, REFUSED, ""},
      {"strip offsets table beyond the file", with({TiffTag::Raw(273, TIFF_TYPE_LONG, 3, 0x7FFFFFF0u)}), REFUSED, ""},
      {"strip lengths table beyond the file", with({TiffTag::Raw(279, TIFF_TYPE_LONG, 3, 0xFFFFFFF0u)}), REFUSED, ""},
      {"zero width", with({{256, TIFF_TYPE_SHORT, {0}}}), REFUSED, ""},
      {"zero height of a picture not read", with({grey, {257, TIFF_TYPE_SHORT, {0}}}), REFUSED, ""},
      {"width above 16 bits", with({{256, TIFF_TYPE_LONG, {70000}}}), REFUSED, ""},
      {"more pixels than the file has bytes", with({{256, TIFF_TYPE_SHORT, {60000}}, {257, TIFF_TYPE_SHORT, {60000}}}),
       REFUSED, ""},
      {"picture not read, larger than any file read",
       with({grey, {256, TIFF_TYPE_SHORT, {65535}}, {257, TIFF_TYPE_SHORT, {1025}}}), REFUSED, ""},
  };
  ScopedTempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteTextFile("t.tif", c.file);
    const LoadedPicture loaded = LoadTiff("t.tif");
    EXPECT_EQ(Boxes(loaded), c.boxes);
    ASSERT_EQ(loaded.ok, c.result != REFUSED);
    EXPECT_EQ(loaded.bytes, c.result == PICTURE ? PictureFromStripData(data, 2, 3)
                                                : std::vector<uint8_t>(c.result == BLACK ? 4 : 0, 0));
  }
  TiffImage image;
  EXPECT_FALSE(ReadTiff(image, "absent.tif"));
}

TEST(TiffReader, StripsJoinInTableOrderAndMissingBytesStayZero) {
  // 2 x 4 pixels, one row (6 bytes) per strip.
  const std::string all = RgbSamples(2, 4);
  auto row = [&](int r, size_t bytes = 6) { return all.substr(6 * r, bytes); };
  const uint32_t d = TIFF_DATA_OFFSET;
  const struct {
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteTextFile("t.tif", BuildTiff(c.data, c.tags));
    EXPECT_EQ(LoadTiff("t.tif").bytes, PictureFromStripData(c.strip_data, 2, 4));
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
  for (const char* name : {"images/rgb_one_strip.tif", "images/rgba_big_endian.tif"}) {
    const std::string file = ReadTestData(name);
    const std::vector<uint8_t> full = LoadTiff(TestDataPath(name)).bytes;
    for (size_t i = 0; i < file.size(); ++i) {
      WriteTextFile("t.tif", file.substr(0, i));
      const LoadedPicture loaded = LoadTiff("t.tif");
      ASSERT_EQ(loaded.bytes.size(), loaded.ok ? full.size() : 0) << "cut at " << i;
      for (size_t b = 0; b < loaded.bytes.size(); ++b) {
        ASSERT_TRUE(loaded.bytes[b] == 0 || loaded.bytes[b] == full[b]) << "cut at " << i << ", byte " << b;
      }
    }
  }
}

}  // namespace
