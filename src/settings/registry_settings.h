// Fixed registry values as the resets write them: a table of names with their numbers or texts,
// written in table order into one key.
#pragma once

#include <initializer_list>

#include "ce/registry.h"

// One value of a reset: a REG_DWORD number, or a REG_SZ text when text is not null.
struct RegistrySetting {
  LPCWSTR name;
  DWORD number;
  LPCWSTR text;
};

// A REG_DWORD setting.
constexpr RegistrySetting Number(LPCWSTR name, DWORD number) {
  return {name, number, nullptr};
}
// A REG_SZ setting.
constexpr RegistrySetting Text(LPCWSTR name, LPCWSTR text) {
  return {name, 0, text};
}

// Writes each setting into the open key, in order; a write that fails does not stop the others.
void WriteSettings(HKEY key, std::initializer_list<RegistrySetting> settings);

// Writes the settings into an existing key, never creating it; false when it cannot be opened
// (nothing is written then).
bool WriteSettingsToExistingKey(HKEY root, LPCWSTR path,
                                std::initializer_list<RegistrySetting> settings);

// Writes the settings into the key, creating it (full access) when missing; false when it can be
// neither made nor opened.
bool WriteSettingsToKey(HKEY root, LPCWSTR path, std::initializer_list<RegistrySetting> settings);
