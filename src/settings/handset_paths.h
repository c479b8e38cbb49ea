// Paths the resets read from the registry and build from folders and names, in buffers of
// MAX_PATH characters.
#pragma once

#include "ce/registry.h"
#include "ce/types.h"

// A path buffer: MAX_PATH characters and room for a terminator after them, so that a stored path
// that fills the MAX_PATH characters is still terminated.
struct PathBuffer {
  WCHAR text[MAX_PATH + 1];
};

// Reads the string value of an existing key (never created) into path, at most MAX_PATH
// characters; path is empty when the key or the value cannot be read or does not fit.
void ReadStoredPath(HKEY root, LPCWSTR key_path, LPCWSTR value_name, PathBuffer* path);

// Writes folder, a backslash and name into out; false, with out empty, when the whole path does
// not fit MAX_PATH characters with its terminator (it is never cut, so that nothing is done to a
// path other than the one meant).
bool JoinPath(PathBuffer* out, LPCWSTR folder, LPCWSTR name);

// Deletes the file when FindFirstFileW finds it; the search is closed first.
void DeleteFileIfFound(LPCWSTR path);
