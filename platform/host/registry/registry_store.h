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
  // When stored is given it receives the path's names as stored, joined by backslashes.
  LONG Open(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
            std::u16string* stored = nullptr);
  // Open for a key reached through a handle: ERROR_KEY_DELETED when parent itself is gone.
  LONG OpenBelow(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
                 std::u16string* stored);
  // Finds or creates the key along the path; *created lists the keys that were made, parents
  // first (empty when the key existed). When stored is given it receives the path's names as
  // stored (new keys spelled as given), joined by backslashes.
  LONG Create(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
              std::vector<int64_t>* created, std::u16string* stored = nullptr);
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
  // Asking for the indexes one after the other costs the same at every index.
  LONG EnumKey(int64_t key, uint32_t index, std::u16string* name);
  // The index-th value of the key in a stable order; ERROR_NO_MORE_ITEMS past the end. Asking
  // for the indexes one after the other costs the same at every index.
  LONG EnumValue(int64_t key, uint32_t index, std::u16string* name, DWORD* type,
                 std::vector<uint8_t>* data);

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
  LONG FindChild(int64_t parent, const std::string& fold, int64_t* child,
                 std::u16string* stored = nullptr);
  LONG Walk(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
            std::u16string* stored);
  bool ExistsLocked(int64_t key);

  // A run of a key's values or subkeys in their order, read at once: enumerating index after
  // index reads the next run where the last one ended instead of counting from the first entry.
  struct EnumEntry {
    std::u16string name;
    DWORD type = 0;
    std::vector<uint8_t> data;
  };
  struct EnumRun {
    int64_t key = 0;
    bool values = false;
    // The index of entries[0], the row id of the last entry, and the index asked last.
    uint32_t first = 0;
    uint32_t asked = 0;
    int64_t last_row = 0;
    // The run ends the key's entries.
    bool at_end = false;
    // The database's data version when the run was read.
    uint32_t version = 0;
    std::vector<EnumEntry> entries;
  };
  LONG Enumerate(int64_t key, bool values, uint32_t index, const EnumEntry** entry);
  LONG ReadRun(EnumRun* run, uint32_t index, bool continues);
  uint32_t DataVersion();
  // Forgets the runs of a key (values or subkeys) after a change made to it here.
  void ForgetRuns(int64_t key, bool values);
  void ForgetAllRuns();
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
  // The runs of the enumerations under way, the most recent last; a few at most.
  std::vector<EnumRun> runs_;
};

}  // namespace cehost
