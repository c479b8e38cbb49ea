// Searches: the entries of a folder whose names match a pattern, or the one entry a name names.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "cehost/text.h"
#include "files/file_system.h"
#include "files/host_fd.h"

namespace cehost {

namespace {

// "*" matches any run of characters, "?" one character; both texts are folded already. A pattern
// that ends in ".*" also matches a name without that extension, so "*.*" matches every name, as
// long-standing Windows behaviour has it.
bool Matches(std::u16string_view pattern, std::u16string_view name) {
  size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size() || pattern.substr(p) == u".*";
}

FILETIME ToFileTime(const struct timespec& time) {
  // 100-nanosecond intervals since 1601-01-01; the Unix epoch is 11644473600 seconds later.
  uint64_t ticks = (static_cast<uint64_t>(time.tv_sec) + 11644473600ull) * 10000000ull +
                   static_cast<uint64_t>(time.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

WIN32_FIND_DATAW FileSystem::EntryOf(const Location& where, std::u16string_view name) const {
  WIN32_FIND_DATAW data = {};
  data.dwFileAttributes = AttributesAsRead(where);
  // Linux keeps no creation time in stat; the status change time stands in for it.
  data.ftCreationTime = ToFileTime(where.st.st_ctim);
  data.ftLastAccessTime = ToFileTime(where.st.st_atim);
  data.ftLastWriteTime = ToFileTime(where.st.st_mtim);
  if (!S_ISDIR(where.st.st_mode)) {
    auto size = static_cast<uint64_t>(where.st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
  }
  // No object store on the host.
  data.dwOID = 0;
  size_t length = std::min<size_t>(name.size(), MAX_PATH - 1);
  std::copy_n(name.data(), length, data.cFileName);
  return data;
}

DWORD FileSystem::Find(const CePath& pattern, std::vector<WIN32_FIND_DATAW>* found) {
  // A trailing separator names no entry, and the root is not an entry of anything.
  if (pattern.trailing_separator || pattern.is_root()) return ERROR_FILE_NOT_FOUND;
  std::lock_guard lock(mutex_);
  // The table is read again (if it changed) once for every entry found. One that cannot be read
  // now gives the bits as last read.
  table_.Refresh();
  const std::u16string& last = pattern.names.back();
  if (!HasWildcards(last)) {
    Location where;
    if (DWORD error = Resolve(pattern.names, &where)) return error;
    if (!where.exists) return ERROR_FILE_NOT_FOUND;
    found->push_back(EntryOf(where, ToUtf16(where.ce.substr(where.ce.rfind('\\') + 1))));
    return 0;
  }
  Location folder;
  std::vector<std::u16string> folder_names(pattern.names.begin(), pattern.names.end() - 1);
  if (DWORD error = Resolve(folder_names, &folder)) return error;
  // A missing folder is ERROR_PATH_NOT_FOUND, set apart from a folder without matches.
  if (!folder.is_folder()) return ERROR_PATH_NOT_FOUND;
  // The folder walked to is read through its held parent: a link swapped in meanwhile is refused.
  HostDir dir = OpenFolderEntries(folder.parent.get(), folder.name.c_str());
  if (!dir) return ErrorFromErrno(errno);
  std::u16string folded = FoldCase(last);
  std::string prefix = folder.ce == "\\" ? "" : folder.ce;
  // CE file systems list no "." or ".." entries; symbolic links are not part of the tree.
  while (dirent* entry = readdir(dir.get())) {
    std::string_view host_name(entry->d_name);
    if (host_name == "." || host_name == "..") continue;
    std::u16string name = ToUtf16(host_name);
    if (!Matches(folded, FoldCase(name))) continue;
    Location child;
    child.ce = prefix + '\\' + entry->d_name;
    if (fstatat(dirfd(dir.get()), entry->d_name, &child.st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(child.st.st_mode) && !S_ISDIR(child.st.st_mode)) continue;
    child.exists = true;
    found->push_back(EntryOf(child, name));
  }
  return found->empty() ? ERROR_FILE_NOT_FOUND : 0;
}

}  // namespace cehost
