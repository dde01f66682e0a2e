#include "scene/text_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "animation/animation_set.h"
#include "scene/ase_reader.h"
#include "scene/ase_scene.h"
#include "tests/test_support.h"

namespace {

TextStream Open(const std::string& text) {
  TextStream stream;
  stream.OpenMemory(text.data(), text.size());
  return stream;
}

std::string Rest(TextStream& stream) {
  std::string rest;
  for (int c; (c = stream.GetChar()) != END_OF_FILE;) rest += static_cast<char>(c);
  return rest;
}

// ASCII text as UTF-16 with its byte-order mark.
std::string Utf16(const std::string& ascii, bool big_endian) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) out += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
  return out;
}

}  // namespace

TEST(TextStream, ConversionsFollowTheFormattedInputRulesAndAFailureConsumesNothing) {
  struct Case {
    const char* text;
    int converted;
    float value;
    const char* rest;
  } cases[] = {
      {"0.500000", 1, 0.5f, ""},  {"+3.25e+1,", 1, 32.5f, ","}, {".5x", 1, 0.5f, "x"},   {"5.", 1, 5.0f, ""},
      {"1e", 1, 1.0f, "e"},       {"-", 0, 7.0f, "-"},          {"abc", 0, 7.0f, "abc"}, {"1.#QNAN0", 1, 1.0f, "#QNAN0"},
      {"1e50", 1, __builtin_inff(), ""}, {"-inf", 1, -__builtin_inff(), ""}, {"", END_OF_FILE, 7.0f, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TextStream stream = Open(c.text);
    float value = 7.0f;
    EXPECT_EQ(stream.Scan("%f", &value), c.converted);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(Rest(stream), c.rest);
  }
  float nan = 0;
  EXPECT_EQ(Open("nan(123)").Scan("%f", &nan), 1);
  EXPECT_TRUE(nan != nan);

  TextStream ints = Open("70000 -5 99999999999 1,2 x");
  int32_t a = 0, b = 0, big = 0, first = 0, kept = 77;
  EXPECT_EQ(ints.Scan("%d %d %d %d", &a, &b, &big, &first), 4);
  EXPECT_EQ(static_cast<uint16_t>(a), 70000 - 65536);
  EXPECT_EQ(b, -5);
  EXPECT_EQ(first, 1);
  char token[TOKEN_SIZE];
  ASSERT_TRUE(ints.ReadToken(token));
  EXPECT_STREQ(token, ",2");
  EXPECT_EQ(ints.Scan("%d", &kept), 0);
  EXPECT_EQ(kept, 77);
  EXPECT_EQ(Rest(ints), " x");
  float f1 = 0, f2 = 9;
  EXPECT_EQ(Open("12 -2e3 x 4").Scan("%d %f %f", &a, &f1, &f2), 2);
  EXPECT_EQ(f2, 9.0f);
}

// Token cutting, keyword matching and quoted names show in every reader's data cases; a brace glued to a
// word opening or closing a block does not.
TEST(TextStream, GluedBracesCountInBlocks) {
  BlockCounter counter;
  const char* tokens[] = {"{", "*A", "{", "}", "{x", "}y", "}"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(counter.Count(tokens[i]), i == 6) << i;
}

// A byte-order mark decides the encoding; whatever follows it, every reader sees UTF-8.
TEST(TextStream, MarkedTextIsDecodedToUtf8AndBrokenUtf16BecomesReplacementCharacters) {
  const std::string FFFD = "\xEF\xBF\xBD";
  const struct {
    std::string bytes, text;
  } cases[] = {
      {"\xEF\xBB\xBF*A T\xC3\xBCr", "*A T\xC3\xBCr"},
      {std::string("\xFF\xFE*\0A\0 \0T\0\xFC\0r\0 \0\xAC\x20", 18), "*A T\xC3\xBCr \xE2\x82\xAC"},
      {std::string("\xFE\xFF\0*\0A\0 \0T\0\xFC\0r\0 \x20\xAC", 18), "*A T\xC3\xBCr \xE2\x82\xAC"},
      {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), "\xF0\x9F\x98\x80"},     // a surrogate pair
      {"\xFF\xFE", ""},                                                       // the mark alone
      {"\xFE\xFF", ""},
      {std::string("\xFF\xFE" "A\0B", 5), "A" + FFFD},                        // cut inside a character
      {std::string("\xFF\xFE\x00\xD8" "A\0", 6), FFFD + "A"},                 // a lone high surrogate
      {std::string("\xFE\xFF\xDC\x00\xD8\x00", 6), FFFD + FFFD},              // low, then high at the end
      {"\xFF" "A", "\xFF" "A"},                                               // no mark: bytes as they are
  };
  for (const auto& c : cases) {
    TextStream stream = Open(c.bytes);
    EXPECT_EQ(Rest(stream), c.text) << testing::PrintToString(c.bytes);
  }
}

TEST(TextStream, EveryEncodingOfTheDefaultSceneGivesTheSameReports) {
  ScopedTempDir dir;
  CopyDefaultScene(dir.path());
  const std::string scene = ReadTextFile("light.ase");
  const std::string side = ReadTextFile("light.txt");
  std::string first;
  for (int form = 0; form < 4; ++form) {
    SCOPED_TRACE(form);
    auto encode = [form](const std::string& text) {
      return form == 0 ? text : form == 1 ? "\xEF\xBB\xBF" + text : Utf16(text, form == 3);
    };
    WriteTextFile("light.ase", encode(scene));
    WriteTextFile("light.txt", encode(side));
    AseScene loaded;
    ASSERT_TRUE(LoadScene(&loaded, "light.ase"));
    ASSERT_NE(LoadAnimation(&loaded, "light.ase"), nullptr);
    const std::string reports = ReadTextFile("test.txt") + ReadTextFile("out.txt") + ReadTextFile("Banner.txt");
    if (form == 0) first = reports;
    EXPECT_EQ(reports, first);
  }
  EXPECT_NE(first.find("Omni01"), std::string::npos);
}
