#include "scene/text_stream.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace {

// The C locale's white space, which the formatted input functions skip; a table, since every character
// of a scene file is tested at least once.
constexpr struct SpaceTable {
  bool is_space[256] = {};
  constexpr SpaceTable() {
    for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) is_space[c] = true;
  }
} SPACE_TABLE;

bool IsSpace(char c) { return SPACE_TABLE.is_space[static_cast<unsigned char>(c)]; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Past the white space and the one optional sign that formatted input allows before a number.
size_t SkipToNumber(const char* data, size_t size, size_t p, bool* negative) {
  while (p < size && IsSpace(data[p])) ++p;
  if (p < size && (data[p] == '+' || data[p] == '-')) {
    *negative = data[p] == '-';
    ++p;
  }
  return p;
}

bool StartsWithNoCase(const char* text, size_t available, const char* word) {
  const size_t length = std::strlen(word);
  if (available < length) return false;
  for (size_t i = 0; i < length; ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

// Appends one code point as UTF-8; out has room for four bytes.
size_t PutUtf8(uint32_t code, char* out) {
  auto byte = [](uint32_t value) { return static_cast<char>(static_cast<uint8_t>(value)); };
  if (code < 0x80) {
    out[0] = byte(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = byte(0xC0 | code >> 6);
    out[1] = byte(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = byte(0xE0 | code >> 12);
    out[1] = byte(0x80 | (code >> 6 & 0x3F));
    out[2] = byte(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = byte(0xF0 | code >> 18);
  out[1] = byte(0x80 | (code >> 12 & 0x3F));
  out[2] = byte(0x80 | (code >> 6 & 0x3F));
  out[3] = byte(0x80 | (code & 0x3F));
  return 4;
}

constexpr uint32_t REPLACEMENT_CHARACTER = 0xFFFD;

template <bool HIGH_BYTE_FIRST>
uint32_t CodeUnitAt(const uint8_t* units, size_t i) {
  return HIGH_BYTE_FIRST ? static_cast<uint32_t>(units[i] << 8 | units[i + 1])
                         : static_cast<uint32_t>(units[i + 1] << 8 | units[i]);
}

// UTF-16 after its mark into UTF-8. Each code unit gives at most three bytes (a pair gives four for two
// units), so out needs no more than half as much again as the input, plus four.
template <bool HIGH_BYTE_FIRST>
size_t Utf16ToUtf8(const uint8_t* units, size_t size, char* out) {
  size_t length = 0;
  size_t i = 0;
  for (; i + 1 < size; i += 2) {
    uint32_t code = CodeUnitAt<HIGH_BYTE_FIRST>(units, i);
    if (code < 0x80) {  // nearly all of a scene file
      out[length++] = static_cast<char>(code);
      continue;
    }
    if (code >= 0xD800 && code <= 0xDBFF && i + 3 < size) {
      const uint32_t low = CodeUnitAt<HIGH_BYTE_FIRST>(units, i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (code >= 0xD800 && code <= 0xDFFF) code = REPLACEMENT_CHARACTER;
    length += PutUtf8(code, out + length);
  }
  // A last byte without its partner: the file was cut inside a character.
  if (i < size) length += PutUtf8(REPLACEMENT_CHARACTER, out + length);
  return length;
}

// Powers of ten that a float holds exactly (5^10 < 2^24).
constexpr float EXACT_POWERS_OF_TEN[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

}  // namespace

size_t g_text_window_bytes = TEXT_WINDOW_BYTES;

TextStream::~TextStream() { Close(); }

TextStream::TextStream(TextStream&& other) noexcept { *this = static_cast<TextStream&&>(other); }

TextStream& TextStream::operator=(TextStream&& other) noexcept {
  if (this != &other) {
    Close();
    window_ = other.window_;
    capacity_ = other.capacity_;
    size_ = other.size_;
    filled_ = other.filled_;
    position_ = other.position_;
    base_ = other.base_;
    total_ = other.total_;
    file_ = other.file_;
    memory_ = other.memory_;
    memory_size_ = other.memory_size_;
    source_offset_ = other.source_offset_;
    source_ended_ = other.source_ended_;
    other.window_ = nullptr;
    other.memory_ = nullptr;
    other.file_ = nullptr;
    other.Close();
  }
  return *this;
}

bool TextStream::Open(const char* path, size_t window_bytes) {
  Close();
  if (path == nullptr || path[0] == '\0') return false;
  file_ = std::fopen(path, "rb");
  if (file_ == nullptr) return false;
  // A folder opens too, and its end lies at the largest offset there is: only plain files have a size.
  struct stat status;
  if (fstat(fileno(file_), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
    Close();
    return false;
  }
  total_ = static_cast<size_t>(status.st_size);
  return Start(window_bytes);
}

bool TextStream::OpenMemory(const char* text, size_t size, size_t window_bytes) {
  Close();
  // One spare byte so that empty text still has a copy.
  memory_ = static_cast<char*>(std::malloc(size + 1));
  if (memory_ == nullptr) return false;
  if (size != 0) std::memcpy(memory_, text, size);
  memory_size_ = size;
  total_ = size;
  return Start(window_bytes);
}

size_t TextStream::ReadSource(char* out, size_t wanted) {
  size_t got = 0;
  if (file_ != nullptr) {
    // Never past the length the file had when it was opened, so Remaining stays an upper bound.
    const size_t left = total_ > source_offset_ ? total_ - source_offset_ : 0;
    got = std::fread(out, 1, std::min(wanted, left), file_);
  } else if (memory_ != nullptr) {
    got = std::min(wanted, memory_size_ - source_offset_);
    if (got != 0) std::memcpy(out, memory_ + source_offset_, got);
  }
  source_offset_ += got;
  // Known as soon as the last byte is in, so that AtEnd never waits for a read that finds nothing.
  const size_t length = file_ != nullptr ? total_ : memory_size_;
  if (got < wanted || source_offset_ >= length) source_ended_ = true;
  return got;
}

bool TextStream::Start(size_t window_bytes, bool decode_mark) {
  // Room for the longest byte-order mark and a little text, whatever a test asks for.
  capacity_ = std::max<size_t>(window_bytes, 16);
  window_ = static_cast<char*>(std::malloc(capacity_));
  if (window_ == nullptr) {
    Close();
    return false;
  }
  filled_ = ReadSource(window_, capacity_);
  if (file_ != nullptr && std::ferror(file_)) {
    Close();
    return false;
  }
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(window_);
  const bool utf16 = filled_ >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
  if (decode_mark && filled_ >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    position_ = 3;
  } else if (decode_mark && utf16) {
    return DecodeUtf16(bytes[0] == 0xFE);
  }
  // The first window is cut like every later one; the characters before position_ stay in it.
  const size_t mark = position_;
  size_ = 0;
  const bool any = Refill();
  position_ = any ? mark : 0;
  base_ = 0;
  return true;
}

// A UTF-16 file is read whole and decoded once; the decoded text is then read as memory is.
bool TextStream::DecodeUtf16(bool big_endian) {
  std::string units(window_ + 2, filled_ - 2);
  while (!source_ended_) {
    const size_t old_size = units.size();
    units.resize(old_size + capacity_);
    units.resize(old_size + ReadSource(units.data() + old_size, capacity_));
  }
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(units.data());
  char* decoded = static_cast<char*>(std::malloc(units.size() / 2 * 3 + 4));
  if (decoded == nullptr) {
    Close();
    return false;
  }
  const size_t decoded_size = big_endian ? Utf16ToUtf8<true>(bytes, units.size(), decoded)
                                         : Utf16ToUtf8<false>(bytes, units.size(), decoded);
  const size_t window_bytes = capacity_;
  std::free(window_);
  window_ = nullptr;
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  std::free(memory_);
  memory_ = decoded;
  memory_size_ = decoded_size;
  total_ = decoded_size;
  source_offset_ = 0;
  source_ended_ = false;
  return Start(window_bytes, false);
}

// Called when the window is used up: the carried text moves to the front, more is read behind it, and
// the new window ends after the last token that ends inside what was read. A window that holds no end
// of a token grows until one comes or the text ends.
bool TextStream::Refill() {
  if (window_ == nullptr || position_ < size_) return window_ != nullptr;
  // At the end the last window stays, so that a position remembered in it stays valid.
  if (source_ended_ && filled_ == size_) return false;
  const size_t carried = filled_ - size_;
  if (carried != 0 && size_ != 0) std::memmove(window_, window_ + size_, carried);
  base_ += size_;
  position_ = 0;
  size_ = 0;
  filled_ = carried;
  for (size_t searched = 0;;) {
    if (!source_ended_ && filled_ < capacity_) filled_ += ReadSource(window_ + filled_, capacity_ - filled_);
    if (source_ended_) {
      size_ = filled_;
      return size_ != 0;
    }
    // A token ends where a non-space is followed by white space; the white space goes to the next window.
    for (size_t i = filled_ - 1; i > searched; --i) {
      if (IsSpace(window_[i]) && !IsSpace(window_[i - 1])) {
        size_ = i;
        return true;
      }
    }
    searched = filled_ - 1;
    char* wider = static_cast<char*>(std::realloc(window_, capacity_ * 2));
    if (wider == nullptr) {
      // Out of memory on a single token of hundreds of megabytes: cut it where the window ends.
      size_ = filled_;
      return true;
    }
    window_ = wider;
    capacity_ *= 2;
  }
}

void TextStream::Close() {
  std::free(window_);
  std::free(memory_);
  if (file_ != nullptr) std::fclose(file_);
  window_ = nullptr;
  memory_ = nullptr;
  file_ = nullptr;
  capacity_ = size_ = filled_ = position_ = base_ = total_ = memory_size_ = source_offset_ = 0;
  source_ended_ = false;
}

int TextStream::GetChar() {
  if (!Fill()) return END_OF_FILE;
  return static_cast<unsigned char>(window_[position_++]);
}

// Most calls stand on a token already, or on the one blank before it.
inline void TextStream::SkipSpace() {
  if (position_ < size_ && !IsSpace(window_[position_])) return;
  do {
    const char* data = window_;
    size_t p = position_;
    while (p < size_ && IsSpace(data[p])) ++p;
    position_ = p;
  } while (position_ >= size_ && Refill());
}

bool TextStream::ConvertString(char* out, size_t* copied) {
  SkipSpace();
  if (position_ >= size_) return false;
  // The window ends where a token ends, so the whole token is here.
  const char* data = window_;
  const size_t size = size_;
  size_t p = position_;
  while (p < size && !IsSpace(data[p])) ++p;
  // Characters past the buffer are consumed and dropped, so an overlong token stays one token.
  const size_t length = std::min<size_t>(p - position_, TOKEN_SIZE - 1);
  std::memcpy(out, data + position_, length);
  out[length] = '\0';
  if (copied != nullptr) *copied = length;
  position_ = p;
  return true;
}

bool TextStream::ReadToken(char* buffer) {
  // The whole buffer is cleared, as before each token; only the part behind the token is left to clear.
  size_t length = 0;
  const bool read = ConvertString(buffer, &length);
  std::memset(buffer + length, 0, TOKEN_SIZE - length);
  return read;
}

bool TextStream::ReadTokenStartingWith(char* buffer, const char* const* prefixes, size_t count) {
  // Prefixes that share their first character let the search jump from one such character to the next
  // with memchr; a token begins there when white space stands before it.
  const char lead = count != 0 ? prefixes[0][0] : '\0';
  bool shared_lead = lead != '\0';
  for (size_t k = 1; k < count; ++k) shared_lead = shared_lead && prefixes[k][0] == lead;
  auto starts_here = [&](size_t p) {
    const char* end = window_ + size_;
    for (size_t k = 0; k < count; ++k) {
      const char* prefix = prefixes[k];
      const char* c = window_ + p;
      while (*prefix != '\0' && c < end && *c == *prefix) ++c, ++prefix;
      if (*prefix == '\0') return true;
    }
    return false;
  };
  SkipSpace();
  while (position_ < size_) {
    if (starts_here(position_)) return ReadToken(buffer);
    size_t p = position_ + 1;
    if (shared_lead) {
      for (;;) {
        const void* found = std::memchr(window_ + p, lead, size_ - p);
        p = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - window_) : size_;
        if (p >= size_ || IsSpace(window_[p - 1])) break;
        ++p;
      }
    } else {
      while (p < size_ && !IsSpace(window_[p])) ++p;
    }
    position_ = p;
    SkipSpace();
  }
  return false;
}

bool TextStream::ConvertInt(int32_t* out) {
  const char* data = window_;
  bool negative = false;
  size_t p = SkipToNumber(data, size_, position_, &negative);
  if (p >= size_ || !IsDigit(data[p])) return false;
  // Accumulate with saturation; the result keeps the low 32 bits as a two's-complement conversion would.
  uint64_t magnitude = 0;
  while (p < size_ && IsDigit(data[p])) {
    if (magnitude < (UINT64_MAX - 9) / 10) magnitude = magnitude * 10 + static_cast<uint64_t>(data[p] - '0');
    ++p;
  }
  const uint64_t value = negative ? (~magnitude + 1) : magnitude;
  *out = static_cast<int32_t>(static_cast<uint32_t>(value));
  position_ = p;
  return true;
}

bool TextStream::ConvertFloat(float* out) {
  const char* data = window_;
  bool negative = false;
  size_t p = SkipToNumber(data, size_, position_, &negative);
  const char* text = data + p;
  const size_t available = size_ - p;
  float value = 0.0f;
  // Nearly every number begins with a digit, which no word such as "inf" or "nan" does.
  const bool word = available != 0 && !IsDigit(text[0]) && text[0] != '.';
  if (word && (StartsWithNoCase(text, available, "infinity") || StartsWithNoCase(text, available, "inf"))) {
    value = __builtin_inff();
    p += StartsWithNoCase(text, available, "infinity") ? 8 : 3;
  } else if (word && StartsWithNoCase(text, available, "nan")) {
    value = __builtin_nanf("");
    p += 3;
    if (p < size_ && data[p] == '(') {
      size_t q = p + 1;
      while (q < size_ && (IsDigit(data[q]) || (data[q] >= 'a' && data[q] <= 'z') ||
                           (data[q] >= 'A' && data[q] <= 'Z') || data[q] == '_')) {
        ++q;
      }
      if (q < size_ && data[q] == ')') p = q + 1;
    }
  } else {
    const bool hex = available >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && available >= 3 &&
                     (IsHexDigit(text[2]) || (text[2] == '.' && available >= 4 && IsHexDigit(text[3])));
    const char* digits = hex ? text + 2 : text;
    const char* end = data + size_;
    auto is_mantissa_digit = [hex](char c) { return hex ? IsHexDigit(c) : IsDigit(c); };
    // A decimal's digits are gathered into an integer on the way, with its scale, for the shortcut below
    // (a hex mantissa gathers nonsense that is never used).
    const char* q = digits;
    size_t mantissa_digits = 0;
    uint64_t mantissa = 0;
    int scale = 0;
    while (q < end && is_mantissa_digit(*q)) {
      mantissa = mantissa * 10 + static_cast<uint64_t>(*q - '0');
      ++q, ++mantissa_digits;
    }
    if (q < end && *q == '.') {
      ++q;
      while (q < end && is_mantissa_digit(*q)) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*q - '0');
        if (mantissa_digits < 20) --scale;  // past 19 digits the scale is never used
        ++q, ++mantissa_digits;
      }
    }
    if (mantissa_digits == 0) return false;
    // An exponent counts only when digits follow it; otherwise the letter is left in the stream.
    const char exponent_letter = hex ? 'p' : 'e';
    if (q < end && (*q == exponent_letter || *q == exponent_letter - 'a' + 'A')) {
      const char* e = q + 1;
      const bool negative_exponent = e < end && *e == '-';
      if (e < end && (*e == '+' || *e == '-')) ++e;
      if (e < end && IsDigit(*e)) {
        int exponent = 0;
        for (; e < end && IsDigit(*e); ++e) exponent = std::min(exponent * 10 + (*e - '0'), 100000);
        scale += negative_exponent ? -exponent : exponent;
        q = e;
      }
    }
    // With at most 19 digits forming an integer of at most 2^24 and a scale of at most ten places, both
    // operands are exact floats, so one multiplication or division rounds once, to the nearest float:
    // the bits the full conversion gives. Nearly every number in a scene file ("0.7071", "-12.5000")
    // takes this way.
    const bool exact = !hex && mantissa_digits <= 19 && mantissa <= (uint64_t{1} << 24) && scale >= -10 && scale <= 10;
    if (exact) {
      const float whole = static_cast<float>(mantissa);
      value = scale < 0 ? whole / EXACT_POWERS_OF_TEN[-scale] : whole * EXACT_POWERS_OF_TEN[scale];
    }
    const std::chars_format format = hex ? std::chars_format::hex : std::chars_format::general;
    const auto result = exact ? std::from_chars_result{q, std::errc()} : std::from_chars(digits, q, value, format);
    if (result.ec == std::errc::result_out_of_range) {
      // Out of range: infinity for a large magnitude, zero for a tiny one, as strtof gives.
      bool negative_exponent = false;
      for (const char* d = digits; d + 1 < q; ++d) {
        if (*d == exponent_letter || *d == exponent_letter - 'a' + 'A') negative_exponent = d[1] == '-';
      }
      value = negative_exponent ? 0.0f : __builtin_inff();
    } else if (result.ec != std::errc()) {
      return false;
    }
    p = static_cast<size_t>(q - data);
  }
  *out = negative ? -value : value;
  position_ = p;
  return true;
}

int TextStream::Scan(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int converted = 0;
  for (const char* f = format; *f != '\0'; ++f) {
    if (IsSpace(*f)) {
      SkipSpace();
      continue;
    }
    if (*f != '%' || f[1] == '\0') break;  // literals are not part of the subset
    ++f;
    // The window moves on before the position is remembered, so a failed conversion can go back to it.
    Fill();
    const size_t before = position_;
    SkipSpace();
    if (position_ >= size_) {
      va_end(args);
      return converted == 0 ? END_OF_FILE : converted;
    }
    bool ok = false;
    if (*f == 'd') {
      ok = ConvertInt(va_arg(args, int32_t*));
    } else if (*f == 'f') {
      ok = ConvertFloat(va_arg(args, float*));
    } else if (*f == 's') {
      ok = ConvertString(va_arg(args, char*));
    }
    if (!ok) {
      position_ = before;
      break;
    }
    ++converted;
  }
  va_end(args);
  return converted;
}

bool MatchKeywordExact(const char* token, const char* keyword) {
  return MatchKeyword(token, keyword) && std::strlen(token) == std::strlen(keyword);
}

void ReadQuotedName(TextStream& stream, char* out) {
  std::memset(out, 0, TOKEN_SIZE);
  int c;
  do {
    c = stream.GetChar();
  } while (c != END_OF_FILE && c != '"');
  if (c == END_OF_FILE) return;
  int length = 0;
  while ((c = stream.GetChar()) != END_OF_FILE && c != '"') {
    if (length < TOKEN_SIZE - 1) out[length++] = static_cast<char>(c);
  }
}

bool BlockCounter::Count(const char* token) {
  if (token[0] == '{') ++opened;
  if (token[0] == '}') {
    ++closed;
    if (closed == opened) return true;
  }
  return false;
}
