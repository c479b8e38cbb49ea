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
