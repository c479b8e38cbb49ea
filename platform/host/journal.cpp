#include "cehost/journal.h"

#include <fstream>

#include <nlohmann/json.hpp>

namespace cehost {

std::string HexBytes(const uint8_t* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 15]);
  }
  return out;
}

std::string JournalEntry::Field(std::string_view name) const {
  for (const auto& [key, value] : fields)
    if (key == name) return value;
  return {};
}

bool JournalEntry::HasField(std::string_view name) const {
  for (const auto& field : fields)
    if (field.first == name) return true;
  return false;
}

std::string JournalEntry::ToJson() const {
  nlohmann::ordered_json j;
  j["seq"] = seq;
  j["kind"] = kind;
  for (const auto& [key, value] : fields) j[key] = value;
  if (!bytes.empty()) j["bytes"] = HexBytes(bytes.data(), bytes.size());
  // Text that is not valid UTF-8 (it never should be) is replaced rather than thrown on.
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void Journal::Record(JournalEntry entry) {
  std::lock_guard lock(mutex_);
  entry.seq = next_seq_++;
  if (!file_path_.empty()) {
    std::ofstream out(file_path_, std::ios::app | std::ios::binary);
    out << entry.ToJson() << '\n';
  }
  entries_.push_back(std::move(entry));
}

std::vector<JournalEntry> Journal::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::vector<JournalEntry> Journal::Entries(std::string_view kind) const {
  std::lock_guard lock(mutex_);
  std::vector<JournalEntry> out;
  for (const auto& e : entries_)
    if (e.kind == kind) out.push_back(e);
  return out;
}

std::vector<JournalEntry> Journal::EntriesWithPrefix(std::string_view prefix) const {
  std::lock_guard lock(mutex_);
  std::vector<JournalEntry> out;
  for (const auto& e : entries_)
    if (e.kind.starts_with(prefix)) out.push_back(e);
  return out;
}

size_t Journal::Size() const {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

void Journal::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

void Journal::WriteJsonLines(std::ostream& out) const {
  std::lock_guard lock(mutex_);
  for (const auto& e : entries_) out << e.ToJson() << '\n';
}

void Journal::AttachFile(const std::string& path) {
  std::lock_guard lock(mutex_);
  file_path_ = path;
}

}  // namespace cehost
