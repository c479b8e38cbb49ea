#include "ini/ini_file.h"

#include <algorithm>
#include <memory>
#include <string>

#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/text.h"
#include "frame/path_probe.h"
#include "ini/ini_temp_file.h"
#include "ini/ini_text.h"
#include "ini/scratch_sweep.h"

namespace ini {

namespace {

constexpr char16_t kMark = 0xFEFF;  // the bytes FF FE

// A file is read in parts of this size: small enough to stay in the processor's cache until it
// is searched, large enough that the calls cost little. Even, so that a character never spans
// two parts.
constexpr DWORD kPartBytes = 256 * 1024;

// Writes all bytes with one WriteFile.
bool WriteAll(HANDLE file, const void* data, size_t bytes) {
  DWORD written = 0;
  return WriteFile(file, data, static_cast<DWORD>(bytes), &written, nullptr) && written == bytes;
}

// True when CreateFileW may hand the name to the device manager instead of the file system: a
// name with a colon (legacy device names such as "ACC0:"; no file name holds one), a name in the
// "\$device\" or "\$bus\" namespace, or a name without a leading separator, which may be a
// bus name ("USBFN_0").
bool MayNameDevice(std::u16string_view path) {
  if (path.empty() || path[0] != u'\\' || path.find(u':') != path.npos) return true;
  size_t end = path.find(u'\\', 1);
  std::u16string first(path.substr(1, end == path.npos ? path.npos : end - 1));
  return _wcsicmp(first.c_str(), u"$device") == 0 || _wcsicmp(first.c_str(), u"$bus") == 0;
}

}  // namespace

LoadedFile::~LoadedFile() {
  Close();
}

void LoadedFile::Close() {
  if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = nullptr;
}

bool LoadedFile::Load(LPCWSTR path, DWORD access, bool keep_open) {
  if (!path) return false;
  // A file's path goes to CreateFileW directly: opening an existing file fails for every path
  // that names no file (a missing one, a folder, a name with wildcards, a trailing separator), as
  // a search for it would. A name that may be a device's is searched for first, so that no
  // device answers a name that names no file.
  if (MayNameDevice(path) && !PathExists(path)) return false;

  DWORD share = keep_open ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
  handle_ =
      CreateFileW(path, access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    handle_ = nullptr;
    return false;
  }
  size_ = GetFileSize(handle_, nullptr);
  if (size_ == INVALID_FILE_SIZE || size_ < 2) {
    Close();
    return false;
  }
  size_t units = size_ / 2;
  // Room for every byte of the file, a trailing odd one included. Memory that cannot be had
  // throws std::bad_alloc; the handle is closed with this object.
  buffer_ = std::make_unique_for_overwrite<char16_t[]>(units + 1);
  char* bytes = reinterpret_cast<char*>(buffer_.get());
  // The characters after the mark; the text is those up to the first NUL.
  std::u16string_view contents(buffer_.get() + 1, units - 1);
  size_t scanned = 0;
  size_t length = kNone;
  brackets_.clear();
  // Room for the brackets of a profile file of a few sections, so that those need no more.
  brackets_.reserve(16);
  // Read a part at a time, each searched for line brackets and the first NUL right after it is
  // read, while it is still in the processor's cache: a large file is then gone through once.
  for (DWORD done = 0; done < size_;) {
    DWORD part = std::min<DWORD>(size_ - done, kPartBytes);
    DWORD read = 0;
    if (!ReadFile(handle_, bytes + done, part, &read, nullptr) || read != part) {
      Close();
      return false;
    }
    done += part;
    // The characters read whole, less the mark (a trailing odd byte is none).
    size_t ready = done / 2 - 1;
    if (length == kNone && ready > scanned) {
      size_t end = AddLineBrackets(contents, scanned, ready, &brackets_);
      if (end < ready) length = end;
      scanned = ready;
    }
  }
  if (!keep_open) Close();
  if (buffer_[0] != kMark) {
    Close();
    return false;
  }
  text_ = contents.substr(0, length == kNone ? contents.size() : length);
  return true;
}

bool LoadedFile::Rewrite(LPCWSTR path, std::u16string_view text) {
  if (!handle_) return false;
  std::u16string temporary;
  HANDLE file = CreateFileBeside(path, &temporary);
  if (file == INVALID_HANDLE_VALUE) return false;
  // Writers killed in this folder before their file took its name left their files behind.
  SweepBeside(temporary);
  std::u16string content;
  content.reserve(text.size() + 1);
  content += kMark;
  content += text;
  bool written = WriteAll(file, content.data(), content.size() * sizeof(char16_t));
  CloseHandle(file);
  // The loaded file is still held (sharing only reading and replacement): no other writer can
  // have loaded it since, and none can load it until the new file holds the name.
  bool replaced = written && DeleteAndRenameFile(path, temporary.c_str());
  Close();
  if (!replaced) DeleteFileW(temporary.c_str());
  return replaced;
}

}  // namespace ini
