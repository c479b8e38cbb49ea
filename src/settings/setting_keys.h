// Registry keys and 32-bit values as the settings read and write them.
#pragma once

#include "ce/registry.h"

// Opens the key with full access, creating it when missing; null when it can be neither.
HKEY CreateSettingKey(HKEY root, LPCWSTR key_path);

// Opens an existing key, never creating it; null when it is missing or cannot be opened.
HKEY OpenSettingKey(HKEY root, LPCWSTR key_path);

// Reads the value into a 4-byte buffer preset to 0, whatever its type: shorter data fills the low
// bytes. False when the query fails, and *value is then 0.
bool QuerySettingDword(HKEY key, LPCWSTR value_name, DWORD* value);

// Writes the value as REG_DWORD; true when it was written.
bool SetSettingDword(HKEY key, LPCWSTR value_name, DWORD value);
