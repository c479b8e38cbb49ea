// Reading the values of a key one by one, whole, as the theme reset copies its templates.
#pragma once

#include <vector>

#include "ce/registry.h"

// One value of a key: its name, type and data.
struct EnumeratedValue {
  std::vector<WCHAR> name;
  DWORD type = 0;
  std::vector<BYTE> data;
  DWORD size = 0;
};

// Reads the value at index of the key into *value, whole: names of up to 254 characters and
// data of up to 255 bytes are read at once, longer ones through buffers of their own size, so
// that no value is cut. ERROR_SUCCESS, ERROR_NO_MORE_ITEMS past the last value, or another
// error for a value that could not be read (the caller goes on with the next index).
LONG ReadValueAt(HKEY key, DWORD index, EnumeratedValue* value);
