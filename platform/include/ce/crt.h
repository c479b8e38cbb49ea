// The platform's C run-time file streams, opened by 8-bit Windows CE paths.
#pragma once

// The C library's own declarations come first, so that the names below stand for the handset's
// streams and console wherever this header is included.
#include <cstdio>
#include <cwchar>

#include "ce/types.h"

extern "C" {

// Formats like wsprintfW and prints the line on the debug console; returns the characters
// printed.
int ce_wprintf(const WCHAR* format, ...);

// Opens a stream on the handset's file with the C run-time's modes ("r", "w", "a", with "+" and
// "b"); null on failure. Writes through the stream are the handset's file writes.
FILE* ce_fopen(const char* path, const char* mode);

}  // extern "C"

// Code of the platform opens its streams with the run-time's own name.
#define fopen ce_fopen
#define wprintf ce_wprintf
