// ce_fopen: the run-time library's streams over the handset's files. A stream is a glibc cookie
// stream on a file handle, so every byte it writes is a WriteFile on the handset (journaled, and
// refused on read-only files like any other write).
#include <cerrno>
#include <cstring>
#include <string_view>

#include "ce/crt.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "cehost/text.h"

namespace {

struct Stream {
  HANDLE handle;
  // Mode "a": every write goes to the end of the file, wherever the pointer was.
  bool append;
};

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_NEGATIVE_SEEK:
      return EINVAL;
    default:
      return EIO;
  }
}

ssize_t StreamRead(void* cookie, char* buffer, size_t size) {
  auto* stream = static_cast<Stream*>(cookie);
  DWORD got = 0;
  if (size > 0x7FFFFFFF) size = 0x7FFFFFFF;
  if (!ReadFile(stream->handle, buffer, static_cast<DWORD>(size), &got, nullptr)) {
    errno = ErrnoOf(GetLastError());
    return -1;
  }
  return got;
}

// Returns the bytes written; 0 on failure, as glibc asks of a cookie writer.
ssize_t StreamWrite(void* cookie, const char* buffer, size_t size) {
  auto* stream = static_cast<Stream*>(cookie);
  if (size > 0x7FFFFFFF) size = 0x7FFFFFFF;
  if (stream->append) {
    LONG high = 0;
    SetFilePointer(stream->handle, 0, &high, FILE_END);
  }
  DWORD written = 0;
  if (!WriteFile(stream->handle, buffer, static_cast<DWORD>(size), &written, nullptr))
    errno = ErrnoOf(GetLastError());
  return written;
}

int StreamSeek(void* cookie, off64_t* offset, int whence) {
  auto* stream = static_cast<Stream*>(cookie);
  DWORD method = whence == SEEK_SET ? FILE_BEGIN : whence == SEEK_CUR ? FILE_CURRENT : FILE_END;
  LONG high = static_cast<LONG>(*offset >> 32);
  DWORD low =
      SetFilePointer(stream->handle, static_cast<LONG>(*offset & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) {
    errno = ErrnoOf(GetLastError());
    return -1;
  }
  *offset = static_cast<off64_t>((static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32) | low);
  return 0;
}

int StreamClose(void* cookie) {
  auto* stream = static_cast<Stream*>(cookie);
  BOOL closed = CloseHandle(stream->handle);
  delete stream;
  return closed ? 0 : -1;
}

struct Mode {
  DWORD access = 0;
  DWORD disposition = 0;
  bool append = false;
  const char* glibc_mode = nullptr;
};

// The run-time modes: r, w or a, then "+" and "b" or "t" in any order. Streams never translate
// line ends: "t" and "b" both give the bytes as written, so a log's lines end as the caller wrote
// them.
bool ParseMode(std::string_view text, Mode* mode) {
  if (text.empty()) return false;
  bool plus = false;
  for (char c : text.substr(1)) {
    if (c == '+') {
      plus = true;
    } else if (c != 'b' && c != 't') {
      return false;
    }
  }
  switch (text[0]) {
    case 'r':
      *mode = {GENERIC_READ, OPEN_EXISTING, false, plus ? "r+" : "r"};
      break;
    case 'w':
      *mode = {GENERIC_WRITE, CREATE_ALWAYS, false, plus ? "w+" : "w"};
      break;
    case 'a':
      *mode = {GENERIC_WRITE, OPEN_ALWAYS, true, plus ? "a+" : "a"};
      break;
    default:
      return false;
  }
  if (plus) mode->access = GENERIC_READ | GENERIC_WRITE;
  return true;
}

}  // namespace

extern "C" FILE* ce_fopen(const char* path, const char* mode) {
  Mode parsed;
  if (!path || !mode || !ParseMode(mode, &parsed)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    errno = EINVAL;
    return nullptr;
  }
  // The 8-bit path is UTF-8 on the host. Other streams may read and write the file meanwhile.
  std::u16string wide = cehost::ToUtf16(path);
  HANDLE handle = CreateFileW(wide.c_str(), parsed.access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, parsed.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoOf(GetLastError());
    return nullptr;
  }
  auto* stream = new Stream{handle, parsed.append};
  cookie_io_functions_t functions = {StreamRead, StreamWrite, StreamSeek, StreamClose};
  FILE* file = fopencookie(stream, parsed.glibc_mode, functions);
  if (!file) {
    CloseHandle(handle);
    delete stream;
    errno = ENOMEM;
  }
  return file;
}
