// Setting up and reading back the registry values the settings use.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ce/registry.h"

// A value as stored: its type and bytes.
struct StoredValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
  bool operator==(const StoredValue&) const = default;
};

// The 4 bytes of a REG_DWORD value.
inline StoredValue Dword(DWORD value) {
  return {REG_DWORD,
          {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
           static_cast<BYTE>(value >> 24)}};
}

// A REG_SZ value of the text, with its terminator.
inline StoredValue Sz(std::u16string_view text) {
  StoredValue value{REG_SZ, {}};
  for (char16_t c : std::u16string(text) + u'\0') {
    value.bytes.push_back(static_cast<BYTE>(c));
    value.bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  return value;
}

// Stores the value, making its key.
inline void Store(HKEY root, LPCWSTR path, LPCWSTR name, const StoredValue& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, value.type, value.bytes.data(),
                           static_cast<DWORD>(value.bytes.size())),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

// Makes the key, empty.
inline void MakeKey(HKEY root, LPCWSTR path) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegCloseKey(key);
}

// True when the key exists.
inline bool KeyExists(HKEY root, LPCWSTR path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, 0, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The value as stored, or nothing when it or its key is missing.
inline std::optional<StoredValue> Load(HKEY root, LPCWSTR path, LPCWSTR name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, 0, &key) != ERROR_SUCCESS) return std::nullopt;
  StoredValue value;
  value.bytes.resize(64);
  DWORD size = static_cast<DWORD>(value.bytes.size());
  LONG rc = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  value.bytes.resize(size);
  return value;
}
