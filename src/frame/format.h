// Formatting into the library's fixed-size buffers.
#pragma once

#include "ce/types.h"

// Formats like wsprintfW into a buffer of capacity characters (the terminator included); text
// that does not fit is cut, never between the two halves of a surrogate pair. Returns the
// characters stored.
int FormatInto(WCHAR* out, size_t capacity, LPCWSTR format, ...);
