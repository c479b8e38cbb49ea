// wsprintfW: the platform's own small formatter over 16-bit characters. The host's swprintf
// cannot stand in for it: its wchar_t is 32-bit and its %s means something else.
//
// Field syntax: %[-][#][0][width][.precision][l|h|w]type. There is no '*' width, no '+' or
// space flag, no floating point and no %o or %n. The output never exceeds 1023 characters plus
// the terminator; text past that is cut off, and the result counts what was stored. Narrow text
// (%hs, %S, %C...) is read in the handset's ANSI code page.
#include <cstdarg>
#include <cstdint>
#include <string>

#include "ce/locale.h"
#include "ce/text.h"
#include "text/code_page_table.h"

namespace {

constexpr int kMaxChars = WSPRINTF_LIMIT - 1;
// Widths and precisions are read up to this value; anything larger already fills the output.
constexpr int kMaxField = WSPRINTF_LIMIT * 2;

// Stores characters into the caller's buffer and stops, silently, at the limit.
class Output {
 public:
  explicit Output(WCHAR* buffer) : buffer_(buffer) {}

  bool Full() const { return length_ >= kMaxChars; }
  int Length() const { return length_; }

  void Put(WCHAR c) {
    if (!Full()) buffer_[length_++] = c;
  }

  // Stores count copies of c, bounded by the space left.
  void Repeat(WCHAR c, int count) {
    while (count-- > 0 && !Full()) buffer_[length_++] = c;
  }

  void Terminate() { buffer_[length_] = 0; }

 private:
  WCHAR* buffer_;
  int length_ = 0;
};

struct Field {
  bool left = false;
  bool zero = false;
  bool alternate = false;
  int width = 0;
  int precision = -1;  // -1: none given
  char size = 0;       // 'l', 'h', 'w' or 0
};

// Reads decimal digits, saturating at kMaxField.
int ReadNumber(const WCHAR*& f) {
  int n = 0;
  while (*f >= u'0' && *f <= u'9') {
    n = n * 10 + (*f - u'0');
    if (n > kMaxField) n = kMaxField;
    ++f;
  }
  return n;
}

// Writes text of the given length padded with spaces to the field width.
void PutPadded(Output& out, const Field& field, const WCHAR* text, int length) {
  int pad = field.width - length;
  if (!field.left) out.Repeat(u' ', pad);
  for (int i = 0; i < length && !out.Full(); ++i) out.Put(text[i]);
  if (field.left) out.Repeat(u' ', pad);
}

void PutString(Output& out, const Field& field, const WCHAR* text) {
  if (!text) text = u"(null)";
  int length = 0;
  const int max = field.precision >= 0 ? field.precision : INT32_MAX;
  while (length < max && text[length]) ++length;
  PutPadded(out, field, text, length);
}

// 8-bit text in the ANSI code page: converted first, then cut to the precision in characters.
// No more bytes are read than the precision allows, as the text need not be terminated then;
// nor more than the output can hold.
void PutNarrowString(Output& out, const Field& field, const char* text) {
  if (!text) {
    PutString(out, field, nullptr);
    return;
  }
  size_t max = field.precision >= 0 ? static_cast<size_t>(field.precision) : SIZE_MAX;
  if (max > static_cast<size_t>(kMaxField)) max = kMaxField;
  size_t bytes = 0;
  while (bytes < max && text[bytes]) ++bytes;
  const std::string_view narrow(text, bytes);
  // ASCII is the same in every code page: the ANSI code page is looked up only for other bytes.
  bool ascii = true;
  for (char c : narrow) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  const std::u16string wide =
      ascii ? std::u16string(narrow.begin(), narrow.end()) : cehost::DecodeBytes(GetACP(), narrow);
  Field wide_field = field;
  wide_field.precision = -1;
  int length = static_cast<int>(wide.size());
  if (field.precision >= 0 && length > field.precision) length = field.precision;
  PutPadded(out, wide_field, wide.c_str(), length);
}

// Writes an unsigned magnitude with an optional sign or 0x prefix, at least precision digits
// (at least min_digits when no precision is given) and padded to the field width.
void PutInteger(Output& out, const Field& field, uint64_t value, bool negative, int base,
                bool upper, int min_digits) {
  const char16_t* digit_chars = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
  WCHAR digits[24];
  int count = 0;
  // As in C, a zero precision prints no digits for the value 0.
  while (value != 0) {
    digits[count++] = digit_chars[value % static_cast<uint64_t>(base)];
    value /= static_cast<uint64_t>(base);
  }
  int precision = field.precision >= 0 ? field.precision : min_digits;
  if (count == 0 && precision != 0) digits[count++] = u'0';
  int zeros = precision > count ? precision - count : 0;

  // '#' prefixes every hexadecimal value, 0 included, with 0x or 0X.
  WCHAR prefix[2];
  int prefix_length = 0;
  if (negative) {
    prefix[prefix_length++] = u'-';
  } else if (field.alternate && base == 16) {
    prefix[prefix_length++] = u'0';
    prefix[prefix_length++] = upper ? u'X' : u'x';
  }

  int pad = field.width - (prefix_length + zeros + count);
  // Zero padding goes between the sign or prefix and the digits; a precision or '-' disables it.
  bool zero_pad = field.zero && !field.left && field.precision < 0;
  if (zero_pad) {
    zeros += pad > 0 ? pad : 0;
    pad = 0;
  }
  if (!field.left) out.Repeat(u' ', pad);
  for (int i = 0; i < prefix_length; ++i) out.Put(prefix[i]);
  out.Repeat(u'0', zeros);
  while (count > 0 && !out.Full()) out.Put(digits[--count]);
  if (field.left) out.Repeat(u' ', pad);
}

// Formats one conversion of the given type character. Arguments narrower than int arrive
// promoted to int, and the interface's long is 32-bit: callers pass DWORD or int, so every
// integer argument is read as a 32-bit value.
void FormatOne(Output& out, const Field& field, WCHAR type, va_list* args) {
  switch (type) {
    case u's':
    case u'S': {
      // %s is wide in the W function and %S narrow; l and w force wide, h forces narrow.
      bool wide = field.size == 'l' || field.size == 'w' || (field.size == 0 && type == u's');
      if (wide) {
        PutString(out, field, va_arg(*args, const WCHAR*));
      } else {
        PutNarrowString(out, field, va_arg(*args, const char*));
      }
      return;
    }
    case u'c':
    case u'C': {
      bool wide = field.size == 'l' || field.size == 'w' || (field.size == 0 && type == u'c');
      int value = va_arg(*args, int);
      // A narrow character is one byte of the ANSI code page.
      WCHAR c = static_cast<WCHAR>(value);
      if (!wide) {
        const char byte = static_cast<char>(value);
        c = static_cast<unsigned char>(byte) < 0x80
                ? static_cast<WCHAR>(byte)
                : cehost::DecodeBytes(GetACP(), std::string_view(&byte, 1))[0];
      }
      // A zero character is not written, wide or narrow, so that the result never holds a
      // terminator before its end; padding still applies.
      PutPadded(out, field, &c, c != 0 ? 1 : 0);
      return;
    }
    case u'd':
    case u'i': {
      int32_t value = va_arg(*args, int32_t);
      if (field.size == 'h') value = static_cast<int16_t>(value);
      bool negative = value < 0;
      uint64_t magnitude =
          negative ? static_cast<uint64_t>(-static_cast<int64_t>(value)) : uint64_t(value);
      PutInteger(out, field, magnitude, negative, 10, false, 1);
      return;
    }
    case u'u':
    case u'x':
    case u'X': {
      uint32_t value = va_arg(*args, uint32_t);
      if (field.size == 'h') value = static_cast<uint16_t>(value);
      PutInteger(out, field, value, false, type == u'u' ? 10 : 16, type == u'X', 1);
      return;
    }
    case u'p': {
      // A pointer prints as upper-case hexadecimal, zero-padded to the host pointer's 16 digits.
      auto value = reinterpret_cast<uintptr_t>(va_arg(*args, void*));
      PutInteger(out, field, value, false, 16, true, static_cast<int>(sizeof(void*) * 2));
      return;
    }
    default:
      // %% and any character that is not a conversion are copied out as they are.
      out.Put(type);
      return;
  }
}

}  // namespace

extern "C" int wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist) {
  if (!lpOut) return 0;
  Output out(lpOut);
  if (!lpFmt) {
    out.Terminate();
    return 0;
  }
  va_list args;
  va_copy(args, arglist);
  const WCHAR* f = lpFmt;
  while (*f && !out.Full()) {
    if (*f != u'%') {
      out.Put(*f++);
      continue;
    }
    ++f;
    Field field;
    for (;; ++f) {
      if (*f == u'-') {
        field.left = true;
      } else if (*f == u'0') {
        field.zero = true;
      } else if (*f == u'#') {
        field.alternate = true;
      } else {
        break;
      }
    }
    field.width = ReadNumber(f);
    if (*f == u'.') {
      ++f;
      field.precision = ReadNumber(f);
    }
    if (*f == u'l' || *f == u'h' || *f == u'w') field.size = static_cast<char>(*f++);
    if (!*f) break;
    FormatOne(out, field, *f++, &args);
  }
  va_end(args);
  out.Terminate();
  return out.Length();
}

extern "C" int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...) {
  va_list args;
  va_start(args, lpFmt);
  int length = wvsprintfW(lpOut, lpFmt, args);
  va_end(args);
  return length;
}
