// CE paths: taking them apart and following them, without regard to case, inside fs/.
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "cehost/text.h"
#include "files/file_system.h"
#include "files/host_fd.h"

namespace cehost {

namespace {

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

// Characters that no CE name may hold. ":" also ends a device name ("COM9:"), which the file
// calls do not open.
bool IsInvalidNameChar(char16_t c) {
  return c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|';
}

DWORD CheckName(std::u16string_view name, bool wildcards) {
  // CE has no current or parent folder: "." and ".." are not names, and refusing them keeps every
  // path inside the root.
  if (name == u"." || name == u"..") return ERROR_INVALID_NAME;
  for (char16_t c : name) {
    if (IsInvalidNameChar(c)) return ERROR_INVALID_NAME;
    if ((c == u'*' || c == u'?') && !wildcards) return ERROR_INVALID_NAME;
  }
  return 0;
}

// Opens relative (names joined by "/") below the folder, refusing every symbolic link and every
// way out of the folder. A kernel without openat2 gets plain openat for a single name, which
// O_NOFOLLOW keeps from following a link; longer paths then fail so that the caller walks them.
int OpenBeneath(int folder, const std::string& relative, int flags) {
  static std::atomic<bool> have_openat2{true};
  flags |= O_NOFOLLOW | O_CLOEXEC;
  if (have_openat2) {
    open_how how = {};
    how.flags = static_cast<uint64_t>(flags);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    long fd = syscall(SYS_openat2, folder, relative.c_str(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS) return static_cast<int>(fd);
    have_openat2 = false;
  }
  if (relative.find('/') != std::string::npos) {
    errno = ENOENT;
    return -1;
  }
  return openat(folder, relative.c_str(), flags);
}

// The code for a folder on the way that could not be opened: a link is refused (5), a file or a
// name gone is a missing folder (3).
DWORD FolderError(int folder, const std::string& name, int error) {
  struct stat st;
  if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(st.st_mode)) return ERROR_ACCESS_DENIED;
    if (!S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
  }
  return error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error);
}

}  // namespace

bool HasWildcards(std::u16string_view name) {
  return name.find_first_of(u"*?") != std::u16string_view::npos;
}

DWORD ParseCePath(const char16_t* path, bool wildcards_in_last, CePath* out) {
  if (!path) return ERROR_INVALID_PARAMETER;
  size_t length = 0;
  while (path[length]) {
    if (++length >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  }
  if (length == 0) return ERROR_PATH_NOT_FOUND;
  std::u16string_view text(path, length);
  out->names.clear();
  size_t start = 0;
  // CE has no current folder, so a path without a leading separator starts at the root too. "/"
  // separates names as "\" does, as on desktop Windows, so paths written either way work.
  for (size_t i = 0; i <= length; ++i) {
    if (i < length && !IsSeparator(text[i])) continue;
    if (i > start) out->names.emplace_back(text.substr(start, i - start));
    start = i + 1;
  }
  out->trailing_separator = !out->names.empty() && IsSeparator(text.back());
  for (size_t i = 0; i < out->names.size(); ++i) {
    bool last = i + 1 == out->names.size() && !out->trailing_separator;
    if (DWORD error = CheckName(out->names[i], wildcards_in_last && last)) return error;
  }
  return 0;
}

FileSystem::FileSystem(std::filesystem::path home)
    : home_(std::move(home)),
      root_((home_ / "fs").string()),
      root_fd_(::open(root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)),
      lock_fd_(
          ::open((home_ / "fs-locks").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666)),
      table_((home_ / "fs-attributes").string(), lock_fd_) {}

FileSystem::~FileSystem() {
  if (root_fd_ >= 0) ::close(root_fd_);
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

DWORD FileSystem::WalkFolders(const std::vector<std::u16string>& names, size_t count,
                              HostFd* folder, std::string* ce) const {
  if (root_fd_ < 0) return ERROR_PATH_NOT_FOUND;
  ce->clear();
  // Folders spelled as stored are reached in one look-up.
  if (count > 0) {
    std::string relative;
    for (size_t i = 0; i < count; ++i) {
      std::string name = ToUtf8(names[i]);
      relative += (i ? "/" : "") + name;
      *ce += '\\' + name;
    }
    folder->reset(OpenBeneath(root_fd_, relative, O_PATH | O_DIRECTORY));
    if (folder->valid()) return 0;
    ce->clear();
  }
  // Otherwise one name at a time, each looked up without regard to case in the folder held.
  folder->reset(fcntl(root_fd_, F_DUPFD_CLOEXEC, 0));
  if (!folder->valid()) return ErrorFromErrno(errno);
  for (size_t i = 0; i < count; ++i) {
    std::string name = ToUtf8(names[i]);
    int fd = OpenBeneath(folder->get(), name, O_PATH | O_DIRECTORY);
    if (fd < 0 && errno == ENOENT) {
      if (!folder_indexes_.Find(folder->get(), names[i], &name)) return ERROR_PATH_NOT_FOUND;
      fd = OpenBeneath(folder->get(), name, O_PATH | O_DIRECTORY);
    }
    if (fd < 0) return FolderError(folder->get(), name, errno);
    folder->reset(fd);
    *ce += '\\' + name;
  }
  return 0;
}

DWORD FileSystem::Resolve(const std::vector<std::u16string>& names, Location* out) const {
  size_t folders = names.empty() ? 0 : names.size() - 1;
  std::string ce;
  if (DWORD error = WalkFolders(names, folders, &out->parent, &ce)) return error;
  if (names.empty()) {
    out->name = ".";
    out->ce = "\\";
    out->exists = true;
    return fstat(out->parent.get(), &out->st) == 0 ? 0 : ErrorFromErrno(errno);
  }
  int parent = out->parent.get();
  // The name as given is tried first, so that a name spelled as stored costs one fstatat.
  std::string name = ToUtf8(names.back());
  if (fstatat(parent, name.c_str(), &out->st, AT_SYMLINK_NOFOLLOW) != 0) {
    int error = errno;
    if (error != ENOENT) return error == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error);
    std::string stored;
    if (!folder_indexes_.Find(parent, names.back(), &stored)) {
      out->name = std::move(name);
      out->ce = ce + '\\' + out->name;
      out->exists = false;
      return 0;
    }
    name = std::move(stored);
    if (fstatat(parent, name.c_str(), &out->st, AT_SYMLINK_NOFOLLOW) != 0)
      return ErrorFromErrno(errno);
  }
  // A symbolic link could lead out of fs/; links are never followed.
  if (S_ISLNK(out->st.st_mode)) return ERROR_ACCESS_DENIED;
  out->name = std::move(name);
  out->ce = ce + '\\' + out->name;
  out->exists = true;
  return 0;
}

bool FileSystem::StillNamed(const Location& where, const struct stat& st) {
  struct stat now;
  return fstatat(where.parent.get(), where.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
         now.st_dev == st.st_dev && now.st_ino == st.st_ino;
}

DWORD FileSystem::ResolveExisting(const CePath& path, Location* out) const {
  if (DWORD error = Resolve(path.names, out)) return error;
  if (!out->exists) return ERROR_FILE_NOT_FOUND;
  if (path.trailing_separator && !out->is_folder()) return ERROR_INVALID_NAME;
  return 0;
}

}  // namespace cehost
