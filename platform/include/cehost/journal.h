// The journal: every effect a platform call had outside the library, in order.
#pragma once

#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cehost {

// One effect: its kind ("reg.set_value", "file.write", "trace"...), decoded fields and, where the
// effect carried bytes, those bytes.
struct JournalEntry {
  uint64_t seq = 0;
  std::string kind;
  std::vector<std::pair<std::string, std::string>> fields;
  std::vector<uint8_t> bytes;

  // The value of the named field, or an empty string.
  std::string Field(std::string_view name) const;
  // True when the entry has the named field.
  bool HasField(std::string_view name) const;
  // The entry as one JSON object (the bytes in hexadecimal), without a line end.
  std::string ToJson() const;
};

class Journal {
 public:
  // Appends an entry, numbering it; also writes it to the journal file when one is attached.
  void Record(JournalEntry entry);
  // Copies of every entry so far, in order.
  std::vector<JournalEntry> Entries() const;
  // Copies of the entries of one kind, in order.
  std::vector<JournalEntry> Entries(std::string_view kind) const;
  // Copies of the entries whose kind begins with the prefix ("reg." for every registry effect).
  std::vector<JournalEntry> EntriesWithPrefix(std::string_view prefix) const;
  // Number of entries so far.
  size_t Size() const;
  // Forgets every entry (numbering goes on).
  void Clear();
  // Writes every entry as JSON lines.
  void WriteJsonLines(std::ostream& out) const;
  // Appends each later entry to the file as a JSON line; an empty path detaches.
  void AttachFile(const std::string& path);

 private:
  mutable std::mutex mutex_;
  std::vector<JournalEntry> entries_;
  uint64_t next_seq_ = 1;
  std::string file_path_;
};

// Hexadecimal text of bytes, two lower-case digits a byte.
std::string HexBytes(const uint8_t* data, size_t size);

}  // namespace cehost
