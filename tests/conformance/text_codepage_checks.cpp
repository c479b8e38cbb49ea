// Narrow text and code pages beyond the common characters: wsprintfW and wvsprintfW read narrow
// arguments (%hs, %S, %C) in the ANSI code page that GetACP names, not byte for byte; code page
// 936's table as WideCharToMultiByte uses it for the settings log (the euro sign, the private-use
// characters of its user-defined areas, surrogates unit by unit); and the ANSI code page that
// follows the system locale (SetSystemDefaultLCID) on CE.
//
// Every call runs with the last error set to kSentinel: the successful ones leave it alone.
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "rows.h"

namespace {

using conformance::Guarded;
using conformance::kSentinel;
using conformance::kWsprintfLimit;
using WChar = WideString::value_type;

constexpr UINT kGbk = 936;
constexpr UINT kWestern = 1252;

// Formats into a guarded 1024-character buffer; the stored text, or "<overrun>" when anything
// past the buffer changed, or "<result N>" when the result is not the stored length.
template <class... Args>
WideString Format(const WChar* format, Args... args) {
  Guarded buffer(kWsprintfLimit * sizeof(WChar));
  SetLastError(kSentinel);
  const int result = wsprintfW(buffer.as<WChar>(), format, args...);
  if (!buffer.Intact()) return WS("<overrun>");
  WideString text(buffer.as<WChar>());
  if (result != static_cast<int>(text.size()) || GetLastError() != kSentinel)
    return WS("<result or last error>");
  return text;
}

struct NarrowRow {
  const char* what;
  WideString got;
  WideString want;
};

// Narrow text in the ANSI code page: in 1252 the bytes 0x80 to 0x9F are the typographic
// characters (0x80 the euro sign, 0x9F Y with diaeresis), not the C1 controls that widening
// byte for byte would make; in 936 two bytes make one Hanzi. Precision counts characters.
CHECK_CASE(text_codepage, wsprintf_reads_narrow_text_in_the_ansi_code_page) {
  const UINT acp = GetACP();
  std::vector<NarrowRow> rows;
  if (acp == kWestern) {
    rows = {
        {"%hs", Format(WS("[%hs]"), "\x80\x9F\xE9\xFF"), WS("[\u20AC\u0178\u00E9\u00FF]")},
        {"%S", Format(WS("%S"), "\x93q\x94"), WS("\u201Cq\u201D")},
        {"%hS", Format(WS("%hS"), "\x85"), WS("\u2026")},
        {"%C", Format(WS("%C%hc"), '\x80', '\xE9'), WS("\u20AC\u00E9")},
        {"%.2hs", Format(WS("%.2hs|"), "\x80\x99z"), WS("\u20AC\u2122|")},
        {"%5hs", Format(WS("%5hs|"), "\x80"), WS("    \u20AC|")},
    };
  } else if (acp == kGbk) {
    rows = {
        {"%hs", Format(WS("[%hs]"), "\xD6\xD0\xCE\xC4"), WS("[\u4E2D\u6587]")},
        {"%S", Format(WS("%S"), "a\x80z"), WS("a\u20ACz")},
        {"%.1hs", Format(WS("%.1hs|"), "\xD6\xD0\xCE\xC4"), WS("\u4E2D|")},
    };
  } else {
    conformance::SkipOnWine("the checks know the ANSI code pages 1252 and 936 only");
    EXPECT_SAME(acp, kWestern);
  }
  for (const NarrowRow& row : rows) EXPECT_ROW(row.what, row.got, row.want);
}

#ifndef _WIN32
// (Desktop Win32 has no SetSystemDefaultLCID: this check is built for cehost alone.)
// CE documents that changing the locale changes the default ANSI code page with it, and
// SetSystemDefaultLCID takes effect at once; desktop Windows has no such call and fixes the ANSI
// code page when it starts. After the system locale becomes Chinese (PRC), narrow text and CP_ACP
// conversions use code page 936.
CE_ONLY_CASE(text_codepage, ansi_code_page_follows_the_system_locale) {
  SetLastError(kSentinel);
  EXPECT_RESULT(SetSystemDefaultLCID(0x0804) != 0, true);
  EXPECT_SAME(GetACP(), kGbk);
  EXPECT_SAME(Format(WS("%hs|%S"), "\xD6\xD0\xCE\xC4", "\x80"),
              WideString(WS("\u4E2D\u6587|\u20AC")));
  char out[8] = {};
  EXPECT_RESULT(WideCharToMultiByte(CP_ACP, 0, WS("\u4E2D"), 1, out, sizeof out, nullptr, nullptr),
                2);
  EXPECT_SAME(std::string(out), std::string("\xD6\xD0"));
  EXPECT_RESULT(SetSystemDefaultLCID(0x0409) != 0, true);
  EXPECT_SAME(GetACP(), kWestern);
  EXPECT_SAME(Format(WS("%hs"), "\x80"), WideString(WS("\u20AC")));
}
#endif

struct GbkRow {
  const char* what;
  DWORD flags;
  WideString text;           // converted with its terminator (cchWideChar -1)
  const char* default_char;  // null: the code page's own
  const char* bytes;         // expected output, terminator included
  BOOL used;
};

// Code page 936's table beyond the common characters, as the settings log converts (flags 0 and
// WC_COMPOSITECHECK). The euro sign is the single byte 0x80. The private-use characters U+E000
// to U+E765 are the code page's user-defined areas (AAA1-AFFE, F8A1-FEFE, A140-A7A0); other
// private-use characters have no entry. The table is one of UTF-16 units: a surrogate has no
// entry, lone or paired, so a supplementary character becomes two default characters.
CHECK_CASE(text_codepage, wide_char_to_multi_byte_936_beyond_the_common_characters) {
  const DWORD compose = WC_COMPOSITECHECK;
  const WideString pair = WS("a\U0001F600z");
  const GbkRow rows[] = {
      {"euro sign", 0, WS("\u20AC"), nullptr, "\x80", FALSE},
      {"euro sign, WC_COMPOSITECHECK", compose, WS("1\u20AC"), nullptr, "1\x80", FALSE},
      {"U+E000", 0, WS("\uE000"), nullptr, "\xAA\xA1", FALSE},
      {"U+E233", 0, WS("\uE233"), nullptr, "\xAF\xFE", FALSE},
      {"U+E234", 0, WS("\uE234"), nullptr, "\xF8\xA1", FALSE},
      {"U+E4C5", 0, WS("\uE4C5"), nullptr, "\xFE\xFE", FALSE},
      {"U+E4C6", 0, WS("\uE4C6"), nullptr, "\xA1\x40", FALSE},
      {"U+E765", compose, WS("\uE765"), nullptr, "\xA7\xA0", FALSE},
      {"U+F8FF", 0, WS("a\uF8FFz"), nullptr, "a?z", TRUE},
      {"lone high surrogate", 0, WS("a\xD800z"), nullptr, "a?z", TRUE},
      {"lone low surrogate", compose, WS("a\xDC00z"), nullptr, "a?z", TRUE},
      {"high surrogate at the end", 0, WS("a\xDBFF"), nullptr, "a?", TRUE},
      {"surrogate pair", 0, pair, nullptr, "a??z", TRUE},
      {"surrogate pair, WC_COMPOSITECHECK", compose, pair, nullptr, "a??z", TRUE},
      {"surrogate pair, custom default", 0, pair, "*", "a**z", TRUE},
      {"surrogate pair, double-byte default", 0, pair, "\xA1\xA1", "a\xA1\xA1\xA1\xA1z", TRUE},
  };
  for (const GbkRow& row : rows) {
    const std::string expected(row.bytes, std::strlen(row.bytes) + 1);
    SetLastError(kSentinel);
    const int size = WideCharToMultiByte(kGbk, row.flags, row.text.c_str(), -1, nullptr, 0,
                                         row.default_char, nullptr);
    EXPECT_ROW(row.what, size, static_cast<int>(expected.size()));
    Guarded out(16);
    BOOL used = 7;
    const int result = WideCharToMultiByte(kGbk, row.flags, row.text.c_str(), -1, out.as<char>(),
                                           static_cast<int>(out.size()), row.default_char, &used);
    EXPECT_ROW(row.what, result, static_cast<int>(expected.size()));
    EXPECT_ROW(row.what, GetLastError(), kSentinel);
    EXPECT_ROW(row.what, out.Intact(), true);
    if (result > 0) {
      EXPECT_ROW(row.what, std::string(out.as<char>(), static_cast<size_t>(result)), expected);
      EXPECT_ROW(row.what, used, row.used);
    }
  }
}

}  // namespace
