// The kernel's string calls: lstrlenA and wsprintfA. wsprintfA writes at most 1024 characters with the
// terminating zero, as the real one does, and reads %ld as Win32's 32-bit LONG: callers pass LONG and
// DWORD values, and reading a 64-bit long for them would take garbage from the upper half.
#include <cstdarg>
#include <cstring>

#include "platform/win32.h"

namespace {

const int WSPRINTF_LIMIT = 1024;

class BoundedOutput {
 public:
  explicit BoundedOutput(char* buffer) : buffer_(buffer) {}
  void Put(char c) {
    if (length_ < WSPRINTF_LIMIT - 1) buffer_[length_++] = c;
  }
  void Repeat(char c, int count) {
    for (int i = 0; i < count; ++i) Put(c);
  }
  int Finish() {
    buffer_[length_] = '\0';
    return length_;
  }

 private:
  char* buffer_;
  int length_ = 0;
};

struct FieldFormat {
  bool left = false;
  bool zero = false;
  bool alternate = false;
  int width = 0;
  int precision = -1;
};

// Writes a converted field padded to the field width.
void PutField(BoundedOutput* out, const FieldFormat& field, const char* prefix, const char* body, int body_length) {
  int prefix_length = static_cast<int>(std::strlen(prefix));
  int zeros = field.precision > body_length ? field.precision - body_length : 0;
  int padding = field.width - prefix_length - zeros - body_length;
  if (padding < 0) padding = 0;
  if (!field.left && !(field.zero && field.precision < 0)) out->Repeat(' ', padding);
  for (const char* c = prefix; *c != '\0'; ++c) out->Put(*c);
  if (!field.left && field.zero && field.precision < 0) out->Repeat('0', padding);
  out->Repeat('0', zeros);
  for (int i = 0; i < body_length; ++i) out->Put(body[i]);
  if (field.left) out->Repeat(' ', padding);
}

void PutUnsigned(BoundedOutput* out, const FieldFormat& field, const char* sign, uint32_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char reversed[16];
  int length = 0;
  do {
    reversed[length++] = digits[value % base];
    value /= base;
  } while (value != 0);
  char body[16];
  for (int i = 0; i < length; ++i) body[i] = reversed[length - 1 - i];
  PutField(out, field, sign, body, length);
}

int ReadNumber(const char** format) {
  int value = 0;
  while (**format >= '0' && **format <= '9') {
    if (value < 100000) value = value * 10 + (**format - '0');
    ++*format;
  }
  return value;
}

}  // namespace

int lstrlenA(LPCSTR text) { return text != nullptr ? static_cast<int>(std::strlen(text)) : 0; }

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  if (buffer == nullptr) return 0;
  BoundedOutput out(buffer);
  if (format == nullptr) return out.Finish();
  va_list args;
  va_start(args, format);
  for (const char* f = format; *f != '\0'; ++f) {
    if (*f != '%') {
      out.Put(*f);
      continue;
    }
    ++f;
    FieldFormat field;
    for (;; ++f) {
      if (*f == '-') field.left = true;
      else if (*f == '0') field.zero = true;
      else if (*f == '#') field.alternate = true;
      else break;
    }
    field.width = ReadNumber(&f);
    if (*f == '.') {
      ++f;
      field.precision = ReadNumber(&f);
    }
    bool is_short = false;
    if (*f == 'l') {
      ++f;  // long is 32 bits on Win32, the same as int
    } else if (*f == 'h') {
      is_short = true;
      ++f;
    }
    switch (*f) {
      case 'd':
      case 'i': {
        int32_t value = va_arg(args, int32_t);
        if (is_short) value = static_cast<int16_t>(value);
        uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        PutUnsigned(&out, field, value < 0 ? "-" : "", magnitude, 10, false);
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        uint32_t value = va_arg(args, uint32_t);
        if (is_short) value = static_cast<uint16_t>(value);
        unsigned base = *f == 'u' ? 10 : 16;
        const char* prefix = field.alternate && base == 16 && value != 0 ? (*f == 'X' ? "0X" : "0x") : "";
        PutUnsigned(&out, field, prefix, value, base, *f == 'X');
        break;
      }
      case 'c': {
        char c = static_cast<char>(va_arg(args, int));
        PutField(&out, field, "", &c, 1);
        break;
      }
      case 's': {
        const char* text = va_arg(args, const char*);
        if (text == nullptr) text = "(null)";
        int length = 0;
        while (text[length] != '\0' && (field.precision < 0 || length < field.precision)) ++length;
        FieldFormat no_zeros = field;
        no_zeros.precision = -1;
        no_zeros.zero = false;
        PutField(&out, no_zeros, "", text, length);
        break;
      }
      case '\0':
        --f;  // a lone '%' at the end
        break;
      default:
        out.Put(*f);  // "%%" and unknown conversions print the character itself
        break;
    }
  }
  va_end(args);
  return out.Finish();
}

bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
