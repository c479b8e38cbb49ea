#include "sim/regfile/reg_decode.h"

#include "cehost/text.h"
#include "sim/regfile/reg_file.h"

namespace sim {

namespace {

// True when the text is well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    if (byte >= 0xC2 && byte < 0xE0)
      extra = 1;
    else if (byte >= 0xE0 && byte < 0xF0)
      extra = 2;
    else if (byte >= 0xF0 && byte < 0xF5)
      extra = 3;
    else if (byte >= 0x80)
      return false;
    if (i + extra >= text.size()) return false;
    uint32_t code = extra ? byte & (0x3F >> extra) : byte;
    for (size_t k = 1; k <= extra; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code < 0xE000))) ||
        (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::u16string Widen8Bit(std::string_view text) {
  if (IsUtf8(text)) return cehost::ToUtf16(text);
  std::u16string out;
  for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

std::u16string DecodeRegBytes(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    if (bytes.size() % 2) {
      size_t lines = 1;
      for (char16_t c : text) lines += c == u'\n';
      throw RegFileError("line " + std::to_string(lines) +
                         ": the UTF-16 text ends in half a character");
    }
    return text;
  }
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return Widen8Bit(text);
}

}  // namespace sim
