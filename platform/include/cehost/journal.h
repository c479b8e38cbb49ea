// The journal: every effect a platform call had outside the library, in order.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cehost/journal_kinds.h"

namespace cehost {

// One effect: its kind (the name of an EffectKind: "reg.set_value", "file.write", "trace"...),
// decoded fields and, where the effect carried bytes, those bytes.
struct JournalEntry {
  uint64_t seq = 0;
  std::string kind;
  std::vector<std::pair<std::string, std::string>> fields;
  // The bytes the effect carried; in an entry the journal keeps, only the first of them when
  // there were more than its limit allows (byte_count says how many there were).
  std::vector<uint8_t> bytes;
  // How many bytes the effect carried; set by Journal::Record.
  size_t byte_count = 0;

  // The value of the named field, or an empty string.
  std::string Field(std::string_view name) const;
  // True when the entry has the named field.
  bool HasField(std::string_view name) const;
  // True when bytes holds fewer bytes than the effect carried.
  bool BytesCut() const { return bytes.size() < byte_count; }
  // The entry as one JSON object (the bytes in hexadecimal; a cut entry also gives "byte_count"
  // and "bytes_cut": true), without a line end.
  std::string ToJson() const;
};

// How much of the journal is kept in memory. The journal file, when one is attached, gets every
// entry whole.
struct JournalLimits {
  // The most entries kept; older ones are dropped first. A command or a test causes tens to a few
  // thousand effects, so 10,000 keeps all of them, while a loop that runs for minutes (rewriting
  // an INI file, importing a large .reg file) stays within a bounded memory.
  size_t max_entries = 10000;
  // The most bytes kept of each entry. 4 KiB holds every registry value, record and control
  // input the library passes, and the beginning of a file write; 10,000 such entries take at
  // most 40 MiB.
  size_t max_entry_bytes = 4096;
};

class Journal {
 public:
  Journal() = default;
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Appends an entry, numbering it and recording how many bytes it carried (at least its own);
  // writes it whole to the journal file when one is attached, hands it to the forward when one
  // is set, and keeps it in memory within the limits.
  void Record(JournalEntry entry);
  // Hands every later entry, as it is recorded, to forward (a program attached to its handset's
  // server sends its effects there); an empty one stops.
  void SetForward(std::function<void(const JournalEntry&)> forward);
  // Copies of every entry kept, in order.
  std::vector<JournalEntry> Entries() const;
  // Copies of the kept entries of one kind, in order.
  std::vector<JournalEntry> Entries(std::string_view kind) const;
  // Copies of the kept entries whose kind begins with the prefix ("reg." for every registry
  // effect).
  std::vector<JournalEntry> EntriesWithPrefix(std::string_view prefix) const;
  // Number of entries kept.
  size_t Size() const;
  // The memory the bytes of the kept entries take.
  size_t KeptBytes() const;
  // Forgets every entry (numbering goes on).
  void Clear();
  // Writes every kept entry as JSON lines.
  void WriteJsonLines(std::ostream& out) const;
  // Appends each later entry, whole, to the file as a JSON line that also names the process
  // ("pid"), each line with one write so that the lines of several processes appending to
  // one file never mix (the file stays open until another is attached); an empty path detaches.
  // False when the file cannot be opened: then no file is attached.
  bool AttachFile(const std::string& path);
  // Writes a mark to the attached file only: a line with "mark": true, the kind and fields,
  // unnumbered and not kept, telling a reader of the file what the entries after it belong to
  // (the command that caused them). Nothing happens without a file.
  void Mark(const std::string& kind,
            const std::vector<std::pair<std::string, std::string>>& fields);
  // Sets how much is kept from now on: entries beyond the new count are dropped at once, oldest
  // first; the byte limit applies to the entries recorded later.
  void SetLimits(const JournalLimits& limits);
  // The limits in force.
  JournalLimits Limits() const;

 private:
  void DropOldest();

  mutable std::mutex mutex_;
  std::deque<JournalEntry> entries_;
  uint64_t next_seq_ = 1;
  JournalLimits limits_;
  int file_ = -1;
  std::function<void(const JournalEntry&)> forward_;
  // Whether forward_ is set, read without the lock.
  std::atomic<bool> forwarding_{false};
};

// One line of a journal file read back: the process that wrote it, whether it is a mark, and the
// entry (a mark's has seq 0).
struct JournalLine {
  int64_t process = 0;
  bool mark = false;
  JournalEntry entry;
};

// The line as a journal file holds it; false when it is not one (not a JSON object with a kind).
bool ParseJournalLine(std::string_view text, JournalLine* line);

// While it lives, what the calling thread records is on behalf of another program: journal file
// lines name that program's pid instead of this process's (the handset server answering a
// program's request).
class ActingFor {
 public:
  explicit ActingFor(int64_t pid);
  ~ActingFor();
  ActingFor(const ActingFor&) = delete;
  ActingFor& operator=(const ActingFor&) = delete;

 private:
  int64_t previous_;
};

// Records an effect in the journal: its kind, its named fields and, where the effect carried
// bytes, those bytes. Every entry the platform and the simulated handset make goes through it.
void RecordEffect(Journal& journal, EffectKind kind,
                  std::vector<std::pair<std::string, std::string>> fields,
                  std::vector<uint8_t> bytes = {});

// Hexadecimal text of bytes, two lower-case digits a byte.
std::string HexBytes(const uint8_t* data, size_t size);

// "0x" and the value in lower-case hexadecimal, with leading zeros up to digits digits
// (HexNumber(0x12, 4) is "0x0012"), as the journal and the attribute table show numbers.
std::string HexNumber(uint64_t value, int digits = 0);

}  // namespace cehost
