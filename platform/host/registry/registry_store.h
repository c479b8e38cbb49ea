// The registry's storage: one SQLite row per key and per value, names compared without regard
// to case and kept with their case, every change one transaction (or part of the batch open on
// the calling thread).
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ce/types.h"

struct sqlite3;
struct sqlite3_stmt;

namespace cehost {

class RegistryStore {
 public:
  struct Options {
    bool in_memory = false;
    std::filesystem::path path;
    int busy_timeout_ms = 2000;
  };

  // Row ids of the root keys.
  static constexpr int64_t kClassesRoot = 1;
  static constexpr int64_t kCurrentUser = 2;
  static constexpr int64_t kLocalMachine = 3;
  static constexpr int64_t kUsers = 4;

  // Opens or creates the store; throws HandsetError naming the file when it cannot be used.
  explicit RegistryStore(const Options& options);
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // Finds the key below parent along the path components; ERROR_FILE_NOT_FOUND when missing.
  LONG Open(int64_t parent, const std::vector<std::u16string>& path, int64_t* key);
  // Finds or creates the key along the path; *created lists the keys that were made, parents
  // first (empty when the key existed).
  LONG Create(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
              std::vector<int64_t>* created);
  // True while the key exists.
  bool Exists(int64_t key);
  // Reads a value's type and bytes; ERROR_FILE_NOT_FOUND when missing.
  LONG Query(int64_t key, std::u16string_view name, DWORD* type, std::vector<uint8_t>* data);
  // Stores a value, replacing type and bytes of a value of the same name; ERROR_KEY_DELETED when
  // the key is gone.
  LONG Set(int64_t key, std::u16string_view name, DWORD type, const uint8_t* data, size_t size);
  // Removes a value; ERROR_FILE_NOT_FOUND when missing.
  LONG Delete(int64_t key, std::u16string_view name);
  // Removes a subkey with everything below it; ERROR_FILE_NOT_FOUND when missing.
  LONG DeleteKey(int64_t parent, std::u16string_view name);
  // The name of the key's index-th subkey in a stable order; ERROR_NO_MORE_ITEMS past the end.
  LONG EnumKey(int64_t key, uint32_t index, std::u16string* name);
  // The index-th value of the key in a stable order; ERROR_NO_MORE_ITEMS past the end.
  LONG EnumValue(int64_t key, uint32_t index, std::u16string* name, DWORD* type,
                 std::vector<uint8_t>* data);
  // The key's full name from its root, as "HKEY_LOCAL_MACHINE\A\B", in its stored case.
  std::u16string PathOf(int64_t key);

  // Opens a batch on the calling thread: its later calls are one transaction until the batch
  // ends, and other threads' calls wait until then. A batch opened within another is a part of
  // it that can be undone alone. The thread that opens a batch ends it.
  LONG BeginBatch();
  // Ends the innermost batch keeping its changes (lasting when the outermost one ends so); when
  // that fails they are undone and the error is returned.
  LONG CommitBatch();
  // Ends the innermost batch undoing its changes.
  void RollbackBatch();

 private:
  LONG Fail(int rc);
  sqlite3_stmt* Prepare(const char* sql);
  LONG FindChild(int64_t parent, const std::string& fold, int64_t* child);
  LONG Exec(const char* sql);
  LONG BatchLost();
  LONG BeginChange();
  LONG EndChange(LONG rc);

  // Recursive: an open batch holds it for its length, and its thread's calls take it again.
  std::recursive_mutex mutex_;
  // How many batches are open, one within the other.
  int batch_depth_ = 0;
  sqlite3* db_ = nullptr;
  std::string file_;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace cehost
