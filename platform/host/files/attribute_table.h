// The side table of attribute bits, the text file fs-attributes in the handset home, as every
// process of the handset shares it.
//
// One line per CE path (stored case) whose bits differ from the default, "0x%08x \path": a file
// with no line has ARCHIVE, a folder with no line has nothing more. Every process may change the
// table at any time, so a read first looks whether the file changed since it was last read (one
// stat: device, inode, size, change and write times) and reads it again if so. The descriptor of
// the file last read stays open, so that its inode cannot be freed and handed to a newer table,
// which would then look unchanged.
//
// A change is a read-modify-write under the table lock, an exclusive open-file-description lock
// on a byte of the handset's lock file (fs-locks) past every byte a file's guard can take (see
// share_locks.h). The table is saved through a temporary file of a name no other writer uses,
// renamed over the table, so a reader sees the old table or the new one, never a mix. A process
// that dies holding the lock lets go of it with its descriptors.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>

#include "ce/types.h"
#include "files/host_fd.h"

namespace cehost {

// The table lock's byte of the lock file: past every guard's byte (GuardOffset is below 2^62).
constexpr off_t kTableLockOffset = off_t{1} << 62;

class AttributeTable {
 public:
  // The table at path; lock_fd is the handset's lock file, or -1 when there is none (then only
  // the callers' own mutex keeps writers apart).
  AttributeTable(std::string path, int lock_fd);

  // The table lock, held from construction (which waits for it) to destruction. Once it is held,
  // the table is up to date and stays so, as no other process can change it meanwhile. The
  // FileSystem takes it under its mutex and before any file's guard, never the other way round.
  // A Lock made while another Lock of the same table is held adds nothing and lets go of nothing.
  class Lock {
   public:
    explicit Lock(AttributeTable& table);
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    friend class AttributeTable;
    AttributeTable& table_;
    // Whether another Lock of the table was held already.
    bool nested_ = false;
    // Whether the byte is locked (false without a lock file, or when the host refused the lock).
    bool held_ = false;
  };

  // Reads the table again if its file changed since it was last read; 0, or the error code when
  // it could not be read (the entries read before then stay).
  DWORD Refresh();

  // The table bits of the CE path as last read: its entry, or the default for a file or folder.
  DWORD BitsOf(const std::string& ce, bool folder) const;

  // The changes: each reads nothing (the lock did), changes the entries and saves the table when
  // anything changed. 0, or the error code of the read under the lock or of the save; on an error
  // the table, on disk and here, is as before.
  //
  // Sets the entry of ce to the table bits of attributes (the entry goes when they are the
  // default).
  DWORD Store(const Lock& lock, const std::string& ce, bool folder, DWORD attributes);
  // Removes the entries of ce and of everything below it.
  DWORD Forget(const Lock& lock, const std::string& ce);
  // Moves the entries of from and everything below it to to, after removing those at and below
  // to, which belonged to objects gone from that name.
  DWORD Rename(const Lock& lock, const std::string& from, const std::string& to);
  // Puts back and saves the entries as they were before the last change saved under this lock,
  // for a host change that failed after the table's change was saved.
  void Undo(const Lock& lock);

  // Store that takes the lock only when the entry must change, as it mostly need not.
  DWORD StoreLocking(const std::string& ce, bool folder, DWORD attributes);

 private:
  using Entries = std::map<std::string, DWORD>;
  // What identifies one version of the table file.
  struct Stamp {
    dev_t dev;
    ino_t ino;
    off_t size;
    struct timespec mtime;
    struct timespec ctime;
    bool operator==(const Stamp& other) const;
  };
  static Stamp StampOf(const struct stat& st);

  // True when storing attributes for ce would change the entries.
  bool StoreChanges(const std::string& ce, bool folder, DWORD attributes) const;

  // Writes entries to a new file and renames it over the table; 0 or the error code. On success
  // they become the entries here, and the ones they replace are kept for Undo.
  DWORD Commit(Entries entries);

  std::string path_;
  int lock_fd_;
  Entries entries_;
  // Whether the entries were read at all yet.
  bool read_ = false;
  // The version of the file the entries were read from (or saved as); none when no file was
  // there.
  std::optional<Stamp> stamp_;
  // The file the entries were read from, held open (see the header comment).
  HostFd loaded_;
  // Whether a Lock of the table is held.
  bool locked_ = false;
  // The entries before the last change saved under the lock now held.
  std::optional<Entries> before_;
  // The error of the read made when the lock was taken, for the changes under it.
  DWORD lock_error_ = 0;
  // Numbers the temporary files this process writes.
  unsigned saves_ = 0;
};

}  // namespace cehost
