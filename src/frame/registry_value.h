// One REG_DWORD registry value under a root key.
#pragma once

#include "ce/registry.h"

// Reads the value into *value; TRUE only when exactly 4 bytes came back. A missing key is
// created, empty; on failure *value keeps what the caller put there.
BOOL ReadRegistryDword(HKEY root, LPCWSTR key_path, LPCWSTR value_name, DWORD* value);

// Writes the value as REG_DWORD, creating the key when missing; TRUE when it was written.
BOOL WriteRegistryDword(HKEY root, LPCWSTR key_path, LPCWSTR value_name, DWORD value);
