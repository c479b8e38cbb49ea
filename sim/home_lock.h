// A lock that processes making or first using a handset home hold, so that one of them makes
// the handset and the others find it whole.
#pragma once

#include <filesystem>

namespace sim {

class HomeLock {
 public:
  // Waits for and takes the lock of the home: an exclusive flock on the folder that holds the
  // home (made when missing), which the home's own making does not replace. Throws
  // HandsetInitError when that folder cannot be made or opened.
  explicit HomeLock(const std::filesystem::path& home);
  // Lets the lock go.
  ~HomeLock();
  HomeLock(const HomeLock&) = delete;
  HomeLock& operator=(const HomeLock&) = delete;

 private:
  int fd_ = -1;
};

// The folder that holds the home ("." for a home named without one).
std::filesystem::path HomeParent(const std::filesystem::path& home);

}  // namespace sim
