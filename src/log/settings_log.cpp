#include "log/settings_log.h"

#include <cstdio>

#include "ce/crt.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/text.h"
#include "frame/format.h"
#include "frame/path_probe.h"

namespace {
constexpr size_t kLineChars = 512;
constexpr int kLineBytes = 1024;
constexpr const WCHAR* kLogPath = u"\\Disk\\Application Data\\Log\\Settings.txt";

// Cuts the log back to size bytes: a line the storage could not take whole goes, so that the
// next line does not run on from its piece.
void CutLog(LONG size) {
  HANDLE file = CreateFileW(kLogPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  if (SetFilePointer(file, size, nullptr, FILE_BEGIN) == static_cast<DWORD>(size))
    SetEndOfFile(file);
  CloseHandle(file);
}

}  // namespace

void WriteSettingsLog(LPCWSTR message, int with_timestamp) {
  if (!message) return;
  // The library never makes the folder: without it, logging is off.
  if (!PathExists(u"\\Disk\\Application Data\\Log")) return;

  FILE* log = ce::fopen("\\Disk\\Application Data\\Log\\Settings.txt", "a");
  if (!log) return;
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  WCHAR line[kLineChars] = {};
  // The line always ends in CR LF: an over-long message is cut before it.
  WCHAR head[64] = {};
  int head_length = 0;
  if (with_timestamp) {
    head_length = FormatInto(head, 64, u"[%d/%d/%d, %d:%d:%d]: ", now.wYear, now.wMonth, now.wDay,
                             now.wHour, now.wMinute, now.wSecond);
  }
  size_t room = kLineChars - 1 - static_cast<size_t>(head_length) - 2;
  WCHAR text[kLineChars] = {};
  FormatInto(text, room + 1, u"%s", message);
  FormatInto(line, kLineChars, u"%s%s\r\n", head, text);

  char bytes[kLineBytes] = {};
  int count = WideCharToMultiByte(936, WC_COMPOSITECHECK, line, static_cast<int>(wcslen(line)),
                                  bytes, kLineBytes, nullptr, nullptr);
  if (count <= 0) {
    fclose(log);
    return;
  }
  long start = fseek(log, 0, SEEK_END) == 0 ? ftell(log) : -1;
  bool whole = fwrite(bytes, 1, static_cast<size_t>(count), log) == static_cast<size_t>(count) &&
               fflush(log) == 0;
  fclose(log);
  if (!whole && start >= 0) CutLog(static_cast<LONG>(start));
}
