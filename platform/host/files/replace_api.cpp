// DeleteAndRenameFile: a file takes the place of another.
#include "ce/files.h"
#include "files/file_system.h"
#include "handset/handset_state.h"

extern "C" BOOL DeleteAndRenameFile(LPCWSTR lpszDestFile, LPCWSTR lpszSourceFile) {
  auto& state = cehost::Current();
  cehost::CePath dest, source;
  DWORD error = cehost::ParseCePath(lpszDestFile, false, &dest);
  if (!error) error = cehost::ParseCePath(lpszSourceFile, false, &source);
  if (!error) error = state.files->Replace(dest, source, state.journal);
  if (error == 0) return TRUE;
  SetLastError(error);
  return FALSE;
}
