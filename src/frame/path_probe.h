// Looking a path up the way the library does before it opens anything.
#pragma once

#include "ce/types.h"

// True when FindFirstFileW finds the path (a file or a folder); the search is closed at once.
bool PathExists(LPCWSTR path);
