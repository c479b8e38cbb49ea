// Reading, writing, moving the pointer and sizing an open file.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "ce/files.h"
#include "files/file_objects.h"
#include "files/file_system.h"
#include "handset/handset_state.h"

namespace {

std::shared_ptr<cehost::FileObject> FileOf(HANDLE handle) {
  auto file = cehost::Current().handles.Get<cehost::FileObject>(handle, cehost::HandleKind::kFile);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

}  // namespace

// lpOverlapped must be null on CE; a non-null one is ignored and the I/O happens at the pointer.
extern "C" BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                         LPDWORD lpNumberOfBytesRead, LPOVERLAPPED /*lpOverlapped*/) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  auto file = FileOf(hFile);
  if (!file) return FALSE;
  if (!lpNumberOfBytesRead || (!lpBuffer && nNumberOfBytesToRead)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A handle opened without GENERIC_READ cannot read: ERROR_ACCESS_DENIED, as on desktop Windows.
  if (!file->access().read) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  auto* buffer = static_cast<char*>(lpBuffer);
  std::lock_guard lock(file->pointer_mutex());
  size_t done = 0;
  while (done < nNumberOfBytesToRead) {
    ssize_t got = pread(file->fd(), buffer + done, nNumberOfBytesToRead - done,
                        static_cast<off_t>(file->pointer + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastError(errno == EIO ? ERROR_READ_FAULT : cehost::ErrorFromErrno(errno));
      return FALSE;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  file->pointer += static_cast<int64_t>(done);
  *lpNumberOfBytesRead = static_cast<DWORD>(done);
  return TRUE;
}

extern "C" BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                          LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED /*lpOverlapped*/) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  auto file = FileOf(hFile);
  if (!file) return FALSE;
  if (!lpNumberOfBytesWritten || (!lpBuffer && nNumberOfBytesToWrite)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!file->access().write) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (nNumberOfBytesToWrite == 0) {
    // Writing nothing only touches the write time; it does not truncate.
    struct timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    futimens(file->fd(), times);
    return TRUE;
  }
  const auto* data = static_cast<const uint8_t*>(lpBuffer);
  std::lock_guard lock(file->pointer_mutex());
  int64_t offset = file->pointer;
  size_t done = 0;
  while (done < nNumberOfBytesToWrite) {
    ssize_t put = pwrite(file->fd(), data + done, nNumberOfBytesToWrite - done,
                         static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (put == 0) errno = ENOSPC;
      break;
    }
    done += static_cast<size_t>(put);
  }
  int error = errno;
  if (done > 0) {
    cehost::RecordEffect(cehost::Current().journal, "file.write",
                         {{"path", file->ce_path()},
                          {"offset", std::to_string(offset)},
                          {"size", std::to_string(done)}},
                         std::vector<uint8_t>(data, data + done));
  }
  file->pointer += static_cast<int64_t>(done);
  *lpNumberOfBytesWritten = static_cast<DWORD>(done);
  if (done < nNumberOfBytesToWrite) {
    SetLastError(cehost::ErrorFromErrno(error));
    return FALSE;
  }
  return TRUE;
}

// On success the last error is left alone, except when the new pointer's low part is
// INVALID_SET_FILE_POINTER: then it is set to 0, so that the pointer can be told from a failure.
extern "C" DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                DWORD dwMoveMethod) {
  auto file = FileOf(hFile);
  if (!file) return INVALID_SET_FILE_POINTER;
  int64_t distance = lDistanceToMove;
  if (lpDistanceToMoveHigh) {
    distance = static_cast<int64_t>(
        (static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
        static_cast<uint32_t>(lDistanceToMove));
  }
  std::lock_guard lock(file->pointer_mutex());
  int64_t base = 0;
  if (dwMoveMethod == FILE_CURRENT) {
    base = file->pointer;
  } else if (dwMoveMethod == FILE_END) {
    struct stat st;
    if (fstat(file->fd(), &st) != 0) {
      SetLastError(cehost::ErrorFromErrno(errno));
      return INVALID_SET_FILE_POINTER;
    }
    base = st.st_size;
  } else if (dwMoveMethod != FILE_BEGIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t target = 0;
  if (__builtin_add_overflow(base, distance, &target) || target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  // Without a high part the new pointer has to fit in 32 bits.
  if (!lpDistanceToMoveHigh && target > 0xFFFFFFFFll) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  file->pointer = target;
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(target >> 32);
  if (static_cast<DWORD>(target) == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(target);
}

extern "C" BOOL SetEndOfFile(HANDLE hFile) {
  auto file = FileOf(hFile);
  if (!file) return FALSE;
  if (!file->access().write) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::lock_guard lock(file->pointer_mutex());
  if (ftruncate(file->fd(), static_cast<off_t>(file->pointer)) != 0) {
    SetLastError(cehost::ErrorFromErrno(errno));
    return FALSE;
  }
  cehost::RecordEffect(cehost::Current().journal, "file.truncate",
                       {{"path", file->ce_path()}, {"size", std::to_string(file->pointer)}});
  return TRUE;
}

// On success the last error is left alone, except for a size whose low part is INVALID_FILE_SIZE:
// then it is set to 0, so that the size can be told from a failure.
extern "C" DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  auto file = FileOf(hFile);
  if (!file) return INVALID_FILE_SIZE;
  struct stat st;
  if (fstat(file->fd(), &st) != 0) {
    SetLastError(cehost::ErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  auto size = static_cast<uint64_t>(st.st_size);
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}
