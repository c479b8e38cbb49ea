// Moving the pointer of an open file and sizing it.
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
  struct stat st;
  if (fstat(file->fd(), &st) != 0) {
    SetLastError(cehost::ErrorFromErrno(errno));
    return FALSE;
  }
  // Growing takes room on the handset's storage, when that is limited; cutting gives it back.
  const auto old_size = static_cast<uint64_t>(st.st_size);
  const auto new_size = static_cast<uint64_t>(file->pointer);
  cehost::StorageLimit& storage = file->storage();
  if (new_size > old_size && !storage.TakeAll(new_size - old_size)) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  if (ftruncate(file->fd(), static_cast<off_t>(file->pointer)) != 0) {
    if (new_size > old_size) storage.GiveBack(new_size - old_size);
    SetLastError(cehost::ErrorFromErrno(errno));
    return FALSE;
  }
  if (new_size < old_size) storage.GiveBack(old_size - new_size);
  cehost::RecordEffect(file->journal(), cehost::EffectKind::kFileTruncate,
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
