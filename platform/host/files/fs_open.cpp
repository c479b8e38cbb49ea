// Opening and creating files, with the five dispositions, the share check and the read-only rule.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_objects.h"
#include "files/file_system.h"
#include "files/share_locks.h"

namespace cehost {

namespace {

// The attribute bits a new file may be created with; it always gets ARCHIVE as well.
constexpr DWORD kCreatable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                             FILE_ATTRIBUTE_TEMPORARY;

// The host descriptor is open for reading always (the share markers are read locks) and for
// writing when the handle writes or the open truncates; what the handle may do is its access.
int OpenFlags(DataAccess access, bool truncate) {
  return access.write || truncate ? O_RDWR : O_RDONLY;
}

}  // namespace

DWORD FileSystem::OpenHostFile(Location* where, int flags, HostFd* fd) const {
  // O_NOFOLLOW: a link planted after the look-up is refused, never followed. O_NONBLOCK keeps a
  // pipe planted in fs/ from holding the call up.
  fd->reset(openat(where->parent.get(), where->name.c_str(),
                   flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666));
  if (!fd->valid()) {
    if (errno == EEXIST) return ERROR_FILE_EXISTS;
    return errno == ENOENT && !(flags & O_CREAT) ? kLookAgain : ErrorFromErrno(errno);
  }
  if (fstat(fd->get(), &where->st) != 0) return ErrorFromErrno(errno);
  // A folder is not a file; neither is a device node or a pipe planted in fs/.
  if (!S_ISREG(where->st.st_mode)) return ERROR_ACCESS_DENIED;
  // CE has no hard links. A second name may be outside fs/, and writing here would change that
  // file: such a file is read, never written.
  if ((flags & O_ACCMODE) != O_RDONLY && where->st.st_nlink > 1) return ERROR_ACCESS_DENIED;
  where->exists = true;
  return 0;
}

DWORD FileSystem::Adopt(const Location& where, HostFd fd, DataAccess access, DWORD share,
                        Journal& journal, std::shared_ptr<FileObject>* file) {
  {
    FileGuard guard(lock_fd_, where.st);
    // Whoever replaced, moved or deleted the file did so under this guard: once it is held, the
    // name leads to this file until it is let go.
    if (!StillNamed(where, where.st)) return kLookAgain;
    if (ShareConflict(fd.get(), access, share)) return ERROR_SHARING_VIOLATION;
    if (!HoldShareMarkers(fd.get(), access, share)) return ErrorFromErrno(errno);
  }
  *file = std::make_shared<FileObject>(this, &journal, fd.release(), where.st, where.ce, access);
  Track(**file);
  return 0;
}

DWORD FileSystem::Open(const CePath& path, const OpenRequest& request, Journal& journal,
                       std::shared_ptr<FileObject>* file, bool* existed) {
  if (request.disposition < CREATE_NEW || request.disposition > TRUNCATE_EXISTING)
    return ERROR_INVALID_PARAMETER;
  DataAccess access = DataAccess::Of(request.access);
  // TRUNCATE_EXISTING needs GENERIC_WRITE; without it cehost refuses the call as a bad argument.
  if (request.disposition == TRUNCATE_EXISTING && !access.write) return ERROR_INVALID_PARAMETER;
  if (path.is_root()) return ERROR_ACCESS_DENIED;
  if (path.trailing_separator) return ERROR_INVALID_NAME;

  std::lock_guard lock(mutex_);
  // The name is looked up again when the file it led to went or was replaced before the handle
  // held it: a handle never holds a file that its name no longer leads to.
  for (int look_up = 1;; ++look_up) {
    Location where;
    if (DWORD error = Resolve(path.names, &where)) return error;
    DWORD error = where.exists ? OpenExisting(where, request, access, journal, file, existed)
                               : Create(where, request, access, journal, file, existed);
    if (error != kLookAgain) return error;
    // A name that keeps changing under the call is a file busy elsewhere.
    if (look_up == kLookUps) return ERROR_SHARING_VIOLATION;
  }
}

DWORD FileSystem::OpenExisting(Location& where, const OpenRequest& request, DataAccess access,
                               Journal& journal, std::shared_ptr<FileObject>* file, bool* existed) {
  if (request.disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
  if (!S_ISREG(where.st.st_mode)) return ERROR_ACCESS_DENIED;
  bool truncate = request.disposition == CREATE_ALWAYS || request.disposition == TRUNCATE_EXISTING;
  // cehost enforces READONLY itself: root, which the tests run as, ignores the mode bits.
  if ((access.write || truncate) &&
      (AttributesOf(where) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM)))
    return ERROR_ACCESS_DENIED;
  HostFd fd;
  if (DWORD error = OpenHostFile(&where, OpenFlags(access, truncate), &fd)) return error;
  if (DWORD error = Adopt(where, std::move(fd), access, request.share, journal, file)) return error;
  // An existing file keeps its attributes, CREATE_ALWAYS included; the ones asked for apply to
  // new files only. (Desktop Windows refuses CREATE_ALWAYS with NORMAL on a hidden or system
  // file; CE is not known to, and cehost does not.) The handle may have no write access of its
  // own (CREATE_ALWAYS with GENERIC_READ or with none): its descriptor is open for writing anyway.
  if (truncate) {
    const auto old_size = static_cast<uint64_t>(where.st.st_size);
    if (ftruncate((*file)->fd(), 0) != 0) {
      DWORD error = ErrorFromErrno(errno);
      file->reset();
      return error;
    }
    storage_.GiveBack(old_size);
    RecordEffect(journal, EffectKind::kFileTruncate, {{"path", where.ce}, {"size", "0"}});
  }
  *existed = true;
  return 0;
}

DWORD FileSystem::Create(Location& where, const OpenRequest& request, DataAccess access,
                         Journal& journal, std::shared_ptr<FileObject>* file, bool* existed) {
  if (request.disposition == OPEN_EXISTING || request.disposition == TRUNCATE_EXISTING)
    return ERROR_FILE_NOT_FOUND;
  // A full volume has no room for a new file.
  if (!storage_.HasRoom()) return ERROR_DISK_FULL;
  HostFd fd;
  if (DWORD error = OpenHostFile(&where, OpenFlags(access, false) | O_CREAT | O_EXCL, &fd)) {
    // Made by another caller since the look-up: CREATE_NEW fails, the others open it.
    if (error == ERROR_FILE_EXISTS && request.disposition != CREATE_NEW) return kLookAgain;
    return error;
  }
  // The handle keeps its access even when the new file is read-only. The table lock is taken only
  // when the table must change: for bits other than the default, or bits left at the name by a
  // file gone without cehost.
  if (DWORD error = ApplyAttributes(
          where, fd.get(), (request.attributes & kCreatable) | FILE_ATTRIBUTE_ARCHIVE, nullptr)) {
    // A file that could not get its attributes goes again, unless its name leads elsewhere now.
    if (StillNamed(where, where.st)) unlinkat(where.parent.get(), where.name.c_str(), 0);
    return error;
  }
  RecordEffect(journal, EffectKind::kFileCreate, {{"path", where.ce}});
  if (DWORD error = Adopt(where, std::move(fd), access, request.share, journal, file)) return error;
  *existed = false;
  return 0;
}

}  // namespace cehost
