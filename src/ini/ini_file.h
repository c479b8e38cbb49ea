// An INI file loaded for one call, and its replacement by a write.
#pragma once

#include <memory>
#include <string_view>

#include "ce/types.h"
#include "ini/ini_text.h"

namespace ini {

class LoadedFile {
 public:
  LoadedFile() = default;
  ~LoadedFile();
  LoadedFile(const LoadedFile&) = delete;
  LoadedFile& operator=(const LoadedFile&) = delete;

  // Loads the whole file opened with the access (share read, existing only); false when it is
  // missing, cannot be opened, is shorter than the mark, cannot be read or lacks the mark FF FE;
  // std::bad_alloc when the memory for its text cannot be had.
  // With keep_open the handle stays open, so that no other writer can have the file until the
  // call is done, and lets the file be replaced meanwhile (share delete).
  bool Load(LPCWSTR path, DWORD access, bool keep_open);

  // The text: the characters after the mark up to the first NUL (a trailing odd byte is no part
  // of it).
  std::u16string_view text() const { return text_; }

  // The text's line brackets (ini_text.h), found as the file was read.
  const LineBrackets& brackets() const { return brackets_; }

  // Replaces the file by one holding the mark and the text: the new file is written beside the
  // old one and then takes its name in one step, so that at every moment the name holds the
  // whole old file or the whole new one, and a failure leaves the old file as it was. Needs the
  // handle kept open; the loaded file is held until its replacement is in place. On its way it
  // may remove scratch files that killed writers left in the folder (SweepBeside).
  bool Rewrite(LPCWSTR path, std::u16string_view text);

 private:
  void Close();

  HANDLE handle_ = nullptr;
  DWORD size_ = 0;
  std::unique_ptr<char16_t[]> buffer_;
  std::u16string_view text_;
  LineBrackets brackets_;
};

}  // namespace ini
