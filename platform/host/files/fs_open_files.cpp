// This process's open files, for the one question share locks cannot answer: whether a file
// below a folder is open (a folder holding an open file is not moved).
#include "files/file_objects.h"
#include "files/file_system.h"

namespace cehost {

void FileSystem::Track(FileObject& file) {
  std::lock_guard lock(open_mutex_);
  open_.insert(&file);
  file.tracked_ = true;
}

void FileSystem::Untrack(const FileObject& file) {
  std::lock_guard lock(open_mutex_);
  open_.erase(&file);
}

bool FileSystem::AnyOpenAtOrBelow(const std::string& ce) const {
  std::lock_guard lock(open_mutex_);
  for (const FileObject* file : open_) {
    const std::string& path = file->ce_path();
    if (path.starts_with(ce) && (path.size() == ce.size() || path[ce.size()] == '\\')) return true;
  }
  return false;
}

}  // namespace cehost
