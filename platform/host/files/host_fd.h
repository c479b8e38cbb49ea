// Host descriptors: owned descriptors, folders read through them, and byte locks on them.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <utility>

namespace cehost {

class HostFd {
 public:
  HostFd() = default;
  // Takes over fd; -1 holds nothing.
  explicit HostFd(int fd) : fd_(fd) {}
  ~HostFd() { reset(); }
  HostFd(HostFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  HostFd& operator=(HostFd&& other) noexcept {
    if (this != &other) reset(std::exchange(other.fd_, -1));
    return *this;
  }
  HostFd(const HostFd&) = delete;
  HostFd& operator=(const HostFd&) = delete;

  // The descriptor, or -1.
  int get() const { return fd_; }
  // True when a descriptor is held.
  bool valid() const { return fd_ >= 0; }
  // Hands the descriptor over to the caller, who closes it.
  int release() { return std::exchange(fd_, -1); }
  // Closes the descriptor held, if any, and holds fd instead.
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// A folder read entry by entry, closed when it goes.
using HostDir = std::unique_ptr<DIR, int (*)(DIR*)>;

// Opens the entry name of the held folder (or "." for the folder itself) for reading its entries,
// never through a symbolic link; null, with errno set, when it cannot.
inline HostDir OpenFolderEntries(int folder, const char* name) {
  int fd = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return HostDir(nullptr, closedir);
  HostDir dir(fdopendir(fd), closedir);
  if (!dir) {
    int error = errno;
    ::close(fd);
    errno = error;
  }
  return dir;
}

// An open-file-description lock request of the given type on one byte at offset.
inline struct flock ByteLock(short type, off_t offset) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = 1;
  // Open-file-description locks have no owning process; the field must be 0.
  lock.l_pid = 0;
  return lock;
}

}  // namespace cehost
