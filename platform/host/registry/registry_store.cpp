#include "registry/registry_store.h"
#include "registry/store_rows.h"

#include <sqlite3.h>

#include "ce/errors.h"
#include "cehost/handset.h"
#include "cehost/text.h"

namespace cehost {

namespace {

constexpr int kSchemaVersion = 1;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, fold);
CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent);
CREATE TABLE IF NOT EXISTS vals(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS vals_by_name ON vals(key, fold);
CREATE INDEX IF NOT EXISTS vals_by_key ON vals(key);
INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES
  (1, 0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),
  (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
  (3, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
  (4, 0, 'HKEY_USERS', 'HKEY_USERS');
)sql";

}  // namespace

RegistryStore::RegistryStore(const Options& options) {
  // An in-memory registry is a named shared-cache database: the handset's earlier states keep a
  // connection open, so mounting the same home again finds the registry as it was.
  file_ = options.in_memory
              ? "file:m8-registry-" + options.path.string() + "?mode=memory&cache=shared"
              : options.path.string();
  const std::string shown = options.in_memory ? "in-memory registry" : file_;
  int rc = sqlite3_open_v2(file_.c_str(), &db_,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX |
                               (options.in_memory ? SQLITE_OPEN_URI : 0),
                           nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db_, options.busy_timeout_ms);
    // WAL keeps every committed change once the call returns, even if the process is killed
    // right after; a power cut could lose the last changes, which a handset's registry also can.
    char* message = nullptr;
    rc = sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                      &message);
    int version = 0;
    if (rc == SQLITE_OK) {
      sqlite3_stmt* stmt = nullptr;
      rc = sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &stmt, nullptr);
      if (rc == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        version = sqlite3_column_int(stmt, 0);
      sqlite3_finalize(stmt);
    }
    if (rc == SQLITE_OK && version > kSchemaVersion) {
      sqlite3_free(message);
      sqlite3_close(db_);
      db_ = nullptr;
      throw HandsetError(shown + ": registry made by a newer version (schema " +
                         std::to_string(version) + ")");
    }
    if (rc == SQLITE_OK) {
      std::string setup = std::string("BEGIN IMMEDIATE;") + kSchema +
                          "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";COMMIT;";
      rc = sqlite3_exec(db_, setup.c_str(), nullptr, nullptr, &message);
    }
    sqlite3_free(message);
  }
  if (rc != SQLITE_OK) {
    std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) why = "locked by another process";
    sqlite3_close(db_);
    db_ = nullptr;
    throw HandsetError(shown + ": cannot open the registry: " + why);
  }
}

RegistryStore::~RegistryStore() {
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

LONG RegistryStore::Fail(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_BADDB;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

sqlite3_stmt* RegistryStore::Prepare(const char* sql) {
  // Statements are cached by the address of their text, which is a literal at every call site.
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK) {
    return nullptr;
  }
  statements_.emplace(sql, stmt);
  return stmt;
}

LONG RegistryStore::Exec(const char* sql) {
  sqlite3_stmt* stmt = Prepare(sql);
  if (!stmt) return Fail(sqlite3_errcode(db_));
  Use use(stmt);
  int rc = sqlite3_step(stmt);
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc);
}

LONG RegistryStore::BatchLost() {
  // Some failures (a full disk, an I/O error) make SQLite roll back the whole transaction; the
  // batch's later changes must not then be made one by one as if nothing happened.
  if (batch_depth_ > 0 && sqlite3_get_autocommit(db_)) return ERROR_REGISTRY_IO_FAILED;
  return ERROR_SUCCESS;
}

LONG RegistryStore::BeginChange() {
  if (batch_depth_ == 0) return Exec("BEGIN IMMEDIATE");
  if (LONG lost = BatchLost()) return lost;
  return Exec("SAVEPOINT change");
}

LONG RegistryStore::EndChange(LONG rc) {
  if (batch_depth_ == 0) {
    if (rc == ERROR_SUCCESS) rc = Exec("COMMIT");
    if (rc != ERROR_SUCCESS) {
      Exec("ROLLBACK");
      ForgetAllRuns();
    }
    return rc;
  }
  if (rc == ERROR_SUCCESS) rc = Exec("RELEASE change");
  if (rc != ERROR_SUCCESS && !sqlite3_get_autocommit(db_)) {
    Exec("ROLLBACK TO change");
    Exec("RELEASE change");
    ForgetAllRuns();
  }
  return rc;
}

LONG RegistryStore::FindChild(int64_t parent, const std::string& fold, int64_t* child,
                              std::u16string* stored) {
  sqlite3_stmt* stmt = Prepare("SELECT id, name FROM keys WHERE parent = ?1 AND fold = ?2");
  if (!stmt) return Fail(sqlite3_errcode(db_));
  Use use(stmt);
  sqlite3_bind_int64(stmt, 1, parent);
  BindText(stmt, 2, fold);
  int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) {
    *child = sqlite3_column_int64(stmt, 0);
    if (stored) {
      if (!stored->empty()) *stored += u'\\';
      *stored += ColumnText(stmt, 1);
    }
    return ERROR_SUCCESS;
  }
  return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : Fail(rc);
}

LONG RegistryStore::Walk(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
                         std::u16string* stored) {
  if (stored) stored->clear();
  // The names of a longer path are looked up in one read of the registry: one snapshot, and the
  // read locks taken and given back once rather than once a name.
  const bool one_read = path.size() > 1 && sqlite3_get_autocommit(db_);
  if (one_read) {
    if (LONG rc = Exec("BEGIN")) return rc;
  }
  int64_t id = parent;
  LONG rc = ERROR_SUCCESS;
  for (const auto& name : path) {
    rc = FindChild(id, Folded(name), &id, stored);
    if (rc != ERROR_SUCCESS) break;
  }
  if (one_read) Exec("COMMIT");
  if (rc == ERROR_SUCCESS) *key = id;
  return rc;
}

LONG RegistryStore::Open(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
                         std::u16string* stored) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return Walk(parent, path, key, stored);
}

LONG RegistryStore::OpenBelow(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
                              std::u16string* stored) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // A found subkey shows that its parent still exists (a key goes with everything below it);
  // only an empty path or a first name not found asks after the parent itself.
  LONG rc = Walk(parent, path, key, stored);
  const bool parent_unseen = path.empty() || (rc == ERROR_FILE_NOT_FOUND && stored->empty());
  if ((rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) && parent_unseen && parent > kUsers &&
      !ExistsLocked(parent))
    return ERROR_KEY_DELETED;
  return rc;
}

LONG RegistryStore::Create(int64_t parent, const std::vector<std::u16string>& path, int64_t* key,
                           std::vector<int64_t>* created, std::u16string* stored) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  // The whole chain of new keys is one change: either all of them exist afterwards or none.
  LONG rc = BeginChange();
  if (rc != ERROR_SUCCESS) return rc;
  int64_t id = parent;
  created->clear();
  std::u16string names;
  for (size_t i = 0; i < path.size() && rc == ERROR_SUCCESS; ++i) {
    std::string fold = Folded(path[i]);
    if (created->empty()) {
      rc = FindChild(id, fold, &id, &names);
      if (rc == ERROR_SUCCESS) continue;
      if (rc != ERROR_FILE_NOT_FOUND) break;
    }
    sqlite3_stmt* stmt = Prepare("INSERT INTO keys(parent, name, fold) VALUES (?1, ?2, ?3)");
    if (!stmt) {
      rc = Fail(sqlite3_errcode(db_));
      break;
    }
    const std::string stored = ToUtf8(path[i]);
    Use use(stmt);
    sqlite3_bind_int64(stmt, 1, id);
    BindText(stmt, 2, stored);
    BindText(stmt, 3, fold);
    int step = sqlite3_step(stmt);
    rc = step == SQLITE_DONE ? ERROR_SUCCESS : Fail(step);
    ForgetRuns(id, false);
    id = sqlite3_last_insert_rowid(db_);
    created->push_back(id);
    if (!names.empty()) names += u'\\';
    names += path[i];
  }
  rc = EndChange(rc);
  if (rc != ERROR_SUCCESS) {
    created->clear();
    return rc;
  }
  *key = id;
  if (stored) *stored = std::move(names);
  return ERROR_SUCCESS;
}

bool RegistryStore::Exists(int64_t key) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return ExistsLocked(key);
}

bool RegistryStore::ExistsLocked(int64_t key) {
  sqlite3_stmt* stmt = Prepare("SELECT 1 FROM keys WHERE id = ?1");
  if (!stmt) return false;
  Use use(stmt);
  sqlite3_bind_int64(stmt, 1, key);
  return sqlite3_step(stmt) == SQLITE_ROW;
}

LONG RegistryStore::Query(int64_t key, std::u16string_view name, DWORD* type,
                          std::vector<uint8_t>* data) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  sqlite3_stmt* stmt = Prepare("SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
  if (!stmt) return Fail(sqlite3_errcode(db_));
  const std::string fold = Folded(name);
  Use use(stmt);
  sqlite3_bind_int64(stmt, 1, key);
  BindText(stmt, 2, fold);
  int rc = sqlite3_step(stmt);
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return Fail(rc);
  *type = static_cast<DWORD>(sqlite3_column_int64(stmt, 0));
  auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, 1));
  data->assign(bytes, bytes + sqlite3_column_bytes(stmt, 1));
  return ERROR_SUCCESS;
}

LONG RegistryStore::Set(int64_t key, std::u16string_view name, DWORD type, const uint8_t* data,
                        size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (LONG lost = BatchLost()) return lost;
  const std::string fold = Folded(name);
  // A zero-length blob is stored as an empty blob, never as NULL.
  static const uint8_t kEmpty = 0;
  const uint8_t* bytes = size ? data : &kEmpty;
  // Most values set are there already: their type and bytes are replaced, and the name keeps the
  // spelling it was first stored with. A value exists only while its key does, so this needs no
  // look at the key.
  sqlite3_stmt* update =
      Prepare("UPDATE vals SET type = ?3, data = ?4 WHERE key = ?1 AND fold = ?2");
  if (!update) return Fail(sqlite3_errcode(db_));
  {
    Use use(update);
    sqlite3_bind_int64(update, 1, key);
    BindText(update, 2, fold);
    sqlite3_bind_int64(update, 3, type);
    sqlite3_bind_blob(update, 4, bytes, static_cast<int>(size), SQLITE_STATIC);
    int rc = sqlite3_step(update);
    ForgetRuns(key, true);
    if (rc != SQLITE_DONE) return Fail(rc);
    if (sqlite3_changes(db_)) return ERROR_SUCCESS;
  }
  // A new value. The key's existence is checked in the same statement, so a key deleted
  // meanwhile gets no orphan value; one added meanwhile by another process is replaced.
  sqlite3_stmt* insert = Prepare(
      "INSERT INTO vals(key, name, fold, type, data) SELECT ?1, ?2, ?3, ?4, ?5 "
      "WHERE EXISTS (SELECT 1 FROM keys WHERE id = ?1) "
      "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
  if (!insert) return Fail(sqlite3_errcode(db_));
  const std::string stored = ToUtf8(name);
  Use use(insert);
  sqlite3_bind_int64(insert, 1, key);
  BindText(insert, 2, stored);
  BindText(insert, 3, fold);
  sqlite3_bind_int64(insert, 4, type);
  sqlite3_bind_blob(insert, 5, bytes, static_cast<int>(size), SQLITE_STATIC);
  int rc = sqlite3_step(insert);
  if (rc != SQLITE_DONE) return Fail(rc);
  return sqlite3_changes(db_) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG RegistryStore::Delete(int64_t key, std::u16string_view name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (LONG lost = BatchLost()) return lost;
  sqlite3_stmt* stmt = Prepare("DELETE FROM vals WHERE key = ?1 AND fold = ?2");
  if (!stmt) return Fail(sqlite3_errcode(db_));
  const std::string fold = Folded(name);
  Use use(stmt);
  sqlite3_bind_int64(stmt, 1, key);
  BindText(stmt, 2, fold);
  int rc = sqlite3_step(stmt);
  ForgetRuns(key, true);
  if (rc != SQLITE_DONE) return Fail(rc);
  return sqlite3_changes(db_) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegistryStore::DeleteKey(int64_t parent, std::u16string_view name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  LONG rc = BeginChange();
  if (rc != ERROR_SUCCESS) return rc;
  // Runs of the keys below are of keys that go now.
  ForgetAllRuns();
  int64_t id = 0;
  rc = FindChild(parent, Folded(name), &id);
  if (rc == ERROR_SUCCESS) {
    sqlite3_stmt* stmt = Prepare(
        "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL "
        "SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) "
        "DELETE FROM vals WHERE key IN tree");
    sqlite3_stmt* keys = Prepare(
        "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL "
        "SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) "
        "DELETE FROM keys WHERE id IN tree");
    if (!stmt || !keys) {
      rc = Fail(sqlite3_errcode(db_));
    } else {
      for (sqlite3_stmt* each : {stmt, keys}) {
        Use use(each);
        sqlite3_bind_int64(each, 1, id);
        int step = sqlite3_step(each);
        if (step != SQLITE_DONE) {
          rc = Fail(step);
          break;
        }
      }
    }
  }
  return EndChange(rc);
}

LONG RegistryStore::BeginBatch() {
  // Held until the batch ends: other threads wait, this thread takes it again on each call.
  mutex_.lock();
  LONG rc = batch_depth_ == 0 ? Exec("BEGIN IMMEDIATE") : BatchLost();
  if (rc == ERROR_SUCCESS && batch_depth_ > 0) rc = Exec("SAVEPOINT batch");
  if (rc != ERROR_SUCCESS) {
    mutex_.unlock();
    return rc;
  }
  ++batch_depth_;
  return ERROR_SUCCESS;
}

LONG RegistryStore::CommitBatch() {
  LONG rc = BatchLost();
  if (rc == ERROR_SUCCESS) rc = Exec(batch_depth_ == 1 ? "COMMIT" : "RELEASE batch");
  if (rc != ERROR_SUCCESS) {
    RollbackBatch();
    return rc;
  }
  --batch_depth_;
  mutex_.unlock();
  return ERROR_SUCCESS;
}

void RegistryStore::RollbackBatch() {
  // Undone changes can take away entries that runs hold.
  ForgetAllRuns();
  if (!sqlite3_get_autocommit(db_)) {
    if (batch_depth_ == 1) {
      Exec("ROLLBACK");
    } else {
      Exec("ROLLBACK TO batch");
      Exec("RELEASE batch");
    }
  }
  --batch_depth_;
  mutex_.unlock();
}

}  // namespace cehost
