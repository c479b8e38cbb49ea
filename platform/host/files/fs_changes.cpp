// Deleting files, moving files and folders, making and removing folders.
//
// A file is deleted, moved or replaced only under its guard (share_locks.h), after a last look
// that its name still leads to it and that every handle open on it, in any process, shares
// delete. cehost follows desktop Windows for FILE_SHARE_DELETE, which CE's documentation leaves
// unconfirmed: with it, the handles keep the file's data and the name goes at once; without it,
// the call fails with ERROR_SHARING_VIOLATION.
//
// These calls hold the attribute table's lock throughout (file_system.h gives the order of the
// locks). The table's change is saved just before the host change it goes with: a save that fails
// fails the call with nothing changed, and a host change that then fails puts the table back.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string_view>

#include "cehost/text.h"
#include "files/file_system.h"
#include "files/host_fd.h"
#include "files/share_locks.h"

namespace cehost {

namespace {

constexpr DWORD kUnchangeable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM;

// True when both descriptors hold the same folder.
bool SameFolder(int a, int b) {
  struct stat sa, sb;
  return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Gives the object at from the name at to, which must not exist; 0 or the error code.
DWORD RenameAt(const Location& from, const Location& to) {
  int result = renameat2(from.parent.get(), from.name.c_str(), to.parent.get(), to.name.c_str(),
                         RENAME_NOREPLACE);
  // A host file system without RENAME_NOREPLACE says EINVAL; the look-up found no target.
  if (result != 0 && errno == EINVAL)
    result = renameat(from.parent.get(), from.name.c_str(), to.parent.get(), to.name.c_str());
  if (result == 0) return 0;
  if (errno == EEXIST) return ERROR_ALREADY_EXISTS;
  // EINVAL: a folder cannot move into itself.
  return errno == EINVAL ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno);
}

// True when the folder at where holds an entry; false when it holds none or cannot be read (the
// removal then finds out).
bool FolderHoldsEntries(const Location& where) {
  HostDir dir = OpenFolderEntries(where.parent.get(), where.name.c_str());
  if (!dir) return false;
  while (dirent* entry = readdir(dir.get())) {
    std::string_view name(entry->d_name);
    if (name != "." && name != "..") return true;
  }
  return false;
}

}  // namespace

DWORD FileSystem::OpenForRemoval(Location* where, HostFd* fd) const {
  // Read access is enough to look at the share markers. A link planted since the look-up is
  // refused by O_NOFOLLOW.
  fd->reset(openat(where->parent.get(), where->name.c_str(),
                   O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!fd->valid()) return errno == ENOENT ? kLookAgain : ErrorFromErrno(errno);
  if (fstat(fd->get(), &where->st) != 0) return ErrorFromErrno(errno);
  return 0;
}

DWORD FileSystem::Delete(const CePath& path, Journal& journal) {
  if (path.is_root()) return ERROR_ACCESS_DENIED;
  std::lock_guard lock(mutex_);
  AttributeTable::Lock table_lock(table_);
  for (int look_up = 1; look_up <= kLookUps; ++look_up) {
    Location where;
    if (DWORD error = ResolveExisting(path, &where)) return error;
    // Folders go with RemoveDirectoryW.
    if (where.is_folder()) return ERROR_ACCESS_DENIED;
    HostFd fd;
    // Only a regular file can be open; anything else planted in fs/ just goes.
    if (S_ISREG(where.st.st_mode)) {
      DWORD error = OpenForRemoval(&where, &fd);
      if (error == kLookAgain) continue;
      if (error) return error;
      if (!S_ISREG(where.st.st_mode)) return ERROR_ACCESS_DENIED;
    }
    if (AttributesOf(where) & kUnchangeable) return ERROR_ACCESS_DENIED;
    {
      FileGuard guard(fd.valid() ? lock_fd_ : -1, where.st);
      if (!StillNamed(where, where.st)) continue;
      // CE refuses to delete an open file; the code cehost gives is the sharing violation.
      if (fd.valid() && !EveryHandleSharesDelete(fd.get())) return ERROR_SHARING_VIOLATION;
      if (DWORD error = table_.Forget(table_lock, where.ce)) return error;
      if (unlinkat(where.parent.get(), where.name.c_str(), 0) != 0) {
        DWORD error = ErrorFromErrno(errno);
        table_.Undo(table_lock);
        return error;
      }
    }
    if (S_ISREG(where.st.st_mode)) storage_.GiveBack(static_cast<uint64_t>(where.st.st_size));
    RecordEffect(journal, EffectKind::kFileDelete, {{"path", where.ce}});
    return 0;
  }
  // A name that keeps changing under the call is a file busy elsewhere.
  return ERROR_SHARING_VIOLATION;
}

DWORD FileSystem::Move(const CePath& from, const CePath& to, Journal& journal) {
  if (from.is_root() || to.is_root()) return ERROR_ACCESS_DENIED;
  std::lock_guard lock(mutex_);
  AttributeTable::Lock table_lock(table_);
  // The entries of the source go to the target (and those left at the target by objects gone from
  // that name go), then the source takes the target's name.
  auto rename_with_bits = [&](const Location& source, const Location& target) {
    if (DWORD error = table_.Rename(table_lock, source.ce, target.ce)) return error;
    DWORD error = RenameAt(source, target);
    if (error) table_.Undo(table_lock);
    return error;
  };
  for (int look_up = 1; look_up <= kLookUps; ++look_up) {
    Location source;
    if (DWORD error = ResolveExisting(from, &source)) return error;
    if (AttributesOf(source) & FILE_ATTRIBUTE_INROM) return ERROR_ACCESS_DENIED;
    Location target;
    if (DWORD error = Resolve(to.names, &target)) return error;
    if (to.trailing_separator && !source.is_folder()) return ERROR_INVALID_NAME;
    if (target.exists) {
      // The same object under another spelling: a change of case is a rename, the same name is
      // nothing to do.
      bool same = target.st.st_dev == source.st.st_dev && target.st.st_ino == source.st.st_ino;
      if (!same) return ERROR_ALREADY_EXISTS;
      target.name = ToUtf8(to.names.back());
      target.ce = target.ce.substr(0, target.ce.rfind('\\') + 1) + target.name;
      if (target.name == source.name && SameFolder(source.parent.get(), target.parent.get()))
        return 0;
    }
    DWORD error = 0;
    if (source.is_folder()) {
      // A folder holding a file open in this process stays where it is.
      if (AnyOpenAtOrBelow(source.ce)) return ERROR_SHARING_VIOLATION;
      error = rename_with_bits(source, target);
    } else {
      HostFd fd;
      if (S_ISREG(source.st.st_mode)) {
        error = OpenForRemoval(&source, &fd);
        if (error == kLookAgain) continue;
        if (error) return error;
        if (!S_ISREG(source.st.st_mode)) return ERROR_ACCESS_DENIED;
      }
      FileGuard guard(fd.valid() ? lock_fd_ : -1, source.st);
      if (!StillNamed(source, source.st)) continue;
      // An open file moves only when every handle on it shares delete.
      if (fd.valid() && !EveryHandleSharesDelete(fd.get())) return ERROR_SHARING_VIOLATION;
      error = rename_with_bits(source, target);
    }
    if (error) return error;
    RecordEffect(journal, EffectKind::kFileMove, {{"from", source.ce}, {"to", target.ce}});
    return 0;
  }
  return ERROR_SHARING_VIOLATION;
}

DWORD FileSystem::CreateFolder(const CePath& path, Journal& journal) {
  if (path.is_root()) return ERROR_ALREADY_EXISTS;
  std::lock_guard lock(mutex_);
  AttributeTable::Lock table_lock(table_);
  Location where;
  if (DWORD error = Resolve(path.names, &where)) return error;
  if (where.exists) return ERROR_ALREADY_EXISTS;
  // Bits left behind by an object of this name that went without cehost do not apply.
  if (DWORD error = table_.Forget(table_lock, where.ce)) return error;
  if (mkdirat(where.parent.get(), where.name.c_str(), 0777) != 0) {
    DWORD error = ErrorFromErrno(errno);
    table_.Undo(table_lock);
    return error;
  }
  RecordEffect(journal, EffectKind::kDirCreate, {{"path", where.ce}});
  return 0;
}

DWORD FileSystem::RemoveFolder(const CePath& path, Journal& journal) {
  if (path.is_root()) return ERROR_ACCESS_DENIED;
  std::lock_guard lock(mutex_);
  AttributeTable::Lock table_lock(table_);
  Location where;
  if (DWORD error = ResolveExisting(path, &where)) return error;
  // A file is not a folder; cehost answers as DeleteFileW does for a folder.
  if (!where.is_folder()) return ERROR_ACCESS_DENIED;
  if (AttributesOf(where) & kUnchangeable) return ERROR_ACCESS_DENIED;
  // A folder that is not empty stays, with ERROR_DIR_NOT_EMPTY, the code desktop Windows gives.
  // It is looked at before the table changes, so that the bits of what it holds are not dropped
  // and put back on every such call; one filled meanwhile is caught by the removal.
  if (FolderHoldsEntries(where)) return ERROR_DIR_NOT_EMPTY;
  if (DWORD error = table_.Forget(table_lock, where.ce)) return error;
  // AT_REMOVEDIR removes a folder only: a link swapped in for it stays.
  if (unlinkat(where.parent.get(), where.name.c_str(), AT_REMOVEDIR) != 0) {
    int error = errno;
    table_.Undo(table_lock);
    return error == ENOTEMPTY || error == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(error);
  }
  RecordEffect(journal, EffectKind::kDirRemove, {{"path", where.ce}});
  return 0;
}

}  // namespace cehost
