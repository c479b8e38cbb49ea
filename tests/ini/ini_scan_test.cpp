// The searches a load and a read make over a file's characters: the unit scan at every width the
// processor has, and the line brackets noted part by part.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ini/ini_text.h"
#include "ini/unit_scan.h"

namespace {

using ini::ScanWidth;

// One unit at a time: what every width must answer.
size_t Expected(const std::u16string& units, size_t from, char16_t c) {
  for (size_t i = from; i < units.size(); ++i)
    if (units[i] == c || units[i] == 0) return i;
  return units.size();
}

TEST(IniScanTest, EveryWidthStopsAtTheFirstUnitOrNul) {
  // Fillers share a byte with "[" or have the high bit set, so that a compare of the wrong width
  // or sign would take them for the unit or for NUL.
  const char16_t fillers[] = {u'a', 0x5B00, 0x015B, 0x805B, 0x8000, 0xFFFF, 0x0001, u' '};
  const char16_t sought[] = {u'[', 0x8BBE, 0};
  for (ScanWidth width :
       {ScanWidth::kWord, ScanWidth::kSse2, ScanWidth::kAvx2, ScanWidth::kAvx512}) {
    if (!ini::CanScanAt(width)) continue;
    for (char16_t c : sought) {
      for (size_t length = 0; length <= 160; ++length) {
        std::u16string units;
        for (size_t i = 0; i < length; ++i) units += fillers[(i * 5 + length) % 8];
        // No hit; a hit at each place; a NUL before, on and right after each hit.
        std::vector<std::u16string> texts = {units};
        for (size_t hit = 0; hit < length; ++hit) {
          std::u16string with_hit = units;
          with_hit[hit] = c;
          texts.push_back(with_hit);
          for (size_t nul : {hit - 1, hit + 1}) {
            if (nul >= length) continue;
            std::u16string with_nul = with_hit;
            with_nul[nul] = 0;
            texts.push_back(with_nul);
          }
        }
        for (const auto& text : texts) {
          for (size_t from : {size_t{0}, size_t{1}, size_t{3}}) {
            if (from > text.size()) continue;
            const char16_t* begin = text.data();
            size_t got = static_cast<size_t>(
                ini::ScanToUnitOrNulAt(width, begin + from, begin + text.size(), c) - begin);
            ASSERT_EQ(got, Expected(text, from, c))
                << "width " << static_cast<int>(width) << " unit " << static_cast<int>(c)
                << " length " << length << " from " << from;
          }
        }
      }
    }
  }
}

TEST(IniScanTest, TextFunctionsEndAtTheFirstNul) {
  const std::u16string text(u"ab\0[c\nd", 7);
  EXPECT_EQ(ini::FindUnit(text, u'[', 0), ini::kNone);
  EXPECT_EQ(ini::FindUnit(text, u'b', 0), 1u);
  EXPECT_EQ(ini::FindUnit(text, 0, 0), 2u);
  EXPECT_EQ(ini::FindUnitOrEnd(text, u'x', 0), 2u);
  EXPECT_EQ(ini::FindUnitOrEnd(text, u'[', 3), 3u);
  EXPECT_EQ(ini::FindUnitOrEnd(text, u'x', 4), text.size());
  EXPECT_EQ(ini::TextLength(text), 2u);
  EXPECT_EQ(ini::TextLength(u"abc"), 3u);
  // A value ends at a NUL as at the end of the text; a CR before it stays.
  const std::u16string value(u"k=v\r\0x\r\n", 8);
  EXPECT_EQ(ini::ValueAt(value, 0, 1), std::u16string_view(u"v\r"));
}

struct BracketCase {
  const char* what;
  std::u16string text;
  ini::LineBrackets brackets;
  size_t end;
};

TEST(IniScanTest, LineBracketsAreTheSameWhereverTheTextIsCut) {
  const BracketCase cases[] = {
      {"headers", u"[A]\r\n  k=1\r\n[B]", {0, 12}, 15},
      {"LF alone", u"[A]\n[B]\n", {0, 4}, 8},
      {"not at a line start", u"x[A]\r\n  k=[v]\r [C]", {}, 18},
      {"after a CR alone", u"[A]\r[B]", {0}, 7},
      {"none before the NUL", std::u16string(u"[A]\n\0\n[B]", 9), {0}, 4},
      {"NUL right after a bracket", std::u16string(u"\n[\0[", 4), {1}, 2},
      {"empty", u"", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // Noted in two parts cut at every place, as a load notes them part by part.
    for (size_t cut = 0; cut <= c.text.size(); ++cut) {
      ini::LineBrackets brackets;
      size_t end = ini::AddLineBrackets(c.text, 0, cut, &brackets);
      if (end == cut) end = ini::AddLineBrackets(c.text, cut, c.text.size(), &brackets);
      EXPECT_EQ(brackets, c.brackets) << "cut at " << cut;
      EXPECT_EQ(end, c.end) << "cut at " << cut;
    }
  }
}

}  // namespace
