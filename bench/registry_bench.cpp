// RegSetValueExW and RegQueryValueExW against raw SQLite doing the same row operation, on an
// in-memory and an on-disk database.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "ce/registry.h"
#include "sim/handset.h"

namespace {

struct RegistryBench {
  explicit RegistryBench(bool in_memory) {
    sim::Handset::Options options;
    options.registry_in_memory = in_memory;
    handset = std::make_unique<sim::Handset>(options);
    RegCreateKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
  }
  ~RegistryBench() { RegCloseKey(key); }
  std::unique_ptr<sim::Handset> handset;
  HKEY key = nullptr;
};

void BM_RegSetValue(benchmark::State& state) {
  RegistryBench bench(state.range(0) == 0);
  DWORD value = 0;
  for (auto _ : state) {
    ++value;
    LONG rc = RegSetValueExW(bench.key, u"Switch", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&value), sizeof value);
    benchmark::DoNotOptimize(rc);
  }
  // The journal would otherwise grow with every iteration.
  bench.handset->journal().Clear();
}
BENCHMARK(BM_RegSetValue)->ArgName("disk")->Arg(0)->Arg(1);

void BM_RegQueryValue(benchmark::State& state) {
  RegistryBench bench(state.range(0) == 0);
  DWORD value = 1;
  RegSetValueExW(bench.key, u"Switch", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  for (auto _ : state) {
    DWORD out = 0;
    DWORD size = sizeof out;
    LONG rc = RegQueryValueExW(bench.key, u"Switch", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(&out), &size);
    benchmark::DoNotOptimize(rc);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_RegQueryValue)->ArgName("disk")->Arg(0)->Arg(1);

// The floor: one table of values keyed by key id and folded name, with the same settings.
struct RawSqlite {
  explicit RawSqlite(bool in_memory) {
    if (!in_memory) {
      dir = std::filesystem::temp_directory_path() / "m8-bench-sqlite";
      std::filesystem::create_directories(dir);
      std::filesystem::remove(dir / "raw.db");
    }
    std::string file = in_memory ? ":memory:" : (dir / "raw.db").string();
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                 "CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER, name TEXT, fold TEXT,"
                 " type INTEGER, data BLOB);"
                 "CREATE UNIQUE INDEX vals_by_name ON vals(key, fold);",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO vals(key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5)"
                       " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type,"
                       " data = excluded.data",
                       -1, &upsert, nullptr);
    sqlite3_prepare_v2(db, "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2", -1, &select,
                       nullptr);
  }
  ~RawSqlite() {
    sqlite3_finalize(upsert);
    sqlite3_finalize(select);
    sqlite3_close(db);
    if (!dir.empty()) std::filesystem::remove_all(dir);
  }
  void Set(uint32_t value) {
    sqlite3_bind_int64(upsert, 1, 7);
    sqlite3_bind_text(upsert, 2, "Switch", -1, SQLITE_STATIC);
    sqlite3_bind_text(upsert, 3, "SWITCH", -1, SQLITE_STATIC);
    sqlite3_bind_int64(upsert, 4, REG_DWORD);
    sqlite3_bind_blob(upsert, 5, &value, sizeof value, SQLITE_TRANSIENT);
    sqlite3_step(upsert);
    sqlite3_reset(upsert);
  }
  uint32_t Get() {
    uint32_t value = 0;
    sqlite3_bind_int64(select, 1, 7);
    sqlite3_bind_text(select, 2, "SWITCH", -1, SQLITE_STATIC);
    if (sqlite3_step(select) == SQLITE_ROW && sqlite3_column_bytes(select, 1) == 4)
      std::memcpy(&value, sqlite3_column_blob(select, 1), 4);
    sqlite3_reset(select);
    return value;
  }
  std::filesystem::path dir;
  sqlite3* db = nullptr;
  sqlite3_stmt* upsert = nullptr;
  sqlite3_stmt* select = nullptr;
};

void BM_SqliteUpsert(benchmark::State& state) {
  RawSqlite raw(state.range(0) == 0);
  uint32_t value = 0;
  for (auto _ : state) raw.Set(++value);
}
BENCHMARK(BM_SqliteUpsert)->ArgName("disk")->Arg(0)->Arg(1);

void BM_SqliteSelect(benchmark::State& state) {
  RawSqlite raw(state.range(0) == 0);
  raw.Set(1);
  for (auto _ : state) benchmark::DoNotOptimize(raw.Get());
}
BENCHMARK(BM_SqliteSelect)->ArgName("disk")->Arg(0)->Arg(1);

}  // namespace
