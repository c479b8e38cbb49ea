#include "settings/value_enumeration.h"

namespace {

// The buffers a value is first read into.
constexpr DWORD kNameCharacters = 255;
constexpr DWORD kDataBytes = 255;
// The longest value name the registry holds, with its terminator.
constexpr DWORD kLongestValueName = 16384;

LONG Enumerate(HKEY key, DWORD index, EnumeratedValue* value, DWORD name_capacity,
               DWORD data_capacity) {
  value->name.assign(name_capacity, 0);
  value->data.assign(data_capacity, 0);
  DWORD name_length = name_capacity;
  value->size = data_capacity;
  return RegEnumValueW(key, index, value->name.data(), &name_length, nullptr, &value->type,
                       data_capacity ? value->data.data() : nullptr, &value->size);
}

}  // namespace

LONG ReadValueAt(HKEY key, DWORD index, EnumeratedValue* value) {
  LONG result = Enumerate(key, index, value, kNameCharacters, kDataBytes);
  if (result != ERROR_MORE_DATA) return result;
  // A longer name or more data than the first buffers hold: the data's size is asked for with
  // a name buffer that holds any name, then the value is read again into buffers that fit.
  value->name.assign(kLongestValueName, 0);
  DWORD name_length = kLongestValueName;
  DWORD needed = 0;
  result = RegEnumValueW(key, index, value->name.data(), &name_length, nullptr, &value->type,
                         nullptr, &needed);
  if (result != ERROR_SUCCESS) return result;
  return Enumerate(key, index, value, kLongestValueName, needed);
}
