// TextStream: the one tokenizer of the viewer's text inputs (scene files, their animation, the skin
// side files). It holds the whole file in memory and reads whitespace-separated tokens into 128-byte
// buffers, quoted names character by character, and the formatted conversions %d, %f and %s.
// On bad input it never reads past the end or writes past a buffer: tokens and names longer than
// 127 characters are truncated (the rest is consumed), a failed conversion consumes nothing and leaves
// its target unchanged, and the end of the file ends every read. No locale is consulted and nothing is
// allocated per token. Files that begin with a byte-order mark are decoded once when opened: UTF-8
// loses its mark, UTF-16 (either byte order) becomes UTF-8, so every reader sees the same bytes an
// 8-bit file of that text would give; a lone surrogate or a code unit cut short by the end of the file
// becomes U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int TOKEN_SIZE = 128;  // every token and name buffer; at most 127 characters and a zero
constexpr int END_OF_FILE = -1;

class TextStream {
 public:
  TextStream() = default;
  ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;
  TextStream(TextStream&& other) noexcept;
  TextStream& operator=(TextStream&& other) noexcept;

  // Reads the whole file; false (and closed) when it cannot be opened or read.
  bool Open(const char* path);
  // Takes a copy of the text, for tests and fuzzers; decoded as a file's bytes would be.
  bool OpenMemory(const char* text, size_t size);
  void Close();
  bool IsOpen() const { return data_ != nullptr; }
  bool AtEnd() const { return position_ >= size_; }
  size_t Position() const { return position_; }
  // Bytes not yet read: what a count read from the file can at most be backed by.
  size_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }

  // The next character, or END_OF_FILE.
  int GetChar();

  // "%s": clears the 128-byte buffer, skips white space and reads the next token. False at the end
  // of the file (nothing but white space left).
  bool ReadToken(char* buffer);

  // Formatted input over the subset the readers use: %d (int32_t*), %f (float*), %s (a char buffer of
  // TOKEN_SIZE bytes) and white space (skips any amount). Returns the number of items converted, or
  // END_OF_FILE when the input ended before the first conversion, like the standard formatted input.
  // A conversion that fails stops the scan; it consumes nothing and leaves its target unchanged.
  int Scan(const char* format, ...) __attribute__((format(scanf, 2, 3)));

 private:
  bool DecodeByteOrderMark();
  void SkipSpace();
  bool ConvertInt(int32_t* out);
  bool ConvertFloat(float* out);
  bool ConvertString(char* out);

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t position_ = 0;
};

// True when the token begins with the keyword; a longer token with the same beginning matches too.
bool MatchKeyword(const char* token, const char* keyword);
// MatchKeyword and the token has exactly the keyword's length.
bool MatchKeywordExact(const char* token, const char* keyword);

// Discards characters up to and including a double quote, then reads the name up to the next double
// quote into out (TOKEN_SIZE bytes, cleared first). No escapes. A name longer than 127 characters is
// truncated; the end of the file ends the name (or leaves it empty when no quote was found).
void ReadQuotedName(TextStream& stream, char* out);

// Brace counting of one block: signed 8-bit counters of opening and closing tokens, as the format's
// readers keep them. Count() returns true when the token closes the block.
struct BlockCounter {
  int8_t opened = 0;
  int8_t closed = 0;
  bool Count(const char* token);
};
