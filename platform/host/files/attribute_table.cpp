// The attribute table on disk: reading it when it changed, the table lock, and saving.
#include "files/attribute_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "files/file_system.h"
#include "files/host_fd.h"

namespace cehost {

namespace {

// The bits of attributes that the table holds for a file or folder: all but DIRECTORY (what the
// object is), NORMAL (no bit) and a file's READONLY (its owner write bit).
DWORD TableBitsOf(DWORD attributes, bool folder) {
  DWORD bits = attributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);
  if (!folder) bits &= ~FILE_ATTRIBUTE_READONLY;
  return bits;
}

DWORD DefaultTableBits(bool folder) {
  return folder ? 0 : FILE_ATTRIBUTE_ARCHIVE;
}

bool IsAtOrBelow(const std::string& path, const std::string& top) {
  return path == top || (path.size() > top.size() && path.compare(0, top.size(), top) == 0 &&
                         path[top.size()] == '\\');
}

bool AnyAtOrBelow(const std::map<std::string, DWORD>& entries, const std::string& top) {
  for (auto it = entries.lower_bound(top); it != entries.end() && it->first.starts_with(top); ++it)
    if (IsAtOrBelow(it->first, top)) return true;
  return false;
}

void EraseAtOrBelow(std::map<std::string, DWORD>* entries, const std::string& top) {
  for (auto it = entries->lower_bound(top); it != entries->end() && it->first.starts_with(top);) {
    it = IsAtOrBelow(it->first, top) ? entries->erase(it) : std::next(it);
  }
}

// The entries of the table's text; lines that are not "0x%08x \path" are passed over.
std::map<std::string, DWORD> Parse(const std::string& text) {
  std::map<std::string, DWORD> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    unsigned bits = 0;
    int consumed = 0;
    if (std::sscanf(line.c_str(), "0x%8x %n", &bits, &consumed) != 1 || consumed == 0) continue;
    std::string path = line.substr(static_cast<size_t>(consumed));
    if (!path.empty() && path.front() == '\\') entries[path] = bits;
  }
  return entries;
}

}  // namespace

bool AttributeTable::Stamp::operator==(const Stamp& other) const {
  return dev == other.dev && ino == other.ino && size == other.size &&
         mtime.tv_sec == other.mtime.tv_sec && mtime.tv_nsec == other.mtime.tv_nsec &&
         ctime.tv_sec == other.ctime.tv_sec && ctime.tv_nsec == other.ctime.tv_nsec;
}

AttributeTable::Stamp AttributeTable::StampOf(const struct stat& st) {
  return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

AttributeTable::AttributeTable(std::string path, int lock_fd)
    : path_(std::move(path)), lock_fd_(lock_fd) {}

AttributeTable::Lock::Lock(AttributeTable& table) : table_(table), nested_(table.locked_) {
  if (nested_) return;
  table_.locked_ = true;
  if (table_.lock_fd_ >= 0) {
    struct flock lock = ByteLock(F_WRLCK, kTableLockOffset);
    int result;
    while ((result = fcntl(table_.lock_fd_, F_OFD_SETLKW, &lock)) != 0 && errno == EINTR) {
    }
    // A host that refuses the lock leaves only the caller's own mutex to keep writers apart, as
    // for the files' guards.
    held_ = result == 0;
  }
  table_.before_.reset();
  table_.lock_error_ = table_.Refresh();
}

AttributeTable::Lock::~Lock() {
  if (nested_) return;
  table_.locked_ = false;
  table_.before_.reset();
  table_.lock_error_ = 0;
  if (!held_) return;
  struct flock lock = ByteLock(F_UNLCK, kTableLockOffset);
  fcntl(table_.lock_fd_, F_OFD_SETLK, &lock);
}

DWORD AttributeTable::Refresh() {
  struct stat st;
  if (stat(path_.c_str(), &st) != 0) {
    if (errno != ENOENT) return ErrorFromErrno(errno);
    // No table yet (or any more): every object has the default bits.
    entries_.clear();
    loaded_.reset();
    stamp_.reset();
    read_ = true;
    return 0;
  }
  if (read_ && stamp_ && *stamp_ == StampOf(st)) return 0;
  HostFd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return ErrorFromErrno(errno);
  // The stamp is the one of the file read, which a writer may have replaced since the stat.
  if (fstat(fd.get(), &st) != 0) return ErrorFromErrno(errno);
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ErrorFromErrno(errno);
    if (got == 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  entries_ = Parse(text);
  stamp_ = StampOf(st);
  loaded_ = std::move(fd);
  read_ = true;
  return 0;
}

DWORD AttributeTable::BitsOf(const std::string& ce, bool folder) const {
  auto it = entries_.find(ce);
  return it != entries_.end() ? it->second : DefaultTableBits(folder);
}

bool AttributeTable::StoreChanges(const std::string& ce, bool folder, DWORD attributes) const {
  DWORD bits = TableBitsOf(attributes, folder);
  auto it = entries_.find(ce);
  if (bits == DefaultTableBits(folder)) return it != entries_.end();
  return it == entries_.end() || it->second != bits;
}

DWORD AttributeTable::Store(const Lock&, const std::string& ce, bool folder, DWORD attributes) {
  if (lock_error_) return lock_error_;
  if (!StoreChanges(ce, folder, attributes)) return 0;
  Entries next = entries_;
  DWORD bits = TableBitsOf(attributes, folder);
  if (bits == DefaultTableBits(folder)) {
    next.erase(ce);
  } else {
    next[ce] = bits;
  }
  return Commit(std::move(next));
}

DWORD AttributeTable::StoreLocking(const std::string& ce, bool folder, DWORD attributes) {
  // When the table cannot be read, the lock reads it again and the change reports the error.
  if (!locked_ && Refresh() == 0 && !StoreChanges(ce, folder, attributes)) return 0;
  Lock lock(*this);
  return Store(lock, ce, folder, attributes);
}

DWORD AttributeTable::Forget(const Lock&, const std::string& ce) {
  if (lock_error_) return lock_error_;
  if (!AnyAtOrBelow(entries_, ce)) return 0;
  Entries next = entries_;
  EraseAtOrBelow(&next, ce);
  return Commit(std::move(next));
}

DWORD AttributeTable::Rename(const Lock&, const std::string& from, const std::string& to) {
  if (lock_error_) return lock_error_;
  if (from == to || (!AnyAtOrBelow(entries_, from) && !AnyAtOrBelow(entries_, to))) return 0;
  Entries moved;
  for (auto it = entries_.lower_bound(from); it != entries_.end() && it->first.starts_with(from);
       ++it) {
    if (IsAtOrBelow(it->first, from)) moved[to + it->first.substr(from.size())] = it->second;
  }
  Entries next = entries_;
  EraseAtOrBelow(&next, from);
  EraseAtOrBelow(&next, to);
  for (auto& [path, bits] : moved) next[path] = bits;
  return Commit(std::move(next));
}

void AttributeTable::Undo(const Lock&) {
  if (!before_) return;
  Entries back = std::move(*before_);
  before_.reset();
  // If this save fails too, the change stays; the host error the caller reports is the first.
  Commit(std::move(back));
  before_.reset();
}

DWORD AttributeTable::Commit(Entries entries) {
  std::string text;
  for (const auto& [path, bits] : entries) text += HexNumber(bits, 8) + ' ' + path + '\n';
  // The temporary name holds the process id and a count, and O_EXCL makes sure that no other
  // writer has it: two saves never write into one file, with the lock or without it. A name
  // taken (by a writer that died with this id, or another table of this process) is passed over.
  HostFd fd;
  std::string temporary;
  for (int attempt = 0;; ++attempt) {
    temporary = path_ + "." + std::to_string(getpid()) + "." + std::to_string(saves_++) + ".tmp";
    fd.reset(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.valid()) break;
    if (errno != EEXIST || attempt == 63) return ErrorFromErrno(errno);
  }
  auto fail = [&](int error) {
    ::unlink(temporary.c_str());
    return ErrorFromErrno(error);
  };
  for (size_t done = 0; done < text.size();) {
    ssize_t put = ::write(fd.get(), text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return fail(errno);
    done += static_cast<size_t>(put);
  }
  if (::rename(temporary.c_str(), path_.c_str()) != 0) return fail(errno);
  // The file saved is the table now: its stamp (taken after the rename, which may change its
  // change time) spares the next read, and its descriptor keeps its inode.
  struct stat st;
  if (fstat(fd.get(), &st) == 0) {
    stamp_ = StampOf(st);
    loaded_ = std::move(fd);
  } else {
    read_ = false;
  }
  before_ = std::move(entries_);
  entries_ = std::move(entries);
  return 0;
}

}  // namespace cehost
