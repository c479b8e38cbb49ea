// Small pieces shared by the file calls: error codes and access bits.
#include <cerrno>

#include "files/file_system.h"

namespace cehost {

DataAccess DataAccess::Of(DWORD desired_access) {
  DataAccess access;
  // GENERIC_EXECUTE reads the data, as far as sharing goes; GENERIC_ALL is both.
  access.read = desired_access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL);
  access.write = desired_access & (GENERIC_WRITE | GENERIC_ALL);
  return access;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return 0;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOMEM:
    case EMFILE:
    case ENFILE:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EIO:
      return ERROR_WRITE_FAULT;
    default:
      // EACCES, EPERM, EROFS, EISDIR, ELOOP (a link met by O_NOFOLLOW) and the rest.
      return ERROR_ACCESS_DENIED;
  }
}

}  // namespace cehost
