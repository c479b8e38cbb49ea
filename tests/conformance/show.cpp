// Printable forms of the values the checks compare, the same on cehost and on Win32.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "check.h"

#ifndef _WIN32
#include "cehost/text.h"
#endif

namespace conformance {

namespace {

std::string Hex(uint64_t value, int bits) {
  if (bits < 64) value &= (uint64_t{1} << bits) - 1;
  char text[24];
  std::snprintf(text, sizeof text, "0x%" PRIX64, value);
  return text;
}

// The text in double quotes, with quotes, backslashes and control characters escaped.
std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// UTF-8 of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string Utf8(const WideString& text) {
  if (text.empty()) return {};
#ifdef _WIN32
  // The conversion must not disturb the last error that a check is about to look at.
  DWORD saved = GetLastError();
  int length = static_cast<int>(text.size());
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
  }
  SetLastError(saved);
  return out;
#else
  return cehost::ToUtf8(text);
#endif
}

}  // namespace

std::string ShowSigned(int64_t value, int bits) {
  return std::to_string(value) + " (" + Hex(static_cast<uint64_t>(value), bits) + ")";
}

std::string ShowUnsigned(uint64_t value, int bits) {
  return std::to_string(value) + " (" + Hex(value, bits) + ")";
}

std::string Show(const void* pointer) {
  if (!pointer) return "null";
  return Hex(reinterpret_cast<uintptr_t>(pointer), static_cast<int>(sizeof(void*) * 8));
}

std::string Show(const std::string& text) {
  return Quote(text);
}

std::string Show(const char* text) {
  return text ? Quote(text) : "null";
}

std::string Show(const WideString& text) {
  return Quote(Utf8(text));
}

std::string Show(const WCHAR* text) {
  return text ? Show(WideString(text)) : "null";
}

std::string Show(const std::vector<uint8_t>& bytes) {
  std::string out = "[";
  for (size_t i = 0; i < bytes.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X", bytes[i]);
    if (i) out += ' ';
    out += byte;
  }
  return out + "]";
}

}  // namespace conformance
