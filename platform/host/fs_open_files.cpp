// The registry of open files, by device and inode, and the share check between their handles.
#include "file_objects.h"
#include "file_system.h"

namespace cehost {

namespace {

// The two-way rule: each handle's share mode must allow the other's data access. A handle without
// data access (access 0, for querying) takes part on neither side.
bool Conflicts(DataAccess a, DWORD a_share, DataAccess b, DWORD b_share) {
  if (a.none() || b.none()) return false;
  return (a.read && !(b_share & FILE_SHARE_READ)) || (a.write && !(b_share & FILE_SHARE_WRITE)) ||
         (b.read && !(a_share & FILE_SHARE_READ)) || (b.write && !(a_share & FILE_SHARE_WRITE));
}

}  // namespace

bool FileSystem::RegisterOpen(FileObject& file, DataAccess access, DWORD share) {
  std::lock_guard lock(open_mutex_);
  auto key = std::make_pair(file.device(), file.inode());
  auto [first, last] = open_.equal_range(key);
  for (auto it = first; it != last; ++it) {
    if (Conflicts(access, share, it->second.access, it->second.share)) return false;
  }
  open_.emplace(key, OpenRecord{&file, access, share});
  file.registered_ = true;
  return true;
}

void FileSystem::UnregisterOpen(const FileObject& file) {
  std::lock_guard lock(open_mutex_);
  auto [first, last] = open_.equal_range(std::make_pair(file.device(), file.inode()));
  for (auto it = first; it != last; ++it) {
    if (it->second.file == &file) {
      open_.erase(it);
      return;
    }
  }
}

bool FileSystem::IsOpen(const struct stat& st) const {
  std::lock_guard lock(open_mutex_);
  return open_.count(std::make_pair(st.st_dev, st.st_ino)) > 0;
}

bool FileSystem::AnyOpenAtOrBelow(const std::string& ce) const {
  std::lock_guard lock(open_mutex_);
  for (const auto& [key, record] : open_) {
    const std::string& path = record.file->ce_path();
    if (path.starts_with(ce) && (path.size() == ce.size() || path[ce.size()] == '\\')) return true;
  }
  return false;
}

}  // namespace cehost
