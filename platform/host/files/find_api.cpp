// FindFirstFileW, FindNextFileW, FindClose: searches by handle.
#include "ce/files.h"
#include "files/file_objects.h"
#include "files/file_system.h"
#include "handset/handset_state.h"

extern "C" HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
  auto& state = cehost::Current();
  cehost::CePath pattern;
  DWORD error = lpFindFileData ? cehost::ParseCePath(lpFileName, true, &pattern)
                               : static_cast<DWORD>(ERROR_INVALID_PARAMETER);
  std::vector<WIN32_FIND_DATAW> found;
  if (!error) error = state.files->Find(pattern, &found);
  if (error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_shared<cehost::FindObject>(std::move(found));
  search->Next(lpFindFileData);
  return cehost::HandleTable::ToHandle<HANDLE>(state.handles.Insert(std::move(search)));
}

extern "C" BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
  // A device search is of the same kind: only a file search answers here.
  auto search = std::dynamic_pointer_cast<cehost::FindObject>(cehost::Current().handles.Find(
      cehost::HandleTable::ValueOf(hFindFile), cehost::HandleKind::kFind));
  if (!search) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!lpFindFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!search->Next(lpFindFileData)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

// Closes a search of any kind: of files or of devices.
extern "C" BOOL FindClose(HANDLE hFindFile) {
  if (!cehost::Current().handles.Remove(cehost::HandleTable::ValueOf(hFindFile),
                                        cehost::HandleKind::kFind)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
