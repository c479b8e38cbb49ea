#include "frame/path_probe.h"

#include "ce/files.h"

bool PathExists(LPCWSTR path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}
