// The shell's launch call: ShellExecuteEx starts the program a file names, and the process handle
// it hands back.
#pragma once

#include <cstddef>

#include "ce/types.h"

// What to launch and how, and what the launch gave back. The record holds pointers and handles,
// so its size depends on the pointer width: the platform publishes 60 bytes with hProcess at byte
// 56 for its 32-bit pointers; on this host, with 64-bit pointers, it is 112 bytes with hProcess at
// 104. Callers set cbSize to sizeof the record they pass.
typedef struct _SHELLEXECUTEINFO {
  DWORD cbSize;
  ULONG fMask;  // SEE_MASK_* bits
  HWND hwnd;
  LPCWSTR lpVerb;  // "open", or null
  LPCWSTR lpFile;  // the program's CE path
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;           // SW_* show command for the program's window
  HINSTANCE hInstApp;  // out: a value above 32 on success
  LPVOID lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;
  HANDLE hProcess;  // out: the process, with SEE_MASK_NOCLOSEPROCESS; else null
} SHELLEXECUTEINFO, *LPSHELLEXECUTEINFO;
static_assert(sizeof(void*) != 8 || sizeof(SHELLEXECUTEINFO) == 112);
static_assert(sizeof(void*) != 8 || offsetof(SHELLEXECUTEINFO, hProcess) == 104);
static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFO) == 60);
static_assert(sizeof(void*) != 4 || offsetof(SHELLEXECUTEINFO, hProcess) == 56);

#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
#define SEE_MASK_FLAG_NO_UI 0x00000400u

#ifndef SW_SHOW
#define SW_SHOW 5
#endif

extern "C" {

// Launches the program lpFile names with its parameters; nonzero on success (with hProcess set
// when SEE_MASK_NOCLOSEPROCESS asks for it), else FALSE and the last error.
BOOL ShellExecuteEx(LPSHELLEXECUTEINFO lpExecInfo);

// The exit code of the process, or STILL_ACTIVE while it runs; FALSE and the last error for a
// handle that is not a process.
BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);

}  // extern "C"
