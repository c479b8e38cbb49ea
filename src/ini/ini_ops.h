// The INI engine's operations: the section test, reads, writes and file creation.
#pragma once

#include "ce/types.h"

// True when the file has a header line for the section; the file must open for reading and
// writing.
bool IniSectionExists(LPCWSTR section, LPCWSTR path);

// True with the key's value in a new[] array the caller deletes with delete[], as the interface
// hands it on; else false (and a null pointer when the value's memory could not be had).
bool ReadIniString(LPCWSTR section, LPCWSTR key, LPWSTR* value, LPCWSTR path);

// True with the key's value read as a decimal number (as wcstol reads it); else false, *value
// untouched.
bool ReadIniInt(LPCWSTR section, LPCWSTR key, INT* value, LPCWSTR path);

// Sets a key (adding it and its section when missing), deletes the key (value null) or the
// section (key null); true on success, also when there was nothing to delete. Names and values
// holding a line end, and keys holding "=", are refused; a failure leaves the file as it was, and
// so does memory for the new text that cannot be had (std::bad_alloc).
bool WriteIniString(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path);

// WriteIniString with the number written in decimal.
bool WriteIniInt(LPCWSTR section, LPCWSTR key, INT value, LPCWSTR path);

// Makes sure the .INI file exists with the mark: a good file is kept (and loses its read-only
// bit), anything else is replaced by the mark alone; true on success.
bool CreateIniFile(LPCWSTR path);
