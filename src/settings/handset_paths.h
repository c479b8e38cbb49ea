// Paths the resets build from folders and names, in buffers of MAX_PATH characters.
#pragma once

#include "ce/types.h"

// Writes folder, a backslash and name into out, a buffer of MAX_PATH characters; false, with
// out empty, when the whole path does not fit with its terminator. A path is never cut, so that
// nothing is done to another path than the one meant.
bool JoinPath(WCHAR* out, LPCWSTR folder, LPCWSTR name);

// Deletes the file when FindFirstFileW finds it; the search is closed first.
void DeleteFileIfFound(LPCWSTR path);
