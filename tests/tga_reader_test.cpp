#include "texture/tga_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/image_fixtures.h"
#include "tests/test_support.h"

namespace {

LoadedPicture LoadTga(const std::string& path) {
  LoadedPicture loaded = LoadWithReader(LoadTgaPicture, path);
  EXPECT_TRUE(loaded.boxes.empty());
  return loaded;
}

std::string TgaHeader(uint8_t image_type, uint16_t width, uint16_t height) {
  std::string header(18, '\0');
  header[2] = static_cast<char>(image_type);
  header[12] = static_cast<char>(width & 0xFF);
  header[13] = static_cast<char>(width >> 8);
  header[14] = static_cast<char>(height & 0xFF);
  header[15] = static_cast<char>(height >> 8);
  header[16] = 24;
  return header;
}

// 2 x 2 pixels (B, G, R) whose first pixel is (1, 2, 3).
const std::string PIXELS_2X2("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 12);

// The usual file: bottom-left origin, bottom row first (tests/data/images/README.md says how it was made).
TEST(TgaReader, ReadsABottomLeftFileBottomRowFirst) {
  const LoadedPicture loaded = LoadTga(TestDataPath("images/bottom_left.tga"));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.width * 10 + loaded.height, 53);
  EXPECT_EQ(loaded.bytes, ExpectedPicture(MakeSourceImage(5, 3, 3), 255));
}

TEST(TgaReader, TakesPixelsInFileOrderForTheAcceptedTypes) {
  const std::vector<uint8_t> expected = {255, 1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12};
  struct Case {
    uint8_t type;
    bool accepted;
  } cases[] = {{1, true}, {2, true}, {3, true}, {9, true}, {10, true}, {11, true},
               {0, false}, {4, false}, {8, false}, {32, false}, {255, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.type));
    ScopedTempDir dir;
    WriteTextFile("t.tga", TgaHeader(c.type, 2, 2) + PIXELS_2X2);
    const LoadedPicture loaded = LoadTga("t.tga");
    ASSERT_EQ(loaded.ok, c.accepted);
    if (!c.accepted) continue;
    EXPECT_EQ(loaded.width, 2);
    EXPECT_EQ(loaded.height, 2);
    EXPECT_EQ(loaded.bytes, expected);
  }
}

TEST(TgaReader, RefusesFilesThatCannotHoldTheirPixels) {
  struct Case {
    const char* name;
    std::string file;
    bool accepted;
  } cases[] = {
      {"exactly the pixels", TgaHeader(2, 2, 2) + PIXELS_2X2, true},
      {"trailing bytes", TgaHeader(2, 2, 2) + PIXELS_2X2 + "footer", true},
      {"one byte short", TgaHeader(2, 2, 2) + PIXELS_2X2.substr(0, 11), false},
      {"zero width", TgaHeader(2, 0, 2) + PIXELS_2X2, false},
      {"zero height", TgaHeader(2, 2, 0) + PIXELS_2X2, false},
      {"largest sides, few bytes", TgaHeader(2, 0xFFFF, 0xFFFF) + PIXELS_2X2, false},
      {"short header", TgaHeader(2, 2, 2).substr(0, 17), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    WriteTextFile("t.tga", c.file);
    EXPECT_EQ(LoadTga("t.tga").ok, c.accepted);
  }
  ScopedTempDir dir;
  EXPECT_FALSE(LoadTga("absent.tga").ok);
}

}  // namespace
