#include "ini/ini_text.h"

namespace ini {

namespace {

bool StartsLine(std::u16string_view text, size_t pos) {
  return pos == 0 || text[pos - 1] == u'\n';
}

bool EndsHeader(std::u16string_view text, size_t after, HeaderRule rule) {
  if (after == text.size()) return true;
  if (rule == HeaderRule::kExistence) return text[after] == u'\r';
  return text[after] == u'\n' ||
         (text[after] == u'\r' && after + 1 < text.size() && text[after + 1] == u'\n');
}

}  // namespace

size_t FindHeader(std::u16string_view text, std::u16string_view section, HeaderRule rule) {
  if (section.empty()) return kNone;
  for (size_t hit = text.find(section); hit != kNone; hit = text.find(section, hit + 1)) {
    if (hit == 0 || text[hit - 1] != u'[' || !StartsLine(text, hit - 1)) continue;
    size_t close = hit + section.size();
    if (close >= text.size() || text[close] != u']') continue;
    if (EndsHeader(text, close + 1, rule)) return hit - 1;
  }
  return kNone;
}

size_t FindSpanEnd(std::u16string_view text, size_t from) {
  for (size_t open = text.find(u'[', from); open != kNone; open = text.find(u'[', open + 1)) {
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
  for (size_t hit = text.find(key, from); hit != kNone; hit = text.find(key, hit + 1)) {
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
  size_t lf = text.find(u'\n', key_hit);
  size_t end = lf == kNone ? text.size() : lf;
  if (lf != kNone && lf > start && text[lf - 1] == u'\r') end = lf - 1;
  return text.substr(start, end - start);
}

}  // namespace ini
