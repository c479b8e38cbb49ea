#include "frame/wide_copy.h"

#include <cstring>

#include "ce/text.h"

size_t CopyWideBounded(WCHAR* field, size_t capacity, LPCWSTR text) {
  if (capacity == 0) return 0;
  size_t length = wcslen(text);
  if (length > capacity - 1) length = capacity - 1;
  std::memcpy(field, text, length * sizeof(WCHAR));
  field[length] = 0;
  return length;
}

size_t CopyWideWhole(WCHAR* field, size_t capacity, LPCWSTR text) {
  size_t length = CopyWideBounded(field, capacity, text);
  bool cut = text[length] != 0;
  if (cut && length > 0 && field[length - 1] >= 0xD800 && field[length - 1] <= 0xDBFF) {
    field[--length] = 0;
  }
  return length;
}
