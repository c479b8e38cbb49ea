// Opening and creating files, with the five dispositions, the share check and the read-only rule.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "file_objects.h"
#include "file_system.h"

namespace cehost {

namespace {

// The attribute bits a new file may be created with; it always gets ARCHIVE as well.
constexpr DWORD kCreatable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                             FILE_ATTRIBUTE_TEMPORARY;

int OpenFlags(DataAccess access) {
  if (access.read && access.write) return O_RDWR;
  return access.write ? O_WRONLY : O_RDONLY;
}

}  // namespace

DWORD FileSystem::OpenHost(Location* where, int flags, DataAccess access, DWORD share,
                           std::shared_ptr<FileObject>* file) {
  // O_NOFOLLOW: a link planted after the look-up is refused, never followed.
  int fd = ::open(where->host.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno);
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return ERROR_ACCESS_DENIED;
  }
  auto object = std::make_shared<FileObject>(this, fd, st, where->ce, access);
  if (!RegisterOpen(*object, access, share)) return ERROR_SHARING_VIOLATION;
  where->st = st;
  where->exists = true;
  *file = std::move(object);
  return 0;
}

DWORD FileSystem::Open(const CePath& path, const OpenRequest& request, Journal& journal,
                       std::shared_ptr<FileObject>* file, bool* existed) {
  if (request.disposition < CREATE_NEW || request.disposition > TRUNCATE_EXISTING)
    return ERROR_INVALID_PARAMETER;
  DataAccess access = DataAccess::Of(request.access);
  if (request.disposition == TRUNCATE_EXISTING && !access.write) return ERROR_INVALID_PARAMETER;
  if (path.is_root()) return ERROR_ACCESS_DENIED;
  if (path.trailing_separator) return ERROR_INVALID_NAME;
  int flags = OpenFlags(access);

  std::lock_guard lock(mutex_);
  Location where;
  if (DWORD error = Resolve(path.names, &where)) return error;
  if (where.exists) {
    if (request.disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
    // A folder is not a file; neither is a device node or a pipe planted in fs/.
    if (!S_ISREG(where.st.st_mode)) return ERROR_ACCESS_DENIED;
    bool truncate =
        request.disposition == CREATE_ALWAYS || request.disposition == TRUNCATE_EXISTING;
    // cehost enforces READONLY itself: root, which the tests run as, ignores the mode bits.
    DWORD attributes = AttributesOf(where);
    if ((access.write || truncate) &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM)))
      return ERROR_ACCESS_DENIED;
    if (DWORD error = OpenHost(&where, flags, access, request.share, file)) return error;
    // An existing file keeps its attributes; the ones asked for apply to new files only.
    if (truncate) {
      if (ftruncate((*file)->fd(), 0) != 0) {
        DWORD error = ErrorFromErrno(errno);
        file->reset();
        return error;
      }
      RecordEffect(journal, "file.truncate", {{"path", where.ce}, {"size", "0"}});
    }
    *existed = true;
    return 0;
  }

  if (request.disposition == OPEN_EXISTING || request.disposition == TRUNCATE_EXISTING)
    return ERROR_FILE_NOT_FOUND;
  if (DWORD error = OpenHost(&where, flags | O_CREAT | O_EXCL, access, request.share, file))
    return error;
  RecordEffect(journal, "file.create", {{"path", where.ce}});
  // The handle keeps its access even when the new file is read-only.
  ApplyAttributes(where, (*file)->fd(), (request.attributes & kCreatable) | FILE_ATTRIBUTE_ARCHIVE);
  *existed = false;
  return 0;
}

}  // namespace cehost
