// Files and folders of the handset's one tree, rooted at "\".
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
// Lets the file be deleted, renamed or replaced while the handle is open. Desktop Windows
// documents it; CE's documentation leaves it unconfirmed, and cehost follows desktop Windows.
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_INROM 0x00000040u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100u
#define FILE_ATTRIBUTE_COMPRESSED 0x00000800u
#define FILE_ATTRIBUTE_ROMSTATICREF 0x00001000u
#define FILE_ATTRIBUTE_ROMMODULE 0x00002000u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_OVERLAPPED 0x40000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu

typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;

// The Windows CE layout of a search result.
typedef struct _WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;
static_assert(sizeof(WIN32_FIND_DATAW) == 560);
static_assert(offsetof(WIN32_FIND_DATAW, cFileName) == 40);

extern "C" {

// Opens or creates a file with the given access, share mode and disposition; INVALID_HANDLE_VALUE
// and the last error on failure.
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);

// Reads up to nNumberOfBytesToRead bytes at the file pointer; at the end, TRUE with 0 bytes.
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);

// Writes the bytes at the file pointer; writing 0 bytes changes nothing.
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);

// Moves the file pointer and returns its new low 32 bits; INVALID_SET_FILE_POINTER on failure.
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                     DWORD dwMoveMethod);

// Makes the file end at the file pointer, shrinking or growing it.
BOOL SetEndOfFile(HANDLE hFile);

// The file's size, low 32 bits; INVALID_FILE_SIZE with a nonzero last error on failure.
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);

// Starts a search for names that match the pattern's last component (* and ?, case ignored).
HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);

// The search's next match; FALSE with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);

// Ends a search.
BOOL FindClose(HANDLE hFindFile);

// The attribute bits of a file or folder; INVALID_FILE_ATTRIBUTES and the last error on failure.
DWORD GetFileAttributesW(LPCWSTR lpFileName);

// Sets the read-only, hidden, system, archive or normal bits of a file or folder.
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);

// Deletes a file that is not read-only and that every handle open on it shares delete.
BOOL DeleteFileW(LPCWSTR lpFileName);

// Copies a file with its attributes; with bFailIfExists an existing target stays untouched.
BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);

// Renames or moves a file or folder; the new name must not exist, and every handle open on a
// file moved must share delete.
BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);

// Deletes the file lpszDestFile and gives its name to lpszSourceFile, in one step: the name
// never stands empty. The destination must exist and not be read-only, and every handle open on
// either file must share delete; the source keeps its attributes. (cehost's choices where the
// platform's documentation is silent.)
BOOL DeleteAndRenameFile(LPCWSTR lpszDestFile, LPCWSTR lpszSourceFile);

// Creates one folder whose parent exists.
BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);

// Removes an empty folder.
BOOL RemoveDirectoryW(LPCWSTR lpPathName);

}  // extern "C"
