#include "files/file_objects.h"

#include <unistd.h>

#include <utility>

namespace cehost {

FileObject::FileObject(FileSystem* files, Journal* journal, int fd, const struct stat& st,
                       std::string ce_path, DataAccess access)
    : HandleObject(HandleKind::kFile),
      files_(files),
      journal_(journal),
      fd_(fd),
      device_(st.st_dev),
      inode_(st.st_ino),
      ce_path_(std::move(ce_path)),
      access_(access) {}

FileObject::~FileObject() {
  if (tracked_) files_->Untrack(*this);
  ::close(fd_);
}

FindObject::FindObject(std::vector<WIN32_FIND_DATAW> entries)
    : HandleObject(HandleKind::kFind), entries_(std::move(entries)) {}

bool FindObject::Next(WIN32_FIND_DATAW* out) {
  std::lock_guard lock(mutex_);
  if (next_ >= entries_.size()) return false;
  *out = entries_[next_++];
  return true;
}

}  // namespace cehost
