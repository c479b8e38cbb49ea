#include "ini/ini_text.h"

#include <algorithm>

#include "ini/unit_scan.h"

namespace ini {

size_t FindUnitOrEnd(std::u16string_view text, char16_t c, size_t from) {
  if (from >= text.size()) return text.size();
  const char16_t* begin = text.data();
  return static_cast<size_t>(ScanToUnitOrNul(begin + from, begin + text.size(), c) - begin);
}

size_t FindUnit(std::u16string_view text, char16_t c, size_t from) {
  size_t at = FindUnitOrEnd(text, c, from);
  return at < text.size() && text[at] == c ? at : kNone;
}

size_t FindText(std::u16string_view text, std::u16string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : kNone;
  for (size_t hit = FindUnit(text, needle[0], from); hit != kNone;
       hit = FindUnit(text, needle[0], hit + 1)) {
    if (text.size() - hit < needle.size()) return kNone;
    if (text.compare(hit, needle.size(), needle) == 0) return hit;
  }
  return kNone;
}

namespace {

bool StartsLine(std::u16string_view text, size_t pos) {
  return pos == 0 || text[pos - 1] == u'\n';
}

bool EndsHeader(std::u16string_view text, size_t after, HeaderRule rule) {
  // The end of the text ends the header under both rules.
  if (after == text.size() || text[after] == 0) return true;
  if (rule == HeaderRule::kExistence) return text[after] == u'\r';
  return text[after] == u'\n' ||
         (text[after] == u'\r' && after + 1 < text.size() && text[after + 1] == u'\n');
}

}  // namespace

size_t AddLineBrackets(std::u16string_view text, size_t from, size_t to, LineBrackets* brackets) {
  std::u16string_view part = text.substr(0, to);
  for (size_t at = FindUnitOrEnd(part, u'[', from); at < part.size();
       at = FindUnitOrEnd(part, u'[', at + 1)) {
    if (part[at] == 0) return at;
    if (StartsLine(text, at)) brackets->push_back(at);
  }
  return part.size();
}

size_t FindHeader(std::u16string_view text, const LineBrackets& brackets,
                  std::u16string_view section, HeaderRule rule) {
  if (section.empty()) return kNone;
  // The first well-formed header is the first line bracket followed by the name, "]" and a line
  // end.
  // The brackets of a large file lie far apart, each on a line of its own in memory: the lines of
  // the brackets a few ahead are asked for while this one is looked at.
  constexpr size_t kAhead = 8;
  for (size_t i = 0; i < brackets.size(); ++i) {
    if (i + kAhead < brackets.size()) __builtin_prefetch(text.data() + brackets[i + kAhead]);
    size_t open = brackets[i];
    size_t close = open + 1 + section.size();
    if (close >= text.size() || text[close] != u']') continue;
    if (text.compare(open + 1, section.size(), section) != 0) continue;
    if (EndsHeader(text, close + 1, rule)) return open;
  }
  return kNone;
}

size_t FindSpanEnd(const LineBrackets& brackets, size_t from) {
  auto next = std::lower_bound(brackets.begin(), brackets.end(), from);
  return next == brackets.end() ? kNone : *next;
}

size_t LineStart(std::u16string_view text, size_t pos) {
  size_t lf = text.rfind(u'\n', pos == 0 ? 0 : pos - 1);
  return pos == 0 || lf == kNone ? 0 : lf + 1;
}

size_t FindKey(std::u16string_view text, std::u16string_view key, size_t from, size_t span_end) {
  if (key.empty()) return kNone;
  for (size_t hit = FindText(text, key, from); hit != kNone; hit = FindText(text, key, hit + 1)) {
    if (span_end != kNone && hit >= span_end) return kNone;
    size_t after = hit + key.size();
    if (after >= text.size() || text[after] != u'=') continue;
    // Only a name that begins its line (after the indentation) is a key: "APN" is not found
    // inside "MMSAPN=" nor inside a value that holds "APN=".
    size_t start = hit;
    while (start > from && text[start - 1] == u' ') --start;
    if (StartsLine(text, start)) return hit;
  }
  return kNone;
}

std::u16string_view ValueAt(std::u16string_view text, size_t key_hit, size_t key_length) {
  size_t start = key_hit + key_length + 1;
  size_t end = FindUnitOrEnd(text, u'\n', key_hit);
  if (end < text.size() && text[end] == u'\n' && end > start && text[end - 1] == u'\r') --end;
  return text.substr(start, end - start);
}

}  // namespace ini
