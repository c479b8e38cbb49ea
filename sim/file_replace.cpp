#include "sim/file_replace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace sim {

bool ReplaceFileContents(const std::filesystem::path& path, const std::string& text) {
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
  if (whole && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}

}  // namespace sim
