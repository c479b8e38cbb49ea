// Paths the handset's settings keep in the registry.
#pragma once

#include "ce/registry.h"
#include "ce/types.h"

// Reads the path stored as the string value of an existing key (never created) into path, a
// buffer of MAX_PATH characters; path is empty when the key or the value cannot be read, or
// when the stored path does not fit MAX_PATH characters with its terminator.
void ReadStoredPath(HKEY root, LPCWSTR key_path, LPCWSTR value_name, WCHAR* path);
