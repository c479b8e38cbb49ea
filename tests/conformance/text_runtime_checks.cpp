// The run-time library's wide-text calls as the library uses them: wvsprintfW, through which
// the library formats its lines (a va_list of 32-bit integers and wide and narrow strings, cut at
// the 1024-character buffer); wcslen, wcscpy, wcschr, wcsstr and wcscmp over 16-bit units;
// _wcsicmp, which compares in lower case (so "_" sorts before the letters); wcstol with no
// end pointer, as INI values and the IMSI's operator digits are read; and wprintf, with which the
// library prints a line on the console.
//
// Every call but wprintf runs with the last error set to kSentinel, which none of them changes;
// wprintf writes to a stream, and the platform does not document that writing keeps the last error.
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "check.h"
#include "rows.h"

namespace {

using conformance::Guarded;
using conformance::kSentinel;
using conformance::kWsprintfLimit;
using conformance::Show;
using WChar = WideString::value_type;

struct Formatted {
  WideString text;
  int result = 0;
  bool intact = false;
  DWORD last_error = 0;
};

// Hands its arguments to wvsprintfW as a va_list, as the library's formatter does, into a
// guarded buffer of 1024 characters.
Formatted FormatList(const WChar* format, ...) {
  Guarded buffer(kWsprintfLimit * sizeof(WChar));
  Formatted out;
  va_list args;
  va_start(args, format);
  SetLastError(kSentinel);
  out.result = wvsprintfW(buffer.as<WChar>(), format, args);
  out.last_error = GetLastError();
  va_end(args);
  out.intact = buffer.Intact();
  out.text = buffer.as<WChar>();
  return out;
}

// The library's formats through a va_list: each argument is taken in turn at its own width, and
// output past 1023 characters is cut with the terminator kept inside the buffer.
CHECK_CASE(text_runtime, wvsprintf_formats_a_va_list) {
  const WideString long_text(1500, 'w');
  struct Row {
    const char* what;
    Formatted got;
    WideString want;
  };
  const Row rows[] = {
      {"mixed", FormatList(WS("%s=%d,%u;%hs|%c|%x"), WS("key"), -5, 7u, "nar", WChar('W'), 255u),
       WS("key=-5,7;nar|W|ff")},
      {"trace line", FormatList(WS("Corvanta::%s::%d\r\n"), WS("Dial"), 3),
       WS("Corvanta::Dial::3\r\n")},
      {"network line", FormatList(WS("network name=%hs,index=%d\r\n"), "eth0", 2),
       WS("network name=eth0,index=2\r\n")},
      {"INI value", FormatList(WS("%d"), INT_MIN), WS("-2147483648")},
      {"padding", FormatList(WS("%04d-%02d|%-3s|"), 7, 5, WS("a")), WS("0007-05|a  |")},
      {"no arguments", FormatList(WS("plain")), WS("plain")},
      {"1022 characters", FormatList(WS("%s"), long_text.substr(0, 1022).c_str()),
       long_text.substr(0, 1022)},
  };
  for (const Row& row : rows) {
    EXPECT_ROW(row.what, row.got.text, row.want);
    EXPECT_ROW(row.what, row.got.result, static_cast<int>(row.want.size()));
    EXPECT_ROW(row.what, row.got.intact, true);
    EXPECT_ROW(row.what, row.got.last_error, kSentinel);
  }
  const Formatted cut = FormatList(WS("%d:%s"), 12, long_text.c_str());
  EXPECT_SAME(cut.text, WS("12:") + long_text.substr(0, 1020));
  EXPECT_TRUE_(cut.intact);
  EXPECT_TRUE_(cut.result < 1503);
}

// The sign of a comparison's result: -1, 0 or 1.
int Sign(int value) {
  return value < 0 ? -1 : value > 0 ? 1 : 0;
}

struct CompareRow {
  const WChar* a;
  const WChar* b;
  int sign;
};

// wcscmp compares units as unsigned 16-bit values: U+FFFF sorts after ASCII, and a string sorts
// before the longer strings it begins.
CHECK_CASE(text_runtime, wcscmp_orders_units_as_unsigned) {
  const CompareRow rows[] = {
      {WS("abc"), WS("abc"), 0},       {WS("abc"), WS("abd"), -1}, {WS("b"), WS("abc"), 1},
      {WS("ab"), WS("abc"), -1},       {WS(""), WS("a"), -1},      {WS("\uFFFF"), WS("a"), 1},
      {WS("\u4E2D"), WS("\u00E9"), 1}, {WS("A"), WS("a"), -1},     {WS("_"), WS("a"), -1},
  };
  for (const CompareRow& row : rows) {
    SetLastError(kSentinel);
    EXPECT_ROW(Show(row.a) + " vs " + Show(row.b), Sign(wcscmp(row.a, row.b)), row.sign);
    EXPECT_ROW(Show(row.a), GetLastError(), kSentinel);
  }
}

// _wcsicmp as the run-time library documents it: both strings in lower case, then compared unit
// by unit. Characters between "Z" (0x5A) and "a" (0x61) therefore sort before every letter; a
// comparison in upper case would put them after the letters.
CHECK_CASE(text_runtime, wcsicmp_compares_in_lower_case) {
  const CompareRow rows[] = {
      {WS("Network"), WS("nETWORK"), 0},
      {WS("Section_1"), WS("SECTION_1"), 0},
      {WS("apple"), WS("BANANA"), -1},
      {WS("b"), WS("A"), 1},
      {WS("ab"), WS("ABC"), -1},
      {WS("_"), WS("a"), -1},
      {WS("_"), WS("A"), -1},
      {WS("_x"), WS("Zx"), -1},
      {WS("["), WS("a"), -1},
      {WS("^"), WS("Z"), -1},
      {WS("key_b"), WS("KEYA"), -1},
      {WS("@"), WS("a"), -1},
      {WS("{"), WS("Z"), 1},
  };
  for (const CompareRow& row : rows) {
    SetLastError(kSentinel);
    EXPECT_ROW(Show(row.a) + " vs " + Show(row.b), Sign(_wcsicmp(row.a, row.b)), row.sign);
    EXPECT_ROW(Show(row.a) + " vs " + Show(row.b), Sign(_wcsicmp(row.b, row.a)), -row.sign);
    EXPECT_ROW(Show(row.a), GetLastError(), kSentinel);
  }
}

// wcslen, wcscpy, wcschr and wcsstr over 16-bit units, as the library copies paths and names and
// looks for characters and substrings in them.
CHECK_CASE(text_runtime, wide_string_routines) {
  const WChar* text = WS("\\Windows\\\u4E2D.ini");
  SetLastError(kSentinel);
  EXPECT_SAME(wcslen(text), size_t{14});
  EXPECT_SAME(wcslen(WS("")), size_t{0});
  EXPECT_SAME(wcslen(WS("\U0001F600")), size_t{2});

  WChar copy[16];
  for (WChar& c : copy) c = '#';
  EXPECT_TRUE_(wcscpy(copy, text) == copy);
  EXPECT_SAME(WideString(copy), WideString(text));
  EXPECT_SAME(static_cast<int>(copy[14]), 0);
  EXPECT_SAME(static_cast<int>(copy[15]), static_cast<int>('#'));

  EXPECT_TRUE_(wcschr(text, '\\') == text);
  EXPECT_TRUE_(wcschr(text, 0x4E2D) == text + 9);
  EXPECT_TRUE_(wcschr(text, 0) == text + 14);
  EXPECT_TRUE_(wcschr(text, 'x') == nullptr);

  EXPECT_TRUE_(wcsstr(text, WS(".ini")) == text + 10);
  EXPECT_TRUE_(wcsstr(text, WS("\\")) == text);
  EXPECT_TRUE_(wcsstr(text, WS("")) == text);
  EXPECT_TRUE_(wcsstr(text, WS(".INI")) == nullptr);
  const WChar* aab = WS("aab");
  EXPECT_TRUE_(wcsstr(aab, WS("ab")) == aab + 1);
  EXPECT_LAST_ERROR(kSentinel);
}

// wcstol as the library calls it: base 10 and no end pointer. It reads leading white space, a
// sign and the digits up to the first other character; text without digits is 0, and a value
// past the 32-bit range is LONG_MAX or LONG_MIN.
CHECK_CASE(text_runtime, wcstol_base_10_without_an_end_pointer) {
  struct Row {
    const WChar* text;
    int32_t value;
  };
  const Row rows[] = {
      {WS("46000"), 46000},
      {WS("46001"), 46001},
      {WS(" 12abc"), 12},
      {WS("-5"), -5},
      {WS("+8"), 8},
      {WS("007"), 7},
      {WS(""), 0},
      {WS("abc"), 0},
      {WS("0x10"), 0},
      {WS("2147483647"), INT32_MAX},
      {WS("99999999999"), INT32_MAX},
      {WS("-99999999999"), INT32_MIN},
  };
  for (const Row& row : rows) {
    errno = 0;
    SetLastError(kSentinel);
    const auto value = static_cast<int32_t>(wcstol(row.text, nullptr, 10));
    EXPECT_ROW(Show(row.text), value, row.value);
    EXPECT_ROW(Show(row.text), GetLastError(), kSentinel);
  }
}

// Prints with the run-time library's wprintf and returns its result. On the handset the line goes
// to the debug console; on Win32 to standard output, the run's report, flushed at once so that
// the report's own lines stay whole.
template <class... Args>
int Print(const WChar* format, Args... args) {
#ifdef _WIN32
  const int printed = wprintf(format, args...);
  std::fflush(stdout);
  return printed;
#else
  return ce::wprintf(format, args...);
#endif
}

// wprintf returns the number of characters it printed: the library's console line with its
// operator identifier, the integer conversions with their widths and flags, "%%", and a line
// without conversions. Only integer conversions are printed: they read the same on every run-time
// library, where "%s" of a wide print does not.
CHECK_CASE(text_runtime, wprintf_returns_the_characters_it_printed) {
  struct Row {
    const char* what;
    int printed;
    WideString line;  // what the call prints, for its length
  };
  const Row rows[] = {
      {"console line", Print(WS("********** dwCardId = %d **********\r\n"), DWORD{46000}),
       WS("********** dwCardId = 46000 **********\r\n")},
      {"widths and flags",
       Print(WS("text_runtime.wprintf: %5d|%-4u|%x|%03d|%%\r\n"), 7, 12u, 255u, 5),
       WS("text_runtime.wprintf:     7|12  |ff|005|%\r\n")},
      {"least integer", Print(WS("text_runtime.wprintf: %d\r\n"), INT_MIN),
       WS("text_runtime.wprintf: -2147483648\r\n")},
      {"no conversions", Print(WS("text_runtime.wprintf: plain\r\n")),
       WS("text_runtime.wprintf: plain\r\n")},
      {"empty", Print(WS("")), WS("")},
  };
  for (const Row& row : rows) {
    EXPECT_ROW(row.what, row.printed, static_cast<int>(row.line.size()));
  }
}

}  // namespace
