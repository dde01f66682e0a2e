// TextStream: the one tokenizer of the viewer's text inputs (scene files, their animation, the skin
// side files). It reads the file through a window of a fixed size that always ends where a token ends,
// so every token and number lies whole in memory while the file itself never does, and reads
// whitespace-separated tokens into 128-byte buffers, quoted names character by character, and the
// formatted conversions %d, %f and %s. A token longer than the window widens it for as long as needed.
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
#include <cstdio>

constexpr int TOKEN_SIZE = 128;  // every token and name buffer; at most 127 characters and a zero
constexpr int END_OF_FILE = -1;
// The window that Open and OpenMemory read through unless told otherwise.
constexpr size_t TEXT_WINDOW_BYTES = size_t{1} << 18;
// The window of the streams that the readers open themselves. Fuzz targets set it small so that window
// edges fall everywhere in their inputs; nothing else writes it.
extern size_t g_text_window_bytes;

class TextStream {
 public:
  TextStream() = default;
  ~TextStream();
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;
  TextStream(TextStream&& other) noexcept;
  TextStream& operator=(TextStream&& other) noexcept;

  // Opens a plain file; false (and closed) when it cannot be opened or its start cannot be read.
  bool Open(const char* path, size_t window_bytes = g_text_window_bytes);
  // Takes a copy of the text, for tests and fuzzers; decoded and windowed as a file's bytes would be.
  bool OpenMemory(const char* text, size_t size, size_t window_bytes = g_text_window_bytes);
  void Close();
  bool IsOpen() const { return window_ != nullptr; }
  // Nothing left: the window is used up, nothing is carried and the source has ended.
  bool AtEnd() const { return position_ >= size_ && filled_ == size_ && (source_ended_ || window_ == nullptr); }
  // Bytes of the (decoded) text consumed so far.
  size_t Position() const { return base_ + position_; }
  // Bytes not yet read: what a count read from the file can at most be backed by.
  size_t Remaining() const { return Position() < total_ ? total_ - Position() : 0; }

  // The next character, or END_OF_FILE.
  int GetChar();

  // "%s": clears the 128-byte buffer, skips white space and reads the next token. False at the end
  // of the file (nothing but white space left).
  bool ReadToken(char* buffer);
  // ReadToken of the next token that begins with one of the count prefixes; the tokens before it are
  // passed over without being copied. False at the end of the file.
  bool ReadTokenStartingWith(char* buffer, const char* const* prefixes, size_t count);

  // Formatted input over the subset the readers use: %d (int32_t*), %f (float*), %s (a char buffer of
  // TOKEN_SIZE bytes) and white space (skips any amount). Returns the number of items converted, or
  // END_OF_FILE when the input ended before the first conversion, like the standard formatted input.
  // A conversion that fails stops the scan; it consumes nothing and leaves its target unchanged.
  int Scan(const char* format, ...) __attribute__((format(scanf, 2, 3)));

 private:
  // Allocates the window and reads the first; decode_mark looks for a byte-order mark first.
  bool Start(size_t window_bytes, bool decode_mark = true);
  bool DecodeUtf16(bool big_endian);
  size_t ReadSource(char* out, size_t wanted);
  bool Refill();
  // True when a character is at position_, after moving the window on if it was used up.
  bool Fill() { return position_ < size_ || Refill(); }
  void SkipSpace();
  bool ConvertInt(int32_t* out);
  bool ConvertFloat(float* out);
  // copied, when given, receives the number of characters stored before the terminating zero.
  bool ConvertString(char* out, size_t* copied = nullptr);

  // The window: window_[0, size_) is text whose last character ends a token (or the end of the text);
  // window_[size_, filled_) has been read ahead and is carried into the next window.
  char* window_ = nullptr;
  size_t capacity_ = 0;
  size_t size_ = 0;
  size_t filled_ = 0;
  size_t position_ = 0;
  size_t base_ = 0;  // offset in the text of window_[0]
  size_t total_ = 0;  // length of the text, for Remaining
  // The source: an open file, or an owned copy of the text (memory, and decoded UTF-16) read from
  // source_offset_.
  std::FILE* file_ = nullptr;
  char* memory_ = nullptr;
  size_t memory_size_ = 0;
  size_t source_offset_ = 0;
  bool source_ended_ = false;
};

// True when the token begins with the keyword; a longer token with the same beginning matches too.
// Inline and byte by byte: the readers test every token against several keywords, and most differ
// within the first few characters.
inline bool MatchKeyword(const char* token, const char* keyword) {
  for (; *keyword != '\0'; ++token, ++keyword) {
    if (*token != *keyword) return false;
  }
  return true;
}
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
