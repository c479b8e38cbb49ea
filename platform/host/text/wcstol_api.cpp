// The run-time library's wcstol over 16-bit characters with the platform's 32-bit LONG.
#include <cerrno>
#include <cstdint>

#include "ce/text.h"

namespace {

// White space as the run-time library's iswspace sees it: tab to carriage return, space, and the
// Unicode spaces and separators (no-break, Ogham, the typographic spaces, line and paragraph
// separators, narrow no-break, medium mathematical and ideographic space). Zero-width space and
// the byte order mark are not white space.
bool IsSpace(WCHAR c) {
  if (c == u' ' || (c >= u'\t' && c <= u'\r')) return true;
  if (c < 0xA0) return false;
  return c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
         c == 0x202F || c == 0x205F || c == 0x3000;
}

// The zero of each script whose decimal digits the run-time library reads as digits: ASCII,
// Arabic-Indic, Extended Arabic-Indic, Devanagari, Bengali, Gurmukhi, Gujarati, Oriya, Telugu,
// Kannada, Malayalam, Thai, Lao, Tibetan, Myanmar, Khmer, Mongolian and fullwidth. Each is
// followed by the digits one to nine.
constexpr WCHAR kDigitZeros[] = {0x0030, 0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66,
                                 0x0AE6, 0x0B66, 0x0C66, 0x0CE6, 0x0D66, 0x0E50,
                                 0x0ED0, 0x0F20, 0x1040, 0x17E0, 0x1810, 0xFF10};

// Value of c as a digit in base 2 to 36, or 36 when c is not a digit at all. Letters are ASCII
// only; decimal digits come from any of the scripts above.
int DigitValue(WCHAR c) {
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  for (WCHAR zero : kDigitZeros) {
    if (c >= zero && c <= zero + 9) return c - zero;
  }
  return 36;
}

}  // namespace

LONG wcstol(const WCHAR* s, WCHAR** endptr, int base) {
  if (!s || base < 0 || base == 1 || base > 36) {
    if (endptr) *endptr = const_cast<WCHAR*>(s);
    errno = EINVAL;
    return 0;
  }
  const WCHAR* p = s;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == u'+' || *p == u'-') {
    negative = *p == u'-';
    ++p;
  }
  // A zero (of any script) and x or X make the 0x prefix for base 0 and 16. It is taken whole
  // even when no digit follows; then nothing converts and *endptr is s.
  bool hex_prefix = DigitValue(p[0]) == 0 && (p[1] == u'x' || p[1] == u'X');
  if (base == 0) {
    base = hex_prefix ? 16 : (DigitValue(p[0]) == 0 ? 8 : 10);
  }
  if (base == 16 && hex_prefix) p += 2;

  // The magnitude that still fits: 0x7FFFFFFF, or 0x80000000 for a negative result.
  const uint64_t limit = negative ? 0x80000000ull : 0x7FFFFFFFull;
  uint64_t value = 0;
  bool overflow = false;
  const WCHAR* digits = p;
  for (int d; (d = DigitValue(*p)) < base; ++p) {
    if (overflow) continue;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (value > limit) overflow = true;
  }
  if (p == digits) {
    if (endptr) *endptr = const_cast<WCHAR*>(s);
    return 0;
  }
  if (endptr) *endptr = const_cast<WCHAR*>(p);
  if (overflow) {
    errno = ERANGE;
    return negative ? INT32_MIN : INT32_MAX;
  }
  return negative ? static_cast<LONG>(-static_cast<int64_t>(value)) : static_cast<LONG>(value);
}
