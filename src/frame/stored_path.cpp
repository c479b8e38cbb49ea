#include "frame/stored_path.h"

#include "ce/text.h"

void ReadStoredPath(HKEY root, LPCWSTR key_path, LPCWSTR value_name, WCHAR* path) {
  path[0] = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, key_path, 0, 0, &key) != ERROR_SUCCESS) return;
  // One place more than is read keeps a value that fills the buffer terminated.
  WCHAR value[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH * sizeof(WCHAR);
  LONG result =
      RegQueryValueExW(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  // A value that does not fit, or fills the buffer without its terminator, is refused.
  if (result != ERROR_SUCCESS || wcslen(value) >= MAX_PATH) return;
  wcscpy(path, value);
}
