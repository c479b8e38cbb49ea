// Deleting files, moving files and folders, making and removing folders.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "cehost/text.h"
#include "file_system.h"

namespace cehost {

namespace {

constexpr DWORD kUnchangeable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM;

// The location with its last name replaced by name, spelled as given.
Location WithLastName(const Location& where, const std::u16string& name) {
  Location renamed = where;
  std::string utf8 = ToUtf8(name);
  renamed.host = where.host.substr(0, where.host.rfind('/') + 1) + utf8;
  renamed.ce = where.ce.substr(0, where.ce.rfind('\\') + 1) + utf8;
  return renamed;
}

}  // namespace

DWORD FileSystem::Delete(const CePath& path, Journal& journal) {
  if (path.is_root()) return ERROR_ACCESS_DENIED;
  std::lock_guard lock(mutex_);
  Location where;
  if (DWORD error = ResolveExisting(path, &where)) return error;
  // Folders go with RemoveDirectoryW.
  if (where.is_folder()) return ERROR_ACCESS_DENIED;
  if (AttributesOf(where) & kUnchangeable) return ERROR_ACCESS_DENIED;
  // CE refuses to delete an open file; the code cehost gives is the sharing violation.
  if (IsOpen(where.st)) return ERROR_SHARING_VIOLATION;
  if (unlink(where.host.c_str()) != 0) return ErrorFromErrno(errno);
  ForgetTableBits(where.ce);
  RecordEffect(journal, "file.delete", {{"path", where.ce}});
  return 0;
}

DWORD FileSystem::Move(const CePath& from, const CePath& to, Journal& journal) {
  if (from.is_root() || to.is_root()) return ERROR_ACCESS_DENIED;
  std::lock_guard lock(mutex_);
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
    target = WithLastName(target, to.names.back());
    if (target.host == source.host) return 0;
  }
  // An open file, or a folder holding one, stays where it is.
  if (source.is_folder() ? AnyOpenAtOrBelow(source.ce) : IsOpen(source.st))
    return ERROR_SHARING_VIOLATION;
  if (std::rename(source.host.c_str(), target.host.c_str()) != 0) {
    // EINVAL: a folder cannot move into itself.
    return errno == EINVAL ? ERROR_ACCESS_DENIED : ErrorFromErrno(errno);
  }
  RenameTableBits(source.ce, target.ce);
  RecordEffect(journal, "file.move", {{"from", source.ce}, {"to", target.ce}});
  return 0;
}

DWORD FileSystem::CreateFolder(const CePath& path, Journal& journal) {
  if (path.is_root()) return ERROR_ALREADY_EXISTS;
  std::lock_guard lock(mutex_);
  Location where;
  if (DWORD error = Resolve(path.names, &where)) return error;
  if (where.exists) return ERROR_ALREADY_EXISTS;
  if (mkdir(where.host.c_str(), 0777) != 0) return ErrorFromErrno(errno);
  // Bits left behind by an object of this name that went without cehost do not apply.
  ForgetTableBits(where.ce);
  RecordEffect(journal, "dir.create", {{"path", where.ce}});
  return 0;
}

DWORD FileSystem::RemoveFolder(const CePath& path, Journal& journal) {
  if (path.is_root()) return ERROR_ACCESS_DENIED;
  std::lock_guard lock(mutex_);
  Location where;
  if (DWORD error = ResolveExisting(path, &where)) return error;
  // A file is not a folder; cehost answers as DeleteFileW does for a folder.
  if (!where.is_folder()) return ERROR_ACCESS_DENIED;
  if (AttributesOf(where) & kUnchangeable) return ERROR_ACCESS_DENIED;
  // A folder that is not empty stays, with ERROR_DIR_NOT_EMPTY, the code desktop Windows gives.
  if (rmdir(where.host.c_str()) != 0) {
    return errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(errno);
  }
  ForgetTableBits(where.ce);
  RecordEffect(journal, "dir.remove", {{"path", where.ce}});
  return 0;
}

}  // namespace cehost
