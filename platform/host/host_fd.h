// A host descriptor owned by one object and closed when that object goes.
#pragma once

#include <unistd.h>

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

}  // namespace cehost
