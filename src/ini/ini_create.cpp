// Creating a file in the engine's format.
#include <string>

#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/text.h"
#include "frame/path_probe.h"
#include "ini/ini_ops.h"

namespace {

constexpr BYTE kMark[2] = {0xFF, 0xFE};

// True when the existing file opens for reading and begins with the mark.
bool HasMark(LPCWSTR path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BYTE head[2] = {};
  DWORD read = 0;
  bool ok = ReadFile(file, head, sizeof head, &read, nullptr) && read == 2 && head[0] == kMark[0] &&
            head[1] == kMark[1];
  CloseHandle(file);
  return ok;
}

}  // namespace

bool CreateIniFile(LPCWSTR path) {
  if (!path) return false;
  std::u16string_view name(path);
  if (name.size() < 5) return false;
  size_t dot = name.rfind(u'.');
  if (dot == name.npos || _wcsicmp(path + dot, u".INI") != 0) return false;
  size_t slash = name.rfind(u'\\');
  if (slash == name.npos || slash >= MAX_PATH) return false;
  // The folder must exist already; a file directly in the root needs no check.
  std::u16string folder(name.substr(0, slash));
  if (!folder.empty() && !PathExists(folder.c_str())) return false;

  if (PathExists(path)) {
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
      SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (HasMark(path)) return true;
    // Not a file of the engine's: it is replaced by an empty one.
    DeleteFileW(path);
  }
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, kMark, sizeof kMark, &written, nullptr) && written == sizeof kMark;
  CloseHandle(file);
  // A file that did not get its whole mark (a full storage) is no file of the engine's: it goes.
  if (!ok) DeleteFileW(path);
  return ok;
}
