// Text behaviour the library relies on: wsprintfW's conversions and its 1024-character buffer,
// WideCharToMultiByte to code page 936 and UTF-8, and the run-time library's wcstol with a
// 32-bit long.
//
// wsprintfW and a successful WideCharToMultiByte leave the last error alone, wcstol reports
// through errno; every call below runs with the last error set to kSentinel.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "check.h"
#include "rows.h"

namespace {

using conformance::Guarded;
using conformance::kSentinel;
using conformance::kWsprintfLimit;
using WChar = WideString::value_type;

// ---------------------------------------------------------------------------------------------
// wsprintfW

struct Formatted {
  WideString text;  // up to the first terminator
  int result = 0;
  bool terminated = false;  // a terminator within the 1024 characters
  bool intact = false;      // nothing written outside them
  DWORD last_error = 0;
};

// Formats into a guarded buffer of exactly 1024 characters.
template <class... Args>
Formatted Format(const WChar* format, Args... args) {
  Guarded buffer(kWsprintfLimit * sizeof(WChar));
  std::memset(buffer.data(), 0xCC, buffer.size());
  Formatted out;
  SetLastError(kSentinel);
  out.result = wsprintfW(buffer.as<WChar>(), format, args...);
  out.last_error = GetLastError();
  const WChar* text = buffer.as<WChar>();
  size_t length = 0;
  while (length < kWsprintfLimit && text[length] != 0) ++length;
  out.terminated = length < kWsprintfLimit;
  out.text.assign(text, length);
  out.intact = buffer.Intact();
  return out;
}

WideString Repeat(WChar c, size_t count) {
  return WideString(count, c);
}

struct FormatRow {
  const char* what;
  Formatted got;
  WideString want;
};

// Each conversion the library formats with, and the field syntax around it; the result is the
// number of characters stored without the terminator.
CHECK_CASE(text, wsprintf_conversions) {
  const WChar* null_wide = nullptr;
  const FormatRow rows[] = {
      {"%s", Format(WS("[%s]"), WS("wide")), WS("[wide]")},
      {"%ls", Format(WS("%ls|%ls"), WS("a"), WS("bc")), WS("a|bc")},
      {"%hs", Format(WS("%hs"), "narrow"), WS("narrow")},
      {"%S", Format(WS("%S"), "narrow"), WS("narrow")},
      {"%c", Format(WS("%c%c%c"), WChar('A'), WChar(0x4E2D), WChar(0x6587)), WS("A\u4E2D\u6587")},
      {"%d", Format(WS("%d %d %d"), -42, 0, 2147483647), WS("-42 0 2147483647")},
      {"%i", Format(WS("%i"), -7), WS("-7")},
      {"%u", Format(WS("%u"), 3000000000u), WS("3000000000")},
      {"%x %X", Format(WS("%x %X"), 0xABCDu, 0xABCDu), WS("abcd ABCD")},
      {"%u of 0xFFFFFFFF", Format(WS("%u"), 0xFFFFFFFFu), WS("4294967295")},
      {"%d of 0xFFFFFFFF", Format(WS("%d"), 0xFFFFFFFFu), WS("-1")},
      {"%x of 0xFFFFFFFF", Format(WS("%x"), 0xFFFFFFFFu), WS("ffffffff")},
      {"%d of INT_MIN", Format(WS("%d"), INT_MIN), WS("-2147483648")},
      {"%08x", Format(WS("%08x"), 0xABu), WS("000000ab")},
      {"%02x", Format(WS("%02x|%02x"), 0x5u, 0x1FFu), WS("05|1ff")},
      {"%-5d", Format(WS("%-5d|"), 42), WS("42   |")},
      {"%5d", Format(WS("%5d|%5d|"), 42, -42), WS("   42|  -42|")},
      {"%05d", Format(WS("%05d"), -42), WS("-0042")},
      {"%.2s", Format(WS("%.2s|%.2s"), WS("abc"), WS("a")), WS("ab|a")},
      {"%5.1s", Format(WS("%5.1s|"), WS("xyz")), WS("    x|")},
      {"%#x", Format(WS("%#x %#X"), 0x1Fu, 0x1Fu), WS("0x1f 0X1F")},
      {"%%", Format(WS("100%%")), WS("100%")},
      {"unknown type", Format(WS("%y")), WS("y")},
      {"null string", Format(WS("[%s]"), null_wide), WS("[(null)]")},
      {"empty", Format(WS("")), WS("")},
      {"GUID text", Format(WS("%08x-%04x-%02x%02x"), 0xE2BDC372u, 0x598Fu, 0xBCu, 0x50u),
       WS("e2bdc372-598f-bc50")},
      {"log line", Format(WS("[%d/%d/%d, %d:%d:%d]: %s\r\n"), 2024, 1, 2, 3, 4, 5, WS("msg")),
       WS("[2024/1/2, 3:4:5]: msg\r\n")},
      {"1022 characters", Format(WS("%s"), Repeat('r', 1022).c_str()), Repeat('r', 1022)},
  };
  for (const FormatRow& row : rows) {
    EXPECT_ROW(row.what, row.got.text, row.want);
    EXPECT_ROW(row.what, row.got.result, static_cast<int>(row.want.size()));
    EXPECT_ROW(row.what, row.got.terminated, true);
    EXPECT_ROW(row.what, row.got.intact, true);
    EXPECT_ROW(row.what, row.got.last_error, kSentinel);
  }
}

// The documentation of %C (and of %hc, its spelling in the W function): a zero character is
// ignored, so the result never holds a terminator before its end.
CHECK_CASE(text, wsprintf_ignores_a_zero_narrow_character) {
  conformance::SkipOnWine("Wine stores a zero %C character as a terminator and counts it");
  const FormatRow rows[] = {
      {"%C", Format(WS("[%C]"), 0), WS("[]")},
      {"%hc", Format(WS("[%hc]"), 0), WS("[]")},
  };
  for (const FormatRow& row : rows) {
    EXPECT_ROW(row.what, row.got.text, row.want);
    EXPECT_ROW(row.what, row.got.result, static_cast<int>(row.want.size()));
  }
}

// Output that would pass 1023 characters is cut there and still terminated, and nothing is
// written past the 1024-character buffer; the result, less than the length of the whole output,
// says it was cut.
CHECK_CASE(text, wsprintf_stops_at_the_buffer_limit) {
  const WideString a1000 = Repeat('a', 1000);
  const std::string narrow(1500, 'n');
  const WideString long_format = Repeat('f', 1500);
  struct Row {
    const char* what;
    Formatted got;
    WideString whole;  // what the output would be without the limit
  };
  const Row rows[] = {
      {"1500 characters", Format(WS("%s"), Repeat('b', 1500).c_str()), Repeat('b', 1500)},
      {"two arguments", Format(WS("%s%s"), a1000.c_str(), a1000.c_str()), a1000 + a1000},
      {"narrow argument", Format(WS("%hs"), narrow.c_str()), Repeat('n', 1500)},
      {"long format", Format(long_format.c_str()), long_format},
      {"number at the edge", Format(WS("%s%s%d"), a1000.c_str(), Repeat('c', 20).c_str(), 12345),
       a1000 + Repeat('c', 20) + WS("12345")},
  };
  for (const Row& row : rows) {
    EXPECT_ROW(row.what, row.got.text, row.whole.substr(0, kWsprintfLimit - 1));
    EXPECT_ROW(row.what, row.got.terminated, true);
    EXPECT_ROW(row.what, row.got.intact, true);
    EXPECT_ROW(row.what, row.got.result < static_cast<int>(row.whole.size()), true);
  }
}

// A 1023-character output fills the buffer with its terminator: it is stored whole and the
// result is its length. A 1024-character one is cut to 1023, and the result is less than 1024.
CHECK_CASE(text, wsprintf_result_at_the_buffer_limit) {
  const Formatted full = Format(WS("%s"), Repeat('z', 1023).c_str());
  EXPECT_SAME(full.text, Repeat('z', 1023));
  EXPECT_TRUE_(full.intact);
  const Formatted over = Format(WS("%s"), Repeat('z', 1024).c_str());
  EXPECT_SAME(over.text, Repeat('z', 1023));
  EXPECT_TRUE_(over.intact);
  conformance::SkipOnWine(
      "Wine returns 1024 once the output reaches 1023 characters: more than it stored, and not "
      "less than a 1024-character output it had to cut");
  EXPECT_SAME(full.result, 1023);
  EXPECT_SAME(over.result, 1023);
}

// ---------------------------------------------------------------------------------------------
// WideCharToMultiByte

constexpr UINT kGbk = 936;
constexpr int kNoUsedFlag = -1;  // the row passes no lpUsedDefaultChar

struct ConvertRow {
  const char* what;
  UINT code_page;
  DWORD flags;
  WideString text;
  int cch;                   // -1: up to and with the terminator
  int buffer;                // bytes of output; 0 asks for the size with no output buffer
  const char* default_char;  // null: the code page's own
  int used;                  // expected *lpUsedDefaultChar, or kNoUsedFlag to pass no pointer
  int result;
  const char* bytes;  // the first `result` bytes are the expected output (the literal's own
                      // terminator counts where the result includes one)
  DWORD error;        // expected last error (kSentinel: untouched)
};

// Conversions to 936 and UTF-8 as the library makes them, and the arguments the call refuses.
CHECK_CASE(text, wide_char_to_multi_byte_table) {
  const WideString zhongwen = WS("\u4E2D\u6587");  // 中文
  const WideString thai = WS("a\u0E01z");          // U+0E01 has no 936 form
  const WideString e_acute = WS("e\u0301");        // e + combining acute
  const WideString n_tilde = WS("n\u0303");        // n + combining tilde: 936 has no ñ
  const DWORD compose = WC_COMPOSITECHECK;
  const ConvertRow rows[] = {
      {"936, -1", kGbk, 0, zhongwen, -1, 16, nullptr, FALSE, 5, "\xD6\xD0\xCE\xC4", kSentinel},
      {"936, size query", kGbk, 0, zhongwen, -1, 0, nullptr, kNoUsedFlag, 5, nullptr, kSentinel},
      {"936, size query, explicit length", kGbk, 0, zhongwen, 2, 0, nullptr, kNoUsedFlag, 4,
       nullptr, kSentinel},
      {"936, 4-byte buffer, -1", kGbk, 0, zhongwen, -1, 4, nullptr, kNoUsedFlag, 0, nullptr,
       ERROR_INSUFFICIENT_BUFFER},
      {"936, explicit length adds no terminator", kGbk, 0, zhongwen, 2, 4, nullptr, kNoUsedFlag, 4,
       "\xD6\xD0\xCE\xC4", kSentinel},
      {"936, ASCII", kGbk, 0, WS("az"), -1, 16, nullptr, FALSE, 3, "az", kSentinel},
      {"936, unmappable", kGbk, 0, thai, -1, 16, nullptr, TRUE, 4, "a?z", kSentinel},
      {"936, unmappable, size query", kGbk, 0, thai, -1, 0, nullptr, TRUE, 4, nullptr, kSentinel},
      {"936, custom default", kGbk, 0, thai, -1, 16, "*", TRUE, 4, "a*z", kSentinel},
      {"936, double-byte default", kGbk, 0, thai, -1, 16, "\xA1\xA1", TRUE, 5, "a\xA1\xA1z",
       kSentinel},
      {"936, WC_COMPOSITECHECK", kGbk, compose, zhongwen, -1, 16, nullptr, FALSE, 5,
       "\xD6\xD0\xCE\xC4", kSentinel},
      {"936, e + U+0301", kGbk, 0, e_acute, -1, 16, nullptr, TRUE, 3, "e?", kSentinel},
      {"936, e + U+0301, WC_COMPOSITECHECK", kGbk, compose, e_acute, -1, 16, nullptr, FALSE, 3,
       "\xA8\xA6", kSentinel},
      {"936, u-umlaut + U+0301, WC_COMPOSITECHECK", kGbk, compose, WS("\u00FC\u0301"), -1, 16,
       nullptr, FALSE, 3, "\xA8\xB6", kSentinel},
      {"936, n + U+0303, WC_COMPOSITECHECK", kGbk, compose, n_tilde, -1, 16, nullptr, TRUE, 3, "n?",
       kSentinel},
      {"936, n + U+0303, WC_COMPOSITECHECK | WC_DISCARDNS", kGbk, compose | WC_DISCARDNS, n_tilde,
       -1, 16, nullptr, FALSE, 2, "n", kSentinel},
      {"936, n + U+0303, WC_COMPOSITECHECK | WC_DEFAULTCHAR", kGbk, compose | WC_DEFAULTCHAR,
       n_tilde, -1, 16, nullptr, TRUE, 2, "?", kSentinel},
      {"936, undefined flag", kGbk, 0x1, zhongwen, -1, 16, nullptr, kNoUsedFlag, 0, nullptr,
       ERROR_INVALID_FLAGS},
      {"936, cchWideChar 0", kGbk, 0, zhongwen, 0, 16, nullptr, kNoUsedFlag, 0, nullptr,
       ERROR_INVALID_PARAMETER},
      {"UTF-8", CP_UTF8, 0, WS("\u4E2D"), -1, 16, nullptr, kNoUsedFlag, 4, "\xE4\xB8\xAD",
       kSentinel},
      {"UTF-8, cchWideChar 0", CP_UTF8, 0, WS("ab"), 0, 16, nullptr, kNoUsedFlag, 0, nullptr,
       ERROR_INVALID_PARAMETER},
      {"unknown code page", 12345, 0, WS("ab"), -1, 16, nullptr, kNoUsedFlag, 0, nullptr,
       ERROR_INVALID_PARAMETER},
  };
  for (const ConvertRow& row : rows) {
    Guarded out(static_cast<size_t>(row.buffer));
    BOOL used = 7;  // neither TRUE nor FALSE: the call must store one of them
    SetLastError(kSentinel);
    const int result = WideCharToMultiByte(
        row.code_page, row.flags, row.text.c_str(), row.cch, row.buffer ? out.as<char>() : nullptr,
        row.buffer, row.default_char, row.used == kNoUsedFlag ? nullptr : &used);
    const DWORD error = GetLastError();
    EXPECT_ROW(row.what, result, row.result);
    EXPECT_ROW(row.what, error, row.error);
    EXPECT_ROW(row.what, out.Intact(), true);
    if (row.bytes && result == row.result) {
      const std::vector<uint8_t> bytes(out.data(), out.data() + result);
      const std::vector<uint8_t> expected(row.bytes, row.bytes + row.result);
      EXPECT_ROW(row.what, bytes, expected);
    }
    if (row.used != kNoUsedFlag && row.result > 0) EXPECT_ROW(row.what, used, row.used);
  }
}

// WC_DISCARDNS applies whenever no precomposed character is available for a base and its
// nonspacing mark, also when Unicode has none at all (x + U+0301): the mark is dropped.
CHECK_CASE(text, wide_char_to_multi_byte_discards_a_mark_without_a_composite) {
  conformance::SkipOnWine(
      "Wine discards a nonspacing mark only when Unicode has a precomposed character for the pair");
  char out[16];
  BOOL used = 7;
  SetLastError(kSentinel);
  const int result = WideCharToMultiByte(kGbk, WC_COMPOSITECHECK | WC_DISCARDNS, WS("x\u0301"), -1,
                                         out, sizeof out, nullptr, &used);
  EXPECT_SAME(result, 2);
  EXPECT_LAST_ERROR(kSentinel);
  EXPECT_SAME(std::string(out), std::string("x"));
  EXPECT_SAME(used, FALSE);
}

// UTF-8 represents every character: the documentation asks for a null lpDefaultChar and a null
// lpUsedDefaultChar, and anything else fails with ERROR_INVALID_PARAMETER.
CHECK_CASE(text, wide_char_to_multi_byte_utf8_refuses_default_character_arguments) {
  conformance::SkipOnWine(
      "Wine accepts lpDefaultChar and lpUsedDefaultChar for CP_UTF8 and converts anyway");
  char out[16];
  BOOL used = FALSE;
  SetLastError(kSentinel);
  EXPECT_RESULT(WideCharToMultiByte(CP_UTF8, 0, WS("ab"), -1, out, sizeof out, nullptr, &used), 0);
  EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
  SetLastError(kSentinel);
  EXPECT_RESULT(WideCharToMultiByte(CP_UTF8, 0, WS("ab"), -1, out, sizeof out, "?", nullptr), 0);
  EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
}

// ---------------------------------------------------------------------------------------------
// wcstol

struct ParseRow {
  WideString text;
  int base;
  int32_t value;
  ptrdiff_t end;  // where *endptr points, from the start
  bool range_error;
};

// The run-time library's wcstol with its 32-bit long: prefixes, bases, overflow, and where
// parsing stops. A 0x prefix is taken whole even when no digit follows; then nothing converts.
CHECK_CASE(text, wcstol_table) {
  const ParseRow rows[] = {
      {WS("  -123abc"), 10, -123, 6, false},
      {WS("+7"), 10, 7, 2, false},
      {WS("\t\r\n 42"), 10, 42, 6, false},
      {WS("\t\n 42"), 0, 42, 5, false},
      {WS("0x1A"), 16, 26, 4, false},
      {WS("0x1A"), 0, 26, 4, false},
      {WS("0X1a"), 16, 26, 4, false},
      {WS("-0x10"), 0, -16, 5, false},
      {WS("0x1A"), 10, 0, 1, false},
      {WS("010"), 0, 8, 3, false},
      {WS("010"), 10, 10, 3, false},
      {WS("08"), 0, 0, 1, false},
      {WS("1012"), 2, 5, 3, false},
      {WS("z"), 36, 35, 1, false},
      {WS("Zz"), 36, 1295, 2, false},
      {WS("ff"), 16, 255, 2, false},
      {WS("FF"), 10, 0, 0, false},
      {WS("2147483647"), 10, INT32_MAX, 10, false},
      {WS("2147483648"), 10, INT32_MAX, 10, true},
      {WS("4294967295"), 10, INT32_MAX, 10, true},
      {WS("99999999999999999999x"), 10, INT32_MAX, 20, true},
      {WS("-2147483648"), 10, INT32_MIN, 11, false},
      {WS("-2147483649"), 10, INT32_MIN, 11, true},
      {WS("0x80000000"), 0, INT32_MAX, 10, true},
      {WS("-0x80000000"), 0, INT32_MIN, 11, false},
      {WS("xyz"), 10, 0, 0, false},
      {WS("  -"), 10, 0, 0, false},
      {WS(""), 10, 0, 0, false},
      {WS("0x"), 16, 0, 0, false},
      {WS("0x"), 0, 0, 0, false},
      {WS("0xg"), 16, 0, 0, false},
      {WS("0xg"), 0, 0, 0, false},
      {WS("00x1"), 0, 0, 2, false},
  };
  for (const ParseRow& row : rows) {
    std::string what;
    for (WChar c : row.text) what += static_cast<char>(c < 0x80 ? c : '?');
    what = "\"" + what + "\" base " + std::to_string(row.base);
    const WChar* start = row.text.c_str();
    WChar* end = nullptr;
    errno = 0;
    SetLastError(kSentinel);
    auto value = static_cast<int32_t>(wcstol(start, &end, row.base));
    bool range_error = errno == ERANGE;
    EXPECT_ROW(what, value, row.value);
    EXPECT_ROW(what, end - start, row.end);
    EXPECT_ROW(what, range_error, row.range_error);
    EXPECT_ROW(what, GetLastError(), kSentinel);
  }
}

// White space is what the run-time library's iswspace calls space, beyond ASCII; digits are the
// decimal digits of the scripts it knows (with their own zero for the 0x prefix), letters are
// ASCII only.
CHECK_CASE(text, wcstol_unicode_spaces_and_digits) {
  const ParseRow rows[] = {
      {WS("\u00A05"), 10, 5, 2, false},              // no-break space
      {WS("\u30005"), 10, 5, 2, false},              // ideographic space
      {WS("\u20285"), 10, 5, 2, false},              // line separator
      {WS("\u200B5"), 10, 0, 0, false},              // zero width space is not white space
      {WS("\uFEFF5"), 10, 0, 0, false},              // nor is the byte order mark
      {WS("\uFF11\uFF12"), 10, 12, 2, false},        // fullwidth digits
      {WS("\u0661\u0660"), 10, 10, 2, false},        // Arabic-Indic digits
      {WS("\u0967"), 10, 1, 1, false},               // Devanagari one
      {WS("\u3000\uFF14\u0662"), 10, 42, 3, false},  // all three together
      {WS("\uFF10x1F"), 0, 31, 4, false},            // fullwidth zero in the prefix
      {WS("\uFF21"), 16, 0, 0, false},               // fullwidth A is no digit
      {WS("\u00B2"), 10, 0, 0, false},               // superscript two is no digit
  };
  for (const ParseRow& row : rows) {
    std::string what = "U+";
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(row.text[0]));
    what += hex;
    const WChar* start = row.text.c_str();
    WChar* end = nullptr;
    errno = 0;
    auto value = static_cast<int32_t>(wcstol(start, &end, row.base));
    EXPECT_ROW(what, value, row.value);
    EXPECT_ROW(what, end - start, row.end);
  }
}

// A base outside 2..36 (other than 0) converts nothing: 0 and errno EINVAL.
CHECK_CASE(text, wcstol_refuses_a_bad_base) {
  for (int base : {1, 37, -1}) {
    std::string what = "base " + std::to_string(base);
    WChar* end = nullptr;
    errno = 0;
    auto value = static_cast<int32_t>(wcstol(WS("12"), &end, base));
    int error = errno;
    EXPECT_ROW(what, value, 0);
    EXPECT_ROW(what, error, EINVAL);
  }
}

}  // namespace
