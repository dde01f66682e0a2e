#include "texture/tiff_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
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

// The cases of tests/data/tiff/refusals.txt, each a change to one well-formed file.
TEST(TiffReader, TagsAndSizesDecideBetweenPictureBoxAndRefusal) {
  const std::string data = RgbSamples(2, 3);
  const uint32_t d = TIFF_DATA_OFFSET;
  std::istringstream table(ReadTestData("tiff/refusals.txt"));
  ScopedTempDir dir;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name, result, changes, boxes;
    std::getline(fields, name, '|'), std::getline(fields, result, '|'), std::getline(fields, changes, '|');
    std::getline(fields, boxes);
    SCOPED_TRACE(line);
    std::vector<TiffTag> tags = RgbTags(2, 3, {d, d + 6, d + 12}, {6, 6, 6}, 1);
    std::vector<std::pair<size_t, char>> bytes;
    size_t cut = std::string::npos;
    std::istringstream words(changes);
    for (std::string w; words >> w;) {
      unsigned long tag = 0, type = 0, value = 0;
      char op = 0;
      std::istringstream in(w);
      if (w[0] == '@') bytes.emplace_back(std::stoul(w.substr(1)), static_cast<char>(std::stoi(w.substr(w.find('=') + 1))));
      else if (w.rfind("cut=", 0) == 0) cut = std::stoul(w.substr(4));
      else if (in >> tag >> op && op == '-') tags = With(tags, {{static_cast<uint16_t>(tag), 0, {}}});
      else if (in >> type >> op >> value && in.peek() == '@') {
        tags = With(tags, {TiffTag::Raw(static_cast<uint16_t>(tag), static_cast<uint16_t>(type), value,
                                        static_cast<uint32_t>(std::stoul(w.substr(w.find('@') + 1))))});
      } else {
        TiffTag t{static_cast<uint16_t>(tag), static_cast<uint16_t>(type), {static_cast<uint32_t>(value)}};
        while (in.get(op) && in >> value) t.values.push_back(static_cast<uint32_t>(value));
        tags = With(tags, {t});
      }
    }
    std::string file = BuildTiff(data, tags).substr(0, cut);
    for (const auto& [at, byte] : bytes) file[at] = byte;
    boxes = boxes.size() > 1 ? boxes.substr(1) + "\n" : "";
    WriteTextFile("t.tif", file);
    const LoadedPicture loaded = LoadTiff("t.tif");
    EXPECT_EQ(Boxes(loaded), boxes);
    ASSERT_EQ(loaded.ok, result != " REFUSED ");
    EXPECT_EQ(loaded.bytes, result == " PICTURE " ? PictureFromStripData(data, 2, 3)
                                                  : std::vector<uint8_t>(result == " BLACK " ? 4 : 0, 0));
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
