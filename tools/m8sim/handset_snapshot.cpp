#include "handset_snapshot.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "ce/errors.h"
#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/registry.h"
#include "cehost/text.h"
#include "errors.h"
#include "sim/regfile/reg_file.h"
#include "sim/regfile/reg_walk.h"

namespace m8sim {

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxNameLength = 64;

std::vector<SnapshotValue> KeyValues(HKEY key, const std::u16string& path) {
  std::vector<SnapshotValue> values;
  for (sim::KeyValue& value : sim::ReadKeyValues(key, path))
    values.push_back({cehost::ToUtf8(value.name), value.type, std::move(value.data)});
  return values;
}

// The device manager's list of the drivers it loaded: rebuilt each time the handset starts,
// with other handles, so that it would differ between any two runs.
constexpr char16_t kActiveDrivers[] = u"HKEY_LOCAL_MACHINE\\Drivers\\Active";

void AddKeyTree(HKEY key, const std::u16string& path, std::vector<SnapshotKey>* keys) {
  if (cehost::EqualsIgnoreCase(path, kActiveDrivers)) return;
  keys->push_back({cehost::ToUtf8(path), KeyValues(key, path)});
  for (const std::u16string& subkey : sim::ReadSubkeyNames(key, path)) {
    sim::OpenedKey child;
    sim::OpenSubkey(key, path, subkey, &child);
    AddKeyTree(child.get(), path + u"\\" + subkey, keys);
  }
}

std::vector<uint8_t> FileContents(const std::u16string& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw Failure("cannot open " + cehost::ToUtf8(path));
  std::vector<uint8_t> bytes;
  uint8_t chunk[8192];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  CloseHandle(file);
  return bytes;
}

// The folder's entries and, below each subfolder, its own; folder is "" for the root.
void AddFolder(const std::u16string& folder, std::vector<SnapshotEntry>* entries) {
  std::u16string pattern = folder + u"\\*";
  WIN32_FIND_DATAW data = {};
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<std::pair<std::u16string, DWORD>> found;
  do {
    std::u16string name = data.cFileName;
    if (name != u"." && name != u"..") found.emplace_back(name, data.dwFileAttributes);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  for (const auto& [name, attributes] : found) {
    std::u16string path = folder + u"\\" + name;
    SnapshotEntry entry;
    entry.path = cehost::ToUtf8(path);
    entry.attributes = attributes;
    entry.folder = attributes & FILE_ATTRIBUTE_DIRECTORY;
    if (!entry.folder) {
      std::vector<uint8_t> bytes = FileContents(path);
      entry.size = bytes.size();
      entry.hash = ContentsHash(bytes);
    }
    entries->push_back(entry);
    if (entry.folder) AddFolder(path, entries);
  }
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<uint8_t> Bytes(const std::string& hex) {
  if (hex.size() % 2) throw Failure("snapshot: odd number of hex digits in \"" + hex + "\"");
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = HexDigit(hex[i]);
    int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) throw Failure("snapshot: not hex: \"" + hex + "\"");
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  return bytes;
}

}  // namespace

HandsetSnapshot TakeSnapshot() {
  HandsetSnapshot snapshot;
  try {
    AddKeyTree(HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE", &snapshot.keys);
    AddKeyTree(HKEY_CURRENT_USER, u"HKEY_CURRENT_USER", &snapshot.keys);
  } catch (const sim::RegFileError& e) {
    throw Failure(e.what());
  }
  AddFolder(u"", &snapshot.entries);
  return snapshot;
}

nlohmann::json SnapshotJson(const HandsetSnapshot& snapshot) {
  nlohmann::json keys = nlohmann::json::array();
  for (const SnapshotKey& key : snapshot.keys) {
    nlohmann::json values = nlohmann::json::array();
    for (const SnapshotValue& value : key.values)
      values.push_back({{"name", value.name}, {"type", value.type}, {"data", Hex(value.data)}});
    keys.push_back({{"key", key.path}, {"values", values}});
  }
  nlohmann::json files = nlohmann::json::array();
  for (const SnapshotEntry& entry : snapshot.entries) {
    nlohmann::json file = {
        {"path", entry.path}, {"folder", entry.folder}, {"attributes", entry.attributes}};
    if (!entry.folder) {
      file["size"] = entry.size;
      file["hash"] = entry.hash;
    }
    files.push_back(file);
  }
  return {{"registry", keys}, {"files", files}};
}

HandsetSnapshot SnapshotFromJson(const nlohmann::json& json) {
  HandsetSnapshot snapshot;
  try {
    for (const auto& key : json.at("registry")) {
      SnapshotKey read{key.at("key").get<std::string>(), {}};
      for (const auto& value : key.at("values"))
        read.values.push_back({value.at("name").get<std::string>(),
                               value.at("type").get<uint32_t>(),
                               Bytes(value.at("data").get<std::string>())});
      snapshot.keys.push_back(read);
    }
    for (const auto& file : json.at("files")) {
      SnapshotEntry entry;
      entry.path = file.at("path").get<std::string>();
      entry.folder = file.at("folder").get<bool>();
      entry.attributes = file.at("attributes").get<uint32_t>();
      if (!entry.folder) {
        entry.size = file.at("size").get<uint64_t>();
        entry.hash = file.at("hash").get<std::string>();
      }
      snapshot.entries.push_back(entry);
    }
  } catch (const nlohmann::json::exception& e) {
    throw Failure(std::string("not a handset snapshot: ") + e.what());
  }
  return snapshot;
}

std::string ContentsHash(const std::vector<uint8_t>& bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001b3ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

bool ValidSnapshotName(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength || name.front() == '.') return false;
  for (char c : name) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    bool digit = c >= '0' && c <= '9';
    if (!letter && !digit && c != '.' && c != '_' && c != '-') return false;
  }
  return true;
}

fs::path SnapshotPath(const fs::path& home, const std::string& name) {
  if (!ValidSnapshotName(name))
    throw UsageError("not a snapshot name: \"" + name +
                     "\" (1 to 64 letters, digits, '.', '_' or '-', not beginning with '.')");
  return home / "snapshots" / (name + ".json");
}

void SaveSnapshot(const fs::path& home, const std::string& name, const HandsetSnapshot& snapshot) {
  fs::path path = SnapshotPath(home, name);
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  // Written aside and renamed over, so that a snapshot is never read half-written.
  fs::path aside = path;
  aside += ".new";
  {
    std::ofstream out(aside, std::ios::binary | std::ios::trunc);
    out << SnapshotJson(snapshot).dump(1) << '\n';
    if (!out.flush()) throw Failure("cannot write " + aside.string());
  }
  fs::rename(aside, path, error);
  if (error) throw Failure("cannot write " + path.string() + ": " + error.message());
}

HandsetSnapshot LoadSnapshot(const fs::path& home, const std::string& name) {
  fs::path path = SnapshotPath(home, name);
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw Failure("no snapshot named \"" + name + "\" in " + home.string() +
                  " (\"m8sim handset snapshot " + name + "\" takes one)");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
  if (json.is_discarded()) throw Failure(path.string() + " is not JSON");
  try {
    return SnapshotFromJson(json);
  } catch (const Failure& e) {
    throw Failure(path.string() + ": " + e.what());
  }
}

}  // namespace m8sim
