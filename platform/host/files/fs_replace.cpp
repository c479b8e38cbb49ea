// Replacing one file by another in one step. Like the calls in fs_changes.cpp, it holds the
// attribute table's lock throughout and saves the table's change just before the rename.
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>

#include "files/file_system.h"
#include "files/share_locks.h"

namespace cehost {

DWORD FileSystem::Replace(const CePath& dest, const CePath& source, Journal& journal) {
  if (dest.is_root() || source.is_root()) return ERROR_ACCESS_DENIED;
  std::lock_guard lock(mutex_);
  AttributeTable::Lock table_lock(table_);
  for (int look_up = 1; look_up <= kLookUps; ++look_up) {
    Location target;
    if (DWORD error = ResolveExisting(dest, &target)) return error;
    Location from;
    if (DWORD error = ResolveExisting(source, &from)) return error;
    if (target.is_folder() || from.is_folder()) return ERROR_ACCESS_DENIED;
    HostFd target_fd, from_fd;
    DWORD error = OpenForRemoval(&target, &target_fd);
    if (!error) error = OpenForRemoval(&from, &from_fd);
    if (error == kLookAgain) continue;
    if (error) return error;
    if (!S_ISREG(target.st.st_mode) || !S_ISREG(from.st.st_mode)) return ERROR_ACCESS_DENIED;
    if (target.st.st_dev == from.st.st_dev && target.st.st_ino == from.st.st_ino)
      return ERROR_ACCESS_DENIED;
    // The file replaced may be neither read-only nor in ROM.
    if (AttributesOf(target) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM))
      return ERROR_ACCESS_DENIED;
    if (AttributesOf(from) & FILE_ATTRIBUTE_INROM) return ERROR_ACCESS_DENIED;
    {
      // Both guards, the lower byte first, so that two callers never wait for each other.
      bool target_first = GuardOffset(target.st) <= GuardOffset(from.st);
      FileGuard first(lock_fd_, target_first ? target.st : from.st);
      std::optional<FileGuard> second;
      if (GuardOffset(target.st) != GuardOffset(from.st))
        second.emplace(lock_fd_, target_first ? from.st : target.st);
      if (!StillNamed(target, target.st) || !StillNamed(from, from.st)) continue;
      // Every handle on either file must share delete: the one loses its name, the other its
      // data's old name. Handles on the file replaced keep its data.
      if (!EveryHandleSharesDelete(target_fd.get()) || !EveryHandleSharesDelete(from_fd.get()))
        return ERROR_SHARING_VIOLATION;
      // The target's bits go, the source's take its name.
      if (DWORD error = table_.Rename(table_lock, from.ce, target.ce)) return error;
      // rename() swaps the name over in one step: at every moment the name holds the old file or
      // the new one, never neither.
      if (renameat(from.parent.get(), from.name.c_str(), target.parent.get(),
                   target.name.c_str()) != 0) {
        DWORD error = ErrorFromErrno(errno);
        table_.Undo(table_lock);
        return error;
      }
    }
    // The replaced file's data goes, and its room with it.
    storage_.GiveBack(static_cast<uint64_t>(target.st.st_size));
    RecordEffect(journal, EffectKind::kFileReplace, {{"path", target.ce}, {"from", from.ce}});
    return 0;
  }
  // A name that keeps changing under the call is a file busy elsewhere.
  return ERROR_SHARING_VIOLATION;
}

}  // namespace cehost
