// ReadFile and WriteFile on a file handle: the bytes at the handle's own file pointer.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "files/file_objects.h"
#include "files/file_system.h"

namespace cehost {
namespace {

// The checks a read or a write makes before any I/O: a count pointer, a buffer unless nothing
// moves, and the handle's access for it. A handle opened without GENERIC_READ (GENERIC_WRITE)
// cannot read (write): ERROR_ACCESS_DENIED, as on desktop Windows. False with the last error set.
bool MayTransfer(const void* buffer, DWORD size, const DWORD* done, bool access) {
  if (!done || (!buffer && size)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!access) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

}  // namespace

BOOL FileObject::Read(void* buffer, DWORD size, DWORD* done) {
  if (!MayTransfer(buffer, size, done, access_.read)) return FALSE;
  auto* bytes = static_cast<char*>(buffer);
  std::lock_guard lock(pointer_mutex_);
  size_t read = 0;
  while (read < size) {
    ssize_t got = pread(fd_, bytes + read, size - read, static_cast<off_t>(pointer + read));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastError(errno == EIO ? ERROR_READ_FAULT : ErrorFromErrno(errno));
      return FALSE;
    }
    if (got == 0) break;
    read += static_cast<size_t>(got);
  }
  pointer += static_cast<int64_t>(read);
  *done = static_cast<DWORD>(read);
  return TRUE;
}

BOOL FileObject::Write(const void* data, DWORD size, DWORD* done) {
  if (!MayTransfer(data, size, done, access_.write)) return FALSE;
  if (size == 0) {
    // Writing nothing only touches the write time; it does not truncate.
    struct timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    futimens(fd_, times);
    return TRUE;
  }
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::lock_guard lock(pointer_mutex_);
  int64_t offset = pointer;
  // On a handset whose storage is limited, only the bytes that fit are written; the room taken
  // and not used goes back.
  struct stat st = {};
  if (fstat(fd_, &st) != 0) st.st_size = 0;
  const auto old_size = static_cast<uint64_t>(st.st_size);
  const uint64_t end = static_cast<uint64_t>(offset) + size;
  const uint64_t allowed_end = files_->storage().Grow(old_size, end);
  const size_t fits =
      allowed_end > static_cast<uint64_t>(offset) ? static_cast<size_t>(allowed_end - offset) : 0;
  size_t written = 0;
  int error = ENOSPC;
  while (written < fits) {
    ssize_t put =
        pwrite(fd_, bytes + written, fits - written, static_cast<off_t>(offset + written));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error = put == 0 ? ENOSPC : errno;
      break;
    }
    written += static_cast<size_t>(put);
  }
  const uint64_t reached = std::max(old_size, static_cast<uint64_t>(offset) + written);
  if (allowed_end > reached) files_->storage().GiveBack(allowed_end - reached);
  if (written > 0) {
    RecordEffect(
        *journal_, EffectKind::kFileWrite,
        {{"path", ce_path_}, {"offset", std::to_string(offset)}, {"size", std::to_string(written)}},
        std::vector<uint8_t>(bytes, bytes + written));
  }
  pointer += static_cast<int64_t>(written);
  *done = static_cast<DWORD>(written);
  if (written < size) {
    SetLastError(ErrorFromErrno(error));
    return FALSE;
  }
  return TRUE;
}

}  // namespace cehost
