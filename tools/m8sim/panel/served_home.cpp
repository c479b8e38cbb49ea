#include "served_home.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "cehost/server.h"
#include "errors.h"
#include "sim/journal_file.h"

namespace m8sim {

namespace {

// Has a running handset server look whether a panel serves the home, and follow its journal
// file while one does.
constexpr const char* kFollowJournalFile = R"({"op":"journal.file"})";

}  // namespace

ServedHome::ServedHome(std::filesystem::path home) : home_(std::move(home)) {
  std::filesystem::path lock = sim::PanelLock(home_);
  lock_ = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_ < 0) throw Failure("cannot make " + lock.string() + ": " + std::strerror(errno));
  if (flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    close(lock_);
    throw Failure("another m8sim serve serves the handset at " + home_.string());
  }
  std::filesystem::path journal = sim::JournalFile(home_);
  int fd = open(journal.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    close(lock_);
    throw Failure("cannot make " + journal.string() + ": " + std::strerror(errno));
  }
  close(fd);
  // A handset server that runs already follows the journal file from now on.
  cehost::ControlServer(home_, kFollowJournalFile);
}

ServedHome::~ServedHome() {
  std::error_code ec;
  std::filesystem::remove(sim::JournalFile(home_), ec);
  close(lock_);
  cehost::ControlServer(home_, kFollowJournalFile);
}

std::filesystem::path PanelFiles() {
  if (const char* set = std::getenv("M8SIM_PANEL_FILES"); set && *set) return set;
  return M8SIM_PANEL_SOURCE_DIR;
}

}  // namespace m8sim
