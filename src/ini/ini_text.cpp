#include "ini/ini_text.h"

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

size_t FindHeader(std::u16string_view text, std::u16string_view section, HeaderRule rule) {
  if (section.empty()) return kNone;
  // The first well-formed header is the first "[" at a line start followed by the name, "]" and
  // a line end: the brackets at line starts are few, so they are what is searched for.
  for (size_t open = FindUnit(text, u'[', 0); open != kNone;
       open = FindUnit(text, u'[', open + 1)) {
    if (!StartsLine(text, open)) continue;
    size_t close = open + 1 + section.size();
    if (close >= text.size() || text[close] != u']') continue;
    if (text.compare(open + 1, section.size(), section) != 0) continue;
    if (EndsHeader(text, close + 1, rule)) return open;
  }
  return kNone;
}

size_t FindSpanEnd(std::u16string_view text, size_t from) {
  for (size_t open = FindUnit(text, u'[', from); open != kNone;
       open = FindUnit(text, u'[', open + 1)) {
    if (StartsLine(text, open)) return open;
  }
  return kNone;
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
