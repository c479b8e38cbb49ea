#include "ini/ini_file.h"

#include <new>
#include <string>

#include "ce/files.h"
#include "ce/kernel.h"
#include "ce/text.h"
#include "frame/path_probe.h"
#include "ini/ini_text.h"

namespace ini {

namespace {

constexpr char16_t kMark = 0xFEFF;  // the bytes FF FE

// Writes all bytes with one WriteFile.
bool WriteAll(HANDLE file, const void* data, size_t bytes) {
  DWORD written = 0;
  return WriteFile(file, data, static_cast<DWORD>(bytes), &written, nullptr) && written == bytes;
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
  if (!PathExists(path)) return false;

  handle_ = CreateFileW(path, access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    handle_ = nullptr;
    return false;
  }
  size_ = GetFileSize(handle_, nullptr);
  if (size_ == INVALID_FILE_SIZE || size_ < 2) {
    Close();
    return false;
  }
  // Room for every character of the file and a terminating NUL.
  size_t chars = size_ / 2 + 1;
  buffer_.reset(new (std::nothrow) char16_t[chars]);
  if (!buffer_) {
    Close();
    return false;
  }
  DWORD read = 0;
  if (!ReadFile(handle_, buffer_.get(), size_, &read, nullptr) || read != size_) {
    Close();
    return false;
  }
  // A trailing odd byte is no character of the text.
  buffer_[size_ / 2] = 0;
  if (!keep_open) Close();
  if (buffer_[0] != kMark) {
    Close();
    return false;
  }
  // The text ends at its first NUL; the terminator written above bounds the search.
  std::u16string_view whole(buffer_.get() + 1, size_ / 2 - 1);
  size_t length = FindUnit(whole, 0, 0);
  text_ = whole.substr(0, length == kNone ? whole.size() : length);
  return true;
}

bool LoadedFile::Append(std::u16string_view addition) {
  if (!handle_) return false;
  // The position after the load is the end of the file.
  if (!SetEndOfFile(handle_)) return false;
  if (!WriteAll(handle_, addition.data(), addition.size() * sizeof(char16_t))) {
    SetFilePointer(handle_, static_cast<LONG>(size_), nullptr, FILE_BEGIN);
    SetEndOfFile(handle_);
    Close();
    return false;
  }
  Close();
  return true;
}

bool LoadedFile::Rewrite(LPCWSTR path, std::u16string_view text) {
  // The loaded file stays open until the new one is complete, so that no other writer starts
  // on it meanwhile.
  size_t length = wcslen(path);
  // The new file's name is the old one with its last character replaced, so it is no longer
  // than the path itself and any path that names the file names its neighbour too.
  if (length == 0) return false;
  std::u16string temporary(path, length);
  temporary.back() = temporary.back() == u'~' ? u'!' : u'~';
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::u16string content;
  content.reserve(text.size() + 1);
  content += kMark;
  content += text;
  bool written = WriteAll(file, content.data(), content.size() * sizeof(char16_t));
  CloseHandle(file);
  Close();
  if (!written || !DeleteAndRenameFile(path, temporary.c_str())) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace ini
