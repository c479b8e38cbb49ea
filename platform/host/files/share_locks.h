// Share modes that hold for every process of a handset, kept as open-file-description locks.
//
// Each handle holds, through its own descriptor of the host file, shared locks on marker bytes
// far past any data: one says "reads", one "writes", and one each for the sharing it refuses
// (read, write, delete). A new open looks for holders of the markers its access and share mode
// conflict with. Locks of an open file description go when its last descriptor closes, so a
// handle's share mode ends with the handle, or with the process that held it, killed or not.
//
// Looking and then taking must be one step for every process: that is the guard, an exclusive
// lock on a byte of the handset's lock file, chosen by the file's inode. Whoever takes the guard
// of a file sees every handle registered on it before, and nothing registers meanwhile.
#pragma once

#include <sys/stat.h>

#include "ce/types.h"
#include "files/file_system.h"

namespace cehost {

// True when a handle open on the file, in any process, conflicts with a new open of it with this
// data access and share mode; fd is the new open's own descriptor of the file.
bool ShareConflict(int fd, DataAccess access, DWORD share);

// Takes the markers of a handle with this data access and share mode through its descriptor
// (opened for reading); false with errno set when the host refuses a lock.
bool HoldShareMarkers(int fd, DataAccess access, DWORD share);

// True when every handle open on the file, in any process, shares delete.
bool EveryHandleSharesDelete(int fd);

// The guard of one file, held exclusively from construction (which waits for it) to
// destruction. With no lock file (lock_fd -1) it guards nothing beyond the caller's own locks.
class FileGuard {
 public:
  FileGuard(int lock_fd, const struct stat& st);
  ~FileGuard();
  FileGuard(const FileGuard&) = delete;
  FileGuard& operator=(const FileGuard&) = delete;

 private:
  int lock_fd_;
  off_t offset_;
};

// The lock file's byte for a file: its guard's place. Two files with the same byte share a guard,
// which only makes them wait for each other. The bytes are below 2^62: the byte at 2^62 is the
// attribute table's lock (attribute_table.h).
off_t GuardOffset(const struct stat& st);

}  // namespace cehost
