// CE paths: taking them apart and following them, without regard to case, inside fs/.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "cehost/text.h"
#include "file_system.h"

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

// The stored name in the host folder that equals name without regard to case.
bool FindIgnoringCase(const std::string& folder, std::u16string_view name, std::string* stored) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return false;
  while (dirent* entry = readdir(dir.get())) {
    std::string_view candidate(entry->d_name);
    if (candidate == "." || candidate == "..") continue;
    if (EqualsIgnoreCase(ToUtf16(candidate), name)) {
      *stored = candidate;
      return true;
    }
  }
  return false;
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
      table_path_((home_ / "fs-attributes").string()) {
  root_fd_ = ::open(root_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  LoadTable();
}

FileSystem::~FileSystem() {
  if (root_fd_ >= 0) ::close(root_fd_);
}

DWORD FileSystem::Resolve(const std::vector<std::u16string>& names, Location* out) const {
  std::string host = root_;
  std::string ce;
  for (size_t i = 0; i < names.size(); ++i) {
    bool last = i + 1 == names.size();
    std::string name = ToUtf8(names[i]);
    std::string candidate = host + '/' + name;
    struct stat st;
    // The name as given is tried first, so that a name spelled as stored costs one lstat.
    if (lstat(candidate.c_str(), &st) != 0) {
      int error = errno;
      if (error != ENOENT) return error == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error);
      std::string stored;
      if (!FindIgnoringCase(host, names[i], &stored)) {
        if (!last) return ERROR_PATH_NOT_FOUND;
        out->host = std::move(candidate);
        out->ce = ce + '\\' + name;
        out->exists = false;
        return 0;
      }
      name = std::move(stored);
      candidate = host + '/' + name;
      if (lstat(candidate.c_str(), &st) != 0) return ErrorFromErrno(errno);
    }
    // A symbolic link could lead out of fs/; links are never followed.
    if (S_ISLNK(st.st_mode)) return ERROR_ACCESS_DENIED;
    if (!last && !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    host = std::move(candidate);
    ce += '\\';
    ce += name;
    if (last) out->st = st;
  }
  if (names.empty() && stat(root_.c_str(), &out->st) != 0) return ErrorFromErrno(errno);
  out->host = std::move(host);
  out->ce = ce.empty() ? "\\" : std::move(ce);
  out->exists = true;
  return 0;
}

DWORD FileSystem::ResolveExisting(const CePath& path, Location* out) const {
  if (DWORD error = Resolve(path.names, out)) return error;
  if (!out->exists) return ERROR_FILE_NOT_FOUND;
  if (path.trailing_separator && !out->is_folder()) return ERROR_INVALID_NAME;
  return 0;
}

}  // namespace cehost
