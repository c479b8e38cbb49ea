#include "frame/format.h"

#include <cstdarg>
#include <cstring>

#include "ce/text.h"

int FormatInto(WCHAR* out, size_t capacity, LPCWSTR format, ...) {
  if (!out || capacity == 0) return 0;
  // wsprintfW may store up to its own limit; the caller's buffer can be smaller.
  WCHAR line[WSPRINTF_LIMIT];
  va_list args;
  va_start(args, format);
  int length = wvsprintfW(line, format, args);
  va_end(args);
  size_t kept = static_cast<size_t>(length < 0 ? 0 : length);
  if (kept > capacity - 1) {
    kept = capacity - 1;
    if (kept > 0 && line[kept - 1] >= 0xD800 && line[kept - 1] <= 0xDBFF) --kept;
  }
  std::memcpy(out, line, kept * sizeof(WCHAR));
  out[kept] = 0;
  return static_cast<int>(kept);
}
