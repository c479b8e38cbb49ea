// Kernel objects shared by every family of platform calls: handles and the debug print.
#pragma once

#include "ce/errors.h"
#include "ce/types.h"

extern "C" {

// Closes a file, event, thread, device or queue handle; FALSE and ERROR_INVALID_HANDLE for any
// other value (search handles close with FindClose, keys with RegCloseKey).
BOOL CloseHandle(HANDLE hObject);

// Formats one line like wsprintfW and hands it to the debug trace.
void NKDbgPrintfW(LPCWSTR lpszFmt, ...);

}  // extern "C"
