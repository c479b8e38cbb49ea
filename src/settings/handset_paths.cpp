#include "settings/handset_paths.h"

#include <cstring>

#include "ce/files.h"
#include "ce/text.h"
#include "frame/path_probe.h"

bool JoinPath(WCHAR* out, LPCWSTR folder, LPCWSTR name) {
  const size_t folder_length = wcslen(folder);
  const size_t name_length = wcslen(name);
  out[0] = 0;
  if (folder_length + 1 + name_length >= MAX_PATH) return false;
  std::memcpy(out, folder, folder_length * sizeof(WCHAR));
  out[folder_length] = u'\\';
  std::memcpy(out + folder_length + 1, name, (name_length + 1) * sizeof(WCHAR));
  return true;
}

void DeleteFileIfFound(LPCWSTR path) {
  if (PathExists(path)) DeleteFileW(path);
}
