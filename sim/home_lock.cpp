#include "sim/home_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "sim/default_handset.h"

namespace sim {

std::filesystem::path HomeParent(const std::filesystem::path& home) {
  // "a/handset/" names the folder "a/handset", whose parent is "a".
  std::filesystem::path named = home.has_filename() ? home : home.parent_path();
  std::filesystem::path parent = named.parent_path();
  return parent.empty() ? "." : parent;
}

HomeLock::HomeLock(const std::filesystem::path& home) {
  std::filesystem::path parent = HomeParent(home);
  std::error_code ec;
  std::filesystem::create_directories(parent, ec);
  if (ec) throw HandsetInitError("cannot make " + parent.string() + ": " + ec.message());
  fd_ = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0)
    throw HandsetInitError("cannot open " + parent.string() + ": " + std::strerror(errno));
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    // A file system without locks: the handset is still made aside and put in place without
    // replacing anything, which keeps a missing home safe; only the waiting is lost.
    if (errno == ENOLCK || errno == EOPNOTSUPP) break;
    int error = errno;
    close(fd_);
    throw HandsetInitError("cannot lock " + parent.string() + ": " + std::strerror(error));
  }
}

HomeLock::~HomeLock() {
  // Closing the only descriptor lets the lock go.
  close(fd_);
}

}  // namespace sim
