// An INI file loaded for one call, and its replacement by a write.
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
  // missing, cannot be opened, is shorter than the mark, cannot be read or lacks the mark FF FE;
  // std::bad_alloc when the memory for its text cannot be had.
  // With keep_open the handle stays open, so that no other writer can have the file until the
  // call is done, and lets the file be replaced meanwhile (share delete).
  bool Load(LPCWSTR path, DWORD access, bool keep_open);

  // The characters after the mark (a trailing odd byte is no part of them). The text is those up
  // to the first NUL; the searches of ini_text.h stop there, so they take these as they are.
  std::u16string_view contents() const { return contents_; }

  // The text: the characters after the mark up to the first NUL.
  std::u16string_view text() const;

  // Replaces the file by one holding the mark and the text: the new file is written beside the
  // old one and then takes its name in one step, so that at every moment the name holds the
  // whole old file or the whole new one, and a failure leaves the old file as it was. Needs the
  // handle kept open; the loaded file is held until its replacement is in place.
  bool Rewrite(LPCWSTR path, std::u16string_view text);

 private:
  void Close();

  HANDLE handle_ = nullptr;
  DWORD size_ = 0;
  std::unique_ptr<char16_t[]> buffer_;
  std::u16string_view contents_;
};

}  // namespace ini
