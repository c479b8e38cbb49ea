#include "settings/setting_keys.h"

namespace {
// Keys are made without a class.
WCHAR g_no_class[] = u"";
}  // namespace

HKEY CreateSettingKey(HKEY root, LPCWSTR key_path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, key_path, 0, g_no_class, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

HKEY OpenSettingKey(HKEY root, LPCWSTR key_path) {
  HKEY key = nullptr;
  // CE takes no access mask on an open.
  if (RegOpenKeyExW(root, key_path, 0, 0, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

bool QuerySettingDword(HKEY key, LPCWSTR value_name, DWORD* value) {
  DWORD data = 0;
  DWORD size = sizeof data;
  bool read = RegQueryValueExW(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data),
                               &size) == ERROR_SUCCESS;
  // A buffer too small for the value holds nothing defined.
  *value = read ? data : 0;
  return read;
}

bool SetSettingDword(HKEY key, LPCWSTR value_name, DWORD value) {
  return RegSetValueExW(key, value_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}
