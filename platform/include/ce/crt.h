// The platform's C run-time file streams, opened by 8-bit Windows CE paths.
#pragma once

#include <cstdio>

extern "C" {

// Opens a stream on the handset's file with the C run-time's modes ("r", "w", "a", with "+" and
// "b"); null on failure. Writes through the stream are the handset's file writes.
FILE* ce_fopen(const char* path, const char* mode);

}  // extern "C"

// Code of the platform opens its streams with the run-time's own name.
#define fopen ce_fopen
