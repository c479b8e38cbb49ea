#include "settings/handset_paths.h"

#include <cstring>

#include "ce/files.h"
#include "ce/text.h"
#include "frame/path_probe.h"
#include "frame/registry_value.h"

void ReadStoredPath(HKEY root, LPCWSTR key_path, LPCWSTR value_name, PathBuffer* path) {
  std::memset(path, 0, sizeof *path);
  HKEY key = OpenExistingRegistryKey(root, key_path);
  if (!key) return;
  DWORD size = MAX_PATH * sizeof(WCHAR);
  if (RegQueryValueExW(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(path->text),
                       &size) != ERROR_SUCCESS) {
    std::memset(path, 0, sizeof *path);
  }
  RegCloseKey(key);
}

bool JoinPath(PathBuffer* out, LPCWSTR folder, LPCWSTR name) {
  const size_t folder_length = wcslen(folder);
  const size_t name_length = wcslen(name);
  out->text[0] = 0;
  if (folder_length + 1 + name_length >= MAX_PATH) return false;
  std::memcpy(out->text, folder, folder_length * sizeof(WCHAR));
  out->text[folder_length] = u'\\';
  std::memcpy(out->text + folder_length + 1, name, (name_length + 1) * sizeof(WCHAR));
  return true;
}

void DeleteFileIfFound(LPCWSTR path) {
  if (PathExists(path)) DeleteFileW(path);
}
