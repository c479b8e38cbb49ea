#include "sim/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace sim {

std::filesystem::path JournalFile(const std::filesystem::path& home) {
  return home / "journal.jsonl";
}

std::filesystem::path PanelLock(const std::filesystem::path& home) {
  return home / "panel.lock";
}

bool PanelServes(const std::filesystem::path& home) {
  int fd = open(PanelLock(home).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // A shared lock is refused only while the panel holds its exclusive one.
  bool held = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

}  // namespace sim
