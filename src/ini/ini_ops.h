// The INI engine's operations: the section test, reads, writes and file creation.
#pragma once

#include "ce/types.h"

// 1 when the file has a header line for the section; the file must open for reading and writing.
INT IniSectionExists(LPCWSTR section, LPCWSTR path);

// 1 with the key's value in a new[] array the caller deletes with delete[]; else 0 (and a null
// pointer when the value's memory could not be had).
INT ReadIniString(LPCWSTR section, LPCWSTR key, LPWSTR* value, LPCWSTR path);

// 1 with the key's value read as a decimal number (as wcstol reads it); else 0, *value untouched.
INT ReadIniInt(LPCWSTR section, LPCWSTR key, INT* value, LPCWSTR path);

// Sets a key (adding it and its section when missing), deletes the key (value null) or the
// section (key null); 1 on success, also when there was nothing to delete. Names and values
// holding a line end, and keys holding "=", are refused; a failure leaves the file as it was.
INT WriteIniString(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR path);

// WriteIniString with the number written in decimal.
INT WriteIniInt(LPCWSTR section, LPCWSTR key, INT value, LPCWSTR path);

// Makes sure the .INI file exists with the mark: a good file is kept (and loses its read-only
// bit), anything else is replaced by the mark alone; 1 on success.
INT CreateIniFile(LPCWSTR path);
