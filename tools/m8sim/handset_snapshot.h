// A snapshot of the handset: its registry (HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER) and its file
// tree with attributes and contents hashes, as the platform's calls show them, kept under the
// handset home by name so that a later diff shows what a call changed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace m8sim {

struct SnapshotValue {
  std::string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

struct SnapshotKey {
  // The full name with the stored spelling: "HKEY_LOCAL_MACHINE\SOFTWARE\Razud".
  std::string path;
  std::vector<SnapshotValue> values;
};

struct SnapshotEntry {
  // The CE path: "\Windows\46000.ini".
  std::string path;
  bool folder = false;
  uint32_t attributes = 0;
  // Files only: the size in bytes and the contents hash (16 hexadecimal digits).
  uint64_t size = 0;
  std::string hash;
};

struct HandsetSnapshot {
  std::vector<SnapshotKey> keys;
  std::vector<SnapshotEntry> entries;
};

// The current handset's registry and files now, without HKEY_LOCAL_MACHINE\Drivers\Active (the
// drivers loaded, listed anew at each start). Throws Failure when a key or file cannot be read.
HandsetSnapshot TakeSnapshot();

// The snapshot as JSON: {"registry":[{"key","values":[{"name","type","data" (hex)}]}],
// "files":[{"path","folder","attributes","size","hash"}]}.
nlohmann::json SnapshotJson(const HandsetSnapshot& snapshot);
// The snapshot JSON gives; throws Failure when it is not one.
HandsetSnapshot SnapshotFromJson(const nlohmann::json& json);

// The contents hash of bytes: 64-bit FNV-1a as 16 hexadecimal digits.
std::string ContentsHash(const std::vector<uint8_t>& bytes);

// True for a snapshot name: 1 to 64 letters, digits, ".", "_" or "-", not beginning with ".".
bool ValidSnapshotName(const std::string& name);
// Where the snapshot of that name is kept: home/snapshots/NAME.json. Throws UsageError for a
// name that is not valid.
std::filesystem::path SnapshotPath(const std::filesystem::path& home, const std::string& name);
// Keeps the snapshot under the name, replacing one of that name whole. Throws Failure when it
// cannot be written.
void SaveSnapshot(const std::filesystem::path& home, const std::string& name,
                  const HandsetSnapshot& snapshot);
// The snapshot kept under the name; throws Failure when there is none or it cannot be read.
HandsetSnapshot LoadSnapshot(const std::filesystem::path& home, const std::string& name);

}  // namespace m8sim
