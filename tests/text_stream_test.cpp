#include "scene/text_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

// Floats are held to the C library's conversion below; here the integers, a failure that consumes
// nothing, and the end of the text.
TEST(TextStream, ConversionsFollowTheFormattedInputRulesAndAFailureConsumesNothing) {
  float none = 7.0f;
  EXPECT_EQ(Open("").Scan("%f", &none), END_OF_FILE);
  TextStream failed = Open("-abc");
  EXPECT_EQ(failed.Scan("%f", &none), 0);
  EXPECT_EQ(none, 7.0f);
  EXPECT_EQ(Rest(failed), "-abc");

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

// The short-number shortcut and the full conversion must give the bits the C library's own conversion
// gives, for the numbers files hold and for every odd form the readers accept; and the stream must
// stop where that conversion stops.
TEST(TextStream, EveryNumberConvertsToTheStandardConversionsBits) {
  std::vector<std::string> numbers = {
      "0", "-0", "+0.0", "0.0000", "-0.0000", "5.", ".5", "00012.500", "16777216", "16777217", "16777219",
      "0.1", "0.3", "3.4028235e38", "3.5e38", "1e-38", "1.17549435e-38", "1e-40", "1.4e-45", "7e-46", "1e-50",
      "123456789012345678901234567890", "0.000000000000000000000001", "1e10", "1e+10", "1e-10", "9.99999999e9",
      "1e11", "2.5e-11", "1e", "1e+", "1e-x", "0x1.8p3", "0X.8P-1", "0x10", "0x", "0x.p1", "inf", "-Infinity",
      "INFINITE", "nan", "-NaN", "nan(7)", "nan(", "1.#QNAN0", ".", "-.e1", "12abc", "4.000000001", "+3.25e+1,",
      "1e50", "-inf", "-", "abc",
  };
  // Every form the exporter writes ("%.4f" and the like), and mantissas around the shortcut's limits.
  std::mt19937 next(12345);
  for (int i = 0; i < 200000; ++i) {
    const uint32_t digits = 1 + next() % 12;
    std::string text = next() % 4 == 0 ? "-" : "";
    std::string mantissa;
    for (uint32_t d = 0; d < digits; ++d) mantissa += static_cast<char>('0' + next() % 10);
    const uint32_t point = next() % (digits + 1);
    text += mantissa.substr(0, point) + "." + mantissa.substr(point);
    if (next() % 3 == 0) text += "e" + std::to_string(static_cast<int>(next() % 31) - 15);
    numbers.push_back(text);
  }
  for (uint32_t m = (1u << 24) - 3; m <= (1u << 24) + 3; ++m) numbers.push_back("0." + std::to_string(m));
  for (const std::string& text : numbers) {
    char* end = nullptr;
    const float expected = std::strtof(text.c_str(), &end);
    const size_t expected_length = static_cast<size_t>(end - text.c_str());
    TextStream stream = Open(text + " ");
    float value = 7.0f;
    const int converted = stream.Scan("%f", &value);
    if (expected_length == 0) {
      EXPECT_EQ(converted, 0) << text;
      EXPECT_EQ(stream.Position(), 0u) << text;
      continue;
    }
    ASSERT_EQ(converted, 1) << text;
    uint32_t bits = 0, expected_bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    std::memcpy(&expected_bits, &expected, sizeof(expected_bits));
    // The C library keeps a NaN's payload; the readers' NaN is the plain one, with its sign.
    if (expected != expected) expected_bits = (expected_bits & 0x80000000u) | 0x7FC00000u;
    EXPECT_EQ(bits, expected_bits) << text;
    EXPECT_EQ(stream.Position(), expected_length) << text;
  }
}

// The window is an inside matter: whatever its size, every read gives what one window holding the whole
// text gives, position and remaining length included, also where a token, a number, a quoted name, a
// long run of blanks or a token longer than the window crosses its edge.
TEST(TextStream, ReadsDoNotDependOnTheWindow) {
  const std::string text = "\xEF\xBB\xBF*3DSMAX_ASCIIEXPORT\t200\n*SCENE {\n\t*SCENE_FRAMESPEED 30\n}\n"
                           "*GEOMOBJECT {\n\t*NODE_NAME \"Box with  two   blanks\"\n\t*TM_ROW0 1.0000\t-0.5\t2.5e3\n"
                           "x*TM_ANIMATION not_a_start *MESH_FACE 0: A: 12 B: -7 C:99999999999\n" +
                           std::string(300, ' ') + std::string(200, 'w') + " 0x1.8p3 inf nan(1) 12abc \"" +
                           std::string(150, 'n') + "\" *TM_ANIMATION { 4 } *SCENE_END -1.5e-3\n";
  auto trace = [&text](size_t window, int phase) {
    TextStream stream;
    stream.OpenMemory(text.data(), text.size(), window);
    std::string out;
    char token[TOKEN_SIZE];
    const char* const keywords[] = {"*TM_ANIMATION", "*SCENE"};
    for (int step = phase; !stream.AtEnd(); ++step) {
      int32_t i = 0;
      float f = 0;
      int converted = 0;
      switch (step * (phase + 1) % 6) {
        case 0: converted = stream.ReadToken(token); out += token; break;
        case 1: converted = stream.Scan("%d %f", &i, &f); break;
        case 2: converted = stream.Scan("%f", &f); break;
        case 3: ReadQuotedName(stream, token); out += token; break;
        case 4: converted = stream.ReadTokenStartingWith(token, keywords, 2); out += token; break;
        default: converted = stream.GetChar(); break;
      }
      out += "|" + std::to_string(converted) + " " + std::to_string(i) + " " + std::to_string(f) + " " +
             std::to_string(stream.Position()) + " " + std::to_string(stream.Remaining()) + "\n";
    }
    return out;
  };
  for (int phase = 0; phase < 6; ++phase) {
    const std::string whole = trace(text.size() + 1, phase);
    for (size_t window = 1; window <= 80; ++window) EXPECT_EQ(trace(window, phase), whole) << window << " " << phase;
  }
  // A keyword counts only at the start of a token.
  TextStream stream = Open("x*SCENE *SCEN *SCENE_X");
  char token[TOKEN_SIZE];
  const char* const keyword[] = {"*SCENE"};
  ASSERT_TRUE(stream.ReadTokenStartingWith(token, keyword, 1));
  EXPECT_STREQ(token, "*SCENE_X");
  EXPECT_FALSE(stream.ReadTokenStartingWith(token, keyword, 1));
}
