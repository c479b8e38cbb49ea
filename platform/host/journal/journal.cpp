#include "cehost/journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

namespace {

nlohmann::ordered_json EntryObject(const JournalEntry& entry) {
  nlohmann::ordered_json j;
  j["seq"] = entry.seq;
  j["kind"] = entry.kind;
  for (const auto& [key, value] : entry.fields) j[key] = value;
  if (!entry.bytes.empty()) j["bytes"] = HexBytes(entry.bytes.data(), entry.bytes.size());
  if (entry.BytesCut()) {
    j["byte_count"] = entry.byte_count;
    j["bytes_cut"] = true;
  }
  return j;
}

// Text that is not valid UTF-8 (it never should be) is replaced rather than thrown on.
std::string Dump(const nlohmann::ordered_json& j) {
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The program the calling thread records for; 0: its own process.
thread_local int64_t t_acting_pid = 0;

// A journal file's line: the object with the program it is of ("pid"), and a line end.
std::string FileLine(nlohmann::ordered_json j) {
  j["pid"] = t_acting_pid ? t_acting_pid : static_cast<int64_t>(getpid());
  return Dump(j) + "\n";
}

// Writes the whole line with one call where the system allows, so that a reader or another
// writer never sees it cut in two by someone else's line.
void WriteLine(int fd, const std::string& line) {
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = write(fd, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>* bytes) {
  if (text.size() % 2) return false;
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return true;
}

}  // namespace

ActingFor::ActingFor(int64_t pid) : previous_(t_acting_pid) {
  t_acting_pid = pid;
}

ActingFor::~ActingFor() {
  t_acting_pid = previous_;
}

std::string JournalEntry::ToJson() const {
  return Dump(EntryObject(*this));
}

bool ParseJournalLine(std::string_view text, JournalLine* line) {
  nlohmann::ordered_json j = nlohmann::ordered_json::parse(text, nullptr, false);
  if (!j.is_object() || !j.contains("kind") || !j["kind"].is_string()) return false;
  JournalLine parsed;
  for (const auto& [key, value] : j.items()) {
    if (key == "kind") {
      parsed.entry.kind = value.get<std::string>();
    } else if (key == "seq" && value.is_number_unsigned()) {
      parsed.entry.seq = value.get<uint64_t>();
    } else if (key == "pid" && value.is_number_integer()) {
      parsed.process = value.get<int64_t>();
    } else if (key == "mark" && value.is_boolean()) {
      parsed.mark = value.get<bool>();
    } else if (key == "byte_count" && value.is_number_unsigned()) {
      parsed.entry.byte_count = value.get<size_t>();
    } else if (key == "bytes_cut" && value.is_boolean()) {
      continue;
    } else if (key == "bytes" && value.is_string()) {
      if (!ParseHex(value.get<std::string>(), &parsed.entry.bytes)) return false;
    } else if (value.is_string()) {
      parsed.entry.fields.emplace_back(key, value.get<std::string>());
    } else {
      return false;
    }
  }
  if (parsed.entry.byte_count < parsed.entry.bytes.size())
    parsed.entry.byte_count = parsed.entry.bytes.size();
  *line = std::move(parsed);
  return true;
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
  entry.byte_count = std::max<size_t>(entry.byte_count, entry.bytes.size());
  if (forwarding_.load(std::memory_order_acquire)) {
    std::function<void(const JournalEntry&)> forward;
    {
      std::lock_guard lock(mutex_);
      forward = forward_;
    }
    // Handed on outside the lock: the forward may wait for a server to start.
    if (forward) forward(entry);
  }
  std::lock_guard lock(mutex_);
  entry.seq = next_seq_++;
  // Each line reaches the file as its effect happens, for a reader that follows it.
  if (file_ >= 0) WriteLine(file_, FileLine(EntryObject(entry)));
  if (entry.bytes.size() > limits_.max_entry_bytes) {
    // A new vector of the kept length, so that the memory of the rest goes too.
    auto first = entry.bytes.begin();
    entry.bytes =
        std::vector<uint8_t>(first, first + static_cast<ptrdiff_t>(limits_.max_entry_bytes));
  }
  entries_.push_back(std::move(entry));
  DropOldest();
}

void Journal::SetForward(std::function<void(const JournalEntry&)> forward) {
  std::lock_guard lock(mutex_);
  forward_ = std::move(forward);
  forwarding_.store(static_cast<bool>(forward_), std::memory_order_release);
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

Journal::~Journal() {
  if (file_ >= 0) close(file_);
}

bool Journal::AttachFile(const std::string& path) {
  std::lock_guard lock(mutex_);
  if (file_ >= 0) close(file_);
  file_ = -1;
  if (path.empty()) return true;
  file_ = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  return file_ >= 0;
}

void Journal::Mark(const std::string& kind,
                   const std::vector<std::pair<std::string, std::string>>& fields) {
  std::lock_guard lock(mutex_);
  if (file_ < 0) return;
  nlohmann::ordered_json j;
  j["kind"] = kind;
  j["mark"] = true;
  for (const auto& [key, value] : fields) j[key] = value;
  WriteLine(file_, FileLine(std::move(j)));
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
