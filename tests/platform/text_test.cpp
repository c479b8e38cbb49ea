#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "ce/kernel.h"
#include "ce/locale.h"
#include "ce/text.h"
#include "cehost/text.h"
#include "handset_fixture.h"

namespace {

constexpr int kGuard = 16;
constexpr WCHAR kGuardChar = 0xCCCC;

// Formats into a 1024-character buffer followed by guard characters; checks that the guard is
// untouched, that the output is terminated and that the result is the stored length.
template <typename... Args>
std::u16string Format(const WCHAR* format, Args... args) {
  std::vector<WCHAR> buffer(WSPRINTF_LIMIT + kGuard, kGuardChar);
  int length = wsprintfW(buffer.data(), format, args...);
  EXPECT_GE(length, 0);
  EXPECT_LT(length, WSPRINTF_LIMIT);
  if (length < 0 || length >= WSPRINTF_LIMIT) return u"<bad length>";
  EXPECT_EQ(buffer[length], 0);
  EXPECT_EQ(wcslen(buffer.data()), static_cast<size_t>(length));
  for (int i = WSPRINTF_LIMIT; i < WSPRINTF_LIMIT + kGuard; ++i) {
    EXPECT_EQ(buffer[i], kGuardChar) << "written past the limit at " << i;
  }
  return std::u16string(buffer.data(), length);
}

struct FormatCase {
  const char* what;
  std::u16string got;
  std::u16string want;
};

TEST(WsprintfTest, FormatsEveryConversion) {
  const WCHAR* null_wide = nullptr;
  const char* null_narrow = nullptr;
  const FormatCase cases[] = {
      {"%s", Format(u"[%s]", u"wide"), u"[wide]"},
      {"%S", Format(u"%S", "narrow"), u"narrow"},
      {"%hs in code page 1252", Format(u"%hs|%hS", "caf\xE9", "x"), u"caf\u00E9|x"},
      {"%ls %lS %ws", Format(u"%ls|%lS|%ws", u"a", u"b", u"c"), u"a|b|c"},
      {"null strings", Format(u"%s %hs", null_wide, null_narrow), u"(null) (null)"},
      {"%c > 0xFF", Format(u"%c%lc%lC", u'\u4E2D', u'b', u'c'), u"\u4E2Dbc"},
      {"narrow chars", Format(u"%C%hc%hC", 'x', 'y', 'z'), u"xyz"},
      {"zero char", Format(u"[%C][%c]", 0, 0), u"[][]"},
      {"signed", Format(u"%d %i %ld %li", -1, 2, -3, 4), u"-1 2 -3 4"},
      {"0xFFFFFFFF", Format(u"%u|%d|%lu", 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu),
       u"4294967295|-1|4294967295"},
      {"INT_MIN", Format(u"%d", INT_MIN), u"-2147483648"},
      {"hex", Format(u"%x %X %lx %lX", 0xABCDu, 0xABCDu, 0xDEADBEEFu, 0xDEADBEEFu),
       u"abcd ABCD deadbeef DEADBEEF"},
      {"16-bit", Format(u"%hd %hu", 0x18000, 0x1FFFF), u"-32768 65535"},
      {"%08x", Format(u"%08x", 0xAB), u"000000ab"},
      {"width never cuts", Format(u"%02x", 0x1FF), u"1ff"},
      {"left", Format(u"%-5d|", 42), u"42   |"},
      {"right", Format(u"%5d|", 42), u"   42|"},
      {"zero pad after sign", Format(u"%05d", -42), u"-0042"},
      {"precision digits", Format(u"%.4d|%.3x", 7, 0xA), u"0007|00a"},
      {"precision chars", Format(u"%.2s", u"abc"), u"ab"},
      {"precision and width", Format(u"%5.1s|%-4hs|", u"xyz", "ab"), u"    x|ab  |"},
      {"%#x", Format(u"%#x %#X", 0x1F, 0x1F), u"0x1f 0X1F"},
      {"%#0", Format(u"%#06x", 0xA), u"0x000a"},
      {"%%", Format(u"100%%"), u"100%"},
      {"unknown", Format(u"%y|%5q"), u"y|q"},
      {"%p", Format(u"%p", reinterpret_cast<void*>(0xAB12)), u"000000000000AB12"},
      {"trailing %", Format(u"end %"), u"end "},
      {"mixed", Format(u"%s=%d (%hs)", u"key", 5, "ok"), u"key=5 (ok)"},
  };
  for (const auto& c : cases) EXPECT_EQ(U8(c.got), U8(c.want)) << c.what;
}

TEST(WsprintfTest, StoresAtMost1023CharactersAndTheTerminator) {
  const std::u16string full(1023, u'a');
  EXPECT_EQ(Format(u"%s", full.c_str()), full);
  EXPECT_EQ(Format(u"%s%c", full.substr(1).c_str(), u'z'), full.substr(1) + u'z');

  const std::u16string long_text(1000, u'b');
  EXPECT_EQ(Format(u"%s%s", long_text.c_str(), long_text.c_str()),
            long_text + long_text.substr(0, 23));
  const std::u16string long_format(1500, u'c');
  EXPECT_EQ(Format(long_format.c_str()), long_format.substr(0, 1023));

  // Widths and precisions far beyond the space left fill it and stop.
  EXPECT_EQ(Format(u"ab%2000000000d", 5), u"ab" + std::u16string(1021, u' '));
  EXPECT_EQ(Format(u"%-99999s", u"x"), u"x" + std::u16string(1022, u' '));
  EXPECT_EQ(Format(u"%099999x", 1), std::u16string(1023, u'0'));
  EXPECT_EQ(Format(u"-%.5000d", 1), u"-" + std::u16string(1022, u'0'));
}

TEST(WsprintfTest, NullOutputOrFormatIsHarmless) {
  EXPECT_EQ(wsprintfW(nullptr, u"abc"), 0);
  WCHAR out[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(wsprintfW(out, nullptr), 0);
  EXPECT_EQ(out[0], 0);
}

// A base outside 2..36 converts nothing and leaves the end at the start of the text, with no
// range error; a null end pointer is allowed. (The parsing itself is a conformance check; where a
// bad base leaves the end pointer is cehost's choice.)
TEST(WcstolTest, BadBaseEndsAtTheStartAndTheEndPointerMayBeNull) {
  for (int base : {1, 37}) {
    errno = 0;
    const char16_t* text = u"12";
    WCHAR* end = nullptr;
    EXPECT_EQ(wcstol(text, &end, base), 0) << base;
    EXPECT_EQ(end, text) << base;
    EXPECT_NE(errno, ERANGE) << base;
  }
  EXPECT_EQ(wcstol(u"5", nullptr, 10), 5);
}

TEST(Utf8Test, RoundTrips) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"", ""},
      {u"abc", "abc"},
      {u"caf\u00E9", "caf\xC3\xA9"},
      {u"\u4E2D\u6587", "\xE4\xB8\xAD\xE6\x96\x87"},
      {u"a\U0001F600b",
       "a\xF0\x9F\x98\x80"
       "b"},
      {u"\uFFFF", "\xEF\xBF\xBF"},
  };
  for (const auto& [utf16, utf8] : cases) {
    EXPECT_EQ(cehost::ToUtf8(utf16), utf8);
    EXPECT_EQ(cehost::ToUtf8(utf16.c_str()), utf8);
    EXPECT_EQ(cehost::ToUtf16(utf8), utf16) << utf8;
  }
  EXPECT_EQ(cehost::ToUtf8(static_cast<const char16_t*>(nullptr)), "");
}

TEST(Utf8Test, BadInputBecomesReplacementCharacters) {
  const std::u16string lone_high =
      u"a\xD800"
      u"b";
  EXPECT_EQ(cehost::ToUtf8(lone_high),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(cehost::ToUtf8(u"\xDC00\xD83D"), "\xEF\xBF\xBD\xEF\xBF\xBD");

  const std::pair<std::string, std::u16string> malformed[] = {
      {"\x80", u"\xFFFD"},
      {"\xFF"
       "a",
       u"\xFFFD"
       u"a"},
      {"\xC0\xAF", u"\xFFFD\xFFFD"},                      // overlong '/'
      {"\xE4\xB8", u"\xFFFD"},                            // cut short at the end
      {"\xE4\xB8x", u"\xFFFDx"},                          // cut short by a character
      {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // past U+10FFFF
  };
  for (const auto& [utf8, utf16] : malformed) {
    EXPECT_EQ(U8(cehost::ToUtf16(utf8)), U8(utf16));
  }
}

TEST(CaseTest, ComparesWithoutRegardToCase) {
  // The process runs in the "C" locale, so non-ASCII folding here shows it does not follow it.
  struct {
    const char16_t* a;
    const char16_t* b;
    bool equal;
  } cases[] = {
      {u"Hello", u"hELLO", true},
      {u"caf\u00E9", u"CAF\u00C9", true},
      {u"\u0434\u043E\u043C", u"\u0414\u041E\u041C", true},
      {u"\u00FF", u"\u0178", true},
      {u"abc", u"abd", false},
      {u"ab", u"abc", false},
      {u"\u00DF", u"SS", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(_wcsicmp(c.a, c.b) == 0, c.equal) << U8(c.a);
    EXPECT_EQ(cehost::EqualsIgnoreCase(c.a, c.b), c.equal) << U8(c.a);
    EXPECT_EQ(cehost::FoldCase(c.a) == cehost::FoldCase(c.b), c.equal) << U8(c.a);
  }
  EXPECT_EQ(cehost::FoldCase(u'\u0434'), u'\u0414');
  EXPECT_LT(_wcsicmp(u"apple", u"BANANA"), 0);
  EXPECT_GT(_wcsicmp(u"b", u"A"), 0);
  EXPECT_LT(_wcsicmp(u"ab", u"ABC"), 0);
  EXPECT_EQ(_wcsnicmp(u"abcX", u"ABCy", 3), 0);
  EXPECT_NE(_wcsnicmp(u"abcX", u"ABCy", 4), 0);
}

TEST(WideStringTest, RoutinesWorkOnSixteenBitCharacters) {
  EXPECT_GT(wcscmp(u"\xFFFF", u"a"), 0);  // ordinal, unsigned
  EXPECT_LT(wcscmp(u"ab", u"abc"), 0);
  EXPECT_EQ(wcsncmp(u"abX", u"abY", 2), 0);

  WCHAR buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  wcsncpy(buffer, u"ab", 5);
  EXPECT_EQ(std::u16string(buffer, 6), std::u16string(u"ab\0\0\0#", 6));
  wcsncpy(buffer, u"wxyz", 2);
  EXPECT_EQ(std::u16string(buffer, 3), std::u16string(u"wx\0", 3));
  wcscpy(buffer, u"ab");
  EXPECT_EQ(std::u16string(wcscat(buffer, u"cba")), u"abcba");

  EXPECT_EQ(wcschr(buffer, u'b'), buffer + 1);
  EXPECT_EQ(wcschr(buffer, 0), buffer + 5);
  EXPECT_EQ(wcschr(buffer, u'z'), nullptr);
  EXPECT_EQ(wcsrchr(buffer, u'b'), buffer + 3);
  EXPECT_EQ(wcsstr(buffer, u"cb"), buffer + 2);
  EXPECT_EQ(wcsstr(buffer, u""), buffer);
  EXPECT_EQ(wcsstr(buffer, u"bad"), nullptr);
  const WCHAR* overlapping = u"aaab";
  EXPECT_EQ(wcsstr(overlapping, u"aab"), overlapping + 1);
}

class TraceTest : public HandsetTest {};

TEST_F(TraceTest, DebugPrintPutsTheFormattedLineInTheJournal) {
  NKDbgPrintfW(u"%s: %d%%, %hs\r\n", u"battery \u4E2D", 42, "ok");
  auto entries = handset().journal().Entries("trace");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Field("text"), "battery \xE4\xB8\xAD: 42%, ok\r\n");
}

// The handset's own code pages follow its system locale; the platform's tables are tables of
// single UTF-16 units.
TEST(CodePageTest, AnsiCodePageFollowsTheSystemLocale) {
  sim::Handset handset;
  char out[16];
  BOOL used = FALSE;
  // A supplementary character is two units that the table lacks: two default characters.
  const char16_t text[] = u"\U0001F600\u4E2D";
  int n = WideCharToMultiByte(936, 0, text, 3, out, sizeof out, nullptr, &used);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(std::string(out, 4), "??\xD6\xD0");
  EXPECT_TRUE(used);
  // A handset with no system locale stored is a US English one: code page 1252.
  EXPECT_EQ(GetACP(), 1252u);
  n = WideCharToMultiByte(CP_ACP, 0, u"\u6587\u20AC", 2, out, sizeof out, "*", &used);
  EXPECT_EQ(std::string(out, n), "*\x80");
  EXPECT_TRUE(used);
  WCHAR line[WSPRINTF_LIMIT];
  wsprintfW(line, u"%hs", "\xD6\xD0\x80");
  EXPECT_EQ(std::u16string(line), u"\u00D6\u00D0\u20AC");
  // Chinese (PRC) brings code page 936, for conversions and for narrow text alike.
  ASSERT_TRUE(SetSystemDefaultLCID(0x0804));
  EXPECT_EQ(GetACP(), 936u);
  n = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, u"\u6587", 1, out, sizeof out, "*", &used);
  EXPECT_EQ(std::string(out, n), "\xCE\xC4");
  EXPECT_FALSE(used);
  wsprintfW(line, u"%hs|%C", "\xD6\xD0\x80", 'a');
  EXPECT_EQ(std::u16string(line), u"\u4E2D\u20AC|a");
  // Code pages the handset's image does not hold, and flags no code page takes.
  EXPECT_EQ(WideCharToMultiByte(1250, 0, u"a", 1, out, sizeof out, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WideCharToMultiByte(936, 0x1000, u"a", 1, out, sizeof out, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

}  // namespace
