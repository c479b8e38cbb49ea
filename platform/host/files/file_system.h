// The handset's file system: the fs/ folder of the handset home, seen as one CE tree.
//
// Names are looked up without regard to case and keep the case they were created with. No path
// leaves fs/: ".." is not a name, and every look-up walks from the root one folder descriptor at a
// time, refusing (never following) a symbolic link at any step; the calls then act on the held
// folder and the last name, so a folder swapped for a link meanwhile leads nowhere else.
// Attribute bits that a Unix file cannot hold live in a side table, the text file fs-attributes
// in the handset home, shared by every process of the handset: see attribute_table.h. Share modes
// hold across processes: see share_locks.h. The files' guards and the table lock are bytes of the
// lock file fs-locks in the handset home.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ce/files.h"
#include "cehost/journal.h"
#include "files/attribute_table.h"
#include "files/folder_index.h"
#include "files/host_fd.h"
#include "files/storage_limit.h"

namespace cehost {

class FileObject;

// A CE path taken apart: its names from the root down.
struct CePath {
  std::vector<std::u16string> names;
  // The path ended with a separator ("\dir\"), which only a folder may carry.
  bool trailing_separator = false;
  bool is_root() const { return names.empty(); }
};

// Splits a CE path at "\" and "/"; 0, or 87 for null, 3 for an empty path, 206 for a path of
// MAX_PATH characters or more, 123 for an invalid name ("*" and "?" are allowed in the last name
// when wildcards_in_last).
DWORD ParseCePath(const char16_t* path, bool wildcards_in_last, CePath* out);

// True when the name holds "*" or "?".
bool HasWildcards(std::u16string_view name);

// Where a CE path leads on the host: the folder that holds its last name, held open, and that
// name. Calls act on the pair (openat, unlinkat, renameat...), never on a host path string.
struct Location {
  // The folder holding the last name (an O_PATH descriptor); for the root, the root itself.
  HostFd parent;
  // The last name on the host: as stored when it exists, as given when not; "." for the root.
  std::string name;
  // The CE path in the stored case of each name that exists, UTF-8; "\" for the root.
  std::string ce;
  // The last name exists; st then holds its fstatat (links not followed).
  bool exists = false;
  struct stat st = {};
  bool is_folder() const { return exists && S_ISDIR(st.st_mode); }
};

// The data parts of an access mask, as share checks and handle I/O see them.
struct DataAccess {
  bool read = false;
  bool write = false;
  static DataAccess Of(DWORD desired_access);
  bool none() const { return !read && !write; }
};

// The win32 error code of a host errno.
DWORD ErrorFromErrno(int error);

class FileSystem {
 public:
  // The file system of the handset at home.
  explicit FileSystem(std::filesystem::path home);
  ~FileSystem();
  FileSystem(const FileSystem&) = delete;
  FileSystem& operator=(const FileSystem&) = delete;

  struct OpenRequest {
    DWORD access = 0;
    DWORD share = 0;
    DWORD disposition = 0;
    DWORD attributes = 0;
  };
  // Opens or creates a file as CreateFileW does: 0 with the open file and whether it existed
  // before, or the error code.
  DWORD Open(const CePath& path, const OpenRequest& request, Journal& journal,
             std::shared_ptr<FileObject>* file, bool* existed);

  // Deletes a file that is neither a folder, read-only nor in ROM, and that every handle open on
  // it shares delete; 0 or the error code.
  DWORD Delete(const CePath& path, Journal& journal);
  // Copies a file with its data, write time and attributes; 0 or the error code.
  DWORD Copy(const CePath& from, const CePath& to, bool fail_if_exists, Journal& journal);
  // Puts the file source in the place of the file dest, in one step; dest must exist, and every
  // handle open on either file must share delete.
  DWORD Replace(const CePath& dest, const CePath& source, Journal& journal);
  // Renames a file or folder to a name that does not exist; 0 or the error code.
  DWORD Move(const CePath& from, const CePath& to, Journal& journal);
  // Makes one folder whose parent exists; 0 or the error code.
  DWORD CreateFolder(const CePath& path, Journal& journal);
  // Removes an empty folder; 0 or the error code.
  DWORD RemoveFolder(const CePath& path, Journal& journal);
  // The attribute bits of a file or folder; 0 or the error code.
  DWORD GetAttributes(const CePath& path, DWORD* attributes);
  // Sets the settable attribute bits of a file or folder; 0 or the error code.
  DWORD SetAttributes(const CePath& path, DWORD attributes, Journal& journal);
  // Every entry that the search pattern finds, in the CE layout; 0 or the error code.
  DWORD Find(const CePath& pattern, std::vector<WIN32_FIND_DATAW>* found);

  // The free space of the handset's storage, when it is limited (cehost/storage.h).
  StorageLimit& storage() { return storage_; }

  // Counts a handle among this process's open files (for moving folders that hold them).
  void Track(FileObject& file);
  // Forgets an open file (when its object goes).
  void Untrack(const FileObject& file);

 private:
  // Follows the names from the root, each looked up without regard to case (a name not spelled
  // as stored through the folder's index), one held folder at a time; 0, or 3 when a folder on the
  // way is missing or is a file, or 5 when a name on the way is a symbolic link.
  DWORD Resolve(const std::vector<std::u16string>& names, Location* out) const;
  // Resolve for paths that must name an existing file or folder: 2 when the last name is missing,
  // 123 when a trailing separator follows a file.
  DWORD ResolveExisting(const CePath& path, Location* out) const;
  // Opens the folder that names (all of them folders) lead to, held as an O_PATH descriptor; its
  // CE path in stored case goes to ce. 0 or the error code, as Resolve gives them.
  DWORD WalkFolders(const std::vector<std::u16string>& names, size_t count, HostFd* folder,
                    std::string* ce) const;
  // True when the last name of where still leads to the file st describes.
  static bool StillNamed(const Location& where, const struct stat& st);

  // The search entry of an existing file or folder, named name, with its bits from the table as
  // last read (Find reads it once for all its entries).
  WIN32_FIND_DATAW EntryOf(const Location& where, std::u16string_view name) const;
  // The attribute bits of an existing file or folder, the table as last read.
  DWORD AttributesAsRead(const Location& where) const;
  // The attribute bits of an existing file or folder, the table read again first if it changed.
  DWORD AttributesOf(const Location& where);
  // Applies new attribute bits to an existing file or folder, host bits (through fd, the file's
  // own descriptor; unused for a folder) and table bits: under table_lock when the caller holds
  // it, else under a table lock taken here if the table must change. 0 or the error code; on an
  // error the bits are as before.
  DWORD ApplyAttributes(const Location& where, int fd, DWORD attributes,
                        const AttributeTable::Lock* table_lock);

  // Opens the file at where with the host flags (O_CREAT|O_EXCL to make it), never through a
  // link, into fd; refreshes where->st. 0, kLookAgain when the name went meanwhile, or the error
  // code: 5 for anything but a regular file, and for writing a file with more than one link.
  DWORD OpenHostFile(Location* where, int flags, HostFd* fd) const;
  // Makes the handle of an open host file: under the file's guard, checks that the name still
  // leads to it (kLookAgain if not) and the share modes of every handle open on it in any
  // process (32), and registers its own; 0 or the error code. The handle's writes go to the
  // journal.
  DWORD Adopt(const Location& where, HostFd fd, DataAccess access, DWORD share, Journal& journal,
              std::shared_ptr<FileObject>* file);
  // The part of Open for a file that exists.
  DWORD OpenExisting(Location& where, const OpenRequest& request, DataAccess access,
                     Journal& journal, std::shared_ptr<FileObject>* file, bool* existed);
  // The part of Open for a file that does not exist yet.
  DWORD Create(Location& where, const OpenRequest& request, DataAccess access, Journal& journal,
               std::shared_ptr<FileObject>* file, bool* existed);

  // Opens the existing file at where for a look at its share markers, refreshing where->st; 0,
  // kLookAgain, or the error code.
  DWORD OpenForRemoval(Location* where, HostFd* fd) const;

  // True when a handle of this process is open on a file at or below the CE path.
  bool AnyOpenAtOrBelow(const std::string& ce) const;

  // What a step returns when the name it looked up has gone or changed meanwhile: the caller looks
  // it up again (a bounded number of times).
  static constexpr DWORD kLookAgain = 0xFFFFFFFF;
  static constexpr int kLookUps = 8;

  std::filesystem::path home_;
  std::string root_;
  // The root folder, held open for look-ups below it; -1 when it could not be opened.
  int root_fd_ = -1;
  // The lock file whose bytes are the files' guards and the table lock; -1 when it could not be
  // opened.
  int lock_fd_ = -1;

  // Held over every operation on names, and over the attribute table. It also keeps this
  // process's threads from sharing a guard or the table lock, which the one descriptor of the
  // lock file would let them do.
  //
  // The order of the locks, which every call takes in the same way so that no two calls wait for
  // each other: mutex_, then the table lock, then files' guards (the lower byte first). Nothing
  // waits for the table lock while it holds a guard. Calls that change names (delete, move,
  // replace, folders made or removed) and SetAttributes hold the table lock from their look-up to
  // their end, so that no other process changes the table, or the names it holds, meanwhile.
  mutable std::mutex mutex_;
  // Per CE path (stored case), the bits beyond what the host file holds, where they differ from
  // the default (ARCHIVE for a file, none for a folder).
  AttributeTable table_;
  // Folders by case-folded name, for names looked up in another case than the stored one; under
  // mutex_ (look-ups are const, hence mutable).
  mutable FolderIndexes folder_indexes_;

  StorageLimit storage_;

  mutable std::mutex open_mutex_;
  std::set<const FileObject*> open_;
};

}  // namespace cehost
