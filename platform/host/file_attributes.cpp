// Attribute bits: what the host file holds, what the side table holds, and the two calls.
//
// A file's READONLY bit is its owner write bit, so that host tools see it too; a folder's is in the
// table, because a folder without write bits could not take new files for a user who is not root.
// DIRECTORY is whether the host object is a folder. Every other bit lives in the table, the text
// file fs-attributes in the handset home: one line per CE path whose bits differ from the default,
// "0x%08x \path". A file with no line has ARCHIVE, a folder with no line has nothing more. The
// table is read when the handset is mounted and rewritten, through a temporary file and a rename,
// only when bits change.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "file_system.h"

namespace cehost {

namespace {

// The bits SetFileAttributesW can change. INROM is settable too, so that the simulated handset's
// ROM image can be marked; once set it cannot be taken away.
constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_INROM;

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

}  // namespace

void FileSystem::LoadTable() {
  std::ifstream in(table_path_);
  std::string line;
  while (std::getline(in, line)) {
    unsigned bits = 0;
    int consumed = 0;
    if (std::sscanf(line.c_str(), "0x%8x %n", &bits, &consumed) != 1 || consumed == 0) continue;
    std::string path = line.substr(consumed);
    if (!path.empty() && path.front() == '\\') table_[path] = bits;
  }
}

void FileSystem::SaveTable() const {
  std::ostringstream text;
  for (const auto& [path, bits] : table_) text << HexAttributes(bits) << ' ' << path << '\n';
  std::string temporary = table_path_ + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text.str();
    out.flush();
    if (!out) return;
  }
  std::rename(temporary.c_str(), table_path_.c_str());
}

DWORD FileSystem::AttributesOf(const Location& where) const {
  bool folder = S_ISDIR(where.st.st_mode);
  DWORD bits = folder ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if (!folder && !(where.st.st_mode & S_IWUSR)) bits |= FILE_ATTRIBUTE_READONLY;
  auto it = table_.find(where.ce);
  bits |= it != table_.end() ? it->second : DefaultTableBits(folder);
  return bits ? bits : FILE_ATTRIBUTE_NORMAL;
}

void FileSystem::StoreTableBits(const std::string& ce, bool folder, DWORD attributes) {
  DWORD bits = TableBitsOf(attributes, folder);
  auto it = table_.find(ce);
  if (bits == DefaultTableBits(folder)) {
    if (it == table_.end()) return;
    table_.erase(it);
  } else {
    if (it != table_.end() && it->second == bits) return;
    table_[ce] = bits;
  }
  SaveTable();
}

void FileSystem::ForgetTableBits(const std::string& ce) {
  bool changed = false;
  for (auto it = table_.lower_bound(ce); it != table_.end() && it->first.starts_with(ce);) {
    if (IsAtOrBelow(it->first, ce)) {
      it = table_.erase(it);
      changed = true;
    } else {
      ++it;
    }
  }
  if (changed) SaveTable();
}

void FileSystem::RenameTableBits(const std::string& from, const std::string& to) {
  std::map<std::string, DWORD> moved;
  for (auto it = table_.lower_bound(from); it != table_.end() && it->first.starts_with(from);) {
    if (IsAtOrBelow(it->first, from)) {
      moved[to + it->first.substr(from.size())] = it->second;
      it = table_.erase(it);
    } else {
      ++it;
    }
  }
  if (moved.empty()) return;
  table_.merge(moved);
  SaveTable();
}

DWORD FileSystem::ApplyAttributes(const Location& where, int fd, DWORD attributes) {
  bool folder = S_ISDIR(where.st.st_mode);
  if (!folder) {
    mode_t mode = where.st.st_mode & 07777;
    mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~mode_t{0222} : mode | S_IWUSR;
    if (wanted != mode && fchmod(fd, wanted) != 0) return ErrorFromErrno(errno);
  }
  StoreTableBits(where.ce, folder, attributes);
  return 0;
}

DWORD FileSystem::GetAttributes(const CePath& path, DWORD* attributes) {
  std::lock_guard lock(mutex_);
  Location where;
  if (DWORD error = ResolveExisting(path, &where)) return error;
  *attributes = AttributesOf(where);
  return 0;
}

DWORD FileSystem::SetAttributes(const CePath& path, DWORD attributes, Journal& journal) {
  std::lock_guard lock(mutex_);
  Location where;
  if (DWORD error = ResolveExisting(path, &where)) return error;
  if (path.is_root()) return ERROR_ACCESS_DENIED;
  // A file's bits are changed through its own descriptor, opened without following a link.
  HostFd fd;
  if (!where.is_folder()) {
    fd.reset(openat(where.parent.get(), where.name.c_str(),
                    O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid()) return ErrorFromErrno(errno);
    if (fstat(fd.get(), &where.st) != 0) return ErrorFromErrno(errno);
    if (!S_ISREG(where.st.st_mode)) return ERROR_ACCESS_DENIED;
    // CE has no hard links: a file with a second name, which may be outside fs/, is not changed.
    if (where.st.st_nlink > 1) return ERROR_ACCESS_DENIED;
  }
  DWORD old_bits = AttributesOf(where);
  // A file in ROM cannot be changed, its attributes included.
  if (old_bits & FILE_ATTRIBUTE_INROM) return ERROR_ACCESS_DENIED;
  // DIRECTORY is what the object is and cannot be set or cleared; NORMAL means "no other bit".
  DWORD new_bits = (attributes & kSettable) | (old_bits & FILE_ATTRIBUTE_DIRECTORY);
  if (new_bits & FILE_ATTRIBUTE_INROM) new_bits |= FILE_ATTRIBUTE_READONLY;
  if (new_bits == 0) new_bits = FILE_ATTRIBUTE_NORMAL;
  if (new_bits == old_bits) return 0;
  if (DWORD error = ApplyAttributes(where, fd.get(), new_bits)) return error;
  RecordEffect(
      journal, "file.attributes",
      {{"path", where.ce}, {"old", HexAttributes(old_bits)}, {"new", HexAttributes(new_bits)}});
  return 0;
}

}  // namespace cehost
