// The platform calls that work on files and folders by name.
#include "ce/files.h"
#include "files/file_system.h"
#include "handset/handset_state.h"

namespace {

// Reports a result the platform way: TRUE, or FALSE with the last error set.
BOOL Result(DWORD error) {
  if (error == 0) return TRUE;
  SetLastError(error);
  return FALSE;
}

}  // namespace

extern "C" DWORD GetFileAttributesW(LPCWSTR lpFileName) {
  cehost::CePath path;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  DWORD error = cehost::ParseCePath(lpFileName, false, &path);
  if (!error) error = cehost::Current().files->GetAttributes(path, &attributes);
  if (error) {
    SetLastError(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributes;
}

extern "C" BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
  auto& state = cehost::Current();
  cehost::CePath path;
  if (DWORD error = cehost::ParseCePath(lpFileName, false, &path)) return Result(error);
  return Result(state.files->SetAttributes(path, dwFileAttributes, state.journal));
}

extern "C" BOOL DeleteFileW(LPCWSTR lpFileName) {
  auto& state = cehost::Current();
  cehost::CePath path;
  if (DWORD error = cehost::ParseCePath(lpFileName, false, &path)) return Result(error);
  return Result(state.files->Delete(path, state.journal));
}

extern "C" BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
  auto& state = cehost::Current();
  cehost::CePath from, to;
  if (DWORD error = cehost::ParseCePath(lpExistingFileName, false, &from)) return Result(error);
  if (DWORD error = cehost::ParseCePath(lpNewFileName, false, &to)) return Result(error);
  return Result(state.files->Copy(from, to, bFailIfExists != FALSE, state.journal));
}

extern "C" BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
  auto& state = cehost::Current();
  cehost::CePath from, to;
  if (DWORD error = cehost::ParseCePath(lpExistingFileName, false, &from)) return Result(error);
  if (DWORD error = cehost::ParseCePath(lpNewFileName, false, &to)) return Result(error);
  return Result(state.files->Move(from, to, state.journal));
}

extern "C" BOOL CreateDirectoryW(LPCWSTR lpPathName,
                                 LPSECURITY_ATTRIBUTES /*lpSecurityAttributes: CE ignores them*/) {
  auto& state = cehost::Current();
  cehost::CePath path;
  if (DWORD error = cehost::ParseCePath(lpPathName, false, &path)) return Result(error);
  return Result(state.files->CreateFolder(path, state.journal));
}

extern "C" BOOL RemoveDirectoryW(LPCWSTR lpPathName) {
  auto& state = cehost::Current();
  cehost::CePath path;
  if (DWORD error = cehost::ParseCePath(lpPathName, false, &path)) return Result(error);
  return Result(state.files->RemoveFolder(path, state.journal));
}
