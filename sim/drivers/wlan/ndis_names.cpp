#include "sim/drivers/wlan/ndis_names.h"

#include <cstring>

#include "cehost/text.h"

namespace sim {

std::optional<std::u16string> ReadAdapterName(LPCWSTR name) {
  if (!name) return std::nullopt;
  std::u16string text;
  for (size_t i = 0; i <= kMaxAdapterName; ++i) {
    if (name[i] == u'\0') {
      if (text.empty()) return std::nullopt;
      return text;
    }
    text.push_back(name[i]);
  }
  return std::nullopt;
}

std::optional<std::vector<std::u16string>> ParseAdapterList(const uint8_t* bytes, DWORD size) {
  std::vector<std::u16string> names;
  std::u16string current;
  size_t count = bytes ? size / sizeof(char16_t) : 0;
  for (size_t i = 0; i < count; ++i) {
    char16_t c;
    std::memcpy(&c, bytes + i * sizeof c, sizeof c);
    if (c != u'\0') {
      current.push_back(c);
      continue;
    }
    // An empty name ends the list.
    if (current.empty()) {
      if (names.empty()) return std::nullopt;
      return names;
    }
    names.push_back(std::move(current));
    current.clear();
  }
  return std::nullopt;
}

bool SameAdapter(std::u16string_view a, std::u16string_view b) {
  return cehost::EqualsIgnoreCase(a, b);
}

}  // namespace sim
