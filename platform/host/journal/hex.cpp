// Hexadecimal text, as the journal shows bytes and numbers.
#include <cinttypes>
#include <cstdio>

#include "cehost/journal.h"

namespace cehost {

std::string HexBytes(const uint8_t* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 15]);
  }
  return out;
}

std::string HexNumber(uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*" PRIx64, digits, value);
  return text;
}

}  // namespace cehost
