// Attribute bits: what the host file holds, what the side table holds, and the two calls.
//
// A file's READONLY bit is its owner write bit, so that host tools see it too; a folder's is in the
// table, because a folder without write bits could not take new files for a user who is not root.
// DIRECTORY is whether the host object is a folder. Every other bit lives in the table, the text
// file fs-attributes in the handset home (attribute_table.h), read again whenever another process
// changed it and rewritten, under the table lock, only when bits change.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/file_system.h"

namespace cehost {

namespace {

// The bits SetFileAttributesW can change. INROM is settable too, so that the simulated handset's
// ROM image can be marked; once set it cannot be taken away.
constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_INROM;

}  // namespace

DWORD FileSystem::AttributesAsRead(const Location& where) const {
  bool folder = S_ISDIR(where.st.st_mode);
  DWORD bits = folder ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if (!folder && !(where.st.st_mode & S_IWUSR)) bits |= FILE_ATTRIBUTE_READONLY;
  bits |= table_.BitsOf(where.ce, folder);
  return bits ? bits : FILE_ATTRIBUTE_NORMAL;
}

DWORD FileSystem::AttributesOf(const Location& where) {
  // A table that cannot be read now gives the bits as last read.
  table_.Refresh();
  return AttributesAsRead(where);
}

DWORD FileSystem::ApplyAttributes(const Location& where, int fd, DWORD attributes,
                                  const AttributeTable::Lock* table_lock) {
  bool folder = S_ISDIR(where.st.st_mode);
  mode_t mode = where.st.st_mode & 07777;
  mode_t wanted = mode;
  if (!folder) {
    wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~mode_t{0222} : mode | S_IWUSR;
    if (wanted != mode && fchmod(fd, wanted) != 0) return ErrorFromErrno(errno);
  }
  DWORD error = table_lock ? table_.Store(*table_lock, where.ce, folder, attributes)
                           : table_.StoreLocking(where.ce, folder, attributes);
  // A table that could not be saved leaves the write bit as it was too.
  if (error && wanted != mode) fchmod(fd, mode);
  return error;
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
  // From the look-up on, no other process changes the table or the name: the old bits are the
  // latest, and the new ones are saved over them.
  AttributeTable::Lock table_lock(table_);
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
  if (DWORD error = ApplyAttributes(where, fd.get(), new_bits, &table_lock)) return error;
  RecordEffect(
      journal, EffectKind::kFileAttributes,
      {{"path", where.ce}, {"old", HexNumber(old_bits, 8)}, {"new", HexNumber(new_bits, 8)}});
  return 0;
}

}  // namespace cehost
