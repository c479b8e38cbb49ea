#include "frame/registry_value.h"

namespace {
// Keys are made without a class.
WCHAR g_no_class[] = u"";
}  // namespace

BOOL ReadRegistryDword(HKEY root, LPCWSTR key_path, LPCWSTR value_name, DWORD* value) {
  if (!value) return FALSE;
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, key_path, 0, g_no_class, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return FALSE;
  }
  DWORD data = 0;
  DWORD size = sizeof data;
  // The value's type is not asked for: any 4 bytes count.
  LONG result =
      RegQueryValueExW(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || size != sizeof data) return FALSE;
  *value = data;
  return TRUE;
}

BOOL WriteRegistryDword(HKEY root, LPCWSTR key_path, LPCWSTR value_name, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, key_path, 0, g_no_class, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return FALSE;
  }
  LONG result = RegSetValueExW(key, value_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                               sizeof value);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}
