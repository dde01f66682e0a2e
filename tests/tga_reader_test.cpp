#include "texture/tga_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/image_fixtures.h"
#include "tests/test_support.h"

namespace {

std::string TgaHeader(uint8_t image_type, uint16_t width, uint16_t height) {
  const uint8_t bytes[18] = {0, 0, image_type, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8),
                             uint8_t(height), uint8_t(height >> 8), 24, 0};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

// The usual file, bottom-left origin and bottom row first (tests/data/images/README.md says how it was
// made), then handmade 2 x 2 files whose first pixel is (B, G, R) = (1, 2, 3): every accepted type is
// read as plain pixels in file order, and a file too short for its pixels is refused.
TEST(TgaReader, TakesPixelsInFileOrderAndRefusesFilesThatCannotHoldThem) {
  const LoadedPicture usual = LoadWithReader(LoadTgaPicture, TestDataPath("images/bottom_left.tga"));
  ASSERT_TRUE(usual.ok);
  EXPECT_EQ(usual.width * 10 + usual.height, 53);
  EXPECT_EQ(usual.bytes, ExpectedPicture(MakeSourceImage(5, 3, 3), 255));

  const std::string pixels("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 12);
  const std::vector<uint8_t> expected = {255, 1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12};
  const std::pair<std::string, bool> cases[] = {
      {TgaHeader(1, 2, 2) + pixels, true},         {TgaHeader(2, 2, 2) + pixels, true},
      {TgaHeader(3, 2, 2) + pixels, true},         {TgaHeader(9, 2, 2) + pixels, true},
      {TgaHeader(10, 2, 2) + pixels, true},        {TgaHeader(11, 2, 2) + pixels + "footer", true},
      {TgaHeader(0, 2, 2) + pixels, false},        {TgaHeader(4, 2, 2) + pixels, false},
      {TgaHeader(8, 2, 2) + pixels, false},        {TgaHeader(32, 2, 2) + pixels, false},
      {TgaHeader(255, 2, 2) + pixels, false},      {TgaHeader(2, 2, 2) + pixels.substr(0, 11), false},
      {TgaHeader(2, 0, 2) + pixels, false},        {TgaHeader(2, 2, 0) + pixels, false},
      {TgaHeader(2, 0xFFFF, 0xFFFF) + pixels, false}, {TgaHeader(2, 2, 2).substr(0, 17), false},
  };
  ScopedTempDir dir;
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    WriteTextFile("t.tga", cases[i].first);
    const LoadedPicture loaded = LoadWithReader(LoadTgaPicture, "t.tga");
    EXPECT_TRUE(loaded.boxes.empty());
    ASSERT_EQ(loaded.ok, cases[i].second);
    if (loaded.ok) {
      EXPECT_EQ(loaded.width * 10 + loaded.height, 22);
      EXPECT_EQ(loaded.bytes, expected);
    }
  }
  EXPECT_FALSE(LoadWithReader(LoadTgaPicture, "absent.tga").ok);
}

}  // namespace
