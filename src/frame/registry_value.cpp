#include "frame/registry_value.h"

#include "ce/text.h"

HKEY CreateRegistryKey(HKEY root, LPCWSTR key_path, REGSAM access) {
  // Keys are made without a class.
  static WCHAR no_class[] = u"";
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, key_path, 0, no_class, 0, access, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

HKEY OpenExistingRegistryKey(HKEY root, LPCWSTR key_path) {
  HKEY key = nullptr;
  // CE takes no access mask on an open.
  if (RegOpenKeyExW(root, key_path, 0, 0, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

bool ReadRegistryDword(HKEY root, LPCWSTR key_path, LPCWSTR value_name, DWORD* value) {
  if (!value) return false;
  HKEY key = CreateRegistryKey(root, key_path, KEY_ALL_ACCESS);
  if (!key) return false;
  DWORD data = 0;
  DWORD size = sizeof data;
  // The value's type is not asked for: any 4 bytes count.
  LONG result =
      RegQueryValueExW(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || size != sizeof data) return false;
  *value = data;
  return true;
}

bool WriteRegistryDword(HKEY root, LPCWSTR key_path, LPCWSTR value_name, DWORD value) {
  HKEY key = CreateRegistryKey(root, key_path, KEY_WRITE);
  if (!key) return false;
  bool written = SetDwordValue(key, value_name, value);
  RegCloseKey(key);
  return written;
}

bool QueryDwordOrZero(HKEY key, LPCWSTR value_name, DWORD* value) {
  DWORD data = 0;
  DWORD size = sizeof data;
  bool read = RegQueryValueExW(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data),
                               &size) == ERROR_SUCCESS;
  // A buffer too small for the value holds nothing defined.
  *value = read ? data : 0;
  return read;
}

bool SetDwordValue(HKEY key, LPCWSTR value_name, DWORD value) {
  return RegSetValueExW(key, value_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                        sizeof value) == ERROR_SUCCESS;
}

bool SetStringValue(HKEY key, LPCWSTR value_name, LPCWSTR text) {
  const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(WCHAR));
  return RegSetValueExW(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) ==
         ERROR_SUCCESS;
}

DWORD ReadDwordOfExistingKey(HKEY root, LPCWSTR key_path, LPCWSTR value_name) {
  HKEY key = OpenExistingRegistryKey(root, key_path);
  if (!key) return 0;
  DWORD value = 0;
  QueryDwordOrZero(key, value_name, &value);
  RegCloseKey(key);
  return value;
}
