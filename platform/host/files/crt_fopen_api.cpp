// ce_fopen: the run-time library's streams over the handset's files. A stream is a glibc cookie
// stream on a file handle, so every byte it writes is a WriteFile on the handset (journaled, and
// refused on read-only files like any other write).
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "ce/crt.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/locale.h"
#include "text/code_page_table.h"

namespace {

struct Stream {
  HANDLE handle;
  // Mode "a": every write goes to the end of the file, wherever the pointer was.
  bool append;
  // Mode "t": line ends are translated.
  bool text;
  // In text mode, the byte read after a CR that ended a read, when it was no LF; -1: none.
  int pending = -1;
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

// In text mode CR LF reads as LF (a CR alone stays); a CR at the end of one read is paired with
// the byte after it, which is kept for the next read when it is no LF.
ssize_t StreamRead(void* cookie, char* buffer, size_t size) {
  auto* stream = static_cast<Stream*>(cookie);
  if (size > 0x7FFFFFFF) size = 0x7FFFFFFF;
  size_t have = 0;
  if (stream->pending >= 0 && size > 0) {
    buffer[have++] = static_cast<char>(stream->pending);
    stream->pending = -1;
  }
  DWORD got = 0;
  if (have < size &&
      !ReadFile(stream->handle, buffer + have, static_cast<DWORD>(size - have), &got, nullptr)) {
    if (have == 0) {
      errno = ErrnoOf(GetLastError());
      return -1;
    }
    got = 0;
  }
  have += got;
  if (!stream->text) return static_cast<ssize_t>(have);
  size_t kept = 0;
  for (size_t i = 0; i < have; ++i) {
    char c = buffer[i];
    if (c == '\r') {
      if (i + 1 < have) {
        if (buffer[i + 1] == '\n') {
          c = '\n';
          ++i;
        }
      } else {
        char next = 0;
        DWORD one = 0;
        if (ReadFile(stream->handle, &next, 1, &one, nullptr) && one == 1) {
          if (next == '\n') {
            c = '\n';
          } else {
            stream->pending = static_cast<unsigned char>(next);
          }
        }
      }
    }
    buffer[kept++] = c;
  }
  return static_cast<ssize_t>(kept);
}

// Returns the bytes of the caller's data written; 0 on failure, as glibc asks of a cookie writer.
// In text mode each LF is written as CR LF.
ssize_t StreamWrite(void* cookie, const char* buffer, size_t size) {
  auto* stream = static_cast<Stream*>(cookie);
  if (size > 0x7FFFFFFF / 2) size = 0x7FFFFFFF / 2;
  if (stream->append) {
    LONG high = 0;
    SetFilePointer(stream->handle, 0, &high, FILE_END);
  }
  std::string translated;
  const char* bytes = buffer;
  size_t length = size;
  if (stream->text) {
    translated.reserve(size + size / 8);
    for (size_t i = 0; i < size; ++i) {
      if (buffer[i] == '\n') translated.push_back('\r');
      translated.push_back(buffer[i]);
    }
    bytes = translated.data();
    length = translated.size();
  }
  DWORD written = 0;
  if (!WriteFile(stream->handle, bytes, static_cast<DWORD>(length), &written, nullptr))
    errno = ErrnoOf(GetLastError());
  if (written == length) return static_cast<ssize_t>(size);
  if (!stream->text) return written;
  // A short write in text mode: the caller's bytes whose translation went out whole.
  size_t consumed = 0;
  for (size_t out = 0; consumed < size; ++consumed) {
    const size_t next = out + (buffer[consumed] == '\n' ? 2 : 1);
    if (next > written) break;
    out = next;
  }
  return static_cast<ssize_t>(consumed);
}

int StreamSeek(void* cookie, off64_t* offset, int whence) {
  auto* stream = static_cast<Stream*>(cookie);
  // A byte kept after a CR is given back to the file.
  if (stream->pending >= 0) {
    stream->pending = -1;
    if (whence == SEEK_CUR) *offset -= 1;
  }
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
  bool text = false;
};

// The run-time modes: r, w or a, then "+" and one of "b" and "t", in any order. "t" translates
// line ends as the run-time documents text mode: LF is written as CR LF, CR LF is read as LF.
// "b" never translates. Neither letter gives the stream the handset's default mode, which is
// untranslated: the run-time has no global text-mode default to set, and the settings log,
// opened with "a" alone, writes its lines with their own CR LF and needs its bytes written
// exactly (a translating default would write CR CR LF).
bool ParseMode(std::string_view text, Mode* mode) {
  if (text.empty()) return false;
  bool plus = false;
  bool binary = false;
  bool translated = false;
  for (char c : text.substr(1)) {
    if (c == '+') {
      plus = true;
    } else if (c == 'b') {
      binary = true;
    } else if (c == 't') {
      translated = true;
    } else {
      return false;
    }
  }
  if (binary && translated) return false;
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
  mode->text = translated;
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
  // The 8-bit path is in the ANSI code page, as the run-time reads narrow names. Other streams
  // may read and write the file meanwhile.
  std::u16string wide = cehost::DecodeBytes(GetACP(), path);
  HANDLE handle = CreateFileW(wide.c_str(), parsed.access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, parsed.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = ErrnoOf(GetLastError());
    return nullptr;
  }
  auto* stream = new Stream{handle, parsed.append, parsed.text};
  cookie_io_functions_t functions = {StreamRead, StreamWrite, StreamSeek, StreamClose};
  FILE* file = fopencookie(stream, parsed.glibc_mode, functions);
  if (!file) {
    CloseHandle(handle);
    delete stream;
    errno = ENOMEM;
  }
  return file;
}
