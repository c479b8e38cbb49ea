#include "cehost/journal.h"

#include <nlohmann/json.hpp>

namespace cehost {

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
  if (BytesCut()) {
    j["byte_count"] = byte_count;
    j["bytes_cut"] = true;
  }
  // Text that is not valid UTF-8 (it never should be) is replaced rather than thrown on.
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void RecordEffect(Journal& journal, EffectKind kind,
                  std::vector<std::pair<std::string, std::string>> fields,
                  std::vector<uint8_t> bytes) {
  JournalEntry entry;
  entry.kind = KindName(kind);
  entry.fields = std::move(fields);
  entry.bytes = std::move(bytes);
  journal.Record(std::move(entry));
}

void Journal::Record(JournalEntry entry) {
  std::lock_guard lock(mutex_);
  entry.seq = next_seq_++;
  entry.byte_count = entry.bytes.size();
  if (file_.is_open()) {
    file_ << entry.ToJson() << '\n';
    // Each line reaches the file as its effect happens, for a reader that follows it.
    file_.flush();
  }
  if (entry.bytes.size() > limits_.max_entry_bytes) {
    // A new vector of the kept length, so that the memory of the rest goes too.
    auto first = entry.bytes.begin();
    entry.bytes =
        std::vector<uint8_t>(first, first + static_cast<ptrdiff_t>(limits_.max_entry_bytes));
  }
  entries_.push_back(std::move(entry));
  DropOldest();
}

void Journal::DropOldest() {
  while (entries_.size() > limits_.max_entries) entries_.pop_front();
}

std::vector<JournalEntry> Journal::Entries() const {
  std::lock_guard lock(mutex_);
  return std::vector<JournalEntry>(entries_.begin(), entries_.end());
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

size_t Journal::KeptBytes() const {
  std::lock_guard lock(mutex_);
  size_t total = 0;
  for (const auto& e : entries_) total += e.bytes.capacity();
  return total;
}

void Journal::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

void Journal::WriteJsonLines(std::ostream& out) const {
  std::lock_guard lock(mutex_);
  for (const auto& e : entries_) out << e.ToJson() << '\n';
}

bool Journal::AttachFile(const std::string& path) {
  std::lock_guard lock(mutex_);
  file_.close();
  file_.clear();
  if (path.empty()) return true;
  file_.open(path, std::ios::app | std::ios::binary);
  return file_.is_open();
}

void Journal::SetLimits(const JournalLimits& limits) {
  std::lock_guard lock(mutex_);
  limits_ = limits;
  DropOldest();
}

JournalLimits Journal::Limits() const {
  std::lock_guard lock(mutex_);
  return limits_;
}

}  // namespace cehost
