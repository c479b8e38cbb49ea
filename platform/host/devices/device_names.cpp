#include "devices/device_names.h"

#include "cehost/text.h"

namespace cehost {

namespace {

bool IsAsciiLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool PrefixedPart(std::u16string_view name, std::u16string_view prefix, std::u16string_view* part) {
  if (!name.empty() && name[0] == u'\\') name.remove_prefix(1);
  if (name.size() <= prefix.size() || !EqualsIgnoreCase(name.substr(0, prefix.size()), prefix)) {
    return false;
  }
  *part = name.substr(prefix.size());
  return true;
}

}  // namespace

bool IsLegacyName(std::u16string_view name) {
  return name.size() == 5 && IsAsciiLetter(name[0]) && IsAsciiLetter(name[1]) &&
         IsAsciiLetter(name[2]) && name[3] >= u'0' && name[3] <= u'9' && name[4] == u':';
}

bool DeviceNamePart(std::u16string_view name, std::u16string_view* part) {
  return PrefixedPart(name, u"$device\\", part);
}

bool BusNamePart(std::u16string_view name, std::u16string_view* part) {
  return PrefixedPart(name, u"$bus\\", part);
}

std::u16string_view DeviceNameOf(std::u16string_view legacy_name) {
  if (!legacy_name.empty() && legacy_name.back() == u':') legacy_name.remove_suffix(1);
  return legacy_name;
}

bool MatchesPattern(std::u16string_view pattern, std::u16string_view name) {
  // Greedy matching with one backtrack point: the last "*" seen.
  size_t p = 0, n = 0, star = std::u16string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace cehost
