#include "sim/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

// Exchanges the files and removes the one that was at path; false (nothing changed) when there
// is no file at path, or the file system cannot exchange.
bool Exchange(const std::string& temporary, const std::filesystem::path& path) {
  if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) != 0)
    return false;
  std::remove(temporary.c_str());
  return true;
}

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& path, const std::string& text,
                         Replacement replacement) {
  std::string temporary = path.string() + ".XXXXXX";
  int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  // The new file keeps the old one's permissions (mkstemp makes it readable by its owner only).
  struct stat old;
  fchmod(fd, stat(path.c_str(), &old) == 0 ? old.st_mode & 07777 : 0644);
  size_t written = 0;
  while (written < text.size()) {
    ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  bool whole = written == text.size();
  if (close(fd) != 0) whole = false;
  if (whole && replacement == Replacement::kExchange && Exchange(temporary, path)) return true;
  if (whole && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}

}  // namespace sim
