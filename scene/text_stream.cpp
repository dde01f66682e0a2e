#include "scene/text_stream.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <charconv>

namespace {

// The C locale's white space, which the formatted input functions skip.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

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

}  // namespace

TextStream::~TextStream() { Close(); }

TextStream::TextStream(TextStream&& other) noexcept { *this = static_cast<TextStream&&>(other); }

TextStream& TextStream::operator=(TextStream&& other) noexcept {
  if (this != &other) {
    Close();
    data_ = other.data_;
    size_ = other.size_;
    position_ = other.position_;
    other.data_ = nullptr;
    other.size_ = 0;
    other.position_ = 0;
  }
  return *this;
}

bool TextStream::Open(const char* path) {
  Close();
  if (path == nullptr || path[0] == '\0') return false;
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  // A folder opens too, and its end lies at the largest offset there is: only plain files have a size.
  struct stat status;
  bool ok = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
  ok = ok && std::fseek(file, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(file) : -1;
  ok = ok && length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    // One spare byte so that an empty file still has a buffer.
    data_ = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
    ok = data_ != nullptr && std::fread(data_, 1, static_cast<size_t>(length), file) == static_cast<size_t>(length);
  }
  std::fclose(file);
  if (!ok) {
    Close();
    return false;
  }
  size_ = static_cast<size_t>(length);
  position_ = 0;
  return DecodeByteOrderMark();
}

bool TextStream::OpenMemory(const char* text, size_t size) {
  Close();
  data_ = static_cast<char*>(std::malloc(size + 1));
  if (data_ == nullptr) return false;
  if (size != 0) std::memcpy(data_, text, size);
  size_ = size;
  position_ = 0;
  return DecodeByteOrderMark();
}

bool TextStream::DecodeByteOrderMark() {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(data_);
  if (size_ >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    position_ = 3;
    return true;
  }
  const bool little = size_ >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool big = size_ >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
  if (!little && !big) return true;
  const size_t size = size_ - 2;
  char* decoded = static_cast<char*>(std::malloc(size / 2 * 3 + 4));
  if (decoded == nullptr) {
    Close();
    return false;
  }
  const size_t decoded_size =
      big ? Utf16ToUtf8<true>(bytes + 2, size, decoded) : Utf16ToUtf8<false>(bytes + 2, size, decoded);
  std::free(data_);
  data_ = decoded;
  size_ = decoded_size;
  position_ = 0;
  return true;
}

void TextStream::Close() {
  std::free(data_);
  data_ = nullptr;
  size_ = 0;
  position_ = 0;
}

int TextStream::GetChar() {
  if (position_ >= size_) return END_OF_FILE;
  return static_cast<unsigned char>(data_[position_++]);
}

void TextStream::SkipSpace() {
  while (position_ < size_ && IsSpace(data_[position_])) ++position_;
}

bool TextStream::ConvertString(char* out) {
  SkipSpace();
  if (position_ >= size_) return false;
  size_t length = 0;
  while (position_ < size_ && !IsSpace(data_[position_])) {
    // Characters past the buffer are consumed and dropped, so an overlong token stays one token.
    if (length < TOKEN_SIZE - 1) out[length++] = data_[position_];
    ++position_;
  }
  out[length] = '\0';
  return true;
}

bool TextStream::ReadToken(char* buffer) {
  std::memset(buffer, 0, TOKEN_SIZE);
  return ConvertString(buffer);
}

bool TextStream::ConvertInt(int32_t* out) {
  bool negative = false;
  size_t p = SkipToNumber(data_, size_, position_, &negative);
  if (p >= size_ || !IsDigit(data_[p])) return false;
  // Accumulate with saturation; the result keeps the low 32 bits as a two's-complement conversion would.
  uint64_t magnitude = 0;
  while (p < size_ && IsDigit(data_[p])) {
    if (magnitude < (UINT64_MAX - 9) / 10) magnitude = magnitude * 10 + static_cast<uint64_t>(data_[p] - '0');
    ++p;
  }
  const uint64_t value = negative ? (~magnitude + 1) : magnitude;
  *out = static_cast<int32_t>(static_cast<uint32_t>(value));
  position_ = p;
  return true;
}

bool TextStream::ConvertFloat(float* out) {
  bool negative = false;
  size_t p = SkipToNumber(data_, size_, position_, &negative);
  const char* text = data_ + p;
  const size_t available = size_ - p;
  float value = 0.0f;
  if (StartsWithNoCase(text, available, "infinity") || StartsWithNoCase(text, available, "inf")) {
    value = __builtin_inff();
    p += StartsWithNoCase(text, available, "infinity") ? 8 : 3;
  } else if (StartsWithNoCase(text, available, "nan")) {
    value = __builtin_nanf("");
    p += 3;
    if (p < size_ && data_[p] == '(') {
      size_t q = p + 1;
      while (q < size_ && (IsDigit(data_[q]) || (data_[q] >= 'a' && data_[q] <= 'z') ||
                           (data_[q] >= 'A' && data_[q] <= 'Z') || data_[q] == '_')) {
        ++q;
      }
      if (q < size_ && data_[q] == ')') p = q + 1;
    }
  } else {
    const bool hex = available >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && available >= 3 &&
                     (IsHexDigit(text[2]) || (text[2] == '.' && available >= 4 && IsHexDigit(text[3])));
    const char* digits = hex ? text + 2 : text;
    const char* end = data_ + size_;
    auto is_mantissa_digit = [hex](char c) { return hex ? IsHexDigit(c) : IsDigit(c); };
    const char* q = digits;
    size_t mantissa_digits = 0;
    while (q < end && is_mantissa_digit(*q)) ++q, ++mantissa_digits;
    if (q < end && *q == '.') {
      ++q;
      while (q < end && is_mantissa_digit(*q)) ++q, ++mantissa_digits;
    }
    if (mantissa_digits == 0) return false;
    // An exponent counts only when digits follow it; otherwise the letter is left in the stream.
    const char exponent_letter = hex ? 'p' : 'e';
    if (q < end && (*q == exponent_letter || *q == exponent_letter - 'a' + 'A')) {
      const char* e = q + 1;
      if (e < end && (*e == '+' || *e == '-')) ++e;
      if (e < end && IsDigit(*e)) {
        while (e < end && IsDigit(*e)) ++e;
        q = e;
      }
    }
    const std::chars_format format = hex ? std::chars_format::hex : std::chars_format::general;
    const auto result = std::from_chars(digits, q, value, format);
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
    p = static_cast<size_t>(q - data_);
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

bool MatchKeyword(const char* token, const char* keyword) {
  return std::strncmp(token, keyword, std::strlen(keyword)) == 0;
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
