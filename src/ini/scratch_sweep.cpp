// When the sweep runs: right after a writer made its own scratch file, at most once per folder
// in kSweepInterval within one process (sweep_schedule.h). Scratch files are left behind only by
// writers killed or dead mid-rewrite, so the next process to write in the folder, usually a new
// one, sweeps at its first write there, and a long-running one sweeps again after the interval.
// A listing on every write would walk the whole folder each time, and "a name was found taken"
// cannot be the trigger: names are drawn at random and almost never collide.
//
// What is old is judged on the file system's own clock: the time of the writer's own new
// scratch file, found in the same listing, is "now". The handset's local time may be pinned or
// set by a user and says nothing about file times.
#include "ini/scratch_sweep.h"

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "ce/files.h"
#include "ce/kernel.h"
#include "ini/ini_temp_file.h"
#include "ini/sweep_schedule.h"

namespace ini {

namespace {

// The only attribute bits a scratch file has: it is made with FILE_ATTRIBUTE_NORMAL, and the
// file system adds ARCHIVE to a new file.
constexpr DWORD kScratchAttributes = FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE;

// FILETIME counts 100-nanosecond intervals.
constexpr uint64_t kTicksPerSecond = 10000000;

struct Candidate {
  std::u16string name;
  uint64_t written;
  DWORD attributes;
};

uint64_t TicksOf(const FILETIME& time) {
  return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// The files of the folder whose names have the full form, as a search lists them.
std::vector<Candidate> ListScratchNames(const std::u16string& folder) {
  std::vector<Candidate> found;
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW((folder + u"~?????????.tmp").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    // The search ignores case and "?" takes any character: the form is checked exactly here.
    if (IsScratchName(data.cFileName))
      found.push_back(
          Candidate{data.cFileName, TicksOf(data.ftLastWriteTime), data.dwFileAttributes});
  } while (FindNextFileW(search, &data));
  FindClose(search);
  return found;
}

// Deletes the file when nobody has it open and it holds nothing but the start of an INI file;
// it is held, shared with nobody but the deletion, from the look until it is gone.
void RemoveIfAbandoned(const std::u16string& path) {
  // Read access shared with nobody: fails while any other handle reads or writes it, in any
  // process. A writer holds its scratch file so from the moment it makes it.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  // A writer writes the mark FF FE first; a writer killed early may leave fewer bytes of it.
  BYTE head[2] = {};
  DWORD read = 0;
  bool looks_written = ReadFile(file, head, sizeof head, &read, nullptr) &&
                       (read < 1 || head[0] == 0xFF) && (read < 2 || head[1] == 0xFE);
  if (looks_written) DeleteFileW(path.c_str());
  CloseHandle(file);
}

void Sweep(const std::u16string& folder, std::u16string_view own_name) {
  std::vector<Candidate> found = ListScratchNames(folder);
  const Candidate* own = nullptr;
  for (const Candidate& candidate : found)
    if (candidate.name == own_name) own = &candidate;
  // Without the time of the writer's own file there is no "now" to judge age by.
  if (!own) return;
  const uint64_t limit = static_cast<uint64_t>(kAbandonedAfter.count()) * kTicksPerSecond;
  for (const Candidate& candidate : found) {
    if (&candidate == own || (candidate.attributes & ~kScratchAttributes)) continue;
    // A file written after own (a clock set back, a writer of this moment) is young too.
    if (candidate.written > own->written || own->written - candidate.written < limit) continue;
    RemoveIfAbandoned(folder + candidate.name);
  }
}

}  // namespace

void SweepBeside(std::u16string_view own) {
  // A name shorter than the full form: a folder so deep that no full-form name fits in it.
  if (own.size() <= kScratchNameLength) return;
  std::u16string_view folder = own.substr(0, own.size() - kScratchNameLength);
  std::u16string_view own_name = own.substr(folder.size());
  if (!IsScratchName(own_name) || (folder.back() != u'\\' && folder.back() != u'/')) return;
  try {
    if (SweepDue(folder, std::chrono::steady_clock::now())) Sweep(std::u16string(folder), own_name);
  } catch (const std::bad_alloc&) {
    // Without memory for the listing, the files stay for a later sweep.
  }
}

}  // namespace ini
