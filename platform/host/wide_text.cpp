#include "cehost/text.h"

namespace cehost {
std::string ToUtf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out.push_back(static_cast<char>(c));
  return out;
}
std::string ToUtf8(const char16_t* text) { return text ? ToUtf8(std::u16string_view(text)) : ""; }
}  // namespace cehost
