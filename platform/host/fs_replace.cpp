// Replacing one file by another in one step.
#include <cerrno>
#include <cstdio>

#include "file_system.h"

namespace cehost {

DWORD FileSystem::Replace(const CePath& dest, const CePath& source, Journal& journal) {
  if (dest.is_root() || source.is_root()) return ERROR_ACCESS_DENIED;
  std::lock_guard lock(mutex_);
  Location target;
  if (DWORD error = ResolveExisting(dest, &target)) return error;
  Location from;
  if (DWORD error = ResolveExisting(source, &from)) return error;
  if (target.is_folder() || from.is_folder()) return ERROR_ACCESS_DENIED;
  if (target.st.st_dev == from.st.st_dev && target.st.st_ino == from.st.st_ino)
    return ERROR_ACCESS_DENIED;
  // The file replaced may be neither read-only nor in ROM, and neither file may be open.
  if (AttributesOf(target) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_INROM))
    return ERROR_ACCESS_DENIED;
  if (AttributesOf(from) & FILE_ATTRIBUTE_INROM) return ERROR_ACCESS_DENIED;
  if (IsOpen(target.st) || IsOpen(from.st)) return ERROR_SHARING_VIOLATION;
  // rename() swaps the name over in one step: at every moment the name holds the old file or
  // the new one, never neither.
  if (std::rename(from.host.c_str(), target.host.c_str()) != 0) return ErrorFromErrno(errno);
  ForgetTableBits(target.ce);
  RenameTableBits(from.ce, target.ce);
  RecordEffect(journal, "file.replace", {{"path", target.ce}, {"from", from.ce}});
  return 0;
}

}  // namespace cehost
