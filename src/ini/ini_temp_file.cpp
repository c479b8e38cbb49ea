#include "ini/ini_temp_file.h"

#include <cstdint>

#include "ce/files.h"
#include "ce/kernel.h"

namespace ini {

namespace {

// How many names are tried before giving up: a name is only passed over when a file of that
// name exists already (left by another writer, or a user's own).
constexpr int kAttempts = 64;

// Digits of the names: ones that every file system of the handset keeps, in any case.
constexpr char16_t kDigits[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUV";

// A well-mixed number from the writer's process and thread, so that writers at the same time
// start from different names.
uint64_t Mix(uint64_t value) {
  value ^= value >> 33;
  value *= 0xff51afd7ed558ccdull;
  value ^= value >> 33;
  value *= 0xc4ceb9fe1a85ec53ull;
  return value ^ (value >> 33);
}

// A file name of at most room characters (room >= 1) for the attempt: "~" and digits, with
// ".tmp" where there is room, so that a person who finds one knows what it is.
std::u16string NameFor(uint64_t seed, size_t room) {
  std::u16string name;
  size_t digits = room >= 14 ? 9 : (room >= 2 ? room - 1 : 1);
  if (room >= 2) name += u'~';
  for (size_t i = 0; i < digits; ++i, seed >>= 5) name += kDigits[seed & 31];
  if (room >= 14) name += u".tmp";
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
  uint64_t start = Mix((uint64_t{GetCurrentProcessId()} << 32) | GetCurrentThreadId());
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

}  // namespace ini
