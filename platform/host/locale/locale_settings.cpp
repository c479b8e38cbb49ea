#include "locale/locale_settings.h"

#include <string>
#include <vector>

#include "ce/errors.h"
#include "ce/registry.h"

namespace cehost {

namespace {

// The locales of the handset's image: its languages' locales with their ANSI and OEM code pages.
constexpr InstalledLocale kInstalled[] = {
    {0x0409, 1252, 437},  // English (United States)
    {0x0804, 936, 936},   // Chinese (PRC)
    {0x0404, 950, 950},   // Chinese (Taiwan)
    {0x040C, 1252, 850},  // French (France)
};

// Reads hexadecimal digits; none when the text is empty, too long or holds anything else.
std::optional<DWORD> ParseHex(std::u16string_view text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  DWORD value = 0;
  for (char16_t c : text) {
    int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                : c >= u'a' && c <= u'f' ? c - u'a' + 10
                : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                         : -1;
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<DWORD>(digit);
  }
  return value;
}

LONG WriteValue(HKEY root, const char16_t* key, const char16_t* value, DWORD type, const void* data,
                DWORD size) {
  HKEY handle = nullptr;
  LONG result = RegCreateKeyExW(root, key, 0, nullptr, 0, 0, nullptr, &handle, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExW(handle, value, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  return result;
}

}  // namespace

std::optional<InstalledLocale> FindInstalledLocale(LCID lcid) {
  for (const auto& locale : kInstalled) {
    if (locale.lcid == lcid) return locale;
  }
  return std::nullopt;
}

std::optional<DWORD> ReadLocaleValue(HKEY root, const char16_t* key, const char16_t* value) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key, 0, 0, &handle) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  std::optional<DWORD> result;
  if (RegQueryValueExW(handle, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<BYTE> data(size + sizeof(char16_t));
    if (RegQueryValueExW(handle, value, nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
      if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        for (int i = 3; i >= 0; --i) number = (number << 8) | data[static_cast<size_t>(i)];
        result = number;
      } else if (type == REG_SZ) {
        std::u16string text(reinterpret_cast<const char16_t*>(data.data()), size / 2);
        while (!text.empty() && text.back() == u'\0') text.pop_back();
        result = ParseHex(text);
      }
    }
  }
  RegCloseKey(handle);
  return result;
}

LONG WriteDwordSetting(HKEY root, const char16_t* key, const char16_t* value, DWORD data) {
  BYTE bytes[4] = {static_cast<BYTE>(data), static_cast<BYTE>(data >> 8),
                   static_cast<BYTE>(data >> 16), static_cast<BYTE>(data >> 24)};
  return WriteValue(root, key, value, REG_DWORD, bytes, sizeof bytes);
}

LONG WriteHexSetting(HKEY root, const char16_t* key, const char16_t* value, DWORD data,
                     int digits) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += kDigits[(data >> shift) & 15];
  return WriteValue(root, key, value, REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
}

}  // namespace cehost
