#include "ini/ini_temp_file.h"

#include <cstdint>
#include <memory>
#include <random>

#include "ce/files.h"
#include "ce/kernel.h"
#include "frame/section_lock.h"

namespace ini {

namespace {

// How many names are tried before giving up: a name is only passed over when a file of that
// name exists already (left by another writer, or a user's own).
constexpr int kAttempts = 64;

// Digits of the names: ones that every file system of the handset keeps, in any case.
constexpr char16_t kDigits[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUV";
constexpr size_t kDigitCount = 32;
constexpr size_t kFullDigits = 9;
constexpr std::u16string_view kExtension = u".tmp";

// The host's source of numbers no program can foresee, shared by the threads of the process.
// When the host has none, numbers follow from the process, the thread and a count: names are
// still new (CREATE_NEW), only no longer unforeseeable.
class NameSource {
 public:
  NameSource() {
    InitializeCriticalSection(&lock_);
    try {
      device_ = std::make_unique<std::random_device>();
    } catch (...) {
      device_.reset();
    }
  }

  uint64_t Draw() {
    SectionLock locked(lock_);
    uint64_t value = 0;
    bool drawn = false;
    if (device_) {
      try {
        value = (uint64_t{(*device_)()} << 32) | (*device_)();
        drawn = true;
      } catch (...) {
        device_.reset();
      }
    }
    if (!drawn)
      value = Mix(((uint64_t{GetCurrentProcessId()} << 32) | GetCurrentThreadId()) + ++count_);
    return value;
  }

 private:
  static uint64_t Mix(uint64_t value) {
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdull;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ull;
    return value ^ (value >> 33);
  }

  CRITICAL_SECTION lock_;
  std::unique_ptr<std::random_device> device_;
  uint64_t count_ = 0;
};

// A number drawn afresh for every file made: names seen in a folder tell nothing of the next.
uint64_t Unforeseeable() {
  // Made on first use and kept for the whole process, so its lock is never deleted.
  static NameSource* source = new NameSource;
  return source->Draw();
}

// A file name of at most room characters (room >= 1) for the attempt: "~" and digits, with
// ".tmp" where there is room, so that a person who finds one knows what it is.
std::u16string NameFor(uint64_t seed, size_t room) {
  std::u16string name;
  size_t digits = room >= kScratchNameLength ? kFullDigits : (room >= 2 ? room - 1 : 1);
  if (room >= 2) name += u'~';
  for (size_t i = 0; i < digits; ++i, seed >>= 5) name += kDigits[seed % kDigitCount];
  if (room >= kScratchNameLength) name += kExtension;
  return name;
}

}  // namespace

HANDLE CreateFileBeside(LPCWSTR path, std::u16string* name) {
  if (!path) return INVALID_HANDLE_VALUE;
  std::u16string_view whole(path);
  size_t slash = whole.find_last_of(u"\\/");
  std::u16string folder(slash == whole.npos ? u"\\" : whole.substr(0, slash + 1));
  // The longest path a file may have is MAX_PATH - 1 characters.
  if (folder.size() >= MAX_PATH - 1) return INVALID_HANDLE_VALUE;
  size_t room = MAX_PATH - 1 - folder.size();
  uint64_t start = Unforeseeable();
  // Names follow each other from the start, the last digit first, so that even where there is
  // room for one character only, every name is tried before the writer gives up.
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    *name = folder + NameFor(start + static_cast<uint64_t>(attempt), room);
    // CREATE_NEW: a file that exists under the name is left alone and the next name is tried.
    HANDLE file = CreateFileW(name->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED)
      break;
  }
  name->clear();
  return INVALID_HANDLE_VALUE;
}

bool IsScratchName(std::u16string_view name) {
  if (name.size() != kScratchNameLength || name.front() != u'~' || !name.ends_with(kExtension))
    return false;
  for (char16_t c : name.substr(1, kFullDigits))
    if (std::u16string_view(kDigits, kDigitCount).find(c) == std::u16string_view::npos)
      return false;
  return true;
}

}  // namespace ini
