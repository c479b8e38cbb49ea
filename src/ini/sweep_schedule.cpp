#include "ini/sweep_schedule.h"

#include <string>

#include "ce/kernel.h"
#include "ce/text.h"
#include "frame/section_lock.h"

namespace ini {

namespace {

struct Swept {
  std::u16string folder;
  std::chrono::steady_clock::time_point at;
};

// The folders this process swept last, and when.
struct SweepRecord {
  SweepRecord() { InitializeCriticalSection(&lock); }
  CRITICAL_SECTION lock;
  Swept folders[kRememberedFolders];
  int used = 0;
};

// Made on first use and kept for the whole process, so its lock is never deleted.
SweepRecord& Record() {
  static SweepRecord* record = new SweepRecord;
  return *record;
}

}  // namespace

bool SweepDue(std::u16string_view folder, std::chrono::steady_clock::time_point now) {
  SweepRecord& record = Record();
  std::u16string name(folder);
  bool due = true;
  SectionLock locked(record.lock);
  Swept* slot = nullptr;
  for (int i = 0; i < record.used && !slot; ++i)
    if (_wcsicmp(record.folders[i].folder.c_str(), name.c_str()) == 0) slot = &record.folders[i];
  if (slot) {
    due = now - slot->at >= kSweepInterval;
  } else if (record.used < kRememberedFolders) {
    slot = &record.folders[record.used++];
  } else {
    slot = &record.folders[0];
    for (Swept& other : record.folders)
      if (other.at < slot->at) slot = &other;
  }
  if (due) *slot = Swept{std::move(name), now};
  return due;
}

}  // namespace ini
