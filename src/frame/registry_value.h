// Registry keys and their 32-bit values, as every family of the library reads and writes them.
//
// The three reads differ on purpose, each named for what it does:
// - ReadRegistryDword: makes a missing key, needs exactly 4 bytes, keeps the caller's value when
//   the read fails (callers put their default there first);
// - QueryDwordOrZero: reads from a key already open, takes up to 4 bytes (shorter data fills the
//   low bytes), gives 0 when the read fails;
// - ReadDwordOfExistingKey: never makes the key; reads as QueryDwordOrZero, 0 when the key is
//   missing.
#pragma once

#include "ce/registry.h"

// Opens the key with the access, creating it (without a class) when missing; null when it can be
// neither.
HKEY CreateRegistryKey(HKEY root, LPCWSTR key_path, REGSAM access);

// Opens an existing key, never creating it; null when it is missing or cannot be opened.
HKEY OpenExistingRegistryKey(HKEY root, LPCWSTR key_path);

// Reads the value, whatever its type, into *value; true only when exactly 4 bytes came back. A
// missing key is created (full access), empty; on failure *value keeps what the caller put there,
// and a null value touches nothing.
bool ReadRegistryDword(HKEY root, LPCWSTR key_path, LPCWSTR value_name, DWORD* value);

// Writes the value as REG_DWORD, creating the key (write access) when missing; true when written.
bool WriteRegistryDword(HKEY root, LPCWSTR key_path, LPCWSTR value_name, DWORD value);

// Reads the value of an open key into a 4-byte buffer preset to 0, whatever its type: shorter data
// fills the low bytes. False when the query fails (longer data included), and *value is then 0.
bool QueryDwordOrZero(HKEY key, LPCWSTR value_name, DWORD* value);

// Writes the value of an open key as REG_DWORD; true when it was written.
bool SetDwordValue(HKEY key, LPCWSTR value_name, DWORD value);

// Writes the value of an open key as REG_SZ, the text with its terminator; true when written.
bool SetStringValue(HKEY key, LPCWSTR value_name, LPCWSTR text);

// The value of an existing key read as QueryDwordOrZero reads it; 0 when the key or the value
// cannot be read. The key is never created.
DWORD ReadDwordOfExistingKey(HKEY root, LPCWSTR key_path, LPCWSTR value_name);
