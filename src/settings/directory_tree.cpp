#include "settings/directory_tree.h"

#include "ce/files.h"
#include "ce/text.h"
#include "settings/handset_paths.h"

namespace {

bool IsPlainFolder(DWORD attributes) {
  return attributes == FILE_ATTRIBUTE_DIRECTORY;
}

bool IsDotEntry(LPCWSTR name) {
  return wcscmp(name, u".") == 0 || wcscmp(name, u"..") == 0;
}

}  // namespace

int DeleteDirectoryTree(LPCWSTR path) {
  if (!IsPlainFolder(GetFileAttributesW(path))) return 1;
  WCHAR pattern[MAX_PATH];
  // A folder whose search pattern does not fit is not searched: its entries, and so the folder,
  // stay.
  if (!JoinPath(pattern, path, u"*.*")) return 0;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (IsDotEntry(found.cFileName)) continue;
      WCHAR entry[MAX_PATH];
      // An entry whose path does not fit is left alone rather than reached by a cut path, which
      // could name another file.
      if (!JoinPath(entry, path, found.cFileName)) continue;
      DWORD attributes = GetFileAttributesW(entry);
      if (attributes == INVALID_FILE_ATTRIBUTES) continue;
      if (IsPlainFolder(attributes)) {
        DeleteDirectoryTree(entry);
      } else {
        DeleteFileW(entry);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryW(path) ? 1 : 0;
}
