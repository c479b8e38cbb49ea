// The run-time library's wcstol over 16-bit characters with the platform's 32-bit LONG.
#include <cerrno>
#include <cstdint>

#include "ce/text.h"

namespace {

// White space as the run-time library skips it before a number: space and the ASCII control
// characters tab to carriage return. Other Unicode spaces are not skipped.
bool IsSpace(WCHAR c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Value of c as a digit in base 2 to 36, or 36 when c is not a digit at all.
int DigitValue(WCHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
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
  // The 0x prefix is taken only when a hexadecimal digit follows it; otherwise "0x" reads as
  // the number 0 followed by an unconverted 'x', as in the C library.
  bool hex_prefix = p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && DigitValue(p[2]) < 16;
  if (base == 0) {
    base = hex_prefix ? 16 : (p[0] == u'0' ? 8 : 10);
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
