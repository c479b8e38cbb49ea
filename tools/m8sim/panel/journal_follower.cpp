#include "journal_follower.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "journal_view.h"

namespace m8sim {

namespace {

// The most bytes of an effect kept, as the journal in memory keeps them: a file write of
// megabytes shows its beginning and its size.
constexpr size_t kKeptBytes = 4096;
// How much of the file's beginning is compared to tell a file cut and written again.
constexpr size_t kHeadBytes = 256;

// Reads the file from offset to its end.
std::string ReadFrom(int fd, uint64_t offset) {
  std::string text;
  char buffer[65536];
  for (;;) {
    ssize_t n = pread(fd, buffer, sizeof buffer, static_cast<off_t>(offset + text.size()));
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace

JournalFollower::JournalFollower(std::filesystem::path file, size_t max_entries)
    : file_(std::move(file)), max_entries_(max_entries) {}

bool JournalFollower::Poll() {
  int fd = open(file_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status;
  if (fstat(fd, &status) != 0) {
    close(fd);
    return false;
  }
  // Another file, or this one cut (and maybe written again past where reading was): its lines
  // are new from the first.
  bool cut = static_cast<uint64_t>(status.st_size) < offset_;
  if (!cut && !head_.empty()) {
    std::string head(head_.size(), '\0');
    cut = pread(fd, head.data(), head.size(), 0) != static_cast<ssize_t>(head.size()) ||
          head != head_;
  }
  if (status.st_ino != inode_ || cut) {
    inode_ = status.st_ino;
    offset_ = 0;
    partial_.clear();
    head_.clear();
  }
  std::string text = ReadFrom(fd, offset_);
  close(fd);
  if (head_.size() < kHeadBytes && offset_ == head_.size())
    head_ += text.substr(0, kHeadBytes - head_.size());
  offset_ += text.size();
  uint64_t before = revision_;
  partial_ += text;
  size_t start = 0;
  for (size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1)
    Take(partial_.substr(start, end - start));
  partial_.erase(0, start);
  DropOldest();
  return revision_ != before;
}

JournalFollower::Group& JournalFollower::GroupOf(int64_t pid) {
  auto open = open_groups_.find(pid);
  if (open != open_groups_.end()) return groups_[open->second];
  // Effects of a program that names no command (one using the library directly).
  Group& group = groups_[next_group_];
  group.id = next_group_++;
  group.pid = pid;
  group.title = "process " + std::to_string(pid);
  group.revision = ++revision_;
  open_groups_[pid] = group.id;
  return group;
}

void JournalFollower::Take(const std::string& text) {
  cehost::JournalLine line;
  if (!cehost::ParseJournalLine(text, &line)) return;
  if (line.mark && line.entry.kind == "m8sim.command") {
    Group& group = groups_[next_group_];
    group.id = next_group_++;
    group.pid = line.process;
    group.title = line.entry.Field("command");
    group.revision = ++revision_;
    open_groups_[line.process] = group.id;
    return;
  }
  if (line.mark && line.entry.kind == "m8sim.end") {
    Group& group = GroupOf(line.process);
    group.open = false;
    group.exit = line.entry.Field("exit");
    group.result = line.entry.Field("result");
    group.error = line.entry.Field("error");
    group.revision = ++revision_;
    open_groups_.erase(line.process);
    return;
  }
  if (line.mark) return;
  Group& group = GroupOf(line.process);
  cehost::JournalEntry& entry = line.entry;
  if (entry.bytes.size() > kKeptBytes) entry.bytes.resize(kKeptBytes);
  nlohmann::json json = EntryJson(entry);
  json["id"] = ++revision_;
  json["group"] = group.id;
  json["pid"] = line.process;
  entries_.push_back({revision_, std::move(json)});
}

void JournalFollower::DropOldest() {
  while (entries_.size() > max_entries_) entries_.pop_front();
  // Closed groups older than every entry kept go with their entries; so do the oldest groups
  // when commands without effects pile up.
  uint64_t oldest_group =
      entries_.empty() ? next_group_ : entries_.front().json["group"].get<uint64_t>();
  for (auto it = groups_.begin(); it != groups_.end();) {
    bool old = it->first < oldest_group || groups_.size() > max_entries_;
    if (old && !it->second.open)
      it = groups_.erase(it);
    else
      ++it;
  }
}

nlohmann::json JournalFollower::Since(uint64_t revision) const {
  nlohmann::json groups = nlohmann::json::array();
  for (const auto& [id, group] : groups_) {
    if (group.revision <= revision) continue;
    groups.push_back({{"id", group.id},
                      {"pid", group.pid},
                      {"title", group.title},
                      {"open", group.open},
                      {"exit", group.exit},
                      {"result", group.result},
                      {"error", group.error}});
  }
  nlohmann::json entries = nlohmann::json::array();
  for (const auto& kept : entries_)
    if (kept.revision > revision) entries.push_back(kept.json);
  return {{"revision", revision_}, {"groups", groups}, {"entries", entries}};
}

}  // namespace m8sim
