// Share markers and guards: the fcntl open-file-description locks behind system-wide sharing.
#include <fcntl.h>

#include <cerrno>

#include "files/host_fd.h"
#include "files/share_locks.h"

namespace cehost {

namespace {

// The marker bytes, far past the end of any data a file of the handset can have.
constexpr off_t kMarkers = off_t{1} << 62;
constexpr off_t kReads = kMarkers + 0;
constexpr off_t kWrites = kMarkers + 1;
constexpr off_t kRefusesRead = kMarkers + 2;
constexpr off_t kRefusesWrite = kMarkers + 3;
constexpr off_t kRefusesDelete = kMarkers + 4;

// True when another open file description holds a lock on the marker byte. A failed look counts
// as nobody; a host without these locks fails the taking instead (HoldShareMarkers).
bool Held(int fd, off_t marker) {
  struct flock lock = ByteLock(F_WRLCK, marker);
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}

bool Hold(int fd, off_t marker) {
  struct flock lock = ByteLock(F_RDLCK, marker);
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

bool ShareConflict(int fd, DataAccess access, DWORD share) {
  // A handle without data access (access 0, for querying) takes part on neither side.
  if (access.none()) return false;
  return (access.read && Held(fd, kRefusesRead)) || (access.write && Held(fd, kRefusesWrite)) ||
         (!(share & FILE_SHARE_READ) && Held(fd, kReads)) ||
         (!(share & FILE_SHARE_WRITE) && Held(fd, kWrites));
}

bool HoldShareMarkers(int fd, DataAccess access, DWORD share) {
  // Every handle that does not share delete keeps the file from being deleted, renamed or
  // replaced, a query handle included.
  if (!(share & FILE_SHARE_DELETE) && !Hold(fd, kRefusesDelete)) return false;
  if (access.none()) return true;
  return (!access.read || Hold(fd, kReads)) && (!access.write || Hold(fd, kWrites)) &&
         ((share & FILE_SHARE_READ) || Hold(fd, kRefusesRead)) &&
         ((share & FILE_SHARE_WRITE) || Hold(fd, kRefusesWrite));
}

bool EveryHandleSharesDelete(int fd) {
  return !Held(fd, kRefusesDelete);
}

off_t GuardOffset(const struct stat& st) {
  return static_cast<off_t>(st.st_ino & ((uint64_t{1} << 62) - 1));
}

FileGuard::FileGuard(int lock_fd, const struct stat& st)
    : lock_fd_(lock_fd), offset_(GuardOffset(st)) {
  if (lock_fd_ < 0) return;
  struct flock lock = ByteLock(F_WRLCK, offset_);
  while (fcntl(lock_fd_, F_OFD_SETLKW, &lock) != 0) {
    if (errno != EINTR) {
      // Without the lock the guard holds nothing; the caller's own mutex still serialises its
      // process.
      lock_fd_ = -1;
      return;
    }
  }
}

FileGuard::~FileGuard() {
  if (lock_fd_ < 0) return;
  struct flock lock = ByteLock(F_UNLCK, offset_);
  fcntl(lock_fd_, F_OFD_SETLK, &lock);
}

}  // namespace cehost
