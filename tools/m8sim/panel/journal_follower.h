// The journal file of a handset home followed as it grows: every process working on the handset
// appends its effects to it, between marks naming the command that caused them. The follower
// reads what was added since it last looked and keeps the latest entries, grouped by command.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "cehost/journal.h"

namespace m8sim {

class JournalFollower {
 public:
  // Follows the file from its beginning; keeps at most max_entries entries (oldest dropped
  // first) and the groups they belong to.
  explicit JournalFollower(std::filesystem::path file, size_t max_entries = 5000);

  // Reads the lines added to the file since the last call; true when any entry or group came or
  // changed. A file that was replaced or cut shorter is read again from its beginning (what was
  // read from the old one is kept); a missing file adds nothing. A line that is not a journal
  // line is passed over.
  bool Poll();

  // What came or changed after the revision (0 for everything kept): {"revision": the latest,
  // "groups": [{"id","pid","title","open","exit","result","error"}], "entries": [the entry as
  // m8sim's journal JSON shows it, with "id", "group" and "pid"]}, oldest first.
  nlohmann::json Since(uint64_t revision) const;
  // The latest revision.
  uint64_t revision() const { return revision_; }

 private:
  struct Group {
    uint64_t id = 0;
    uint64_t revision = 0;
    int64_t pid = 0;
    std::string title;
    bool open = true;
    std::string exit, result, error;
  };
  struct Kept {
    uint64_t revision = 0;
    nlohmann::json json;
  };

  void Take(const std::string& text);
  Group& GroupOf(int64_t pid);
  void DropOldest();

  std::filesystem::path file_;
  size_t max_entries_;
  // Where reading goes on: the file read (its inode) and the offset reached; a line not yet
  // ended waits in partial_; head_ holds the file's first bytes as read.
  ino_t inode_ = 0;
  uint64_t offset_ = 0;
  std::string partial_;
  std::string head_;
  uint64_t revision_ = 0;
  uint64_t next_group_ = 1;
  std::map<uint64_t, Group> groups_;
  // The open group of each process that is writing.
  std::map<int64_t, uint64_t> open_groups_;
  std::deque<Kept> entries_;
};

}  // namespace m8sim
