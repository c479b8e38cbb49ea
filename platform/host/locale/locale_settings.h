// Where the handset keeps its locales, and which locales it has.
#pragma once

#include <optional>

#include "ce/types.h"

namespace cehost {

// An installed locale and the code pages it brings.
struct InstalledLocale {
  LCID lcid;
  DWORD ansi_code_page;
  DWORD oem_code_page;
};

// The installed locale of that identifier (sort identifier included), or none.
std::optional<InstalledLocale> FindInstalledLocale(LCID lcid);

// The locale every setting falls back to: US English.
inline constexpr LCID kFallbackLocale = 0x0409;
// Its ANSI code page, which the system falls back to.
inline constexpr DWORD kFallbackAnsiCodePage = 1252;

// Reads a DWORD setting (REG_DWORD, or REG_SZ of hexadecimal digits); none when the key or value
// is missing or unreadable.
std::optional<DWORD> ReadLocaleValue(HKEY root, const char16_t* key, const char16_t* value);

// Writes a REG_DWORD setting, making the key; a registry error code.
LONG WriteDwordSetting(HKEY root, const char16_t* key, const char16_t* value, DWORD data);

// Writes a REG_SZ setting of hexadecimal digits ("0804" with digits 4), making the key; a
// registry error code.
LONG WriteHexSetting(HKEY root, const char16_t* key, const char16_t* value, DWORD data, int digits);

}  // namespace cehost
