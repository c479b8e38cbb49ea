// An INI file loaded for one call, and the two ways a write changes it.
#pragma once

#include <memory>
#include <string_view>

#include "ce/types.h"

namespace ini {

class LoadedFile {
 public:
  LoadedFile() = default;
  ~LoadedFile();
  LoadedFile(const LoadedFile&) = delete;
  LoadedFile& operator=(const LoadedFile&) = delete;

  // Loads the whole file opened with the access (share read, existing only); false when it is
  // missing, cannot be opened, is shorter than the mark, cannot be read or lacks the mark FF FE.
  // With keep_open the handle stays open, its position at the end of the file.
  bool Load(LPCWSTR path, DWORD access, bool keep_open);

  // The text: the characters after the mark up to the first NUL (a trailing odd byte is no part
  // of it).
  std::u16string_view text() const { return text_; }

  // True when the file holds the mark and the text and nothing else, so that text appended at
  // its end continues the text.
  bool Exact() const { return size_ == 2 + text_.size() * sizeof(char16_t); }

  // Appends the characters at the end of the file in one write; on failure the file is cut back
  // to its old length. Needs the handle kept open.
  bool Append(std::u16string_view addition);

  // Replaces the file by one holding the mark and the text: the new file is written beside the
  // old one and then takes its name, so a failure at any point leaves the old file as it was.
  bool Rewrite(LPCWSTR path, std::u16string_view text);

 private:
  void Close();

  HANDLE handle_ = nullptr;
  DWORD size_ = 0;
  std::unique_ptr<char16_t[]> buffer_;
  std::u16string_view text_;
};

}  // namespace ini
