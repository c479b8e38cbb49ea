// Copying wide text into the fixed-size fields of the platform's records.
#pragma once

#include <cstddef>

#include "ce/types.h"

// Copies text into a field of capacity characters (the terminator included), cut after capacity - 1
// characters when it does not fit, and terminates it; returns the characters copied. Nothing is
// written when capacity is 0.
size_t CopyWideBounded(WCHAR* field, size_t capacity, LPCWSTR text);

// CopyWideBounded into a field whose capacity is its array size.
template <size_t N>
size_t CopyWideBounded(WCHAR (&field)[N], LPCWSTR text) {
  return CopyWideBounded(field, N, text);
}

// CopyWideBounded, but a cut never leaves the first half of a surrogate pair at the end: the
// field holds whole characters only.
size_t CopyWideWhole(WCHAR* field, size_t capacity, LPCWSTR text);

// CopyWideWhole into a field whose capacity is its array size.
template <size_t N>
size_t CopyWideWhole(WCHAR (&field)[N], LPCWSTR text) {
  return CopyWideWhole(field, N, text);
}
