#include "scene/text_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TextStream Open(const std::string& text) {
  TextStream stream;
  stream.OpenMemory(text.data(), text.size());
  return stream;
}

}  // namespace

TEST(TextStream, TokensAreSplitOnWhiteSpaceAndEndAtEndOfFile) {
  TextStream stream;
  const std::string text = " *GEOMOBJECT\t{\r\n*NODE_NAME \"Box01\"\n}  \n";
  stream.OpenMemory(text.data(), text.size());
  char token[TOKEN_SIZE];
  const char* expected[] = {"*GEOMOBJECT", "{", "*NODE_NAME", "\"Box01\"", "}"};
  for (const char* want : expected) {
    ASSERT_TRUE(stream.ReadToken(token));
    EXPECT_STREQ(token, want);
  }
  EXPECT_FALSE(stream.ReadToken(token));
  EXPECT_STREQ(token, "");
}

TEST(TextStream, OverlongTokenIsTruncatedAndConsumedWhole) {
  TextStream stream;
  const std::string text = std::string(300, 'a') + " next";
  stream.OpenMemory(text.data(), text.size());
  char token[TOKEN_SIZE + 8];
  std::memset(token, 'Z', sizeof(token));
  ASSERT_TRUE(stream.ReadToken(token));
  EXPECT_EQ(std::strlen(token), 127u);
  EXPECT_EQ(token[TOKEN_SIZE], 'Z') << "wrote past the 128-byte buffer";
  ASSERT_TRUE(stream.ReadToken(token));
  EXPECT_STREQ(token, "next");
}

TEST(TextStream, FailedConversionConsumesNothingAndKeepsTarget) {
  TextStream stream;
  const std::string text = "*MESH_SMOOTHING *MESH_MTLID 3";
  stream.OpenMemory(text.data(), text.size());
  char token[TOKEN_SIZE];
  ASSERT_TRUE(stream.ReadToken(token));
  int32_t smoothing = 77;
  EXPECT_EQ(stream.Scan("%d", &smoothing), 0);
  EXPECT_EQ(smoothing, 77);
  ASSERT_TRUE(stream.ReadToken(token));
  EXPECT_STREQ(token, "*MESH_MTLID");
  int32_t id = 0;
  EXPECT_EQ(stream.Scan("%d", &id), 1);
  EXPECT_EQ(id, 3);
  EXPECT_EQ(stream.Scan("%d", &id), END_OF_FILE);
}

TEST(TextStream, MixedConversionsStopAtTheFirstFailure) {
  TextStream stream;
  const std::string text = "12 1.5 -2e3 x 4";
  stream.OpenMemory(text.data(), text.size());
  int32_t i = 0;
  float a = 0, b = 0, c = 9;
  EXPECT_EQ(stream.Scan("%d %f %f %f", &i, &a, &b, &c), 3);
  EXPECT_EQ(i, 12);
  EXPECT_FLOAT_EQ(a, 1.5f);
  EXPECT_FLOAT_EQ(b, -2000.0f);
  EXPECT_FLOAT_EQ(c, 9.0f);
  char token[TOKEN_SIZE];
  ASSERT_TRUE(stream.ReadToken(token));
  EXPECT_STREQ(token, "x");
}

TEST(TextStream, NumbersFollowTheFormattedInputRules) {
  struct Case {
    const char* text;
    int converted;
    float value;
    const char* rest;
  } cases[] = {
      {"0.500000", 1, 0.5f, ""},  {"+3.25e+1,", 1, 32.5f, ","}, {".5x", 1, 0.5f, "x"},   {"5.", 1, 5.0f, ""},
      {"1e", 1, 1.0f, "e"},       {"-", 0, 0.0f, "-"},          {"abc", 0, 0.0f, "abc"}, {"1.#QNAN0", 1, 1.0f, "#QNAN0"},
      {"1e50", 1, __builtin_inff(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TextStream stream = Open(c.text);
    float value = 0.0f;
    EXPECT_EQ(stream.Scan("%f", &value), c.converted);
    EXPECT_EQ(value, c.value);
    char token[TOKEN_SIZE];
    stream.ReadToken(token);
    EXPECT_STREQ(token, c.rest);
  }
  TextStream ints = Open("70000 -5 99999999999 1,2");
  int32_t a = 0, b = 0, big = 0, first = 0;
  EXPECT_EQ(ints.Scan("%d %d %d %d", &a, &b, &big, &first), 4);
  EXPECT_EQ(static_cast<uint16_t>(a), 70000 - 65536);
  EXPECT_EQ(b, -5);
  EXPECT_EQ(first, 1);
  char token[TOKEN_SIZE];
  ASSERT_TRUE(ints.ReadToken(token));
  EXPECT_STREQ(token, ",2");
}

TEST(TextStream, NanIsNotANumberEvenWithPayload) {
  TextStream stream = Open("nan(123) -inf");
  float a = 0, b = 0;
  EXPECT_EQ(stream.Scan("%f %f", &a, &b), 2);
  EXPECT_TRUE(a != a);
  EXPECT_EQ(b, -__builtin_inff());
}

TEST(KeywordMatch, PrefixAndExact) {
  EXPECT_TRUE(MatchKeyword("*GEOMOBJECT", "*GEOMOBJECT"));
  EXPECT_TRUE(MatchKeyword("*GEOMOBJECT7", "*GEOMOBJECT"));
  EXPECT_FALSE(MatchKeyword("*GEOMOBJEC", "*GEOMOBJECT"));
  EXPECT_TRUE(MatchKeywordExact("*MESH", "*MESH"));
  EXPECT_FALSE(MatchKeywordExact("*MESH_VERTEX_LIST", "*MESH"));
  EXPECT_FALSE(MatchKeywordExact("*TM_SCALEAXIS", "*TM_SCALE"));
}

TEST(QuotedName, ReadsBlanksAndBracesAndStopsAtEndOfFile) {
  TextStream stream = Open("  \"Box { 01 }\" \"unterminated");
  char name[TOKEN_SIZE];
  ReadQuotedName(stream, name);
  EXPECT_STREQ(name, "Box { 01 }");
  ReadQuotedName(stream, name);
  EXPECT_STREQ(name, "unterminated");
  ReadQuotedName(stream, name);
  EXPECT_STREQ(name, "");
}

TEST(QuotedName, LongNameIsTruncatedAndTheStreamResumesAfterItsQuote) {
  const std::string text = "\"" + std::string(200, 'n') + "\" after";
  TextStream stream = Open(text);
  char name[TOKEN_SIZE + 8];
  std::memset(name, 'Z', sizeof(name));
  ReadQuotedName(stream, name);
  EXPECT_EQ(std::strlen(name), 127u);
  EXPECT_EQ(name[TOKEN_SIZE], 'Z');
  char token[TOKEN_SIZE];
  ASSERT_TRUE(stream.ReadToken(token));
  EXPECT_STREQ(token, "after");
}

TEST(BlockCounter, NestedBlocksCloseAtTheMatchingBrace) {
  BlockCounter counter;
  const char* tokens[] = {"{", "*A", "{", "}", "{x", "}y", "}"};
  bool closed_at[7] = {};
  for (int i = 0; i < 7; ++i) closed_at[i] = counter.Count(tokens[i]);
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(closed_at[i]) << i;
  EXPECT_TRUE(closed_at[6]);
}
