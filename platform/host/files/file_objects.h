// The objects behind file and search handles.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ce/files.h"
#include "cehost/journal.h"
#include "files/file_system.h"
#include "kernel/handle_table.h"

namespace cehost {

// An open file: a host descriptor, the handle's own file pointer and its data access. The
// descriptor holds the handle's share markers; they go with it when the object goes.
class FileObject : public HandleObject {
 public:
  // Takes over the descriptor of the file at the CE path; st is its fstat. Its writes are
  // recorded in the journal of the handset that opened it.
  FileObject(FileSystem* files, Journal* journal, int fd, const struct stat& st,
             std::string ce_path, DataAccess access);
  ~FileObject() override;

  // Reads at the file pointer and moves it past what was read; at the end of the file, 0 bytes.
  BOOL Read(void* buffer, DWORD size, DWORD* done) override;
  // Writes at the file pointer and moves it past what was written; writing nothing only touches
  // the write time.
  BOOL Write(const void* data, DWORD size, DWORD* done) override;

  int fd() const { return fd_; }
  dev_t device() const { return device_; }
  ino_t inode() const { return inode_; }
  // The CE path in stored case, as the journal names the file.
  const std::string& ce_path() const { return ce_path_; }
  DataAccess access() const { return access_; }
  // The storage space of the handset that opened it.
  StorageLimit& storage() const { return files_->storage(); }
  // The journal of the handset that opened it, where its effects are recorded.
  Journal& journal() const { return *journal_; }

  // Guards the file pointer; held over each read, write and move of the pointer.
  std::mutex& pointer_mutex() { return pointer_mutex_; }
  int64_t pointer = 0;

 private:
  friend class FileSystem;
  FileSystem* files_;
  Journal* journal_;
  int fd_;
  dev_t device_;
  ino_t inode_;
  std::string ce_path_;
  DataAccess access_;
  // Set by FileSystem::Track.
  bool tracked_ = false;
  std::mutex pointer_mutex_;
};

// A search: the entries found when it started, handed out one by one.
class FindObject : public HandleObject {
 public:
  explicit FindObject(std::vector<WIN32_FIND_DATAW> entries);

  // A search closes only with FindClose.
  bool ClosedByCloseHandle() const override { return false; }

  // Copies the next entry out; false when every entry has been handed out.
  bool Next(WIN32_FIND_DATAW* out);

 private:
  std::mutex mutex_;
  std::vector<WIN32_FIND_DATAW> entries_;
  size_t next_ = 0;
};

}  // namespace cehost
