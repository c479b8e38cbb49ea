// The bytes of an INI file: the mark FF FE and the UTF-16LE text.
#pragma once

#include <string>
#include <vector>

inline std::vector<unsigned char> IniBytes(const std::u16string& text, bool mark = true) {
  std::vector<unsigned char> bytes;
  if (mark) bytes = {0xFF, 0xFE};
  for (char16_t c : text) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>(c >> 8));
  }
  return bytes;
}
