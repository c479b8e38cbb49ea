// The platform's C run-time file streams, opened by 8-bit Windows CE paths, and its console print.
#pragma once

#include <cstdio>

#include "ce/types.h"

extern "C" {

// Formats like wsprintfW and prints the line on the debug console; returns the characters
// printed.
int ce_wprintf(const WCHAR* format, ...);

// Opens a stream on the handset's file, named in the ANSI code page, with the C run-time's modes
// ("r", "w", "a", with "+" and "b" or "t"); null on failure. A "t" stream writes "\n" as CR LF and
// reads CR LF as "\n"; any other stream reads and writes the file's bytes as they are. Writes
// through the stream are the handset's file writes.
FILE* ce_fopen(const char* path, const char* mode);

}  // extern "C"

// The run-time's own names for the two calls, as functions of the platform's namespace: the host C
// library keeps its fopen and wprintf whatever the order of includes.
namespace ce {

// Opens a stream on the handset's file, as ce_fopen.
inline FILE* fopen(const char* path, const char* mode) {
  return ce_fopen(path, mode);
}

// Prints a formatted line on the handset's debug console, as ce_wprintf.
template <class... Args>
inline int wprintf(const WCHAR* format, Args... args) {
  return ce_wprintf(format, args...);
}

}  // namespace ce
