// Enumerating a key's values and subkeys by index. Callers ask for index 0, 1, 2... in turn, so
// the entries are read in runs: the next run starts after the last row of the one before, which
// costs the same at every index, where counting from the first entry would grow with the index.
#include <algorithm>

#include "ce/errors.h"
#include "registry/registry_store.h"
#include "registry/store_rows.h"

namespace cehost {

namespace {

// Entries read at once: enough that the query's own cost is spread thin, few enough that a run
// read for a single index stays cheap.
constexpr int kRunLength = 64;
// Enumerations under way whose runs are kept; an older one starts over by counting.
constexpr size_t kRunsKept = 8;

}  // namespace

uint32_t RegistryStore::DataVersion() {
  // Changes whenever the database's content changes, through this connection or through another
  // one (that one's changes as of the last read this connection began).
  unsigned int version = 0;
  sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version);
  return version;
}

void RegistryStore::ForgetRuns(int64_t key, bool values) {
  std::erase_if(runs_, [&](const EnumRun& run) { return run.key == key && run.values == values; });
}

void RegistryStore::ForgetAllRuns() {
  runs_.clear();
}

LONG RegistryStore::ReadRun(EnumRun* run, uint32_t index, bool continues) {
  // A run that continues the last one starts after its last row; any other starts by counting
  // the entries before the index.
  sqlite3_stmt* stmt =
      run->values
          ? (continues ? Prepare("SELECT id, name, type, data FROM vals WHERE key = ?1 AND id > ?2 "
                                 "ORDER BY id LIMIT ?3")
                       : Prepare("SELECT id, name, type, data FROM vals WHERE key = ?1 "
                                 "ORDER BY id LIMIT ?3 OFFSET ?2"))
          : (continues ? Prepare("SELECT id, name FROM keys WHERE parent = ?1 AND id > ?2 "
                                 "ORDER BY id LIMIT ?3")
                       : Prepare("SELECT id, name FROM keys WHERE parent = ?1 "
                                 "ORDER BY id LIMIT ?3 OFFSET ?2"));
  if (!stmt) return Fail(sqlite3_errcode(db_));
  Use use(stmt);
  sqlite3_bind_int64(stmt, 1, run->key);
  sqlite3_bind_int64(stmt, 2, continues ? run->last_row : index);
  sqlite3_bind_int(stmt, 3, kRunLength);
  int rc = sqlite3_step(stmt);
  // The first step has begun the read, so the version now includes every change made elsewhere
  // until then. A change since the last run could have removed entries before it, which would
  // move the indexes: the run is then read again by counting.
  const uint32_t version = DataVersion();
  if (continues && version != run->version) {
    sqlite3_reset(stmt);
    return ReadRun(run, index, false);
  }
  run->entries.clear();
  for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
    EnumEntry& entry = run->entries.emplace_back();
    run->last_row = sqlite3_column_int64(stmt, 0);
    entry.name = ColumnText(stmt, 1);
    if (run->values) {
      entry.type = static_cast<DWORD>(sqlite3_column_int64(stmt, 2));
      auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, 3));
      entry.data.assign(bytes, bytes + sqlite3_column_bytes(stmt, 3));
    }
  }
  if (rc != SQLITE_DONE) {
    run->entries.clear();
    return Fail(rc);
  }
  run->first = index;
  run->version = version;
  run->at_end = run->entries.size() < static_cast<size_t>(kRunLength);
  return ERROR_SUCCESS;
}

LONG RegistryStore::Enumerate(int64_t key, bool values, uint32_t index, const EnumEntry** entry) {
  auto it = std::find_if(runs_.begin(), runs_.end(), [&](const EnumRun& run) {
    return run.key == key && run.values == values;
  });
  // A run serves only the enumeration under way: the index asked last again (a caller asks once
  // for the sizes and once more for the data) or the one after it. Index 0 begins a new
  // enumeration, read afresh. Changes made here to the key drop its runs; changes from elsewhere
  // are seen from the next run on, as a read that began before them would see them.
  const bool under_way =
      it != runs_.end() && index != 0 && (index == it->asked || index == it->asked + 1);
  if (under_way && index >= it->first && index - it->first < it->entries.size()) {
    it->asked = index;
    *entry = &it->entries[index - it->first];
    return ERROR_SUCCESS;
  }
  const bool continues = under_way && index == it->first + it->entries.size();
  if (continues && it->at_end) {
    runs_.erase(it);
    return ERROR_NO_MORE_ITEMS;
  }
  EnumRun run;
  if (it != runs_.end()) {
    run = std::move(*it);
    runs_.erase(it);
  }
  run.key = key;
  run.values = values;
  if (LONG rc = ReadRun(&run, index, continues)) return rc;
  if (run.entries.empty()) return ERROR_NO_MORE_ITEMS;
  run.asked = index;
  if (runs_.size() >= kRunsKept) runs_.erase(runs_.begin());
  runs_.push_back(std::move(run));
  *entry = &runs_.back().entries.front();
  return ERROR_SUCCESS;
}

LONG RegistryStore::EnumKey(int64_t key, uint32_t index, std::u16string* name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const EnumEntry* entry = nullptr;
  if (LONG rc = Enumerate(key, false, index, &entry)) return rc;
  *name = entry->name;
  return ERROR_SUCCESS;
}

LONG RegistryStore::EnumValue(int64_t key, uint32_t index, std::u16string* name, DWORD* type,
                              std::vector<uint8_t>* data) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const EnumEntry* entry = nullptr;
  if (LONG rc = Enumerate(key, true, index, &entry)) return rc;
  *name = entry->name;
  *type = entry->type;
  *data = entry->data;
  return ERROR_SUCCESS;
}

}  // namespace cehost
