// RegSetValueExW and RegQueryValueExW against raw SQLite doing the same row operation, and the
// import of a large .reg file against raw SQLite inserting the same rows in one transaction, on
// an in-memory and an on-disk database.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ce/registry.h"
#include "cehost/registry_transaction.h"
#include "cehost/text.h"
#include "paired_rounds.h"
#include "sim/handset.h"
#include "sim/regfile/reg_file.h"

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

// RegSetValueExW on disk against the raw upsert of the same row, in alternating rounds. A batch
// is long enough to hold a few of the checkpoints that the write-ahead log makes every thousand
// pages or so, so that batches of either side see as many of them.
void BM_RegSetOverUpsert(benchmark::State& state) {
  RegistryBench bench(false);
  RawSqlite raw(false);
  DWORD value = 0;
  auto set = [&] {
    ++value;
    return RegSetValueExW(bench.key, u"Switch", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
  };
  auto upsert = [&] {
    raw.Set(++value);
    return value;
  };
  std::array<double, 2> ns{};
  for (auto _ : state) ns = bench::RoundMedians<bench::CpuClock>(11, 2000, set, upsert);
  bench.handset->journal().Clear();
  state.counters["set_ns"] = ns[0];
  state.counters["floor_ns"] = ns[1];
  state.counters["x_floor"] = ns[0] / ns[1];
}
BENCHMARK(BM_RegSetOverUpsert)->Iterations(1)->Unit(benchmark::kMillisecond);

// Opening a key three levels below a root, reading one value and closing it again, on disk.
void BM_RegOpenQueryClose(benchmark::State& state) {
  RegistryBench bench(false);
  DWORD value = 1;
  RegSetValueExW(bench.key, u"Switch", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  auto open_query_close = [] {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\Setting\\EDGE", 0, 0, &key);
    DWORD out = 0;
    DWORD size = sizeof out;
    if (rc == ERROR_SUCCESS)
      rc = RegQueryValueExW(key, u"Switch", nullptr, nullptr, reinterpret_cast<BYTE*>(&out), &size);
    RegCloseKey(key);
    return rc + static_cast<LONG>(out);
  };
  std::array<double, 1> ns{};
  for (auto _ : state) ns = bench::RoundMedians<bench::CpuClock>(15, 500, open_query_close);
  state.counters["us"] = ns[0] / 1000;
}
BENCHMARK(BM_RegOpenQueryClose)->Iterations(1)->Unit(benchmark::kMillisecond);

// Every value of a key of many values enumerated with RegEnumValueW, index after index, against
// the floor: one SELECT of all their names, types and data on a connection of its own to the
// same registry file. "x_floor" is the median ratio over the rounds.
void BM_RegEnumValues(benchmark::State& state) {
  const auto count = static_cast<DWORD>(state.range(0));
  RegistryBench bench(false);
  {
    cehost::RegistryTransaction batch;
    for (DWORD i = 0; i < count; ++i) {
      std::u16string name = u"Value" + cehost::ToUtf16(std::to_string(i));
      RegSetValueExW(bench.key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i),
                     sizeof i);
    }
    batch.Commit();
  }
  bench.handset->journal().Clear();
  sqlite3* db = nullptr;
  sqlite3_open_v2((bench.handset->home() / "registry.db").c_str(), &db, SQLITE_OPEN_READONLY,
                  nullptr);
  sqlite3_stmt* all = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT vals.name, vals.type, vals.data FROM vals JOIN keys ON"
                     " vals.key = keys.id WHERE keys.name = 'EDGE' ORDER BY vals.id",
                     -1, &all, nullptr);
  auto enumerate = [&] {
    WCHAR name[64];
    BYTE data[16];
    DWORD index = 0;
    for (;; ++index) {
      DWORD chars = 64;
      DWORD size = sizeof data;
      DWORD type = 0;
      if (RegEnumValueW(bench.key, index, name, &chars, nullptr, &type, data, &size) !=
          ERROR_SUCCESS)
        break;
    }
    return index;
  };
  auto select_all = [&] {
    DWORD rows = 0;
    size_t bytes = 0;
    while (sqlite3_step(all) == SQLITE_ROW) {
      ++rows;
      bytes += static_cast<size_t>(sqlite3_column_bytes(all, 0) + sqlite3_column_bytes(all, 2));
      benchmark::DoNotOptimize(sqlite3_column_text(all, 0));
      benchmark::DoNotOptimize(sqlite3_column_int64(all, 1));
      benchmark::DoNotOptimize(sqlite3_column_blob(all, 2));
    }
    sqlite3_reset(all);
    return rows + static_cast<DWORD>(bytes);
  };
  std::array<double, 2> ns{};
  for (auto _ : state) ns = bench::RoundMedians<bench::CpuClock>(5, 1, enumerate, select_all);
  sqlite3_finalize(all);
  sqlite3_close(db);
  state.counters["enum_ms"] = ns[0] / 1e6;
  state.counters["floor_ms"] = ns[1] / 1e6;
  state.counters["x_floor"] = ns[0] / ns[1];
}
BENCHMARK(BM_RegEnumValues)
    ->ArgName("values")
    ->Arg(1000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The keys of the import benchmarks: 20 groups of 1,000 keys, each key with a dword and a string.
constexpr int kImportKeys = 20000;
constexpr int kGroupKeys = 1000;

std::string GroupName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "G%03d", i / kGroupKeys);
  return name;
}

std::string KeyName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "K%06d", i);
  return name;
}

std::string ValueText(int i) {
  return "key " + std::to_string(i);
}

std::vector<uint8_t> ImportFile() {
  std::string text = "REGEDIT4\r\n\r\n";
  for (int i = 0; i < kImportKeys; ++i) {
    char value[16];
    std::snprintf(value, sizeof value, "%08x", i);
    text += "[HKEY_LOCAL_MACHINE\\Software\\Bulk\\" + GroupName(i) + "\\" + KeyName(i) +
            "]\r\n\"Value\"=dword:" + value + "\r\n\"Name\"=\"" + ValueText(i) + "\"\r\n";
  }
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The floor of an import: the same key and value rows inserted by raw SQLite in one transaction,
// with the registry's tables and indexes; its time in seconds.
double InsertFloor(bool in_memory) {
  RawSqlite raw(in_memory);
  sqlite3* db = raw.db;
  sqlite3_exec(db,
               "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
               " name TEXT NOT NULL, fold TEXT NOT NULL);"
               "CREATE UNIQUE INDEX keys_by_name ON keys(parent, fold);"
               "CREATE INDEX keys_by_parent ON keys(parent);"
               "CREATE INDEX vals_by_key ON vals(key);",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* key = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO keys(parent, name, fold) VALUES (?1, ?2, ?3)", -1, &key,
                     nullptr);
  sqlite3_stmt* value = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO vals(key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5)",
                     -1, &value, nullptr);
  auto insert_key = [&](int64_t parent, const std::string& name) {
    std::string fold = name;
    for (char& c : fold) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    sqlite3_bind_int64(key, 1, parent);
    sqlite3_bind_text(key, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(key, 3, fold.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(key);
    sqlite3_reset(key);
    return sqlite3_last_insert_rowid(db);
  };
  auto insert_value = [&](int64_t parent, const char* name, const char* fold, DWORD type,
                          const void* data, int size) {
    sqlite3_bind_int64(value, 1, parent);
    sqlite3_bind_text(value, 2, name, -1, SQLITE_STATIC);
    sqlite3_bind_text(value, 3, fold, -1, SQLITE_STATIC);
    sqlite3_bind_int64(value, 4, type);
    sqlite3_bind_blob(value, 5, data, size, SQLITE_TRANSIENT);
    sqlite3_step(value);
    sqlite3_reset(value);
  };
  auto start = std::chrono::steady_clock::now();
  sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  int64_t bulk = insert_key(insert_key(3, "Software"), "Bulk");
  int64_t group = 0;
  for (int i = 0; i < kImportKeys; ++i) {
    if (i % kGroupKeys == 0) group = insert_key(bulk, GroupName(i));
    int64_t id = insert_key(group, KeyName(i));
    DWORD number = static_cast<DWORD>(i);
    insert_value(id, "Value", "VALUE", REG_DWORD, &number, 4);
    std::u16string text;
    for (char c : ValueText(i)) text += static_cast<char16_t>(c);
    insert_value(id, "Name", "NAME", REG_SZ, text.c_str(),
                 static_cast<int>((text.size() + 1) * sizeof(char16_t)));
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  sqlite3_finalize(key);
  sqlite3_finalize(value);
  return took.count();
}

// ImportRegistry of 20,000 new keys with two values each into a fresh registry; "x_floor" is its
// time over the raw insert floor's, measured in the same run.
void BM_RegImport(benchmark::State& state) {
  const bool in_memory = state.range(0) == 0;
  const std::vector<uint8_t> file = ImportFile();
  double import_seconds = 0;
  double floor_seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    floor_seconds += InsertFloor(in_memory);
    sim::Handset::Options options;
    options.registry_in_memory = in_memory;
    auto handset = std::make_unique<sim::Handset>(options);
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(sim::ImportRegistry(file));
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    import_seconds += took.count();
    state.PauseTiming();
    handset.reset();
    state.ResumeTiming();
  }
  state.counters["keys_per_s"] =
      benchmark::Counter(static_cast<double>(kImportKeys) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["x_floor"] = import_seconds / floor_seconds;
}
BENCHMARK(BM_RegImport)->ArgName("disk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SqliteInsertKeys(benchmark::State& state) {
  for (auto _ : state) {
    state.SetIterationTime(InsertFloor(state.range(0) == 0));
  }
}
BENCHMARK(BM_SqliteInsertKeys)
    ->ArgName("disk")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
