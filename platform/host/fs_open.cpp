// Opening and creating files, with the five dispositions, the share check and the read-only rule.
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "cehost/text.h"
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

int FileSystem::OpenExact(const std::vector<std::u16string>& names, int flags,
                          Location* where) const {
  if (root_fd_ < 0) return -1;
  std::string relative;
  std::string ce;
  for (const auto& name : names) {
    std::string utf8 = ToUtf8(name);
    if (!relative.empty()) relative += '/';
    relative += utf8;
    ce += '\\';
    ce += utf8;
  }
  // One look-up below the root that refuses every symbolic link and every way out of the root.
  // O_NONBLOCK keeps a pipe planted in fs/ from holding the call up.
  open_how how = {};
  how.flags = static_cast<uint64_t>(flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  int fd = static_cast<int>(syscall(SYS_openat2, root_fd_, relative.c_str(), &how, sizeof how));
  if (fd < 0) return -1;
  if (fstat(fd, &where->st) != 0 || !S_ISREG(where->st.st_mode)) {
    ::close(fd);
    return -1;
  }
  where->host = root_ + '/' + relative;
  where->ce = std::move(ce);
  where->exists = true;
  return fd;
}

DWORD FileSystem::Adopt(Location* where, int fd, DataAccess access, DWORD share,
                        std::shared_ptr<FileObject>* file) {
  auto object = std::make_shared<FileObject>(this, fd, where->st, where->ce, access);
  if (!RegisterOpen(*object, access, share)) return ERROR_SHARING_VIOLATION;
  *file = std::move(object);
  return 0;
}

DWORD FileSystem::OpenHost(Location* where, int flags, DataAccess access, DWORD share,
                           std::shared_ptr<FileObject>* file) {
  // O_NOFOLLOW: a link planted after the look-up is refused, never followed.
  int fd = ::open(where->host.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno);
  if (fstat(fd, &where->st) != 0 || !S_ISREG(where->st.st_mode)) {
    ::close(fd);
    return ERROR_ACCESS_DENIED;
  }
  where->exists = true;
  return Adopt(where, fd, access, share, file);
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
  int flags = OpenFlags(access);

  std::lock_guard lock(mutex_);
  Location where;
  // A file spelled as stored opens at once; anything else (another case, a missing file, a
  // folder, a link) takes the look-up one name at a time.
  int fd = request.disposition == CREATE_NEW ? -1 : OpenExact(path.names, flags, &where);
  if (fd < 0) {
    if (DWORD error = Resolve(path.names, &where)) return error;
    if (!where.exists) return Create(where, request, access, flags, journal, file, existed);
    if (request.disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
    // A folder is not a file; neither is a device node or a pipe planted in fs/.
    if (!S_ISREG(where.st.st_mode)) return ERROR_ACCESS_DENIED;
  }
  bool truncate = request.disposition == CREATE_ALWAYS || request.disposition == TRUNCATE_EXISTING;
  // cehost enforces READONLY itself: root, which the tests run as, ignores the mode bits.
  if ((access.write || truncate) &&
      (AttributesOf(where) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM))) {
    if (fd >= 0) ::close(fd);
    return ERROR_ACCESS_DENIED;
  }
  DWORD error = fd >= 0 ? Adopt(&where, fd, access, request.share, file)
                        : OpenHost(&where, flags, access, request.share, file);
  if (error) return error;
  // An existing file keeps its attributes, CREATE_ALWAYS included; the ones asked for apply to
  // new files only. (Desktop Windows refuses CREATE_ALWAYS with NORMAL on a hidden or system
  // file; CE is not known to, and cehost does not.)
  if (truncate) {
    // The handle may have no write access of its own (CREATE_ALWAYS with GENERIC_READ or with
    // none): the file is cut through a descriptor opened for writing for that alone.
    int fd = (*file)->access().write
                 ? (*file)->fd()
                 : ::open(where.host.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    bool cut = fd >= 0 && ftruncate(fd, 0) == 0;
    int cut_errno = errno;
    if (fd >= 0 && fd != (*file)->fd()) ::close(fd);
    if (!cut) {
      error = ErrorFromErrno(cut_errno);
      file->reset();
      return error;
    }
    RecordEffect(journal, "file.truncate", {{"path", where.ce}, {"size", "0"}});
  }
  *existed = true;
  return 0;
}

DWORD FileSystem::Create(Location& where, const OpenRequest& request, DataAccess access, int flags,
                         Journal& journal, std::shared_ptr<FileObject>* file, bool* existed) {
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
